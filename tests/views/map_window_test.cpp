#include "views/map_window.h"

#include "app/vex_app.h"
#include "data/conversion.h"
#include "data/map_access.h"
#include "data/undo_stack.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"
#include "tests/test_support.h"
#include "views/cell_editor.h"
#include "views/edit_bar.h"
#include "views/graph_pane.h"
#include "views/main_frame.h"
#include "views/table_edit.h"
#include "views/table_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"
#include "tests/views/frame_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace zlm {
namespace {

using test::settle;

namespace fs = std::filesystem;
const std::string kResDir = ZLM_RES_DIR;

// The frame with the standard data open: a map window and a table window on
// the current map, as the Open command leaves them.
class MapWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::useCenturyFont();
        m_prompts = test::scriptPrompts(m_app);
    }

    void TearDown() override
    {
        m_frame.reset();
        settle();
    }

    void open(const std::string& mapName, const std::string& definition = "ZLM350.def",
        const std::string& data = "Standard_data.lyn", QSize size = QSize(1024, 768))
    {
        ASSERT_TRUE(test::loadDefinition(m_app, definition));
        m_app.workingDirectory = m_dir.path().string();
        m_frame = std::make_unique<CMainFrame>(m_app);
        m_frame->resize(size);
        ASSERT_TRUE(test::showActive(*m_frame));
        const fs::path copy = m_dir / data;
        fs::copy_file(kResDir + "/" + data, copy, fs::copy_options::overwrite_existing);
        m_prompts->queuePath(copy.string());
        m_frame->openFile();
        ASSERT_TRUE(m_app.data().loaded());
        m_frame->selectLabel(mapName);
        ASSERT_EQ(map().name, mapName);
        settle();
        ASSERT_NE(window(), nullptr);
        m_prompts->clear();
    }

    MapDefinition& map() { return *m_app.data().currentMap(); }
    MapWindow* window()
    {
        CVexView* view = m_frame->document()->viewOfKind(ViewKind::Map);
        return view ? qobject_cast<MapWindow*>(view->window()) : nullptr;
    }
    TableWindow* table()
    {
        CVexView* view = m_frame->document()->viewOfKind(ViewKind::Table);
        return view ? qobject_cast<TableWindow*>(view->window()) : nullptr;
    }
    GraphPane* graph() { return window()->graphPane(); }
    const MapGeometry& geometry() { return *window()->geometry(); }
    QPoint pointAt(int line, int point)
    {
        const auto points = geometry().linePoints(map(), m_app.data().image(), line);
        return QPoint(points[point].x, points[point].y);
    }
    std::uint8_t dataByte(int line, int point)
    {
        return readDataCell(m_app.data().image(), map(), line, point).value;
    }

    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(graph(), button, {}, at);
        settle();
    }
    void release(QPoint at)
    {
        QTest::mouseRelease(graph(), Qt::LeftButton, {}, at);
        settle();
    }
    void moveTo(QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), graph()->mapToGlobal(QPointF(at)),
            Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(graph(), &move);
        settle();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = window();
        QTest::keyClick(target, k, mods);
        settle();
    }
    std::string undoText() { return UndoMenuText(&map(), true).text; }
    // A raw DATA value as the windows show it.
    QString yText(int raw)
    {
        return QString::fromStdString(formatY(m_app.formats, physicalValue(map().y, raw)));
    }

    void saveShot(const QString& name)
    {
        const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
        fs::create_directories(dir.toStdString());
        settle();
        EXPECT_TRUE(m_frame->grab().save(dir + "/" + name));
    }

    test::TempDir m_dir;
    CVexApp m_app;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
};

// --- picking and dragging ---------------------------------------------------------------------

TEST_F(MapWindowTest, APointIsPickedFirstAndDraggedOnTheSecondPress)
{
    open("Fuel Map1");
    const std::uint8_t before = dataByte(0, 3);
    press(pointAt(0, 3));
    release(pointAt(0, 3));
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.point, 3);
    EXPECT_EQ(map().edit.editOwner, 1);
    EXPECT_FALSE(window()->dragging());
    EXPECT_EQ(dataByte(0, 3), before);
    // The table follows the pick.
    EXPECT_EQ(table()->cellEditor()->text(), QStringLiteral("1.4"));

    const QPoint start = pointAt(0, 3);
    press(start);
    ASSERT_TRUE(window()->dragging());
    moveTo(start - QPoint(0, 40));
    const int dragged = map().edit.dragValue;
    EXPECT_GT(dragged, before);
    EXPECT_EQ(dataByte(0, 3), before); // nothing written while dragging
    // The edit bar and the table show the value under the mouse.
    const QString text = yText(dragged);
    EXPECT_EQ(m_frame->editBar().dataField()->text(), text);
    EXPECT_EQ(table()->cellEditor()->text(), text);
    release(start - QPoint(0, 40));
    EXPECT_FALSE(window()->dragging());
    EXPECT_EQ(dataByte(0, 3), dragged);
    EXPECT_EQ(map().edit.currentValue, dragged);
    EXPECT_TRUE(m_app.data().modified);
    EXPECT_EQ(table()->cellEditor()->text(), text);
    EXPECT_EQ(m_frame->editBar().dataField()->text(), text);
    EXPECT_EQ(undoText(), "&Undo(Drag DATA)\tCtrl+Z");
}

TEST_F(MapWindowTest, DraggingAboveTheRangeStopsAtTheUpperLimit)
{
    open("Fuel Map1");
    const QPoint start = pointAt(0, 0);
    press(start);
    ASSERT_TRUE(window()->dragging());
    moveTo(QPoint(start.x(), 0));
    EXPECT_EQ(map().edit.dragValue, map().edit.upperLimit);
    release(QPoint(start.x(), 0));
    EXPECT_EQ(dataByte(0, 0), map().edit.upperLimit);
    m_frame->updateCommandStates();
    ASSERT_FALSE(m_frame->actions(cmd::kUndo).empty());
    // The menu shows the text before the tab and the key beside it.
    EXPECT_EQ(undoText(), std::string("&Undo(Drag ") + "DATA)\tCtrl+Z");
    EXPECT_EQ(m_frame->actions(cmd::kUndo).front()->text(), QStringLiteral("&Undo(Drag DATA)"));
    EXPECT_TRUE(m_frame->actions(cmd::kUndo).front()->isEnabled());

    // Up at the upper limit does nothing.
    key(Qt::Key_Up);
    EXPECT_EQ(dataByte(0, 0), map().edit.upperLimit);
    EXPECT_EQ(map().edit.undo.size(), 1u);
}

TEST_F(MapWindowTest, ARightClickCancelsTheDragAndWritesNothing)
{
    open("Fuel Map1");
    const std::uint8_t before = dataByte(0, 0);
    const QString shown = m_frame->editBar().dataField()->text();
    const QPoint start = pointAt(0, 0);
    press(start);
    moveTo(start - QPoint(0, 60));
    ASSERT_NE(map().edit.dragValue, before);
    press(start - QPoint(0, 60), Qt::RightButton);
    EXPECT_FALSE(window()->dragging());
    EXPECT_EQ(map().edit.dragValue, before);
    release(start - QPoint(0, 60));
    EXPECT_EQ(dataByte(0, 0), before);
    EXPECT_TRUE(map().edit.undo.empty());
    EXPECT_FALSE(m_app.data().modified);
    EXPECT_EQ(m_frame->editBar().dataField()->text(), shown);
    EXPECT_EQ(table()->cellEditor()->text(), shown);
}

TEST_F(MapWindowTest, AReleaseLostToAnotherWindowEndsTheDragAtTheNextMove)
{
    open("Fuel Map1");
    const QPoint start = pointAt(0, 0);
    press(start);
    moveTo(start - QPoint(0, 30));
    const int dragged = map().edit.dragValue;
    QMouseEvent move(QEvent::MouseMove, QPointF(start), graph()->mapToGlobal(QPointF(start)),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph(), &move);
    settle();
    EXPECT_FALSE(window()->dragging());
    EXPECT_EQ(dataByte(0, 0), dragged);
    // A new press picks again instead of being swallowed by a drag left over.
    press(pointAt(0, 2));
    release(pointAt(0, 2));
    EXPECT_EQ(map().edit.point, 2);
}

TEST_F(MapWindowTest, OtherLinesArePickedOnlyWithAllTheLowestLineFirst)
{
    open("Fuel Map1");
    // Lines 2 and 5 meet at point 6, away from line 0.
    m_app.data().image()[dataCellAddress(map(), 5, 6)] = dataByte(2, 6);
    window()->redraw();
    const QPoint meet = pointAt(2, 6);
    press(meet);
    release(meet);
    EXPECT_NE(map().edit.part, EditPart::Data); // only the RPM point by its x
    EXPECT_EQ(map().edit.line, 0);

    m_frame->execute(cmd::kToggleAll);
    ASSERT_EQ(map().edit.all, 1);
    settle();
    press(meet);
    release(meet);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.line, 2);
    EXPECT_EQ(map().edit.point, 6);
}

TEST_F(MapWindowTest, RpmPointsOfAMapOfKindTwoAreNotPickedWithAll)
{
    open("Ign Trim");
    ASSERT_EQ(map().kind, 2);
    ASSERT_GT(map().z.count, 1);
    // Below every curve, at the x of RPM point 2 of the current line.
    const QPoint below(pointAt(0, 2).x(), geometry().graphHeight() - 1);
    m_frame->execute(cmd::kToggleAll);
    ASSERT_EQ(map().edit.all, 1);
    press(below);
    release(below);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.point, 0);
    m_frame->execute(cmd::kToggleAll);
    press(below);
    release(below);
    EXPECT_EQ(map().edit.part, EditPart::Rpm);
    EXPECT_EQ(map().edit.point, 2);
}

// --- keys ------------------------------------------------------------------------------------

TEST_F(MapWindowTest, FiveUpsAreUndoneByOneUndo)
{
    open("Fuel Map1");
    press(pointAt(0, 4)); // not current: picks without dragging
    release(pointAt(0, 4));
    ASSERT_EQ(map().edit.point, 4);
    const std::uint8_t before = dataByte(0, 4);
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Up);
    EXPECT_EQ(dataByte(0, 4), before + 5);
    EXPECT_EQ(map().edit.undo.size(), 1u);
    EXPECT_EQ(m_frame->editBar().dataField()->text(), yText(before + 5));
    // Left and Right walk the points, Shift+Down the lines.
    key(Qt::Key_Left);
    EXPECT_EQ(map().edit.point, 3);
    m_frame->execute(cmd::kShiftDown);
    EXPECT_EQ(map().edit.line, 1);
    m_frame->execute(cmd::kShiftUp);
    ASSERT_TRUE(m_frame->execute(cmd::kUndo));
    EXPECT_EQ(dataByte(0, 4), before);
    EXPECT_TRUE(map().edit.undo.empty());
}

TEST_F(MapWindowTest, AnRpmStepIsWrittenButNotRecorded)
{
    open("Fuel Map1");
    // The RPM point 5 of the current line, picked by its x below the curve.
    const QPoint below(pointAt(0, 5).x(), geometry().graphHeight() - 1);
    press(below);
    release(below);
    ASSERT_EQ(map().edit.part, EditPart::Rpm);
    const std::uint16_t before = readXPoint(m_app.data().image(), map(), 0, 5);
    key(Qt::Key_Right);
    EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, 5), before + 1);
    EXPECT_EQ(m_frame->editBar().pointField()->text(), QString::number((before + 1) * 50, 'f', 1));
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, 5), before - 1);
    EXPECT_TRUE(map().edit.undo.empty());
    EXPECT_TRUE(m_app.data().modified);
    key(Qt::Key_Up);
    EXPECT_EQ(map().edit.point, 6);

    // A drag sideways moves the point between its neighbours.
    const QPoint at(pointAt(0, 6).x(), below.y());
    press(at);
    ASSERT_TRUE(window()->dragging());
    moveTo(QPoint(geometry().graphWidth() - 1, at.y()));
    EXPECT_EQ(map().edit.dragValue, map().edit.upperLimit);
    release(QPoint(geometry().graphWidth() - 1, at.y()));
    EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, 6), map().edit.upperLimit);
    EXPECT_EQ(undoText(), "&Undo(Drag RPM)\tCtrl+Z");
}

TEST_F(MapWindowTest, AnRpmPointSteppedPastTheAxisMaximumStaysInTheGraph)
{
    open("Fuel Map1");
    map().x.maximum = "12500"; // raw 250, the last point's value
    m_frame->selectLabel("Fuel Map1");
    settle();
    const int last = map().x.count - 1;
    const QPoint below(pointAt(0, last).x(), geometry().graphHeight() - 1);
    press(below);
    release(below);
    ASSERT_EQ(map().edit.part, EditPart::Rpm);
    ASSERT_EQ(map().edit.point, last);
    for (int i = 0; i < 6; ++i)
        key(Qt::Key_Right);
    EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, last), 255); // the byte's end
    EXPECT_LT(pointAt(0, last).x(), geometry().graphWidth());
}

TEST_F(MapWindowTest, ShiftEnterSendsTheCellOfConfigMapsOnly)
{
    int sent = 0;
    open("Fuel Map1");
    m_frame->hooks().writeCellToEcu = [&sent] { ++sent; };
    window()->setFocus();
    key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(sent, 0);
    m_frame.reset();

    open("Fuel Map1", "ZLM350_config_mem.def", "Config_mem_data.lyn");
    m_frame->hooks().writeCellToEcu = [&sent] { ++sent; };
    window()->setFocus();
    key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(sent, 1);
}

TEST_F(MapWindowTest, AWrongEquationLeavesTheWindowWithoutAGraph)
{
    open("Fuel Map1");
    map().y.toRaw = "x/(x-x)";
    m_frame->selectLabel("Fuel Map1");
    settle();
    ASSERT_FALSE(m_prompts->records().empty());
    EXPECT_EQ(m_prompts->records().back().text, "Used wrong equation");
    EXPECT_EQ(m_prompts->records().back().caption, "Map Window");
    EXPECT_FALSE(window()->geometry().has_value());
    press(QPoint(10, 10));
    key(Qt::Key_Up);
    EXPECT_FALSE(m_app.data().modified);
}

TEST_F(MapWindowTest, LooksAtOneLineAllLinesAndADrag)
{
    for (const QSize size : { QSize(1024, 768), QSize(1920, 1080) }) {
        open("Fuel Map1", "ZLM350.def", "Standard_data.lyn", size);
        const QString suffix = QStringLiteral("_%1x%2.png").arg(size.width()).arg(size.height());
        saveShot(QStringLiteral("map_window_one_line") + suffix);
        m_frame->execute(cmd::kToggleAll);
        settle();
        saveShot(QStringLiteral("map_window_all_lines") + suffix);
        // A point of line 3 picked, then dragged up and held.
        press(pointAt(3, 5));
        release(pointAt(3, 5));
        press(pointAt(3, 5));
        moveTo(pointAt(3, 5) - QPoint(0, size.height() / 10));
        EXPECT_TRUE(window()->dragging());
        saveShot(QStringLiteral("map_window_drag") + suffix);
        release(pointAt(3, 5) - QPoint(0, size.height() / 10));
        m_frame.reset();
        settle();
    }
}

} // namespace
} // namespace zlm
