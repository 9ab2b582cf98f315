#include "comm/monitor_poller.h"

#include "comm/ecu_protocol.h"
#include "comm/serial_link.h"
#include "res/string_table.h"

namespace zlm {
namespace {

constexpr int kCaptionId = 2005;  // "RS232C Parameter Set"
constexpr int kOpenFailedId = 1518; // "Failed open RS232C port"

// Why the monitor cannot start; a port that another program has is named as
// the reason.
Message startMessage(int id, const SerialLink& link)
{
    Message message = messageFor(id, Icon::Exclamation, std::string(loadString(kCaptionId)));
    message.text += link.portInUseNote();
    return message;
}

} // namespace

MonitorPoller::MonitorPoller(SerialLink& link)
    : m_link(link)
{ }

void MonitorPoller::setItems(std::vector<DiagItem> items)
{
    m_items = std::move(items);
    m_selection = defaultMonitorSelection(m_items);
    m_inFlight.reset();
    m_pollIndex = 0;
}

void MonitorPoller::setSelection(std::vector<int> selection)
{
    std::erase_if(selection, [this](int i) { return i < 0 || i >= static_cast<int>(m_items.size()); });
    m_selection = std::move(selection);
    if (m_inFlight)
        m_inFlight->row.reset();
    m_pollIndex = 0;
}

bool MonitorPoller::running() const
{
    return m_link.isOpen() && m_link.timerRunning();
}

Status MonitorPoller::start(EcuProtocol& protocol)
{
    if (const int check = protocol.EcuCheckCommand(); check != 0)
        return startMessage(check, m_link);
    if (!m_link.Open(true))
        return startMessage(kOpenFailedId, m_link);
    m_inFlight.reset();
    m_pollIndex = 0;
    return Status::success();
}

void MonitorPoller::stop()
{
    // The answer in flight may still come: read on for as long as it had left.
    for (int left = m_link.timeOut(); m_inFlight && left > 0; --left)
        step();
    m_inFlight.reset();
    m_link.Close();
}

void MonitorPoller::show(std::optional<std::size_t> row, const std::string& text)
{
    if (m_display && row && *row < static_cast<std::size_t>(kMonitorRows))
        m_display->showValue(static_cast<int>(*row), text);
}

void MonitorPoller::step()
{
    if (m_inFlight) {
        const DiagItem& item = m_items[m_inFlight->item];
        std::uint8_t byte = m_answer[m_received < 2 ? m_received : 1];
        const IoResult r = m_link.ReadFile(byte, kMonitorTag);
        bool ended = false;
        if (r.ok && r.count == 1) {
            m_answer[m_received < 2 ? m_received : 1] = byte;
            ++m_received;
            if (m_received >= item.size) {
                m_link.setTimeOut(kMonitorReload);
                const std::uint32_t raw = item.size == 2
                    ? static_cast<std::uint32_t>(m_answer[0]) * 256u + m_answer[1]
                    : m_answer[0];
                show(m_inFlight->row, monitorValueText(monitorValue(item, raw)));
                ended = true;
            }
        }
        // Only a read that brought nothing ends the item at the allowance: a
        // byte that came late (the window stalled past the second) is part of
        // the answer, and ending there would leave the rest of it on the line
        // to pass for the next row's answer.
        if (!ended && (!r.ok || (r.count == 0 && m_link.timeOut() <= 0))) {
            m_link.ClearCommError();
            if (m_link.isOpen())
                show(m_inFlight->row, std::string(kMonitorError));
            ended = true;
        }
        if (ended) {
            // An item of an older list leaves the new one to start at its first row.
            if (m_inFlight->row)
                ++m_pollIndex;
            m_inFlight.reset();
        }
        return;
    }
    if (!m_link.isOpen())
        return;
    if (m_link.busy) {
        m_link.monitorActive = false;
        return;
    }
    m_link.monitorActive = true;
    if (m_display && m_pollIndex < m_selection.size()) {
        const DiagItem& item = m_items[static_cast<std::size_t>(m_selection[m_pollIndex])];
        m_received = 0;
        m_inFlight = InFlight { static_cast<std::size_t>(m_selection[m_pollIndex]), m_pollIndex };
        m_link.WriteFile(item.number, kMonitorTag);
        m_link.setTimeOut(kMonitorReload);
    } else {
        m_pollIndex = 0;
    }
}

} // namespace zlm
