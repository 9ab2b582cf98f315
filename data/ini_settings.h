#pragma once
// The settings the program reads from its INI file at start-up, and the exact
// text conversions of each key. Comparisons are exact and case-sensitive, as
// the installer and the parameter dialogs write the values.
#include "base/app_settings.h"

#include <string>
#include <string_view>

namespace zlm {

class IniDocument;
class IniFile;

// Everything read from the INI file at start-up.
struct IniSettings {
    SerialSettings serial; // "RS232C"
    DisplayFormats formats; // "PRECISION"
    PrintSettings print; // "PRINT": read and kept, used by nothing
    int undoSize = 1024; // "UNDO"/"SIZE"
    bool tableShading = true; // "TABLE WINDOW"/"SHADING", 0 off
    std::string workingDirectory; // "DIRECTORY"/"PATH1"
};

namespace ini {

// "600" 0, "1200" 1, "2400" 2, "9600" 4, "19200" 5; any other text 3 (4800 baud).
int speedIndex(std::string_view value);
// First character "7": 0 (7 bits); anything else 1 (8 bits).
int dataBitsIndex(std::string_view value);
// "ODD" 1, "EVEN" 2, anything else 0 (none).
int parityIndex(std::string_view value);
// Starts with "1.5": 1; else starts with "2": 2; else 0 (1 bit).
int stopBitsIndex(std::string_view value);
// "NO" 1, anything else 0 ("YES").
int flowIndex(std::string_view value);
// "PORT1".."PORT8" 0..7, anything else -1 (no port chosen).
int portIndex(std::string_view value);

} // namespace ini

// Reads the start-up keys from the INI text; missing keys take their defaults.
IniSettings readIniSettings(const IniDocument& document);
// The same from the file on disk (all defaults when it cannot be read).
IniSettings readIniSettings(const IniFile& file);

} // namespace zlm
