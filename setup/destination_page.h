#pragma once
// The second page, "ZLM-350 Setup": the destination folder with "Browse..."
// to change it and "Install" to install there. A failed installation keeps
// the page open for another try; a completed one ends it with Accepted.
#include "platform/prompts.h"
#include "setup/setup_places.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace zlm::setup {

class DestinationPage final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DestinationPage)
public:
    // Chooses a folder starting from the given one; nothing on Cancel.
    using Browser
        = std::function<std::optional<std::string>(QWidget* parent, const std::string& folder)>;

    DestinationPage(const SetupPlaces& places, Prompts& prompts, QWidget* parent = nullptr);

    // Replaces the folder browser (tests).
    void setBrowser(Browser browser) { m_browser = std::move(browser); }

    std::string folder() const;
    void setFolder(const std::string& folder);
    // "Install": installs into the folder shown; a completed installation
    // ends the page with Accepted.
    void install();
    QLineEdit* folderField() const { return m_folder; }
    QPushButton* browseButton() const { return m_browse; }
    QPushButton* installButton() const { return m_install; }
    QPushButton* cancelButton() const { return m_cancel; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* progressLabel() const { return m_progressLabel; }

private:
    void browse();
    void endProgress();

    const SetupPlaces& m_places;
    Prompts& m_prompts;
    Browser m_browser;
    QLineEdit* m_folder = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_install = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressLabel = nullptr;
};

} // namespace zlm::setup
