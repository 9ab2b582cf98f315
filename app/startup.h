#pragma once
// Start-up of the program up to the creation of the main frame: the registry
// values, the settings file, the command line and the ECU definition file.
// Plain C++; the windows (message boxes, main frame, splash) are main.cpp's.
#include "base/result.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

class CVexApp;
class Registry;

// The two file names of a batch conversion; both empty for a normal start.
struct BatchArguments {
    std::string source; // the data file to load
    std::string target; // the CSV file to write
    bool requested() const { return !source.empty() || !target.empty(); }
};

// The arguments after the program name. Exactly two arguments ask for a
// batch conversion of the first into the second; any other count starts the
// program normally. Each argument is taken whole, so a single file name that
// holds a blank stays one name and starts the program normally.
BatchArguments parseCommandLine(const std::vector<std::string>& arguments);

// What start-up needs to know about the running program and its screen.
struct StartupEnvironment {
    std::filesystem::path programPath; // full path of the running program
    int screenWidth = 1024; // pixels
    int screenHeight = 768;
    std::vector<std::string> arguments; // after the program name
};

// "%s.ini is not exist." with the program name, stop icon.
Message iniMissingMessage(std::string_view programName);

// The settings file the program reads and writes: the file named after the
// program with extension ".ini" in the settings folder (an existing file of
// another spelling is kept).
std::filesystem::path settingsFilePath(std::string_view programName);

// Runs start-up on `app` up to the main frame, in order: registry values,
// settings-file check on the executable search path, command line, settings
// keys, next view kind, ECU definition file. Returns the messages to show,
// in order; any message means start-up failed and the process ends with exit
// code 0 once they are shown, `app` then keeping no expanded definition file.
std::vector<Message> prepareApplication(
    CVexApp& app, const StartupEnvironment& environment, const Registry& registry);

} // namespace zlm
