#pragma once
// The installer's fixed names and texts: the product, the file table of the
// installation media, the registry keys and the messages.
#include <array>
#include <string>
#include <string_view>

namespace zlm::setup {

inline constexpr std::string_view kProduct = "ZLM-350";
// Every message box of the installer carries the caption of its window.
inline constexpr std::string_view kCaption = "ZLM-350 Setup";

// Registry keys and values (under the local-machine root, in the registry file).
inline constexpr std::string_view kProductKey = "SOFTWARE\\ZLM-350";
inline constexpr std::string_view kInstallDirectoryValue = "Install Directory";
inline constexpr std::string_view kUninstallKey
    = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZLM-350";
inline constexpr std::string_view kDisplayNameValue = "DisplayName";
inline constexpr std::string_view kUninstallStringValue = "UninstallString";

// Installed names of the programs (without the Windows extensions).
inline constexpr std::string_view kProgramName = "ZLM350";
inline constexpr std::string_view kSetupName = "setup";
inline constexpr std::string_view kSettingsFileName = "ZLM350.ini";
inline constexpr std::string_view kWorkFolderName = "WORK";
inline constexpr std::string_view kShortcutName = "ZLM350.desktop";
inline constexpr std::string_view kScriptName = "ZLM350-uninstall.sh";
inline constexpr std::string_view kAutostartName = "ZLM350-uninstall.desktop";
// The media folder holds this file, or setup refuses to run.
inline constexpr std::string_view kMediaMarker = "ZLM350.ex_";

enum class StepMethod {
    Expand, // expanded copy with the time-stamp rule
    CopyAsIs, // the time-stamp rule, then copied unexpanded
    CreateFolder, // an existing folder is accepted
    CopySetup, // copied over whatever is there, no check, result ignored
};

enum class Place {
    Destination, // the installation folder D
    Settings, // the settings folder W (where "ZLM350.ini" lives)
};

struct FileStep {
    std::string_view source; // name in the media folder; empty for a folder
    Place place;
    std::string_view installedAs; // relative to the place
    StepMethod method;
    int progressSteps; // steps the progress bar moves after this one
};

// The definition files (".st_") are copied without expansion: the program
// expands them itself at start.
inline constexpr std::array<FileStep, 11> kFileTable { {
    { "ZLM350.ex_", Place::Destination, "ZLM350", StepMethod::Expand, 6 },
    { "ZLM350.st_", Place::Destination, "ZLM350.stz", StepMethod::CopyAsIs, 0 },
    { "ZLM350B.st_", Place::Destination, "ZLM350B.stz", StepMethod::CopyAsIs, 0 },
    { "ZLM350C.st_", Place::Destination, "ZLM350C.stz", StepMethod::CopyAsIs, 0 },
    { "ZLM350D.st_", Place::Destination, "ZLM350D.stz", StepMethod::CopyAsIs, 4 },
    { "ZLM350.bm_", Place::Destination, "ZLM350.bmp", StepMethod::Expand, 3 },
    { "ZLM350FC.bm_", Place::Destination, "ZLM350FC.bmp", StepMethod::Expand, 3 },
    { "ZLM350.in_", Place::Settings, "ZLM350.ini", StepMethod::Expand, 2 },
    { "", Place::Destination, "WORK", StepMethod::CreateFolder, 0 },
    { "Stddata.ly_", Place::Destination, "WORK/Standard_data.lyn", StepMethod::Expand, 1 },
    { "setup", Place::Destination, "setup", StepMethod::CopySetup, 1 },
} };

// The bar moves one step before the first file and then as the table says.
inline constexpr int kProgressTotalSteps = 21;
inline constexpr int kProgressStepSize = 5;
static_assert([] {
    int steps = 1;
    for (const FileStep& step : kFileTable)
        steps += step.progressSteps;
    return steps;
}() == kProgressTotalSteps);

// "%1" replaced by the product name.
std::string withProduct(std::string_view text);

namespace texts {
inline constexpr std::string_view kFinished = "Setup has finished installing %1 on your computer.";
inline constexpr std::string_view kUninstallQuestion
    = "This will uninstall %1.\nAre you sure you want to uninstall?";
inline constexpr std::string_view kUninstallCompleted
    = "Completed uninstallation.\r\nPlease restart your computer.";
inline constexpr std::string_view kWelcome = "Welcome to the %1 Setup program.";
inline constexpr std::string_view kWillInstall = "This program will install %1 on your computer.";
inline constexpr std::string_view kQuitLine1 = "Click Cancel to quit Setup and then close any programs";
inline constexpr std::string_view kQuitLine2
    = "you have running. Click Next to continue with the Setup program.";
inline constexpr std::string_view kNoMedia = "Can not execute this program.";
inline constexpr std::string_view kNotDeleted
    = "Some files were not deleted. Please delete yourself.";
inline constexpr std::string_view kFailToCopy = "Fail to copy file.";
inline constexpr std::string_view kCopyingFiles = "Copying Files Now !";
inline constexpr std::string_view kFolderInvalid
    = "The folder:\n\n%s\n\nis invalid. Please reenter.";
inline constexpr std::string_view kFolderMissing
    = "The folder:\n\n%s\n\ndoes not exist. Do you want the folder to be created?";
inline constexpr std::string_view kFolderNotCreated
    = "The folder:\n\n%s\n\ncan not be created. Please double check.";
} // namespace texts

// A folder message with its "%s" replaced by the folder.
std::string folderMessage(std::string_view text, std::string_view folder);

} // namespace zlm::setup
