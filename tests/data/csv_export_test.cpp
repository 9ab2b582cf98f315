#include "data/csv_export.h"

#include "data/batch_conversion.h"
#include "platform/text_file.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zlm {
namespace {

namespace fs = std::filesystem;
using test::readFile;

const std::string kFiles = ZLM_TEST_DATA_DIR;
const std::string kRes = ZLM_RES_DIR;

// The CSV's lines without their CR LF; fails the test on a bare line feed.
std::vector<std::string> csvLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
        EXPECT_TRUE(at > start && text[at - 1] == '\r') << "line " << lines.size() + 1;
        lines.push_back(text.substr(start, at - start - 1));
        start = at + 1;
    }
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

LineList readLines(const std::string& path)
{
    auto lines = readTextLines(path);
    EXPECT_TRUE(lines.has_value()) << path;
    return lines.value_or(LineList{});
}

std::tm fixedTime()
{
    std::tm time {};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 11; // December
    time.tm_mday = 8;
    time.tm_hour = 1;
    time.tm_min = 2;
    time.tm_sec = 3;
    return time;
}

std::string oneDecimal(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// The bytes of a data file's S1 records, decoded here without the program's
// own reader.
std::array<std::uint8_t, 65536> recordBytes(const std::string& path)
{
    std::array<std::uint8_t, 65536> image {};
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("S1", 0) != 0)
            continue;
        std::vector<int> bytes;
        for (std::size_t i = 2; i + 1 < line.size(); i += 2)
            bytes.push_back(std::stoi(line.substr(i, 2), nullptr, 16));
        const int address = bytes[1] * 256 + bytes[2];
        for (int i = 0; i < bytes[0] - 3; ++i)
            image[address + i] = static_cast<std::uint8_t>(bytes[3 + i]);
    }
    return image;
}

class CsvTest : public ::testing::Test {
protected:
    std::string temp(const std::string& name) const { return (m_dir / name).string(); }

    // CSV lines of a data file under a definition, both from the test files.
    std::vector<std::string> exported(const std::string& definition, const std::string& dataFile,
                                      const DisplayFormats& formats = {})
    {
        m_definition = readLines(kFiles + "/" + definition);
        EcuDataSet data(m_definition);
        const LoadResult loaded = data.load(kFiles + "/" + dataFile);
        EXPECT_TRUE(loaded.ok()) << loaded.message.text;
        return csvLines(csvText(data, formats, fixedTime()));
    }

    test::TempDir m_tempDir;
    fs::path m_dir = m_tempDir.path();
    LineList m_definition;
};

TEST_F(CsvTest, SmallDataSetLineByLine)
{
    // Worked out by hand from small.lyn: Z = raw x 0.5, X = raw x 50 (Fuel1) or
    // raw x 20 (Ign2), fuel = raw x 0.5 + 10, ignition = raw / 4 - 10.
    const std::vector<std::string> expected = {
        "26/12/08 01:02:03",
        "Version 1.0",
        "FMDataName,Fuel1", "FMXType,0", "FMNameZ,THROT", "FMNameX,RPM", "FMNameY,FUEL",
        "FMMaxX,12750", "FMMinX,0", "FMMaxY,200", "FMMinY,0", "FMZCnt,3", "FMXCnt,4",
        "Fuel1,10.0,40.0,100.0",
        "1000.0,10.0,42.0,74.0",
        "2000.0,18.0,50.0,82.0",
        "4000.0,26.0,58.0,90.0",
        "8000.0,34.0,66.0,98.0",
        "FMDataName,Ign2", "FMXType,1", "FMNameZ,THROT", "FMNameX,RPM", "FMNameY,IGN",
        "FMMaxX,5100", "FMMinX,0", "FMMaxY,50", "FMMinY,-10", "FMZCnt,2", "FMXCnt,3",
        "FMDataZ,10.0",
        "500.0,0.0",
        "1000.0,2.0",
        "2000.0,5.0",
        "FMDataZ,90.0",
        "200.0,10.0",
        "600.0,15.0",
        "3000.0,40.0",
        "[Calib]",
        "Address,8100,Byte,1,Contents,Idle speed,LSB,10,Offset,0,Unit,rpm,Calc,0",
        "Address,8101,Byte,2,Contents,Rev limit,LSB,1,Offset,0,Unit,rpm,Calc,0",
        "Address,8103,Byte,1,Contents,Temp offset,LSB,0.5,Offset,40,Unit,degC,Calc,3",
        "Address,8104,Byte,2,Contents,Injector,LSB,0.1,Offset,0,Unit,ms,Calc,3",
        "Address,8106,Byte,1,Contents,Cycle,LSB,1,Offset,1,Unit,Hz,Calc,2",
        "Address,8108,Byte,1,Contents,Half,LSB,0.25,Offset,0,Unit,-,Calc,0",
        "Idle speed,850",      // 0x55 x 10
        "Rev limit,8000",      // word 0x1F40
        "Temp offset,-96",     // signed 0x90: -40 - 0.5 x (256 - 144)
        "Injector,-3275.200",  // signed 0x8010: -0.1 x (65536 - 32784)
        "Cycle,1000000",       // raw 0: offset x 1,000,000
        "Half,12.500000",      // 0x32 x 0.25
        "[Fixed]",
        "[end]",
    };
    EXPECT_EQ(exported("small.def", "small.lyn"), expected);
}

TEST_F(CsvTest, EachAxisUsesItsOwnDisplayFormat)
{
    DisplayFormats formats;
    formats.x = "%.0f";
    formats.y = "%.2f";
    formats.z = "%.3f";
    const auto lines = exported("small.def", "small.lyn", formats);
    ASSERT_GT(lines.size(), 33u);
    EXPECT_EQ(lines[13], "Fuel1,10.000,40.000,100.000");
    EXPECT_EQ(lines[14], "1000,10.00,42.00,74.00");
    EXPECT_EQ(lines[29], "FMDataZ,10.000");
    EXPECT_EQ(lines[30], "500,0.00");
}

TEST_F(CsvTest, ListAxesGiveOneLinePerListValueInTheZFormat)
{
    DisplayFormats formats;
    formats.x = "%.0f";
    formats.y = "%.2f";
    const auto lines = exported("list_axes.def", "list_axes.lyn", formats);
    const std::vector<std::string> block = {
        "FMDataName,Boost", "FMXType,0", "FMNameZ,THROT", "FMNameX,RPM", "FMNameY,BOOST",
        "FMMaxX,12000", "FMMinX,0", "FMMaxY,2.55", "FMMinY,0", "FMZCnt,3", "FMXCnt,4",
        // the list value, then the data of its column in the first row (raw x 0.01)
        "1000.0,0.10", "2000.5,0.20", "4000.0,1.00", "8000.0,2.55",
        "[Calib]",
    };
    ASSERT_EQ(lines.size(), 2 + block.size() + 4);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 2 + long(block.size())), block);
    EXPECT_EQ(lines[lines.size() - 3], "Gain,25"); // 0x32 x 0.5
}

TEST_F(CsvTest, TwoByteAxisPointsAreReadAsWords)
{
    const auto lines = exported("word_axis.def", "word_axis.lyn");
    const std::vector<std::string> table = {
        "FMDataZ,10.0", "1000.0,0.0", "3000.0,2.0", "FMDataZ,100.0", "5000.0,-2.0", "12000.0,20.0",
    };
    ASSERT_GE(lines.size(), 13 + table.size());
    EXPECT_EQ(lines[3], "FMXType,1");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 13, lines.begin() + 13 + long(table.size())), table);
}

TEST_F(CsvTest, ConstantsNeedSevenFieldsAndAReadableAddress)
{
    const auto lines = exported("word_axis.def", "word_axis.lyn");
    const std::vector<std::string> tail = {
        "[Calib]",
        "Address,ZZ,Byte,1,Contents,Bad address,LSB,1,Offset,0,Unit,u,Calc,0",
        "Address,9001,Byte,1,Contents,Tab  field,LSB,2,Offset,0,Unit,u,Calc,0",
        "Bad address,",
        "Tab  field,88", // 0x2C x 2
        "[Fixed]",
        "[end]",
    };
    ASSERT_GE(lines.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - long(tail.size()), lines.end()), tail);
}

TEST_F(CsvTest, WithoutMapsOnlyTheFrameAndTheConstantsAreWritten)
{
    m_definition = LineList::fromText("[Free Map]\n8000,80FF,0000\n[Calib]\n8108,1,Half,0.25,0,-,0\n");
    EcuDataSet data(m_definition);
    ASSERT_TRUE(data.load(kFiles + "/small.lyn").ok());
    ASSERT_TRUE(data.maps().empty());
    EXPECT_EQ(csvText(data, {}, fixedTime()),
              "26/12/08 01:02:03\r\nVersion 1.0\r\n[Calib]\r\n"
              "Address,8108,Byte,1,Contents,Half,LSB,0.25,Offset,0,Unit,-,Calc,0\r\n"
              "Half,12.500000\r\n[Fixed]\r\n[end]\r\n");
}

TEST_F(CsvTest, ExportWritesTheFileAndAFailureKeepsTheOldOne)
{
    m_definition = readLines(kFiles + "/small.def");
    EcuDataSet data(m_definition);
    ASSERT_TRUE(data.load(kFiles + "/small.lyn").ok());

    const std::string target = temp("out.csv");
    ASSERT_TRUE(exportCsv(data, {}, target, fixedTime()).ok());
    EXPECT_EQ(readFile(target), csvText(data, {}, fixedTime()));

    const Status failed = exportCsv(data, {}, temp("missing/out.csv"), fixedTime());
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().id, 1517);
    EXPECT_EQ(failed.error().text, "Failed to write file");
    EXPECT_EQ(failed.error().icon, Icon::Exclamation);
    EXPECT_FALSE(exportCsv(data, {}, m_dir.string(), fixedTime()).ok());
}

// --- batch conversion ---------------------------------------------------------------

class BatchTest : public CsvTest {};

TEST_F(BatchTest, StandardDataFileIsConvertedWithHandWorkedValues)
{
    m_definition = readLines(kRes + "/ZLM350.def");
    EcuDataSet data(m_definition);
    const std::string target = temp("standard.csv");
    const auto messages = runBatchConversion(data, {}, kRes + "/Standard_data.lyn", target, fixedTime());
    ASSERT_TRUE(messages.empty()) << messages.front().text;
    const auto lines = csvLines(readFile(target));
    ASSERT_GT(lines.size(), 40u);
    EXPECT_EQ(lines[0], "26/12/08 01:02:03");
    EXPECT_EQ(lines[1], "Version 1.0");

    const auto raw = recordBytes(kRes + "/Standard_data.lyn");

    // "Fuel Map1" is the first block at 0x8000: 8 throttle points (raw x 0.5),
    // 12 speed points (raw x 50), fuel raw x 0.05, one row per speed point.
    ASSERT_EQ(raw[0x8000], 8);
    ASSERT_EQ(raw[0x8001], 12);
    EXPECT_EQ(lines[2], "FMDataName,Fuel Map1");
    EXPECT_EQ(lines[11], "FMZCnt,8");
    EXPECT_EQ(lines[12], "FMXCnt,12");
    std::string header = "Fuel Map1";
    for (int z = 0; z < 8; ++z)
        header += "," + oneDecimal(raw[0x8002 + z] * 0.5f);
    EXPECT_EQ(lines[13], header);
    EXPECT_EQ(lines[13], "Fuel Map1,0.0,5.0,10.0,20.0,35.0,50.0,75.0,100.0");
    for (int x = 0; x < 12; ++x) {
        std::string row = oneDecimal(raw[0x800A + x] * 50.0f);
        for (int z = 0; z < 8; ++z)
            row += "," + oneDecimal(raw[0x8016 + z * 12 + x] * 0.05f);
        EXPECT_EQ(lines[14 + x], row) << "speed point " << x;
    }
    EXPECT_EQ(lines[14], "1500.0,1.4,2.2,2.5,3.2,3.9,4.5,5.3,6.1");

    // "Ign Trim" (an own speed axis per throttle point) sits at 0x8432 after
    // eight 8x12 / 6x10 maps and the 16x16 "Fuel Fine": 4 throttle points at
    // 0x8434, 4 x 6 speed points at 0x8438, trim raw x 0.5 - 20 at 0x8450.
    ASSERT_EQ(raw[0x8432], 4);
    ASSERT_EQ(raw[0x8433], 6);
    const auto start = std::find(lines.begin(), lines.end(), "FMDataName,Ign Trim");
    ASSERT_NE(start, lines.end());
    auto line = start + 11;
    for (int z = 0; z < 4; ++z) {
        EXPECT_EQ(*line++, "FMDataZ," + oneDecimal(raw[0x8434 + z] * 0.5f));
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(*line++, oneDecimal(raw[0x8438 + z * 6 + x] * 50.0f) + "," +
                                   oneDecimal(raw[0x8450 + z * 6 + x] * 0.5f - 20.0f));
    }
    EXPECT_EQ(*(start + 11), "FMDataZ,0.0");
    EXPECT_EQ(*(start + 12), "1500.0,-2.0");

    // Constants, from the bytes at 0x8500 on.
    const auto value = [&](const std::string& contents) {
        const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.rfind(contents + ",", 0) == 0 && l.find(",Byte,") == std::string::npos;
        });
        return found == lines.end() ? std::string("(missing)") : found->substr(contents.size() + 1);
    };
    ASSERT_EQ(raw[0x8500] * 256 + raw[0x8501], 12800);
    EXPECT_EQ(value("Rev Limit"), "12800");
    ASSERT_EQ(raw[0x8504] * 256 + raw[0x8505], 2143);
    EXPECT_EQ(value("Launch Limit"), "6999.5332"); // 360 x 1,000,000 / (2143 x 4 x 6)
    ASSERT_EQ(raw[0x850B], 0xFD);
    EXPECT_EQ(value("Ign Offset"), "-1.500000");   // signed: -0.5 x (256 - 253)
    ASSERT_EQ(raw[0x850E] * 256 + raw[0x850F], 0xFF06);
    EXPECT_EQ(value("Inj Trim"), "-2.500000");     // signed: -0.01 x (65536 - 65286)
    ASSERT_EQ(raw[0x8511], 0x87);
    EXPECT_EQ(value("Fan On Temp"), "95");          // 135 - 40
    ASSERT_EQ(raw[0x8517], 0xDC);
    EXPECT_EQ(value("TPS Full Voltage"), "4.4000001"); // 220 x 0.02 in single precision
    EXPECT_EQ(lines[lines.size() - 2], "[Fixed]");
    EXPECT_EQ(lines.back(), "[end]");
}

TEST_F(BatchTest, FailuresGiveTheirMessages)
{
    m_definition = readLines(kFiles + "/small.def");
    EcuDataSet data(m_definition);

    auto messages = runBatchConversion(data, {}, temp("missing.lyn"), temp("a.csv"), fixedTime());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, 1516);
    EXPECT_EQ(messages[0].text, "Failed to open file");
    EXPECT_EQ(messages[0].icon, Icon::Exclamation);
    EXPECT_FALSE(fs::exists(temp("a.csv")));

    messages = runBatchConversion(data, {}, kFiles + "/no_data_section.lyn", temp("b.csv"), fixedTime());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "[Data] section is not found");
    EXPECT_EQ(messages[0].icon, Icon::Stop);
    // The abandoned load is the generic file error, not a file that cannot be opened.
    EXPECT_EQ(messages[1].id, 61857);
    EXPECT_EQ(messages[1].text, "An unknown error occurred while accessing .");
    EXPECT_EQ(messages[1].icon, Icon::Stop);
    EXPECT_FALSE(fs::exists(temp("b.csv")));

    messages = runBatchConversion(data, {}, kFiles + "/small.lyn", temp("missing/c.csv"), fixedTime());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, 1517);
    EXPECT_EQ(messages[0].text, "Failed to write file");
    EXPECT_EQ(messages[0].icon, Icon::Exclamation);
}

} // namespace
} // namespace zlm
