#pragma once
// The live monitor's poller: while monitoring runs (the port open with the
// 100 ms timer), each timer tick runs one step that sends one item's request
// byte or takes one byte of its answer, and shows the converted value in the
// item's row. An item that does not answer within 10 ticks shows "Error" and
// the poller moves on.
//
// The line is shared with the foreground exchanges: while the link's busy
// flag is set the poller starts no new request and clears the link's
// monitor-active flag, which a single-value write waits for.
#include "comm/diag_item.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

namespace zlm {

class EcuProtocol;
class SerialLink;

// Where the values go: the Monitor dialog's value fields.
class MonitorDisplay {
public:
    virtual ~MonitorDisplay() = default;
    // Row `row` (0..14) of the Monitor list shows `text`.
    virtual void showValue(int row, const std::string& text) = 0;
};

// Ticks an answer may take: one second.
inline constexpr int kMonitorReload = 10;
inline constexpr std::string_view kMonitorTag = "Monitor";
inline constexpr std::string_view kMonitorError = "Error";

class MonitorPoller {
public:
    explicit MonitorPoller(SerialLink& link);
    MonitorPoller(const MonitorPoller&) = delete;
    MonitorPoller& operator=(const MonitorPoller&) = delete;

    // The items of the definition, rebuilt on every load; the Monitor list
    // (item indices in row order) starts as the first 15.
    void setItems(std::vector<DiagItem> items);
    const std::vector<DiagItem>& items() const { return m_items; }
    const std::vector<int>& selection() const { return m_selection; }
    void setSelection(std::vector<int> selection);

    // The Monitor dialog while it is shown (nullptr: not shown). Polling only
    // runs while it is shown.
    void setDisplay(MonitorDisplay* display) { m_display = display; }
    bool displayShown() const { return m_display != nullptr; }

    // Start: the ECU check (a failure gives its message with the caption
    // "RS232C Parameter Set"), then the port opened with the timer ("Failed
    // open RS232C port" when it cannot be). Polling starts at the next tick.
    Status start(EcuProtocol& protocol);
    // Stop: an answer in flight is read on (at most as many steps as the
    // countdown had left, each waiting one driver time-out), then the port closes.
    void stop();
    bool running() const;

    // One poll step; the link's timer tick runs it.
    void step();

    // The poll state, for tests.
    bool inFlight() const { return m_inFlight.has_value(); }
    std::size_t pollIndex() const { return m_pollIndex; }

private:
    void show(std::optional<std::size_t> row, const std::string& text);

    SerialLink& m_link;
    std::vector<DiagItem> m_items;
    std::vector<int> m_selection;
    MonitorDisplay* m_display = nullptr;
    // The item whose answer is awaited, and its row; no row once the Monitor
    // list changed under it (its answer is still read, so that it cannot pass
    // for the next item's).
    struct InFlight {
        std::size_t item = 0;
        std::optional<std::size_t> row;
    };
    std::optional<InFlight> m_inFlight;
    int m_received = 0;
    std::uint8_t m_answer[2] = {};
    std::size_t m_pollIndex = 0;
};

} // namespace zlm
