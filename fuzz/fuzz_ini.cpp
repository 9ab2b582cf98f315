// The settings file: read, looked up, changed and written back. A rewrite must
// read back as written, and a second rewrite must not change it again.
#include "platform/ini_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zlm::IniDocument document = zlm::IniDocument::fromText(text);
    // The file's own text comes back unchanged.
    if (document.toText() != text)
        std::abort();

    // Names taken from the file itself, so the changes meet existing lines.
    std::string section = "RS232C";
    std::string key = "SPEED";
    const std::size_t open = text.find('[');
    const std::size_t close = text.find(']', open == std::string_view::npos ? 0 : open);
    if (open != std::string_view::npos && close != std::string_view::npos && close > open)
        section = std::string(text.substr(open + 1, close - open - 1));
    if (const std::size_t equals = text.find('='); equals != std::string_view::npos)
        key = std::string(text.substr(text.rfind('\n', equals) + 1,
            equals - (text.rfind('\n', equals) + 1)));

    (void)document.find(section, key);
    (void)document.keys(section);
    (void)zlm::profileInt(document.find(section, key).value_or(""));
    document.set(section, key, "19200");
    document.set("PRECISION", "X", "3");
    const std::string rewritten = document.toText();
    const zlm::IniDocument reread = zlm::IniDocument::fromText(rewritten);
    if (reread.toText() != rewritten)
        std::abort();
    // A key just written is found again (names are trimmed and may not hold
    // what a key line cannot carry, so only the program's own key is checked).
    if (reread.find("PRECISION", "X").value_or("") != "3")
        std::abort();
    zlm::IniDocument changed = reread;
    changed.remove(section, key);
    changed.removeSection("PRECISION");
    (void)changed.toText();
    return 0;
}
