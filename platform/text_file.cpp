#include "platform/text_file.h"

#include "res/string_table.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace zlm {
namespace fs = std::filesystem;

namespace {
constexpr int kWriteFailed = 1517; // "Failed to write file"

bool writeAll(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}
} // namespace

std::optional<std::string> readWholeFile(const fs::path& path)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return std::move(out).str();
}

Status replaceFile(const fs::path& path, std::string_view content)
{
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(path, ec)) {
        target = fs::read_symlink(path, ec);
        if (ec)
            return messageFor(kWriteFailed);
        if (target.is_relative())
            target = path.parent_path() / target;
    }
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");

    std::string pattern = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return messageFor(kWriteFailed);
    const bool written = writeAll(fd, content) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(pattern.c_str());
        return messageFor(kWriteFailed);
    }
    const auto oldStatus = fs::status(target, ec);
    const auto perms = fs::exists(oldStatus) ? oldStatus.permissions()
                                             : (fs::perms::owner_read | fs::perms::owner_write
                                                 | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(pattern, perms, ec);
    if (::rename(pattern.c_str(), target.c_str()) != 0) {
        ::unlink(pattern.c_str());
        return messageFor(kWriteFailed);
    }
    return Status::success();
}

} // namespace zlm
