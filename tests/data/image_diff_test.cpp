// The difference report: maps of every mode and kind, constants of every size
// and conversion rule, bytes outside maps and constants, different starts and
// lengths, identical images. Values worked out by hand from the test files.
#include "data/image_diff.h"

#include "data/ecu_data_set.h"
#include "platform/text_file.h"

#include <gtest/gtest.h>

namespace zlm {
namespace {

const std::string kFiles = ZLM_TEST_DATA_DIR;

// A data file's calibration range under its definition; `changed` starts as a copy.
struct Images {
    LineList definition;
    std::uint16_t start = 0;
    std::vector<std::uint8_t> original;
    std::vector<std::uint8_t> changed;

    Images(const std::string& definitionFile, const std::string& dataFile,
        const std::string& dir = kFiles)
        : definition(readTextLines(dir + "/" + definitionFile).value_or(LineList {}))
    {
        EcuDataSet data(definition);
        EXPECT_TRUE(data.load(dir + "/" + dataFile).ok());
        start = data.lowest;
        original.assign(
            data.image().begin() + data.lowest, data.image().begin() + data.highest + 1);
        changed = original;
    }
    std::uint8_t& at(std::uint16_t address) { return changed.at(address - start); }
    ImageDiff diff(const DisplayFormats& formats = {}) const
    {
        return diffImages(
            definition, formats, ImageRef { start, original }, ImageRef { start, changed });
    }
};

using Lines = std::vector<std::string>;

TEST(ImageDiff, IdenticalImagesAreTheSameAndSayNothing)
{
    Images images("small.def", "small.lyn");
    const ImageDiff diff = images.diff();
    EXPECT_TRUE(diff.same);
    EXPECT_TRUE(diff.lines.empty());
}

// small.lyn: Fuel1 (kind 1, 3 x 4) from 8000, Ign2 (kind 2, 2 x 3) from 8015.
TEST(ImageDiff, FreeMapCellsInPhysicalUnitsWithEachDisplayFormat)
{
    Images images("small.def", "small.lyn");
    images.at(0x800F) = 0x64; // Fuel1 row 1, column 2: raw 60 -> 64
    images.at(0x8022) = 0x54; // Ign2 row 1, column 0 (own RPM axis): raw 50 -> 54
    EXPECT_FALSE(images.diff().same);
    EXPECT_EQ(images.diff().lines,
        (Lines { "Fuel1: 1 cell differs", "  THROT 40.0 / RPM 4000.0: 58.0 -> 60.0",
            "Ign2: 1 cell differs", "  THROT 90.0 / RPM 200.0: 10.0 -> 11.0" }));
    DisplayFormats formats;
    formats.x = "%.0f";
    formats.y = "%.2f";
    formats.z = "%.3f";
    EXPECT_EQ(images.diff(formats).lines[1], "  THROT 40.000 / RPM 4000: 58.00 -> 60.00");
}

TEST(ImageDiff, EightDetailsPerMapThenACountAndAxisPointsAfterTheCells)
{
    Images images("small.def", "small.lyn");
    for (std::uint16_t a = 0x8009; a < 0x8015; ++a)
        ++images.at(a); // every Fuel1 cell
    images.at(0x8002) = 0x15; // Fuel1 THROT point 0
    images.at(0x8018) = 0x5B; // Ign2 THROT point 1: 90 -> 91
    images.at(0x801A) = 0x33; // Ign2 RPM point 1 of row 0: 1000 -> 1020
    const Lines lines = images.diff().lines;
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "Fuel1: 12 cells and 1 axis point differ");
    EXPECT_EQ(lines[1], "  THROT 10.0 / RPM 1000.0: 10.0 -> 10.5");
    EXPECT_EQ(lines[8], "  THROT 40.0 / RPM 8000.0: 66.0 -> 66.5");
    EXPECT_EQ(lines[9], "  ... and 5 more");
    EXPECT_EQ(lines[10], "Ign2: 2 axis points differ");
    EXPECT_EQ(lines[11], "  THROT point 1: 90.0 -> 91.0");
    EXPECT_EQ(lines[12], "  RPM point 1 of THROT 10.0: 1000.0 -> 1020.0");
}

TEST(ImageDiff, AFreeMapWhosePointCountChangedIsALayoutDifference)
{
    Images images("small.def", "small.lyn");
    images.at(0x8000) = 0x02; // Fuel1 has two THROT points on the right: Ign2 moves too
    const Lines lines = images.diff().lines;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Fuel1: layout differs (THROT x RPM 3 x 4 -> 2 x 4), cells not compared");
    EXPECT_EQ(lines[1].rfind("Ign2: layout differs (THROT x RPM 2 x 3 -> ", 0), 0u) << lines[1];
}

TEST(ImageDiff, ConfigMapWithListAxesAndValuesThatPrintAlike)
{
    Images images("list_axes.def", "list_axes.lyn");
    images.at(0x900B) = 0x09; // Boost row 2, column 3: 0.08 -> 0.09, both "0.1"
    images.at(0x900F) = 0x33; // Gain: 25 -> 25.5
    EXPECT_EQ(images.diff().lines,
        (Lines { "Boost: 1 cell differs", "  THROT 100.0 / RPM 8000.0: 0.1 -> 0.1 (raw 08 -> 09)",
            "Gain: 25 -> 25.50 -" }));
}

TEST(ImageDiff, ConfigMapWithWordAxesInTheImage)
{
    Images images("word_axis.def", "word_axis.lyn");
    images.at(0x9002) = 0x26; // Trim row 1, column 0: -2 -> -1
    images.at(0x9109) = 0xE1; // RPM word of row 1, column 1: 12000 -> 12001
    EXPECT_EQ(images.diff().lines,
        (Lines { "Trim: 1 cell and 1 axis point differ", "  THROT 100.0 / RPM 5000.0: -2.0 -> -1.0",
            "  RPM point 1 of THROT 100.0: 12000.0 -> 12001.0" }));
}

TEST(ImageDiff, ConfigMapWithOneRpmAxisInTheImage)
{
    // Fuel Map1: THROT bytes at 8400, RPM words at 8408, data from 8000.
    Images images("ZLM350_config_mem.def", "Config_mem_data.lyn", ZLM_RES_DIR);
    images.at(0x800C) = 0x2C; // row 1, column 0: 2.15 -> 2.20
    images.at(0x8401) = 0x0B; // THROT point 1: 5.0 -> 5.5
    DisplayFormats formats; // as the sample settings file: X=0, Y=2, Z=1
    formats.x = "%.0f";
    formats.y = "%.2f";
    EXPECT_EQ(images.diff(formats).lines,
        (Lines { "Fuel Map1: 1 cell and 1 axis point differ",
            "  THROT 5.0 / RPM 1500: 2.15 -> 2.20", "  THROT point 1: 5.0 -> 5.5" }));
}

TEST(ImageDiff, ConstantsOfEverySizeAndRuleInCalibOrderThenOtherBytes)
{
    Images images("small.def", "small.lyn");
    images.at(0x8108) = 0x33; // Half (listed last): 12.5 -> 12.75
    images.at(0x8100) = 0x5A; // Idle speed, byte: 850 -> 900
    images.at(0x8102) = 0x41; // Rev limit, word: 8000 -> 8001
    images.at(0x8103) = 0x91; // Temp offset, signed byte: -96 -> -95.5
    images.at(0x8104) = 0x00; // Injector, signed word: 8010 -> 0011
    images.at(0x8105) = 0x11;
    images.at(0x8106) = 0x01; // Cycle, reciprocal: raw 0 -> 1
    images.at(0x8107) = 0x01; // "Short line": six fields and no Calc, listed as linear
    images.at(0x8050) = 0x01; // behind the maps
    images.at(0x80A0) = 0x01;
    EXPECT_EQ(images.diff().lines,
        (Lines { "Idle speed: 850 -> 900 rpm", "Rev limit: 8000 -> 8001 rpm",
            "Temp offset: -96 -> -95.50 degC", "Injector: -3275.20 -> 1.70 ms",
            "Cycle: 1000000 -> 166666.67 Hz", "Short line: 7 -> 1 x", "Half: 12.50 -> 12.75 -",
            "2 other bytes differ, first at 8050" }));
    images.changed = images.original;
    images.at(0x810F) ^= 1; // the checksum byte belongs to nothing
    EXPECT_EQ(images.diff().lines, (Lines { "1 other byte differs, at 810F" }));
}

TEST(ImageDiff, StartAndLengthComeFirstAndOnlyCommonAddressesAreCompared)
{
    Images images("small.def", "small.lyn");
    const std::span<const std::uint8_t> all(images.original);
    // The same bytes, the constants cut off.
    ImageDiff diff = diffImages(
        images.definition, {}, ImageRef { 0x8000, all }, ImageRef { 0x8000, all.first(0x100) });
    EXPECT_FALSE(diff.same);
    EXPECT_EQ(diff.lines, (Lines { "Length: 272 -> 256 bytes" }));

    // Equal bytes at another address are not the same image.
    diff = diffImages(images.definition, {}, ImageRef { 0x8000, all }, ImageRef { 0x8010, all });
    ASSERT_GE(diff.lines.size(), 2u);
    EXPECT_EQ(diff.lines[0], "Start address: 8000 -> 8010");
    EXPECT_NE(diff.lines[1].find("layout differs"), std::string::npos) << diff.lines[1];

    // An image that runs into the end of the address space is cut there.
    diff = diffImages(
        images.definition, {}, ImageRef { 0xFFF0, all }, ImageRef { 0xFFF0, all.first(16) });
    EXPECT_EQ(diff.lines, (Lines { "Length: 272 -> 16 bytes" }));
}

} // namespace
} // namespace zlm
