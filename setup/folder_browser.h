#pragma once
// "Choose Folder": a folder tree with a "Path:" field above it. OK checks the
// typed folder by the folder rule and offers to create a missing one; the
// browser stays open on every refusal. A folder it accepts exists.
#include "platform/prompts.h"

#include <QDialog>

#include <string>

class QDialogButtonBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace zlm::setup {

class FolderBrowser final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderBrowser)
public:
    // `initialFolder` is shown in the field; the tree opens at it, or at the
    // nearest folder above it that exists.
    FolderBrowser(Prompts& prompts, const std::string& initialFolder, QWidget* parent = nullptr);

    // The accepted folder.
    std::string folder() const { return m_folder; }

    QLineEdit* pathEdit() const { return m_path; }
    QTreeView* tree() const { return m_tree; }
    QPushButton* okButton() const;

    void accept() override;

private:
    void showFolderMessage(std::string_view text, Icon icon);

    Prompts& m_prompts;
    QLineEdit* m_path = nullptr;
    QTreeView* m_tree = nullptr;
    QFileSystemModel* m_model = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    std::string m_folder;
};

} // namespace zlm::setup
