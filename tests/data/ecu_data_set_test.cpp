#include "data/ecu_data_set.h"

#include "data/map_access.h"
#include "platform/text_file.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <sys/resource.h>
#include <sys/stat.h>

namespace zlm {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

const std::string kFiles = ZLM_TEST_DATA_DIR;

LineList definitionFrom(const std::string& name)
{
    auto lines = readTextLines(kFiles + "/" + name);
    EXPECT_TRUE(lines.has_value()) << name;
    return lines.value_or(LineList{});
}

// Sum of the calibration range, which a save makes 0x7F.
unsigned rangeSum(const EcuDataSet& data)
{
    const auto image = data.image();
    return std::accumulate(image.begin() + data.lowest, image.begin() + data.highest + 1, 0u) & 0xFF;
}

class DataSetTest : public ::testing::Test {
protected:
    std::string temp(const std::string& name) const { return (m_dir / name).string(); }
    static std::string file(const std::string& name) { return kFiles + "/" + name; }

    void loadOk(const std::string& name)
    {
        const LoadResult result = m_data.load(file(name));
        ASSERT_TRUE(result.ok()) << name << ": " << result.message.text;
    }

    test::TempDir m_tempDir;
    fs::path m_dir = m_tempDir.path();
    LineList m_definition = definitionFrom("small.def");
    EcuDataSet m_data{m_definition};
};

// --- loading -------------------------------------------------------------------

TEST_F(DataSetTest, LoadFillsImageRangeLinesAndMaps)
{
    m_data.modified = true;
    loadOk("small.lyn");
    EXPECT_EQ(m_data.lowest, 0x8000);
    EXPECT_EQ(m_data.highest, 0x810F);
    EXPECT_EQ(m_data.read(0x8000), 3);
    EXPECT_EQ(m_data.read(0x8101), 0x1F);
    EXPECT_EQ(m_data.read(0x810F), 0x0D);
    EXPECT_FALSE(m_data.modified);
    EXPECT_EQ(m_data.lines().at(0), "; ZLM-350 data file for the tests");
    EXPECT_EQ(m_data.lines().count(), 30u);

    ASSERT_EQ(m_data.maps().size(), 2u);
    const MapDefinition& fuel = m_data.maps()[0];
    EXPECT_EQ(fuel.name, "Fuel1");
    EXPECT_EQ(fuel.z.count, 3);
    EXPECT_EQ(fuel.x.count, 4);
    EXPECT_EQ(fuel.dataAddress, 0x8009);
    EXPECT_EQ(m_data.maps()[1].startAddress, 0x8015);
    EXPECT_EQ(m_data.mapMode, MapMode::Free);
    // The load alone does not name the data set; the Open command does.
    EXPECT_FALSE(m_data.loaded());
}

TEST_F(DataSetTest, LoadEmptiesLinkAndCurrentMapAndRunsHooksInOrder)
{
    m_data.linkMode = 0;
    m_data.linkList = {"Fuel1", "Fuel2"};
    std::vector<std::string> calls;
    m_data.afterMapsParsed = [&] {
        calls.push_back("maps:" + std::to_string(m_data.maps().size()) + " link:" +
                        std::to_string(m_data.linkMode) + "/" + std::to_string(m_data.linkList.size()));
    };
    m_data.afterLoad = [&](const LineList& definition) {
        calls.push_back(&definition == &m_definition ? "definition" : "other");
    };
    loadOk("small.lyn");
    EXPECT_EQ(calls, (std::vector<std::string>{"maps:2 link:2/0", "definition"}));
    EXPECT_EQ(m_data.currentMap(), nullptr);
}

TEST_F(DataSetTest, LoadOfMissingFileFolderOrPipeCannotOpen)
{
    EXPECT_EQ(m_data.load(temp("missing.lyn")).failure, LoadFailure::CannotOpen);
    EXPECT_EQ(m_data.load(m_dir.string()).failure, LoadFailure::CannotOpen);
    // A named pipe with no writer must not stall the load.
    ASSERT_EQ(::mkfifo(temp("pipe.lyn").c_str(), 0600), 0);
    EXPECT_EQ(m_data.load(temp("pipe.lyn")).failure, LoadFailure::CannotOpen);
}

TEST_F(DataSetTest, SectionErrorsComeBackWithTheirMessageAndNoHooksRun)
{
    bool hookRan = false;
    m_data.afterLoad = [&](const LineList&) { hookRan = true; };
    m_data.afterMapsParsed = [&] { hookRan = true; };

    LoadResult result = m_data.load(file("no_data_section.lyn"));
    EXPECT_EQ(result.failure, LoadFailure::FormatError);
    EXPECT_EQ(result.message.id, 1507);
    EXPECT_EQ(result.message.text, "[Data] section is not found");
    EXPECT_EQ(result.message.icon, Icon::Stop);

    result = m_data.load(file("bad_digit.lyn"));
    EXPECT_EQ(result.failure, LoadFailure::FormatError);
    EXPECT_EQ(result.message.text, "Including wrong word in [Data] section");

    LineList noMaps = LineList::fromText("[Calib]\n8100,1,A,1,0,u,0\n");
    EcuDataSet data(noMaps);
    result = data.load(file("small.lyn"));
    EXPECT_EQ(result.failure, LoadFailure::FormatError);
    EXPECT_EQ(result.message.text, "[Free Map] or [Config Map] section is not found.");
    // The lines read so far stay until the next load or close.
    EXPECT_FALSE(data.lines().empty());
    EXPECT_FALSE(hookRan);
}

TEST_F(DataSetTest, SecondLoadKeepsImageOutsideItsRecordsAndSavesOnlyItsRange)
{
    loadOk("small.lyn");
    loadOk("second.lyn");
    EXPECT_EQ(m_data.lowest, 0x8100);
    EXPECT_EQ(m_data.highest, 0x811F);
    EXPECT_EQ(m_data.read(0x8000), 3);    // from the first file
    EXPECT_EQ(m_data.read(0x8005), 0x14); // from the first file
    EXPECT_EQ(m_data.read(0x8100), 0x20); // from the second file

    ASSERT_TRUE(m_data.save(temp("second.lyn")).ok());
    const std::string saved = readFile(temp("second.lyn"));
    EXPECT_EQ(saved.find("S1138000"), std::string::npos);
    EXPECT_NE(saved.find("S1138100"), std::string::npos);
    EXPECT_NE(saved.find("S1138110"), std::string::npos);
}

TEST_F(DataSetTest, LastLineWithoutLineFeedIsKeptAndSavedWithCrLf)
{
    loadOk("no_final_newline.lyn");
    EXPECT_EQ(m_data.lines().at(m_data.lines().count() - 1), "Last,line without a line feed");

    ASSERT_TRUE(m_data.save(temp("out.lyn")).ok());
    const std::string saved = readFile(temp("out.lyn"));
    EXPECT_TRUE(saved.ends_with("[Title]\r\nLast,line without a line feed\r\n")) << saved;
    // Every line feed of the saved file follows a carriage return.
    for (std::size_t at = saved.find('\n'); at != std::string::npos; at = saved.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && saved[at - 1] == '\r') << "bare line feed at " << at;
}

// --- saving --------------------------------------------------------------------

TEST_F(DataSetTest, FileWrittenByTheProgramIsReproducedByteForByte)
{
    loadOk("small.lyn");
    ASSERT_TRUE(m_data.save(temp("copy.lyn")).ok());
    EXPECT_EQ(readFile(temp("copy.lyn")), readFile(file("small.lyn")));
}

TEST_F(DataSetTest, LoadSaveLoadSaveAndSavingTwiceGiveIdenticalFiles)
{
    // second.lyn has neither markers nor a valid checksum byte: the first save
    // changes it, every later save must reproduce that result.
    loadOk("second.lyn");
    ASSERT_TRUE(m_data.save(temp("a.lyn")).ok());
    ASSERT_TRUE(m_data.save(temp("b.lyn")).ok());
    ASSERT_TRUE(m_data.load(temp("a.lyn")).ok());
    ASSERT_TRUE(m_data.save(temp("c.lyn")).ok());
    const std::string a = readFile(temp("a.lyn"));
    EXPECT_NE(a, readFile(file("second.lyn")));
    EXPECT_EQ(readFile(temp("b.lyn")), a);
    EXPECT_EQ(readFile(temp("c.lyn")), a);
}

TEST_F(DataSetTest, LinesTheProgramDoesNotUnderstandSurviveASave)
{
    loadOk("small.lyn");
    m_data.write(0x8009, 0x11);
    ASSERT_TRUE(m_data.save(temp("out.lyn")).ok());
    const std::string saved = readFile(temp("out.lyn"));
    EXPECT_TRUE(saved.starts_with("; ZLM-350 data file for the tests\r\n[Info]\r\nOwner,Test Team\r\n"
                                  "Unknown line kept as it is\r\n[Data]\r\nCalib:\r\n"));
    EXPECT_TRUE(saved.ends_with("S9030000FC\r\nFixed:\r\n[Title]\r\nCircuit,Suzuka\r\nRider,Test rider\r\n"
                                "[Notes]\r\n  indented note ; with semicolon\r\n"));
}

TEST_F(DataSetTest, SaveSetsChecksumEvenWithoutEditsAndNamesTheDataSet)
{
    loadOk("second.lyn");
    const std::string target = temp("saved.lyn");
    ASSERT_TRUE(m_data.save(target).ok());
    // 0x20 + ... + 0x3E = 0x3F * 31 / 2 ... summed by hand: 31 bytes from 0x20 to 0x3E add up to 1457 = 0x5B1.
    EXPECT_EQ(m_data.read(0x811F), (0x7F - 0xB1) & 0xFF);
    EXPECT_EQ(rangeSum(m_data), 0x7Fu);
    EXPECT_NE(readFile(target).find("S1138110303132333435363738393A3B3C3D3ECE"), std::string::npos);
    EXPECT_FALSE(m_data.modified);
    EXPECT_EQ(m_data.path(), target);
    EXPECT_EQ(m_data.title(), "saved.lyn");
}

TEST_F(DataSetTest, TitlesAreReadAndSavedAlsoIntoAFileWithoutTitleSection)
{
    loadOk("small.lyn");
    EXPECT_EQ(m_data.titles, (std::vector<std::string>{"Circuit", "Suzuka", "Rider", "Test rider"}));

    // A file without titles and without the section is written as before.
    loadOk("second.lyn");
    EXPECT_TRUE(m_data.titles.empty());
    ASSERT_TRUE(m_data.save(temp("plain.lyn")).ok());
    EXPECT_EQ(readFile(temp("plain.lyn")).find("[Title]"), std::string::npos);

    // Titles entered for it come back after reopening, and the file still loads.
    m_data.titles = {"Track", "Mugello", "Note", ""};
    ASSERT_TRUE(m_data.save(temp("titled.lyn")).ok());
    const std::uint8_t checksum = m_data.read(m_data.highest);
    ASSERT_TRUE(m_data.load(temp("titled.lyn")).ok());
    EXPECT_EQ(m_data.titles, (std::vector<std::string>{"Track", "Mugello", "Note", ""}));
    EXPECT_EQ(m_data.read(m_data.highest), checksum);
    EXPECT_EQ(m_data.lowest, 0x8100);
}

TEST_F(DataSetTest, EditedByteIsSavedWithAdjustedChecksum)
{
    loadOk("small.lyn");
    m_data.write(0x8009, 0x11);
    EXPECT_TRUE(m_data.modified);
    ASSERT_TRUE(m_data.save(temp("out.lyn")).ok());
    // The first data byte grew by 0x11, so the checksum byte drops by 0x11.
    EXPECT_EQ(m_data.read(0x810F), 0x0D - 0x11 + 0x100);
    EXPECT_EQ(rangeSum(m_data), 0x7Fu);
    EXPECT_NE(readFile(temp("out.lyn")).find("S113800003041450C8142850A011102030405060AC"), std::string::npos);
}

TEST_F(DataSetTest, FixChecksumIsNotMirroredAndSetsModified)
{
    loadOk("small.lyn");
    int mirrored = 0;
    m_data.mirror = [&](std::uint16_t, std::uint8_t) { ++mirrored; };
    m_data.write(0x8000, 5);
    EXPECT_EQ(mirrored, 1);
    m_data.modified = false;
    m_data.fixChecksum();
    EXPECT_EQ(mirrored, 1);
    EXPECT_TRUE(m_data.modified);
    EXPECT_EQ(rangeSum(m_data), 0x7Fu);
}

TEST_F(DataSetTest, FailedSaveLeavesOldFileAndDataSetAsTheyWere)
{
    loadOk("small.lyn");
    const std::string target = temp("kept.lyn");
    ASSERT_TRUE(m_data.save(target).ok());
    const std::string before = readFile(target);

    m_data.write(0x8009, 0x42);
    m_data.lines().append("added after the first save");
    const std::uint8_t checksumBefore = m_data.read(m_data.highest);

    // A write that fails half-way (as on a full disk): the file size limit
    // stops the new file after 100 bytes, also for a privileged user.
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Status status = m_data.save(target);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().id, 1533);
    EXPECT_EQ(status.error().text, "ZLM-350 Data File Save Error!");
    EXPECT_EQ(status.error().icon, Icon::Exclamation);
    EXPECT_EQ(readFile(target), before);
    EXPECT_EQ(m_data.path(), target);
    EXPECT_TRUE(m_data.modified);
    EXPECT_EQ(m_data.read(m_data.highest), checksumBefore);
    EXPECT_EQ(m_data.lines().at(m_data.lines().count() - 1), "added after the first save");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(DataSetTest, SaveIntoMissingFolderOrOntoAFolderOrPipeFails)
{
    loadOk("small.lyn");
    m_data.modified = false;
    const Status missing = m_data.save(temp("no-such-folder/out.lyn"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().id, 1533);

    fs::create_directory(temp("folder.lyn"));
    writeFile(temp("folder.lyn/inside.txt"), "kept");
    const Status onFolder = m_data.save(temp("folder.lyn"));
    ASSERT_FALSE(onFolder.ok());
    EXPECT_EQ(readFile(temp("folder.lyn/inside.txt")), "kept");
    // A pipe is not replaced by a plain file.
    ASSERT_EQ(::mkfifo(temp("pipe.lyn").c_str(), 0600), 0);
    EXPECT_FALSE(m_data.save(temp("pipe.lyn")).ok());
    EXPECT_TRUE(fs::is_fifo(temp("pipe.lyn")));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2);
    EXPECT_FALSE(m_data.loaded());
    EXPECT_FALSE(m_data.modified);
}

TEST_F(DataSetTest, EmptyRangeWritesNoRecordsAndTouchesNoChecksumByte)
{
    m_data.image()[0x0000] = 0x11;
    m_data.image()[0x00FF] = 0x22;
    m_data.image()[0x0100] = 0x33;
    loadOk("empty_range.lyn");
    EXPECT_EQ(m_data.lowest, 0x0100);
    EXPECT_EQ(m_data.highest, 0x00FF);
    EXPECT_FALSE(m_data.hasRange());

    m_data.fixChecksum();
    EXPECT_FALSE(m_data.modified);
    ASSERT_TRUE(m_data.save(temp("out.lyn")).ok());
    EXPECT_EQ(m_data.read(0x0000), 0x11);
    EXPECT_EQ(m_data.read(0x00FF), 0x22);
    EXPECT_EQ(m_data.read(0x0100), 0x33);
    EXPECT_EQ(readFile(temp("out.lyn")), "[Data]\r\nCalib:\r\nS9030000FC\r\nFixed:\r\n[Title]\r\nKept,after the data\r\n");
}

TEST_F(DataSetTest, SaveKeepsPermissionsAndWritesThroughSymbolicLinks)
{
    loadOk("small.lyn");
    const std::string real = temp("real.lyn");
    writeFile(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.lyn", temp("link.lyn"));

    ASSERT_TRUE(m_data.save(temp("link.lyn")).ok());
    EXPECT_TRUE(fs::is_symlink(temp("link.lyn")));
    EXPECT_EQ(readFile(real), readFile(file("small.lyn")));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// --- close, current map, editing ------------------------------------------------

TEST_F(DataSetTest, CloseForgetsPathLinesMapsAndLink)
{
    loadOk("small.lyn");
    m_data.setPath("/somewhere/Race Day.lyn");
    EXPECT_EQ(m_data.title(), "Race Day.lyn");
    m_data.setCurrentMap(1);
    m_data.linkMode = 1;
    m_data.linkList = {"Fuel1", "Ign2"};
    m_data.close();
    EXPECT_FALSE(m_data.loaded());
    EXPECT_EQ(m_data.title(), "");
    EXPECT_TRUE(m_data.lines().empty());
    EXPECT_TRUE(m_data.maps().empty());
    EXPECT_EQ(m_data.currentMap(), nullptr);
    EXPECT_EQ(m_data.linkMode, kNoLink);
    EXPECT_TRUE(m_data.linkList.empty());
}

TEST_F(DataSetTest, CurrentMapOutsideTheArrayIsTheFirstMap)
{
    m_data.setCurrentMap(0);
    EXPECT_EQ(m_data.currentMap(), nullptr);
    loadOk("small.lyn");
    m_data.setCurrentMap(1);
    EXPECT_EQ(m_data.currentMap()->name, "Ign2");
    m_data.setCurrentMap(-1);
    EXPECT_EQ(m_data.currentMap()->name, "Fuel1");
    m_data.setCurrentMap(7);
    EXPECT_EQ(m_data.currentMapIndex(), 0);
}

TEST_F(DataSetTest, StartEditingOnlyWhenTheMapHasNoTarget)
{
    loadOk("small.lyn");
    MapDefinition& fuel = m_data.maps()[0];
    m_data.image()[0x8009] = 0x37;
    m_data.startEditing(fuel);
    EXPECT_EQ(fuel.edit.part, EditPart::Data);
    EXPECT_EQ(fuel.edit.line, 0);
    EXPECT_EQ(fuel.edit.point, 0);
    EXPECT_EQ(fuel.edit.currentValue, 0x37);

    fuel.edit.line = 2;
    fuel.edit.part = EditPart::Rpm;
    m_data.startEditing(fuel);
    EXPECT_EQ(fuel.edit.line, 2);
    EXPECT_EQ(fuel.edit.part, EditPart::Rpm);
}

TEST_F(DataSetTest, SelectLineReadsTheCellUnderTheTargetAndRecomputesTheRange)
{
    loadOk("small.lyn");
    m_data.setCurrentMap(0);
    MapDefinition& fuel = *m_data.currentMap();

    fuel.edit.part = EditPart::None;
    fuel.edit.point = 1;
    m_data.selectLine(2);
    EXPECT_EQ(fuel.edit.part, EditPart::Data);
    EXPECT_EQ(fuel.edit.currentValue, 0x90); // row 2, column 1 of the data

    fuel.edit.part = EditPart::Rpm;
    fuel.edit.point = 3;
    m_data.selectLine(1);
    EXPECT_EQ(fuel.edit.currentValue, 0xA0); // the shared X axis, point 3
    EXPECT_EQ(fuel.edit.lowerLimit, 0x51);   // above X point 2
    EXPECT_EQ(fuel.edit.upperLimit, 255);

    fuel.edit.part = EditPart::Throt;
    m_data.selectLine(1);
    EXPECT_EQ(fuel.edit.point, 1);
    EXPECT_EQ(fuel.edit.currentValue, 0x50); // Z values 0x14, 0x50, 0xC8
    EXPECT_EQ(fuel.edit.lowerLimit, 0x15);
    EXPECT_EQ(fuel.edit.upperLimit, 0xC7);

    // Kind 2: each Z line has an X axis of its own.
    m_data.setCurrentMap(1);
    MapDefinition& ign = *m_data.currentMap();
    ign.edit.part = EditPart::Rpm;
    ign.edit.point = 2;
    m_data.selectLine(1);
    EXPECT_EQ(ign.edit.currentValue, 0x96);
    EXPECT_EQ(ign.edit.lowerLimit, 0x1F);

    // No line selected, or one past the throttle points: nothing changes.
    m_data.selectLine(-1);
    m_data.selectLine(2);
    EXPECT_EQ(ign.edit.line, 1);
    EXPECT_EQ(ign.edit.currentValue, 0x96);
}

// An independent S-record tool reads the records of a file the program saved,
// verifying every record checksum, and finds the edited image with its checksum byte.
TEST_F(DataSetTest, SavedStandardDataIsAcceptedBySrecCat)
{
    auto definition = readTextLines(std::string(ZLM_RES_DIR) + "/ZLM350.def");
    ASSERT_TRUE(definition.has_value());
    EcuDataSet data(*definition);
    ASSERT_TRUE(data.load(std::string(ZLM_RES_DIR) + "/Standard_data.lyn").ok());
    ASSERT_LT(data.lowest, data.highest);
    data.write(static_cast<std::uint16_t>(data.lowest + 5), 0xA5);
    const std::string saved = temp("saved.lyn");
    ASSERT_TRUE(data.save(saved).ok());

    const std::string records = temp("records.srec");
    const std::string binary = temp("records.bin");
    {
        const std::string text = readFile(saved);
        std::string only;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            const std::string line = text.substr(at, end == std::string::npos ? end : end + 1 - at);
            if (line.size() > 2 && line[0] == 'S' && std::isdigit(static_cast<unsigned char>(line[1])))
                only += line;
            at = end == std::string::npos ? text.size() : end + 1;
        }
        writeFile(records, only);
    }
    char offset[16];
    std::snprintf(offset, sizeof offset, "0x%X", data.lowest);
    const std::string command = "srec_cat '" + records + "' -offset -" + offset + " -o '" + binary
        + "' -binary 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const std::string decoded = readFile(binary);
    ASSERT_EQ(decoded.size(), static_cast<std::size_t>(data.highest - data.lowest + 1));
    const auto image = data.image();
    unsigned sum = 0;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(decoded[i]);
        ASSERT_EQ(byte, image[data.lowest + i]) << i;
        sum += byte;
    }
    EXPECT_EQ(static_cast<std::uint8_t>(decoded[5]), 0xA5);
    EXPECT_EQ(sum & 0xFF, 0x7Fu);
}

TEST(DataSetWrite, MirrorHookRunsOnlyWhenAskedAndEveryWriteSetsModified)
{
    LineList definition;
    EcuDataSet data(definition);
    std::vector<std::pair<int, int>> mirrored;
    data.mirror = [&](std::uint16_t address, std::uint8_t value) { mirrored.emplace_back(address, value); };
    data.write(0xFFFF, 0xAB);
    EXPECT_TRUE(data.modified);
    data.modified = false;
    data.write(0x1234, 0xCD, false);
    EXPECT_TRUE(data.modified);
    EXPECT_EQ(data.read(0xFFFF), 0xAB);
    EXPECT_EQ(data.read(0x1234), 0xCD);
    EXPECT_EQ(mirrored, (std::vector<std::pair<int, int>>{{0xFFFF, 0xAB}}));
}

} // namespace
} // namespace zlm
