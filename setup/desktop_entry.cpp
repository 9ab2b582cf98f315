#include "setup/desktop_entry.h"

#include "base/line_list.h"
#include "setup/setup_texts.h"

namespace zlm::setup {
namespace fs = std::filesystem;

namespace {

// One Exec argument between double quotes: inside them " ` $ and \ need a
// backslash; "%" starts a field code anywhere, so a literal one is doubled.
std::string execArgument(std::string_view argument)
{
    std::string out = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
        if (c == '%')
            out += '%';
    }
    out += '"';
    return out;
}

} // namespace

std::string desktopString(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string execLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += ' ';
        line += execArgument(argument);
    }
    return line;
}

std::optional<std::string> desktopValue(std::string_view content, std::string_view key)
{
    for (const std::string& line : LineList::fromText(content)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos || zlm::text::trim(line.substr(0, equals)) != key)
            continue;
        const std::string_view raw = zlm::text::trim(std::string_view(line).substr(equals + 1));
        std::string value;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\' || i + 1 == raw.size()) {
                value += raw[i];
                continue;
            }
            switch (raw[++i]) {
            case 's':
                value += ' ';
                break;
            case 'n':
                value += '\n';
                break;
            case 't':
                value += '\t';
                break;
            case 'r':
                value += '\r';
                break;
            default:
                value += raw[i];
            }
        }
        return value;
    }
    return std::nullopt;
}

std::string shortcutEntry(const fs::path& destination)
{
    const std::string program = (destination / kProgramName).string();
    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=ZLM350\n";
    // GLib's launchers look for the program named first before "%%" becomes
    // "%": a program whose path holds a "%" is started through env.
    std::vector<std::string> command { program };
    if (program.find('%') != std::string::npos)
        command.insert(command.begin(), "/usr/bin/env");
    entry += "Exec=" + desktopString(execLine(command)) + "\n";
    entry += "Path=" + desktopString(destination.string()) + "\n";
    entry += "Icon=" + desktopString(program) + "\n";
    entry += "Terminal=false\n";
    return entry;
}

std::string autostartEntry(const fs::path& entry, const fs::path& script)
{
    // The entry goes first, so a script that cannot run leaves nothing behind;
    // a script that is not the user's own (the temporary folder is shared) is
    // not run.
    const std::string command = "rm -f -- \"$0\"; [ -O \"$1\" ] && exec /bin/sh -- \"$1\"";
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n";
    text += "Name=" + withProduct("Uninstall %1") + "\n";
    text += "Exec="
        + desktopString(execLine({ "/bin/sh", "-c", command, entry.string(), script.string() }))
        + "\n";
    text += "Terminal=false\n";
    text += std::string(kScriptKey) + "=" + desktopString(script.string()) + "\n";
    return text;
}

} // namespace zlm::setup
