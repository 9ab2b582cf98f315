#include "views/main_frame.h"

#include "app/vex_app.h"
#include "data/map_access.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"
#include "tests/test_support.h"
#include "views/cell_editor.h"
#include "views/child_frame.h"
#include "views/edit_bar.h"
#include "views/edit_bar_icons.h"
#include "views/edit_window.h"
#include "views/table_window.h"
#include "data/undo_stack.h"
#include "views/vex_doc.h"
#include "views/tool_box_dialog.h"
#include "views/vex_view.h"
#include "tests/views/frame_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace zlm {
namespace {

using test::settle;

namespace fs = std::filesystem;
const std::string kResDir = ZLM_RES_DIR;

QStringList menuTitles(QMainWindow& frame)
{
    QStringList titles;
    for (QAction* a : frame.menuBar()->actions())
        titles << a->text();
    return titles;
}

// Texts of the items of top-level menu `title` (submenus by their title).
QStringList menuItems(QMainWindow& frame, const QString& title)
{
    QStringList items;
    for (QAction* a : frame.menuBar()->actions()) {
        if (a->text() != title)
            continue;
        for (QAction* item : a->menu()->actions()) {
            if (!item->isSeparator())
                items << item->text();
        }
    }
    return items;
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::useCenturyFont();
        ASSERT_TRUE(test::loadDefinition(m_app));
        m_app.workingDirectory = m_dir.string();
        m_app.screenWidth = 1024;
        m_app.screenHeight = 768;
        m_prompts = test::scriptPrompts(m_app);
        m_frame = std::make_unique<CMainFrame>(m_app);
        ASSERT_TRUE(test::showActive(*m_frame));
    }

    void TearDown() override
    {
        m_frame.reset();
        settle();
    }

    // A real key press on whatever has the focus in the frame.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != m_frame.get())
            target = m_frame.get();
        QTest::keyClick(target, k, mods);
        settle();
    }

    std::string copyOfStandardData()
    {
        const fs::path target = m_dir / "Standard_data.lyn";
        fs::copy_file(kResDir + "/Standard_data.lyn", target, fs::copy_options::overwrite_existing);
        return target.string();
    }

    // Opens the standard data through Ctrl+O and the scripted file dialog.
    void openStandard()
    {
        m_path = copyOfStandardData();
        m_prompts->queuePath(m_path);
        key(Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(m_app.data().loaded());
        m_prompts->clear();
    }

    CVexView* viewOfKind(ViewKind kind) { return m_frame->document()->viewOfKind(kind); }
    MapDefinition& map() { return *m_app.data().currentMap(); }

    // First, so that the folder outlives everything that may write into it.
    test::TempDir m_tempDir;
    fs::path m_dir = m_tempDir.path();
    CVexApp m_app;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
    std::string m_path;
};

TEST_F(MainFrameTest, StartsCentredWithTheMenuWithoutData)
{
    EXPECT_EQ(m_frame->size(), QSize(600, 460));
    EXPECT_EQ(m_frame->pos(), QPoint((1024 - 600) / 2, (768 - 460) / 2));
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Tavoreth Racing Tool"));
    EXPECT_EQ(m_frame->shownMenu(), MenuId::NoData);
    EXPECT_EQ(menuTitles(*m_frame), (QStringList{"&File", "&Set", "&Help"}));
    EXPECT_EQ(menuItems(*m_frame, "&File"), (QStringList{"&Open", "E&xit"}));
    EXPECT_EQ(menuItems(*m_frame, "&Set"), (QStringList{"&Directory..."}));
    EXPECT_EQ(menuItems(*m_frame, "&Help"), (QStringList{"&Tool box...", "&About LYN_R..."}));
    EXPECT_EQ(m_frame->actions(cmd::kOpen).at(0)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(m_frame->actions(cmd::kExit).at(0)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));

    // The edit bar's controls and their texts; the icon buttons show their icons only.
    EditBar& bar = m_frame->editBar();
    for (int id : EditBar::kButtonCommands) {
        QToolButton* button = bar.button(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->text(), QStringLiteral("Button1")) << id;
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << id;
        EXPECT_FALSE(button->icon().isNull()) << id;
    }
    QStringList captions;
    for (QLabel* label : bar.findChildren<QLabel*>())
        captions << label->text();
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"&Data", "&Line", "La&bel", "Point"}));
    EXPECT_EQ(bar.allCheck()->text(), QStringLiteral("&ALL"));
    EXPECT_EQ(bar.okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(bar.dataField()->maxLength(), 8);
    EXPECT_TRUE(bar.pointField()->isReadOnly());
}

TEST_F(MainFrameTest, EnableRulesWithoutData)
{
    EXPECT_TRUE(m_frame->isEnabled(cmd::kOpen));
    for (int id : {cmd::kSave, cmd::kMenu, cmd::kMonitor, cmd::kConstantsList,
                   cmd::kDataExchange, cmd::kItemSet, cmd::kUndo, cmd::kCopy, cmd::kPaste,
                   cmd::kOpenMap, cmd::kOpenTable, cmd::kIndividualEdit, cmd::kMultiMapEdit,
                   cmd::kLineUp, cmd::kPageUp, cmd::kAll})
        EXPECT_FALSE(m_frame->isEnabled(id)) << id;
    for (int id : {cmd::kClose, cmd::kExit, cmd::kRs232c, cmd::kTitle, cmd::kDirectory,
                   cmd::kStart, cmd::kStop, cmd::kToolBox, cmd::kAbout})
        EXPECT_TRUE(m_frame->isEnabled(id)) << id;
    // Stop carries the check mark while the port is closed.
    EXPECT_TRUE(m_frame->isChecked(cmd::kStop));
    EXPECT_FALSE(m_frame->isChecked(cmd::kStart));
    // The edit bar's buttons follow their commands.
    EXPECT_TRUE(m_frame->editBar().button(cmd::kOpen)->isEnabled());
    EXPECT_FALSE(m_frame->editBar().button(cmd::kSave)->isEnabled());
    EXPECT_FALSE(m_frame->execute(cmd::kSave));
}

TEST_F(MainFrameTest, OpenShowsTheFileDialogThenAMapAndATableWindowTiled)
{
    m_path = copyOfStandardData();
    m_prompts->queuePath(m_path);
    key(Qt::Key_O, Qt::ControlModifier);

    ASSERT_EQ(m_prompts->records().size(), 1u);
    const PromptRecord& dialog = m_prompts->records()[0];
    EXPECT_EQ(dialog.kind, PromptKind::OpenFile);
    EXPECT_EQ(dialog.file.title, "Open File");
    EXPECT_EQ(dialog.file.defaultExtension, "lyn");
    EXPECT_EQ(dialog.file.filter, "ZLM-350 Data Files(*.lyn)|*.lyn|All Files(*.*)|*.*||");
    EXPECT_EQ(dialog.file.initialDirectory, m_dir.string());

    EXPECT_EQ(m_frame->windowTitle(), QString::fromStdString("Tavoreth Racing Tool - " + m_path));
    ASSERT_NE(m_frame->document(), nullptr);
    ASSERT_EQ(m_frame->mdiArea().subWindowList().size(), 2);
    CVexView* mapView = viewOfKind(ViewKind::Map);
    CVexView* tableView = viewOfKind(ViewKind::Table);
    ASSERT_TRUE(mapView && tableView);
    EXPECT_EQ(mapView->childFrame()->windowTitle(), QStringLiteral("MAP - Fuel Map1"));
    EXPECT_EQ(tableView->childFrame()->windowTitle(), QStringLiteral("TABLE - Fuel Map1"));
    // Tiled: the map window above the table window, both as wide as the area.
    const QRect mapRect = mapView->childFrame()->geometry();
    const QRect tableRect = tableView->childFrame()->geometry();
    EXPECT_EQ(mapRect.top(), 0);
    EXPECT_LT(mapRect.bottom(), tableRect.top());
    EXPECT_EQ(mapRect.width(), m_frame->mdiArea().viewport()->width());
    EXPECT_EQ(tableRect.width(), mapRect.width());
    EXPECT_EQ(m_frame->activeView(), tableView);

    // The edit bar shows the maps and the lines of the first one.
    EditBar& bar = m_frame->editBar();
    EXPECT_EQ(bar.labelCombo()->count(), static_cast<int>(m_app.data().maps().size()));
    EXPECT_EQ(bar.labelCombo()->currentText(), QStringLiteral("Fuel Map1"));
    EXPECT_EQ(bar.lineCombo()->count(), map().z.count);
    EXPECT_EQ(bar.lineCombo()->currentIndex(), 0);
    EXPECT_FALSE(bar.dataField()->text().isEmpty());
    EXPECT_FALSE(bar.dataField()->isVisible());
}

TEST_F(MainFrameTest, MenusFollowTheDataSetAndTheActiveWindow)
{
    openStandard();
    EXPECT_EQ(m_frame->frameMenu(), MenuId::Loaded);
    EXPECT_EQ(m_frame->shownMenu(), MenuId::Child);
    EXPECT_EQ(menuTitles(*m_frame),
              (QStringList{"&File", "&Edit", "&Monitor", "&Set", "&Window", "&Help"}));
    EXPECT_EQ(menuItems(*m_frame, "&File"),
              (QStringList{"&Close", "&Save...", "&Menu...", "E&xit"}));
    EXPECT_EQ(menuItems(*m_frame, "&Edit"),
              (QStringList{"&Undo", "&Redo", "&Copy", "&Paste", "Select All", "Set Value...",
                           "Add...", "Scale...", "Interpolate", "Smooth", "&Multi Map Edit...",
                           "&Individual Edit"}));
    EXPECT_EQ(menuItems(*m_frame, "&Monitor"),
              (QStringList{"&Monitor...", "St&art", "St&op", "&Item set..."}));
    EXPECT_EQ(menuItems(*m_frame, "&Set"),
              (QStringList{"&RS232C...", "&Title...", "&Constants list...", "Data &Exchange...",
                           "&Directory..."}));
    EXPECT_EQ(menuItems(*m_frame, "&Window"),
              (QStringList{"&Open", "&Cascade", "&Tile", "&All", "Shading", "&Monitor Dialog"}));
    EXPECT_EQ(m_frame->actions(cmd::kMenu).at(0)->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(m_frame->actions(cmd::kAll).at(0)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_A));

    // Closing both windows leaves the frame menu of a loaded data set.
    m_frame->document()->CloseAllWindows();
    settle();
    EXPECT_EQ(m_frame->document(), nullptr);
    EXPECT_EQ(m_frame->shownMenu(), MenuId::Loaded);
    EXPECT_EQ(menuTitles(*m_frame), (QStringList{"&File", "&Monitor", "&Set", "&Window", "&Help"}));
    EXPECT_EQ(menuItems(*m_frame, "&Monitor"),
              (QStringList{"&Monitor...", "St&art", "St&op", "Item set..."}));
    EXPECT_EQ(menuItems(*m_frame, "&Window"),
              (QStringList{"&Open", "&Cascade", "&Tile", "Shading", "&Monitor Dialog"}));
    // The document-closed state of the edit bar.
    EXPECT_EQ(m_frame->editBar().lineCombo()->count(), 0);
    EXPECT_TRUE(m_frame->editBar().dataField()->text().isEmpty());
    EXPECT_FALSE(m_frame->editBar().allCheck()->isEnabled());

    // File, Close of an unchanged data set asks nothing and goes back to menu 2.
    ASSERT_TRUE(m_frame->execute(cmd::kClose));
    EXPECT_TRUE(m_prompts->records().empty());
    EXPECT_FALSE(m_app.data().loaded());
    EXPECT_EQ(m_frame->shownMenu(), MenuId::NoData);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Tavoreth Racing Tool"));
    EXPECT_EQ(m_frame->editBar().labelCombo()->count(), 0);
    EXPECT_TRUE(m_frame->isEnabled(cmd::kOpen));
}

TEST_F(MainFrameTest, CloseAsksOnlyWhenTheDataSetIsModified)
{
    openStandard();
    m_app.data().modified = true;
    m_prompts->queue(Answer::Cancel);
    ASSERT_TRUE(m_frame->execute(cmd::kClose));
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text,
              "Are you sure you want to close without saving the change ?");
    EXPECT_EQ(m_prompts->records()[0].icon, Icon::Question);
    EXPECT_EQ(m_prompts->records()[0].buttons, Buttons::OkCancel);
    EXPECT_TRUE(m_app.data().loaded());
    EXPECT_EQ(m_frame->mdiArea().subWindowList().size(), 2);

    m_prompts->queue(Answer::Ok);
    ASSERT_TRUE(m_frame->execute(cmd::kClose));
    settle();
    EXPECT_EQ(m_prompts->records().size(), 2u);
    EXPECT_FALSE(m_app.data().loaded());
    EXPECT_TRUE(m_frame->mdiArea().subWindowList().isEmpty());
    EXPECT_EQ(m_frame->shownMenu(), MenuId::NoData);
}

TEST_F(MainFrameTest, ExitAsksWhenModifiedAndCancelKeepsEverything)
{
    openStandard();
    m_app.data().modified = true;
    m_prompts->queue(Answer::Cancel);
    ASSERT_TRUE(m_frame->execute(cmd::kExit));
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text,
              "Are you sure you want to close without saving the change ?");
    EXPECT_TRUE(m_frame->isVisible());
    EXPECT_TRUE(m_app.data().loaded());

    m_prompts->queue(Answer::Ok);
    EXPECT_TRUE(m_frame->close());
    EXPECT_FALSE(m_frame->isVisible());
    EXPECT_FALSE(m_app.data().loaded());
}

TEST_F(MainFrameTest, ExitOfAnUnchangedDataSetAsksNothing)
{
    openStandard();
    EXPECT_TRUE(m_frame->close());
    EXPECT_TRUE(m_prompts->records().empty());
    EXPECT_FALSE(m_frame->isVisible());
}

TEST_F(MainFrameTest, AFileThatCannotBeOpenedSaysSo)
{
    m_prompts->queuePath((m_dir / "missing.lyn").string());
    ASSERT_TRUE(m_frame->execute(cmd::kOpen));
    ASSERT_EQ(m_prompts->records().size(), 2u);
    EXPECT_EQ(m_prompts->records()[1].text, "Failed to open file");
    EXPECT_EQ(m_prompts->records()[1].icon, Icon::Exclamation);
    EXPECT_FALSE(m_app.data().loaded());
    EXPECT_EQ(m_frame->shownMenu(), MenuId::NoData);
}

TEST_F(MainFrameTest, AFormatErrorShowsItsMessageAndThenTheFileError)
{
    const fs::path bad = m_dir / "bad.lyn";
    std::ofstream(bad) << "; no data section here\r\n[Title]\r\nx\r\n";
    m_prompts->queuePath(bad.string());
    ASSERT_TRUE(m_frame->execute(cmd::kOpen));
    ASSERT_EQ(m_prompts->records().size(), 3u);
    EXPECT_EQ(m_prompts->records()[1].text, "[Data] section is not found");
    EXPECT_EQ(m_prompts->records()[1].icon, Icon::Stop);
    EXPECT_EQ(m_prompts->records()[2].text, "An unknown error occurred while accessing .");
    EXPECT_EQ(m_prompts->records()[2].icon, Icon::Stop);
    EXPECT_FALSE(m_app.data().loaded());
    EXPECT_TRUE(m_frame->mdiArea().subWindowList().isEmpty());
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Tavoreth Racing Tool"));
}

TEST_F(MainFrameTest, CancelledOpenDialogChangesNothing)
{
    m_prompts->queueCancel();
    key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(m_prompts->records().size(), 1u);
    EXPECT_FALSE(m_app.data().loaded());
}

TEST_F(MainFrameTest, ASecondWindowOfAKindIsRefusedUntilTheFirstCloses)
{
    openStandard();
    EXPECT_FALSE(m_frame->isEnabled(cmd::kOpenMap));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kOpenTable));
    EXPECT_FALSE(m_frame->execute(cmd::kOpenMap));
    EXPECT_EQ(m_frame->openWindow(ViewKind::Table), nullptr);
    EXPECT_EQ(m_frame->mdiArea().subWindowList().size(), 2);

    CChildFrame* mapChild = viewOfKind(ViewKind::Map)->childFrame();
    mapChild->close();
    settle();
    EXPECT_EQ(m_frame->mdiArea().subWindowList().size(), 1);
    EXPECT_TRUE(m_frame->isEnabled(cmd::kOpenMap));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kOpenTable));
    ASSERT_TRUE(m_frame->execute(cmd::kOpenMap));
    EXPECT_EQ(m_frame->mdiArea().subWindowList().size(), 2);
    EXPECT_NE(viewOfKind(ViewKind::Map), nullptr);
}

TEST_F(MainFrameTest, OpenMapWithoutWindowsShowsTheLabelsMap)
{
    openStandard();
    m_frame->document()->CloseAllWindows();
    settle();
    QComboBox* labels = m_frame->editBar().labelCombo();
    labels->setCurrentIndex(labels->findText(QStringLiteral("Ign Map2")));
    ASSERT_TRUE(m_frame->execute(cmd::kOpenTable));
    settle();
    EXPECT_EQ(map().name, "Ign Map2");
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(m_frame->shownMenu(), MenuId::Child);
    EXPECT_EQ(m_frame->activeWindow()->kind(), ViewKind::Table);
    EXPECT_EQ(m_frame->editBar().lineCombo()->count(), map().z.count);
    // The new child fills the area of the windows.
    EXPECT_EQ(m_frame->activeChild()->geometry().topLeft(), QPoint(0, 0));

    ASSERT_TRUE(m_frame->execute(cmd::kTile));
    ASSERT_TRUE(m_frame->execute(cmd::kOpenMap));
    EXPECT_EQ(m_frame->mdiArea().subWindowList().size(), 2);
    EXPECT_EQ(map().name, "Ign Map2");
}

TEST_F(MainFrameTest, EditBarOfAConfigMapShowsTheListValues)
{
    auto lines = readTextLines(kResDir + "/ZLM350_config.def");
    ASSERT_TRUE(lines.has_value());
    m_app.definitionLines = std::move(*lines);
    const fs::path data = m_dir / "Config_data.lyn";
    fs::copy_file(kResDir + "/Config_data.lyn", data);
    m_prompts->queuePath(data.string());
    key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(m_app.data().loaded());
    ASSERT_EQ(m_app.data().mapMode, MapMode::Config);

    EditBar& bar = m_frame->editBar();
    EXPECT_EQ(bar.lineCombo()->count(), 8);
    EXPECT_EQ(bar.lineCombo()->itemText(7), QStringLiteral("100.0"));
    EXPECT_EQ(bar.pointField()->text(), QStringLiteral("1500"));
    map().edit.point = 11;
    bar.refresh();
    EXPECT_EQ(bar.pointField()->text(), QStringLiteral("12500"));
    map().edit.point = 12;  // beyond the list
    bar.refresh();
    EXPECT_TRUE(bar.pointField()->text().isEmpty());
    // Shift+F5 is for free maps only.
    key(Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
}

TEST_F(MainFrameTest, ClosingTheLastWindowOfAChangedDataSetAsksFirst)
{
    openStandard();
    m_app.data().modified = true;
    viewOfKind(ViewKind::Map)->childFrame()->close();
    settle();
    EXPECT_TRUE(m_prompts->records().empty());  // another window stays

    CChildFrame* table = viewOfKind(ViewKind::Table)->childFrame();
    m_prompts->queue(Answer::Cancel);
    EXPECT_FALSE(table->close());
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text,
              "Are you sure you want to close without saving the change ?");
    EXPECT_NE(m_frame->document(), nullptr);

    m_prompts->queue(Answer::Ok);
    EXPECT_TRUE(table->close());
    settle();
    EXPECT_EQ(m_frame->document(), nullptr);
    EXPECT_TRUE(m_app.data().loaded());  // closing windows loses nothing
    EXPECT_EQ(m_frame->shownMenu(), MenuId::Loaded);
}

TEST_F(MainFrameTest, AViewOfAnUnknownKindIsNotCreated)
{
    openStandard();
    CVexDoc& doc = *m_frame->document();
    m_app.data().nextViewKind = 2;
    EXPECT_EQ(CChildFrame::create(m_app, doc, m_frame->mdiArea()), nullptr);
    EXPECT_EQ(doc.views().size(), 2u);
}

TEST_F(MainFrameTest, BatchConversionWritesTheCsvAndClosesTheFrame)
{
    m_app.batchSource = copyOfStandardData();
    m_app.batchTarget = (m_dir / "out.csv").string();
    m_frame->runBatchConversion();
    EXPECT_TRUE(m_prompts->records().empty());
    EXPECT_TRUE(fs::exists(m_dir / "out.csv"));
    EXPECT_FALSE(m_frame->isVisible());
}

TEST_F(MainFrameTest, BatchConversionOfAMissingFileReportsAndClosesTheFrame)
{
    m_app.batchSource = (m_dir / "missing.lyn").string();
    m_app.batchTarget = (m_dir / "out.csv").string();
    m_frame->runBatchConversion();
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text, "Failed to open file");
    EXPECT_EQ(m_prompts->records()[0].icon, Icon::Exclamation);
    EXPECT_FALSE(fs::exists(m_dir / "out.csv"));
    EXPECT_FALSE(m_frame->isVisible());
}

TEST_F(MainFrameTest, SaveAsksForTheNameAndRetitlesTheFrame)
{
    openStandard();
    m_app.data().modified = true;
    const std::string target = (m_dir / "saved.lyn").string();
    m_prompts->queuePath(target);
    ASSERT_TRUE(m_frame->execute(cmd::kSave));
    ASSERT_EQ(m_prompts->records().size(), 1u);
    const PromptRecord& dialog = m_prompts->records()[0];
    EXPECT_EQ(dialog.kind, PromptKind::SaveFile);
    EXPECT_EQ(dialog.file.title, "Save As");
    EXPECT_EQ(dialog.file.initialName, "Standard_data.lyn");
    EXPECT_EQ(dialog.file.defaultExtension, "lyn");
    EXPECT_TRUE(fs::exists(target));
    EXPECT_EQ(m_app.data().path(), target);
    EXPECT_FALSE(m_app.data().modified);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Tavoreth Racing Tool - saved.lyn"));

    // A window opened beside another joins the open document: the title stays.
    viewOfKind(ViewKind::Map)->childFrame()->close();
    settle();
    ASSERT_TRUE(m_frame->execute(cmd::kOpenMap));
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Tavoreth Racing Tool - saved.lyn"));
    // With no window left, opening one opens the document, which names the file's path.
    m_frame->document()->CloseAllWindows();
    settle();
    ASSERT_TRUE(m_frame->execute(cmd::kOpenTable));
    EXPECT_EQ(m_frame->windowTitle(), QString::fromStdString("Tavoreth Racing Tool - " + target));
}

TEST_F(MainFrameTest, AFailedSaveSaysSoAndKeepsThePath)
{
    openStandard();
    m_app.data().modified = true;
    m_prompts->queuePath((m_dir / "no such folder" / "x.lyn").string());
    ASSERT_TRUE(m_frame->execute(cmd::kSave));
    ASSERT_EQ(m_prompts->records().size(), 2u);
    EXPECT_EQ(m_prompts->records()[1].text, "ZLM-350 Data File Save Error!");
    EXPECT_EQ(m_prompts->records()[1].icon, Icon::Exclamation);
    EXPECT_EQ(m_app.data().path(), m_path);
    EXPECT_TRUE(m_app.data().modified);
}

TEST_F(MainFrameTest, LineKeysStepThroughTheLinesWithinBounds)
{
    openStandard();
    QComboBox* lines = m_frame->editBar().lineCombo();
    EXPECT_FALSE(m_frame->isEnabled(cmd::kLineUp));
    EXPECT_TRUE(m_frame->isEnabled(cmd::kLineDown));
    key(Qt::Key_F3);
    EXPECT_EQ(lines->currentIndex(), 1);
    EXPECT_EQ(map().edit.line, 1);
    key(Qt::Key_F2);
    EXPECT_EQ(lines->currentIndex(), 0);
    EXPECT_EQ(map().edit.line, 0);
    key(Qt::Key_F2);  // already on the first line
    EXPECT_EQ(map().edit.line, 0);

    const int last = lines->count() - 1;
    m_frame->selectLine(last);
    m_frame->editBar().refresh();
    EXPECT_EQ(lines->currentIndex(), last);
    EXPECT_FALSE(m_frame->isEnabled(cmd::kLineDown));
    key(Qt::Key_F3);
    EXPECT_EQ(map().edit.line, last);
}

TEST_F(MainFrameTest, LabelSelectionRetargetsEveryWindow)
{
    openStandard();
    QComboBox* labels = m_frame->editBar().labelCombo();
    labels->setFocus();
    QTest::keyClick(labels, Qt::Key_Down);
    settle();
    EXPECT_EQ(map().name, "Fuel Map2");
    EXPECT_EQ(viewOfKind(ViewKind::Map)->childFrame()->windowTitle(),
              QStringLiteral("MAP - Fuel Map2"));
    EXPECT_EQ(viewOfKind(ViewKind::Table)->childFrame()->windowTitle(),
              QStringLiteral("TABLE - Fuel Map2"));
    EXPECT_EQ(m_frame->editBar().lineCombo()->count(), map().z.count);

    // A lookup that links the label to another map is followed.
    m_frame->hooks().linkLookup = [](const std::string& label) -> std::optional<std::string> {
        if (label == "Ign Map1")
            return std::string("Ign Map3");
        return std::nullopt;
    };
    m_frame->selectLabel("Ign Map1");
    EXPECT_EQ(map().name, "Ign Map3");
    EXPECT_EQ(labels->currentText(), QStringLiteral("Ign Map3"));
}

TEST_F(MainFrameTest, AllFlagTogglesAndIsRefusedForASingleLineMap)
{
    openStandard();
    EXPECT_TRUE(m_frame->isEnabled(cmd::kAll));
    EXPECT_FALSE(m_frame->isChecked(cmd::kAll));
    key(Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(map().edit.all, 1);
    EXPECT_TRUE(m_frame->isChecked(cmd::kAll));
    EXPECT_EQ(m_frame->editBar().allCheck()->checkState(), Qt::Checked);
    key(Qt::Key_F4);
    EXPECT_EQ(map().edit.all, 0);

    map().z.count = 1;  // as if the map had a single line
    key(Qt::Key_F4);
    EXPECT_EQ(map().edit.all, 0);
    key(Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(map().edit.all, 0);
    EXPECT_EQ(m_frame->editBar().allCheck()->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(m_frame->isEnabled(cmd::kAll));
}

TEST_F(MainFrameTest, DataFieldAppliesOnEnterAndWritesOnlyAChange)
{
    openStandard();
    EditBar& bar = m_frame->editBar();
    const std::uint16_t address = dataCellAddress(map(), 0, 0);
    const std::uint8_t before = m_app.data().read(address);

    // Enter in a control of the bar (the Label combo) applies the Data field.
    auto enterInBar = [&] {
        bar.labelCombo()->setFocus();
        key(Qt::Key_Return);
    };
    // The same value writes nothing.
    enterInBar();
    EXPECT_FALSE(m_app.data().modified);
    EXPECT_TRUE(m_prompts->records().empty());

    // A new value: raw = value / 0.05, inside the FUEL limits.
    bar.dataField()->setText(QStringLiteral("5"));
    enterInBar();
    EXPECT_EQ(m_app.data().read(address), 100);
    EXPECT_EQ(map().edit.currentValue, 100);
    EXPECT_TRUE(m_app.data().modified);
    EXPECT_EQ(bar.dataField()->text(), QStringLiteral("5.0"));
    EXPECT_TRUE(map().edit.undo.empty());  // not an undoable edit

    // As in the table: 2.6 / 0.05 is 51.99999 in single precision, yet 52.
    bar.dataField()->setText(QStringLiteral("2.6"));
    enterInBar();
    EXPECT_EQ(m_app.data().read(address), 52);
    EXPECT_EQ(bar.dataField()->text(), QStringLiteral("2.6"));

    // Above the upper edit limit (12): clamped to the limit.
    bar.dataField()->setText(QStringLiteral("50"));
    enterInBar();
    EXPECT_EQ(m_app.data().read(address), map().edit.upperLimit);

    // Wrong characters: refilled from the data set, and message 1536.
    bar.dataField()->setText(QStringLiteral("1-2"));
    enterInBar();
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text, "Including wrong word");
    EXPECT_EQ(m_prompts->records()[0].icon, Icon::Exclamation);
    EXPECT_NE(bar.dataField()->text(), QStringLiteral("1-2"));
    EXPECT_NE(before, 0);  // the sample has data here
}

TEST_F(MainFrameTest, UndoNamesTheChangeAndTakesItBack)
{
    openStandard();
    EXPECT_FALSE(m_frame->isEnabled(cmd::kUndo));
    EXPECT_EQ(m_frame->actions(cmd::kUndo).at(0)->text(), QStringLiteral("&Undo"));

    const std::uint16_t address = dataCellAddress(map(), 0, 0);
    const std::uint8_t before = m_app.data().read(address);
    RecordChange(map(), UndoOrigin::Typed, m_app.undoSize);
    m_app.data().write(address, static_cast<std::uint8_t>(before + 1));
    map().edit.currentValue = static_cast<std::uint16_t>(before + 1);
    m_frame->updateCommandStates();
    EXPECT_TRUE(m_frame->isEnabled(cmd::kUndo));
    QAction* undo = m_frame->actions(cmd::kUndo).at(0);
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo(Edit DATA)"));
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m_app.data().read(address), before);
    EXPECT_TRUE(map().edit.undo.empty());
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo"));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kUndo));
}

TEST_F(MainFrameTest, ThrotHeaderEditAndItsUndoRenameTheLineEntry)
{
    openStandard();
    auto* table = dynamic_cast<TableWindow*>(viewOfKind(ViewKind::Table)->window());
    ASSERT_NE(table, nullptr);
    QComboBox* lines = m_frame->editBar().lineCombo();
    ASSERT_EQ(lines->itemText(2), QStringLiteral("10.0"));

    // The THROT header of the third line, typed over with the keyboard.
    const int w = table->cellWidth();
    const int h = table->cellHeight();
    QTest::mouseClick(table, Qt::LeftButton, {}, QPoint(w / 2, h + 2 * h + h / 2));
    settle();
    ASSERT_EQ(map().edit.part, EditPart::Throt);
    CellEditor* header = table->headerEditor();
    header->selectAll();
    QTest::keyClicks(header, QStringLiteral("15"));
    QTest::keyClick(header, Qt::Key_Return);
    settle();
    EXPECT_EQ(readZPoint(m_app.data().image(), map(), 2), 30);
    EXPECT_EQ(lines->itemText(2), QStringLiteral("15.0"));
    EXPECT_EQ(lines->count(), map().z.count);
    // The Undo button is ready at once; the menu item names the change.
    EXPECT_TRUE(m_frame->editBar().button(cmd::kUndo)->isEnabled());
    EXPECT_EQ(m_frame->actions(cmd::kUndo).at(0)->text(), QStringLiteral("&Undo(Edit THROT)"));

    // Undo from the frame's key puts the old value back into the image and the combo.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readZPoint(m_app.data().image(), map(), 2), 20);
    EXPECT_EQ(lines->itemText(2), QStringLiteral("10.0"));
    EXPECT_EQ(lines->currentIndex(), 2);
    EXPECT_EQ(m_frame->actions(cmd::kUndo).at(0)->text(), QStringLiteral("&Undo"));
}

TEST_F(MainFrameTest, PartSwitchMovesBetweenDataAndRpm)
{
    openStandard();
    ASSERT_EQ(map().edit.part, EditPart::Data);
    key(Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Rpm);
    EXPECT_EQ(map().edit.currentValue, readXPoint(m_app.data().image(), map(), 0, 0));
    EXPECT_TRUE(m_frame->editBar().dataField()->text().isEmpty());
    EXPECT_FALSE(m_frame->editBar().pointField()->text().isEmpty());
    key(Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
}

// Records the moves the frame sends to the active window.
TEST_F(MainFrameTest, StepKeysAreSentToTheActiveWindowOnlyWhileOneIsActive)
{
    openStandard();
    EditWindow* table = m_frame->activeWindow();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->kind(), ViewKind::Table);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.point, 1);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.point, 2);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.point, 1);
    EXPECT_FALSE(m_app.data().modified);

    m_frame->document()->CloseAllWindows();
    settle();
    EXPECT_FALSE(m_frame->isEnabled(cmd::kShiftLeft));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kPageUp));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kToggleAll));
}

TEST_F(MainFrameTest, FocusKeysMoveBetweenTheEditBarAndTheWindow)
{
    openStandard();
    QComboBox* labels = m_frame->editBar().labelCombo();
    CVexView* table = viewOfKind(ViewKind::Table);
    ASSERT_TRUE(table->isAncestorOf(QApplication::focusWidget()));
    key(Qt::Key_F5);
    EXPECT_EQ(QApplication::focusWidget(), labels);
    key(Qt::Key_F5);
    EXPECT_TRUE(table->isAncestorOf(QApplication::focusWidget()));
    key(Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), m_frame->editBar().lineCombo());
    key(Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), labels);
}

TEST_F(MainFrameTest, PlainArrowsStillMoveTheCaretOfTheTableEditField)
{
    openStandard();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("12.5"));
    editor->setCursorPosition(4);
    key(Qt::Key_Left);
    EXPECT_EQ(editor->cursorPosition(), 3);
    EXPECT_EQ(map().edit.point, 0);
}

TEST_F(MainFrameTest, ClipboardKeysGoToTheTableEvenFromItsEditField)
{
    openStandard();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("12.5"));
    editor->setSelection(0, 1);
    m_frame->updateCommandStates();
    EXPECT_TRUE(m_frame->isEnabled(cmd::kCopy));
    key(Qt::Key_C, Qt::ControlModifier);
    // The frame's Copy takes the whole text, not the selected part.
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("12.5"));
    EXPECT_TRUE(m_frame->isEnabled(cmd::kPaste));

    editor->deselect();
    m_frame->updateCommandStates();
    EXPECT_FALSE(m_frame->isEnabled(cmd::kCopy));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kCut));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kPaste));

    // Not on the map window.
    m_frame->mdiArea().setActiveSubWindow(viewOfKind(ViewKind::Map)->childFrame());
    settle();
    EXPECT_EQ(m_frame->activeWindow()->kind(), ViewKind::Map);
    EXPECT_FALSE(m_frame->isEnabled(cmd::kCopy));
}

TEST_F(MainFrameTest, MenuHookChoosesTheMapAndCancelLeavesNoWindows)
{
    m_frame->hooks().menuDialog = [] { return std::optional<int>(5); };
    openStandard();
    EXPECT_EQ(map().name, m_app.data().maps()[5].name);
    EXPECT_EQ(viewOfKind(ViewKind::Table)->childFrame()->windowTitle(),
              QString::fromStdString("TABLE - " + map().name));

    // F1 with both windows open only re-targets them.
    m_frame->hooks().menuDialog = [] { return std::optional<int>(1); };
    key(Qt::Key_F1);
    EXPECT_EQ(map().name, m_app.data().maps()[1].name);
    EXPECT_EQ(m_frame->mdiArea().subWindowList().size(), 2);

    ASSERT_TRUE(m_frame->execute(cmd::kClose));
    m_frame->hooks().menuDialog = [] { return std::optional<int>(); };
    openStandard();
    EXPECT_TRUE(m_frame->mdiArea().subWindowList().isEmpty());
    EXPECT_EQ(m_frame->shownMenu(), MenuId::Loaded);
}

TEST_F(MainFrameTest, IndividualEditAsksAndClearsTheLink)
{
    openStandard();
    EXPECT_FALSE(m_frame->isEnabled(cmd::kIndividualEdit));
    EXPECT_TRUE(m_frame->isEnabled(cmd::kMultiMapEdit));  // numbered maps, a window open
    m_app.data().linkMode = 0;
    m_app.data().linkList = {"Fuel Map1", "Fuel Map2"};
    int presetReads = 0;
    m_frame->hooks().reloadPresetLink = [&presetReads] { ++presetReads; };

    m_prompts->queue(Answer::Cancel);
    ASSERT_TRUE(m_frame->execute(cmd::kIndividualEdit));
    EXPECT_EQ(m_app.data().linkMode, 0);

    m_prompts->queue(Answer::Ok);
    ASSERT_TRUE(m_frame->execute(cmd::kIndividualEdit));
    ASSERT_EQ(m_prompts->records().size(), 2u);
    EXPECT_EQ(m_prompts->records()[1].text, "Do you cancel map link?");
    EXPECT_EQ(m_prompts->records()[1].icon, Icon::Question);
    EXPECT_EQ(m_app.data().linkMode, kNoLink);
    EXPECT_TRUE(m_app.data().linkList.empty());
    EXPECT_EQ(presetReads, 1);
    EXPECT_EQ(m_frame->editBar().labelCombo()->currentText(), QString::fromStdString(map().name));
}

TEST_F(MainFrameTest, ClosingTheWindowsOfALinkedDataSetClearsTheLink)
{
    openStandard();
    m_app.data().linkMode = 1;
    m_app.data().linkList = {"Fuel Map1"};
    m_frame->document()->CloseAllWindows();
    settle();
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text, "Map link was cleared.");
    EXPECT_EQ(m_app.data().linkMode, kNoLink);
    EXPECT_EQ(m_frame->editBar().labelCombo()->count(),
              static_cast<int>(m_app.data().maps().size()));
}

TEST_F(MainFrameTest, HooksRunTheirCommandsAndDriveTheCheckMarks)
{
    openStandard();
    bool open = false;
    int dataExchanges = 0;
    m_frame->hooks().toggleMonitorDialog = [&open] { open = !open; };
    m_frame->hooks().monitorDialogOpen = [&open] { return open; };
    m_frame->hooks().dataExchange = [&dataExchanges] { ++dataExchanges; };
    EXPECT_FALSE(m_frame->isEnabled(cmd::kMonitorDialog));
    m_frame->editBar().button(cmd::kMonitor)->click();
    EXPECT_TRUE(open);
    EXPECT_TRUE(m_frame->isChecked(cmd::kMonitor));
    EXPECT_TRUE(m_frame->actions(cmd::kMonitor).at(0)->isChecked());
    EXPECT_TRUE(m_frame->isEnabled(cmd::kMonitorDialog));
    m_frame->editBar().button(cmd::kDataExchange)->click();
    EXPECT_EQ(dataExchanges, 1);
    // Without a hook a command runs and does nothing.
    EXPECT_TRUE(m_frame->execute(cmd::kRs232c));
}

TEST_F(MainFrameTest, PollTimerTicksUntilStopped)
{
    int ticks = 0;
    m_frame->hooks().timerTick = [&ticks] { ++ticks; };
    m_frame->startPollTimer();
    EXPECT_TRUE(m_frame->pollTimerActive());
    EXPECT_TRUE(QTest::qWaitFor([&ticks] { return ticks >= 3; }, 10000));
    m_frame->stopPollTimer();
    EXPECT_FALSE(m_frame->pollTimerActive());
}

} // namespace
} // namespace zlm

namespace zlm {
namespace {

// Screenshots of the frame (written to the build tree) and a check that the
// edit bar lays its controls out side by side inside the bar.
class MainFrameLookTest : public MainFrameTest {
protected:
    void expectTidyBar()
    {
        EditBar& bar = m_frame->editBar();
        QList<QWidget*> shown;
        for (QWidget* w : bar.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->isVisible())
                shown << w;
        }
        std::sort(shown.begin(), shown.end(),
                  [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
        ASSERT_GE(shown.size(), 15);
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const QRect r = shown[i]->geometry();
            EXPECT_TRUE(bar.rect().contains(r)) << shown[i]->metaObject()->className();
            if (i > 0) {
                EXPECT_LE(shown[i - 1]->geometry().right(), r.left())
                    << shown[i]->metaObject()->className();
            }
        }
        // Combos wide enough to read a map name.
        EXPECT_GE(bar.labelCombo()->width(), 90);
    }

    void save(const QString& name)
    {
        const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
        std::filesystem::create_directories(dir.toStdString());
        settle();
        EXPECT_TRUE(m_frame->grab().save(dir + "/" + name));
    }
};

TEST_F(MainFrameLookTest, ToolBoxShowsEveryButtonWithItsName)
{
    ToolBoxDialog dialog(m_frame.get());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About ToolBox"));
    QStringList names;
    int icons = 0;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->pixmap().isNull())
            ++icons;
        else
            names << label->text();
    }
    EXPECT_EQ(icons, 11);
    EXPECT_TRUE(names.contains(QStringLiteral("Multi Map Edit")));
    EXPECT_TRUE(names.contains(QStringLiteral("Constants list")));
    dialog.show();
    settle();
    const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
    std::filesystem::create_directories(dir.toStdString());
    EXPECT_TRUE(dialog.grab().save(dir + "/tool_box.png"));

    // The icons drawn large stay sharp: a sheet of them at 64 pixels.
    QPixmap sheet(11 * 68, 68);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    for (std::size_t i = 0; i < EditBar::kButtonCommands.size(); ++i)
        editBarIcon(EditBar::kButtonCommands[i]).paint(&p, QRect(int(i) * 68 + 2, 2, 64, 64));
    p.end();
    EXPECT_TRUE(sheet.save(dir + "/edit_bar_icons_64.png"));
    EXPECT_TRUE(editBarIcon(12345).isNull());
}

TEST_F(MainFrameLookTest, EmptyFrameAtTheDefaultSize)
{
    EXPECT_LE(m_frame->minimumSizeHint().width(), CMainFrame::kDefaultWidth);
    expectTidyBar();
    save(QStringLiteral("main_frame_empty.png"));
}

TEST_F(MainFrameLookTest, MapWindowsAtTheCreatedSizeAndMaximisedOnTheDefaultScreen)
{
    openStandard();
    settle();
    expectTidyBar();
    save(QStringLiteral("main_frame_windows_600x460.png"));
    m_frame->resize(1024, 768);
    m_frame->tileHorizontally();
    settle();
    expectTidyBar();
    EXPECT_LE(m_frame->editBar().labelCombo()->width(), 220);
    save(QStringLiteral("main_frame_windows_1024x768.png"));
}

TEST_F(MainFrameLookTest, MapWindowsMaximisedOnASmallScreen)
{
    // A 640 x 480 screen: the small table cells and fonts, the frame filling the screen.
    m_frame.reset();
    m_app.screenWidth = 640;
    m_app.screenHeight = 480;
    m_app.settings = AppSettings::defaultsFor(640, 480);
    m_frame = std::make_unique<CMainFrame>(m_app);
    m_frame->show();
    m_frame->resize(640, 480);
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    openStandard();
    settle();
    expectTidyBar();
    save(QStringLiteral("main_frame_windows_640x480.png"));
}

} // namespace
} // namespace zlm
