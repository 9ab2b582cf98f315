#pragma once
// Pieces every test of the main frame needs: the font as on the target
// machine, scripted prompts, the shipped definition, a frame shown and active,
// and letting the queued events run.
#include "app/vex_app.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"

#include <QCoreApplication>
#include <QFont>
#include <QTest>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>

namespace zlm::test {

// Runs what the frame has queued: layouts, repaints, deferred slots.
inline void settle()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

// Century is not on the build machines; its metric twin keeps the layout.
inline void useCenturyFont()
{
    QFont::insertSubstitution(QStringLiteral("Century"), QStringLiteral("C059"));
}

// Gives `app` scripted prompts and returns them for the test to fill and read.
inline ScriptedPrompts* scriptPrompts(CVexApp& app)
{
    auto prompts = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts* raw = prompts.get();
    app.setPrompts(std::move(prompts));
    return raw;
}

// Reads a definition shipped in res/ into `app`; false when it cannot be read.
inline bool loadDefinition(CVexApp& app, const std::string& name = "ZLM350.def")
{
    auto lines = readTextLines(std::string(ZLM_RES_DIR) + "/" + name);
    if (!lines)
        return false;
    app.definitionLines = std::move(*lines);
    return true;
}

// Shows `window` and waits until it is the active window.
inline bool showActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// Copies the shipped standard data into `dir` and queues the copy for the next
// file dialog.
inline void queueStandardData(ScriptedPrompts& prompts, const std::filesystem::path& dir)
{
    const std::filesystem::path copy = dir / "Standard_data.lyn";
    std::filesystem::copy_file(std::string(ZLM_RES_DIR) + "/Standard_data.lyn", copy,
        std::filesystem::copy_options::overwrite_existing);
    prompts.queuePath(copy.string());
}

} // namespace zlm::test
