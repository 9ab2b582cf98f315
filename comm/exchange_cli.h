#pragma once
// zlm-exchange: the ECU exchanges of ZLM350 from the command line, for
// workshop benches and scripts. It reads the same settings as ZLM350 (the
// settings file, the registry values and the ECU definition file with its
// "RS232C" and "Error Message" sections) and talks to the ECU through the
// same protocol, with a tick pump standing in for the main frame's timer.
//
// Results go to `out`, failures (with the program's own message texts) to
// `err`. Exit codes: 0 success, 1 failure (a verify that finds differences
// included), 2 bad usage.
#include "data/definition_file.h"
#include "platform/screen.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zlm {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Where the program finds its settings; fromProcess() gives what ZLM350 itself
// would use, tests point it at a folder of their own.
struct ExchangeEnvironment {
    std::filesystem::path settingsDir; // ZLM350.ini and registry.reg
    std::filesystem::path programDir; // first folder of the search path
    // The executable search path for "ZLM350.ini" and the definition files;
    // empty: the platform's search starting at `programDir`.
    FileFinder find;
    // Parent of the private folder the definition file is expanded into;
    // empty: the system's temporary folder.
    std::filesystem::path tempDirectory;
    // Picks the definition file; nothing: screen class 0 ("ZLM350.STZ").
    std::optional<ScreenSize> screen;
    // Period of the tick that counts the link's time-out down.
    std::chrono::microseconds tickPeriod = std::chrono::milliseconds(100);
    // Set (from a signal handler) to stop an exchange at its next byte.
    const std::atomic<bool>* interrupted = nullptr;

    // The running program's settings folder, program folder and ZLM350_SCREEN.
    static ExchangeEnvironment fromProcess(std::string_view argv0);
};

// The usage text, ending in a line feed.
std::string exchangeUsage();

// Runs one command line (the arguments after the program name); returns the
// exit code.
int runExchangeCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
    const ExchangeEnvironment& environment);

} // namespace zlm
