// The history of ECU images: names by local time and direction, the records
// of the image, pruning to the newest files, and failures as one line.
#include "comm/image_history.h"

#include "comm/ecu_protocol.h"
#include "data/data_file.h"
#include "tests/test_support.h"
#include "tests/comm/exchange_fixture.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zlm {
namespace {

namespace fs = std::filesystem;

using test::steppingClock;

std::vector<std::string> names(const fs::path& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
}

TEST(ImageHistory, NamesByTimeAndDirectionAndHoldsTheImageAsRecords)
{
    test::TempDir home;
    const fs::path folder = ImageHistory::folderIn(home.path());
    EXPECT_EQ(folder, home.path() / "history");
    ImageHistory history(folder, ImageHistory::kKeptFiles, steppingClock(0));
    const std::vector<std::uint8_t> bytes { 0x01, 0x02, 0x7C };
    EXPECT_FALSE(history.keep(0x8000, bytes, HistoryDirection::Read));
    EXPECT_EQ(history.lastKept(), folder / "2026-12-08_143005_read.obj");
    const ObjImage image = readObjFile(history.lastKept().string());
    EXPECT_EQ(image.start, 0x8000);
    EXPECT_EQ(image.bytes, bytes);
    std::string expected;
    for (const std::string& record : encodeImage(0x8000, bytes))
        expected += record + "\r\n";
    EXPECT_EQ(test::readFile(history.lastKept()), expected);

    // Within the same second the next copy gets the next number, whichever way it went.
    EXPECT_FALSE(history.keep(0x8000, bytes, HistoryDirection::Written));
    EXPECT_FALSE(history.keep(0x8000, bytes, HistoryDirection::Read));
    EXPECT_EQ(names(folder),
        (std::vector<std::string> { "2026-12-08_143005_read-3.obj", "2026-12-08_143005_read.obj",
            "2026-12-08_143005_written-2.obj" }));

    // Names taken by what the history does not count (a folder, a link to
    // nowhere, as another exchange of the same second might leave) are
    // neither written over nor written through: the next free number is used.
    fs::create_directory(folder / "2026-12-08_143005_written-4.obj");
    fs::create_symlink(home / "elsewhere.obj", folder / "2026-12-08_143005_written-5.obj");
    EXPECT_FALSE(history.keep(0x8000, bytes, HistoryDirection::Written));
    EXPECT_EQ(history.lastKept(), folder / "2026-12-08_143005_written-6.obj");
    EXPECT_FALSE(fs::exists(home / "elsewhere.obj"));
    EXPECT_TRUE(fs::is_directory(folder / "2026-12-08_143005_written-4.obj"));
    EXPECT_EQ(readObjFile(history.lastKept().string()).bytes, bytes);
    EXPECT_EQ(names(folder).size(), 6u); // no temporary file left behind
}

TEST(ImageHistory, KeepsTheNewestFilesAndLeavesOtherNamesAlone)
{
    test::TempDir home;
    const fs::path folder = home / "history";
    fs::create_directories(folder);
    // 500 older copies (the seconds field only has to be six digits), and two foreign files.
    for (int i = 0; i < 500; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "2026-12-07_%06d_%s.obj", i, i % 2 ? "read" : "written");
        std::ofstream(folder / name) << "S9030000FC\r\n";
    }
    std::ofstream(folder / "notes.txt") << "mine";
    std::ofstream(folder / "2026-12-07_000000_read.txt") << "mine";

    ImageHistory history(folder, ImageHistory::kKeptFiles, steppingClock());
    const std::vector<std::uint8_t> bytes(32, 0x11);
    EXPECT_FALSE(history.keep(0x8000, bytes, HistoryDirection::Read)); // the 501st
    EXPECT_FALSE(fs::exists(folder / "2026-12-07_000000_written.obj"));
    EXPECT_TRUE(fs::exists(folder / "2026-12-07_000001_read.obj"));
    EXPECT_TRUE(fs::exists(folder / "2026-12-08_143005_read.obj"));
    EXPECT_EQ(names(folder).size(), 502u);
    EXPECT_FALSE(history.keep(0x8000, bytes, HistoryDirection::Written));
    EXPECT_FALSE(fs::exists(folder / "2026-12-07_000001_read.obj"));
    EXPECT_TRUE(fs::exists(folder / "2026-12-08_143006_written.obj"));
    EXPECT_EQ(names(folder).size(), 502u);
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));
    EXPECT_TRUE(fs::exists(folder / "2026-12-07_000000_read.txt"));
}

TEST(ImageHistory, AFolderThatCannotBeWrittenGivesOneLineNamingIt)
{
    test::TempDir home;
    const std::vector<std::uint8_t> bytes(4, 0x22);
    // "history" taken by a file: no folder can be made there.
    std::ofstream(home / "history") << "a file";
    ImageHistory blocked(home / "history");
    const auto failure = blocked.keep(0x8000, bytes, HistoryDirection::Read);
    ASSERT_TRUE(failure);
    EXPECT_EQ(
        failure->rfind("Not kept in the history: " + (home / "history").string() + ": ", 0), 0u)
        << *failure;
    EXPECT_EQ(failure->find('\n'), std::string::npos);

    // A read-only folder (the superuser writes into it all the same).
    if (::geteuid() != 0) {
        fs::create_directories(home / "ro");
        fs::permissions(home / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        ImageHistory readOnly(home / "ro");
        EXPECT_TRUE(readOnly.keep(0x8000, bytes, HistoryDirection::Written));
        fs::permissions(home / "ro", fs::perms::owner_all);
    }
}

} // namespace
} // namespace zlm
