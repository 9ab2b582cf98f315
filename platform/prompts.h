#pragma once
// Every message box, question and file or folder dialog of the program goes
// through Prompts, so each text, caption, icon and answer can be scripted in tests.
#include "base/result.h"

#include <optional>
#include <string>

namespace zlm {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    bool save = false;           // Save As rather than Open
    std::string title;           // "Open File", "Save As", ...
    std::string defaultExtension; // without the dot: "lyn"
    std::string filter;          // "Name(*.x)|*.x|All Files(*.*)|*.*||"
    std::string initialDirectory;
    std::string initialName;
};

class Prompts {
public:
    virtual ~Prompts() = default;

    // A message box; returns the button pressed. An empty caption means the
    // application title.
    virtual Answer message(const std::string& text, const std::string& caption, Icon icon,
                           Buttons buttons = Buttons::Ok) = 0;
    // A file dialog; the chosen path, or nothing on Cancel.
    virtual std::optional<std::string> chooseFile(const FileDialogRequest& request) = 0;
    // A folder browser; the chosen folder, or nothing on Cancel.
    virtual std::optional<std::string> chooseFolder(const std::string& title,
                                                    const std::string& initialFolder) = 0;

    Answer show(const Message& m, Buttons buttons = Buttons::Ok)
    {
        return message(m.text, m.caption, m.icon, buttons);
    }
};

} // namespace zlm
