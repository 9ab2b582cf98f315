#pragma once
// The prompts a user sees: message boxes and file and folder dialogs, each
// parented to the active window.
#include "platform/prompts.h"

#include <QStringList>

namespace zlm {

class QtPrompts final : public Prompts {
public:
    Answer message(const std::string& text, const std::string& caption, Icon icon,
        Buttons buttons = Buttons::Ok) override;
    std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(
        const std::string& title, const std::string& initialFolder) override;
};

// "Name(*.lyn)|*.lyn|All Files(*.*)|*.*||" as Qt's name filters:
// {"Name (*.lyn)", "All Files (*)"}. "*.*" becomes "*", since a file here
// need not have an extension.
QStringList qtNameFilters(const std::string& filter);

} // namespace zlm
