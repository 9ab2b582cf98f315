#include "setup/installer.h"

#include "platform/expanded_copy.h"
#include "platform/ini_file.h"
#include "platform/posix_file.h"
#include "platform/registry.h"
#include "platform/settings_folder.h"
#include "platform/text_file.h"
#include "setup/desktop_entry.h"

#include <sys/stat.h>
#include <system_error>

namespace zlm::setup {
namespace fs = std::filesystem;

namespace {

// The mode of a fresh program file: a fresh file's mode with execute where it
// may be read.
mode_t programMode()
{
    const mode_t mode = posix::newFileMode();
    return mode | ((mode & 0444) >> 2);
}

bool isFolder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

bool Installer::install(const fs::path& destination, const Progress& progress)
{
    const auto advance = [&](int steps) {
        if (progress && steps > 0)
            progress(steps);
    };
    advance(1);
    for (const FileStep& step : kFileTable) {
        if (!runStep(step, destination))
            return false;
        advance(step.progressSteps);
    }
    writeDataFolder(destination);
    writeRegistry(destination);
    writeShortcuts(destination);
    return true;
}

bool Installer::runStep(const FileStep& step, const fs::path& destination)
{
    const fs::path base = step.place == Place::Destination ? destination : m_places.settings;
    const fs::path target = base / step.installedAs;
    if (step.method == StepMethod::CreateFolder) {
        std::error_code ec;
        fs::create_directory(target, ec);
        if (isFolder(target))
            return true;
        show(
            { 0, folderMessage(texts::kFolderNotCreated, target.string()), Icon::Exclamation, {} });
        return false;
    }

    // A medium may show its names in another case (a FAT stick mounted with
    // lower-case short names).
    const fs::path source
        = findFileNoCase(m_places.media, step.source).value_or(m_places.media / step.source);
    if (step.place == Place::Settings) {
        // The Windows folder always exists; the settings folder may not yet.
        std::error_code ec;
        fs::create_directories(base, ec);
    }
    const bool program = step.installedAs == kProgramName || step.installedAs == kSetupName;
    if (step.method == StepMethod::CopySetup) {
        if (plainCopy(source, target, false).ok)
            ::chmod(target.c_str(), programMode());
        return true;
    }

    CopyResult result = step.method == StepMethod::Expand ? expandedCopy(source, target, true)
                                                          : plainCopy(source, target, true);
    for (Message& message : result.messages)
        show(std::move(message));
    if (!result.ok && result.messages.empty())
        show({ 0, "[" + target.filename().string() + "] " + std::string(texts::kFailToCopy),
            Icon::None, {} });
    if (result.ok && !result.keptNewer && program)
        ::chmod(target.c_str(), programMode());
    return result.ok;
}

void Installer::show(Message message)
{
    message.caption = kCaption;
    m_prompts.show(message);
}

void Installer::writeDataFolder(const fs::path& destination)
{
    // A data folder of an earlier installation is kept.
    IniFile settings(m_places.settingsFile());
    if (!settings.getString("DIRECTORY", "PATH1").empty())
        return;
    (void)settings.writeString("DIRECTORY", "PATH1", (destination / kWorkFolderName).string());
    (void)settings.writeString("DIRECTORY", "PATH2", "");
}

void Installer::writeRegistry(const fs::path& destination)
{
    FileRegistry registry(m_places.registryFile());
    if (auto key = registry.createKey(kProductKey))
        (void)key->writeString(kInstallDirectoryValue, destination.string());
    if (auto key = registry.createKey(kUninstallKey)) {
        (void)key->writeString(kDisplayNameValue, kProduct);
        (void)key->writeString(kUninstallStringValue, (destination / kSetupName).string() + " /R");
    }
}

void Installer::writeShortcuts(const fs::path& destination)
{
    const std::string entry = shortcutEntry(destination);
    for (const fs::path& folder : { m_places.desktop, m_places.applications }) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        const fs::path file = folder / kShortcutName;
        // Desktops launch only entries marked executable.
        if (writeFileReplacing(file, entry))
            ::chmod(file.c_str(), programMode());
    }
}

void removePendingUninstall(const SetupPlaces& places)
{
    const fs::path entry = places.autostartEntry();
    const auto content = readWholeFile(entry);
    if (!content)
        return;
    // Only the script this installer wrote is removed, whatever the entry says.
    if (const auto script = desktopValue(*content, kScriptKey);
        script && fs::path(*script).filename() == kScriptName)
        ::unlink(script->c_str());
    ::unlink(entry.c_str());
}

} // namespace zlm::setup
