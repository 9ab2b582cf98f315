// The map section of the ECU definition: section lookup, the area line, map
// header and axis rules, the free-map layout from the image, config maps with
// list and memory axes, and the bounds that keep every map inside the image.
#include "data/map_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

namespace zlm {
namespace {

const std::string kAxes = "THROT,0,100,x*0.5,x/0.5\n"
                          "RPM,0,12750,x*50,x/50\n"
                          "DATA,0,255,x,x\n";

class MapSectionTest : public ::testing::Test {
protected:
    // Puts a free-map block header (Z count, X count) at `address`.
    void counts(std::uint32_t address, std::uint8_t z, std::uint8_t x)
    {
        (*m_image)[address] = z;
        (*m_image)[address + 1] = x;
    }
    Result<ParsedMaps> parse(const std::string& text)
    {
        m_lines = LineList::fromText(text);
        return parseMaps(m_lines, *m_image);
    }
    static std::string map(const std::string& header) { return header + "\n" + kAxes; }

    std::unique_ptr<EcuImage> m_image = std::make_unique<EcuImage>();
    LineList m_lines;
};

void expectError(const Result<ParsedMaps>& result, int id, const char* text)
{
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().id, id);
    EXPECT_EQ(result.error().text, text);
    EXPECT_EQ(result.error().icon, Icon::Stop);
}

constexpr const char* kFormatError = "Format error in [Free Map] section";

// --- section lookup and the area line -----------------------------------------

TEST_F(MapSectionTest, HeaderFoundInLowerCaseAndWithBlanksInsideBrackets)
{
    counts(0x8000, 1, 1);
    for (const char* header : {"[free map]", "[  Free Map  ]", "  [FREE MAP]\t"}) {
        const auto parsed = parse(std::string(header) + "\n8000,8FFF,0\n" + map("A,0,0"));
        ASSERT_TRUE(parsed.ok()) << header;
        EXPECT_EQ(parsed->mode, MapMode::Free);
        EXPECT_EQ(parsed->maps.size(), 1u);
    }
}

TEST_F(MapSectionTest, FreeMapSectionWinsOverAnEarlierConfigMapSection)
{
    counts(0x8000, 1, 1);
    const auto parsed = parse("[Config Map]\n9000,9FFF,0\n" + map("C,0,0") + "1,5\n1,7\n"
                              "[Free Map]\n8000,8FFF,0\n" + map("F,0,0"));
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->mode, MapMode::Free);
    ASSERT_EQ(parsed->maps.size(), 1u);
    EXPECT_EQ(parsed->maps[0].name, "F");
}

TEST_F(MapSectionTest, NeitherSectionIsReported)
{
    expectError(parse("[Calib]\n8500,1,A,1,0,,0\n[FreeMap]\n8000,8FFF,0\n"), 1514,
                "[Free Map] or [Config Map] section is not found.");
}

TEST_F(MapSectionTest, WrongAreaLinesGiveMapAddressIsWrong)
{
    for (const char* area : {"8000,8FFF,0,1", "8000,8FFF", "8000,,0", "80G0,8FFF,0",
                             "0x8000,8FFF,0", "10000,8FFF,0", "-800,8FFF,0", "[Calib]"}) {
        expectError(parse(std::string("[Free Map]\n") + area + "\n" + map("A,0,0")), 1523,
                    "Map Address is wrong");
    }
    expectError(parse("[Free Map]\n; only a comment\n\n"), 1523, "Map Address is wrong");
}

TEST_F(MapSectionTest, AreaLineReadInEitherCaseWithBlanksAndComments)
{
    counts(0x8A00, 1, 1);
    const auto parsed = parse("[Free Map]\n; area\n\n  8a00 , 8FfF ,\t0  \n" + map("A,0,0"));
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->area.start, 0x8A00);
    EXPECT_EQ(parsed->area.end, 0x8FFF);
    EXPECT_EQ(parsed->area.size(), 0x5FF);
    EXPECT_EQ(parsed->maps[0].startAddress, 0x8A00);
}

// --- free-map layout ----------------------------------------------------------

TEST_F(MapSectionTest, TwoFreeMapsAreLaidOutBlockAfterBlock)
{
    counts(0x8000, 4, 3);  // kind 1: 2 + 4 + 3 + 12 = 21 bytes
    counts(0x8015, 2, 2);  // kind 2: 2 + 2 + 4 + 4
    const auto parsed = parse("[Free Map]\n8000,8FFF,0\n" + map("Fuel,0,0,FUEL")
                              + map("Trim,1,x,IGN,ignored"));
    ASSERT_TRUE(parsed.ok());
    ASSERT_EQ(parsed->maps.size(), 2u);

    const MapDefinition& a = parsed->maps[0];
    EXPECT_EQ(a.name, "Fuel");
    EXPECT_EQ(a.kind, 1);
    EXPECT_EQ(a.note, "FUEL");
    EXPECT_EQ(a.startAddress, 0x8000);
    EXPECT_EQ(a.z.count, 4);
    EXPECT_EQ(a.z.address, 0x8002);
    EXPECT_EQ(a.x.count, 3);
    EXPECT_EQ(a.x.address, 0x8006);
    EXPECT_EQ(a.dataAddress, 0x8009);
    EXPECT_EQ(a.y.address, 0x8009);
    EXPECT_EQ(a.dataCount, 12);
    EXPECT_EQ(a.z.width, 1);
    EXPECT_EQ(a.x.width, 1);
    EXPECT_EQ(a.x.spacing, 0);

    const MapDefinition& b = parsed->maps[1];
    EXPECT_EQ(b.kind, 2);
    EXPECT_EQ(b.note, "IGN");
    EXPECT_EQ(b.startAddress, 0x8015);
    EXPECT_EQ(b.z.address, 0x8017);
    EXPECT_EQ(b.x.address, 0x8019);
    EXPECT_EQ(b.dataAddress, 0x8019 + 4);
    EXPECT_EQ(b.dataCount, 4);
}

TEST_F(MapSectionTest, AMapOf256DataBytesIsNotOverlappedByTheNext)
{
    counts(0x8000, 16, 16);                   // 2 + 16 + 16 + 256 = 290 bytes
    counts(0x8000 + 290, 2, 3);
    counts(0x8000 + 34, 9, 9);                // where a modulo-256 layout would look
    const auto parsed = parse("[Free Map]\n8000,8FFF,0\n" + map("Big,0,0") + map("Next,0,0"));
    ASSERT_TRUE(parsed.ok());
    ASSERT_EQ(parsed->maps.size(), 2u);
    EXPECT_EQ(parsed->maps[0].dataCount, 256);
    EXPECT_EQ(parsed->maps[1].startAddress, 0x8000 + 290);
    EXPECT_EQ(parsed->maps[1].dataCount, 6);
    EXPECT_GT(parsed->maps[1].startAddress,
              parsed->maps[0].dataAddress + parsed->maps[0].dataCount - 1);
}

TEST_F(MapSectionTest, AFreeMapRunningPastTheImageEndIsInvalid)
{
    // First map: reported.
    counts(0xFFF0, 4, 4);  // would end at 0x10016
    expectError(parse("[Free Map]\nFFF0,FFFF,0\n" + map("A,0,0")), 1515, kFormatError);
    // The count bytes themselves at the last address.
    expectError(parse("[Free Map]\nFFFF,FFFF,0\n" + map("A,0,0")), 1515, kFormatError);
    // A later map: the section ends before it.
    counts(0xFFE0, 2, 2);  // 2 + 2 + 2 + 4 = 10 bytes: 0xFFE0..0xFFE9
    counts(0xFFEA, 4, 4);  // 26 bytes from 0xFFEA: past the end
    const auto parsed = parse("[Free Map]\nFFE0,FFFF,0\n" + map("A,0,0") + map("B,1,0"));
    ASSERT_TRUE(parsed.ok());
    ASSERT_EQ(parsed->maps.size(), 1u);
    EXPECT_EQ(parsed->maps[0].name, "A");
}

TEST_F(MapSectionTest, AFreeMapEndingExactlyAtTheImageEndIsValid)
{
    counts(0xFFF0, 2, 3);  // 2 + 2 + 3 + 6 = 13 bytes: 0xFFF0..0xFFFC
    counts(0xFFFD, 1, 1);  // 2 + 1 + 1 + 1 = 5 bytes: past the end by 2
    auto parsed = parse("[Free Map]\nFFF0,FFFF,0\n" + map("A,0,0") + map("B,0,0"));
    ASSERT_TRUE(parsed.ok());
    ASSERT_EQ(parsed->maps.size(), 1u);

    counts(0xFFF0, 2, 4);  // kind 1: 2 + 2 + 4 + 8 = 16 bytes: up to 0xFFFF
    parsed = parse("[Free Map]\nFFF0,FFFF,0\n" + map("A,0,0"));
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->maps[0].dataAddress + parsed->maps[0].dataCount - 1, 0xFFFF);
}

// --- map header and axis lines --------------------------------------------------

TEST_F(MapSectionTest, WrongKindInTheFirstMapIsAFormatError)
{
    counts(0x8000, 1, 1);
    for (const char* header : {"A,2,0", "A,01,0", "A,,0", "A, ,0", "A,0", "A,1", ",0,0", "A"})
        expectError(parse("[Free Map]\n8000,8FFF,0\n" + map(header)), 1515, kFormatError);
}

TEST_F(MapSectionTest, WrongKindInTheThirdMapEndsTheSectionAfterTwoMaps)
{
    counts(0x8000, 1, 1);  // 5 bytes
    counts(0x8005, 1, 1);  // kind 2, 5 bytes
    for (const char* header : {"C,2,0", "C,01,0"}) {
        const auto parsed = parse("[Free Map]\n8000,8FFF,0\n" + map("A,0,0") + map("B,1,0")
                                  + map(header));
        ASSERT_TRUE(parsed.ok()) << header;
        EXPECT_EQ(parsed->maps.size(), 2u) << header;
    }
}

TEST_F(MapSectionTest, AxisLineFieldsAndOptionalLimits)
{
    counts(0x8000, 1, 1);
    const auto parsed = parse("[Free Map]\n8000,8FFF,0\nA,0,0\n"
                              " THROT , 0 , 100 , x*0.5 , x/0.5 \n"
                              "RPM,0,12750,x*50,x/50,1000\n"
                              "IGN,-10,60,x-40,x+40,0,50,extra\n");
    ASSERT_TRUE(parsed.ok());
    const MapDefinition& m = parsed->maps[0];
    EXPECT_EQ(m.z.name, "THROT");
    EXPECT_EQ(m.z.minimum, "0");
    EXPECT_EQ(m.z.maximum, "100");
    EXPECT_EQ(m.z.toPhysical, "x*0.5");
    EXPECT_EQ(m.z.toRaw, "x/0.5");
    EXPECT_EQ(m.z.lowerLimit, "");
    EXPECT_EQ(m.z.upperLimit, "");
    // Six fields: the sixth is the lower limit only.
    EXPECT_EQ(m.x.lowerLimit, "1000");
    EXPECT_EQ(m.x.upperLimit, "");
    EXPECT_EQ(m.y.name, "IGN");
    EXPECT_EQ(m.y.minimum, "-10");
    EXPECT_EQ(m.y.lowerLimit, "0");
    EXPECT_EQ(m.y.upperLimit, "50");
}

TEST_F(MapSectionTest, AxisLinesMissingARequiredFieldAreFormatErrors)
{
    counts(0x8000, 1, 1);
    for (const char* axis : {"THROT,0,100,x*0.5", "THROT,0,100,x*0.5,", "THROT,,100,x,x",
                             ",0,100,x,x", "[Calib]"}) {
        const std::string text = std::string("[Free Map]\n8000,8FFF,0\nA,0,0\n") + axis
            + "\nRPM,0,1,x,x\nD,0,1,x,x\n";
        expectError(parse(text), 1515, kFormatError);
    }
}

TEST_F(MapSectionTest, SectionEndsAtTheNextHeaderEvenWithoutMaps)
{
    const auto parsed = parse("[Free Map]\n8000,8FFF,0\n; nothing yet\n[Calib]\n");
    ASSERT_TRUE(parsed.ok());
    EXPECT_TRUE(parsed->maps.empty());
    EXPECT_EQ(parsed->area.start, 0x8000);
}

TEST_F(MapSectionTest, LinesRunningOutBeforeAnyMapAreAFormatError)
{
    expectError(parse("[Free Map]\n8000,8FFF,0\n"), 1515, kFormatError);
}

TEST_F(MapSectionTest, AxisLinesMissingAtTheEndLeaveThoseAxesEmpty)
{
    counts(0x8000, 2, 2);
    const auto parsed = parse("[Free Map]\n8000,8FFF,0\nA,0,0\nTHROT,0,100,x,x\n");
    ASSERT_TRUE(parsed.ok());
    ASSERT_EQ(parsed->maps.size(), 1u);
    EXPECT_EQ(parsed->maps[0].z.name, "THROT");
    EXPECT_TRUE(parsed->maps[0].x.name.empty());
    EXPECT_TRUE(parsed->maps[0].y.toPhysical.empty());
    EXPECT_EQ(parsed->maps[0].dataCount, 4);
}

TEST_F(MapSectionTest, MapsFollowingAMapOfAnotherSectionAreNotRead)
{
    counts(0x8000, 1, 1);
    const auto parsed = parse("[Free Map]\n8000,8FFF,0\n" + map("A,0,0") + "[Calib]\n"
                              + map("B,0,0"));
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->maps.size(), 1u);
}

// --- config maps ------------------------------------------------------------------

TEST_F(MapSectionTest, ConfigMapsWithListAxes)
{
    const auto parsed = parse("[Config Map]\n9000,9FFF,0\n" + map("A,0,0,G")
                              + "3, 0 ,50,100\n2,1000,2000\n" + map("B,0,0")
                              + "1,7\n0\n");
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->mode, MapMode::Config);
    ASSERT_EQ(parsed->maps.size(), 2u);
    const MapDefinition& a = parsed->maps[0];
    EXPECT_EQ(a.z.count, 3);
    EXPECT_EQ(a.z.values, "0,50,100");
    EXPECT_EQ(a.x.count, 2);
    EXPECT_EQ(a.x.values, "1000,2000");
    EXPECT_EQ(a.x.spacing, 0);
    EXPECT_EQ(a.startAddress, 0x9000);
    EXPECT_EQ(a.dataAddress, 0x9000);
    EXPECT_EQ(a.dataCount, 6);
    const MapDefinition& b = parsed->maps[1];
    EXPECT_EQ(b.dataAddress, 0x9006);
    EXPECT_EQ(b.x.count, 0);
    EXPECT_EQ(b.dataCount, 0);
}

TEST_F(MapSectionTest, ConfigListCountMustMatchItsValues)
{
    for (const char* list : {"3,0,50", "2,0,50,100", "-1", "x,0", "1.5,0"})
        expectError(parse("[Config Map]\n9000,9FFF,0\n" + map("A,0,0") + list + "\n1,5\n"), 1515,
                    kFormatError);
}

TEST_F(MapSectionTest, ConfigMapsWithAxesInTheImage)
{
    const auto parsed = parse("[Config Map]\n9000,9FFF,0\n" + map("A,0,0")
                              + "Z,8400,1,8,1\nx,8408,2,12,250\n" + map("B,1,0")
                              + "z,8500,3,258,0\nX,8510,2,3,-5\n");
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->mode, MapMode::ConfigInImage);
    ASSERT_EQ(parsed->maps.size(), 2u);
    const MapDefinition& a = parsed->maps[0];
    EXPECT_EQ(a.z.address, 0x8400);
    EXPECT_EQ(a.z.width, 1);
    EXPECT_EQ(a.z.count, 8);
    EXPECT_EQ(a.z.spacing, 1);
    EXPECT_EQ(a.x.address, 0x8408);
    EXPECT_EQ(a.x.width, 2);
    EXPECT_EQ(a.x.count, 12);
    EXPECT_EQ(a.x.spacing, 250);
    EXPECT_EQ(a.dataAddress, 0x9000);
    EXPECT_EQ(a.dataCount, 96);
    const MapDefinition& b = parsed->maps[1];
    EXPECT_EQ(b.z.width, 1);   // any width but 2 is one byte
    EXPECT_EQ(b.z.count, 2);   // the low 8 bits of 258
    EXPECT_EQ(b.x.spacing, -5);
    EXPECT_EQ(b.dataAddress, 0x9000 + 96);
    EXPECT_EQ(b.dataCount, 6);
}

TEST_F(MapSectionTest, ConfigModeIsThreeOnlyWhenAReadMapHasAxesInTheImage)
{
    // The map with memory axes is invalid (six fields on its X line): the mode stays 0.
    const auto parsed = parse("[Config Map]\n9000,9FFF,0\n" + map("A,0,0") + "1,5\n1,7\n"
                              + map("B,0,0") + "z,8400,1,1,0\nx,8408,1,1,0,9\n");
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->maps.size(), 1u);
    EXPECT_EQ(parsed->mode, MapMode::Config);
}

TEST_F(MapSectionTest, ConfigAxisLinesMustAgreeAndNameTheirOwnAxis)
{
    for (const char* lines : {"z,8400,1,2,0\n2,1,2\n",       // memory, then list
                              "2,1,2\nx,8400,1,2,0\n",       // list, then memory
                              "x,8400,1,2,0\nz,8410,1,2,0\n",  // keywords swapped
                              "z,8400,1,2\nx,8410,1,2,0\n",  // four fields
                              "z,84G0,1,2,0\nx,8410,1,2,0\n",
                              "z,8400,one,2,0\nx,8410,1,2,0\n",
                              "z,8400,1,2,0\n"})             // lines run out
        expectError(parse("[Config Map]\n9000,9FFF,0\n" + map("A,0,0") + lines), 1515,
                    kFormatError);
}

TEST_F(MapSectionTest, ConfigMapsRunningPastTheImageEndAreInvalid)
{
    // Data: 16 x 16 bytes from 0xFF80.
    expectError(parse("[Config Map]\nFF80,FFFF,0\n" + map("A,0,0") + "z,8000,1,16,0\n"
                      + "x,8010,1,16,0\n"),
                1515, kFormatError);
    // A word axis of 8 points from 0xFFF2 needs 16 bytes: two too many.
    expectError(parse("[Config Map]\n9000,9FFF,0\n" + map("A,0,0") + "z,8000,1,1,0\n"
                      + "x,FFF2,2,8,0\n"),
                1515, kFormatError);
    // Kind 2: an X axis per Z point, 4 x 4 bytes from 0xFFF8.
    expectError(parse("[Config Map]\n9000,9FFF,0\n" + map("A,1,0") + "z,8000,1,4,0\n"
                      + "x,FFF8,1,4,0\n"),
                1515, kFormatError);
    // The second map is left out; the first stays.
    const auto parsed = parse("[Config Map]\nFFF0,FFFF,0\n" + map("A,0,0") + "2,1,2\n4,1,2,3,4\n"
                              + map("B,0,0") + "2,1,2\n5,1,2,3,4,5\n");
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->maps.size(), 1u);
}

TEST_F(MapSectionTest, ConfigDataAddressesAdvanceByTheWholeDataCount)
{
    std::string values = "16";
    for (int i = 0; i < 16; ++i)
        values += "," + std::to_string(i * 10);
    const auto parsed = parse("[Config Map]\n9000,9FFF,0\n" + map("A,0,0") + values + "\n"
                              + values + "\n" + map("B,0,0") + "1,5\n1,7\n");
    ASSERT_TRUE(parsed.ok());
    ASSERT_EQ(parsed->maps.size(), 2u);
    EXPECT_EQ(parsed->maps[0].dataCount, 256);
    EXPECT_EQ(parsed->maps[1].dataAddress, 0x9100);
}

} // namespace
} // namespace zlm
