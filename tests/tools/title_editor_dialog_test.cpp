#include "tools/title_editor_dialog.h"

#include "tools/title_entry_dialog.h"
#include "tests/tools/standard_data.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace zlm {
namespace {

using Titles = std::vector<std::string>;

// Answers the entry dialog that `button` opens: `fill` sets its fields, then OK
// (or Cancel); returns the entry dialog's caption.
QString answerEntry(QPushButton* button, const std::function<void(TitleEntryDialog&)>& fill,
                    bool ok = true)
{
    QString caption;
    QTimer::singleShot(0, [&] {
        auto* entry = qobject_cast<TitleEntryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(entry, nullptr);
        caption = entry->windowTitle();
        fill(*entry);
        if (ok)
            entry->accept();
        // An entry refused by accept() is cancelled so that the test goes on.
        if (entry->isVisible())
            entry->reject();
    });
    button->click();
    return caption;
}

class TitleEditorTest : public ::testing::Test {
protected:
    Titles m_titles{"Circuit", "Suzuka", "Rider", "Test rider"};
    bool m_modified = false;
};

TEST_F(TitleEditorTest, ListShowsPairsAndEditDeleteNeedASelection)
{
    TitleEditorDialog dialog(m_titles, m_modified, 19);
    EXPECT_EQ(dialog.windowTitle(), "Title Editor");
    ASSERT_EQ(dialog.list()->count(), 2);
    EXPECT_EQ(dialog.list()->item(1)->text(), "Rider");
    EXPECT_EQ(dialog.list()->item(1)->data(Qt::UserRole).toString(), "Test rider");
    EXPECT_FALSE(dialog.editButton()->isEnabled());
    EXPECT_FALSE(dialog.deleteButton()->isEnabled());
    dialog.list()->setCurrentRow(0);
    EXPECT_TRUE(dialog.editButton()->isEnabled());
    EXPECT_TRUE(dialog.deleteButton()->isEnabled());
}

TEST_F(TitleEditorTest, AddEditAndDeleteWorkOnTheListAndMarkModified)
{
    TitleEditorDialog dialog(m_titles, m_modified, 19);
    dialog.show();

    // An empty title is refused: the entry stays open and nothing is added.
    answerEntry(dialog.addButton(), [](TitleEntryDialog& e) { e.dataEdit()->setText("x"); });
    EXPECT_EQ(m_titles.size(), 4u);
    EXPECT_FALSE(m_modified);

    const QString addCaption = answerEntry(dialog.addButton(), [](TitleEntryDialog& e) {
        e.titleEdit()->setText("Tyres");
    });
    EXPECT_EQ(addCaption, "Add Title");
    EXPECT_EQ(m_titles, (Titles{"Circuit", "Suzuka", "Rider", "Test rider", "Tyres", ""}));
    EXPECT_TRUE(m_modified);
    EXPECT_EQ(dialog.list()->count(), 3);

    dialog.list()->setCurrentRow(1);
    const QString editCaption = answerEntry(dialog.editButton(), [](TitleEntryDialog& e) {
        EXPECT_EQ(e.titleEdit()->text(), "Rider");
        EXPECT_EQ(e.dataEdit()->text(), "Test rider");
        e.dataEdit()->setText("Second rider");
    });
    EXPECT_EQ(editCaption, "Edit Title");
    EXPECT_EQ(m_titles[3], "Second rider");
    EXPECT_FALSE(dialog.editButton()->isEnabled()); // the list was refilled

    dialog.list()->setCurrentRow(0);
    dialog.deleteButton()->click();
    EXPECT_EQ(m_titles, (Titles{"Rider", "Second rider", "Tyres", ""}));
    dialog.list()->setCurrentRow(1);
    dialog.deleteButton()->click();
    dialog.list()->setCurrentRow(0);
    dialog.deleteButton()->click();
    EXPECT_TRUE(m_titles.empty());
    EXPECT_EQ(dialog.list()->count(), 0);
}

TEST(TitleEntry, FieldsTakeAtMost99Characters)
{
    TitleEntryDialog entry("Add Title", "", "", 19);
    entry.show();
    QTest::keyClicks(entry.titleEdit(), QString(120, QLatin1Char('t')));
    QTest::keyClicks(entry.dataEdit(), QString(120, QLatin1Char('d')));
    EXPECT_EQ(entry.titleEdit()->text().size(), 99);
    EXPECT_EQ(entry.dataEdit()->text().size(), 99);
    entry.accept();
    EXPECT_EQ(entry.title(), std::string(99, 't'));
    EXPECT_EQ(entry.data(), std::string(99, 'd'));

    // Characters the data file would read back differently are not taken into a title.
    TitleEntryDialog other("Add Title", "", "", 19);
    other.show();
    QTest::keyClicks(other.titleEdit(), QStringLiteral(";[Front, rear"));
    QTest::keyClicks(other.dataEdit(), QStringLiteral("soft, medium"));
    EXPECT_EQ(other.titleEdit()->text(), "Front rear");
    EXPECT_EQ(other.dataEdit()->text(), "soft, medium");
}

TEST_F(TitleEditorTest, Screenshots)
{
    m_titles = {"Circuit", "Suzuka", "Rider", "Test rider", "Tyres", "Slick soft front, medium rear",
                "Weather", "Dry, 24 degC"};
    for (const auto& [pixels, name] : {std::pair{19, "title_editor_default"},
                                       std::pair{14, "title_editor_small"}}) {
        TitleEditorDialog dialog(m_titles, m_modified, pixels);
        dialog.list()->setCurrentRow(1);
        dialog.adjustSize();
        EXPECT_LE(dialog.width(), 640);
        EXPECT_LE(dialog.height(), 480);
        test::saveScreenshot(dialog, name);
        TitleEntryDialog entry("Edit Title", "Tyres", "Slick soft front, medium rear", pixels);
        entry.adjustSize();
        EXPECT_LE(entry.width(), 640);
        test::saveScreenshot(entry, QString::fromLatin1(name).replace("editor", "entry"));
    }
}

} // namespace
} // namespace zlm
