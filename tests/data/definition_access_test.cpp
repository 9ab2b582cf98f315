// Map values in the image (points, cells, their codes and byte order), the
// look-ups over the map array, and constants of the "Calib" section.
#include "data/calib.h"
#include "data/map_access.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace zlm {
namespace {

MapDefinition makeMap(int kind, int zCount, int xCount, std::uint16_t zAddress,
                      std::uint16_t xAddress, std::uint16_t dataAddress, int width = 1)
{
    MapDefinition map;
    map.kind = kind;
    map.z.count = static_cast<std::uint8_t>(zCount);
    map.z.address = zAddress;
    map.z.width = width;
    map.x.count = static_cast<std::uint8_t>(xCount);
    map.x.address = xAddress;
    map.x.width = width;
    map.dataAddress = dataAddress;
    map.dataCount = static_cast<std::uint16_t>(zCount * xCount);
    return map;
}

class MapAccessTest : public ::testing::Test {
protected:
    MapAccessTest()
    {
        m_data.mirror = [this](std::uint16_t address, std::uint8_t value) {
            m_mirrored.emplace_back(address, value);
        };
    }
    ImageView image() const { return std::as_const(m_data).image(); }
    void put(std::uint16_t address, std::vector<std::uint8_t> bytes)
    {
        for (auto b : bytes)
            m_data.image()[address++] = b;
    }

    LineList m_definition;
    EcuDataSet m_data{m_definition};
    std::vector<std::pair<std::uint16_t, std::uint8_t>> m_mirrored;
};

TEST_F(MapAccessTest, PointsOfOneAndTwoBytesAreReadBigEndian)
{
    put(0x8000, {10, 20, 30});
    put(0x9000, {0x12, 0x34, 0x56, 0x78});
    const auto narrow = makeMap(1, 3, 2, 0x8000, 0x8003, 0x8005);
    const auto wide = makeMap(1, 2, 2, 0x9000, 0x9000, 0x9100, 2);
    EXPECT_EQ(readZPoint(image(), narrow, 2), 30);
    EXPECT_EQ(readZPoint(image(), wide, 0), 0x1234);
    EXPECT_EQ(readZPoint(image(), wide, 1), 0x5678);
    EXPECT_EQ(readXPoint(image(), wide, 0, 1), 0x5678);
}

TEST_F(MapAccessTest, KindTwoMapsHaveAnXAxisPerRow)
{
    const auto kind1 = makeMap(1, 3, 4, 0x8000, 0x8010, 0x8100);
    const auto kind2 = makeMap(2, 3, 4, 0x8000, 0x8010, 0x8100);
    const auto kind2Wide = makeMap(2, 3, 4, 0x8000, 0x8010, 0x8100, 2);
    EXPECT_EQ(xPointAddress(kind1, 2, 3), 0x8013);
    EXPECT_EQ(xPointAddress(kind2, 2, 3), 0x8010 + 2 * 4 + 3);
    EXPECT_EQ(xPointAddress(kind2Wide, 2, 3), 0x8010 + 2 * (2 * 4 + 3));
    put(0x8010 + 2 * (1 * 4 + 2), {0xAB, 0xCD});
    EXPECT_EQ(readXPoint(image(), kind2Wide, 1, 2), 0xABCD);
    // Data cells are laid out row by row whatever the kind.
    EXPECT_EQ(dataCellAddress(kind2, 2, 1), 0x8100 + 2 * 4 + 1);
}

TEST_F(MapAccessTest, DataCellReadsCheckRowThenColumn)
{
    const auto map = makeMap(1, 2, 3, 0x8000, 0x8002, 0x8005);
    put(0x8005, {1, 2, 3, 4, 5, 6});
    const CellRead cell = readDataCell(image(), map, 1, 2);
    EXPECT_TRUE(cell.ok());
    EXPECT_EQ(cell.value, 6);
    EXPECT_EQ(readDataCell(image(), map, 2, 0).code, CellCode::BadRow);
    EXPECT_EQ(readDataCell(image(), map, -1, 0).code, CellCode::BadRow);
    EXPECT_EQ(readDataCell(image(), map, 0, 3).code, CellCode::BadColumn);
    EXPECT_EQ(readDataCell(image(), map, 0, -1).code, CellCode::BadColumn);
    EXPECT_EQ(readDataCell(image(), map, 5, 5).code, CellCode::BadRow);
}

TEST_F(MapAccessTest, ReadsNearTheImageEndStayInsideTheImage)
{
    put(0xFFFF, {0x12});
    put(0x0000, {0x34});
    const auto map = makeMap(1, 1, 1, 0xFFFF, 0xFFFF, 0xFFFF, 2);
    EXPECT_EQ(readZPoint(image(), map, 0), 0x1234);
    EXPECT_EQ(readXPoint(image(), map, 0, 40000), readXPoint(image(), map, 0, 40000));
}

TEST_F(MapAccessTest, DataCellWritesAreMirroredAndMarkTheDataSetModified)
{
    const auto map = makeMap(1, 2, 3, 0x8000, 0x8002, 0x8005);
    EXPECT_EQ(writeDataCell(m_data, map, 2, 0, 9), CellCode::BadRow);
    EXPECT_EQ(writeDataCell(m_data, map, 0, 3, 9), CellCode::BadColumn);
    EXPECT_FALSE(m_data.modified);
    EXPECT_TRUE(m_mirrored.empty());

    EXPECT_EQ(writeDataCell(m_data, map, 1, 1, 0x5A), CellCode::Ok);
    EXPECT_EQ(m_data.read(0x8005 + 3 + 1), 0x5A);
    EXPECT_TRUE(m_data.modified);
    ASSERT_EQ(m_mirrored.size(), 1u);
    EXPECT_EQ(m_mirrored[0], std::make_pair(std::uint16_t{0x8009}, std::uint8_t{0x5A}));
}

TEST_F(MapAccessTest, XPointWritesAreBigEndianAndNotMirrored)
{
    const auto wide = makeMap(1, 2, 3, 0x9000, 0x9010, 0x9100, 2);
    EXPECT_EQ(writeXPoint(m_data, wide, 7, 2, 0x1234), CellCode::Ok);  // kind 1: row not used
    EXPECT_EQ(m_data.read(0x9014), 0x12);
    EXPECT_EQ(m_data.read(0x9015), 0x34);
    EXPECT_TRUE(m_data.modified);
    EXPECT_TRUE(m_mirrored.empty());

    const auto narrow = makeMap(2, 2, 3, 0x9000, 0x9020, 0x9100);
    EXPECT_EQ(writeXPoint(m_data, narrow, 1, 2, 0x1277), CellCode::Ok);
    EXPECT_EQ(m_data.read(0x9020 + 5), 0x77);
    EXPECT_EQ(m_data.read(0x9020 + 6), 0x00);
    EXPECT_EQ(writeXPoint(m_data, narrow, 2, 0, 1), CellCode::BadRow);
    EXPECT_EQ(writeXPoint(m_data, narrow, 0, 3, 1), CellCode::BadColumn);
    EXPECT_EQ(writeXPoint(m_data, wide, 0, -1, 1), CellCode::BadColumn);
}

TEST(MapListTest, LookupsOverTheMapArray)
{
    std::vector<MapDefinition> maps(3);
    maps[0].name = "Fuel Map1";
    maps[1].name = "Shift Cut";
    maps[2].name = "Fuel Map1";
    maps[2].dataAddress = 0x8100;
    maps[2].dataCount = 0x20;
    EXPECT_EQ(mapByName(maps, "Fuel Map1"), &maps[0]);
    EXPECT_EQ(mapByName(maps, "fuel map1"), nullptr);
    EXPECT_EQ(mapIndexByName(maps, "Shift Cut"), 1);
    EXPECT_EQ(mapIndexByName(maps, "Nope"), -1);
    EXPECT_EQ(lastMapEnd(maps), std::optional<std::uint16_t>(0x811F));
    EXPECT_EQ(lastMapEnd({}), std::nullopt);
}

TEST(MapListTest, NumberedMapsNeedMoreThanOneNameEndingInADigit)
{
    std::vector<MapDefinition> maps(3);
    maps[0].name = "Ign Map1";
    maps[1].name = "Map 1 trim";
    maps[2].name = "";
    EXPECT_FALSE(hasNumberedMaps(maps));
    maps[2].name = "Ign Map10";
    EXPECT_TRUE(hasNumberedMaps(maps));
    EXPECT_FALSE(endsInDigit("Map A"));
    EXPECT_TRUE(endsInDigit("0"));
}

// --- the "Calib" section ---------------------------------------------------------

const LineList kCalib = LineList::fromText(
    "[Calib]\n"
    "; Address, Byte, Contents, LSB, Offset, Unit, Calc\n"
    "8500 , 2 , Rev Limit , 1 , 0 , rpm , 0 , 0 , 8000 , 13500\n"
    "8502,1,Fan On Temp,0.5,-40,deg C,3\n"
    "85G0,1,Broken Address,1,0,,0\n"
    "FFFF,2,Past The End,1,0,,0\n"
    "8504,1,Short,1\n"
    "8508,1,Short,2,3,,4\n"
    "8505,1,Fan On Temp,9,9,,9\n"
    "8506,x,Bad Size,1,0,,0\n"
    "[Diag.Com]\n"
    "8507,1,After,1,0,,0\n");

TEST(CalibTest, SectionLinesKeepEveryFieldTrimmed)
{
    const auto lines = readCalibSection(kCalib);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].lineIndex, 2u);
    EXPECT_EQ(lines[0].fields.size(), 10u);
    EXPECT_EQ(lines[0].contents(), "Rev Limit");
    EXPECT_EQ(lines[0].upperLimit(), "13500");
    EXPECT_TRUE(lines[0].hasAllFields());
    EXPECT_EQ(lines[1].readOnly(), "");
    EXPECT_FALSE(lines[4].hasAllFields());
    EXPECT_TRUE(readCalibSection(LineList::fromText("[Free Map]\n")).empty());
}

TEST(CalibTest, FindConstantResults)
{
    const ConstantInfo rev = findConstant(kCalib, "Rev Limit", 2);
    EXPECT_EQ(rev.result, ConstantLookup::Found);
    EXPECT_EQ(rev.address, 0x8500);
    EXPECT_FLOAT_EQ(rev.lsb, 1.0f);

    // The first line of that name counts.
    const ConstantInfo fan = findConstant(kCalib, "Fan On Temp", 1);
    EXPECT_EQ(fan.result, ConstantLookup::Found);
    EXPECT_EQ(fan.address, 0x8502);
    EXPECT_FLOAT_EQ(fan.lsb, 0.5f);
    EXPECT_FLOAT_EQ(fan.offset, -40.0f);
    EXPECT_EQ(fan.calc, 3);

    EXPECT_EQ(findConstant(kCalib, "rev limit", 2).result, ConstantLookup::NotFound);
    EXPECT_EQ(findConstant(kCalib, "After", 1).result, ConstantLookup::NotFound);
    EXPECT_EQ(findConstant(kCalib, "Rev Limit", 1).result, ConstantLookup::SizeMismatch);
    EXPECT_EQ(findConstant(kCalib, "Bad Size", 1).result, ConstantLookup::SizeMismatch);
    EXPECT_EQ(findConstant(kCalib, "Broken Address", 1).result, ConstantLookup::BadAddress);
    // The size is checked before the address.
    EXPECT_EQ(findConstant(kCalib, "Broken Address", 2).result, ConstantLookup::SizeMismatch);
    // A word at the last address would run past the image.
    EXPECT_EQ(findConstant(kCalib, "Past The End", 2).result, ConstantLookup::BadAddress);
    // A line of fewer than seven fields is passed over for the next of its name.
    const ConstantInfo shortLine = findConstant(kCalib, "Short", 1);
    EXPECT_EQ(shortLine.result, ConstantLookup::Found);
    EXPECT_EQ(shortLine.address, 0x8508);
    EXPECT_EQ(shortLine.calc, 4);
    EXPECT_EQ(findConstant(LineList::fromText("[Calib]\n8504,1,Short,1\n"), "Short", 1).result,
        ConstantLookup::NotFound);
}

TEST(CalibTest, NumbersAreScannedLikeTheCLibrary)
{
    EXPECT_FLOAT_EQ(scan::real("12.5abc"), 12.5f);
    EXPECT_FLOAT_EQ(scan::real("  -0.25"), -0.25f);
    EXPECT_FLOAT_EQ(scan::real("+3"), 3.0f);
    EXPECT_FLOAT_EQ(scan::real("1e-3"), 0.001f);
    EXPECT_FLOAT_EQ(scan::real("abc"), 0.0f);
    EXPECT_FLOAT_EQ(scan::real(""), 0.0f);
    EXPECT_EQ(scan::integer(" +7x"), 7);
    EXPECT_EQ(scan::integer("-12"), -12);
    EXPECT_EQ(scan::integer("x1"), std::nullopt);
    EXPECT_EQ(scan::hex("ff"), 255u);
    EXPECT_EQ(scan::hex("0x1Ag"), 26u);
    EXPECT_EQ(scan::hex("g"), std::nullopt);
}

} // namespace
} // namespace zlm
