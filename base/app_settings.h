#pragma once
// Settings read at start-up from the registry values and the INI file.
#include <array>
#include <string>

namespace zlm {

// Registry values of "SOFTWARE\ZLM-350"; defaults set before the registry is read.
struct AppSettings {
    std::array<char, 3> ecuType { 'Q', 'X', '\0' }; // both zero: no ECU type comparison
    int programDlgFontSize = 19; // 14 on a small screen
    int tableCellWidth = 55; // pixels; 50 on a small screen
    int tableCellHeight = 20; // pixels; 16 on a small screen
    int tableFontSize = 16; // 14 on a small screen
    std::string commLogPath; // at most 127 characters; empty: no log
    int readCount = 30; // "ReadEcuNum"

    // Defaults for a screen of the given size (small: below 800 wide and below 600 high).
    static AppSettings defaultsFor(int screenWidth, int screenHeight);
};

// INI section "RS232C".
struct SerialSettings {
    int speedIndex = 3; // 0 600, 1 1200, 2 2400, 3 4800, 4 9600, 5 19200 baud
    int dataBitsIndex = 1; // 0 7 bits, 1 8 bits
    int parityIndex = 0; // 0 none, 1 odd, 2 even
    int stopBitsIndex = 0; // 0 1 bit, 1 1.5 bits, 2 2 bits
    int flowIndex = 0; // 0 "YES", 1 "NO"
    int portIndex = -1; // 0..7 for PORT1..PORT8, -1 no port chosen
    int timeoutMs = 50; // "TIMEOUT"
};

// printf formats built with "%%.%df" from the INI "PRECISION" section.
struct DisplayFormats {
    std::string x = "%.1f";
    std::string y = "%.1f";
    std::string z = "%.1f";
};

struct PrintSettings {
    int left = 0, top = 0, right = 0, bottom = 0, line = 0;
};

} // namespace zlm
