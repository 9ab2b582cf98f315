// Shift+Enter in the table window: the current cell's byte, and the same cell
// of linked maps, written into the running ECU.
#include "comm/cell_write.h"
#include "ecu_fixture.h"

namespace zlm {
namespace {

using test::EcuLine;

class CellWrite : public ::testing::Test {
protected:
    CellWrite()
    {
        for (const char* name : { "Fuel1", "Fuel2", "Fuel3", "Fuel4", "Other" }) {
            MapDefinition m;
            m.name = name;
            m.x.count = 8;
            m.z.count = 4;
            m.dataCount = 32;
            m.dataAddress = static_cast<std::uint16_t>(0x8000 + 0x40 * data.maps().size());
            data.maps().push_back(m);
        }
        data.mapMode = MapMode::Config;
        data.setCurrentMap(0);
        MapEditState& edit = data.maps()[0].edit;
        edit.part = EditPart::Data;
        edit.line = 2;
        edit.point = 3;
    }
    LineList definition;
    EcuDataSet data { definition };
};

TEST_F(CellWrite, CurrentCellAddressInConfigModes)
{
    EXPECT_EQ(currentCellAddresses(data), std::vector<std::uint16_t> { 0x8000 + 2 * 8 + 3 });
    data.mapMode = MapMode::ConfigInImage;
    EXPECT_EQ(currentCellAddresses(data).size(), 1u);
}

TEST_F(CellWrite, NothingForFreeMapsOrOtherParts)
{
    data.mapMode = MapMode::Free;
    EXPECT_TRUE(currentCellAddresses(data).empty());
    data.mapMode = MapMode::Config;
    data.maps()[0].edit.part = EditPart::Rpm;
    EXPECT_TRUE(currentCellAddresses(data).empty());
}

TEST_F(CellWrite, LinkedMapsGetTheSameCell)
{
    const std::uint16_t offset = 2 * 8 + 3;
    data.linkMode = 0;
    data.linkList = { "Fuel1", "Fuel2", "Fuel3", "Fuel4" };
    EXPECT_EQ(currentCellAddresses(data),
        (std::vector<std::uint16_t> {
            0x8000 + offset, 0x8040 + offset, 0x8080 + offset, 0x80C0 + offset }));
    data.linkMode = 1; // current map first: its partner is the fourth
    EXPECT_EQ(currentCellAddresses(data),
        (std::vector<std::uint16_t> { 0x8000 + offset, 0x80C0 + offset }));
    data.linkMode = 2;
    EXPECT_EQ(currentCellAddresses(data).size(), 1u);
}

TEST_F(CellWrite, WritesTheImageBytesIntoTheEcu)
{
    EcuLine line;
    data.linkMode = 0;
    data.linkList = { "Fuel1", "Fuel2" };
    data.write(0x8000 + 19, 0xA5, false);
    data.write(0x8040 + 19, 0x5A, false);
    ASSERT_TRUE(writeCurrentCell(line.protocol, data).ok());
    EXPECT_EQ(line.ecu.byteAt(0x8000 + 19), 0xA5);
    EXPECT_EQ(line.ecu.byteAt(0x8040 + 19), 0x5A);
    EXPECT_EQ(line.wait.titles.front(), "( 8013 ) = A5");
}

TEST_F(CellWrite, FirstFailureStopsAndIsReturned)
{
    EcuLine line(EcuLine::withFault("no-answer"));
    data.linkMode = 0;
    data.linkList = { "Fuel1", "Fuel2" };
    const Status s = writeCurrentCell(line.protocol, data);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().text, "No response from ECU.");
    EXPECT_EQ(line.wait.titles.size(), 1u);
}

} // namespace
} // namespace zlm
