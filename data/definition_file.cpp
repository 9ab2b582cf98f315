#include "data/definition_file.h"

#include "platform/expanded_copy.h"
#include "platform/settings_folder.h"
#include "platform/text_file.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace zlm {

namespace fs = std::filesystem;

namespace {

// Longest message text, well above what the formats below produce with any
// path the system accepts.
constexpr std::size_t kMessageChars = 8192;

Message stopMessage(std::string text) { return Message{0, std::move(text), Icon::Stop, {}}; }

template <typename... Args>
std::string format(const char* pattern, Args... args)
{
    char buffer[kMessageChars];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    return n < 0 ? std::string() : std::string(buffer);
}

DefinitionLoad failed(std::vector<Message> messages)
{
    DefinitionLoad load;
    load.messages = std::move(messages);
    return load;
}

// The temporary folder as text, ending in a separator so that the file name
// can simply be appended.
std::string folderText(const fs::path& dir)
{
    std::string text = dir.string();
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

} // namespace

std::vector<std::string> definitionFileNames(std::string_view programName, int screenClass)
{
    static constexpr const char* kSuffixes[] = {"", "B", "C", "D"};
    if (screenClass < 0 || screenClass > 3)
        screenClass = 0;
    std::vector<std::string> names;
    for (int c = screenClass; c >= 0; --c)
        names.push_back(std::string(programName) + kSuffixes[c] + std::string(kDefinitionExtension));
    return names;
}

Result<fs::path> locateDefinitionFile(std::string_view programName, int screenClass,
                                      const FileFinder& find)
{
    for (const auto& name : definitionFileNames(programName, screenClass))
        if (auto found = find(name))
            return *found;
    return stopMessage("Setup file is not exist.");
}

DefinitionLoad expandDefinitionFile(const fs::path& source, const fs::path& tempDirectory)
{
    // 1. The temporary folder: it must be named, and it must be a folder.
    const fs::path dir = tempDirectory.empty() ? zlm::tempDirectory() : tempDirectory;
    if (dir.empty())
        return failed({stopMessage(format("Setup file Read Error(Create TemporaryFile:1-%d)", ENOENT))});
    std::error_code ec;
    const auto status = fs::status(dir, ec);
    if (ec || !fs::is_directory(status)) {
        const int code = ec ? ec.value() : ENOTDIR;
        return failed({stopMessage(format("Setup file Read Error(Create TemporaryFile:2-%d)", code))});
    }
    const std::string dirText = folderText(dir);
    const fs::path tempPath = dirText + std::string(kDefinitionTempName);

    // 2. A file left over from an earlier run is replaced. unlink() refuses a
    // folder of that name, just as it refuses a file it may not delete.
    struct stat info {};
    if (::lstat(tempPath.c_str(), &info) == 0 && ::unlink(tempPath.c_str()) != 0) {
        const int code = errno;
        return failed({stopMessage(format("Setup file Read Error(Create TemporaryFile:3-%d)\n[%s]",
                                          code, dirText.c_str()))});
    }

    // 3. The expanded copy, without the time-stamp rule.
    CopyResult copy = expandedCopy(source, tempPath, false);
    if (!copy.ok) {
        std::vector<Message> messages = std::move(copy.messages);
        messages.push_back(stopMessage(format("Setup file Read Error(Create TemporaryFile:4-%d)\n%s ->%s",
                                              copy.systemError, source.string().c_str(),
                                              dirText.c_str())));
        return failed(std::move(messages));
    }
    DefinitionLoad load;
    load.ok = true;
    load.tempPath = tempPath;
    return load;
}

LineList readDefinitionLines(const fs::path& path)
{
    auto lines = readTextLines(path.string());
    return lines ? std::move(*lines) : LineList();
}

DefinitionLoad loadDefinitionFile(const DefinitionSource& source)
{
    FileFinder find = source.find;
    if (!find) {
        const fs::path programDir = source.programDir;
        find = [programDir](std::string_view name) { return searchPath(name, programDir); };
    }
    const auto found = locateDefinitionFile(source.programName, source.screenClass, find);
    if (!found)
        return failed({found.error()});

    DefinitionLoad load = expandDefinitionFile(*found, source.tempDirectory);
    if (!load.ok)
        return load;
    load.lines = readDefinitionLines(load.tempPath);
    return load;
}

} // namespace zlm
