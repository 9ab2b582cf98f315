#include "platform/settings_folder.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace zlm {
namespace {

using test::ScopedCwd;
using test::ScopedEnv;
using test::TempDir;
using test::writeFile;
namespace fs = std::filesystem;

TEST(SettingsFolder, EnvironmentDecides)
{
    {
        ScopedEnv home("ZLM350_HOME", "/srv/zlm");
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(settingsFolder(), fs::path("/srv/zlm"));
    }
    {
        ScopedEnv home("ZLM350_HOME", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(settingsFolder(), fs::path("/xdg/ZLM-350"));
    }
    {
        ScopedEnv home("ZLM350_HOME", std::nullopt);
        ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv user("HOME", "/home/mechanic");
        EXPECT_EQ(settingsFolder(), fs::path("/home/mechanic/.config/ZLM-350"));
    }
}

TEST(SettingsFolder, TempDirectory)
{
    TempDir dir;
    {
        ScopedEnv tmp("TMPDIR", dir.path().string());
        EXPECT_EQ(tempDirectory(), dir.path());
    }
    {
        ScopedEnv tmp("TMPDIR", (dir / "missing").string());
        EXPECT_EQ(tempDirectory(), fs::path("/tmp"));
    }
    {
        ScopedEnv tmp("TMPDIR", std::nullopt);
        EXPECT_EQ(tempDirectory(), fs::path("/tmp"));
    }
}

TEST(FindFileNoCase, MatchesAnySpellingButPrefersExact)
{
    TempDir dir;
    writeFile(dir / "ZLM350.ini", "");
    EXPECT_EQ(findFileNoCase(dir.path(), "ZLM350.INI"), dir / "ZLM350.ini");
    EXPECT_EQ(findFileNoCase(dir.path(), "zlm350.ini"), dir / "ZLM350.ini");
    writeFile(dir / "zlm350.INI", "");
    EXPECT_EQ(findFileNoCase(dir.path(), "zlm350.INI"), dir / "zlm350.INI");
    EXPECT_FALSE(findFileNoCase(dir.path(), "ZLM350.in"));
    EXPECT_FALSE(findFileNoCase(dir / "missing", "ZLM350.ini"));
    // A folder is not a file.
    fs::create_directory(dir / "ZLM350D.STZ");
    EXPECT_FALSE(findFileNoCase(dir.path(), "zlm350d.stz"));
}

class SearchPath : public ::testing::Test {
protected:
    bool makeFolders()
    {
        for (const char* d : { "prog", "cwd", "settings", "path1", "path2" })
            fs::create_directory(m_root / d);
        return true;
    }
    fs::path dir(const char* name) const { return m_root / name; }

    TempDir m_root;
    bool m_made = makeFolders(); // before the current folder moves into one
    ScopedEnv m_home { "ZLM350_HOME", (m_root / "settings").string() };
    ScopedEnv m_path { "PATH", (m_root / "path1").string() + "::" + (m_root / "path2").string() };
    ScopedCwd m_cwd { m_root / "cwd" };
};

TEST_F(SearchPath, FoldersAreSearchedInOrder)
{
    const char* name = "ZLM350D.stz";
    writeFile(dir("path2") / name, "");
    EXPECT_EQ(searchPath("ZLM350D.STZ", dir("prog")), dir("path2") / name);
    writeFile(dir("path1") / name, "");
    EXPECT_EQ(searchPath("ZLM350D.STZ", dir("prog")), dir("path1") / name);
    writeFile(dir("settings") / name, "");
    EXPECT_EQ(searchPath("ZLM350D.STZ", dir("prog")), dir("settings") / name);
    writeFile(dir("cwd") / name, "");
    EXPECT_EQ(searchPath("ZLM350D.STZ", dir("prog")), dir("cwd") / name);
    writeFile(dir("prog") / name, "");
    EXPECT_EQ(searchPath("ZLM350D.STZ", dir("prog")), dir("prog") / name);
}

TEST_F(SearchPath, NamesIgnoreCaseAndMissingFileIsNothing)
{
    writeFile(dir("settings") / "ZLM350.ini", "[UNDO]\n");
    EXPECT_EQ(searchPath("ZLM350.INI", dir("prog")), dir("settings") / "ZLM350.ini");
    EXPECT_FALSE(searchPath("ZLM350B.STZ", dir("prog")));
    EXPECT_FALSE(searchPath("", dir("prog")));
    // A name with a folder is taken as it is.
    EXPECT_EQ(
        searchPath((dir("settings") / "ZLM350.ini").string(), {}), dir("settings") / "ZLM350.ini");
    EXPECT_FALSE(searchPath((dir("cwd") / "ZLM350.ini").string(), {}));
}

TEST(ProgramPath, NamesTheRunningProgram)
{
    const fs::path self = programPath();
    EXPECT_TRUE(self.is_absolute());
    EXPECT_EQ(programName(), "test_platform");
    EXPECT_EQ(programDir(), self.parent_path());
}

} // namespace
} // namespace zlm
