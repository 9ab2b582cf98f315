#include "setup/cleanup_script.h"

#include "platform/posix_file.h"
#include "setup/setup_texts.h"

#include <fcntl.h>

namespace zlm::setup {
namespace fs = std::filesystem;

std::string shellQuoted(std::string_view text)
{
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += '\'';
    return out;
}

std::string cleanupScript(const fs::path& destination, const fs::path& script)
{
    const std::string folder = shellQuoted(destination.string());
    const std::string installer = shellQuoted((destination / kSetupName).string());
    std::string text = "#!/bin/sh\n";
    text += "if [ -e " + installer + " ]; then rm -f -- " + installer + "; fi\n";
    text += "if [ -d " + folder + " ]; then rmdir -- " + folder + "; fi\n";
    text += "echo " + shellQuoted(withProduct("%1 UnInstaller finished")) + "\n";
    text += "echo 'Please close this window'\n";
    text += "rm -f -- " + shellQuoted(script.string());
    return text;
}

bool writeCleanupScript(const fs::path& script, std::string_view content)
{
    // The temporary folder may be shared: only a file created here is written.
    ::unlink(script.c_str());
    posix::FileDescriptor fd(
        ::open(script.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700));
    if (!fd.valid())
        return false;
    if (posix::writeAll(fd.get(), content) && fd.reset())
        return true;
    ::unlink(script.c_str());
    return false;
}

} // namespace zlm::setup
