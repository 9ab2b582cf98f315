#include "app/startup.h"

#include "data/ini_settings.h"
#include "app/vex_app.h"
#include "data/definition_file.h"
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "platform/screen.h"
#include "platform/settings_folder.h"
#include "platform/text_file.h"
#include "res/string_table.h"

namespace zlm {
namespace fs = std::filesystem;

BatchArguments parseCommandLine(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2)
        return {};
    return { arguments[0], arguments[1] };
}

Message iniMissingMessage(std::string_view programName)
{
    Message m;
    m.text = std::string(programName) + ".ini is not exist.";
    m.icon = Icon::Stop;
    return m;
}

fs::path settingsFilePath(std::string_view programName)
{
    const std::string name = std::string(programName) + ".ini";
    const fs::path folder = settingsFolder();
    if (auto existing = findFileNoCase(folder, name))
        return *existing;
    return folder / name;
}

std::vector<Message> prepareApplication(
    CVexApp& app, const StartupEnvironment& env, const Registry& registry)
{
    app.programPath = env.programPath;
    app.programDir = env.programPath.parent_path();
    app.programName = env.programPath.stem().string();
    if (app.programName.empty())
        app.programName = "ZLM350";
    app.screenWidth = env.screenWidth;
    app.screenHeight = env.screenHeight;
    app.settingsDir = settingsFolder();

    // A settings file that is a pipe, a device or huge is refused before it is read.
    if (auto problem = registry.problem())
        return { std::move(*problem) };
    app.settings
        = readAppSettings(registry, AppSettings::defaultsFor(env.screenWidth, env.screenHeight));
    app.link().setLogPath(app.settings.commLogPath);

    if (!searchPath(app.programName + ".ini", app.programDir))
        return { iniMissingMessage(app.programName) };

    const BatchArguments batch = parseCommandLine(env.arguments);
    app.batchSource = batch.source;
    app.batchTarget = batch.target;
    app.tempDefinitionPath.clear();

    app.iniPath = settingsFilePath(app.programName);
    if (auto problem = settingsFileProblem(app.iniPath))
        return { std::move(*problem) };
    IniSettings ini = readIniSettings(IniFile(app.iniPath));
    app.serial = ini.serial;
    app.formats = std::move(ini.formats);
    app.print = ini.print;
    app.undoSize = ini.undoSize;
    app.tableShading = ini.tableShading;
    app.workingDirectory = std::move(ini.workingDirectory);

    app.data().nextViewKind = 0;

    DefinitionSource source;
    source.programName = app.programName;
    source.screenClass = screenClass(env.screenWidth, env.screenHeight);
    source.programDir = app.programDir;
    DefinitionLoad definition = loadDefinitionFile(source);
    if (!definition.ok)
        return std::move(definition.messages);
    app.definitionLines = std::move(definition.lines);
    app.tempDefinitionPath = std::move(definition.tempPath);
    return {};
}

} // namespace zlm
