#pragma once
// The About dialog of the Help menu ("&About LYN_R..."): the program's icon,
// its name, "Version 2.0" and an OK button. Modal.
#include <QDialog>
#include <QIcon>

class QWidget;

namespace zlm {

class CAboutDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAboutDlg)
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// Shows the About dialog modally over `parent` and returns when it is closed.
void showAboutDialog(QWidget* parent);

// The program's icon (a red badge with a checkered corner), drawn for any size.
QIcon programIcon();

} // namespace zlm
