#pragma once
// Connects the editing tools' dialogs and the map link to the main frame: the
// menu dialog (after every Open and by F1), Multi Map Edit, the link label
// look-up, the title editor, and the RS232C and Directory dialogs. Lives as
// long as the frame.
#include <QObject>

#include <optional>
#include <string>

namespace zlm {

class CMainFrame;
class CVexApp;

class FrameDialogs final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrameDialogs)
public:
    FrameDialogs(CMainFrame& frame, CVexApp& app);
    ~FrameDialogs() override;

    // The dialogs, as the frame's commands run them.
    std::optional<int> runMenu();
    std::optional<std::string> runMultiMapEdit();
    void runRs232c();
    void runDirectory();
    void runTitleEditor();

private:
    // The link was cleared: the Label list holds every map name again.
    void showMapNames();
    void redrawWindowsSoon();

    CMainFrame& m_frame;
    CVexApp& m_app;
    bool m_redrawPending = false;
};

} // namespace zlm
