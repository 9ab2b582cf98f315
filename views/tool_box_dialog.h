#pragma once
// The "About ToolBox" dialog of the Help menu: each edit-bar button's icon with
// its name, and an OK button. Modal.
#include <QDialog>

namespace zlm {

class ToolBoxDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolBoxDialog)
public:
    explicit ToolBoxDialog(QWidget* parent = nullptr);
    ~ToolBoxDialog() override;
};

} // namespace zlm
