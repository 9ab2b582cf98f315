#pragma once
// The small modal choice dialogs of Data Exchange: "Data Read", "Data Write"
// and "Data Verify", each a group of radio buttons with OK and Cancel.
#include "comm/data_exchange.h"

#include <QDialog>
#include <optional>

class QRadioButton;

namespace zlm {

class ExchangeChoiceDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExchangeChoiceDialog)
public:
    // While the serial port is open the first choice is disabled and the
    // second one is selected instead.
    ExchangeChoiceDialog(ExchangeChoice choice, bool portOpen, QWidget* parent = nullptr);

    // The checked choice.
    ExchangeSource selected() const;

    // Runs the dialog; nothing on Cancel.
    static std::optional<ExchangeSource> ask(ExchangeChoice choice, bool portOpen, QWidget* parent);

private:
    std::vector<QRadioButton*> m_buttons;
};

} // namespace zlm
