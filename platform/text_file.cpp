#include "platform/text_file.h"

#include "platform/posix_file.h"
#include "res/string_table.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zlm {
namespace {

using posix::FileDescriptor;
using posix::newFileMode;
using posix::writeAll;

constexpr std::size_t kReadBufferBytes = 4096;
constexpr int kMaxSymlinkHops = 40;
constexpr int kWriteFailed = 1517; // "Failed to write file"

std::string systemReason(int error)
{
    return std::strerror(error);
}

// Replacing a symbolic link by rename would cut the link; write through to the
// file it names instead.
std::filesystem::path resolveLinks(std::filesystem::path path)
{
    std::error_code ec;
    for (int hop = 0; hop < kMaxSymlinkHops && std::filesystem::is_symlink(path, ec); ++hop) {
        const auto target = std::filesystem::read_symlink(path, ec);
        if (ec)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// Which files readBytes accepts.
enum class Accept { AnythingButFolder, RegularOnly };

std::optional<std::string> readBytes(const std::filesystem::path& path, Accept accept)
{
    // For regular files only, a non-blocking open so that a named pipe cannot
    // stall the program (a device could deliver bytes without end).
    const int flags = O_RDONLY | O_CLOEXEC | (accept == Accept::RegularOnly ? O_NONBLOCK : 0);
    FileDescriptor file(::open(path.c_str(), flags));
    if (!file.valid())
        return std::nullopt;
    struct stat info { };
    if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode))
        return std::nullopt;
    if (accept == Accept::RegularOnly && !S_ISREG(info.st_mode))
        return std::nullopt;

    std::string data;
    char buffer[kReadBufferBytes];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        data.append(buffer, static_cast<std::size_t>(got));
    }
    return data;
}

// Writes an existing file over its old content: truncate, write, flush. Not
// safe against a crash half-way, so used only where no replacement can be made.
bool writeInPlace(const std::filesystem::path& target, std::string_view contents, int& error)
{
    FileDescriptor file(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY));
    if (!file.valid() || !writeAll(file.get(), contents) || ::fsync(file.get()) != 0) {
        error = errno;
        return false;
    }
    if (!file.reset()) {
        error = errno;
        return false;
    }
    return true;
}

} // namespace

std::optional<std::string> readWholeFile(const std::filesystem::path& path)
{
    return readBytes(path, Accept::AnythingButFolder);
}

std::optional<LineList> readTextLines(const std::filesystem::path& path)
{
    const auto data = readBytes(path, Accept::RegularOnly);
    if (!data)
        return std::nullopt;
    return LineList::fromText(*data);
}

bool writeFileReplacing(
    const std::filesystem::path& path, std::string_view contents, std::string* reason)
{
    const auto fail = [reason](int error) {
        if (reason)
            *reason = systemReason(error);
        return false;
    };
    if (path.empty())
        return fail(ENOENT);

    const std::filesystem::path target = resolveLinks(path);
    struct stat existing { };
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return fail(EISDIR);
    // Renaming over a device or a pipe would replace it with a plain file.
    if (exists && !S_ISREG(existing.st_mode))
        return fail(EINVAL);
    // A rename asks only the folder: a file the user may not write is refused here.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return fail(errno);
    // A file that nobody may write (0444) is write-protected on purpose, like a
    // read-only file: refused also for the superuser, who passes the check above.
    if (exists && (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return fail(EACCES);
    const auto inPlace = [&] {
        int error = 0;
        return writeInPlace(target, contents, error) || fail(error);
    };

    const std::filesystem::path folder
        = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    // A short fixed name, so that a target whose own name is near the length
    // limit can still be replaced.
    std::string pattern = (folder / ".zlm-save.XXXXXX").string();
    FileDescriptor temp(::mkstemp(pattern.data()));
    if (!temp.valid()) {
        // The folder takes no new file, but the file itself may be written.
        if (exists && (errno == EACCES || errno == EPERM))
            return inPlace();
        return fail(errno);
    }
    const std::string tempPath = pattern;
    const auto failAndRemove = [&](int error) {
        temp.reset();
        ::unlink(tempPath.c_str());
        return fail(error);
    };

    // The replacement keeps the permissions (and, where allowed, the owner) of
    // the file it replaces.
    const mode_t mode = exists ? (existing.st_mode & 07777) : newFileMode();
    if (::fchmod(temp.get(), mode) != 0)
        return failAndRemove(errno);
    // A shared file written by someone else than its owner stays its owner's
    // (and its group's): where the replacement cannot keep them, write in place.
    if (exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
        && ::fchown(temp.get(), existing.st_uid, existing.st_gid) != 0) {
        temp.reset();
        ::unlink(tempPath.c_str());
        return inPlace();
    }
    if (!writeAll(temp.get(), contents))
        return failAndRemove(errno);
    if (::fsync(temp.get()) != 0)
        return failAndRemove(errno);
    if (!temp.reset())
        return failAndRemove(errno);
    if (::rename(tempPath.c_str(), target.c_str()) != 0)
        return failAndRemove(errno);

    // Make the rename itself durable; the new content is in place either way.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return true;
}

bool writeNewFile(const std::filesystem::path& path, std::string_view contents, int* error)
{
    const auto fail = [error](int code) {
        if (error)
            *error = code;
        return false;
    };
    if (path.empty() || !path.has_filename())
        return fail(ENOENT);
    const std::filesystem::path folder
        = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ".zlm-new.XXXXXX").string();
    FileDescriptor temp(::mkstemp(pattern.data()));
    if (!temp.valid())
        return fail(errno);
    const std::string tempPath = pattern;
    const auto failAndRemove = [&](int code) {
        temp.reset();
        ::unlink(tempPath.c_str());
        return fail(code);
    };
    if (::fchmod(temp.get(), newFileMode()) != 0 || !writeAll(temp.get(), contents)
        || ::fsync(temp.get()) != 0)
        return failAndRemove(errno);
    if (!temp.reset())
        return failAndRemove(errno);
    // A rename that refuses to replace; where the file system cannot do that,
    // a hard link does the same (it too fails on a name that is taken).
    if (::renameat2(AT_FDCWD, tempPath.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
        const int renameError = errno;
        if (renameError != EINVAL && renameError != ENOSYS)
            return failAndRemove(renameError);
        if (::link(tempPath.c_str(), path.c_str()) != 0)
            return failAndRemove(errno);
        ::unlink(tempPath.c_str());
    }
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return true;
}

std::optional<Message> settingsFileProblem(const std::filesystem::path& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt; // a missing file counts as empty
    const std::string name = path.filename().string();
    std::string reason;
    if (!S_ISREG(info.st_mode))
        reason = "it is not a regular file (a folder, named pipe or device).";
    else if (static_cast<std::uintmax_t>(info.st_size) > kMaxSettingsFileBytes)
        reason = "it is larger than 1 MiB.";
    else
        return std::nullopt;
    return Message { 0, name + " cannot be used as a settings file:\n" + reason, Icon::Stop, {} };
}

std::optional<std::string> readSettingsFile(const std::filesystem::path& path)
{
    // Non-blocking and regular files only, so a pipe cannot stall the program;
    // the size is looked at before anything is read.
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0
        || static_cast<std::uintmax_t>(info.st_size) > kMaxSettingsFileBytes)
        return std::nullopt;
    auto data = readBytes(path, Accept::RegularOnly);
    if (!data || data->size() > kMaxSettingsFileBytes)
        return std::nullopt;
    return data;
}

Status replaceFile(const std::filesystem::path& path, std::string_view content)
{
    if (!writeFileReplacing(path, content))
        return messageFor(kWriteFailed);
    return Status::success();
}

} // namespace zlm
