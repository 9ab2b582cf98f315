// ZLM350: start-up of the setting tool. The core steps (registry, settings
// file, command line, definition file) run in prepareApplication(); here the
// windows come in: the message boxes of a failed start, the main frame, the
// splash window and the batch request.
#include "app/about_dialog.h"
#include "app/batch_without_windows.h"
#include "app/frame_dialogs.h"
#include "app/frame_tools.h"
#include "app/splash_window.h"
#include "app/startup.h"
#include "app/vex_app.h"
#include "platform/display_check.h"
#include "platform/qt_prompts.h"
#include "platform/registry.h"
#include "platform/screen.h"
#include "platform/scripted_prompts.h"
#include "platform/settings_folder.h"
#include "views/main_frame.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPalette>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// Dialogs and message boxes have a light grey ground with black text.
void setDialogColours()
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    palette.setColor(QPalette::WindowText, Qt::black);
    QApplication::setPalette(palette, "QDialog");
}

// Scripted prompts when asked for; the error output when nobody would see a
// message box; else real dialogs.
std::unique_ptr<zlm::Prompts> choosePrompts(zlm::DisplayKind display)
{
    if (auto scripted = zlm::promptsFromEnvironment())
        return scripted;
    if (display != zlm::DisplayKind::Screen)
        return zlm::errorOutputPrompts();
    return std::make_unique<zlm::QtPrompts>();
}

// What start-up is told: the program, the screen's size and the command line.
zlm::StartupEnvironment startupEnvironment(
    const char* programArgument, zlm::ScreenSize screen, std::vector<std::string> arguments)
{
    zlm::StartupEnvironment environment;
    environment.programPath = zlm::programPath(programArgument);
    environment.screenWidth = screen.width;
    environment.screenHeight = screen.height;
    environment.arguments = std::move(arguments);
    return environment;
}

} // namespace

int main(int argc, char** argv)
{
    zlm::DisplayKind display = zlm::displayKind();
    // As given: QApplication, when there is one, takes its own options out later.
    const std::vector<std::string> givenArguments(argv + 1, argv + argc);
    const bool batchRequested = zlm::parseCommandLine(givenArguments).requested();
    if (display == zlm::DisplayKind::None) {
        // No window system to start: only the batch conversion can run.
        if (!batchRequested) {
            std::fprintf(stderr,
                "ZLM350: no display (neither DISPLAY nor WAYLAND_DISPLAY is set). Without one, "
                "only a batch conversion runs: ZLM350 DATAFILE CSVFILE\n");
            return 1;
        }
        const zlm::StartupEnvironment defaults;
        const zlm::StartupEnvironment environment = startupEnvironment(argc > 0 ? argv[0] : "",
            zlm::screenSizeFromEnvironment().value_or(
                zlm::ScreenSize { defaults.screenWidth, defaults.screenHeight }),
            givenArguments);
        const zlm::FileRegistry registry(zlm::FileRegistry::defaultFile());
        return zlm::runBatchWithoutWindows(environment, registry, choosePrompts(display));
    }

    // A display named but out of reach (a stale DISPLAY in an SSH session)
    // must not stop a batch conversion: the platform falls back to offscreen.
    if (batchRequested && display == zlm::DisplayKind::Screen)
        qputenv("QT_QPA_PLATFORM", zlm::platformsWithFallback().c_str());
    QApplication qtApp(argc, argv);
    if (zlm::isInvisiblePlatform(QGuiApplication::platformName().toStdString()))
        display = zlm::DisplayKind::Invisible;
    // The program's dialogs ask for "Century"; C059 is the same face.
    QFont::insertSubstitution(QStringLiteral("Century"), QStringLiteral("C059"));
    QApplication::setWindowIcon(zlm::programIcon());

    zlm::CVexApp app;
    app.setPrompts(choosePrompts(display));

    // QApplication has taken its own options out of argv by now.
    const zlm::StartupEnvironment environment = startupEnvironment(argc > 0 ? argv[0] : "",
        zlm::screenSize(), std::vector<std::string>(argv + 1, argv + argc));

    const zlm::FileRegistry registry(zlm::FileRegistry::defaultFile());
    const std::vector<zlm::Message> failures = zlm::prepareApplication(app, environment, registry);
    // Also when start-up failed before it read the command line.
    const bool batch = batchRequested || !app.batchSource.empty() || !app.batchTarget.empty();
    if (!failures.empty()) {
        for (const zlm::Message& message : failures)
            app.prompts().show(message);
        // A batch run tells its script that no CSV file was written.
        return batch ? 1 : 0;
    }

    setDialogColours();

    // The frame sizes itself (600 x 460) and stands centred on the screen.
    zlm::CMainFrame frame(app);
    // The serial line and the communication tools, for as long as the frame lives.
    new zlm::FrameTools(frame, app);
    // The editing tools' dialogs and the map link.
    new zlm::FrameDialogs(frame, app);

    // The exit status of a batch run: 0 once the CSV file is written.
    int batchStatus = 1;
    if (batch) {
        // The conversion runs once the event loop is up; the frame stays hidden
        // and the program ends when it is done, whatever the outcome.
        QMetaObject::invokeMethod(
            &frame,
            [&frame, &batchStatus] {
                batchStatus = frame.runBatchConversion() ? 0 : 1;
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    } else {
        // The splash shows the main window, maximised, when its time is up.
        zlm::SplashWindow::start(&frame, app.programPath);
    }
    const int status = QApplication::exec();
    return batch ? batchStatus : status;
}
