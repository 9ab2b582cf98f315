#include "setup/destination_page.h"

#include "setup/folder_browser.h"
#include "setup/folder_rule.h"
#include "setup/installer.h"
#include "setup/page_layout.h"
#include "setup/setup_texts.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zlm::setup {

namespace {

// The wait cursor is for the page; a message box shown meanwhile gets the arrow.
class ArrowForMessages final : public Prompts {
public:
    explicit ArrowForMessages(Prompts& prompts)
        : m_prompts(prompts)
    { }
    Answer message(
        const std::string& text, const std::string& caption, Icon icon, Buttons buttons) override
    {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const Answer answer = m_prompts.message(text, caption, icon, buttons);
        QApplication::restoreOverrideCursor();
        return answer;
    }
    std::optional<std::string> chooseFile(const FileDialogRequest& request) override
    {
        return m_prompts.chooseFile(request);
    }
    std::optional<std::string> chooseFolder(
        const std::string& title, const std::string& initialFolder) override
    {
        return m_prompts.chooseFolder(title, initialFolder);
    }

private:
    Prompts& m_prompts;
};

} // namespace

DestinationPage::DestinationPage(const SetupPlaces& places, Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , m_places(places)
    , m_prompts(prompts)
    , m_browser(
          [&prompts](QWidget* parent, const std::string& folder) -> std::optional<std::string> {
              FolderBrowser browser(prompts, folder, parent);
              if (browser.exec() != QDialog::Accepted)
                  return std::nullopt;
              return browser.folder();
          })
{
    setWindowTitle(QString::fromUtf8(kCaption.data(), static_cast<qsizetype>(kCaption.size())));

    auto* text = new QVBoxLayout;
    text->addWidget(
        pageLine(this, withProduct("Setup will install %1 in the following folder."), "line1013"));
    text->addSpacing(12);
    text->addWidget(pageLine(this, "To install to this folder,click Install."));
    text->addSpacing(12);
    text->addWidget(
        pageLine(this, "To install to a different folder,click Browse and select another folder."));
    text->addSpacing(12);
    text->addWidget(pageLine(this,
        withProduct("You can choose not to install %1 by clicking Cancel to exit Setup."),
        "line1014"));
    text->addSpacing(16);
    text->addStretch(1);

    auto* group = new QGroupBox(QStringLiteral("Destination Folder"), this);
    m_folder = new QLineEdit(QString::fromStdString(places.proposedFolder), group);
    m_folder->setObjectName(QStringLiteral("text1003"));
    m_folder->setReadOnly(true);
    m_folder->setMinimumWidth(360);
    m_browse = new QPushButton(QStringLiteral("B&rowse..."), group);
    auto* row = new QHBoxLayout(group);
    row->addWidget(m_folder, 1);
    row->addWidget(m_browse);
    text->addWidget(group);
    text->addSpacing(10);

    m_progressLabel = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, kProgressTotalSteps * kProgressStepSize);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progressLabel->hide();
    m_progress->hide();
    // The bar's room is kept while it is hidden, so the page does not jump.
    for (QWidget* w :
        { static_cast<QWidget*>(m_progressLabel), static_cast<QWidget*>(m_progress) }) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    text->addWidget(m_progressLabel);
    text->addWidget(m_progress);

    m_install = new QPushButton(QStringLiteral("&Install"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_install->setDefault(true);
    connect(m_browse, &QPushButton::clicked, this, &DestinationPage::browse);
    connect(m_install, &QPushButton::clicked, this, &DestinationPage::install);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    layOutPage(this, text, { m_install, m_cancel });
}

std::string DestinationPage::folder() const
{
    return m_folder->text().toStdString();
}

void DestinationPage::setFolder(const std::string& folder)
{
    m_folder->setText(QString::fromStdString(folder));
}

void DestinationPage::browse()
{
    if (const auto chosen = m_browser(this, folder()))
        setFolder(*chosen);
}

void DestinationPage::install()
{
    const std::string destination = folder();
    const FolderCheck check = checkFolder(destination, true);
    if (check != FolderCheck::Valid) {
        m_prompts.message(folderMessage(check == FolderCheck::Invalid ? texts::kFolderInvalid
                                                                      : texts::kFolderNotCreated,
                              destination),
            std::string(kCaption), Icon::Exclamation);
        m_browse->setFocus();
        return;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_progressLabel->setText(QString::fromUtf8(texts::kCopyingFiles.data()));
    m_progressLabel->show();
    m_progress->setValue(0);
    m_progress->show();
    ArrowForMessages prompts(m_prompts);
    Installer installer(m_places, prompts);
    const bool done = installer.install(destination, [this](int steps) {
        m_progress->setValue(
            std::min(m_progress->maximum(), m_progress->value() + steps * kProgressStepSize));
        // Only painting: a click now would start a second installation.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    endProgress();
    QApplication::restoreOverrideCursor();
    if (!done) {
        m_progress->setValue(0);
        m_browse->setFocus();
        return;
    }
    m_prompts.message(withProduct(texts::kFinished), std::string(kCaption), Icon::Information);
    accept();
}

void DestinationPage::endProgress()
{
    m_progress->hide();
    m_progressLabel->hide();
    m_progressLabel->clear();
}

} // namespace zlm::setup
