#pragma once
// The expanded copy: a file compressed in the SZDD format (the MS-DOS
// COMPRESS.EXE / "expand" format, names ending in "_") is expanded into the
// destination; any other file is copied unchanged. The installer and the
// start-up of the program both use it. Nothing is shown here: the messages to
// show come back with the result.
#include "base/result.h"

#include <filesystem>
#include <vector>

namespace zlm {

enum class CopyError {
    None,
    ReadError, // the source cannot be opened or read, or is damaged
    WriteError, // the destination cannot be created or written
    NoMemory,
    TimeStamp, // the time-stamp rule could not read a file's time
    Other, // any other failure of the expansion (no message of its own)
};

struct CopyResult {
    // True when the destination holds the source's content afterwards, or was
    // left alone by the time-stamp rule.
    bool ok = false;
    // The time-stamp rule left a newer destination alone.
    bool keptNewer = false;
    CopyError error = CopyError::None;
    int systemError = 0; // errno of the failure, 0 when there is none
    // The message boxes to show, in order (the time-stamp notice comes with ok).
    std::vector<Message> messages;
};

enum class TimeStampCheck {
    Copy, // no destination yet, or the source is not older
    KeepDestination, // the source is older than the destination
    Error, // a file cannot be opened for reading
};

// Compares the last-write times of both files in local time, field by field
// down to the second (fractions ignored).
TimeStampCheck checkTimeStamps(
    const std::filesystem::path& source, const std::filesystem::path& destination);

// The expanded copy. With `checkTimeStamp`, a missing destination is copied,
// an unreadable file gives "Time stamp check error!" and an older source keeps
// the destination with "[name] Newer date file is already exist. Copy was not
// executed." (information icon, ok). Copy failures give "[name] Read error.",
// "[name] Write error." or "Insufficient memory." (name: the destination's file
// name). The destination is replaced only once the whole content is there, and
// takes the source's last-write time.
CopyResult expandedCopy(const std::filesystem::path& source,
    const std::filesystem::path& destination, bool checkTimeStamp);

// The same time-stamp rule and messages, then the file copied as it is.
CopyResult plainCopy(const std::filesystem::path& source, const std::filesystem::path& destination,
    bool checkTimeStamp);

} // namespace zlm
