#include "tools/menu_dialog.h"

#include "data/map_link.h"
#include "platform/ini_file.h"
#include "platform/scripted_prompts.h"
#include "tests/test_support.h"
#include "tests/tools/standard_data.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

namespace zlm {
namespace {

QStringList itemsOf(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

class MenuDialogTest : public ::testing::Test {
protected:
    void SetUp() override { test::loadStandardData(m_data); }

    MenuGroups groups(const std::string& section)
    {
        test::writeFile(m_dir / "ZLM350.ini", "[MAP LIST]\r\n" + section);
        return readMenuGroups(IniFile(m_dir / "ZLM350.ini"));
    }
    std::unique_ptr<MenuDialog> dialog(const std::string& section, MenuActions actions = {})
    {
        return std::make_unique<MenuDialog>(m_data, m_prompts, groups(section), std::move(actions),
                                            19);
    }
    static void pickMap(MenuDialog& d, const QString& name)
    {
        const auto found = d.mapList()->findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        d.mapList()->setCurrentItem(found.front());
    }

    test::TempDir m_dir;
    LineList m_definition = test::standardDefinition(false);
    EcuDataSet m_data{m_definition};
    ScriptedPrompts m_prompts;
};

TEST_F(MenuDialogTest, GroupsInMapOrderThenTheOtherGroupSelected)
{
    // Ignition maps come after the fuel maps although listed first.
    auto d = dialog("LIST=Rest\r\nLIST1=IGN,Ignition\r\nLIST2=FUEL,Fuel\r\n");
    EXPECT_EQ(d->windowTitle(), "Menu Dialog");
    EXPECT_EQ(itemsOf(d->groupList()), (QStringList{"Fuel", "Ignition", "Rest"}));
    EXPECT_EQ(d->groupList()->currentRow(), 0);
    EXPECT_EQ(itemsOf(d->mapList()),
              (QStringList{"Fuel Map1", "Fuel Map2", "Fuel Map3", "Fuel Map4", "Fuel Fine",
                           "Accel Pump"}));
    EXPECT_EQ(d->mapList()->item(5)->data(Qt::UserRole).toInt(), 10);
    d->groupList()->setCurrentRow(2);
    EXPECT_EQ(itemsOf(d->mapList()), (QStringList{"Shift Cut"}));
    EXPECT_TRUE(d->multiMapButton()->isEnabled());

    // OK without a map stays open; with one it ends with the map's index.
    d->accept();
    EXPECT_EQ(d->result(), QDialog::Rejected);
    d->groupList()->setCurrentRow(1);
    pickMap(*d, "Ign Trim");
    d->accept();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->chosenMap(), 9);
}

TEST_F(MenuDialogTest, EveryMapListedLeavesNothingSelectedAndAGapEndsTheList)
{
    auto d = dialog("LIST1=FUEL,Fuel\r\nLIST2=IGN,Ignition\r\nLIST3=,Nothing\r\n");
    // Shift Cut has no group key: the other group, under its default title.
    EXPECT_EQ(itemsOf(d->groupList()), (QStringList{"Fuel", "Ignition", "Other Map"}));

    // Keys 1 and 3 only: key 3 is never read.
    auto gap = dialog("LIST1=FUEL,Fuel\r\nLIST3=IGN,Ignition\r\n");
    EXPECT_EQ(itemsOf(gap->groupList()), (QStringList{"Fuel", "Other Map"}));

    // A definition whose every map is in a listed group: nothing selected at first.
    for (MapDefinition& map : m_data.maps())
        if (map.note.empty())
            map.note = "FUEL";
    auto all = dialog("LIST1=FUEL,Fuel\r\nLIST2=IGN,Ignition\r\n");
    EXPECT_EQ(itemsOf(all->groupList()), (QStringList{"Fuel", "Ignition"}));
    EXPECT_TRUE(all->groupList()->selectedItems().isEmpty());
    EXPECT_EQ(all->mapList()->count(), 0);
    // Shown, the group list takes the focus and with it a current row; that
    // picks no group.
    all->show();
    QApplication::setActiveWindow(all.get());
    QApplication::processEvents();
    EXPECT_EQ(all->mapList()->count(), 0);
    all->accept();
    EXPECT_EQ(all->result(), QDialog::Rejected);
    all->groupList()->setCurrentRow(1);
    EXPECT_EQ(itemsOf(all->mapList()).size(), 5);
}

TEST_F(MenuDialogTest, DuplicateNamesShownOnce)
{
    m_data.maps()[1].name = "Fuel Map1";
    auto d = dialog("");
    EXPECT_EQ(itemsOf(d->mapList()).count("Fuel Map1"), 1);
    EXPECT_EQ(d->mapList()->item(0)->data(Qt::UserRole).toInt(), 0);
}

TEST_F(MenuDialogTest, PickingAMapAsksToClearTheLink)
{
    applyLink(m_data, kLinkAll, {"Fuel Map1", "Fuel Map2", "", ""});
    int cleared = 0;
    MenuActions actions;
    actions.linkCleared = [&] { ++cleared; };
    auto d = dialog("", std::move(actions));
    pickMap(*d, "Ign Map2");

    m_prompts.queue(Answer::Cancel);
    d->accept();
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text, "Do you clear map link?");
    EXPECT_EQ(m_prompts.records()[0].icon, Icon::Question);
    EXPECT_EQ(m_data.linkMode, kLinkAll);
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_EQ(cleared, 0);

    d->accept();
    EXPECT_EQ(m_data.linkMode, kNoLink);
    EXPECT_TRUE(m_data.linkList.empty());
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->chosenMap(), 5);
}

TEST_F(MenuDialogTest, MultiMapEditOkIsFollowedByTheClearQuestion)
{
    MenuActions actions;
    actions.multiMapEdit = [this] {
        applyLink(m_data, kLinkAll, {"Fuel Map1", "Fuel Map2", "", ""});
        return true;
    };
    auto d = dialog("", std::move(actions));
    m_prompts.queue(Answer::Cancel);
    d->multiMapButton()->click();
    EXPECT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_data.linkMode, kLinkAll);
    EXPECT_EQ(d->result(), QDialog::Rejected);

    // OK clears the link again and, with a map selected, ends the dialog.
    pickMap(*d, "Fuel Map3");
    d->multiMapButton()->click();
    EXPECT_EQ(m_data.linkMode, kNoLink);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->chosenMap(), 2);
}

TEST_F(MenuDialogTest, ExitAsksThenClosesTheProgram)
{
    int exits = 0;
    MenuActions actions;
    actions.exitProgram = [&] { ++exits; };
    auto d = dialog("", std::move(actions));
    m_prompts.queue(Answer::Cancel);
    d->exitButton()->click();
    EXPECT_EQ(exits, 0);
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text, "Are you exit ?");
    EXPECT_EQ(m_prompts.records()[0].caption, "Menu");
    d->exitButton()->click();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(d->result(), MenuDialog::kExitCode);
}

TEST_F(MenuDialogTest, Screenshots)
{
    for (const auto& [pixels, name] : {std::pair{19, "menu_dialog_default"},
                                       std::pair{14, "menu_dialog_small"}}) {
        MenuDialog d(m_data, m_prompts, groups("LIST1=FUEL,Fuel Maps\r\nLIST2=IGN,Ignition Maps\r\n"),
                     {}, pixels);
        d.adjustSize();
        EXPECT_LE(d.width(), 640);
        EXPECT_LE(d.height(), 480);
        test::saveScreenshot(d, name);
    }
}

} // namespace
} // namespace zlm

