#pragma once
// The modal "Directory" dialog: the data folder, chosen from the eight most
// recent ones, typed, or picked with "&Browse..." in the platform's folder
// picker. OK stores the list in the settings file (comm/directory_list.h).
#include <QDialog>

#include <string>
#include <vector>

class QComboBox;

namespace zlm {

class IniFile;
class Prompts;

class DirectoryDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DirectoryDialog)
public:
    // `fontPixels`: the program's dialog font size, used for the folder field.
    DirectoryDialog(IniFile& ini, Prompts& prompts, int fontPixels, QWidget* parent = nullptr);
    ~DirectoryDialog() override;

    // After OK: the new data folder.
    const std::string& chosen() const { return m_chosen; }
    QComboBox* pathList() const { return m_paths; }
    void browse();

public slots:
    void accept() override;

private:
    IniFile& m_ini;
    Prompts& m_prompts;
    QComboBox* m_paths = nullptr;
    std::vector<std::string> m_list;
    std::string m_chosen;
};

} // namespace zlm
