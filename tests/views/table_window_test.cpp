#include "views/table_window.h"

#include "app/vex_app.h"
#include "data/map_access.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"
#include "views/cell_editor.h"
#include "views/grid_pane.h"
#include "views/main_frame.h"
#include "data/undo_stack.h"
#include "views/vex_doc.h"
#include "tests/views/frame_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace zlm {
namespace {

const std::string kResDir = ZLM_RES_DIR;

class TableWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::useCenturyFont();
        m_prompts = test::scriptPrompts(m_app);
        m_frame = std::make_unique<CMainFrame>(m_app);
        m_doc = std::make_unique<CVexDoc>(m_app, *m_frame);
    }

    void TearDown() override
    {
        m_window.reset();
        m_doc.reset();
        m_frame.reset();
    }

    void load(const std::string& definition, const std::string& data)
    {
        ASSERT_TRUE(test::loadDefinition(m_app, definition));
        ASSERT_TRUE(m_app.data().load(kResDir + "/" + data).ok());
        m_app.data().setPath(kResDir + "/" + data);
    }

    // Opens a table window on the named map of the standard data.
    void open(const std::string& mapName, QSize size = QSize(720, 220))
    {
        if (m_app.definitionLines.empty())
            load("ZLM350.def", "Standard_data.lyn");
        const int index = mapIndexByName(m_app.data().maps(), mapName);
        ASSERT_GE(index, 0) << mapName;
        m_app.data().setCurrentMap(index);
        m_window = std::make_unique<TableWindow>(m_app, *m_doc);
        m_window->resize(size);
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->requestFocus(1);
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    MapDefinition& map() { return *m_app.data().currentMap(); }
    CellEditor& cell() { return *m_window->cellEditor(); }
    CellEditor& header() { return *m_window->headerEditor(); }
    std::uint8_t dataByte(int line, int point)
    {
        return readDataCell(m_app.data().image(), map(), line, point).value;
    }

    // Left click on grid cell (row, column) of the visible area.
    void clickCell(int row, int column)
    {
        const int w = m_window->cellWidth();
        const int h = m_window->cellHeight();
        QTest::mouseClick(m_window->gridPane()->viewport(), Qt::LeftButton, {},
            QPoint(column * w + w / 2, row * h + h / 2));
        settle();
    }

    void type(CellEditor& editor, const QString& text, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClicks(&editor, text);
        QTest::keyClick(&editor, Qt::Key_Return, mods);
        settle();
    }

    void key(Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = &cell();
        QTest::keyClick(target, k, mods);
        settle();
    }

    std::string undoText() { return UndoMenuText(&map(), true).text; }

    CVexApp m_app;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CVexDoc> m_doc;
    std::unique_ptr<TableWindow> m_window;
};

// --- typing into DATA cells --------------------------------------------------------------

TEST_F(TableWindowTest, TypedValueInRangeIsWrittenAndRecordedAsAnEdit)
{
    open("Fuel Map1");
    clickCell(2, 3);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.line, 2);
    EXPECT_EQ(map().edit.point, 3);
    EXPECT_EQ(map().edit.editOwner, 2);
    ASSERT_TRUE(cell().isVisible());
    EXPECT_EQ(cell().selectedText(), cell().text());

    type(cell(), "5.5");
    EXPECT_EQ(dataByte(2, 3), 110); // 5.5 / 0.05
    EXPECT_EQ(map().edit.currentValue, 110);
    EXPECT_EQ(cell().text(), "5.5");
    EXPECT_TRUE(m_prompts->records().empty());
    EXPECT_TRUE(m_app.data().modified);
    ASSERT_EQ(map().edit.undo.size(), 1u);
    EXPECT_EQ(undoText(), "&Undo(Edit DATA)\tCtrl+Z");
}

TEST_F(TableWindowTest, TypedValueIsNotCutOneStepShortByFloatTruncation)
{
    open("Fuel Map1");
    clickCell(0, 3);
    type(cell(), "2.6"); // 2.6 / 0.05 evaluates to 51.99999 in single precision
    EXPECT_EQ(dataByte(0, 3), 52);
    EXPECT_EQ(cell().text(), "2.6");
    type(cell(), "2.57"); // between two steps: truncated as always
    EXPECT_EQ(dataByte(0, 3), 51);
}

TEST_F(TableWindowTest, ValueAboveTheRangeSetsTheHighestAllowedValueWithOneMessageAndRecord)
{
    open("Fuel Map1");
    clickCell(1, 1);
    const std::uint8_t before = dataByte(1, 1);
    type(cell(), "20");
    // FUEL is limited to 0.5 .. 12: raw 240.
    EXPECT_EQ(dataByte(1, 1), 240);
    EXPECT_EQ(cell().text(), "12.0");
    ASSERT_EQ(m_prompts->records().size(), 1u);
    const PromptRecord& r = m_prompts->records().front();
    EXPECT_EQ(r.icon, Icon::Exclamation);
    EXPECT_EQ(r.caption, "Table Window");
    EXPECT_EQ(r.text, "Input Data Range Over:20.00 \n (0.50<=Data<=12.00)\n set 12.00");
    ASSERT_EQ(map().edit.undo.size(), 1u);
    EXPECT_EQ(map().edit.undo.newest()->oldValues.front(), before);
}

TEST_F(TableWindowTest, ValueBelowTheRangeSetsTheLowestAllowedValue)
{
    open("Fuel Map1");
    clickCell(0, 0);
    type(cell(), "0.1");
    EXPECT_EQ(dataByte(0, 0), 10); // 0.5
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records().front().text,
        "Input Data Range Over:0.10 \n (0.50<=Data<=12.00)\n set 0.50");
}

TEST_F(TableWindowTest, EmptyOrMalformedTextGivesDataErrorAndRestoresTheValue)
{
    open("Fuel Map1");
    clickCell(0, 2);
    const QString shown = cell().text();
    const std::uint8_t before = dataByte(0, 2);
    for (const QString& text : { QString(), QStringLiteral("1-2"), QStringLiteral("1.2.3"),
             QStringLiteral("-"), QStringLiteral("4e1") }) {
        m_prompts->clear();
        cell().selectAll();
        QTest::keyClick(&cell(), Qt::Key_Backspace);
        type(cell(), text);
        ASSERT_EQ(m_prompts->records().size(), 1u) << text.toStdString();
        const PromptRecord& r = m_prompts->records().front();
        EXPECT_EQ(r.text, "Data error\nData is set as before editing");
        EXPECT_EQ(r.icon, Icon::Stop);
        EXPECT_EQ(r.caption, "Table Window");
        EXPECT_EQ(cell().text(), shown);
    }
    EXPECT_EQ(dataByte(0, 2), before);
    EXPECT_TRUE(map().edit.undo.empty());
    EXPECT_FALSE(m_app.data().modified);
}

TEST_F(TableWindowTest, TypingTheValueAlreadyThereWritesAndRecordsNothing)
{
    open("Fuel Map1");
    clickCell(3, 4);
    type(cell(), cell().text());
    EXPECT_TRUE(map().edit.undo.empty());
    EXPECT_FALSE(m_app.data().modified);
    // Enter on an untouched editor applies nothing either.
    QTest::keyClick(&cell(), Qt::Key_Return);
    settle();
    EXPECT_FALSE(m_app.data().modified);
}

TEST_F(TableWindowTest, PickingAnotherCellAppliesThePendingText)
{
    open("Fuel Map1");
    clickCell(0, 0);
    QTest::keyClicks(&cell(), "3");
    clickCell(1, 0);
    EXPECT_EQ(readDataCell(m_app.data().image(), map(), 0, 0).value, 60);
    EXPECT_EQ(map().edit.line, 1);
    EXPECT_EQ(map().edit.undo.size(), 1u);
}

TEST_F(TableWindowTest, ShiftEnterSendsTheCellOnlyInConfigMaps)
{
    int sent = 0;
    m_frame->hooks().writeCellToEcu = [&] { ++sent; };
    open("Fuel Map1");
    clickCell(0, 0);
    type(cell(), "2", Qt::ShiftModifier);
    EXPECT_EQ(dataByte(0, 0), 40);
    EXPECT_EQ(sent, 0); // free maps are not sent cell by cell

    m_app.data().mapMode = MapMode::ConfigInImage;
    type(cell(), "3", Qt::ShiftModifier);
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(dataByte(0, 0), 60); // applied before it is sent
}

// --- steps -------------------------------------------------------------------------------------

TEST_F(TableWindowTest, FivePageUpStepsMakeOneRecordAndOneUndoTakesThemBack)
{
    open("Fuel Map1");
    clickCell(2, 2);
    const std::uint8_t before = dataByte(2, 2);
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_PageUp);
    EXPECT_EQ(dataByte(2, 2), before + 5);
    EXPECT_EQ(map().edit.currentValue, before + 5);
    EXPECT_EQ(cell().text().toStdString(), m_app.formatY(0.05f * static_cast<float>(before + 5)));
    ASSERT_EQ(map().edit.undo.size(), 1u);
    EXPECT_EQ(undoText(), "&Undo(Drag DATA)\tCtrl+Z");

    EXPECT_TRUE(UndoLast(m_app.data(), map(), m_app.formats).undone);
    EXPECT_EQ(dataByte(2, 2), before);
    EXPECT_TRUE(map().edit.undo.empty());
}

TEST_F(TableWindowTest, StepsStopAtTheRangeAndAtTheByteEnds)
{
    open("Fuel Map1");
    clickCell(0, 1);
    m_app.data().write(dataCellAddress(map(), 0, 1), 240); // 12.0, the top of the range
    clickCell(0, 0);
    clickCell(0, 1);
    key(Qt::Key_PageUp);
    EXPECT_EQ(dataByte(0, 1), 240);
    EXPECT_TRUE(map().edit.undo.empty());
    key(Qt::Key_PageDown);
    EXPECT_EQ(dataByte(0, 1), 239);

    open("Accel Pump"); // 0 .. 25.5: raw 255 is inside the range
    m_app.data().write(dataCellAddress(map(), 0, 0), 255);
    clickCell(1, 0);
    EXPECT_EQ(map().edit.currentValue, 255);
    key(Qt::Key_PageUp);
    EXPECT_EQ(readDataCell(m_app.data().image(), map(), 0, 0).value, 255);
    EXPECT_TRUE(map().edit.undo.empty());
}

// --- header editor --------------------------------------------------------------------------

TEST_F(TableWindowTest, ThrotHeaderEditWritesTheAxisAndUndoRestoresIt)
{
    open("Fuel Map1");
    QSignalSpy lineEntries(m_window.get(), &TableWindow::lineEntryChanged);
    const int w = m_window->cellWidth();
    const int h = m_window->cellHeight();
    // Left column, third line.
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w / 2, h + 2 * h + h / 2));
    settle();
    ASSERT_EQ(map().edit.part, EditPart::Throt);
    EXPECT_EQ(map().edit.point, 2);
    EXPECT_TRUE(header().isVisible());
    EXPECT_FALSE(cell().isVisible());
    EXPECT_TRUE(m_window->headerEditorActive());
    const std::uint8_t before = readZPoint(m_app.data().image(), map(), 2); // 10.0
    ASSERT_EQ(header().text(), "10.0");

    type(header(), "15");
    EXPECT_EQ(readZPoint(m_app.data().image(), map(), 2), 30);
    EXPECT_EQ(header().text(), "15.0");
    ASSERT_EQ(lineEntries.size(), 1);
    EXPECT_EQ(lineEntries.front().at(0).toInt(), 2);
    EXPECT_EQ(lineEntries.front().at(1).toString(), "15.0");
    EXPECT_EQ(undoText(), "&Undo(Edit THROT)\tCtrl+Z");

    clickCell(0, 0);
    const UndoResult undone = UndoLast(m_app.data(), map(), m_app.formats);
    EXPECT_TRUE(undone.undone);
    EXPECT_EQ(undone.lineEntry, 2);
    EXPECT_EQ(undone.lineText, "10.0");
    EXPECT_EQ(readZPoint(m_app.data().image(), map(), 2), before);
    EXPECT_EQ(map().edit.part, EditPart::Throt);
}

TEST_F(TableWindowTest, ThrotOutsideItsNeighboursIsRefused)
{
    open("Fuel Map1");
    const int w = m_window->cellWidth();
    const int h = m_window->cellHeight();
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w / 2, h + 2 * h + h / 2));
    settle();
    // Line 2 lies between 5.0 and 20.0.
    type(header(), "30");
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records().front().text,
        "Input Data cannot change to value\nData is set as before editing");
    EXPECT_EQ(header().text(), "10.0");
    EXPECT_TRUE(map().edit.undo.empty());
}

TEST_F(TableWindowTest, RpmHeaderAboveTheRangeAtTheLastPointTakesTheRangeEnd)
{
    open("Fuel Map1");
    const int w = m_window->cellWidth();
    const int points = map().x.count;
    m_window->resize(w * (points + 2), 220);
    settle();
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w * points + w / 2, 5));
    settle();
    ASSERT_EQ(map().edit.part, EditPart::Rpm);
    ASSERT_EQ(map().edit.point, points - 1);
    type(header(), "20000");
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records().front().text,
        "Input Data Range Over:20000.00 \n (0.00<=Data<=12750.00)\n set 12750.00");
    EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, points - 1), 255);
    EXPECT_EQ(undoText(), "&Undo(Edit RPM)\tCtrl+Z");
}

// --- moves ----------------------------------------------------------------------------------

TEST_F(TableWindowTest, StandardLayoutMovesBetweenCellsAndHeaders)
{
    open("Fuel Map1");
    clickCell(0, 1);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.line, 1);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.point, 2);
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Throt);
    EXPECT_EQ(map().edit.point, 1);
    EXPECT_TRUE(header().hasFocus());
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.point, 0);
    EXPECT_EQ(map().edit.line, 1);
    key(Qt::Key_Up, Qt::ShiftModifier);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Rpm);
    EXPECT_TRUE(m_window->headerEditorActive());
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.line, 0);
    // Plain arrows are no table moves.
    m_window->move(MoveCode::Right);
    EXPECT_EQ(map().edit.point, 0);
}

TEST_F(TableWindowTest, PairedLayoutShiftArrowsWalkRpmAndDataRows)
{
    open("Ign Trim");
    ASSERT_TRUE(m_window->pairedLayout());
    const int lines = map().z.count;
    clickCell(0, 2); // line 0, RPM row
    EXPECT_EQ(map().edit.part, EditPart::Rpm);
    EXPECT_TRUE(cell().isVisible());
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.line, 0);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Rpm);
    EXPECT_EQ(map().edit.line, 1);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.line, 0);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Rpm);
    key(Qt::Key_Up, Qt::ShiftModifier); // nothing above line 0's RPM row
    EXPECT_EQ(map().edit.part, EditPart::Rpm);
    EXPECT_EQ(map().edit.line, 0);
    // PgUp does not step in the paired layout.
    const std::uint8_t x = readXPoint(m_app.data().image(), map(), 0, 2);
    key(Qt::Key_PageUp);
    EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, 2), x);

    m_window->gridPane()->verticalScrollBar()->setValue(
        m_window->gridPane()->verticalScrollBar()->maximum());
    settle();
    m_window->requestFocus(1);
    settle();
    // From the last line's DATA row Shift+Down does nothing.
    for (int i = 0; i < 2 * lines; ++i)
        key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.line, lines - 1);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.line, lines - 1);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    // At point 0 Shift+Left goes to the line's THROT value.
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Throt);
    EXPECT_EQ(map().edit.point, lines - 1);
}

TEST_F(TableWindowTest, PairedRpmRowIsTypedInTheCellEditor)
{
    open("Ign Trim");
    clickCell(0, 1);
    ASSERT_EQ(map().edit.part, EditPart::Rpm);
    const int before = readXPoint(m_app.data().image(), map(), 0, 1);
    const int next = readXPoint(m_app.data().image(), map(), 0, 2);
    // At or above the next point: refused, the points keep their order.
    for (const int raw : { next, next + 10 }) {
        m_prompts->clear();
        type(cell(), QString::number(raw * 50));
        EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, 1), before);
        ASSERT_EQ(m_prompts->records().size(), 1u);
        EXPECT_EQ(m_prompts->records().front().text,
            "Input Data cannot change to value\nData is set as before editing");
    }
    EXPECT_TRUE(map().edit.undo.empty());
    // A pasted value goes the same way.
    QApplication::clipboard()->setText(QString::number(next * 50));
    cell().selectAll();
    m_window->paste();
    QTest::keyClick(&cell(), Qt::Key_Return);
    settle();
    EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, 1), before);
    type(cell(), QString::number((next - 1) * 50));
    EXPECT_EQ(readXPoint(m_app.data().image(), map(), 0, 1), next - 1);
    EXPECT_EQ(undoText(), "&Undo(Edit RPM)\tCtrl+Z");
}

TEST_F(TableWindowTest, SingleLineMapHasNoThrotToMoveTo)
{
    open("Fuel Map1");
    map().z.count = 1;
    m_window->relayout();
    clickCell(0, 0);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_EQ(map().edit.point, 0);
    const int w = m_window->cellWidth();
    const int h = m_window->cellHeight();
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w / 2, h + h / 2));
    settle();
    EXPECT_EQ(map().edit.part, EditPart::Data);
}

TEST_F(TableWindowTest, AxisStepsKeepASpacingFromTheNeighboursInMemoryAxisMaps)
{
    load("ZLM350_config_mem.def", "Standard_data.lyn");
    ASSERT_EQ(m_app.data().mapMode, MapMode::ConfigInImage);
    // Fuel Map1: Z bytes at 8400 (x*0.5, spacing 1), X words at 8408 (spacing 250).
    const std::uint8_t z[] = { 0, 10, 20, 40, 70, 100, 150, 200 };
    for (int i = 0; i < 8; ++i)
        m_app.data().write(static_cast<std::uint16_t>(0x8400 + i), z[i], false);
    for (int i = 0; i < 12; ++i) {
        const int rpm = 1500 + 1000 * i;
        m_app.data().write(static_cast<std::uint16_t>(0x8408 + 2 * i), rpm >> 8, false);
        m_app.data().write(static_cast<std::uint16_t>(0x8409 + 2 * i), rpm & 0xFF, false);
    }
    open("Fuel Map1");
    QSignalSpy lineEntries(m_window.get(), &TableWindow::lineEntryChanged);
    const int w = m_window->cellWidth();
    const int h = m_window->cellHeight();
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w / 2, h + 2 * h + h / 2));
    settle();
    ASSERT_EQ(map().edit.part, EditPart::Throt);
    key(Qt::Key_PageUp);
    EXPECT_EQ(m_app.data().read(0x8402), 22);
    EXPECT_EQ(header().text(), "11.0");
    EXPECT_EQ(undoText(), "&Undo(Drag THROT)\tCtrl+Z");
    for (int i = 0; i < 20; ++i)
        key(Qt::Key_PageUp);
    // One spacing (1.0) below the next Z value, 20.0.
    EXPECT_EQ(m_app.data().read(0x8402), 38);
    EXPECT_EQ(map().edit.undo.size(), 1u);
    ASSERT_FALSE(lineEntries.isEmpty());
    EXPECT_EQ(lineEntries.back().at(1).toString(), "19.0");

    // An X word steps by 250 and is stored big-endian.
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w + w / 2, h / 2));
    settle();
    ASSERT_EQ(map().edit.part, EditPart::Rpm);
    key(Qt::Key_PageDown);
    EXPECT_EQ(m_app.data().read(0x8408), 1250 >> 8);
    EXPECT_EQ(m_app.data().read(0x8409), 1250 & 0xFF);
    EXPECT_EQ(map().edit.undo.size(), 2u);
    EXPECT_TRUE(UndoLast(m_app.data(), map(), m_app.formats).undone);
    EXPECT_EQ(m_app.data().read(0x8409), 1500 & 0xFF);
}

// --- clipboard ------------------------------------------------------------------------------

TEST_F(TableWindowTest, CopyTakesTheWholeTextOfAPartlySelectedCell)
{
    open("Fuel Map1");
    clickCell(1, 1);
    const QString whole = cell().text();
    ASSERT_GE(whole.size(), 3);
    cell().setSelection(1, 2);
    EXPECT_EQ(m_window->selection(), std::make_pair(1, 3));
    QApplication::clipboard()->clear();
    QTest::keyClick(&cell(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), whole);
    QApplication::clipboard()->clear();
    cell().setSelection(0, 1);
    m_window->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), whole);

    // Paste goes into the editor that has the focus, as the edit control pastes.
    QApplication::clipboard()->setText("7");
    cell().selectAll();
    m_window->paste();
    EXPECT_EQ(cell().text(), "7");
    cell().selectAll();
    m_window->cut();
    EXPECT_EQ(cell().text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "7");
}

TEST_F(TableWindowTest, CtrlZInAnEditorIsLeftToTheProgramsUndoCommand)
{
    open("Fuel Map1");
    QAction undo(m_window.get());
    undo.setShortcut(QKeySequence::Undo);
    undo.setShortcutContext(Qt::WindowShortcut);
    m_window->addAction(&undo);
    QSignalSpy triggered(&undo, &QAction::triggered);
    clickCell(0, 0);
    QTest::keyClicks(&cell(), "12");
    QTest::keyClick(&cell(), Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_EQ(triggered.size(), 1);
    EXPECT_EQ(cell().text(), "12");
}

// --- scroll bars ------------------------------------------------------------------------------

TEST_F(TableWindowTest, HorizontalBarAppearsWhenPointsDoNotFitAndResetsWhenHidden)
{
    open("Fuel Fine", QSize(400, 500));
    GridPane& grid = *m_window->gridPane();
    QScrollBar& bar = *grid.horizontalScrollBar();
    ASSERT_EQ(grid.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const int w = m_window->cellWidth();
    const int visible = grid.viewport()->width() / w;
    EXPECT_EQ(bar.maximum(), map().x.count - visible);
    EXPECT_EQ(bar.pageStep(), std::max(1, bar.maximum() / 4));

    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    settle();
    EXPECT_EQ(m_window->firstVisibleColumn(), std::max(1, bar.maximum() / 4));
    bar.setValue(bar.maximum());
    settle();
    EXPECT_EQ(m_window->firstVisibleColumn(), bar.maximum());
    // A click now picks the point under the mouse, not the first one.
    clickCell(0, 0);
    EXPECT_EQ(map().edit.point, bar.maximum());

    m_window->resize(w * (map().x.count + 2), 500);
    settle();
    EXPECT_EQ(grid.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(m_window->firstVisibleColumn(), 0);
}

TEST_F(TableWindowTest, HeaderEditorFollowsItsColumnWhenScrolled)
{
    open("Fuel Fine", QSize(400, 500));
    const int w = m_window->cellWidth();
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w + w + w / 2, 5));
    settle();
    ASSERT_EQ(map().edit.part, EditPart::Rpm);
    ASSERT_EQ(map().edit.point, 1);
    QScrollBar& bar = *m_window->gridPane()->horizontalScrollBar();
    bar.setValue(1);
    settle();
    EXPECT_TRUE(header().isVisible());
    EXPECT_EQ(header().x(), w);
    bar.setValue(2);
    settle();
    EXPECT_FALSE(header().isVisible()); // not over the corner cell
    bar.setValue(0);
    settle();
    EXPECT_TRUE(header().isVisible());
    EXPECT_EQ(header().x(), 2 * w);
    EXPECT_TRUE(m_window->headerEditorActive());
}

// Whether the cell editor lies whole inside the visible cells.
bool editorInView(TableWindow& window)
{
    const CellEditor& editor = *window.cellEditor();
    const QRect cells = window.gridPane()->viewport()->rect().adjusted(0, -1, 0, 3);
    return editor.isVisible() && cells.contains(editor.geometry());
}

TEST_F(TableWindowTest, NewOrResizedWindowScrollsTheCurrentCellIntoView)
{
    open("Fuel Fine", QSize(400, 500));
    const int last = map().x.count - 1;
    QScrollBar& bar = *m_window->gridPane()->horizontalScrollBar();
    bar.setValue(bar.maximum());
    settle();
    clickCell(1, last - m_window->firstVisibleColumn());
    ASSERT_EQ(map().edit.point, last);

    // Wide enough for every point, then narrow again: the bar comes back and
    // still shows the cell and its editor.
    m_window->resize(m_window->cellWidth() * (map().x.count + 2), 500);
    settle();
    ASSERT_EQ(m_window->firstVisibleColumn(), 0);
    m_window->resize(400, 500);
    settle();
    EXPECT_GT(m_window->firstVisibleColumn(), 0);
    EXPECT_TRUE(editorInView(*m_window));
    // Typing goes where the user sees it.
    cell().setFocus();
    type(cell(), "2");
    EXPECT_EQ(dataByte(1, last), 40);

    // A new window on the same cell opens scrolled to it.
    m_window.reset();
    open("Fuel Fine", QSize(400, 500));
    EXPECT_EQ(map().edit.point, last);
    EXPECT_GT(m_window->firstVisibleColumn(), 0);
    EXPECT_TRUE(editorInView(*m_window));
}

TEST_F(TableWindowTest, TypingIntoACellScrolledAwayBringsItBackIntoView)
{
    open("Fuel Fine", QSize(400, 500));
    clickCell(1, 0);
    QScrollBar& bar = *m_window->gridPane()->horizontalScrollBar();
    bar.setValue(bar.maximum());
    settle();
    ASSERT_GT(m_window->firstVisibleColumn(), 0);
    ASSERT_EQ(QApplication::focusWidget(), &cell());
    type(cell(), "9");
    EXPECT_EQ(dataByte(1, 0), 180); // 9 / 0.05, where the user now sees it
    EXPECT_EQ(m_window->firstVisibleColumn(), 0);
    EXPECT_TRUE(editorInView(*m_window));
}

TEST_F(TableWindowTest, RpmHeaderEditorCentresItsTextLikeTheHeaderRow)
{
    open("Fuel Map1");
    const int w = m_window->cellWidth();
    const int h = m_window->cellHeight();
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w + w / 2, 5));
    settle();
    ASSERT_EQ(map().edit.part, EditPart::Rpm);
    ASSERT_EQ(map().edit.point, 0);
    header().deselect();
    settle();
    // The editor over point 0 and the label of point 1 put the middle of their
    // texts at the middle of their columns.
    const QImage strip = m_window->grab().toImage();
    const auto middle = [&](int left) {
        int first = -1;
        int last = -1;
        for (int x = left + 2; x < left + w - 2; ++x) {
            for (int y = 2; y < h - 2; ++y) {
                if (qGray(strip.pixel(x, y)) < 96) {
                    first = first < 0 ? x - left : first;
                    last = x - left;
                }
            }
        }
        return (first + last) / 2.0;
    };
    const double label = middle(2 * w);
    const double editor = middle(w);
    ASSERT_GT(label, 0);
    EXPECT_NEAR(editor, label, 1.5);
    EXPECT_NEAR(label, (w - 1) / 2.0, 1.5);
}

// Rightmost column of dark (text) pixels of `image` within `area`, -1 when none.
int textRightEdge(const QImage& image, const QRect& area)
{
    int right = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 96)
                right = std::max(right, x - area.left());
        }
    }
    return right;
}

TEST_F(TableWindowTest, EditorsShowTheirValueWhereTheTableDrawsIt)
{
    // Row 0 of the sample holds 1.4 in its first two cells: the editor over the
    // first must end its text at the same place as the second cell's text.
    open("Fuel Map1");
    const int w = m_window->cellWidth();
    const int h = m_window->cellHeight();
    clickCell(0, 0);
    ASSERT_EQ(cell().text(), QStringLiteral("1.4"));
    cell().deselect();
    settle();
    QImage grid = m_window->gridPane()->viewport()->grab().toImage();
    // Inside the editor's border, and the same span of the neighbour cell.
    const int editorEdge = textRightEdge(grid, QRect(2, 1, w - 4, h - 2));
    const int cellEdge = textRightEdge(grid, QRect(w + 2, 1, w - 4, h - 2));
    ASSERT_GE(cellEdge, 0);
    EXPECT_EQ(editorEdge, cellEdge);

    // The header editor over the Z label "10.0" ends where the label "0.0" of line 0 does.
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w / 2, 3 * h + h / 2));
    settle();
    ASSERT_EQ(map().edit.part, EditPart::Throt);
    header().deselect();
    settle();
    const QImage strip = m_window->grab().toImage();
    const int labelEdge = textRightEdge(strip, QRect(2, h + 1, w - 5, h - 2));
    const int headerEdge = textRightEdge(strip, QRect(2, 3 * h + 2, w - 5, h - 2));
    ASSERT_GE(labelEdge, 0);
    EXPECT_EQ(headerEdge, labelEdge);
}

TEST_F(TableWindowTest, VerticalBarRangeCountsTwoRowsPerLineInThePairedLayout)
{
    open("Ign Trim", QSize(900, 120));
    GridPane& grid = *m_window->gridPane();
    ASSERT_EQ(grid.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const int h = m_window->cellHeight();
    EXPECT_EQ(
        grid.verticalScrollBar()->maximum(), 2 * map().z.count - grid.viewport()->height() / h);
    grid.verticalScrollBar()->setValue(3);
    settle();
    EXPECT_EQ(m_window->firstVisibleRow(), 3);
    clickCell(0, 0); // row 3: line 1's DATA row
    EXPECT_EQ(map().edit.line, 1);
    EXPECT_EQ(map().edit.part, EditPart::Data);
}

TEST_F(TableWindowTest, ClicksBeyondTheUsedCellsAreIgnored)
{
    open("Fuel Map1", QSize(1000, 400));
    clickCell(1, 1);
    clickCell(map().z.count + 1, 1);
    clickCell(1, map().x.count + 1);
    EXPECT_EQ(map().edit.line, 1);
    EXPECT_EQ(map().edit.point, 1);
}

TEST_F(TableWindowTest, FocusRequestPlacesTheEditorOfThePart)
{
    open("Fuel Map1");
    map().edit.part = EditPart::Throt;
    map().edit.point = 3;
    map().edit.line = 3;
    m_window->requestFocus(1);
    settle();
    EXPECT_TRUE(header().isVisible());
    EXPECT_TRUE(header().hasFocus());
    map().edit.part = EditPart::Data;
    m_window->requestFocus(1);
    // A pick before the queued request is handled wins over it.
    clickCell(2, 2);
    EXPECT_TRUE(cell().hasFocus());
    EXPECT_EQ(map().edit.line, 2);
}

TEST_F(TableWindowTest, ConfigListMapsHaveNoHeaderEditing)
{
    load("ZLM350_config.def", "Standard_data.lyn");
    ASSERT_EQ(m_app.data().mapMode, MapMode::Config);
    open(m_app.data().maps().front().name);
    const int w = m_window->cellWidth();
    const int h = m_window->cellHeight();
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(w / 2, h + h / 2));
    settle();
    EXPECT_NE(map().edit.part, EditPart::Throt);
    clickCell(0, 0);
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(map().edit.part, EditPart::Data);
    EXPECT_FALSE(header().isVisible());
}

} // namespace
} // namespace zlm

