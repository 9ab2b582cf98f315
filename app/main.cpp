// ZLM350: start-up of the setting tool. The core steps (registry, settings
// file, command line, definition file) run in prepareApplication(); here the
// windows come in: the message boxes of a failed start, the main frame, the
// splash window and the batch request.
#include "app/about_dialog.h"
#include "app/frame_dialogs.h"
#include "app/frame_tools.h"
#include "app/splash_window.h"
#include "app/startup.h"
#include "app/vex_app.h"
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

} // namespace

int main(int argc, char** argv)
{
    QApplication qtApp(argc, argv);
    // The program's dialogs ask for "Century"; C059 is the same face.
    QFont::insertSubstitution(QStringLiteral("Century"), QStringLiteral("C059"));
    QApplication::setWindowIcon(zlm::programIcon());

    // QApplication has taken its own options out of argv by now.
    std::vector<std::string> arguments(argv + 1, argv + argc);

    zlm::CVexApp app;
    std::unique_ptr<zlm::Prompts> prompts = zlm::promptsFromEnvironment();
    if (!prompts)
        prompts = std::make_unique<zlm::QtPrompts>();
    app.setPrompts(std::move(prompts));

    const zlm::ScreenSize screen = zlm::screenSize();
    zlm::StartupEnvironment environment;
    environment.programPath = zlm::programPath(argc > 0 ? argv[0] : "");
    environment.screenWidth = screen.width;
    environment.screenHeight = screen.height;
    environment.arguments = std::move(arguments);

    const zlm::FileRegistry registry(zlm::FileRegistry::defaultFile());
    const std::vector<zlm::Message> failures = zlm::prepareApplication(app, environment, registry);
    if (!failures.empty()) {
        for (const zlm::Message& message : failures)
            app.prompts().show(message);
        return 0;
    }

    setDialogColours();

    // The frame sizes itself (600 x 460) and stands centred on the screen.
    zlm::CMainFrame frame(app);
    // The serial line and the communication tools, for as long as the frame lives.
    new zlm::FrameTools(frame, app);
    // The editing tools' dialogs and the map link.
    new zlm::FrameDialogs(frame, app);

    if (!app.batchSource.empty() || !app.batchTarget.empty()) {
        // The conversion runs once the event loop is up; the frame stays hidden
        // and the program ends when it is done, whatever the outcome.
        QMetaObject::invokeMethod(
            &frame,
            [&frame] {
                frame.runBatchConversion();
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    } else {
        // The splash shows the main window, maximised, when its time is up.
        zlm::SplashWindow::start(&frame, app.programPath);
    }
    return QApplication::exec();
}
