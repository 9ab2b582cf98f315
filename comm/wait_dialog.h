#pragma once
// The small modeless window shown while the tool waits for the ECU: a title
// line ("Read from ECU", "( 1234 ) = 5A", ...) and a progress line that starts
// as "Wait...". The protocol drives it through the WaitWindow interface.
#include "comm/ecu_protocol.h"

#include <QPointer>
#include <QWidget>

class QLabel;

namespace zlm {

class WaitDialog final : public WaitWindow {
public:
    // The window is created on open() as a tool window of `parent`.
    explicit WaitDialog(QWidget* parent) : m_parent(parent) {}
    ~WaitDialog() override;
    WaitDialog(const WaitDialog&) = delete;
    WaitDialog& operator=(const WaitDialog&) = delete;

    void open(const std::string& title) override;
    bool progress(const std::string& line) override;
    void close() override;

    // The window while it is open (for tests and screenshots).
    QWidget* window() const { return m_window; }

private:
    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_window;
    QLabel* m_title = nullptr;
    QLabel* m_progress = nullptr;
};

} // namespace zlm
