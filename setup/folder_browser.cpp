#include "setup/folder_browser.h"

#include "setup/folder_rule.h"
#include "setup/setup_texts.h"

#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace zlm::setup {
namespace fs = std::filesystem;

namespace {

// The folder itself when it exists, else the nearest one above it.
QString existingFolderAtOrAbove(const std::string& folder)
{
    if (folder.empty() || folder.front() != '/')
        return QStringLiteral("/");
    fs::path path(folder);
    std::error_code ec;
    while (path.has_relative_path() && !fs::is_directory(path, ec))
        path = path.parent_path();
    return QString::fromStdString(path.string());
}

} // namespace

FolderBrowser::FolderBrowser(Prompts& prompts, const std::string& initialFolder, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Choose Folder"));

    auto* title = new QLabel(QStringLiteral("Please choose the installation folder."), this);
    auto* pathLabel = new QLabel(QStringLiteral("&Path:"), this);
    m_path = new QLineEdit(QString::fromStdString(initialFolder), this);
    pathLabel->setBuddy(m_path);
    auto* treeLabel = new QLabel(QStringLiteral("&Directories:"), this);

    m_model = new QFileSystemModel(this);
    // Hidden folders too: the proposed folder lies under ~/.local.
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_model->setRootPath(QStringLiteral("/"));
    m_tree = new QTreeView(this);
    m_tree->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setHeaderHidden(true);
    m_tree->setMinimumSize(340, 260);
    treeLabel->setBuddy(m_tree);
    const QString startFolder = existingFolderAtOrAbove(initialFolder);
    m_tree->setCurrentIndex(m_model->index(startFolder));
    // The model reads folders in the background: the start is shown once the
    // folders above it are there.
    connect(m_model, &QFileSystemModel::directoryLoaded, this,
        [this, startFolder](const QString& loaded) {
            if (startFolder != loaded && !startFolder.startsWith(loaded))
                return;
            const QModelIndex start = m_model->index(startFolder);
            m_tree->expand(start);
            m_tree->scrollTo(start, QAbstractItemView::PositionAtCenter);
        });

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &FolderBrowser::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Connected after the tree has its start, so the field keeps the initial folder.
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex& current) {
            if (current.isValid())
                m_path->setText(m_model->filePath(current));
        });
    const auto enableOk = [this] { okButton()->setEnabled(!m_path->text().isEmpty()); };
    connect(m_path, &QLineEdit::textChanged, this, enableOk);
    enableOk();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(6);
    layout->addWidget(pathLabel);
    layout->addWidget(m_path);
    layout->addSpacing(4);
    layout->addWidget(treeLabel);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_buttons);
    m_path->setFocus();
}

QPushButton* FolderBrowser::okButton() const
{
    return m_buttons->button(QDialogButtonBox::Ok);
}

void FolderBrowser::showFolderMessage(std::string_view text, Icon icon)
{
    m_prompts.message(
        folderMessage(text, m_path->text().toStdString()), std::string(kCaption), icon);
}

void FolderBrowser::accept()
{
    const std::string folder = m_path->text().toStdString();
    if (folder.empty())
        return;
    if (checkFolder(folder, false) != FolderCheck::Valid) {
        showFolderMessage(texts::kFolderInvalid, Icon::Exclamation);
        m_path->setFocus();
        return;
    }
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        const Answer answer = m_prompts.message(folderMessage(texts::kFolderMissing, folder),
            std::string(kCaption), Icon::Question, Buttons::YesNo);
        if (answer != Answer::Yes) {
            m_path->setFocus();
            return;
        }
        if (checkFolder(folder, true) != FolderCheck::Valid) {
            showFolderMessage(texts::kFolderNotCreated, Icon::Exclamation);
            m_path->setFocus();
            return;
        }
    }
    m_folder = folder;
    QDialog::accept();
}

} // namespace zlm::setup
