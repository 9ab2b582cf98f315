// The Data Exchange session's safeguards, kept apart from its own steps: the
// history of ECU images, the read-back after a write and the difference
// report after "Not same". They only add lines to the result log.
#include "comm/data_exchange.h"

#include "comm/exchange_checks.h"

namespace zlm {

void DataExchange::keepInHistory(
    std::uint16_t start, std::span<const std::uint8_t> bytes, HistoryDirection direction)
{
    if (!m_history)
        return;
    // A copy that cannot be kept is said once and never fails the exchange.
    if (const auto failure = m_history->keep(start, bytes, direction))
        m_notes += *failure + "\r\n\r\n";
}

bool DataExchange::readBackWritten()
{
    m_busy = true;
    if (onBusy)
        onBusy(true);
    const ReadBack result = readBack(
        m_ecu, m_data.definition(), m_formats, ImageRef { m_current.start, m_current.bytes });
    m_busy = false;
    if (onBusy)
        onBusy(false);
    if (result.read.message)
        m_prompts.show(*result.read.message);
    m_notes += readBackLogText(result);
    if (result.read.ok())
        keepInHistory(result.read.image->start, result.read.image->bytes, HistoryDirection::Read);
    return result.outcome == ReadBack::Outcome::Same;
}

std::string DataExchange::differenceReport() const
{
    return reportLogText(
        diffImages(m_data.definition(), m_formats, ImageRef { m_current.start, m_current.bytes },
            ImageRef { m_compare.start, m_compare.bytes }));
}

void DataExchange::flushNotes()
{
    m_log += m_notes;
    m_notes.clear();
}

} // namespace zlm
