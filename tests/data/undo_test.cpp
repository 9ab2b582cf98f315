#include "data/undo_stack.h"

#include "base/app_settings.h"
#include "data/ecu_data_set.h"
#include "base/line_list.h"
#include "data/map_definition.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace zlm {
namespace {

// A free map of 3 lines x 4 points laid out as the definition does it.
MapDefinition freeMap(int kind = 1)
{
    MapDefinition map;
    map.kind = kind;
    map.name = "FUEL1";
    map.z = { .name = "THROT",
        .count = 3,
        .address = 0x8002,
        .maximum = "100",
        .minimum = "0",
        .toPhysical = "x",
        .toRaw = "x" };
    map.x = { .name = "RPM",
        .count = 4,
        .address = 0x8005,
        .maximum = "20000",
        .minimum = "0",
        .toPhysical = "x*100",
        .toRaw = "x/100" };
    const int xBytes = kind == 2 ? 12 : 4;
    map.y = {
        .name = "DATA", .maximum = "76.5", .minimum = "0", .toPhysical = "x*0.3", .toRaw = "x/0.3"
    };
    map.dataCount = 12;
    map.dataAddress = static_cast<std::uint16_t>(0x8005 + xBytes);
    map.edit.part = EditPart::Data;
    return map;
}

void select(MapDefinition& map, EditPart part, int line, int point, std::uint16_t value)
{
    map.edit.part = part;
    map.edit.line = line;
    map.edit.point = point;
    map.edit.currentValue = value;
}

UndoRecord valueChange(std::uint16_t address)
{
    return UndoRecord { 12, { address }, { 0 } };
}

std::vector<std::uint16_t> addressesOf(const UndoStack& stack)
{
    std::vector<std::uint16_t> result;
    for (const UndoRecord& r : stack.records())
        result.push_back(r.addresses.front());
    return result;
}

// --- capacity --------------------------------------------------------------------

TEST(UndoCapacity, DefaultSizeHolds342ValueChangesAndDropsTheOldest)
{
    UndoStack stack;
    for (int i = 0; i < 342; ++i)
        stack.push(valueChange(static_cast<std::uint16_t>(i)), 1024);
    EXPECT_EQ(stack.size(), 342u);
    EXPECT_EQ(stack.totalCost(), 1026);

    stack.push(valueChange(1000), 1024);
    ASSERT_EQ(stack.size(), 342u);
    EXPECT_EQ(stack.records().front().addresses.front(), 1);
    EXPECT_EQ(stack.records().back().addresses.front(), 1000);

    for (int i = 0; i < 100; ++i)
        stack.push(valueChange(static_cast<std::uint16_t>(2000 + i)), 1024);
    EXPECT_EQ(stack.size(), 342u);
    EXPECT_EQ(stack.records().back().addresses.front(), 2099);
}

TEST(UndoCapacity, SizeThreeKeepsOnlyTheNewestChange)
{
    UndoStack stack;
    for (std::uint16_t a : { 10, 11, 12 }) {
        stack.push(valueChange(a), 3);
        EXPECT_EQ(addressesOf(stack), std::vector<std::uint16_t> { a });
    }
}

TEST(UndoCapacity, SizeOneZeroOrNegativeRemovesAllOlderRecordsFirst)
{
    for (int capacity : { 1, 0, -5 }) {
        UndoStack stack;
        stack.push(valueChange(1), capacity);
        stack.push(valueChange(2), capacity);
        EXPECT_EQ(addressesOf(stack), std::vector<std::uint16_t> { 2 }) << capacity;
    }
}

TEST(UndoCapacity, TrimStopsAsSoonAsTheSumIsBelowTheSize)
{
    // 2 x 3 = 6 is below 7, so a third record fits; the fourth drops one.
    UndoStack stack;
    for (std::uint16_t a : { 1, 2, 3 })
        stack.push(valueChange(a), 7);
    EXPECT_EQ(addressesOf(stack), (std::vector<std::uint16_t> { 1, 2, 3 }));
    stack.push(valueChange(4), 7);
    EXPECT_EQ(addressesOf(stack), (std::vector<std::uint16_t> { 2, 3, 4 }));

    // A sum equal to the size is not below it.
    UndoStack six;
    for (std::uint16_t a : { 1, 2, 3 })
        six.push(valueChange(a), 6);
    EXPECT_EQ(addressesOf(six), (std::vector<std::uint16_t> { 2, 3 }));
}

TEST(UndoCapacity, CostCountsAddressesOnceAndOldValuesTwice)
{
    UndoRecord wide { 12, { 1, 2, 3 }, { 4, 5 } };
    EXPECT_EQ(wide.cost(), 7);
    UndoStack stack;
    stack.push(wide, 1024);
    stack.push(valueChange(9), 1024);
    EXPECT_EQ(stack.totalCost(), 10);
    stack.popNewest();
    EXPECT_EQ(stack.totalCost(), 7);
    stack.popNewest();
    stack.popNewest(); // on an empty stack: nothing
    EXPECT_TRUE(stack.empty());
    EXPECT_EQ(stack.totalCost(), 0);
}

// --- recording ---------------------------------------------------------------------

TEST(UndoRecordChange, KindAndAddressFollowOriginAndPart)
{
    MapDefinition map = freeMap();
    select(map, EditPart::Data, 2, 1, 40);
    RecordChange(map, UndoOrigin::Typed, 1024);
    select(map, EditPart::Rpm, 1, 3, 80);
    RecordChange(map, UndoOrigin::Drag, 1024);
    select(map, EditPart::Throt, 2, 2, 90);
    RecordChange(map, UndoOrigin::KeyStep, 1024);

    const auto& r = map.edit.undo.records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].kind, 12);
    EXPECT_EQ(r[0].addresses, std::vector<std::uint16_t> { 0x8009 + 2 * 4 + 1 });
    EXPECT_EQ(r[0].oldValues, std::vector<std::uint16_t> { 40 });
    EXPECT_EQ(r[1].kind, 21);
    EXPECT_EQ(r[1].addresses, std::vector<std::uint16_t> { 0x8005 + 3 }); // kind 1: shared X axis
    EXPECT_EQ(r[2].kind, 30);
    EXPECT_EQ(r[2].addresses, std::vector<std::uint16_t> { 0x8002 + 2 });
}

TEST(UndoRecordChange, WideAxesAndPerLineXAxesAddressTheFirstByte)
{
    MapDefinition map = freeMap(2);
    map.x.width = 2;
    map.z.width = 2;
    select(map, EditPart::Rpm, 2, 1, 0x1234);
    RecordChange(map, UndoOrigin::Typed, 1024);
    select(map, EditPart::Throt, 1, 1, 0x0102);
    RecordChange(map, UndoOrigin::Typed, 1024);
    const auto& r = map.edit.undo.records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].addresses.front(), 0x8005 + 2 * (1 + 2 * 4));
    EXPECT_EQ(r[0].oldValues.front(), 0x1234);
    EXPECT_EQ(r[1].addresses.front(), 0x8002 + 2);
}

TEST(UndoRecordChange, KeyStepsOnOneCellCoalesceUntilAnotherCellIsStepped)
{
    MapDefinition map = freeMap();
    for (int step = 0; step < 5; ++step) {
        select(map, EditPart::Data, 0, 0, static_cast<std::uint16_t>(10 + step));
        RecordChange(map, UndoOrigin::KeyStep, 1024);
    }
    ASSERT_EQ(map.edit.undo.size(), 1u);
    EXPECT_EQ(map.edit.undo.newest()->oldValues.front(), 10);

    select(map, EditPart::Data, 0, 1, 50);
    RecordChange(map, UndoOrigin::KeyStep, 1024);
    select(map, EditPart::Data, 0, 0, 15);
    RecordChange(map, UndoOrigin::KeyStep, 1024);
    EXPECT_EQ(map.edit.undo.size(), 3u);
}

TEST(UndoRecordChange, KeyStepAfterATypedEditOfTheSameCellIsRecorded)
{
    MapDefinition map = freeMap();
    select(map, EditPart::Data, 1, 1, 10);
    RecordChange(map, UndoOrigin::Typed, 1024);
    select(map, EditPart::Data, 1, 1, 20);
    RecordChange(map, UndoOrigin::KeyStep, 1024);
    RecordChange(map, UndoOrigin::KeyStep, 1024);
    ASSERT_EQ(map.edit.undo.size(), 2u);
    EXPECT_EQ(map.edit.undo.newest()->kind, 32);
    // Typed edits never coalesce.
    RecordChange(map, UndoOrigin::Typed, 1024);
    RecordChange(map, UndoOrigin::Typed, 1024);
    EXPECT_EQ(map.edit.undo.size(), 4u);
}

TEST(UndoRecordChange, NoEditPartRecordsNothing)
{
    MapDefinition map = freeMap();
    map.edit.part = EditPart::None;
    RecordChange(map, UndoOrigin::Typed, 1024);
    EXPECT_TRUE(map.edit.undo.empty());
}

// --- menu text ---------------------------------------------------------------------

TEST(UndoMenu, PlainDisabledTextWithoutWindowMapOrRecords)
{
    MapDefinition map = freeMap();
    const UndoMenuState none = UndoMenuText(nullptr, true);
    EXPECT_EQ(none.text, "&Undo\tCtrl+Z");
    EXPECT_FALSE(none.enabled);
    EXPECT_FALSE(UndoMenuText(&map, true).enabled);

    select(map, EditPart::Data, 0, 0, 1);
    RecordChange(map, UndoOrigin::Typed, 1024);
    const UndoMenuState noWindow = UndoMenuText(&map, false);
    EXPECT_EQ(noWindow.text, "&Undo\tCtrl+Z");
    EXPECT_FALSE(noWindow.enabled);
}

TEST(UndoMenu, TypedEditsReadEditAndDragsAndKeyStepsReadDrag)
{
    struct Case {
        UndoOrigin origin;
        EditPart part;
        const char* text;
    };
    const Case cases[] = {
        { UndoOrigin::Typed, EditPart::Throt, "&Undo(Edit THROT)\tCtrl+Z" },
        { UndoOrigin::Typed, EditPart::Rpm, "&Undo(Edit RPM)\tCtrl+Z" },
        { UndoOrigin::Typed, EditPart::Data, "&Undo(Edit DATA)\tCtrl+Z" },
        { UndoOrigin::Drag, EditPart::Data, "&Undo(Drag DATA)\tCtrl+Z" },
        { UndoOrigin::KeyStep, EditPart::Data, "&Undo(Drag DATA)\tCtrl+Z" },
        { UndoOrigin::KeyStep, EditPart::Rpm, "&Undo(Drag RPM)\tCtrl+Z" },
        { UndoOrigin::Drag, EditPart::Throt, "&Undo(Drag THROT)\tCtrl+Z" },
    };
    for (const Case& c : cases) {
        MapDefinition map = freeMap();
        select(map, c.part, 1, 1, 5);
        RecordChange(map, c.origin, 1024);
        const UndoMenuState state = UndoMenuText(&map, true);
        EXPECT_EQ(state.text, c.text);
        EXPECT_TRUE(state.enabled);
    }
}

TEST(UndoMenu, UnknownKindLeavesTheItemDisabled)
{
    MapDefinition map = freeMap();
    map.edit.undo.push(UndoRecord { 42, { 0x8009 }, { 1 } }, 1024);
    EXPECT_FALSE(UndoMenuText(&map, true).enabled);
}

// --- undo --------------------------------------------------------------------------

class UndoLastTest : public ::testing::Test {
protected:
    UndoLastTest()
    {
        m_data.mapMode = MapMode::Free;
        m_data.mirror = [this](std::uint16_t address, std::uint8_t value) {
            m_mirrored.emplace_back(address, value);
        };
        m_formats.y = "%.0f";
        m_formats.z = "%.1f";
    }

    MapDefinition& addMap(MapDefinition map)
    {
        m_data.maps().push_back(std::move(map));
        return m_data.maps().back();
    }

    LineList m_definition;
    EcuDataSet m_data { m_definition };
    DisplayFormats m_formats;
    std::vector<std::pair<std::uint16_t, std::uint8_t>> m_mirrored;
};

TEST_F(UndoLastTest, EmptyStackUndoesNothing)
{
    MapDefinition& map = addMap(freeMap());
    EXPECT_FALSE(UndoLast(m_data, map, m_formats).undone);
    EXPECT_FALSE(m_data.modified);
}

TEST_F(UndoLastTest, DataValueIsRestoredQuantisedToTheDisplayAndMirrored)
{
    MapDefinition& map = addMap(freeMap());
    // Raw 7 shows as "2" (2.1 with no decimals); "2" converts back to raw 6.
    select(map, EditPart::Data, 2, 3, 7);
    RecordChange(map, UndoOrigin::Typed, 1024);
    const std::uint16_t cell = map.dataAddress + 2 * 4 + 3;
    m_data.image()[cell] = 99;
    select(map, EditPart::Data, 0, 0, 99);
    map.edit.part = EditPart::Rpm;

    const UndoResult result = UndoLast(m_data, map, m_formats);
    EXPECT_TRUE(result.undone);
    EXPECT_EQ(result.lineEntry, -1);
    EXPECT_EQ(map.edit.part, EditPart::Data);
    EXPECT_EQ(map.edit.line, 2);
    EXPECT_EQ(map.edit.point, 3);
    EXPECT_EQ(map.edit.currentValue, 7);
    EXPECT_EQ(m_data.image()[cell], 6);
    EXPECT_EQ(m_mirrored, (std::vector<std::pair<std::uint16_t, std::uint8_t>> { { cell, 6 } }));
    EXPECT_TRUE(m_data.modified);
    EXPECT_TRUE(map.edit.undo.empty());
}

TEST_F(UndoLastTest, QuantisingNeverRestoresAValueThatShowsDifferently)
{
    MapDefinition& map = addMap(freeMap());
    map.y.toPhysical = "x*0.05";
    map.y.toRaw = "x/0.05";
    m_formats.y = "%.1f";
    // 52 shows as "2.6", and "2.6" truncates to raw 51, which shows as "2.5".
    select(map, EditPart::Data, 0, 1, 52);
    RecordChange(map, UndoOrigin::Typed, 1024);
    EXPECT_TRUE(UndoLast(m_data, map, m_formats).undone);
    EXPECT_EQ(m_data.image()[map.dataAddress + 1], 52);
}

TEST_F(UndoLastTest, FiveKeyStepsAreTakenBackByOneUndo)
{
    MapDefinition& map = addMap(freeMap());
    m_formats.y = "%.1f";
    const std::uint16_t cell = map.dataAddress + 5;
    for (int v = 20; v < 25; ++v) {
        select(map, EditPart::Data, 1, 1, static_cast<std::uint16_t>(v));
        RecordChange(map, UndoOrigin::KeyStep, 1024);
        m_data.image()[cell] = static_cast<std::uint8_t>(v + 1);
    }
    EXPECT_EQ(UndoMenuText(&map, true).text, "&Undo(Drag DATA)\tCtrl+Z");
    EXPECT_TRUE(UndoLast(m_data, map, m_formats).undone);
    EXPECT_EQ(m_data.image()[cell], 20);
    EXPECT_FALSE(UndoLast(m_data, map, m_formats).undone);
}

TEST_F(UndoLastTest, WideRpmValueIsWrittenBigEndianWithoutMirroring)
{
    MapDefinition& map = addMap(freeMap(2));
    map.x.width = 2;
    map.x.toPhysical = "x";
    select(map, EditPart::Rpm, 2, 1, 0x1234);
    RecordChange(map, UndoOrigin::Typed, 1024);
    EXPECT_EQ(UndoMenuText(&map, true).text, "&Undo(Edit RPM)\tCtrl+Z");
    select(map, EditPart::Data, 0, 0, 0);

    EXPECT_TRUE(UndoLast(m_data, map, m_formats).undone);
    const std::uint16_t first = 0x8005 + 2 * (2 * 4 + 1);
    EXPECT_EQ(m_data.image()[first], 0x12);
    EXPECT_EQ(m_data.image()[first + 1], 0x34);
    EXPECT_EQ(map.edit.part, EditPart::Rpm);
    EXPECT_EQ(map.edit.line, 2);
    EXPECT_EQ(map.edit.point, 1);
    EXPECT_EQ(map.edit.currentValue, 0x1234);
    EXPECT_TRUE(m_mirrored.empty());
    EXPECT_TRUE(m_data.modified);
}

TEST_F(UndoLastTest, ThrotValueNamesTheLineEntryWithTheOldText)
{
    MapDefinition& map = addMap(freeMap());
    m_data.image()[0x8002] = 10;
    m_data.image()[0x8004] = 60;
    select(map, EditPart::Throt, 1, 1, 25);
    RecordChange(map, UndoOrigin::KeyStep, 1024);
    m_data.image()[0x8003] = 30;

    const UndoResult result = UndoLast(m_data, map, m_formats);
    EXPECT_TRUE(result.undone);
    EXPECT_EQ(result.lineEntry, 1);
    EXPECT_EQ(result.lineText, "25.0");
    EXPECT_EQ(m_data.image()[0x8003], 25);
    EXPECT_EQ(map.edit.part, EditPart::Throt);
    EXPECT_EQ(map.edit.point, 1);
    EXPECT_EQ(map.edit.line, 1);
    // The allowed range of the restored Z point lies between its neighbours.
    EXPECT_EQ(map.edit.lowerLimit, 11);
    EXPECT_EQ(map.edit.upperLimit, 59);
    EXPECT_TRUE(m_mirrored.empty());
}

TEST_F(UndoLastTest, RecordOutsideTheMapStaysAndChangesNothing)
{
    MapDefinition& map = addMap(freeMap());
    map.edit.undo.push(UndoRecord { 12, { 0x9000 }, { 5 } }, 1024);
    select(map, EditPart::Data, 1, 2, 3);
    EXPECT_FALSE(UndoLast(m_data, map, m_formats).undone);
    EXPECT_EQ(map.edit.undo.size(), 1u);
    EXPECT_EQ(map.edit.line, 1);
    EXPECT_EQ(m_data.image()[0x9000], 0);
    EXPECT_FALSE(m_data.modified);

    map.edit.undo.push(UndoRecord { 52, { map.dataAddress }, { 5 } }, 1024);
    EXPECT_FALSE(UndoLast(m_data, map, m_formats).undone);
    EXPECT_EQ(map.edit.undo.size(), 2u);
}

TEST_F(UndoLastTest, ConfigListMapsOnlyRestoreDataCells)
{
    m_data.mapMode = MapMode::Config;
    MapDefinition& map = addMap(freeMap());
    // In list mode the axes are not in the image: their addresses mean nothing.
    map.edit.undo.push(UndoRecord { 10, { map.z.address }, { 5 } }, 1024);
    EXPECT_FALSE(UndoLast(m_data, map, m_formats).undone);
    map.edit.undo.popNewest();

    map.edit.undo.push(
        UndoRecord { 22, { static_cast<std::uint16_t>(map.dataAddress + 6) }, { 3 } }, 1024);
    EXPECT_TRUE(UndoLast(m_data, map, m_formats).undone);
    EXPECT_EQ(map.edit.line, 1);
    EXPECT_EQ(map.edit.point, 2);
    EXPECT_EQ(m_data.image()[map.dataAddress + 6], 3);
}

TEST_F(UndoLastTest, UndoInOneMapLeavesAnotherMapsStackAndValues)
{
    MapDefinition first = freeMap();
    MapDefinition second = freeMap();
    second.dataAddress = 0x9000;
    addMap(std::move(first));
    addMap(std::move(second));
    MapDefinition& a = m_data.maps()[0];
    MapDefinition& b = m_data.maps()[1];
    select(a, EditPart::Data, 0, 0, 9);
    RecordChange(a, UndoOrigin::Typed, 1024);
    select(b, EditPart::Data, 0, 0, 7);
    RecordChange(b, UndoOrigin::Typed, 1024);
    m_data.image()[0x9000] = 50;

    EXPECT_TRUE(UndoLast(m_data, a, m_formats).undone);
    EXPECT_EQ(b.edit.undo.size(), 1u);
    EXPECT_EQ(m_data.image()[0x9000], 50);
}

} // namespace
} // namespace zlm
