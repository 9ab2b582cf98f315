#include "views/table_edit.h"

#include "base/app_settings.h"
#include "data/conversion.h"
#include "data/ecu_data_set.h"
#include "base/line_list.h"
#include "data/map_access.h"
#include "data/map_definition.h"
#include "data/undo_stack.h"
#include "tests/views/map_fixture.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace zlm {
namespace {

using test::axis;

// A free map of 3 lines x 4 points: THROT bytes at 8000 (raw = physical),
// RPM bytes at 8006 (x100), FUEL bytes at 8010 (quarters, 1 .. 50).
class TableEditTest : public ::testing::Test {
protected:
    TableEditTest()
    {
        m_map.name = "FUEL1";
        m_map.z = axis("THROT", "0", "100", "x", "x");
        m_map.z.count = 3;
        m_map.z.address = 0x8000;
        m_map.x = axis("RPM", "0", "25500", "x*100", "x/100");
        m_map.x.count = 4;
        m_map.x.address = 0x8006;
        m_map.y = axis("FUEL", "1", "50", "x/4", "x*4");
        m_map.dataCount = 12;
        m_map.dataAddress = 0x8010;
        m_formats.x = "%.0f";
        m_formats.y = "%.2f";
        m_formats.z = "%.1f";
        setZ({ 10, 20, 30 });
        for (int i = 0; i < 4; ++i)
            m_data.image()[0x8006 + i] = static_cast<std::uint8_t>(10 * (i + 1));
        m_data.mirror = [this](std::uint16_t address, std::uint8_t value) {
            m_mirrored.emplace_back(address, value);
        };
    }

    // Z values, bytes or big-endian words as the axis width says.
    void setZ(std::initializer_list<int> values)
    {
        int i = 0;
        for (int v : values) {
            const std::uint16_t address = zPointAddress(m_map, i++);
            if (m_map.z.width == 2) {
                m_data.image()[address] = static_cast<std::uint8_t>(v >> 8);
                m_data.image()[address + 1] = static_cast<std::uint8_t>(v);
            } else {
                m_data.image()[address] = static_cast<std::uint8_t>(v);
            }
        }
    }

    // Makes the cell current the way the window does: value from the image, then its limits.
    void pick(EditPart part, int line, int point)
    {
        m_map.edit.part = part;
        m_map.edit.line = line;
        m_map.edit.point = point;
        const auto image = std::as_const(m_data).image();
        switch (part) {
        case EditPart::Throt:
            m_map.edit.currentValue = readZPoint(image, m_map, point);
            break;
        case EditPart::Rpm:
            m_map.edit.currentValue = readXPoint(image, m_map, line, point);
            break;
        default:
            m_map.edit.currentValue = readDataCell(image, m_map, line, point).value;
            break;
        }
        computeAllowedRange(m_map, image);
    }

    void pickData(int line, int point, std::uint8_t value)
    {
        m_data.image()[dataCellAddress(m_map, line, point)] = value;
        pick(EditPart::Data, line, point);
    }

    TableEditOutcome typeCell(std::string_view text)
    {
        return applyCellText(m_data, m_map, m_formats, kUndoSize, text);
    }
    TableEditOutcome typeHeader(std::string_view text)
    {
        return applyHeaderText(m_data, m_map, m_formats, kUndoSize, text);
    }

    std::uint8_t byteAt(std::uint16_t address) const { return m_data.read(address); }
    std::uint8_t dataByte(int line, int point) const
    {
        return m_data.read(dataCellAddress(m_map, line, point));
    }
    const UndoStack& undo() const { return m_map.edit.undo; }

    static std::vector<std::string> textsOf(const TableEditOutcome& outcome)
    {
        std::vector<std::string> texts;
        for (const Message& m : outcome.messages)
            texts.push_back(m.text);
        return texts;
    }

    static constexpr int kUndoSize = 1024;
    LineList m_definition;
    EcuDataSet m_data { m_definition };
    MapDefinition m_map;
    DisplayFormats m_formats;
    std::vector<std::pair<std::uint16_t, std::uint8_t>> m_mirrored;
};

// --- typed text ----------------------------------------------------------------------------

TEST(TypedNumber, CharacterRuleAloneLetsNonNumbersThrough)
{
    // The edit bar reads such text like "%f"; the table parses it strictly.
    for (const char* text : { "-", ".", "1.2.3", "-.", "007" })
        EXPECT_TRUE(isTypedNumberText(text)) << text;
    for (const char* text : { "", "+1", " 1", "1 ", "1,5", "1-", "--1", "1e3", "\xEF\xBC\x91" })
        EXPECT_FALSE(isTypedNumberText(text)) << text;
}

TEST(TypedNumber, ParsesWholeDecimalNumbersOnly)
{
    EXPECT_EQ(parseTypedValue(".5"), 0.5f);
    EXPECT_EQ(parseTypedValue("5."), 5.0f);
    EXPECT_EQ(parseTypedValue("-0.25"), -0.25f);
    EXPECT_EQ(parseTypedValue("007"), 7.0f);
    for (const char* text : { "-", ".", "-.", "1.2.3", "1-2", "+1" })
        EXPECT_FALSE(parseTypedValue(text).has_value()) << text;
    // Too large for a float: refused rather than taken as infinity.
    EXPECT_FALSE(parseTypedValue(std::string(50, '9')).has_value());
}

TEST(TypedNumber, SettlingTakesOnlyResultsJustBelowTheNextWholeValue)
{
    EXPECT_EQ(settleTruncation({ EvalCode::Ok, 51.9995f, 51 }), 52);
    EXPECT_EQ(settleTruncation({ EvalCode::Ok, 51.998f, 51 }), 51);
    EXPECT_EQ(settleTruncation({ EvalCode::Ok, 52.0f, 52 }), 52);
    EXPECT_EQ(settleTruncation({ EvalCode::Ok, 0.9999f, 0 }), 1);
    // Negative results truncate toward zero and are never moved.
    EXPECT_EQ(settleTruncation({ EvalCode::Ok, -0.0001f, 0 }), 0);
    EXPECT_EQ(settleTruncation({ EvalCode::Ok, 3e9f, 2147483647 }), 2147483647);
}

TEST(TypedNumber, ClampKeepsTheElementThenTheLimitsWithTheUpperWinning)
{
    MapEditState edit;
    edit.lowerLimit = 10;
    edit.upperLimit = 200;
    EXPECT_EQ(clampToEditLimits(-5, edit), 10);
    EXPECT_EQ(clampToEditLimits(300, edit), 200);
    EXPECT_EQ(clampToEditLimits(10, edit), 10);
    EXPECT_EQ(clampToEditLimits(200, edit), 200);
    edit.upperLimit = 65535;
    EXPECT_EQ(clampToEditLimits(300, edit), 255);
    EXPECT_EQ(clampToEditLimits(300, edit, 0xFFFF), 300);
    // Crossed limits: the upper one is applied last.
    edit.lowerLimit = 300;
    edit.upperLimit = 255;
    EXPECT_EQ(clampToEditLimits(0, edit), 255);
}

// --- the cell editor ---------------------------------------------------------------------

TEST_F(TableEditTest, RangeEndsAreInsideAndJustBeyondThemGivesRangeOver)
{
    pickData(0, 1, 100);
    TableEditOutcome outcome = typeCell("50");
    EXPECT_TRUE(outcome.written);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_EQ(dataByte(0, 1), 200);

    pickData(0, 2, 100);
    outcome = typeCell("50.25");
    EXPECT_TRUE(outcome.accepted);
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(dataByte(0, 2), 200);
    EXPECT_EQ(outcome.text, "50.00");
    ASSERT_EQ(outcome.messages.size(), 1u);
    const Message& m = outcome.messages.front();
    EXPECT_EQ(m.id, 1525);
    EXPECT_EQ(m.icon, Icon::Exclamation);
    EXPECT_EQ(m.caption, "Table Window");
    EXPECT_EQ(m.text, "Input Data Range Over:50.25 \n (1.00<=Data<=50.00)\n set 50.00");

    pickData(0, 3, 100);
    outcome = typeCell("1");
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_EQ(dataByte(0, 3), 4);
    outcome = typeCell("0.99");
    EXPECT_EQ(textsOf(outcome),
        std::vector<std::string> {
            "Input Data Range Over:0.99 \n (1.00<=Data<=50.00)\n set 1.00" });
    EXPECT_EQ(dataByte(0, 3), 4);
    EXPECT_FALSE(outcome.written); // already 4
}

TEST_F(TableEditTest, NegativeTextIsKeptAtTheLowestAllowedValue)
{
    pickData(1, 0, 100);
    const TableEditOutcome outcome = typeCell("-3");
    EXPECT_EQ(dataByte(1, 0), 4);
    EXPECT_EQ(textsOf(outcome),
        std::vector<std::string> {
            "Input Data Range Over:-3.00 \n (1.00<=Data<=50.00)\n set 1.00" });
}

TEST_F(TableEditTest, EditLimitsNarrowTheRangeTheMessageNames)
{
    m_map.y.lowerLimit = "2";
    m_map.y.upperLimit = "40";
    pickData(0, 0, 100);
    const TableEditOutcome outcome = typeCell("45");
    EXPECT_EQ(dataByte(0, 0), 160);
    EXPECT_EQ(textsOf(outcome),
        std::vector<std::string> {
            "Input Data Range Over:45.00 \n (2.00<=Data<=40.00)\n set 40.00" });
}

TEST_F(TableEditTest, ALimitThatShowsOutsideTheRangeMovesOneStepInside)
{
    // Raw 3 is the truncated lower limit but shows 0.90, below the minimum 1.
    m_map.y = axis("FUEL", "1", "70", "x*0.3", "x/0.3");
    pickData(0, 0, 100);
    TableEditOutcome outcome = typeCell("0");
    EXPECT_EQ(dataByte(0, 0), 4);
    EXPECT_EQ(outcome.text, "1.20");
    EXPECT_EQ(textsOf(outcome),
        std::vector<std::string> {
            "Input Data Range Over:0.00 \n (1.00<=Data<=70.00)\n set 1.20" });

    // Inside the range, but truncated onto the same limit: moved, no message.
    pickData(0, 1, 100);
    outcome = typeCell("1.1");
    EXPECT_EQ(dataByte(0, 1), 4);
    EXPECT_TRUE(outcome.messages.empty());
}

TEST_F(TableEditTest, AStepInsideNeverWrapsPastTheTopByte)
{
    // The whole range lies above what a byte can show: raw 255 stays.
    m_map.y = axis("FUEL", "30", "40", "x*0.1", "x*10");
    pickData(0, 0, 100);
    const TableEditOutcome outcome = typeCell("35");
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(dataByte(0, 0), 255);
    EXPECT_EQ(outcome.text, "25.50");
}

TEST_F(TableEditTest, OtherTextForTheSameRawValueWritesNothingButShowsTheValue)
{
    pickData(2, 2, 100); // 25.00
    const TableEditOutcome outcome = typeCell("25.1");
    EXPECT_TRUE(outcome.accepted);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.text, "25.00");
    EXPECT_TRUE(undo().empty());
    EXPECT_FALSE(m_data.modified);
    EXPECT_TRUE(m_mirrored.empty());
}

TEST_F(TableEditTest, TypedDataIsMirroredAndRecordedWithTheOldValue)
{
    pickData(1, 2, 100);
    const TableEditOutcome outcome = typeCell("12.5");
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(m_map.edit.currentValue, 50);
    const std::uint16_t address = dataCellAddress(m_map, 1, 2);
    EXPECT_EQ(
        m_mirrored, (std::vector<std::pair<std::uint16_t, std::uint8_t>> { { address, 50 } }));
    ASSERT_EQ(undo().size(), 1u);
    EXPECT_EQ(undo().newest()->kind, 12);
    EXPECT_EQ(undo().newest()->addresses, std::vector<std::uint16_t> { address });
    EXPECT_EQ(undo().newest()->oldValues, std::vector<std::uint16_t> { 100 });
}

TEST_F(TableEditTest, FailedConversionIsADataErrorInTheCellButNamedInTheHeader)
{
    m_map.y.toRaw = "x/(x-5)";
    pickData(0, 0, 100);
    TableEditOutcome outcome = typeCell("5");
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(outcome.text, "25.00");
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].id, 1505);
    EXPECT_EQ(outcome.messages[0].icon, Icon::Stop);
    EXPECT_EQ(outcome.messages[0].caption, "Table Window");
    EXPECT_EQ(outcome.messages[0].text, "Data error\nData is set as before editing");

    m_map.z.toRaw = "x/(x-5)";
    pick(EditPart::Throt, 1, 1);
    outcome = typeHeader("5");
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(outcome.text, "20.0");
    EXPECT_EQ(
        textsOf(outcome), std::vector<std::string> { "Error /0\nData is set as before editing" });
    EXPECT_TRUE(undo().empty());
    EXPECT_FALSE(m_data.modified);
}

TEST_F(TableEditTest, AWriteOutsideTheMapRecordsNothing)
{
    pickData(0, 0, 100);
    m_map.edit.line = m_map.z.count; // a stale position
    EXPECT_FALSE(typeCell("10").written);
    EXPECT_FALSE(stepDataValue(m_data, m_map, m_formats, kUndoSize, +1).written);
    EXPECT_TRUE(undo().empty());
    EXPECT_EQ(m_map.edit.currentValue, 100);
}

// --- the header editor -------------------------------------------------------------------

TEST_F(TableEditTest, ThrotStaysStrictlyBetweenItsNeighbours)
{
    pick(EditPart::Throt, 1, 1); // between 10 and 30: 11 .. 29
    EXPECT_TRUE(typeHeader("11").written);
    EXPECT_TRUE(typeHeader("29").written);
    EXPECT_EQ(byteAt(0x8001), 29);
    for (const char* text : { "30", "10" }) {
        const TableEditOutcome outcome = typeHeader(text);
        EXPECT_FALSE(outcome.accepted) << text;
        EXPECT_EQ(outcome.text, "29.0");
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages[0].id, 1503);
        EXPECT_EQ(outcome.messages[0].text,
            "Input Data cannot change to value\nData is set as before editing");
    }
    EXPECT_EQ(byteAt(0x8001), 29);
    ASSERT_EQ(undo().size(), 2u);
    EXPECT_EQ(undo().records()[0].kind, 10);
    EXPECT_EQ(undo().records()[0].oldValues.front(), 20);
    EXPECT_EQ(undo().records()[1].oldValues.front(), 11);
    EXPECT_TRUE(m_mirrored.empty()); // axis values never reach linked maps
}

TEST_F(TableEditTest, ThrotBelowTheRangeTakesTheEndOrOneSpacingInside)
{
    m_map.z.minimum = "5";
    m_map.z.spacing = 3;
    pick(EditPart::Throt, 0, 0); // the first point takes the range's end
    TableEditOutcome outcome = typeHeader("2");
    EXPECT_EQ(byteAt(0x8000), 5);
    EXPECT_EQ(textsOf(outcome),
        std::vector<std::string> {
            "Input Data Range Over:2.00 \n (5.00<=Data<=100.00)\n set 5.00" });

    // Point 1: the range's end (5) lies below the limit (6), so one spacing
    // above the neighbour.
    pick(EditPart::Throt, 1, 1);
    outcome = typeHeader("2");
    EXPECT_EQ(byteAt(0x8001), 8);
    EXPECT_EQ(outcome.text, "8.0");
    EXPECT_EQ(outcome.messages.back().text,
        "Input Data Range Over:2.00 \n (5.00<=Data<=100.00)\n set 8.00");

    // With the range's end above the limit: one spacing above that end.
    m_map.z.minimum = "15";
    setZ({ 5, 20, 30 });
    pick(EditPart::Throt, 1, 1);
    outcome = typeHeader("12");
    EXPECT_EQ(byteAt(0x8001), 18);
    EXPECT_EQ(outcome.messages.back().text,
        "Input Data Range Over:12.00 \n (15.00<=Data<=100.00)\n set 18.00");
}

TEST_F(TableEditTest, ThrotAboveTheRangeTakesTheEndOrOneSpacingInside)
{
    m_map.z.spacing = 3;
    pick(EditPart::Throt, 2, 2); // the last point takes the range's end
    EXPECT_EQ(typeHeader("200").messages.back().text,
        "Input Data Range Over:200.00 \n (0.00<=Data<=100.00)\n set 100.00");
    EXPECT_EQ(byteAt(0x8002), 100);

    pick(EditPart::Throt, 1, 1); // 100 lies beyond the limit 99: the neighbour minus one spacing
    EXPECT_EQ(typeHeader("200").messages.back().text,
        "Input Data Range Over:200.00 \n (0.00<=Data<=100.00)\n set 97.00");
    EXPECT_EQ(byteAt(0x8001), 97);

    m_map.z.maximum = "25";
    setZ({ 10, 20, 30 });
    pick(EditPart::Throt, 1, 1);
    EXPECT_EQ(typeHeader("26").messages.back().text,
        "Input Data Range Over:26.00 \n (0.00<=Data<=25.00)\n set 22.00");
    EXPECT_EQ(byteAt(0x8001), 22);
}

TEST_F(TableEditTest, ThrotSetOntoItsNeighbourIsClampedBetweenThemOrRefusedWithOneMessage)
{
    // No spacing: the range rule would set the next point's value (30); the
    // nearest value the neighbours allow is 29.
    pick(EditPart::Throt, 1, 1);
    TableEditOutcome outcome = typeHeader("101");
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(textsOf(outcome),
        std::vector<std::string> {
            "Input Data Range Over:101.00 \n (0.00<=Data<=100.00)\n set 29.00" });
    EXPECT_EQ(byteAt(0x8001), 29);
    EXPECT_EQ(outcome.text, "29.0");

    // Neighbours one apart leave no value at all: one refusal, nothing written.
    setZ({ 10, 11, 11 });
    pick(EditPart::Throt, 1, 1);
    outcome = typeHeader("101");
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(textsOf(outcome),
        std::vector<std::string> {
            "Input Data cannot change to value\nData is set as before editing" });
    EXPECT_EQ(byteAt(0x8001), 11);
}

TEST_F(TableEditTest, ThrotBeyondTheByteBecomes254)
{
    m_map.z.maximum = "1000";
    pick(EditPart::Throt, 2, 2);
    const TableEditOutcome outcome = typeHeader("300");
    EXPECT_TRUE(outcome.written);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_EQ(byteAt(0x8002), 254);
    EXPECT_EQ(outcome.text, "254.0");
}

TEST_F(TableEditTest, WideThrotIsStoredBigEndianAndTheSameTextWritesNothing)
{
    m_map.z.width = 2;
    m_map.z.maximum = "5000";
    setZ({ 100, 200, 300 });
    pick(EditPart::Throt, 2, 2);
    EXPECT_FALSE(typeHeader("300").written); // "300.0" already
    EXPECT_FALSE(m_data.modified);

    const TableEditOutcome outcome = typeHeader("1000");
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(byteAt(0x8004), 0x03);
    EXPECT_EQ(byteAt(0x8005), 0xE8);
    EXPECT_EQ(m_map.edit.currentValue, 1000);
    EXPECT_TRUE(m_mirrored.empty());
    ASSERT_EQ(undo().size(), 1u);
    EXPECT_EQ(undo().newest()->addresses, std::vector<std::uint16_t> { 0x8004 });
    EXPECT_EQ(undo().newest()->oldValues, std::vector<std::uint16_t> { 300 });
}

TEST_F(TableEditTest, RpmStaysStrictlyBetweenItsNeighboursInBothEditors)
{
    pick(EditPart::Rpm, 0, 1); // between 1000 and 3000, both excluded
    EXPECT_EQ(m_map.edit.lowerLimit, 11);
    EXPECT_EQ(m_map.edit.upperLimit, 29);
    for (const char* text : { "1000", "3000", "5000" }) {
        for (const TableEditOutcome& outcome : { typeHeader(text), typeCell(text) }) {
            EXPECT_FALSE(outcome.accepted) << text;
            EXPECT_EQ(textsOf(outcome),
                std::vector<std::string> {
                    "Input Data cannot change to value\nData is set as before editing" });
            EXPECT_EQ(outcome.text, "2000");
        }
    }
    EXPECT_EQ(byteAt(0x8007), 20);
    EXPECT_TRUE(typeHeader("1100").written);
    EXPECT_TRUE(typeCell("2900").written);
    EXPECT_EQ(byteAt(0x8007), 29);

    // Beyond the range the value set is kept below the next point.
    pick(EditPart::Rpm, 0, 1);
    m_map.edit.currentValue = 20;
    m_data.image()[0x8007] = 20;
    TableEditOutcome outcome = typeCell("30000");
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(textsOf(outcome),
        std::vector<std::string> {
            "Input Data Range Over:30000.00 \n (0.00<=Data<=25500.00)\n set 2900.00" });
    EXPECT_EQ(byteAt(0x8007), 29);
    ASSERT_EQ(undo().size(), 3u);
    EXPECT_EQ(undo().newest()->kind, 11);
}

// --- steps -------------------------------------------------------------------------------

TEST_F(TableEditTest, DataStepDownStopsAtTheRangeAndAtZero)
{
    pickData(0, 0, 5); // 1.25
    TableEditOutcome outcome = stepDataValue(m_data, m_map, m_formats, kUndoSize, -1);
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.text, "1.00");
    EXPECT_EQ(dataByte(0, 0), 4);
    EXPECT_FALSE(stepDataValue(m_data, m_map, m_formats, kUndoSize, -1).written);
    EXPECT_EQ(dataByte(0, 0), 4);

    m_map.y.minimum = "0";
    pickData(0, 1, 0);
    EXPECT_FALSE(stepDataValue(m_data, m_map, m_formats, kUndoSize, -1).written);
    EXPECT_EQ(undo().size(), 1u);
}

TEST_F(TableEditTest, DataStepIsAMirroredKeyStep)
{
    pickData(2, 3, 199);
    EXPECT_TRUE(stepDataValue(m_data, m_map, m_formats, kUndoSize, +1).written);
    const std::uint16_t address = dataCellAddress(m_map, 2, 3);
    EXPECT_EQ(
        m_mirrored, (std::vector<std::pair<std::uint16_t, std::uint8_t>> { { address, 200 } }));
    ASSERT_EQ(undo().size(), 1u);
    EXPECT_EQ(undo().newest()->kind, 32);
    EXPECT_EQ(undo().newest()->oldValues.front(), 199);
    EXPECT_FALSE(stepDataValue(m_data, m_map, m_formats, kUndoSize, +1).written); // 50.25 > 50

    // Only data cells step.
    pick(EditPart::Throt, 1, 1);
    EXPECT_FALSE(stepDataValue(m_data, m_map, m_formats, kUndoSize, +1).written);
    EXPECT_EQ(byteAt(0x8001), 20);
}

TEST_F(TableEditTest, AxisStepKeepsOneSpacingFromTheNeighbours)
{
    m_map.z.spacing = 5;
    pick(EditPart::Throt, 1, 1);
    const auto step = [&](int direction) {
        return stepAxisValue(m_data, m_map, m_formats, kUndoSize, direction);
    };
    TableEditOutcome outcome = step(+1);
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.text, "25.0");
    EXPECT_FALSE(step(+1).written); // 30 - 5
    EXPECT_TRUE(step(-1).written);
    EXPECT_TRUE(step(-1).written);
    EXPECT_FALSE(step(-1).written); // 10 + 5
    EXPECT_EQ(byteAt(0x8001), 15);
    ASSERT_EQ(undo().size(), 1u);
    EXPECT_EQ(undo().newest()->kind, 30);
    EXPECT_EQ(undo().newest()->oldValues.front(), 20);
    EXPECT_TRUE(m_mirrored.empty());
}

TEST_F(TableEditTest, AxisStepAtTheEndsReachesTheRangeButNeedsRoomAndASpacing)
{
    m_map.z.minimum = "8";
    m_map.z.maximum = "32";
    m_map.z.spacing = 5;
    pick(EditPart::Throt, 2, 2);
    EXPECT_TRUE(stepAxisValue(m_data, m_map, m_formats, kUndoSize, +1).written);
    EXPECT_EQ(byteAt(0x8002), 32);
    pick(EditPart::Throt, 0, 0);
    EXPECT_TRUE(stepAxisValue(m_data, m_map, m_formats, kUndoSize, -1).written);
    EXPECT_EQ(byteAt(0x8000), 8);

    // Neighbours closer than two spacings leave no room, even for the value itself.
    m_map.z.spacing = 11;
    setZ({ 10, 20, 30 });
    pick(EditPart::Throt, 1, 1);
    EXPECT_FALSE(stepAxisValue(m_data, m_map, m_formats, kUndoSize, -1).written);
    m_map.z.spacing = 0;
    EXPECT_FALSE(stepAxisValue(m_data, m_map, m_formats, kUndoSize, +1).written);
    EXPECT_EQ(byteAt(0x8001), 20);
}

TEST_F(TableEditTest, StepsAndEditsStartFromTheValueInTheImage)
{
    // The current cell's byte changes behind the window (a read from the ECU,
    // another editor): a step goes on from the new byte and Undo restores it.
    pickData(1, 2, 100);
    const std::uint16_t address = dataCellAddress(m_map, 1, 2);
    m_data.image()[address] = 120;
    EXPECT_TRUE(stepDataValue(m_data, m_map, m_formats, kUndoSize, +1).written);
    EXPECT_EQ(byteAt(address), 121);
    ASSERT_EQ(undo().size(), 1u);
    EXPECT_EQ(undo().newest()->oldValues.front(), 120);

    // Typing the value the window last knew writes it and records the byte
    // it replaces; typing the byte's own value writes nothing.
    pickData(0, 1, 100); // 25.00
    m_data.image()[dataCellAddress(m_map, 0, 1)] = 120;
    EXPECT_FALSE(typeCell("30.00").written);
    EXPECT_TRUE(typeCell("25.00").written);
    EXPECT_EQ(dataByte(0, 1), 100);
    ASSERT_EQ(undo().size(), 2u);
    EXPECT_EQ(undo().newest()->oldValues.front(), 120);

    // Axis points: the step, its record and the neighbours' limits follow the image.
    m_map.z.spacing = 5;
    pick(EditPart::Throt, 1, 1); // 20, limits 11 .. 29
    setZ({ 10, 26, 40 });
    EXPECT_TRUE(stepAxisValue(m_data, m_map, m_formats, kUndoSize, +1).written);
    EXPECT_EQ(byteAt(0x8001), 31);
    EXPECT_EQ(undo().newest()->oldValues.front(), 26);
    EXPECT_TRUE(typeHeader("38").written);
    EXPECT_EQ(byteAt(0x8001), 38);
    EXPECT_EQ(undo().newest()->oldValues.front(), 31);

    setZ({ 10, 26, 30 }); // the typed THROT is checked against the neighbour now there
    EXPECT_FALSE(typeHeader("35").accepted);
    EXPECT_EQ(byteAt(0x8001), 26);
}

// --- cells and moves ----------------------------------------------------------------------

TEST_F(TableEditTest, SelectingACellLoadsItsValueAndLimits)
{
    m_data.image()[dataCellAddress(m_map, 2, 3)] = 77;
    selectTableCell(m_data, m_map, EditPart::Data, 2, 3);
    EXPECT_EQ(m_map.edit.editOwner, 2);
    EXPECT_EQ(m_map.edit.currentValue, 77);
    EXPECT_EQ(m_map.edit.lowerLimit, 4);
    EXPECT_EQ(m_map.edit.upperLimit, 200);

    selectTableCell(m_data, m_map, EditPart::Throt, 2, 2);
    EXPECT_EQ(m_map.edit.currentValue, 30);
    EXPECT_EQ(m_map.edit.lowerLimit, 21);

    // Kind 2: the RPM point of the line's own axis.
    m_map.kind = 2;
    m_data.image()[xPointAddress(m_map, 1, 0)] = 5;
    m_data.image()[xPointAddress(m_map, 1, 1)] = 6;
    selectTableCell(m_data, m_map, EditPart::Rpm, 1, 0);
    EXPECT_EQ(m_map.edit.part, EditPart::Rpm);
    EXPECT_EQ(m_map.edit.currentValue, 5);
    EXPECT_EQ(m_map.edit.lowerLimit, 0);
    EXPECT_EQ(m_map.edit.upperLimit, 5); // strictly below the next point
}

TEST_F(TableEditTest, HeaderPartsDependOnTheModeAndLayout)
{
    m_map.edit.part = EditPart::Rpm;
    EXPECT_TRUE(isHeaderPart(m_map, MapMode::Free));
    EXPECT_TRUE(isHeaderPart(m_map, MapMode::ConfigInImage));
    EXPECT_FALSE(isHeaderPart(m_map, MapMode::Config));
    m_map.kind = 2; // paired: RPM is a grid row
    EXPECT_TRUE(isPairedLayout(m_map, MapMode::Free));
    EXPECT_FALSE(isHeaderPart(m_map, MapMode::Free));
    EXPECT_FALSE(isPairedLayout(m_map, MapMode::ConfigInImage));
    EXPECT_TRUE(isHeaderPart(m_map, MapMode::ConfigInImage));
    m_map.edit.part = EditPart::Throt;
    EXPECT_TRUE(isHeaderPart(m_map, MapMode::Free));
    m_map.edit.part = EditPart::Data;
    EXPECT_FALSE(isHeaderPart(m_map, MapMode::Free));
}

struct MoveCase {
    MapMode mode;
    EditPart part;
    int line;
    int point;
    MoveCode code;
    TableMove::Action action;
    EditPart toPart = EditPart::None;
    int toLine = 0;
    int toPoint = 0;
    int direction = 0;
};

TEST_F(TableEditTest, MovesAtTheEdgesOfTheGridAndTheHeaders)
{
    using A = TableMove::Action;
    constexpr MapMode kFree = MapMode::Free;
    constexpr MapMode kList = MapMode::Config;
    constexpr MapMode kMem = MapMode::ConfigInImage;
    constexpr EditPart kData = EditPart::Data;
    constexpr EditPart kRpm = EditPart::Rpm;
    constexpr EditPart kThrot = EditPart::Throt;
    const MoveCase cases[] = {
        // The cell editor at the last line and point goes nowhere.
        { kFree, kData, 2, 3, MoveCode::ShiftDown, A::None },
        { kFree, kData, 2, 3, MoveCode::ShiftRight, A::None },
        // Plain arrows are no table moves.
        { kFree, kData, 1, 1, MoveCode::Left, A::None },
        { kFree, kData, 1, 1, MoveCode::Down, A::None },
        // List-axis maps step data but never reach a header.
        { kList, kData, 0, 0, MoveCode::PageUp, A::StepData, kData, 0, 0, +1 },
        { kList, kData, 0, 0, MoveCode::ShiftUp, A::None },
        { kList, kData, 1, 0, MoveCode::ShiftLeft, A::None },
        // THROT walks its points, stops at both ends and goes right to the data.
        { kFree, kThrot, 0, 0, MoveCode::ShiftUp, A::None },
        { kFree, kThrot, 2, 2, MoveCode::ShiftDown, A::None },
        { kFree, kThrot, 1, 1, MoveCode::ShiftDown, A::Go, kThrot, 2, 2 },
        { kFree, kThrot, 1, 1, MoveCode::ShiftLeft, A::None },
        { kFree, kThrot, 2, 2, MoveCode::ShiftRight, A::Go, kData, 2, 0 },
        // RPM: right stops at the last point, down always lands on line 0.
        { kFree, kRpm, 2, 3, MoveCode::ShiftRight, A::None },
        { kFree, kRpm, 2, 1, MoveCode::ShiftDown, A::Go, kData, 0, 1 },
        { kFree, kRpm, 0, 1, MoveCode::ShiftUp, A::None },
        // Axis steps only where the axes are in the image.
        { kFree, kThrot, 1, 1, MoveCode::PageUp, A::None },
        { kFree, kRpm, 0, 1, MoveCode::PageDown, A::None },
        { kMem, kThrot, 1, 1, MoveCode::PageDown, A::StepAxis, EditPart::None, 0, 0, -1 },
        { kMem, kRpm, 0, 1, MoveCode::PageUp, A::StepAxis, EditPart::None, 0, 0, +1 },
    };
    for (const MoveCase& c : cases) {
        m_map.edit.part = c.part;
        m_map.edit.line = c.line;
        m_map.edit.point = c.point;
        const TableMove move = tableMove(m_map, c.mode, c.code);
        SCOPED_TRACE(::testing::Message()
            << "mode " << static_cast<int>(c.mode) << " part " << static_cast<int>(c.part) << " at "
            << c.line << "/" << c.point << " code " << static_cast<int>(c.code));
        EXPECT_EQ(move.action, c.action);
        if (c.action == A::Go) {
            EXPECT_EQ(move.part, c.toPart);
            EXPECT_EQ(move.line, c.toLine);
            EXPECT_EQ(move.point, c.toPoint);
        } else {
            EXPECT_EQ(move.direction, c.direction);
        }
    }
}

TEST_F(TableEditTest, PairedRpmRowLeavesPointZeroForItsLinesThrotValue)
{
    m_map.kind = 2;
    m_map.edit.part = EditPart::Rpm;
    m_map.edit.line = 1;
    m_map.edit.point = 0;
    const TableMove left = tableMove(m_map, MapMode::Free, MoveCode::ShiftLeft);
    EXPECT_EQ(left.action, TableMove::Action::Go);
    EXPECT_EQ(left.part, EditPart::Throt);
    EXPECT_EQ(left.line, 1);
    EXPECT_EQ(left.point, 1);
}

} // namespace
} // namespace zlm
