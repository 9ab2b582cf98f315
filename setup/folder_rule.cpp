#include "setup/folder_rule.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace zlm::setup {
namespace fs = std::filesystem;

namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence.
std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool validComponent(std::string_view name)
{
    // A leading full stop makes a hidden folder here, such as the ".local" of
    // the proposed folder; "." and ".." still end with one.
    if (name.empty() || isBlank(name.front()) || isBlank(name.back()) || name.back() == '.')
        return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return false;
        if (std::string_view("\"*:<>?\\|").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

bool isFolder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

FolderCheck checkFolder(std::string_view path, bool create)
{
    if (path.empty() || path.front() != '/' || characterCount(path) > kMaxFolderChars)
        return FolderCheck::Invalid;
    if (path == "/")
        return FolderCheck::Valid;
    if (path.back() == '/')
        return FolderCheck::Invalid;

    std::string_view rest = path.substr(1);
    while (true) {
        const auto slash = rest.find('/');
        if (!validComponent(rest.substr(0, slash)))
            return FolderCheck::Invalid;
        if (slash == std::string_view::npos)
            break;
        rest.remove_prefix(slash + 1);
    }
    if (!create)
        return FolderCheck::Valid;

    // Each folder from the root down, created when missing.
    std::size_t end = 0;
    while (end != std::string_view::npos) {
        end = path.find('/', end + 1);
        const fs::path prefix(std::string(path.substr(0, end)));
        if (!isFolder(prefix)) {
            std::error_code ec;
            fs::create_directory(prefix, ec);
            if (!isFolder(prefix))
                return FolderCheck::CannotCreate;
        }
    }
    return FolderCheck::Valid;
}

} // namespace zlm::setup
