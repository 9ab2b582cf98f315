#include "setup/uninstaller.h"

#include "platform/registry.h"
#include "platform/text_file.h"
#include "setup/cleanup_script.h"
#include "setup/desktop_entry.h"
#include "setup/folder_rule.h"
#include "setup/setup_texts.h"

#include <array>
#include <system_error>
#include <unistd.h>

namespace zlm::setup {
namespace fs = std::filesystem;

namespace {

// The installed files, relative to the installation folder; the installer
// copy is left to the clean-up script.
constexpr std::array<std::string_view, 8> kInstalledFiles { "ZLM350", "ZLM350.stz", "ZLM350B.stz",
    "ZLM350C.stz", "ZLM350D.stz", "ZLM350.bmp", "ZLM350FC.bmp", "WORK/Standard_data.lyn" };

// True when the file was there and is gone.
bool deleteFile(const fs::path& path)
{
    return ::unlink(path.c_str()) == 0;
}

} // namespace

void Uninstaller::uninstall()
{
    bool allDeleted = deleteFile(m_places.settingsFile());

    FileRegistry registry(m_places.registryFile());
    std::string destination;
    if (const auto key = registry.openKey(kProductKey))
        destination = key->readString(kInstallDirectoryValue).value_or("");
    // The registry file can be edited by hand: a missing or odd folder would
    // have the names below taken relative to the current folder or worse.
    if (checkFolder(destination, false) == FolderCheck::Valid) {
        for (const std::string_view name : kInstalledFiles)
            allDeleted = deleteFile(fs::path(destination) / name) && allDeleted;
        ::rmdir((fs::path(destination) / kWorkFolderName).c_str());
    } else {
        allDeleted = false;
    }

    ::unlink((m_places.desktop / kShortcutName).c_str());
    ::unlink((m_places.applications / kShortcutName).c_str());
    (void)registry.deleteKey(kProductKey);
    (void)registry.deleteKey(kUninstallKey);

    const std::string caption(kCaption);
    if (!allDeleted) {
        m_prompts.message(std::string(texts::kNotDeleted) + "\n[" + destination + "]", caption,
            Icon::Information);
        return;
    }
    if (!m_places.temp.empty()) {
        const fs::path script = m_places.temp / kScriptName;
        if (writeCleanupScript(script, cleanupScript(destination, script))) {
            // The counterpart of the RunOnce value.
            const fs::path entry = m_places.autostartEntry();
            std::error_code ec;
            fs::create_directories(entry.parent_path(), ec);
            (void)writeFileReplacing(entry, autostartEntry(entry, script));
        }
    }
    m_prompts.message(std::string(texts::kUninstallCompleted), caption, Icon::Information);
}

} // namespace zlm::setup
