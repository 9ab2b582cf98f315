#pragma once
// Connects the live monitor to the main frame: the Monitor menu ("&Monitor...",
// "St&art", "St&op", "&Item set..."), the Window menu's "&Monitor Dialog", the
// modeless Monitor dialog with its remembered place, and the selection stored
// in "DIAGSELECT" when the data set or the frame closes. The poller itself is
// the application's (CVexApp::monitor()). Lives as long as the frame.
#include "comm/monitor_dialog.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

namespace zlm {

class CMainFrame;
class CVexApp;

class MonitorTools final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MonitorTools)
public:
    MonitorTools(CMainFrame& frame, CVexApp& app);
    ~MonitorTools() override;

    void toggleDialog();
    void openDialog();
    void closeDialog();
    MonitorDialog* dialog() const { return m_dialog; }
    void start();
    void stop();
    void itemSet();
    // Stores the selection in "DIAGSELECT" (when there is one).
    void storeSelection();
    // The data set closes: selection stored, monitoring stopped, dialog closed.
    void beforeDataSetClose();

private:
    void updateFrame();

    CMainFrame& m_frame;
    CVexApp& m_app;
    QPointer<MonitorDialog> m_dialog;
    QPoint m_position { -1, -1 }; // -1: never shown, the default place
};

} // namespace zlm
