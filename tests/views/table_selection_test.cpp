#include "views/table_selection.h"

#include "app/vex_app.h"
#include "data/map_access.h"
#include "data/map_link.h"
#include "platform/ini_file.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"
#include "tests/test_support.h"
#include "views/block_amount_dialog.h"
#include "views/block_commands.h"
#include "views/cell_editor.h"
#include "views/grid_pane.h"
#include "views/main_frame.h"
#include "views/table_window.h"
#include "views/vex_doc.h"
#include "views/value_shading.h"
#include "views/vex_view.h"
#include "tests/views/frame_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QImage>
#include <QMdiSubWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

namespace zlm {
namespace {

using test::settle;

namespace fs = std::filesystem;

// The frame with the standard data open (map and table window on Fuel Map1),
// the table window maximised so that the whole map shows.
class TableSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::useCenturyFont();
        ASSERT_TRUE(test::loadDefinition(m_app));
        m_app.workingDirectory = m_dir.string();
        m_app.iniPath = m_dir / "ZLM350.ini";
        m_prompts = test::scriptPrompts(m_app);
        m_frame = std::make_unique<CMainFrame>(m_app);
        m_frame->resize(1000, 700);
        ASSERT_TRUE(test::showActive(*m_frame));

        test::queueStandardData(*m_prompts, m_dir);
        m_frame->execute(cmd::kOpen);
        settle();
        ASSERT_TRUE(m_app.data().loaded());
        CVexView* view = m_frame->document()->viewOfKind(ViewKind::Table);
        ASSERT_NE(view, nullptr);
        m_table = qobject_cast<TableWindow*>(view->window());
        ASSERT_NE(m_table, nullptr);
        auto* child = qobject_cast<QMdiSubWindow*>(view->parentWidget());
        if (child)
            child->showMaximized();
        settle();
        m_prompts->clear();
        selection().setAmountPrompt([this](BlockOperation operation) {
            m_asked.push_back(operation);
            return m_amount;
        });
    }

    void TearDown() override
    {
        m_frame.reset();
        settle();
    }

    TableSelection& selection() { return m_table->blockSelection(); }
    MapDefinition& map() { return *m_app.data().currentMap(); }
    QWidget* cells() { return m_table->gridPane()->viewport(); }
    QPoint centre(int line, int point)
    {
        const int w = m_table->cellWidth();
        const int h = m_table->cellHeight();
        return { point * w + w / 2, line * h + h / 2 };
    }
    std::uint8_t byte(int line, int point)
    {
        return m_app.data().read(dataCellAddress(map(), line, point));
    }
    void fillMap(std::uint8_t value)
    {
        for (int l = 0; l < map().z.count; ++l)
            for (int p = 0; p < map().x.count; ++p)
                m_app.data().write(dataCellAddress(map(), l, p), value, false);
        m_table->reload(0);
    }
    // Drags with the left button from one cell to another, through the cells between.
    void drag(int fromLine, int fromPoint, int toLine, int toPoint)
    {
        QTest::mousePress(cells(), Qt::LeftButton, {}, centre(fromLine, fromPoint));
        settle();
        QTest::mouseMove(cells(), centre((fromLine + toLine) / 2, (fromPoint + toPoint) / 2));
        QTest::mouseMove(cells(), centre(toLine, toPoint));
        QTest::mouseRelease(cells(), Qt::LeftButton, {}, centre(toLine, toPoint));
        settle();
    }
    QString actionText(int id) { return m_frame->actions(id).at(0)->text(); }

    test::TempDir m_tempDir;
    fs::path m_dir = m_tempDir.path();
    CVexApp m_app;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
    TableWindow* m_table = nullptr;
    std::optional<double> m_amount = 103.0;
    std::vector<BlockOperation> m_asked;
};

TEST_F(TableSelectionTest, DragSelectsABlockThatScaleUndoAndRedoWorkOn)
{
    fillMap(100);
    drag(1, 1, 3, 2);
    EXPECT_TRUE(selection().hasBlock());
    EXPECT_EQ(selection().block(), (CellBlock { 1, 1, 3, 2 }));
    // The current cell is the anchor and keeps its editor.
    EXPECT_EQ(map().edit.line, 1);
    EXPECT_EQ(map().edit.point, 1);
    EXPECT_TRUE(m_table->cellEditor()->isVisible());

    ASSERT_TRUE(m_frame->execute(cmd::kScale));
    EXPECT_EQ(m_asked, std::vector<BlockOperation> { BlockOperation::Scale });
    for (int l = 0; l < map().z.count; ++l)
        for (int p = 0; p < map().x.count; ++p)
            EXPECT_EQ(byte(l, p), (l >= 1 && l <= 3 && p >= 1 && p <= 2) ? 103 : 100) << l << p;
    EXPECT_EQ(m_table->cellEditor()->text(), QStringLiteral("5.2")); // 103 x 0.05, shown
    EXPECT_TRUE(m_app.data().modified);
    EXPECT_TRUE(m_prompts->records().empty()); // nothing clamped, nothing to report
    EXPECT_EQ(actionText(cmd::kUndo), QStringLiteral("&Undo(Scale DATA)"));
    EXPECT_EQ(m_frame->actions(cmd::kUndo).at(0)->shortcuts().at(0),
        QKeySequence(Qt::CTRL | Qt::Key_Z));

    ASSERT_TRUE(m_frame->execute(cmd::kUndo));
    EXPECT_EQ(byte(2, 2), 100);
    EXPECT_EQ(byte(3, 1), 100);
    EXPECT_EQ(actionText(cmd::kRedo), QStringLiteral("&Redo(Scale DATA)"));
    EXPECT_EQ(m_frame->actions(cmd::kRedo).at(0)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier);
    settle();
    EXPECT_EQ(byte(2, 2), 103);
    EXPECT_EQ(byte(3, 1), 103);
    EXPECT_EQ(actionText(cmd::kRedo), QStringLiteral("&Redo"));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kRedo));
}

TEST_F(TableSelectionTest, ShiftClickAndCtrlAExtendAndTheSpecifiedMovesCollapse)
{
    QTest::mouseClick(cells(), Qt::LeftButton, {}, centre(2, 3));
    settle();
    QTest::mouseClick(cells(), Qt::LeftButton, Qt::ShiftModifier, centre(0, 1));
    settle();
    EXPECT_EQ(selection().block(), (CellBlock { 0, 1, 2, 3 }));
    EXPECT_EQ(map().edit.line, 2);
    EXPECT_EQ(map().edit.point, 3);

    // Shift+Right is the specified move to the next point: the block goes.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right, Qt::ShiftModifier);
    settle();
    EXPECT_FALSE(selection().hasBlock());
    EXPECT_EQ(map().edit.point, 4);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    settle();
    EXPECT_EQ(selection().block(), (CellBlock { 0, 0, map().z.count - 1, map().x.count - 1 }));
    ASSERT_TRUE(m_frame->execute(cmd::kCopy));
    const QStringList copied = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(copied.size(), map().z.count);
    EXPECT_EQ(copied.front().split('\t').size(), map().x.count);

    // PgUp steps the current cell and collapses the block as well.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    settle();
    EXPECT_FALSE(selection().hasBlock());
}

TEST_F(TableSelectionTest, PasteFromTheClipboardWritesATableAndRefusesNonNumbers)
{
    fillMap(100);
    QTest::mouseClick(cells(), Qt::LeftButton, {}, centre(1, 2));
    settle();
    QApplication::clipboard()->setText(QStringLiteral("1.00\t2.00\r\n3.00\t4.00\r\n"));
    settle();
    ASSERT_TRUE(m_frame->isEnabled(cmd::kPaste));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    settle();
    EXPECT_EQ(byte(1, 2), 20);
    EXPECT_EQ(byte(1, 3), 40);
    EXPECT_EQ(byte(2, 2), 60);
    EXPECT_EQ(byte(2, 3), 80);
    EXPECT_EQ(actionText(cmd::kUndo), QStringLiteral("&Undo(Paste DATA)"));

    QApplication::clipboard()->setText(QStringLiteral("7,8\n9,ten\n"));
    settle();
    ASSERT_TRUE(m_frame->execute(cmd::kPaste));
    EXPECT_EQ(byte(1, 2), 20);
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].icon, Icon::Stop);
    EXPECT_NE(m_prompts->records()[0].text.find("\"ten\""), std::string::npos);
    EXPECT_EQ(actionText(cmd::kUndo), QStringLiteral("&Undo(Paste DATA)"));
}

TEST_F(TableSelectionTest, ClampedResultsAreReportedAndInterpolateNeedsABlock)
{
    fillMap(100);
    QTest::mouseClick(cells(), Qt::LeftButton, {}, centre(0, 0));
    settle();
    EXPECT_FALSE(m_frame->isEnabled(cmd::kInterpolate));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kSmooth));
    QTest::mouseClick(cells(), Qt::LeftButton, Qt::ShiftModifier, centre(1, 1));
    settle();
    EXPECT_TRUE(m_frame->isEnabled(cmd::kInterpolate));
    m_amount = 20.0; // above the upper limit 12
    ASSERT_TRUE(m_frame->execute(cmd::kSetValue));
    EXPECT_EQ(byte(1, 1), 240);
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text, "4 values were kept to the allowed range (0.5 to 12.0).");
    EXPECT_EQ(m_prompts->records()[0].icon, Icon::Information);

    // Cancelling the amount writes nothing.
    m_amount.reset();
    ASSERT_TRUE(m_frame->execute(cmd::kAddValue));
    EXPECT_EQ(byte(1, 1), 240);
    EXPECT_EQ(actionText(cmd::kUndo), QStringLiteral("&Undo(Set DATA)"));
}

TEST_F(TableSelectionTest, ShadingTintsTheCellsAndIsRememberedInTheSettingsFile)
{
    fillMap(100);
    m_app.data().write(dataCellAddress(map(), 2, 5), 10, false);
    m_table->reload(0);
    settle();
    ASSERT_TRUE(m_frame->isChecked(cmd::kShading));
    // A cell away from the current one, sampled beside its text.
    const auto pixel = [this](int line, int point) {
        const QImage image = cells()->grab().toImage();
        return image.pixelColor(point * m_table->cellWidth() + 3, line * m_table->cellHeight() + 3);
    };
    const QColor low = pixel(0, 3);
    const QColor lowest = pixel(2, 5);
    EXPECT_NE(low, QColor(Qt::white));
    EXPECT_NE(low, lowest);

    ASSERT_TRUE(m_frame->execute(cmd::kShading));
    EXPECT_FALSE(m_frame->isChecked(cmd::kShading));
    EXPECT_EQ(IniFile(m_app.iniPath).getInt("TABLE WINDOW", "SHADING", 1), 0);
    settle();
    EXPECT_EQ(pixel(0, 3), QColor(Qt::white));
    ASSERT_TRUE(m_frame->execute(cmd::kShading));
    EXPECT_EQ(IniFile(m_app.iniPath).getInt("TABLE WINDOW", "SHADING", 0), 1);
}

TEST_F(TableSelectionTest, ALinkedMapReceivesTheOperation)
{
    ASSERT_EQ(map().name, "Fuel Map1");
    fillMap(100);
    applyLink(m_app.data(), kLinkAll, { "Fuel Map1", "Fuel Map2" }); // copies 100s into the partner
    const MapDefinition& partner = *mapByName(m_app.data().maps(), "Fuel Map2");
    drag(0, 0, 1, 1);
    ASSERT_TRUE(m_frame->execute(cmd::kScale));
    EXPECT_EQ(m_app.data().read(dataCellAddress(partner, 1, 1)), 103);
    EXPECT_EQ(m_app.data().read(dataCellAddress(partner, 2, 2)), 100);
    ASSERT_TRUE(m_frame->execute(cmd::kUndo));
    EXPECT_EQ(m_app.data().read(dataCellAddress(partner, 1, 1)), 100);
}

TEST(BlockAmountDialog, OffersOkOnlyForANumberAndStartsFromTheOperationsNeutralValue)
{
    BlockAmountDialog scale(BlockOperation::Scale, QStringLiteral("5.2"));
    EXPECT_EQ(scale.windowTitle(), QStringLiteral("Scale"));
    EXPECT_EQ(scale.field()->text(), QStringLiteral("100"));
    BlockAmountDialog set(BlockOperation::Set, QStringLiteral("5.2"));
    EXPECT_EQ(set.field()->text(), QStringLiteral("5.2"));
    QPushButton* ok = set.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    for (const char* text : { "", "-", "1.2.3", "12a", "1e3" }) {
        set.field()->setText(QString::fromLatin1(text));
        EXPECT_FALSE(ok->isEnabled()) << text;
        EXPECT_FALSE(set.amount().has_value()) << text;
    }
    set.field()->setText(QStringLiteral("-3.5"));
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_DOUBLE_EQ(set.amount().value_or(0), -3.5);
}

TEST_F(TableSelectionTest, PairedLayoutSelectsDataRowsOnly)
{
    m_frame->selectLabel("Ign Trim");
    settle();
    ASSERT_EQ(map().name, "Ign Trim");
    ASSERT_TRUE(m_table->pairedLayout());
    // Grid rows 1 and 5 are the data rows of lines 0 and 2.
    drag(1, 1, 5, 3);
    EXPECT_EQ(selection().block(), (CellBlock { 0, 1, 2, 3 }));
    // Shift+click on an RPM row is a pick of that RPM point: no block then.
    QTest::mouseClick(cells(), Qt::LeftButton, Qt::ShiftModifier, centre(2, 2));
    settle();
    EXPECT_EQ(map().edit.part, EditPart::Rpm);
    EXPECT_FALSE(selection().hasBlock());
    EXPECT_FALSE(m_frame->isEnabled(cmd::kScale));
}

// The frame at a screen's size with the fuel map shaded and a block selected,
// saved for the documentation; every tint shown keeps black text readable.
TEST_F(TableSelectionTest, ShadedFuelMapWithABlockAtScreenSizes)
{
    ASSERT_TRUE(m_frame->execute(cmd::kAll)); // the graph beside it with every line
    for (const QSize size : { QSize(1024, 768), QSize(1920, 1080) }) {
        m_frame->resize(size);
        settle();
        m_frame->tileHorizontally();
        settle();
        QTest::mouseClick(cells(), Qt::LeftButton, {}, centre(2, 3));
        QTest::mouseClick(cells(), Qt::LeftButton, Qt::ShiftModifier, centre(5, 8));
        settle();
        ASSERT_TRUE(selection().hasBlock());
        const QImage image = cells()->grab().toImage();
        const int w = m_table->cellWidth();
        const int h = m_table->cellHeight();
        for (int l = 0; l < map().z.count; ++l) {
            for (int p = 0; p < map().x.count; ++p) {
                const QColor c = image.pixelColor(p * w + 2, l * h + 2);
                const Rgb tint { static_cast<std::uint8_t>(c.red()),
                    static_cast<std::uint8_t>(c.green()), static_cast<std::uint8_t>(c.blue()) };
                EXPECT_GE(blackTextContrast(tint), 7.0) << l << "," << p;
            }
        }
        const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
        fs::create_directories(dir.toStdString());
        EXPECT_TRUE(m_frame->grab().save(dir
            + QStringLiteral("/table_block_shaded_%1x%2.png").arg(size.width()).arg(size.height())));
    }
}

} // namespace
} // namespace zlm
