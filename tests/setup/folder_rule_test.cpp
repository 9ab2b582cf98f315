#include "setup/folder_rule.h"

#include "setup/setup_places.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace zlm {
namespace {

using setup::checkFolder;
using setup::FolderCheck;
using test::TempDir;
namespace fs = std::filesystem;

TEST(FolderRule, AcceptsAbsolutePathsWithOddButHarmlessNames)
{
    for (const std::string& path :
        std::vector<std::string> { "/", "/opt", "/home/me/.local/opt/ZIRA/ZLM-350",
            "/a b/c'd/$HOME/`x`/;rm -rf ~;/%F/&/(x)/#/é", "/a.b/-n/x~", "/.hidden/.x" })
        EXPECT_EQ(checkFolder(path, false), FolderCheck::Valid) << path;
}

TEST(FolderRule, RefusesWhatTheRuleForbids)
{
    for (const std::string& path : std::vector<std::string> { "", "relative/path", "./x", "~/x",
             "/x/", "//x", "/x//y", "/x/.", "/x/..", "/x/../y", "/..", "/x./y", "/ x", "/x ",
             "/x/\ty", "/x\t", "/a\"b", "/a*b", "/a:b", "/a<b", "/a>b", "/a?b", "/a\\b", "/a|b",
             "/line\nbreak", "/cr\rx", std::string("/nul\0x", 6), "/del\x7Fx" })
        EXPECT_EQ(checkFolder(path, false), FolderCheck::Invalid) << path;
}

TEST(FolderRule, CountsAtMost259Characters)
{
    const std::string ok = "/" + std::string(200, 'a') + "/" + std::string(57, 'b');
    ASSERT_EQ(ok.size(), 259u);
    EXPECT_EQ(checkFolder(ok, false), FolderCheck::Valid);
    EXPECT_EQ(checkFolder(ok + "c", false), FolderCheck::Invalid);
    // Characters, not bytes: 129 two-byte letters are 259 characters with the slashes.
    std::string wide = "/";
    for (int i = 0; i < 129; ++i)
        wide += "é";
    wide += "/" + std::string(128, 'x');
    EXPECT_EQ(checkFolder(wide, false), FolderCheck::Valid);
}

TEST(FolderRule, CreatesEveryMissingFolderOrSaysItCannot)
{
    TempDir dir;
    const fs::path deep = dir / "a b/c$d/e";
    EXPECT_EQ(checkFolder(deep.string(), false), FolderCheck::Valid);
    EXPECT_FALSE(fs::exists(deep));
    EXPECT_EQ(checkFolder(deep.string(), true), FolderCheck::Valid);
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_EQ(checkFolder(deep.string(), true), FolderCheck::Valid);

    // A file where a folder should be, and a folder that cannot be written.
    test::writeFile(dir / "file", "x");
    EXPECT_EQ(checkFolder((dir / "file/sub").string(), true), FolderCheck::CannotCreate);
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0)
        EXPECT_EQ(checkFolder((dir / "locked/sub").string(), true), FolderCheck::CannotCreate);
    // Invalid paths are never created, not even in part.
    EXPECT_EQ(checkFolder((dir / "new/bad?").string(), true), FolderCheck::Invalid);
    EXPECT_FALSE(fs::exists(dir / "new"));
}

TEST(SetupPlaces, DesktopFolderFromUserDirs)
{
    const fs::path home = "/home/me";
    EXPECT_EQ(
        setup::desktopFromUserDirs("XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", home), home / "Bureau");
    EXPECT_EQ(
        setup::desktopFromUserDirs("# c\nXDG_DESKTOP_DIR=\"/srv/desk\"\n", home), "/srv/desk");
    EXPECT_EQ(setup::desktopFromUserDirs("XDG_DESKTOP_DIR=\"$HOME/\"\n", home), home);
    EXPECT_EQ(setup::desktopFromUserDirs("XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"\"\n", home),
        home / "My \"Desk\"");
    EXPECT_FALSE(setup::desktopFromUserDirs("XDG_MUSIC_DIR=\"$HOME/Music\"\n", home));
    EXPECT_FALSE(setup::desktopFromUserDirs("XDG_DESKTOP_DIR=Desktop\n", home));
    EXPECT_FALSE(setup::desktopFromUserDirs("XDG_DESKTOP_DIR=\"$HOMEx/D\"\n", home));
}

TEST(SetupPlaces, FollowTheEnvironment)
{
    test::ScopedEnv home("HOME", "/home/me");
    test::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    test::ScopedEnv data("XDG_DATA_HOME", "relative/ignored");
    test::ScopedEnv settings("ZLM350_HOME", "/w");
    const auto places = setup::SetupPlaces::fromEnvironment("/media");
    EXPECT_EQ(places.proposedFolder, "/home/me/.local/opt/ZIRA/ZLM-350");
    EXPECT_EQ(places.settings, "/w");
    EXPECT_EQ(places.desktop, "/home/me/Desktop");
    EXPECT_EQ(places.applications, "/home/me/.local/share/applications");
    EXPECT_EQ(places.autostartEntry(), "/home/me/.config/autostart/ZLM350-uninstall.desktop");

    test::ScopedEnv noHome("HOME", std::nullopt);
    EXPECT_EQ(setup::SetupPlaces::fromEnvironment("/media").proposedFolder, "");
}

} // namespace
} // namespace zlm
