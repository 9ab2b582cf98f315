#include "comm/data_exchange.h"

#include "data/data_file.h"
#include "data/undo_stack.h"
#include "res/string_table.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <numeric>

namespace zlm {
namespace {

constexpr const char* kCaption = "Data Exchange";
constexpr const char* kFileFilter
    = "ZLM-350 Data Files(*.lyn)|*.lyn|OBJ Format Files(*.obj)|*.obj|All Files(*.*)|*.*||";

const char* outcomeText(bool done) { return done ? "Complete" : "Fail"; }

} // namespace

ReadEcuResult ProtocolImageTransfer::readImage()
{
    if (m_wait)
        m_wait->open(std::string(ecu::kReadFromEcuTitle));
    ReadEcuResult result = m_protocol.ReadEcu();
    if (m_wait)
        m_wait->close();
    return result;
}

WriteEcuResult ProtocolImageTransfer::writeImage(std::uint16_t start,
                                                 std::span<const std::uint8_t> bytes)
{
    return m_protocol.WriteEcu(start, bytes, m_definition);
}

void ProtocolImageTransfer::holdLine(bool hold)
{
    SerialLink& link = m_protocol.link();
    if (hold && !link.isOpen())
        m_opened = link.Open(false);
    else if (!hold && m_opened) {
        m_opened = false;
        link.Close();
    }
}

int imageRows(std::uint16_t start, std::size_t length)
{
    return static_cast<int>(((start + length) >> 4) - (start >> 4));
}

std::uint8_t checksumByteFor(std::span<const std::uint8_t> bytesBeforeChecksum)
{
    const unsigned sum = std::accumulate(bytesBeforeChecksum.begin(), bytesBeforeChecksum.end(), 0u);
    return static_cast<std::uint8_t>(0x7F - (sum & 0xFF));
}

DataExchange::DataExchange(EcuDataSet& data, Prompts& prompts, EcuImageTransfer& ecu,
                           ChoiceAsker ask, std::string dataDirectory, bool portOpen)
    : m_data(data)
    , m_prompts(prompts)
    , m_ecu(ecu)
    , m_ask(std::move(ask))
    , m_dataDirectory(std::move(dataDirectory))
    , m_portOpen(portOpen)
    , m_savedModified(data.modified)
{
    m_data.fixChecksum();
}

bool DataExchange::finish()
{
    m_data.modified = m_savedModified || m_wroteEdit;
    return m_wroteEdit;
}

bool DataExchange::enabled(ExchangeButton button) const
{
    if (m_busy)
        return false;
    switch (button) {
    case ExchangeButton::Write: return m_writeEnabled;
    case ExchangeButton::Verify: return m_verifyEnabled;
    case ExchangeButton::Clear: return m_clearEnabled;
    case ExchangeButton::Read:
    case ExchangeButton::Close: return true;
    }
    return true;
}

void DataExchange::setImageButtons(bool on)
{
    m_writeEnabled = m_verifyEnabled = m_clearEnabled = on;
}

void DataExchange::warn(const std::string& text)
{
    m_prompts.message(text, kCaption, Icon::Exclamation);
}

void DataExchange::read()
{
    m_status.clear();
    const auto source = m_ask(ExchangeChoice::Read, m_portOpen);
    if (!source)
        return;
    const LoadResult result = load(m_current, *source, true);
    m_focus = ExchangeButton::Read;
    if (result == LoadResult::Cancelled)
        return;
    if (result == LoadResult::Done)
        m_currentSource = *source;

    const bool done = result == LoadResult::Done && !m_current.empty();
    char line[128];
    switch (*source) {
    case ExchangeSource::Ecu:
        std::snprintf(line, sizeof line, "Read from ECU data   --->   %s\r\n\r\n", outcomeText(done));
        m_log += line;
        break;
    case ExchangeSource::Edit:
        std::snprintf(line, sizeof line, "Read from edit data   --->   %s\r\n\r\n", outcomeText(done));
        m_log += line;
        break;
    case ExchangeSource::File:
        std::snprintf(line, sizeof line, "Read from file data   --->   %s\r\n", outcomeText(done));
        m_log += line;
        if (done)
            m_log += "  " + m_current.title + "\r\n\r\n";
        break;
    }
    flushNotes();
}

void DataExchange::write()
{
    m_status.clear();
    const auto target = m_ask(ExchangeChoice::Write, m_portOpen);
    if (!target)
        return;
    char line[128];
    if (*target == ExchangeSource::Ecu) {
        bool done = true;
        if (!m_current.empty()) {
            // The read-back follows on the line the write used: no second opening.
            const bool hold = m_readBackAfterWrite;
            if (hold)
                m_ecu.holdLine(true);
            m_busy = true;
            if (onBusy)
                onBusy(true);
            const WriteEcuResult result = m_ecu.writeImage(m_current.start, m_current.bytes);
            m_busy = false;
            setImageButtons(true);
            if (onBusy)
                onBusy(false);
            if (result.message)
                m_prompts.show(*result.message);
            done = result.ok;
            if (done)
                keepInHistory(m_current.start, m_current.bytes, HistoryDirection::Written);
            if (done && hold)
                done = readBackWritten();
            if (hold)
                m_ecu.holdLine(false);
        }
        std::snprintf(line, sizeof line, "Write to ECU data   --->   %s\r\n\r\n", outcomeText(done));
    } else {
        const bool done = writeToEdit();
        std::snprintf(line, sizeof line, "Write to edit data   --->   %s\r\n\r\n", outcomeText(done));
    }
    m_log += line;
    flushNotes();
    m_focus = ExchangeButton::Write;
}

bool DataExchange::writeToEdit()
{
    if (m_current.empty() || m_currentSource == ExchangeSource::Edit)
        return true;
    if (m_current.start != m_data.lowest) {
        warn("Address does not correspond");
        return false;
    }
    const std::size_t room = kImageSize - m_current.start;
    const std::size_t count = std::min(m_current.length(), room);
    // The whole image is stored as it is: linked maps are not mirrored.
    for (std::size_t i = 0; i < count; ++i) {
        const auto address = static_cast<std::uint16_t>(m_current.start + i);
        if (m_data.read(address) != m_current.bytes[i])
            ForgetRedoAt(m_data, address); // a Redo would overwrite the new byte
        m_data.write(address, m_current.bytes[i], false);
    }
    m_data.modified = true;
    m_wroteEdit = true;
    if (onEditDataWritten)
        onEditDataWritten();
    return true;
}

void DataExchange::verify()
{
    m_status.clear();
    const auto source = m_ask(ExchangeChoice::Verify, m_portOpen);
    if (!source)
        return;
    m_compare.partial = false;
    const LoadResult result = load(m_compare, *source, false);
    if (result == LoadResult::Cancelled)
        return;

    std::string outcome;
    if (result == LoadResult::Done && m_current.bytes == m_compare.bytes)
        outcome = "Same";
    else if (result == LoadResult::Done && !m_compare.empty())
        outcome = "Not same";
    else {
        // Also when an ECU read broke off part-way: its partial image was
        // never compared, so "Not same" would say more than is known.
        m_status.clear();
        outcome = "Fail";
    }

    char line[128];
    switch (*source) {
    case ExchangeSource::Ecu:
        std::snprintf(line, sizeof line, "Compare with ECU data   --->   %s\r\n\r\n", outcome.c_str());
        m_log += line;
        break;
    case ExchangeSource::Edit:
        std::snprintf(line, sizeof line, "Compare with edit data   --->   %s\r\n\r\n", outcome.c_str());
        m_log += line;
        break;
    case ExchangeSource::File:
        std::snprintf(line, sizeof line, "Compare with file data   --->   %s\r\n", outcome.c_str());
        m_log += line;
        m_log += "  " + m_compare.title + "\r\n\r\n";
        break;
    }
    if (outcome == "Not same")
        m_log += differenceReport();
    flushNotes();
    if (outcome != "Same")
        m_focus = ExchangeButton::Verify;
}

void DataExchange::clear()
{
    m_status.clear();
    m_current.clear();
    setImageButtons(false);
    m_log.clear();
    m_focus = ExchangeButton::Read;
}

DataExchange::LoadResult DataExchange::load(ImageSlot& slot, ExchangeSource source, bool isCurrent)
{
    if (isCurrent && !slot.empty()) {
        const Answer answer = m_prompts.message("Do you cancel current data ?", "Data Read",
                                                Icon::Question, Buttons::OkCancel);
        if (answer != Answer::Ok)
            return LoadResult::Cancelled;
        clear();
    }
    if (!isCurrent)
        slot.clear();
    switch (source) {
    case ExchangeSource::Ecu: return loadFromEcu(slot, isCurrent);
    case ExchangeSource::Edit: return loadFromEdit(slot);
    case ExchangeSource::File: return loadFromFile(slot);
    }
    return LoadResult::Failed;
}

DataExchange::LoadResult DataExchange::loadFromEcu(ImageSlot& slot, bool isCurrent)
{
    const bool write = m_writeEnabled, verify = m_verifyEnabled, clearOn = m_clearEnabled;
    m_busy = true;
    if (onBusy)
        onBusy(true);
    ReadEcuResult result = m_ecu.readImage();
    m_busy = false;
    m_writeEnabled = write;
    m_verifyEnabled = verify;
    m_clearEnabled = clearOn;
    if (onBusy)
        onBusy(false);

    if (result.message)
        m_prompts.show(*result.message);
    switch (result.outcome) {
    case ReadEcuResult::Outcome::CheckFailed:
        return LoadResult::Failed;
    case ReadEcuResult::Outcome::Complete:
        if (!result.ok())
            return LoadResult::Failed;
        slot.start = result.image->start;
        slot.bytes = std::move(result.image->bytes);
        slot.rows = imageRows(slot.start, slot.length());
        slot.title = "ECU Data";
        setImageButtons(true);
        keepInHistory(slot.start, slot.bytes, HistoryDirection::Read);
        return LoadResult::Done;
    case ReadEcuResult::Outcome::Failed:
        break;
    }
    // Keep what arrived before the failure; only Clear applies to it.
    if (result.image && !result.image->bytes.empty()) {
        slot.start = result.image->start;
        slot.bytes = std::move(result.image->bytes);
        slot.rows = imageRows(slot.start, slot.length()) + 1;
        slot.partial = true;
        slot.title = "ECU Data";
        if (isCurrent) {
            m_writeEnabled = m_verifyEnabled = false;
            m_clearEnabled = true;
        }
    }
    return LoadResult::Failed;
}

DataExchange::LoadResult DataExchange::loadFromEdit(ImageSlot& slot)
{
    if (m_data.lowest > m_data.highest)
        return LoadResult::Failed;
    const auto image = m_data.image();
    slot.start = m_data.lowest;
    slot.bytes.assign(image.begin() + m_data.lowest, image.begin() + m_data.highest + 1);
    slot.rows = imageRows(slot.start, slot.length());
    slot.title = "Edit Data  [ " + m_data.path() + " ]";
    setImageButtons(true);
    return LoadResult::Done;
}

DataExchange::LoadResult DataExchange::loadFromFile(ImageSlot& slot)
{
    FileDialogRequest request;
    request.title = "Open File";
    request.defaultExtension = "lyn";
    request.filter = kFileFilter;
    request.initialDirectory = m_dataDirectory;
    const auto path = m_prompts.chooseFile(request);
    if (!path)
        return LoadResult::Cancelled;

    ObjImage file = readObjFile(*path);
    if (file.result < 1) {
        warn("Failed to read file data");
        // A file that loads gets a fresh checksum byte below; only a file that
        // could not be used says that its records did not add up.
        if (!file.checksumOk)
            m_status = "Check Sum Error!";
        return LoadResult::Failed;
    }
    slot.start = file.start;
    slot.bytes = std::move(file.bytes);
    slot.bytes.resize(static_cast<std::size_t>(file.result) + 1);
    slot.bytes.back() = checksumByteFor(std::span(slot.bytes).first(slot.bytes.size() - 1));
    slot.rows = imageRows(slot.start, slot.length());
    slot.title = "File Data [ " + std::filesystem::path(*path).filename().string() + " ]";
    setImageButtons(true);
    return LoadResult::Done;
}

} // namespace zlm
