#include "platform/expanded_copy.h"

#include "platform/posix_file.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mspack.h>
#include <new>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace zlm {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCopyBufferBytes = 64 * 1024;

std::string bracketedName(const fs::path& destination)
{
    return "[" + destination.filename().string() + "] ";
}

Message plainMessage(std::string text, Icon icon = Icon::None)
{
    return Message { 0, std::move(text), icon, {} };
}

CopyResult failure(CopyError error, const fs::path& destination, int systemError = 0)
{
    CopyResult r;
    r.error = error;
    r.systemError = systemError;
    switch (error) {
    case CopyError::ReadError:
        r.messages.push_back(plainMessage(bracketedName(destination) + "Read error."));
        break;
    case CopyError::WriteError:
        r.messages.push_back(plainMessage(bracketedName(destination) + "Write error."));
        break;
    case CopyError::NoMemory:
        r.messages.push_back(plainMessage("Insufficient memory."));
        break;
    default:
        break;
    }
    return r;
}

// A temporary file beside the destination that replaces it once complete;
// removed when the copy fails.
class PendingFile {
public:
    explicit PendingFile(const fs::path& destination)
        : m_destination(destination)
        , m_path((destination.has_parent_path() ? destination.parent_path() : fs::path("."))
              / ("." + destination.filename().string() + ".XXXXXX"))
    {
        std::string name = m_path.string();
        m_fd = ::mkstemp(name.data());
        m_error = m_fd < 0 ? errno : 0;
        m_path = name;
    }
    ~PendingFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed)
            ::unlink(m_path.c_str());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool created() const { return m_fd >= 0; }
    int error() const { return m_error; }
    int fd() const { return m_fd; }
    const fs::path& path() const { return m_path; }

    // Closes the file, gives it the source's last-write time and moves it over
    // the destination; the errno of a failure, else 0.
    int commit(const struct stat& source)
    {
        if (m_fd >= 0) {
            const int fd = m_fd;
            m_fd = -1;
            if (::close(fd) != 0)
                return errno;
        }
        const struct timespec times[2] = { source.st_atim, source.st_mtim };
        ::utimensat(AT_FDCWD, m_path.c_str(), times, 0);
        // A fresh file's usual mode: a read-only medium must not make the
        // installed copy read-only.
        ::chmod(m_path.c_str(), posix::newFileMode());
        if (::rename(m_path.c_str(), m_destination.c_str()) != 0)
            return errno;
        m_committed = true;
        return 0;
    }

private:
    fs::path m_destination;
    fs::path m_path;
    int m_fd = -1;
    int m_error = 0;
    bool m_committed = false;
};

CopyResult copyUnchanged(const fs::path& source, const fs::path& destination)
{
    posix::FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st { };
    if (!in.valid() || ::fstat(in.get(), &st) != 0)
        return failure(CopyError::ReadError, destination, errno);
    if (S_ISDIR(st.st_mode))
        return failure(CopyError::ReadError, destination, EISDIR);

    PendingFile out(destination);
    if (!out.created())
        return failure(CopyError::WriteError, destination, out.error());
    std::vector<char> buffer(kCopyBufferBytes);
    while (true) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failure(CopyError::ReadError, destination, errno);
        }
        if (n == 0)
            break;
        if (!posix::writeAll(
                out.fd(), std::string_view(buffer.data(), static_cast<std::size_t>(n))))
            return failure(CopyError::WriteError, destination, errno);
    }
    if (const int e = out.commit(st))
        return failure(CopyError::WriteError, destination, e);
    CopyResult r;
    r.ok = true;
    return r;
}

CopyError fromMspack(int code, bool extracting)
{
    switch (code) {
    case MSPACK_ERR_OK:
        return CopyError::None;
    case MSPACK_ERR_NOMEMORY:
        return CopyError::NoMemory;
    // While extracting, the input is already open: an open failure is the output's.
    case MSPACK_ERR_OPEN:
        return extracting ? CopyError::WriteError : CopyError::ReadError;
    case MSPACK_ERR_WRITE:
        return CopyError::WriteError;
    case MSPACK_ERR_READ:
    case MSPACK_ERR_SEEK:
    case MSPACK_ERR_DATAFORMAT:
    case MSPACK_ERR_DECRUNCH:
    case MSPACK_ERR_CHECKSUM:
    case MSPACK_ERR_SIGNATURE:
        return CopyError::ReadError;
    default:
        return CopyError::Other;
    }
}

// libmspack's file access on POSIX descriptors, unbuffered: its default
// (stdio) buffers the output and loses a failed write (a full disk) at
// fclose, which then shows as a short file, that is as a damaged source.
// Here a failed write fails the extraction and keeps its errno.
void ignoreMessage(mspack_file*, const char*, ...) { }

struct PosixMspackSystem {
    mspack_system sys {};
    int writeError = 0;

    struct File {
        int fd = -1;
        PosixMspackSystem* owner = nullptr;
    };

    PosixMspackSystem()
    {
        sys.open = [](mspack_system* self, const char* name, int mode) -> mspack_file* {
            int flags = O_RDONLY;
            if (mode == MSPACK_SYS_OPEN_WRITE)
                flags = O_WRONLY | O_CREAT | O_TRUNC;
            else if (mode == MSPACK_SYS_OPEN_UPDATE)
                flags = O_RDWR;
            else if (mode == MSPACK_SYS_OPEN_APPEND)
                flags = O_WRONLY | O_CREAT | O_APPEND;
            const int fd = ::open(name, flags | O_CLOEXEC, 0666);
            if (fd < 0)
                return nullptr;
            auto* file = new (std::nothrow) File { fd, reinterpret_cast<PosixMspackSystem*>(self) };
            if (!file)
                ::close(fd);
            return reinterpret_cast<mspack_file*>(file);
        };
        sys.close = [](mspack_file* f) {
            auto* file = reinterpret_cast<File*>(f);
            if (::close(file->fd) != 0 && file->owner->writeError == 0)
                file->owner->writeError = errno;
            delete file;
        };
        sys.read = [](mspack_file* f, void* buffer, int bytes) -> int {
            for (;;) {
                const ssize_t n = ::read(reinterpret_cast<File*>(f)->fd, buffer, static_cast<std::size_t>(bytes));
                if (n >= 0 || errno != EINTR)
                    return static_cast<int>(n);
            }
        };
        sys.write = [](mspack_file* f, void* buffer, int bytes) -> int {
            auto* file = reinterpret_cast<File*>(f);
            if (!posix::writeAll(file->fd,
                    std::string_view(static_cast<const char*>(buffer), static_cast<std::size_t>(bytes)))) {
                file->owner->writeError = errno;
                return -1;
            }
            return bytes;
        };
        sys.seek = [](mspack_file* f, off_t offset, int mode) -> int {
            const int whence = mode == MSPACK_SYS_SEEK_START ? SEEK_SET
                : mode == MSPACK_SYS_SEEK_CUR                ? SEEK_CUR
                                                             : SEEK_END;
            return ::lseek(reinterpret_cast<File*>(f)->fd, offset, whence) < 0 ? -1 : 0;
        };
        sys.tell = [](mspack_file* f) -> off_t { return ::lseek(reinterpret_cast<File*>(f)->fd, 0, SEEK_CUR); };
        sys.message = &ignoreMessage;
        sys.alloc = [](mspack_system*, std::size_t bytes) -> void* { return ::operator new(bytes, std::nothrow); };
        sys.free = [](void* p) { ::operator delete(p); };
        sys.copy = [](void* from, void* to, std::size_t bytes) { std::memmove(to, from, bytes); };
    }
};
static_assert(offsetof(PosixMspackSystem, sys) == 0);

// The SZDD decompressor and an open header, released on every path out.
struct Szdd {
    PosixMspackSystem system;
    msszdd_decompressor* decompressor = mspack_create_szdd_decompressor(&system.sys);
    msszddd_header* header = nullptr;
    ~Szdd()
    {
        if (header)
            decompressor->close(decompressor, header);
        if (decompressor)
            mspack_destroy_szdd_decompressor(decompressor);
    }
};

CopyResult copyExpanded(const fs::path& source, const fs::path& destination)
{
    struct stat st { };
    if (::stat(source.c_str(), &st) != 0)
        return failure(CopyError::ReadError, destination, errno);
    if (S_ISDIR(st.st_mode))
        return failure(CopyError::ReadError, destination, EISDIR);
    if (::access(source.c_str(), R_OK) != 0)
        return failure(CopyError::ReadError, destination, errno);

    Szdd szdd;
    if (!szdd.decompressor)
        return failure(CopyError::NoMemory, destination, ENOMEM);
    szdd.header = szdd.decompressor->open(szdd.decompressor, source.c_str());
    if (!szdd.header) {
        const int code = szdd.decompressor->last_error(szdd.decompressor);
        // No SZDD signature, or a file too short to hold the header: not
        // compressed, so it is copied unchanged.
        if (code == MSPACK_ERR_SIGNATURE || code == MSPACK_ERR_READ)
            return copyUnchanged(source, destination);
        return failure(fromMspack(code, false), destination, errno);
    }

    PendingFile out(destination);
    if (!out.created())
        return failure(CopyError::WriteError, destination, out.error());
    const int code = szdd.decompressor->extract(szdd.decompressor, szdd.header, out.path().c_str());
    // A write that failed (a full disk) is the destination's fault, whatever
    // the decompressor made of it.
    if (szdd.system.writeError != 0)
        return failure(CopyError::WriteError, destination, szdd.system.writeError);
    if (code != MSPACK_ERR_OK)
        return failure(fromMspack(code, true), destination, errno);
    // A truncated file expands "successfully" but short of the header's length.
    struct stat written { };
    if (::stat(out.path().c_str(), &written) != 0)
        return failure(CopyError::WriteError, destination, errno);
    if (written.st_size != szdd.header->length)
        return failure(CopyError::ReadError, destination, EIO);
    if (const int e = out.commit(st))
        return failure(CopyError::WriteError, destination, e);
    CopyResult r;
    r.ok = true;
    return r;
}

using LocalTime = std::tuple<int, int, int, int, int, int>;

std::optional<LocalTime> lastWriteLocal(const fs::path& path)
{
    posix::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st { };
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return std::nullopt;
    struct tm t { };
    if (!::localtime_r(&st.st_mtim.tv_sec, &t))
        return std::nullopt;
    return LocalTime { t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec };
}

template <typename CopyFn>
CopyResult copyWithCheck(
    const fs::path& source, const fs::path& destination, bool check, CopyFn copy)
{
    if (check) {
        switch (checkTimeStamps(source, destination)) {
        case TimeStampCheck::Error: {
            CopyResult r;
            r.error = CopyError::TimeStamp;
            r.messages.push_back(plainMessage("Time stamp check error!"));
            return r;
        }
        case TimeStampCheck::KeepDestination: {
            CopyResult r;
            r.ok = true;
            r.keptNewer = true;
            r.messages.push_back(plainMessage(bracketedName(destination)
                    + "Newer date file is already exist. Copy was not executed.",
                Icon::Information));
            return r;
        }
        case TimeStampCheck::Copy:
            break;
        }
    }
    try {
        return copy(source, destination);
    } catch (const std::bad_alloc&) {
        return failure(CopyError::NoMemory, destination, ENOMEM);
    }
}

} // namespace

TimeStampCheck checkTimeStamps(const fs::path& source, const fs::path& destination)
{
    struct stat st { };
    if (::stat(destination.c_str(), &st) != 0 && errno == ENOENT)
        return TimeStampCheck::Copy;
    const auto from = lastWriteLocal(source);
    const auto to = lastWriteLocal(destination);
    if (!from || !to)
        return TimeStampCheck::Error;
    return *from < *to ? TimeStampCheck::KeepDestination : TimeStampCheck::Copy;
}

CopyResult expandedCopy(const fs::path& source, const fs::path& destination, bool checkTimeStamp)
{
    return copyWithCheck(source, destination, checkTimeStamp, copyExpanded);
}

CopyResult plainCopy(const fs::path& source, const fs::path& destination, bool checkTimeStamp)
{
    return copyWithCheck(source, destination, checkTimeStamp, copyUnchanged);
}

} // namespace zlm
