#include "data/data_file.h"

#include "data/srecord.h"
#include "res/string_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace zlm {
namespace {

using Image = std::array<std::uint8_t, 65536>;

LineList linesOf(std::initializer_list<std::string> lines)
{
    LineList list;
    for (const auto& line : lines)
        list.append(line);
    return list;
}

std::string zeros(std::size_t n)
{
    return std::string(n, '0');
}

class DataSection : public ::testing::Test {
protected:
    Status read(const LineList& lines) { return readDataSection(lines, *image, lowest, highest); }

    std::unique_ptr<Image> image = std::make_unique<Image>();
    std::uint16_t lowest = 0x1234;
    std::uint16_t highest = 0x1234;
};

TEST_F(DataSection, ReadsRecordsAndRange)
{
    const auto lines = linesOf({ "[Info]", "name=x", "[ data ]", "Calib:", "S106800001020373",
        " S1058003aabb12 ", "; comment", "", "S9030000FC", "Fixed:", "S1 garbage after the end" });
    ASSERT_TRUE(read(lines).ok());
    EXPECT_EQ(lowest, 0x8000);
    EXPECT_EQ(highest, 0x8004);
    EXPECT_EQ((*image)[0x8000], 0x01);
    EXPECT_EQ((*image)[0x8002], 0x03);
    EXPECT_EQ((*image)[0x8003], 0xAA); // lower-case digits accepted
    EXPECT_EQ((*image)[0x8004], 0xBB);
}

TEST_F(DataSection, LowerCaseRecordTypeIsNotARecord)
{
    // Hexadecimal digits may be lower case; the type letter must be "S".
    const auto lines = linesOf({ "[Data]", "S106800001020373", "s1058003aabb12" });
    const Status s = read(lines);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().text, "S-format error in [Data] section");
}

TEST_F(DataSection, MissingSectionOrRecords)
{
    Status s = read(linesOf({ "[Title]", "a,b" }));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().id, 1507);
    EXPECT_EQ(s.error().text, "[Data] section is not found");
    EXPECT_EQ(s.error().icon, Icon::Stop);

    s = read(linesOf({ "[Data]", "Calib:", "S10300", "S9030000FC" }));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().text, "[Data] section data is not found");
}

TEST_F(DataSection, FirstRecordMaySitInALaterSection)
{
    // The search for the first record does not stop at section headers.
    ASSERT_TRUE(read(linesOf({ "[Data]", "[Other]", "S1041000AA41" })).ok());
    EXPECT_EQ((*image)[0x1000], 0xAA);
}

TEST_F(DataSection, FormatErrors)
{
    const auto expectError = [&](const std::string& bad, int id) {
        const Status s = read(linesOf({ "[Data]", "S1041000AA41", bad, "S9030000FC" }));
        ASSERT_FALSE(s.ok()) << bad;
        EXPECT_EQ(s.error().id, id) << bad;
    };
    expectError("S1041000AA4", 1509); // odd length
    expectError("S2051000AA0041", 1509); // other record type
    expectError("X1041000AA41", 1509); // not a record
    expectError("S1041000AG41", 1510); // bad digit
    expectError("S1041000AA41;x", 1510);
    EXPECT_EQ(loadString(1510), "Including wrong word in [Data] section");
}

TEST_F(DataSection, CountLongerThanLineIsRefused)
{
    // Count 0x13 promises sixteen data bytes; the line holds one.
    const Status s = read(linesOf({ "[Data]", "S1131000AA41" }));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().text, "S-format error in [Data] section");
    EXPECT_EQ((*image)[0x1000], 0);
}

TEST_F(DataSection, RecordRunningPastTopOfImageIsRefused)
{
    (*image)[0] = 0x55;
    const Status s = read(linesOf({ "[Data]", "S105FFFF0102F9" }));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().id, 1509);
    EXPECT_EQ((*image)[0], 0x55);
    EXPECT_EQ((*image)[0xFFFF], 0);
    // The last byte of the image itself is fine.
    ASSERT_TRUE(read(linesOf({ "[Data]", "S104FFFF01FC" })).ok());
    EXPECT_EQ((*image)[0xFFFF], 0x01);
    EXPECT_EQ(lowest, 0xFFFF);
    EXPECT_EQ(highest, 0xFFFF);
}

TEST_F(DataSection, CountThreeRecordMovesRangeOnly)
{
    ASSERT_TRUE(read(linesOf({ "[Data]", "S1051000AABB85", "S1030800F4", "S1032000DC" })).ok());
    EXPECT_EQ(lowest, 0x0800); // its own address
    EXPECT_EQ(highest, 0x1FFF); // its address minus 1
    EXPECT_EQ((*image)[0x0800], 0);
    EXPECT_EQ((*image)[0x2000], 0);
}

TEST_F(DataSection, OverlappingRecordsLaterWins)
{
    ASSERT_TRUE(read(linesOf({ "[Data]", "S1051000AABB85", "S1041001CC1E" })).ok());
    EXPECT_EQ((*image)[0x1000], 0xAA);
    EXPECT_EQ((*image)[0x1001], 0xCC);
    EXPECT_EQ(highest, 0x1001);
}

TEST_F(DataSection, TitleAfterRecordsWithoutEndRecord)
{
    // "[Title]" is shorter than ten characters and skipped; a long title line is not a record.
    Status s = read(linesOf({ "[Data]", "S1041000AA41", "[Title]", "a,b", "Engine,Race setup" }));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().text, "S-format error in [Data] section");
    // Short title lines alone pass; running out of lines ends the section.
    s = read(linesOf({ "[Data]", "S1041000AA41", "[Title]", "a,b" }));
    EXPECT_TRUE(s.ok());
}

TEST_F(DataSection, RecordChecksumsAreNotVerifiedOnRead)
{
    ASSERT_TRUE(read(linesOf({ "[Data]", "S1041000AA00" })).ok());
    EXPECT_EQ((*image)[0x1000], 0xAA);
}

TEST(DataSectionWrite, ReplacesRecordsKeepsCommentsAndOtherSections)
{
    auto image = std::make_unique<Image>();
    for (int i = 0; i < 33; ++i)
        (*image)[0x8000 + i] = static_cast<std::uint8_t>(i);
    LineList lines = linesOf({ "; head", "[Data]", "Calib:", "S1041000AA41", "; keep me", "",
        "S9030000FC", "Fixed:", "[Title]", "a,b" });
    ASSERT_TRUE(writeDataSection(lines, *image, 0x8000, 0x8020));
    const LineList expected = linesOf({ "; head", "[Data]",
        "Calib:", srec::encodeS1(0x8000, std::span(image->data() + 0x8000, 16)),
        srec::encodeS1(0x8010, std::span(image->data() + 0x8010, 16)), "S1048020203B", "S9030000FC",
        "Fixed:", "; keep me", "", "[Title]", "a,b" });
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines.at(3).substr(0, 4), "S113");
    EXPECT_EQ(lines.at(5).substr(0, 4), "S104");
}

TEST(DataSectionWrite, SixteenZeroBytesAtZero)
{
    auto image = std::make_unique<Image>();
    LineList lines = linesOf({ "[Data]" });
    ASSERT_TRUE(writeDataSection(lines, *image, 0, 15));
    EXPECT_EQ(lines,
        linesOf({ "[Data]", "Calib:", "S1130000" + zeros(32) + "EC", "S9030000FC", "Fixed:" }));
}

TEST(DataSectionWrite, EmptyRangeWritesNoRecordsAndMissingSectionNothing)
{
    auto image = std::make_unique<Image>();
    LineList lines = linesOf({ "[Data]", "S1041000AA41" });
    ASSERT_TRUE(writeDataSection(lines, *image, 0xFFFF, 0));
    EXPECT_EQ(lines, linesOf({ "[Data]", "Calib:", "S9030000FC", "Fixed:" }));

    LineList none = linesOf({ "[Title]", "a,b" });
    EXPECT_FALSE(writeDataSection(none, *image, 0, 15));
    EXPECT_EQ(none, linesOf({ "[Title]", "a,b" }));
}

TEST(DataSectionWrite, WrittenSectionReadsBackAndSavesIdentically)
{
    auto image = std::make_unique<Image>();
    for (int a = 0xE000; a <= 0xFFFF; ++a)
        (*image)[a] = static_cast<std::uint8_t>(a * 7 + 3);
    LineList lines = linesOf({ "[Data]", "[Title]", "Car,No. 7" });
    ASSERT_TRUE(writeDataSection(lines, *image, 0xE000, 0xFFFF));

    auto copy = std::make_unique<Image>();
    std::uint16_t lowest = 0, highest = 0;
    ASSERT_TRUE(readDataSection(lines, *copy, lowest, highest).ok());
    EXPECT_EQ(lowest, 0xE000);
    EXPECT_EQ(highest, 0xFFFF);
    EXPECT_TRUE(std::equal(copy->begin() + 0xE000, copy->end(), image->begin() + 0xE000));

    LineList again = lines;
    ASSERT_TRUE(writeDataSection(again, *copy, lowest, highest));
    EXPECT_EQ(again, lines);
}

// An independent S-record tool confirms the records and checksums we write.
TEST(DataSectionWrite, RecordsAcceptedBySrecCat)
{
    auto image = std::make_unique<Image>();
    for (int a = 0x4000; a < 0x4000 + 1000; ++a)
        (*image)[a] = static_cast<std::uint8_t>((a * 131) ^ (a >> 3));
    LineList lines = linesOf({ "[Data]" });
    ASSERT_TRUE(writeDataSection(lines, *image, 0x4000, 0x4000 + 999));

    const auto dir = std::filesystem::temp_directory_path()
        / ("zlm-srec-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
            + std::to_string(reinterpret_cast<std::uintptr_t>(image.get())));
    std::filesystem::create_directories(dir);
    const auto records = dir / "data.srec";
    const auto binary = dir / "data.bin";
    {
        std::ofstream out(records, std::ios::binary);
        for (const auto& line : lines)
            if (line.starts_with("S"))
                out << line << "\r\n";
    }
    const std::string command = "srec_cat " + records.string() + " -offset -0x4000 -o "
        + binary.string() + " -binary 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(binary, std::ios::binary);
    const std::string decoded((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(decoded.size(), 1000u);
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), image->begin() + 0x4000,
        [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }));

    // The tool does refuse a record with a wrong checksum, so the check above means something.
    {
        std::ofstream out(records, std::ios::binary);
        out << "S1041000AA00\r\nS9030000FC\r\n";
    }
    EXPECT_NE(std::system(command.c_str()), 0);
    std::filesystem::remove_all(dir);
}

TEST(TitleSection, ReadsPairsUpToNextSection)
{
    const auto lines = linesOf({ "[Data]", "S9030000FC", "[ TITLE ]", " Rider , John, Smith ",
        "; comment", "", "OnlyName", "[Other]", "x,y" });
    EXPECT_EQ(readTitleSection(lines),
        (std::vector<std::string> { "Rider", "John, Smith", "OnlyName", "" }));
    EXPECT_TRUE(readTitleSection(linesOf({ "[Data]", "a,b" })).empty());
}

TEST(TitleSection, WriteReplacesTitleLines)
{
    LineList lines = linesOf({ "[Title]", "old,one", "; note", "[Data]", "x" });
    ASSERT_TRUE(writeTitleSection(lines, { "Rider", "John", "Track", "Mugello", "Lonely" }));
    EXPECT_EQ(lines,
        linesOf({ "[Title]", "Rider,John", "Track,Mugello", "Lonely,", "; note", "[Data]", "x" }));
    EXPECT_EQ(readTitleSection(lines),
        (std::vector<std::string> { "Rider", "John", "Track", "Mugello", "Lonely", "" }));

    // Without a section the titles are appended with their header, so none is lost;
    // without titles such a file keeps its lines.
    LineList none = linesOf({ "[Data]", "S9030000FC", "[Notes]", "n" });
    EXPECT_FALSE(writeTitleSection(none, {}));
    EXPECT_EQ(none, linesOf({ "[Data]", "S9030000FC", "[Notes]", "n" }));
    ASSERT_TRUE(writeTitleSection(none, { "a", "b" }));
    EXPECT_EQ(none, linesOf({ "[Data]", "S9030000FC", "[Notes]", "n", "[Title]", "a,b" }));
    EXPECT_EQ(readTitleSection(none), (std::vector<std::string> { "a", "b" }));
}

TEST(ObjFile, ReadsRangeBytesAndStart)
{
    const ObjImage obj = parseObjText("S00600004844521B\r\n"
                                      "S1051000AABB85\r\n"
                                      "S1041002CC1D\r\n"
                                      "S9030000FC\r\n"
                                      "S1041100DD0D\r\n");
    EXPECT_EQ(obj.result, 2);
    EXPECT_EQ(obj.start, 0x1000);
    EXPECT_EQ(obj.bytes, (std::vector<std::uint8_t> { 0xAA, 0xBB, 0xCC }));
    EXPECT_TRUE(obj.checksumOk);
}

TEST(ObjFile, NoRecordLinesAndBadRanges)
{
    EXPECT_EQ(parseObjText("").result, -2);
    EXPECT_EQ(parseObjText("hello\n:10000000\n").result, -2);
    EXPECT_EQ(parseObjText("S9030000FC\n").result, -1); // no range
    EXPECT_EQ(parseObjText("S1041000AA41\n").result, -1); // one byte: lowest not below highest
    EXPECT_EQ(parseObjText("S1040000AA51\n").result, -1); // highest still 0
}

TEST(ObjFile, BadRecordsGiveMinusOne)
{
    EXPECT_EQ(parseObjText("S1051000AABB85\nS1041002CC1\n").result, -1); // odd length
    EXPECT_EQ(parseObjText("S1051000AABB85\nS1041002XC1D\n").result, -1); // bad digit
    EXPECT_EQ(parseObjText("S1131000AABB95\n").result, -1); // count too long
    EXPECT_EQ(parseObjText("S105FFFE0102F9\nS105FFFF0102F8\n").result, -1); // past 0xFFFF
}

TEST(ObjFile, WrongChecksumIsReportedNotFatal)
{
    const ObjImage obj = parseObjText("S1051000AABB00\nS1041002CC1D\n");
    EXPECT_EQ(obj.result, 2);
    EXPECT_FALSE(obj.checksumOk);
    EXPECT_EQ(obj.bytes[1], 0xBB);
}

TEST(ObjFile, NonRecordLineAfterFirstRecordEndsTheFile)
{
    const ObjImage obj = parseObjText("S1051000AABB85\nS1041002CC1D\nS5030002FA\nS1041100DD0D\n");
    EXPECT_EQ(obj.result, 2);
    EXPECT_EQ(obj.bytes.size(), 3u);
}

TEST(ObjFile, OverlongLinesAreReadInPieces)
{
    // A record longer than 255 characters is cut; the first piece has an odd length.
    std::vector<std::uint8_t> data(200, 0x11);
    const std::string longRecord = srec::encodeS1(0x2000, data);
    ASSERT_GT(longRecord.size(), 255u);
    EXPECT_EQ(parseObjText(longRecord + "\n").result, -1);
    std::vector<std::uint8_t> fits(120, 0x22);
    const ObjImage obj = parseObjText(srec::encodeS1(0x2000, fits) + "\n");
    EXPECT_EQ(obj.result, 119);
    EXPECT_TRUE(obj.checksumOk);
}

TEST(ObjFile, ReadsFromDiskAndFailsOnMissingFile)
{
    const auto path = std::filesystem::temp_directory_path()
        / ("zlm-obj-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".obj");
    {
        std::ofstream out(path, std::ios::binary);
        for (const auto& line :
            srec::encodeRange(0x9000, std::vector<std::uint8_t>(40, 0x5A), 0x9027))
            out << line << "\r\n";
    }
    const ObjImage obj = readObjFile(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(obj.result, 39);
    EXPECT_EQ(obj.start, 0x9000);
    EXPECT_EQ(obj.bytes, std::vector<std::uint8_t>(40, 0x5A));
    EXPECT_EQ(readObjFile(path.string()).result, -1);
}

} // namespace
} // namespace zlm
