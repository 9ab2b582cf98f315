// The bundled sample files: the definition parses to the expected maps, the
// standard data file's records hold those maps and the constants with a valid
// checksum, and the other sections follow their line formats.
#include "data/calib.h"
#include "data/data_file.h"
#include "data/definition_file.h"
#include "data/map_access.h"
#include "data/map_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <set>
#include <string>

namespace zlm {
namespace {

LineList resource(const std::string& name)
{
    return readDefinitionLines(std::string(ZLM_RES_DIR) + "/" + name);
}

// The lines of `section`, comments and blank lines skipped.
std::vector<std::string> sectionLines(const LineList& lines, std::string_view section)
{
    std::vector<std::string> out;
    const int header = lines.findSection(section);
    if (header < 0)
        return out;
    for (auto i = lines.nextLine(static_cast<std::size_t>(header));
         i && !text::sectionName(lines.at(*i)); i = lines.nextLine(*i))
        out.emplace_back(text::trim(lines.at(*i)));
    return out;
}

struct Shape {
    const char* name;
    int kind;
    int zCount;
    int xCount;
};

const Shape kShapes[] = {
    {"Fuel Map1", 1, 8, 12}, {"Fuel Map2", 1, 8, 12}, {"Fuel Map3", 1, 8, 12},
    {"Fuel Map4", 1, 8, 12}, {"Ign Map1", 1, 6, 10},  {"Ign Map2", 1, 6, 10},
    {"Ign Map3", 1, 6, 10},  {"Ign Map4", 1, 6, 10},  {"Fuel Fine", 1, 16, 16},
    {"Ign Trim", 2, 4, 6},   {"Accel Pump", 2, 3, 5}, {"Shift Cut", 1, 1, 8},
};

class SampleFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_definition = resource("ZLM350.def");
        ASSERT_FALSE(m_definition.empty());
        const LineList data = resource("Standard_data.lyn");
        ASSERT_TRUE(readDataSection(data, *m_image, m_lowest, m_highest).ok());
    }
    ImageView image() const { return *m_image; }

    LineList m_definition;
    std::unique_ptr<EcuImage> m_image = std::make_unique<EcuImage>();
    std::uint16_t m_lowest = 0xFFFF;
    std::uint16_t m_highest = 0;
};

TEST_F(SampleFilesTest, StandardDataHoldsTheWholeRangeWithItsChecksum)
{
    EXPECT_EQ(m_lowest, 0x8000);
    EXPECT_EQ(m_highest, 0x85FF);
    const unsigned sum = std::accumulate(m_image->begin() + m_lowest,
                                         m_image->begin() + m_highest + 1, 0u);
    EXPECT_EQ(sum & 0xFF, 0x7Fu);
    EXPECT_EQ(readTitleSection(resource("Standard_data.lyn")).size(), 8u);
}

TEST_F(SampleFilesTest, DefinitionParsesToTheExpectedMapsInsideTheRange)
{
    const auto parsed = parseMaps(m_definition, image());
    ASSERT_TRUE(parsed.ok()) << parsed.error().text;
    EXPECT_EQ(parsed->mode, MapMode::Free);
    ASSERT_EQ(parsed->maps.size(), std::size(kShapes));

    std::uint32_t next = parsed->area.start;
    for (std::size_t i = 0; i < parsed->maps.size(); ++i) {
        const MapDefinition& m = parsed->maps[i];
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.name, kShapes[i].name);
        EXPECT_EQ(m.kind, kShapes[i].kind);
        EXPECT_EQ(m.z.count, kShapes[i].zCount);
        EXPECT_EQ(m.x.count, kShapes[i].xCount);
        EXPECT_EQ(m.startAddress, next);  // blocks follow each other without a gap
        next = m.dataAddress + m.dataCount;
        EXPECT_GE(m.startAddress, m_lowest);
        EXPECT_LT(next - 1, m_highest);

        // Throttle points strictly increasing, engine-speed points increasing.
        for (int z = 1; z < m.z.count; ++z)
            EXPECT_LT(readZPoint(image(), m, z - 1), readZPoint(image(), m, z));
        const int rows = m.kind == 2 ? m.z.count : 1;
        for (int row = 0; row < rows; ++row)
            for (int x = 1; x < m.x.count; ++x)
                EXPECT_LT(readXPoint(image(), m, row, x - 1), readXPoint(image(), m, row, x));
        for (const AxisDescriptor* axis : {&m.z, &m.x, &m.y})
            EXPECT_FALSE(axis->toPhysical.empty() || axis->toRaw.empty());
    }
    EXPECT_EQ(lastMapEnd(parsed->maps), next - 1);
    EXPECT_TRUE(hasNumberedMaps(parsed->maps));
}

TEST_F(SampleFilesTest, ConstantsLieAfterTheMapsAndInsideTheRange)
{
    const auto parsed = parseMaps(m_definition, image());
    ASSERT_TRUE(parsed.ok());
    const auto mapsEnd = *lastMapEnd(parsed->maps);
    const auto constants = readCalibSection(m_definition);
    ASSERT_GE(constants.size(), 20u);
    std::set<int> calcs, sizes;
    std::set<std::uint32_t> used;
    for (const CalibLine& c : constants) {
        SCOPED_TRACE(std::string(c.contents()));
        ASSERT_TRUE(c.hasAllFields());
        const int size = static_cast<int>(*text::parseDecimal(c.byte()));
        const ConstantInfo info = findConstant(m_definition, c.contents(), size);
        ASSERT_EQ(info.result, ConstantLookup::Found);
        EXPECT_GT(info.address, mapsEnd);
        EXPECT_LT(info.address + size - 1, m_highest);  // the checksum byte stays free
        for (int b = 0; b < size; ++b)
            EXPECT_TRUE(used.insert(info.address + b).second) << "overlapping constants";
        calcs.insert(info.calc);
        sizes.insert(size);
    }
    EXPECT_EQ(calcs, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(sizes, (std::set<int>{1, 2}));
}

TEST_F(SampleFilesTest, ScreenClassVariantsHoldTheSameMaps)
{
    const auto base = parseMaps(m_definition, image());
    ASSERT_TRUE(base.ok());
    for (const char* name : {"ZLM350B.def", "ZLM350C.def", "ZLM350D.def"}) {
        const LineList variant = resource(name);
        const auto parsed = parseMaps(variant, image());
        ASSERT_TRUE(parsed.ok()) << name;
        ASSERT_EQ(parsed->maps.size(), base->maps.size()) << name;
        for (std::size_t i = 0; i < base->maps.size(); ++i)
            EXPECT_EQ(parsed->maps[i].dataAddress, base->maps[i].dataAddress) << name;
    }
}

// A config-map definition with the data file made for it.
struct ConfigSample {
    LineList definition;
    std::unique_ptr<EcuImage> image = std::make_unique<EcuImage>();
    Result<ParsedMaps> maps = Message{};

    ConfigSample(const char* definitionName, const char* dataName)
        : definition(resource(definitionName))
    {
        std::uint16_t lowest = 0xFFFF, highest = 0;
        if (readDataSection(resource(dataName), *image, lowest, highest).ok())
            maps = parseMaps(definition, *image);
    }
};

TEST(ConfigSampleTest, ListAxesVariantParsesWithItsDataFile)
{
    const ConfigSample sample("ZLM350_config.def", "Config_data.lyn");
    ASSERT_TRUE(sample.maps.ok());
    EXPECT_EQ(sample.maps->mode, MapMode::Config);
    ASSERT_EQ(sample.maps->maps.size(), 5u);
    const MapDefinition& fuel = sample.maps->maps[0];
    EXPECT_EQ(fuel.z.values, "0,5,10,20,35,50,75,100");
    EXPECT_EQ(fuel.x.count, 12);
    EXPECT_EQ(sample.maps->maps[1].dataAddress, 0x8000 + 96);
    // Idle fuel at 0 % throttle: 1.4 ms in steps of 0.05 ms.
    EXPECT_EQ(readDataCell(*sample.image, fuel, 0, 0).value, 28);
}

TEST(ConfigSampleTest, MemoryAxesVariantParsesWithItsDataFile)
{
    const ConfigSample sample("ZLM350_config_mem.def", "Config_mem_data.lyn");
    ASSERT_TRUE(sample.maps.ok());
    EXPECT_EQ(sample.maps->mode, MapMode::ConfigInImage);
    ASSERT_EQ(sample.maps->maps.size(), 4u);
    for (const MapDefinition& m : sample.maps->maps) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.x.width, 2);
        EXPECT_EQ(m.x.spacing, 250);
        for (int z = 1; z < m.z.count; ++z)
            EXPECT_LT(readZPoint(*sample.image, m, z - 1), readZPoint(*sample.image, m, z));
        for (int row = 0; row < (m.kind == 2 ? m.z.count : 1); ++row)
            for (int x = 1; x < m.x.count; ++x)
                EXPECT_LT(readXPoint(*sample.image, m, row, x - 1),
                          readXPoint(*sample.image, m, row, x));
    }
    // RPM words hold the engine speed itself.
    const MapDefinition& trim = sample.maps->maps[3];
    EXPECT_EQ(trim.kind, 2);
    EXPECT_EQ(readXPoint(*sample.image, trim, 0, 0), 1500);
    EXPECT_EQ(readXPoint(*sample.image, trim, 3, 5), 12000);
}

TEST_F(SampleFilesTest, OtherSectionsFollowTheirLineFormats)
{
    const auto diag = sectionLines(m_definition, "Diag.Com");
    EXPECT_GT(diag.size(), 15u);
    for (const auto& line : diag) {
        const auto fields = text::splitFields(line);
        ASSERT_EQ(fields.size(), 7u) << line;
        EXPECT_LE(text::parseHex(fields[1]).value_or(0x100), 0xFFu) << line;
        const auto size = text::parseHex(fields[4]);
        EXPECT_TRUE(size == 1u || size == 2u) << line;
    }
    for (const auto& line : sectionLines(m_definition, "Error Message"))
        EXPECT_TRUE(line.size() > 2 && line[1] == ',') << line;

    const auto parsed = parseMaps(m_definition, image());
    ASSERT_TRUE(parsed.ok());
    const auto links = sectionLines(m_definition, "Multi Map");
    ASSERT_EQ(links.size(), 4u);
    for (const auto& line : links) {
        const auto split = text::splitField(line);
        const MapDefinition* map = mapByName(parsed->maps, split.field);
        ASSERT_NE(map, nullptr) << line;
        EXPECT_EQ(map->dataCount, parsed->maps[0].dataCount) << line;
    }

    const auto serial = sectionLines(m_definition, "RS232C");
    EXPECT_NE(std::find(serial.begin(), serial.end(), "Speed=19200"), serial.end());
}

} // namespace
} // namespace zlm
