#pragma once
// The modeless "Monitor" dialog: one row per item of the Monitor list (name,
// read-only value field, unit), at most 15, and the "St&art"/"St&op" button.
// The poller writes the values through MonitorDisplay. The dialog only shows;
// the owner (MonitorTools) starts and stops monitoring and remembers where
// the dialog stood.
#include "comm/monitor_poller.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zlm {

class MonitorDialog final : public QDialog, public MonitorDisplay {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MonitorDialog)
public:
    static constexpr int kFontPixels = 14;

    // Rows for `selection` (indices into `items`); the button reads "St&op"
    // when `running`, else "St&art".
    MonitorDialog(const std::vector<DiagItem>& items, const std::vector<int>& selection,
                  bool running, QWidget* parent = nullptr);
    ~MonitorDialog() override;

    void setRunning(bool running);
    void showValue(int row, const std::string& text) override;

    int rowCount() const { return m_rows; }
    QLabel* nameLabel(int row) const { return m_names[row]; }
    QLineEdit* valueField(int row) const { return m_values[row]; }
    QLabel* unitLabel(int row) const { return m_units[row]; }
    QPushButton* startStopButton() const { return m_startStop; }

    // The start/stop button was pressed.
    std::function<void()> onStartStop;
    // Enter: the focus goes back to the main window.
    std::function<void()> onEnter;
    // The dialog closes (Escape, the close box, or the owner): it has
    // remembered nothing itself; the owner takes its position from here.
    std::function<void(QPoint topLeft)> onClosing;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    int m_rows = 0;
    QLabel* m_names[kMonitorRows] = {};
    QLineEdit* m_values[kMonitorRows] = {};
    QLabel* m_units[kMonitorRows] = {};
    QPushButton* m_startStop = nullptr;
    QPushButton* m_close = nullptr; // the template's own "&Close", not shown
    bool m_closing = false;
};

} // namespace zlm
