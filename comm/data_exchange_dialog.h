#pragma once
// The modal "Data Exchange" dialog: the result log above a row of buttons
// (Read, Write, Verify, Clear, Close) and the status text. The work is done by
// the DataExchange session; the dialog only shows its state.
#include "base/app_settings.h"
#include "comm/data_exchange.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zlm {

class DataExchangeDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataExchangeDialog)
public:
    // `ask` defaults to the three modal choice dialogs.
    DataExchangeDialog(EcuDataSet& data, Prompts& prompts, EcuImageTransfer& ecu,
                       const AppSettings& settings, const std::string& dataDirectory, bool portOpen,
                       QWidget* parent = nullptr, DataExchange::ChoiceAsker ask = {});
    ~DataExchangeDialog() override;

    DataExchange& session() { return *m_session; }
    QPushButton* button(ExchangeButton which) const;
    QPlainTextEdit* logView() const { return m_log; }
    QLabel* statusLabel() const { return m_status; }

    // Called once after a write into the edit data, so the views redraw at once.
    std::function<void()> onEditDataWritten;

    // The check box "Read back and compare after writing" (off until set); the
    // caller remembers its state, told through onReadBackChanged.
    void setReadBackAfterWrite(bool on);
    QCheckBox* readBackBox() const { return m_readBack; }
    std::function<void(bool on)> onReadBackChanged;

private:
    void run(void (DataExchange::*step)());
    void refresh();

    std::unique_ptr<DataExchange> m_session;
    QPlainTextEdit* m_log = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_read = nullptr;
    QPushButton* m_write = nullptr;
    QPushButton* m_verify = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_close = nullptr;
    QCheckBox* m_readBack = nullptr;
};

} // namespace zlm
