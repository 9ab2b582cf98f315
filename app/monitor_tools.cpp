#include "app/monitor_tools.h"

#include "app/vex_app.h"
#include "comm/monitor_dialog.h"
#include "comm/set_monitor_data_dialog.h"
#include "platform/ini_file.h"
#include "views/main_frame.h"
#include "views/vex_view.h"

#include <QGuiApplication>
#include <QScreen>

namespace zlm {

MonitorTools::MonitorTools(CMainFrame& frame, CVexApp& app)
    : QObject(&frame)
    , m_frame(frame)
    , m_app(app)
{
    FrameHooks& hooks = m_frame.hooks();
    hooks.toggleMonitorDialog = [this] { toggleDialog(); };
    hooks.monitorDialogOpen = [this] { return m_dialog != nullptr; };
    hooks.focusMonitorDialog = [this] {
        if (m_dialog) {
            m_dialog->raise();
            m_dialog->activateWindow();
        }
    };
    hooks.startMonitor = [this] { start(); };
    hooks.stopMonitor = [this] { stop(); };
    hooks.itemSet = [this] { itemSet(); };
    hooks.hasMonitorItems = [this] { return !m_app.monitor().items().empty(); };
    hooks.beforeDataSetClose = [this] { beforeDataSetClose(); };
}

MonitorTools::~MonitorTools()
{
    // The dialog goes with the frame, without a close of its own.
    m_app.monitor().setDisplay(nullptr);
}

void MonitorTools::toggleDialog()
{
    if (m_dialog)
        closeDialog();
    else
        openDialog();
}

void MonitorTools::openDialog()
{
    if (m_dialog)
        return;
    MonitorPoller& monitor = m_app.monitor();
    auto* dialog = new MonitorDialog(monitor.items(), monitor.selection(), monitor.running(), &m_frame);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->onStartStop = [this] {
        if (m_app.monitor().running())
            stop();
        else
            start();
    };
    dialog->onEnter = [this] {
        m_frame.activateWindow();
        if (CVexView* view = m_frame.activeView())
            view->setFocus();
    };
    dialog->onClosing = [this](QPoint topLeft) {
        m_position = topLeft;
        m_app.monitor().setDisplay(nullptr);
        m_dialog = nullptr;
        updateFrame();
    };
    m_dialog = dialog;
    monitor.setDisplay(dialog);
    dialog->adjustSize();
    if (m_position != QPoint(-1, -1)) {
        dialog->move(m_position);
    } else {
        // Beside the main window when the screen has room, else inside its right edge.
        const QRect frame = m_frame.frameGeometry();
        const QScreen* screen = m_frame.screen() ? m_frame.screen() : QGuiApplication::primaryScreen();
        const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        int left = frame.right() + 1;
        if (left + dialog->width() > room.right())
            left = std::max(room.left(), frame.right() - dialog->width() - 8);
        dialog->move(left, frame.top());
    }
    dialog->show();
    updateFrame();
}

void MonitorTools::closeDialog()
{
    if (m_dialog)
        m_dialog->close();
}

void MonitorTools::start()
{
    const Status started = m_app.monitor().start(m_app.protocol());
    if (!started)
        m_app.prompts().show(started.error());
    else if (m_dialog)
        m_dialog->setRunning(true);
    updateFrame();
}

void MonitorTools::stop()
{
    m_app.monitor().stop();
    if (m_dialog)
        m_dialog->setRunning(false);
    updateFrame();
}

void MonitorTools::itemSet()
{
    MonitorPoller& monitor = m_app.monitor();
    SetMonitorDataDialog dialog(monitor.items(), monitor.selection(), &m_frame);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::vector<int> chosen = dialog.selection();
    const bool changed = chosen != monitor.selection();
    monitor.setSelection(chosen);
    if (m_dialog && changed) {
        // The dialog is built for its rows: a new one shows the new list.
        closeDialog();
        openDialog();
    }
}

void MonitorTools::storeSelection()
{
    if (m_app.iniPath.empty())
        return;
    IniFile ini(m_app.iniPath);
    // A settings file that cannot be written keeps its old selection; the
    // close goes on.
    (void)writeMonitorSelection(ini, m_app.monitor().items(), m_app.monitor().selection());
}

void MonitorTools::beforeDataSetClose()
{
    storeSelection();
    m_app.monitor().stop();
    closeDialog();
}

void MonitorTools::updateFrame()
{
    m_frame.updateCommandStates();
}

} // namespace zlm
