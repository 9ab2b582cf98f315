#include "platform/settings_folder.h"

#include "base/line_list.h"

#include <cstdlib>
#include <system_error>
#include <vector>

namespace zlm {
namespace fs = std::filesystem;

namespace {

std::optional<std::string> environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

bool isFile(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(p, ec) && !fs::is_directory(p, ec);
}

// The non-empty entries of PATH, in order. An empty entry means the current
// folder, which every caller has looked at already.
std::vector<fs::path> pathEntries()
{
    std::vector<fs::path> entries;
    const auto path = environment("PATH");
    if (!path)
        return entries;
    std::string_view rest = *path;
    while (true) {
        const auto colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        if (!entry.empty())
            entries.emplace_back(entry);
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return entries;
}

} // namespace

fs::path settingsFolder()
{
    if (auto home = environment("ZLM350_HOME"))
        return fs::path(*home);
    if (auto config = environment("XDG_CONFIG_HOME"))
        return fs::path(*config) / "ZLM-350";
    if (auto home = environment("HOME"))
        return fs::path(*home) / ".config" / "ZLM-350";
    return fs::path(".config") / "ZLM-350";
}

std::optional<fs::path> findFileNoCase(const fs::path& dir, std::string_view name)
{
    if (name.empty() || dir.empty())
        return std::nullopt;
    const fs::path exact = dir / fs::path(name);
    if (isFile(exact))
        return exact;
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return std::nullopt;
    // Several spellings may exist side by side; take the first in name order so
    // the choice does not depend on the directory's order.
    std::optional<fs::path> best;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const std::string entry = it->path().filename().string();
        if (!text::equalsNoCase(entry, name) || !isFile(it->path()))
            continue;
        if (!best || entry < best->filename().string())
            best = it->path();
    }
    return best;
}

std::optional<fs::path> searchPath(std::string_view fileName, const fs::path& programDir)
{
    if (fileName.empty())
        return std::nullopt;
    if (fileName.find('/') != std::string_view::npos) {
        const fs::path given(fileName);
        return isFile(given) ? std::optional<fs::path>(given) : std::nullopt;
    }

    std::vector<fs::path> dirs;
    if (!programDir.empty())
        dirs.push_back(programDir);
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    if (!ec)
        dirs.push_back(current);
    dirs.push_back(settingsFolder());
    for (auto& entry : pathEntries())
        dirs.push_back(std::move(entry));

    for (const auto& dir : dirs) {
        if (auto found = findFileNoCase(dir, fileName))
            return found;
    }
    return std::nullopt;
}

fs::path tempDirectory()
{
    if (auto tmp = environment("TMPDIR")) {
        std::error_code ec;
        if (fs::is_directory(*tmp, ec))
            return fs::path(*tmp);
    }
    return fs::path("/tmp");
}

fs::path programPath(std::string_view argv0)
{
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty())
        return self;
    if (argv0.empty())
        return {};
    fs::path given(argv0);
    if (given.has_parent_path()) {
        fs::path absolute = fs::absolute(given, ec);
        return ec ? given : absolute.lexically_normal();
    }
    // A bare name was found on PATH by the shell.
    for (const auto& entry : pathEntries()) {
        if (isFile(entry / given))
            return entry / given;
    }
    return given;
}

fs::path programDir(std::string_view argv0)
{
    return programPath(argv0).parent_path();
}

std::string programName(std::string_view argv0)
{
    return programPath(argv0).stem().string();
}

} // namespace zlm
