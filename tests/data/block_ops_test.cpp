#include "data/block_ops.h"

#include "base/app_settings.h"
#include "data/conversion.h"
#include "data/ecu_data_set.h"
#include "data/map_access.h"
#include "data/map_link.h"
#include "data/undo_stack.h"
#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace zlm {
namespace {

const std::string kRes = ZLM_RES_DIR;

// The sample definitions: free maps (mode 1), config maps with list axes
// (mode 0) and config maps with axes in the image (mode 3).
struct Sample {
    const char* definition;
    const char* data;
};
const Sample kSamples[] = {
    { "ZLM350.def", "Standard_data.lyn" },
    { "ZLM350_config.def", "Config_data.lyn" },
    { "ZLM350_config_mem.def", "Config_mem_data.lyn" },
};

class BlockOpsTest : public ::testing::Test {
protected:
    void load(const Sample& sample)
    {
        auto lines = readTextLines(kRes + "/" + sample.definition);
        ASSERT_TRUE(lines.has_value());
        m_definition = std::move(*lines);
        m_data = std::make_unique<EcuDataSet>(m_definition);
        ASSERT_TRUE(m_data->load(kRes + "/" + sample.data).ok()) << sample.data;
        m_data->modified = false;
    }
    MapDefinition& map(const std::string& name)
    {
        MapDefinition* m = mapByName(m_data->maps(), name);
        EXPECT_NE(m, nullptr) << name;
        return *m;
    }
    std::uint8_t byte(const MapDefinition& m, int line, int point)
    {
        return m_data->read(dataCellAddress(m, line, point));
    }
    std::vector<std::uint8_t> bytes(const MapDefinition& m)
    {
        std::vector<std::uint8_t> all;
        for (int l = 0; l < m.z.count; ++l)
            for (int p = 0; p < m.x.count; ++p)
                all.push_back(byte(m, l, p));
        return all;
    }
    void fill(const MapDefinition& m, const std::vector<std::vector<int>>& rows)
    {
        for (std::size_t l = 0; l < rows.size(); ++l)
            for (std::size_t p = 0; p < rows[l].size(); ++p)
                m_data->write(dataCellAddress(m, static_cast<int>(l), static_cast<int>(p)),
                    static_cast<std::uint8_t>(rows[l][p]), false);
    }
    static CellBlock whole(const MapDefinition& m) { return { 0, 0, m.z.count - 1, m.x.count - 1 }; }

    LineList m_definition;
    std::unique_ptr<EcuDataSet> m_data;
    DisplayFormats m_formats { "%.1f", "%.2f", "%.1f" };
};

// --- the arithmetic ------------------------------------------------------------------------

TEST(BlockArithmetic, InterpolateIsBilinearBetweenTheCornersAndLinearOnOneLine)
{
    // 3 x 3 with corners 0, 20 (top) and 40, 100 (bottom); the rest is ignored.
    const std::vector<double> block { 0, 9, 20, 9, 9, 9, 40, 9, 100 };
    const auto r = operationResult(BlockOperation::Interpolate, block, 3, 3, 0);
    const std::vector<double> expected { 0, 10, 20, 20, 40, 60, 40, 70, 100 };
    for (std::size_t i = 0; i < r.size(); ++i)
        EXPECT_DOUBLE_EQ(r[i], expected[i]) << i;

    const auto row = operationResult(BlockOperation::Interpolate, { 2, 0, 0, 8 }, 1, 4, 0);
    EXPECT_EQ(row, (std::vector<double> { 2, 4, 6, 8 }));
    const auto column = operationResult(BlockOperation::Interpolate, { 10, 0, 0 }, 3, 1, 0);
    EXPECT_EQ(column, (std::vector<double> { 10, 5, 0 }));
    EXPECT_EQ(operationResult(BlockOperation::Interpolate, { 7 }, 1, 1, 0), std::vector<double> { 7 });
}

TEST(BlockArithmetic, SmoothKeepsTheBlockEdgesAndAveragesInnerCells)
{
    // 3 x 4: only the two inner cells (1,1) and (1,2) change.
    const std::vector<double> block { 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 9 };
    const auto r = operationResult(BlockOperation::Smooth, block, 3, 4, 0);
    EXPECT_DOUBLE_EQ(r[5], 1.0); // 9 / 9
    EXPECT_DOUBLE_EQ(r[6], 2.0); // both nines are its neighbours
    for (int i : { 0, 1, 2, 3, 4, 7, 8, 9, 10, 11 })
        EXPECT_DOUBLE_EQ(r[static_cast<std::size_t>(i)], block[static_cast<std::size_t>(i)]) << i;

    // One line smooths along its length, its ends fixed; two lines have no inner cell.
    EXPECT_EQ(operationResult(BlockOperation::Smooth, { 0, 3, 0, 6 }, 1, 4, 0),
        (std::vector<double> { 0, 1, 3, 6 }));
    EXPECT_EQ(operationResult(BlockOperation::Smooth, { 0, 3, 0, 6 }, 2, 2, 0),
        (std::vector<double> { 0, 3, 0, 6 }));
}

// --- operations on maps of every mode ------------------------------------------------------

TEST_F(BlockOpsTest, ScaleOfAWholeMapIsOneUndoRecordInEveryMapMode)
{
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.definition);
        load(sample);
        MapDefinition& fuel = map("Fuel Map1");
        const auto before = bytes(fuel);
        const BlockOutcome out = applyBlockOperation(
            *m_data, fuel, whole(fuel), BlockOperation::Scale, 103, m_formats, 1 << 20);
        ASSERT_TRUE(out.applied);
        // FUEL is x * 0.05 with edit limits 0.5 to 12: raw 10 to 240.
        int changed = 0;
        const auto after = bytes(fuel);
        for (std::size_t i = 0; i < before.size(); ++i) {
            const int wanted = static_cast<int>(std::lround(before[i] * 1.03));
            EXPECT_EQ(after[i], std::clamp(wanted, 10, 240)) << i;
            changed += after[i] != before[i];
        }
        EXPECT_EQ(out.changed, changed);
        EXPECT_TRUE(m_data->modified);
        ASSERT_EQ(fuel.edit.undo.size(), 1u);
        const UndoRecord& record = *fuel.edit.undo.newest();
        EXPECT_EQ(record.kind, 42);
        EXPECT_EQ(record.cost(), 3 * changed);
        EXPECT_EQ(UndoMenuText(&fuel, true).text, "&Undo(Scale DATA)\tCtrl+Z");

        EXPECT_TRUE(UndoLast(*m_data, fuel, m_formats).undone);
        EXPECT_EQ(bytes(fuel), before);
        EXPECT_EQ(fuel.edit.part, EditPart::Data);
        EXPECT_EQ(RedoMenuText(&fuel, true).text, "&Redo(Scale DATA)\tCtrl+Y");
        EXPECT_TRUE(RedoLast(*m_data, fuel, m_formats, 1 << 20).undone);
        EXPECT_EQ(bytes(fuel), after);
        EXPECT_EQ(fuel.edit.redo.size(), 0u);
        EXPECT_EQ(UndoMenuText(&fuel, true).text, "&Undo(Scale DATA)\tCtrl+Z");
    }
}

TEST_F(BlockOpsTest, ResultsAreClampedAtBothLimitsAndCounted)
{
    load(kSamples[0]);
    MapDefinition& fuel = map("Fuel Map1");
    const CellBlock block { 0, 0, 1, 2 };
    fill(fuel, { { 100, 200, 230 }, { 20, 10, 238 } });
    // 12.75 is above the upper edit limit 12 (raw 240): every cell clamped.
    BlockOutcome out
        = applyBlockOperation(*m_data, fuel, block, BlockOperation::Set, 12.75, m_formats, 1024);
    EXPECT_EQ(out.clamped, 6);
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(byte(fuel, 0, p), 240);
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].text, "6 values were kept to the allowed range (0.50 to 12.00).");
    EXPECT_EQ(out.messages[0].icon, Icon::Information);
    EXPECT_EQ(out.messages[0].caption, "Table Window");

    // Down by 11.5: 12.0 - 11.5 = 0.5 lands on the lower limit exactly, no clamp.
    out = applyBlockOperation(*m_data, fuel, block, BlockOperation::Add, -11.5, m_formats, 1024);
    EXPECT_EQ(out.clamped, 0);
    EXPECT_TRUE(out.messages.empty());
    out = applyBlockOperation(*m_data, fuel, block, BlockOperation::Add, -0.05, m_formats, 1024);
    EXPECT_EQ(out.clamped, 6);
    EXPECT_EQ(byte(fuel, 1, 2), 10);
    EXPECT_EQ(out.changed, 0); // nothing changed, so nothing recorded
    EXPECT_EQ(fuel.edit.undo.size(), 2u);

    // A map with a signed physical range (kind 2, TRIM -20..20, lower limit -10).
    MapDefinition& trim = map("Ign Trim");
    out = applyBlockOperation(
        *m_data, trim, whole(trim), BlockOperation::Set, -15.2, m_formats, 1024);
    EXPECT_EQ(out.clamped, trim.z.count * trim.x.count);
    EXPECT_EQ(byte(trim, 0, 0), 20); // -10 = x * 0.5 - 20
    out = applyBlockOperation(*m_data, trim, whole(trim), BlockOperation::Set, 3.3, m_formats, 1024);
    EXPECT_EQ(out.clamped, 0);
    EXPECT_EQ(byte(trim, 1, 1), 47); // (3.3 + 20) * 2 = 46.6, rounded
}

TEST_F(BlockOpsTest, InterpolationOnMapCellsRoundsToTheNearestRawValue)
{
    load(kSamples[2]);
    MapDefinition& fuel = map("Fuel Map1");
    fill(fuel, { { 20, 0, 0, 27 }, { 0, 0, 0, 0 }, { 40, 0, 0, 40 } });
    ASSERT_TRUE(applyBlockOperation(
        *m_data, fuel, { 0, 0, 2, 3 }, BlockOperation::Interpolate, 0, m_formats, 1024)
            .applied);
    // Top line 20 .. 27 in thirds: 22.33, 24.67 -> 22, 25.
    EXPECT_EQ(byte(fuel, 0, 1), 22);
    EXPECT_EQ(byte(fuel, 0, 2), 25);
    EXPECT_EQ(byte(fuel, 1, 0), 30);
    EXPECT_EQ(byte(fuel, 1, 3), 34); // (27 + 40) / 2 = 33.5 -> 34
    EXPECT_EQ(byte(fuel, 2, 2), 40);
}

TEST_F(BlockOpsTest, EveryWrittenByteGoesThroughTheStoreForMapLinks)
{
    load(kSamples[0]);
    MapDefinition& fuel = map("Fuel Map1");
    std::vector<std::uint16_t> mirrored;
    m_data->mirror = [&](std::uint16_t address, std::uint8_t) { mirrored.push_back(address); };
    fill(fuel, { { 50, 60 }, { 70, 80 } });
    const BlockOutcome out
        = applyBlockOperation(*m_data, fuel, { 0, 0, 1, 1 }, BlockOperation::Add, 1, m_formats, 1024);
    EXPECT_EQ(out.changed, 4);
    EXPECT_EQ(mirrored,
        (std::vector<std::uint16_t> { dataCellAddress(fuel, 0, 0), dataCellAddress(fuel, 0, 1),
            dataCellAddress(fuel, 1, 0), dataCellAddress(fuel, 1, 1) }));
    mirrored.clear();
    ASSERT_TRUE(UndoLast(*m_data, fuel, m_formats).undone);
    EXPECT_EQ(mirrored.size(), 4u);
    EXPECT_EQ(byte(fuel, 1, 1), 80);
}

TEST_F(BlockOpsTest, AConversionThatFailsRefusesTheWholeOperation)
{
    load(kSamples[0]);
    MapDefinition& fuel = map("Fuel Map1");
    fill(fuel, { { 50, 60 } });
    m_data->modified = false;
    fuel.y.toRaw = "x/0";
    const BlockOutcome out
        = applyBlockOperation(*m_data, fuel, { 0, 0, 0, 1 }, BlockOperation::Add, 1, m_formats, 1024);
    EXPECT_FALSE(out.applied);
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].icon, Icon::Stop);
    EXPECT_EQ(byte(fuel, 0, 0), 50);
    EXPECT_TRUE(fuel.edit.undo.empty());
    EXPECT_FALSE(m_data->modified);
}

TEST_F(BlockOpsTest, CurrentValueFollowsAWrittenCurrentCell)
{
    load(kSamples[0]);
    MapDefinition& fuel = map("Fuel Map1");
    m_data->startEditing(fuel);
    fill(fuel, { { 100 } });
    fuel.edit.currentValue = 100;
    applyBlockOperation(*m_data, fuel, { 0, 0, 0, 0 }, BlockOperation::Set, 6, m_formats, 1024);
    EXPECT_EQ(fuel.edit.currentValue, 120);
}

TEST_F(BlockOpsTest, ALinkedMapReceivesTheOperationAndItsUndo)
{
    load(kSamples[0]);
    m_data->setCurrentMap(mapIndexByName(m_data->maps(), "Fuel Map1"));
    applyLink(*m_data, kLinkAll, { "Fuel Map1", "Fuel Map2" });
    MapDefinition& first = map("Fuel Map1");
    const MapDefinition& second = map("Fuel Map2");
    fill(first, { { 100, 100 } });
    fill(second, { { 100, 100 } });
    applyBlockOperation(*m_data, first, { 0, 0, 0, 1 }, BlockOperation::Add, 1, m_formats, 1024);
    EXPECT_EQ(byte(second, 0, 0), 120);
    EXPECT_EQ(byte(second, 0, 1), 120);
    ASSERT_TRUE(UndoLast(*m_data, first, m_formats).undone);
    EXPECT_EQ(byte(second, 0, 1), 100);
    ASSERT_TRUE(RedoLast(*m_data, first, m_formats, 1024).undone);
    EXPECT_EQ(byte(second, 0, 1), 120);
}

TEST_F(BlockOpsTest, AChangeFollowingALinkEndsThePartnersRedoOnly)
{
    load(kSamples[0]);
    MapDefinition& first = map("Fuel Map1");
    MapDefinition& second = map("Fuel Map2");
    MapDefinition& other = map("Ign Map1");
    for (MapDefinition* m : { &second, &other }) {
        applyBlockOperation(*m_data, *m, { 0, 0, 0, 1 }, BlockOperation::Add, 1, m_formats, 1024);
        ASSERT_TRUE(UndoLast(*m_data, *m, m_formats).undone);
        ASSERT_FALSE(m->edit.redo.empty());
    }
    m_data->setCurrentMap(mapIndexByName(m_data->maps(), "Fuel Map1"));
    applyLink(*m_data, kLinkAll, { "Fuel Map1", "Fuel Map2" }); // Fuel Map2 takes Map1's values
    EXPECT_TRUE(second.edit.redo.empty());

    m_data->setCurrentMap(mapIndexByName(m_data->maps(), "Fuel Map2"));
    applyBlockOperation(*m_data, second, { 1, 0, 1, 1 }, BlockOperation::Add, 1, m_formats, 1024);
    ASSERT_TRUE(UndoLast(*m_data, second, m_formats).undone);
    ASSERT_FALSE(second.edit.redo.empty());
    m_data->setCurrentMap(mapIndexByName(m_data->maps(), "Fuel Map1"));
    applyBlockOperation(*m_data, first, { 0, 0, 0, 1 }, BlockOperation::Add, 1, m_formats, 1024);
    // A Redo in Fuel Map2 would overwrite what the link just wrote there.
    EXPECT_TRUE(second.edit.redo.empty());
    EXPECT_FALSE(RedoLast(*m_data, second, m_formats, 1024).undone);
    EXPECT_FALSE(other.edit.redo.empty());
}

// --- clipboard -----------------------------------------------------------------------------

TEST_F(BlockOpsTest, CopyWritesTabSeparatedLinesInTheDisplayPrecision)
{
    load(kSamples[0]);
    MapDefinition& fuel = map("Fuel Map1");
    fill(fuel, { { 10, 11, 12 }, { 100, 101, 102 } });
    EXPECT_EQ(copyBlockText(*m_data, fuel, { 0, 1, 1, 2 }, m_formats), "0.55\t0.60\n5.05\t5.10\n");
}

TEST(ClipboardText, TablesAreToldFromSingleValues)
{
    EXPECT_FALSE(isTableText("5.5"));
    EXPECT_FALSE(isTableText(" 5.5\r\n"));
    EXPECT_TRUE(isTableText("1\t2"));
    EXPECT_TRUE(isTableText("1,2"));
    EXPECT_TRUE(isTableText("1\n2\n"));
}

TEST(ClipboardText, RaggedTabAndCommaLinesAreRead)
{
    const auto table = parseTableText("1\t2.5\t3\r\n4,, -5e-1\n\n+6\n\n");
    ASSERT_TRUE(table.ok());
    ASSERT_EQ(table->rows.size(), 4u);
    EXPECT_EQ(table->rows[0], (std::vector<std::optional<double>> { 1, 2.5, 3 }));
    EXPECT_EQ(table->rows[1], (std::vector<std::optional<double>> { 4, std::nullopt, -0.5 }));
    EXPECT_EQ(table->rows[2], (std::vector<std::optional<double>> { std::nullopt }));
    EXPECT_EQ(table->rows[3], (std::vector<std::optional<double>> { 6 }));
    EXPECT_EQ(table->valueCount(), 6);
}

TEST(ClipboardText, ANonNumberRefusesTheWholeText)
{
    for (const char* text : { "1\t2\n3\tabc", "1,2x", "nan,1", "1\tinf", "--1,2", "1,+" }) {
        const auto table = parseTableText(text);
        EXPECT_FALSE(table.ok()) << text;
    }
    const auto table = parseTableText("1\t2\n3\tabc");
    ASSERT_FALSE(table.ok());
    EXPECT_EQ(table.error().text,
        "Data error\n\"abc\" is not a number (line 2, value 2).\nData is set as before editing");
}

TEST_F(BlockOpsTest, PasteWritesFromTheCellCountsValuesBeyondTheMapAndIsOneRecord)
{
    load(kSamples[1]);
    MapDefinition& fuel = map("Fuel Map1");
    const int lastLine = fuel.z.count - 1;
    const int lastPoint = fuel.x.count - 1;
    fill(fuel, { { 50, 50, 50 } });
    for (int p = 0; p < fuel.x.count; ++p)
        m_data->write(dataCellAddress(fuel, lastLine, p), 50, false);
    // Two values fit at the last line's last two points; two fall beyond.
    const auto table = parseTableText("1.0\t2.0\t3.0\n4.0\n");
    ASSERT_TRUE(table.ok());
    BlockOutcome out = pasteTable(*m_data, fuel, lastLine, lastPoint - 1, *table, m_formats, 1024);
    EXPECT_TRUE(out.applied);
    EXPECT_EQ(out.ignored, 2);
    EXPECT_EQ(byte(fuel, lastLine, lastPoint - 1), 20);
    EXPECT_EQ(byte(fuel, lastLine, lastPoint), 40);
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.messages[0].text, "2 values lay beyond the map and were ignored.");

    // An empty field leaves its cell; clamping is counted as for an operation.
    const auto second = parseTableText("0.1,,7");
    ASSERT_TRUE(second.ok());
    out = pasteTable(*m_data, fuel, 0, 0, *second, m_formats, 1024);
    EXPECT_EQ(out.clamped, 1);
    EXPECT_EQ(byte(fuel, 0, 0), 10);
    EXPECT_EQ(byte(fuel, 0, 1), 50);
    EXPECT_EQ(byte(fuel, 0, 2), 140);
    EXPECT_EQ(UndoMenuText(&fuel, true).text, "&Undo(Paste DATA)\tCtrl+Z");
    ASSERT_TRUE(UndoLast(*m_data, fuel, m_formats).undone);
    EXPECT_EQ(byte(fuel, 0, 0), 50);
    EXPECT_EQ(byte(fuel, 0, 2), 50);
}

// --- undo and redo -------------------------------------------------------------------------

TEST_F(BlockOpsTest, RedoTakesUndoneChangesBackInOrderAndANewChangeClearsIt)
{
    load(kSamples[0]);
    MapDefinition& fuel = map("Fuel Map1");
    fill(fuel, { { 100, 100 } });
    const CellBlock block { 0, 0, 0, 1 };
    applyBlockOperation(*m_data, fuel, block, BlockOperation::Add, 1, m_formats, 1024); // 120
    applyBlockOperation(*m_data, fuel, block, BlockOperation::Scale, 50, m_formats, 1024); // 60
    ASSERT_TRUE(UndoLast(*m_data, fuel, m_formats).undone);
    EXPECT_EQ(byte(fuel, 0, 1), 120);
    ASSERT_TRUE(UndoLast(*m_data, fuel, m_formats).undone);
    EXPECT_EQ(byte(fuel, 0, 1), 100);
    EXPECT_FALSE(UndoLast(*m_data, fuel, m_formats).undone);
    EXPECT_EQ(RedoMenuText(&fuel, true).text, "&Redo(Add DATA)\tCtrl+Y");
    ASSERT_TRUE(RedoLast(*m_data, fuel, m_formats, 1024).undone);
    EXPECT_EQ(byte(fuel, 0, 1), 120);
    EXPECT_EQ(RedoMenuText(&fuel, true).text, "&Redo(Scale DATA)\tCtrl+Y");

    // A typed edit is a new change: the Scale can no longer be redone.
    fuel.edit.part = EditPart::Data;
    fuel.edit.line = 0;
    fuel.edit.point = 0;
    fuel.edit.currentValue = 120;
    RecordChange(fuel, UndoOrigin::Typed, 1024);
    EXPECT_TRUE(fuel.edit.redo.empty());
    EXPECT_EQ(RedoMenuText(&fuel, true).text, "&Redo\tCtrl+Y");
    EXPECT_FALSE(RedoMenuText(&fuel, true).enabled);
    EXPECT_FALSE(RedoLast(*m_data, fuel, m_formats, 1024).undone);
}

TEST_F(BlockOpsTest, RedoRespectsTheUndoCapacityAndServesSingleValueChanges)
{
    load(kSamples[0]);
    MapDefinition& fuel = map("Fuel Map1");
    // A typed DATA edit, undone and redone: the typed value comes back exactly.
    m_data->startEditing(fuel);
    fill(fuel, { { 100 } });
    fuel.edit.currentValue = 100;
    RecordChange(fuel, UndoOrigin::Typed, 1024);
    m_data->write(dataCellAddress(fuel, 0, 0), 117);
    ASSERT_TRUE(UndoLast(*m_data, fuel, m_formats).undone);
    EXPECT_EQ(byte(fuel, 0, 0), 100);
    EXPECT_EQ(RedoMenuText(&fuel, true).text, "&Redo(Edit DATA)\tCtrl+Y");
    ASSERT_TRUE(RedoLast(*m_data, fuel, m_formats, 1024).undone);
    EXPECT_EQ(byte(fuel, 0, 0), 117);
    EXPECT_EQ(fuel.edit.currentValue, 117);

    // The record taken again goes through the undo stack's trim: with room
    // for one value change (SIZE 3) the older record goes.
    applyBlockOperation(*m_data, fuel, { 1, 0, 1, 1 }, BlockOperation::Set, 2, m_formats, 1024);
    ASSERT_EQ(fuel.edit.undo.size(), 2u);
    ASSERT_TRUE(UndoLast(*m_data, fuel, m_formats).undone);
    ASSERT_TRUE(RedoLast(*m_data, fuel, m_formats, 3).undone);
    ASSERT_EQ(fuel.edit.undo.size(), 1u);
    EXPECT_EQ(fuel.edit.undo.newest()->kind, 42);
}

} // namespace
} // namespace zlm
