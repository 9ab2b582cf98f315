#pragma once
// The first page of the installer, "Welcome": what is about to be installed,
// with "Next >" to go on and "Cancel" to quit.
#include <QDialog>

class QLabel;
class QPushButton;

namespace zlm::setup {

class WelcomePage final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WelcomePage)
public:
    explicit WelcomePage(QWidget* parent = nullptr);

    QPushButton* nextButton() const { return m_next; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QPushButton* m_next = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace zlm::setup
