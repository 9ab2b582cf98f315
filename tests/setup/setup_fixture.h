#pragma once
// Installation media made in a temporary folder, a temporary home for the
// installer (HOME, the XDG folders, ZLM350_HOME and TMPDIR pointing into it),
// and a reader of desktop-entry command lines for running what was installed.
#include "platform/scripted_prompts.h"
#include "setup/setup_places.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zlm::test {

namespace fs = std::filesystem;

// An SZDD file holding `content` as literals only: what the expander reads,
// made without a compressor (fast for a whole program).
inline std::string szddLiterals(const std::string& content)
{
    std::string out("SZDD\x88\xF0\x27\x33", 8);
    out += 'A';
    out += '\0';
    const auto length = static_cast<std::uint32_t>(content.size());
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((length >> (8 * i)) & 0xFF);
    out.reserve(out.size() + content.size() + content.size() / 8 + 1);
    for (std::size_t i = 0; i < content.size(); i += 8) {
        out += '\xFF';
        out.append(content, i, 8);
    }
    return out;
}

// `content` compressed by Debian's mscompress, the compressor of the media target.
inline std::string mscompressed(const TempDir& work, const std::string& content)
{
    const fs::path file = work / "mscompress.in";
    writeFile(file, content);
    fs::remove(work / "mscompress.in_");
    const std::string command = "mscompress '" + file.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << "mscompress is needed to make SZDD files";
    return readFile(work / "mscompress.in_");
}

inline void setTime(const fs::path& p, std::chrono::seconds sinceEpoch)
{
    const timespec t { static_cast<time_t>(sinceEpoch.count()), 0 };
    const timespec times[2] = { t, t };
    ::utimensat(AT_FDCWD, p.c_str(), times, 0);
}

inline time_t modifiedTime(const fs::path& p)
{
    struct stat st { };
    ::stat(p.c_str(), &st);
    return st.st_mtim.tv_sec;
}

// The media's last-write time: a day before the test, so every write by the
// installer afterwards is newer.
inline std::chrono::seconds mediaTime()
{
    static const auto time = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
        - std::chrono::hours(24);
    return time;
}

// The expanded content of every file of the test media.
struct MediaContent {
    std::string program = std::string("\x7F"
                                      "ELF fake program ",
                              18)
        + std::string(300, 'z');
    std::string definition = "SZDD-compressed definition";
    std::string bitmap = "BM small bitmap";
    std::string bitmapFc = "BM full-colour bitmap";
    std::string settings = "[UNDO]\r\nSIZE=1024\r\n\r\n[DIRECTORY]\r\nPATH1=\r\n";
    std::string standardData = "[Title]\r\nStandard\r\n";
    std::string setup = "#!/bin/sh\necho setup\n";
};

// Writes a whole media folder into `dir`: programs as SZDD literals, the small
// files through mscompress, the definition files as they are.
inline void makeMedia(const fs::path& dir, const MediaContent& c, const TempDir& work)
{
    fs::create_directories(dir);
    writeFile(dir / "ZLM350.ex_", szddLiterals(c.program));
    for (const char* name : { "ZLM350.st_", "ZLM350B.st_", "ZLM350C.st_", "ZLM350D.st_" })
        writeFile(dir / name, c.definition + " " + name);
    writeFile(dir / "ZLM350.bm_", szddLiterals(c.bitmap));
    writeFile(dir / "ZLM350FC.bm_", szddLiterals(c.bitmapFc));
    writeFile(dir / "ZLM350.in_", mscompressed(work, c.settings));
    writeFile(dir / "Stddata.ly_", mscompressed(work, c.standardData));
    writeFile(dir / "setup", c.setup);
    fs::permissions(dir / "setup", fs::perms::owner_all);
    for (const auto& entry : fs::directory_iterator(dir))
        setTime(entry.path(), mediaTime());
}

// A temporary home with its environment set for the test's lifetime.
class SetupHome {
public:
    SetupHome()
        : m_home(ScopedEnv("HOME", (m_dir / "home").string()))
        , m_config(ScopedEnv("XDG_CONFIG_HOME", (m_dir / "home/.config").string()))
        , m_data(ScopedEnv("XDG_DATA_HOME", (m_dir / "home/.local/share").string()))
        , m_settings(ScopedEnv("ZLM350_HOME", (m_dir / "home/.config/ZLM-350").string()))
        , m_tmp(ScopedEnv("TMPDIR", (m_dir / "tmp").string()))
    {
        fs::create_directories(m_dir / "home/.config");
        fs::create_directories(m_dir / "tmp");
        // A desktop folder named in the user's language, with a blank.
        writeFile(m_dir / "home/.config/user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Mein Schreibtisch\"\n"
            "XDG_MUSIC_DIR=\"$HOME/Music\"\n");
    }
    fs::path root() const { return m_dir.path(); }
    fs::path home() const { return m_dir / "home"; }
    fs::path tmp() const { return m_dir / "tmp"; }
    setup::SetupPlaces places(const fs::path& media) const
    {
        return setup::SetupPlaces::fromEnvironment(media);
    }

private:
    TempDir m_dir;
    ScopedEnv m_home;
    ScopedEnv m_config;
    ScopedEnv m_data;
    ScopedEnv m_settings;
    ScopedEnv m_tmp;
};

// The arguments of a desktop entry's Exec value as a launcher reads them: the
// string escapes first, then the words, double-quoted ones with \" \` \$ \\
// undone, and "%%" as "%". Nothing for a value a launcher would refuse.
inline std::optional<std::vector<std::string>> execArguments(const std::string& value)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == ' ') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '"') {
            inWord = true;
            for (++i; i < value.size() && value[i] != '"'; ++i) {
                if (value[i] == '\\') {
                    if (++i == value.size()
                        || std::string("\"`$\\").find(value[i]) == std::string::npos)
                        return std::nullopt;
                }
                word += value[i];
            }
            if (i == value.size())
                return std::nullopt;
        } else {
            // Outside quotes these would need quoting.
            if (std::string("\t\n'\\><~|&;$*?#()`").find(c) != std::string::npos)
                return std::nullopt;
            inWord = true;
            word += c;
        }
    }
    if (inWord)
        words.push_back(word);
    for (std::string& w : words) {
        std::string out;
        for (std::size_t i = 0; i < w.size(); ++i) {
            if (w[i] == '%') {
                if (i + 1 == w.size() || w[i + 1] != '%')
                    return std::nullopt;
                ++i;
            }
            out += w[i];
        }
        w = out;
    }
    return words;
}

} // namespace zlm::test
