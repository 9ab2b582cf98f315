// The map link and the tool dialogs in the running frame: the menu dialog after
// Open, Multi Map Edit and its labels, edits reaching linked maps from the
// table and the map window, Individual Edit, and the title and RS232C commands.
#include "app/frame_dialogs.h"
#include "app/vex_app.h"
#include "data/map_access.h"
#include "data/map_link.h"
#include "platform/scripted_prompts.h"
#include "tests/test_support.h"
#include "tests/tools/standard_data.h"
#include "tools/menu_dialog.h"
#include "tools/multi_map_edit_dialog.h"
#include "views/block_commands.h"
#include "views/cell_editor.h"
#include "views/child_frame.h"
#include "views/edit_bar.h"
#include "views/graph_pane.h"
#include "views/main_frame.h"
#include "views/map_geometry.h"
#include "views/map_window.h"
#include "views/table_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"
#include "tests/views/frame_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace zlm {
namespace {

using test::settle;

namespace fs = std::filesystem;

template <typename Dialog>
void whenShown(std::function<void(Dialog&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

void pickMap(MenuDialog& menu, const QString& group, const QString& name)
{
    const auto groups = menu.groupList()->findItems(group, Qt::MatchExactly);
    ASSERT_FALSE(groups.isEmpty());
    menu.groupList()->setCurrentItem(groups.front());
    const auto maps = menu.mapList()->findItems(name, Qt::MatchExactly);
    ASSERT_FALSE(maps.isEmpty());
    menu.mapList()->setCurrentItem(maps.front());
    menu.accept();
}

class MapLinkFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::useCenturyFont();
        m_app.definitionLines = test::standardDefinition(true);
        m_app.workingDirectory = m_dir.path().string();
        m_app.iniPath = m_dir / "ZLM350.ini";
        test::writeFile(m_app.iniPath, "[MAP LIST]\r\nLIST1=FUEL,Fuel Maps\r\nLIST2=IGN,Ignition Maps\r\n");
        m_prompts = test::scriptPrompts(m_app);
        m_frame = std::make_unique<CMainFrame>(m_app);
        new FrameDialogs(*m_frame, m_app);
        m_frame->resize(1024, 700);
        ASSERT_TRUE(test::showActive(*m_frame));
    }
    void TearDown() override
    {
        m_frame.reset();
        settle();
    }

    // File, Open on a copy of the standard data; the menu dialog picks `name`.
    void open(const QString& group, const QString& name)
    {
        const fs::path copy = m_dir / "Standard_data.lyn";
        fs::copy_file(std::string(ZLM_RES_DIR) + "/Standard_data.lyn", copy,
                      fs::copy_options::overwrite_existing);
        m_prompts->queuePath(copy.string());
        whenShown<MenuDialog>([&](MenuDialog& menu) { pickMap(menu, group, name); });
        m_frame->openFile();
        settle();
        m_prompts->clear();
    }

    const MapDefinition& mapNamed(const std::string& name)
    {
        return *mapByName(m_app.data().maps(), name);
    }
    int cell(const std::string& name, int line, int point)
    {
        return readDataCell(m_app.data().image(), mapNamed(name), line, point).value;
    }
    QStringList labels()
    {
        QStringList items;
        QComboBox* combo = m_frame->editBar().labelCombo();
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }
    QString caption(ViewKind kind)
    {
        return m_frame->document()->viewOfKind(kind)->childFrame()->windowTitle();
    }

    test::TempDir m_dir;
    CVexApp m_app;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MapLinkFrameTest, OpenShowsTheMenuDialogAndOpensTheChosenMap)
{
    open("Ignition Maps", "Ign Map2");
    ASSERT_NE(m_frame->document(), nullptr);
    EXPECT_EQ(m_app.data().currentMap()->name, "Ign Map2");
    EXPECT_EQ(caption(ViewKind::Table), "TABLE - Ign Map2");
    EXPECT_EQ(m_frame->editBar().labelCombo()->currentText(), "Ign Map2");
    // The preset link of the definition waits in the link list, not yet in force.
    EXPECT_EQ(m_app.data().linkMode, kNoLink);
    EXPECT_EQ(m_app.data().linkList.size(), 4u);
}

TEST_F(MapLinkFrameTest, ExitInTheMenuDialogClosesTheProgram)
{
    const fs::path copy = m_dir / "Standard_data.lyn";
    fs::copy_file(std::string(ZLM_RES_DIR) + "/Standard_data.lyn", copy);
    m_prompts->queuePath(copy.string());
    m_prompts->queue(Answer::Ok); // "Are you exit ?"
    whenShown<MenuDialog>([](MenuDialog& menu) { menu.exitButton()->click(); });
    m_frame->openFile();
    EXPECT_EQ(m_frame->document(), nullptr);
    EXPECT_TRUE(m_frame->isVisible());
    settle();
    EXPECT_FALSE(m_frame->isVisible());
    EXPECT_FALSE(m_app.data().loaded());
}

TEST_F(MapLinkFrameTest, LinkedEditsReachThePartnersFromTableAndMapWindow)
{
    open("Fuel Maps", "Fuel Map1");
    whenShown<MultiMapEditDialog>([](MultiMapEditDialog& dialog) {
        EXPECT_FALSE(dialog.mapList(0)->isEnabled()); // the preset fixed the maps
        dialog.pairsButton()->setChecked(true);
        dialog.accept();
    });
    ASSERT_TRUE(m_frame->execute(cmd::kMultiMapEdit));
    settle();
    EXPECT_EQ(m_app.data().linkMode, kLinkPairs);
    EXPECT_TRUE(m_app.data().modified);
    EXPECT_EQ(labels(), (QStringList{"#1,#4", "#2,#3"}));
    EXPECT_EQ(m_frame->editBar().labelCombo()->currentText(), "#1,#4");
    EXPECT_EQ(caption(ViewKind::Table), "TABLE - #1,#4");
    EXPECT_EQ(caption(ViewKind::Map), "MAP - #1,#4");
    EXPECT_TRUE(m_frame->isEnabled(cmd::kIndividualEdit));

    // A value typed in the table window on #1 reaches #4 only.
    auto* table = qobject_cast<TableWindow*>(
        m_frame->document()->viewOfKind(ViewKind::Table)->window());
    ASSERT_NE(table, nullptr);
    const int fuel2Before = cell("Fuel Map2", 0, 0);
    table->requestFocus(1);
    settle();
    QTest::keyClicks(table->cellEditor(), "3");
    QTest::keyClick(table->cellEditor(), Qt::Key_Return);
    settle();
    EXPECT_EQ(cell("Fuel Map1", 0, 0), 60);
    EXPECT_EQ(cell("Fuel Map4", 0, 0), 60);
    EXPECT_EQ(cell("Fuel Map2", 0, 0), fuel2Before);
    // Undo takes the value back in #4 as well; Redo brings it again.
    ASSERT_TRUE(m_frame->execute(cmd::kUndo));
    settle();
    EXPECT_NE(cell("Fuel Map1", 0, 0), 60);
    EXPECT_EQ(cell("Fuel Map4", 0, 0), cell("Fuel Map1", 0, 0));
    ASSERT_TRUE(m_frame->execute(cmd::kRedo));
    settle();
    EXPECT_EQ(cell("Fuel Map1", 0, 0), 60);
    EXPECT_EQ(cell("Fuel Map4", 0, 0), 60);

    // "#2,#3" shows #2; a drag in its map window reaches #3 at the same offset.
    QComboBox* combo = m_frame->editBar().labelCombo();
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    settle();
    EXPECT_EQ(m_app.data().currentMap()->name, "Fuel Map2");
    EXPECT_EQ(caption(ViewKind::Map), "MAP - #2,#3");
    auto* graphWindow = qobject_cast<MapWindow*>(
        m_frame->document()->viewOfKind(ViewKind::Map)->window());
    ASSERT_NE(graphWindow, nullptr);
    GraphPane* graph = graphWindow->graphPane();
    const MapDefinition& fuel2 = mapNamed("Fuel Map2");
    const auto points = graphWindow->geometry()->linePoints(fuel2, m_app.data().image(), 0);
    const QPoint from(points[2].x, points[2].y);
    const QPoint to = from - QPoint(0, 30);
    const int before = cell("Fuel Map2", 0, 2);
    // The first click picks the point, the second one takes it for a drag.
    QTest::mouseClick(graph, Qt::LeftButton, {}, from);
    settle();
    QTest::mousePress(graph, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), graph->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &move);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, to);
    settle();
    EXPECT_NE(cell("Fuel Map2", 0, 2), before);
    EXPECT_EQ(cell("Fuel Map3", 0, 2), cell("Fuel Map2", 0, 2));
    EXPECT_NE(cell("Fuel Map1", 0, 2), cell("Fuel Map2", 0, 2));

    // Individual Edit: the Label list holds the map names again, the current one selected.
    m_prompts->queue(Answer::Ok);
    ASSERT_TRUE(m_frame->execute(cmd::kIndividualEdit));
    EXPECT_EQ(m_prompts->records().back().text, "Do you cancel map link?");
    EXPECT_EQ(m_app.data().linkMode, kNoLink);
    EXPECT_EQ(labels().size(), 12);
    EXPECT_EQ(combo->currentText(), "Fuel Map2");
    EXPECT_EQ(caption(ViewKind::Table), "TABLE - Fuel Map2");
}

TEST_F(MapLinkFrameTest, AWindowOpenedWhileALinkIsInForceShowsTheLinksMap)
{
    m_app.definitionLines = test::standardDefinition(false);
    open("Fuel Maps", "Fuel Map1");
    m_frame->document()->CloseAllWindows();
    settle();
    // F1 with no window: Multi Map Edit links the ignition maps 3 and 4, the link
    // is kept and the menu dialog cancelled.
    m_prompts->queue(Answer::Ok);     // "Do you execute map link?"
    m_prompts->queue(Answer::Cancel); // "Do you clear map link?"
    whenShown<MenuDialog>([](MenuDialog& menu) {
        whenShown<MultiMapEditDialog>([](MultiMapEditDialog& dialog) {
            for (const auto& [slot, name] : {std::pair{0, "Ign Map3"}, std::pair{1, "Ign Map4"}}) {
                QComboBox* list = dialog.mapList(slot);
                const int index = list->findText(QString::fromLatin1(name));
                list->setCurrentIndex(index);
                emit list->activated(index);
            }
            dialog.accept();
        });
        menu.multiMapButton()->click();
    });
    ASSERT_TRUE(m_frame->execute(cmd::kMenu));
    settle();
    ASSERT_EQ(m_app.data().linkMode, kLinkAll);
    ASSERT_EQ(labels(), (QStringList{"#1,#2"}));

    // Window, Open, Map takes the map of the label, not the map at its position.
    ASSERT_TRUE(m_frame->execute(cmd::kOpenMap));
    settle();
    EXPECT_EQ(m_app.data().currentMap()->name, "Ign Map3");
    EXPECT_EQ(caption(ViewKind::Map), "MAP - #1,#2");
}

TEST_F(MapLinkFrameTest, MenuCommandOffersToClearTheLink)
{
    open("Fuel Maps", "Fuel Map1");
    whenShown<MultiMapEditDialog>([](MultiMapEditDialog& dialog) { dialog.accept(); });
    ASSERT_TRUE(m_frame->execute(cmd::kMultiMapEdit));
    settle();
    EXPECT_EQ(labels(), (QStringList{"#1,#2,#3,#4"}));

    m_prompts->clear();
    m_prompts->queue(Answer::Ok);
    whenShown<MenuDialog>([](MenuDialog& menu) { pickMap(menu, "Ignition Maps", "Ign Map3"); });
    ASSERT_TRUE(m_frame->execute(cmd::kMenu));
    settle();
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text, "Do you clear map link?");
    EXPECT_EQ(m_app.data().linkMode, kNoLink);
    EXPECT_EQ(labels().size(), 12);
    EXPECT_EQ(m_app.data().currentMap()->name, "Ign Map3");
    EXPECT_EQ(caption(ViewKind::Table), "TABLE - Ign Map3");
}

TEST_F(MapLinkFrameTest, TitlesAreStoredOnOkOnlyAndSavedIntoAFileWithoutTitleSection)
{
    open("Fuel Maps", "Fuel Map1");
    m_app.data().modified = false;
    const std::vector<std::string> fromFile = m_app.data().titles;
    ASSERT_FALSE(fromFile.empty());
    // Cancel keeps the titles; OK stores the working list.
    for (const bool ok : {false, true}) {
        whenShown<QDialog>([ok](QDialog& editor) {
            auto* list = editor.findChild<QListWidget*>();
            ASSERT_NE(list, nullptr);
            list->setCurrentRow(0);
            for (QPushButton* b : editor.findChildren<QPushButton*>())
                if (b->text() == "&Delete")
                    b->click();
            if (ok)
                editor.accept();
        });
        ASSERT_TRUE(m_frame->execute(cmd::kTitle));
        EXPECT_EQ(m_app.data().titles.size(), ok ? fromFile.size() - 2 : fromFile.size());
    }

    // Into a file without a "Title" section: the section is appended.
    std::string text = test::readFile(m_dir / "Standard_data.lyn");
    text.erase(text.find("[Title]"));
    test::writeFile(m_dir / "untitled.lyn", text);
    m_frame->closeDataSet();
    ASSERT_TRUE(m_app.data().load((m_dir / "untitled.lyn").string()).ok());
    m_app.data().setPath((m_dir / "untitled.lyn").string());
    EXPECT_TRUE(m_app.data().titles.empty());
    m_app.data().titles = {"Track", "Mugello"};
    const fs::path saved = m_dir / "saved.lyn";
    m_prompts->queuePath(saved.string());
    m_frame->execute(cmd::kSave);
    ASSERT_EQ(m_app.data().path(), saved.string());
    m_frame->closeDataSet();
    ASSERT_TRUE(m_app.data().load(saved.string()).ok());
    EXPECT_EQ(m_app.data().titles, (std::vector<std::string>{"Track", "Mugello"}));
}

} // namespace
} // namespace zlm
