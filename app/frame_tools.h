#pragma once
// Connects the serial line and the communication tools to the main frame:
// the frame's 100 ms timer drives the link's time-out countdown, the "Data
// Exchange" command opens its dialog, and Shift+Enter in a table window sends
// the current cell to the running ECU. Lives as long as the frame.
#include "comm/wait_dialog.h"

#include <QObject>

namespace zlm {

class CMainFrame;
class CVexApp;

class FrameTools final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrameTools)
public:
    FrameTools(CMainFrame& frame, CVexApp& app);
    ~FrameTools() override;

    // The Data Exchange dialog, modal; redraws the views when it wrote into
    // the edit data.
    void openDataExchange();
    // The constants list, modal; the views redraw from the data set after it.
    void openConstantsList();
    // One-byte write of the current cell (and its linked cells) into the ECU.
    void writeCurrentCellToEcu();

    WaitDialog& waitWindow() { return m_wait; }

private:
    void redrawViews();

    CMainFrame& m_frame;
    CVexApp& m_app;
    WaitDialog m_wait;
};

} // namespace zlm
