#pragma once
// The ECU definition file: which file the program uses (chosen by the screen
// size), its expansion into a temporary file and its lines. It is shipped
// compressed as "<program>[B|C|D].STZ" beside the program and expanded into
// "zlmst0.tmp" in the temporary folder, which stays there while the program
// runs and is deleted at exit.
#include "base/line_list.h"
#include "base/result.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

inline constexpr std::string_view kDefinitionTempName = "zlmst0.tmp";
inline constexpr std::string_view kDefinitionExtension = ".STZ";

// Looks a file name up on the executable search path; nothing when not found.
using FileFinder = std::function<std::optional<std::filesystem::path>(std::string_view fileName)>;

// The file names tried for a screen class (0 to 3), best first: class 3 gives
// "<name>D.STZ", "<name>C.STZ", "<name>B.STZ", "<name>.STZ"; class 0 only
// "<name>.STZ". A class outside 0..3 counts as 0.
std::vector<std::string> definitionFileNames(std::string_view programName, int screenClass);

// The first of definitionFileNames() that `find` finds, or "Setup file is not exist.".
Result<std::filesystem::path> locateDefinitionFile(std::string_view programName,
                                                   int screenClass, const FileFinder& find);

// What locating and expanding the definition needs from the running program.
struct DefinitionSource {
    std::string programName = "ZLM350";  // the executable's base name
    int screenClass = 0;                 // 0 to 3, from the screen size
    // The executable search path; empty: the platform's search from `programDir`.
    FileFinder find;
    std::filesystem::path programDir;
    // Empty: the system's temporary folder.
    std::filesystem::path tempDirectory;
};

// The outcome of loading the definition at start-up. On failure `messages`
// holds what to show, in order (the expanded copy's own notice, if any, comes
// before the "Setup file Read Error" message); the program then ends with exit
// code 0 and keeps no temporary file.
struct DefinitionLoad {
    bool ok = false;
    LineList lines;                    // DefinitionLines
    std::filesystem::path tempPath;    // the expanded file, to delete at exit
    std::vector<Message> messages;
    // The message that says why the load failed (the last one).
    const Message& failure() const { return messages.back(); }
};

// Expands `source` into "<tempDirectory>/zlmst0.tmp", replacing a stale file of
// that name. The path of the expanded file, or the messages to show.
DefinitionLoad expandDefinitionFile(const std::filesystem::path& source,
                                    const std::filesystem::path& tempDirectory);

// The lines of a text file read through a 4096-byte buffer: carriage returns
// dropped, a line feed ends a line, a last line without one kept. A file that
// cannot be opened gives no lines and no message: the missing sections are
// reported when a data file is opened.
LineList readDefinitionLines(const std::filesystem::path& path);

// Locate, expand, read: the whole start-up step.
DefinitionLoad loadDefinitionFile(const DefinitionSource& source);

} // namespace zlm
