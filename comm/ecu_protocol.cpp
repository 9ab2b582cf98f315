#include "comm/ecu_protocol.h"

#include "data/srecord.h"
#include "res/string_table.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <thread>

namespace zlm {
namespace {

constexpr std::uint32_t kAddressSpace = 0x10000;

// The received text split into records: the first byte opens the first
// record whatever it is, every later "S" opens a new one.
std::vector<std::string_view> splitRecords(std::string_view s)
{
    std::vector<std::string_view> records;
    if (s.empty())
        return records;
    std::size_t begin = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] == 'S') {
            records.push_back(s.substr(begin, i - begin));
            begin = i;
        }
    }
    records.push_back(s.substr(begin));
    return records;
}

// Pairs of hex digits; a trailing odd digit (a record cut short) is ignored.
bool hexPairs(std::string_view digits, std::vector<std::uint8_t>& bytes)
{
    return srec::decodeHexPairs(digits.substr(0, digits.size() & ~std::size_t{1}), bytes);
}

std::string hex4(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

std::string percentLine(long long part, long long whole)
{
    long long percent = whole > 0 ? part * 100 / whole : 100;
    percent = std::min<long long>(percent, 100);
    return std::string(ecu::kWait) + std::to_string(percent) + "%";
}

Message exchangeMessage(std::string text)
{
    return Message { 0, std::move(text), Icon::Exclamation,
        std::string(ecu::kDataExchangeCaption) };
}

// Closes the port on leaving when this exchange opened it.
class PortScope {
public:
    PortScope(SerialLink& link, bool startTimer)
        : m_link(link)
    {
        if (!link.isOpen())
            m_opened = link.Open(startTimer);
    }
    ~PortScope()
    {
        if (m_opened)
            m_link.Close();
    }
    PortScope(const PortScope&) = delete;
    PortScope& operator=(const PortScope&) = delete;

private:
    SerialLink& m_link;
    bool m_opened = false;
};

} // namespace

// --- encoder and decoders --------------------------------------------------------

std::vector<std::string> encodeImage(std::uint16_t start, std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return { std::string(ecu::kEndRecord) };
    if (start + bytes.size() > kAddressSpace)
        return {};
    return srec::encodeRange(start, bytes, static_cast<std::uint16_t>(start + bytes.size() - 1));
}

std::optional<DecodedImage> decodeStrict(std::string_view received)
{
    struct Record {
        std::uint32_t address;
        std::vector<std::uint8_t> data;
    };
    const auto records = splitRecords(received);
    if (records.empty())
        return std::nullopt;

    std::vector<Record> kept;
    std::uint32_t lowest = 0;
    std::uint32_t end = 0;
    bool seen = false;
    bool ended = false;
    bool checksumOk = true;
    std::vector<std::uint8_t> bytes;
    for (const std::string_view r : records) {
        if (r.size() <= 9 || r[0] != 'S' || (r[1] != '1' && r[1] != '9')) {
            if (seen)
                return std::nullopt;
            continue; // leading noise
        }
        if (r[1] == '9') {
            ended = true;
            break;
        }
        if (r.size() % 2 != 0 || !hexPairs(r.substr(2), bytes))
            return std::nullopt;
        const std::uint32_t count = bytes[0];
        // The count must describe the record: address, checksum, and no more
        // data than the record carries.
        if (count < 3 || bytes.size() < count + 1)
            return std::nullopt;
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            sum += bytes[i];
        if (static_cast<std::uint8_t>(~sum) != bytes.back())
            checksumOk = false;
        const std::uint32_t address = bytes[1] * 256u + bytes[2];
        const std::uint32_t recordEnd = address + count - 3;
        if (recordEnd > kAddressSpace)
            return std::nullopt;
        lowest = seen ? std::min(lowest, address) : address;
        end = std::max(end, recordEnd);
        seen = true;
        kept.push_back(
            { address, std::vector<std::uint8_t>(bytes.begin() + 3, bytes.begin() + count) });
    }
    // Addresses are wider than 16 bits: an image may end at 0xFFFF.
    if (!ended || !seen || lowest >= end)
        return std::nullopt;

    DecodedImage image;
    image.start = static_cast<std::uint16_t>(lowest);
    image.checksumOk = checksumOk;
    image.bytes.assign(end - lowest, 0);
    for (const Record& rec : kept)
        std::copy(rec.data.begin(), rec.data.end(), image.bytes.begin() + (rec.address - lowest));
    return image;
}

std::optional<DecodedImage> decodeLenient(std::string_view received)
{
    struct Record {
        long long address;
        std::vector<std::uint8_t> data;
    };
    std::vector<Record> kept;
    long long lowest = std::numeric_limits<long long>::max();
    long long reach = std::numeric_limits<long long>::min();
    long long room = 0;
    std::vector<std::uint8_t> bytes;
    for (const std::string_view r : splitRecords(received)) {
        if (r.size() < 9 || r.substr(0, 2) != "S1")
            break;
        if (!hexPairs(r.substr(2), bytes))
            return std::nullopt;
        const long long d = static_cast<long long>(bytes.size());
        const long long c = bytes[0];
        const long long address = bytes[1] * 256 + bytes[2];
        // A record cut short (or one whose count claims more than it carries)
        // gives the data bytes that did arrive; they end at its reach.
        long long dataCount = 0;
        if (d < c) {
            dataCount = d - 3;
            reach = std::max(reach, address + dataCount);
        } else {
            dataCount = std::max(c - 3, 0LL);
            reach = std::max(reach, address + c - 4);
        }
        lowest = std::min(lowest, address);
        kept.push_back({ address,
            std::vector<std::uint8_t>(bytes.begin() + 3, bytes.begin() + 3 + dataCount) });
        room = std::max(room, address + dataCount);
    }
    if (kept.empty() || reach == 0 || reach <= lowest)
        return std::nullopt;

    DecodedImage image;
    image.start = static_cast<std::uint16_t>(lowest);
    image.bytes.assign(static_cast<std::size_t>(std::max(room, reach) - lowest), 0);
    for (const Record& rec : kept)
        std::copy(rec.data.begin(), rec.data.end(), image.bytes.begin() + (rec.address - lowest));
    // The image cannot run past the address space.
    const long long length = std::min<long long>(reach, kAddressSpace) - lowest;
    image.bytes.resize(static_cast<std::size_t>(length));
    return image;
}

std::optional<std::string> errorMessageFor(const LineList& definition, std::uint8_t answer)
{
    const int header = definition.findSection("Error Message");
    if (header < 0)
        return std::nullopt;
    for (auto i = definition.nextLine(static_cast<std::size_t>(header)); i;
         i = definition.nextLine(*i)) {
        const std::string_view line = text::trim(definition.at(*i));
        if (text::sectionName(line))
            break;
        if (line.size() > 2 && static_cast<std::uint8_t>(line[0]) == answer && line[1] == ',')
            return std::string(text::trim(line.substr(2)));
    }
    return std::nullopt;
}

// --- the exchanges ---------------------------------------------------------------

class EcuProtocol::DispatchScope {
public:
    explicit DispatchScope(EcuProtocol& protocol)
        : m_link(protocol.m_link)
        , m_previous(m_link.setDispatcher(protocol.m_pump))
    { }
    ~DispatchScope() { m_link.setDispatcher(std::move(m_previous)); }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

private:
    SerialLink& m_link;
    std::function<void()> m_previous;
};

EcuProtocol::EcuProtocol(SerialLink& link, const AppSettings& settings, Pump pump)
    : m_link(link)
    , m_settings(settings)
    , m_pump(std::move(pump))
{ }

Message EcuProtocol::noResponseMessage(int id, Icon icon, std::string caption) const
{
    Message message = messageFor(id, icon, std::move(caption));
    if (id == ecu::kNoResponseId)
        message.text += m_link.portInUseNote();
    return message;
}

bool EcuProtocol::progress(const std::string& line)
{
    return m_wait ? m_wait->progress(line) : true;
}

int EcuProtocol::EcuCheckCommand()
{
    const auto expected0 = static_cast<std::uint8_t>(m_settings.ecuType[0]);
    const auto expected1 = static_cast<std::uint8_t>(m_settings.ecuType[1]);
    if (expected0 == 0) {
        m_link.ecuChecked = true;
        return 0;
    }
    // No dispatching of its own: on its own (no wait window holds input
    // back) it is three bytes within the driver time-out.
    PortScope port(m_link, false);
    m_link.setTimeOut(timeoutSetting());

    std::uint8_t first = 0;
    std::uint8_t second = 0;
    const IoResult sent = m_link.WriteFile(ecu::kIdentify, "EcuCheckCommand");
    if (sent.ok && sent.count == 1) {
        const IoResult r1 = m_link.ReadFile(first, "EcuCheckCommand1");
        if (r1.ok && r1.count == 1) {
            const IoResult r2 = m_link.ReadFile(second, "EcuCheckCommand2");
            if (r2.ok && r2.count == 1) {
                m_link.ecuChecked = first == expected0 && second == expected1;
                return m_link.ecuChecked ? 0 : ecu::kTypeDifferentId;
            }
        }
    }
    m_link.ClearCommError();
    return ecu::kNoResponseId;
}

bool EcuProtocol::OutComm(std::uint8_t byte, int reload)
{
    if (stopRequested())
        return false;
    const IoResult sent = m_link.WriteFile(byte, "OutComm");
    m_link.setTimeOut(reload);
    if (!sent.ok || sent.count != 1) {
        // A byte that did not go out cannot be echoed; a stale byte must not
        // pass for its echo.
        m_link.ClearCommError();
        return false;
    }
    std::uint8_t echo = static_cast<std::uint8_t>(~byte);
    const IoResult r = m_link.ReadFile(echo, "OutComm");
    if (r.ok && r.count == 1)
        return echo == byte;
    m_link.ClearCommError();
    return false;
}

Status EcuProtocol::SCommand(std::uint16_t address, std::uint8_t value)
{
    char title[32];
    std::snprintf(title, sizeof title, "( %04X ) = %02X", address, value);
    const std::uint8_t frame[] = { ecu::kWriteByte, static_cast<std::uint8_t>(address >> 8),
        static_cast<std::uint8_t>(address), value };
    return singleWrite(title, frame);
}

Status EcuProtocol::SCommandWord(std::uint16_t address, std::uint16_t value)
{
    char title[32];
    std::snprintf(title, sizeof title, "( %04X ) = %04X", address, value);
    const std::uint8_t frame[] = { ecu::kWriteWord, static_cast<std::uint8_t>(address >> 8),
        static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value) };
    return singleWrite(title, frame);
}

Status EcuProtocol::singleWrite(const std::string& title, std::span<const std::uint8_t> frame)
{
    if (m_wait)
        m_wait->open(title);
    DispatchScope dispatching(*this);
    m_link.busy = true;
    // Let a monitor poll in flight end first: the poller clears its flag on
    // its next tick once it sees the busy flag. Only a running timer can do
    // that; the wait is bounded by T tick periods all the same (m_timeOut
    // belongs to the poll in flight and is left alone).
    const auto waitUntil = m_link.now() + std::max(timeoutSetting(), 1) * m_link.tickPeriod();
    while (m_link.monitorActive && m_link.isOpen() && m_link.timerRunning()
        && m_link.now() < waitUntil && !stopRequested()) {
        m_link.dispatch();
        // The timer comes every tick period: no need to spin for it.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    int checkResult = 0;
    bool echoed = false;
    {
        PortScope port(m_link, true);
        if (!m_link.ecuChecked)
            checkResult = EcuCheckCommand();
        if (checkResult == 0) {
            m_link.Drain("SCommand", m_stop);
            echoed = true;
            for (const std::uint8_t byte : frame) {
                if (!OutComm(byte, ecu::kSingleWriteReload)) {
                    echoed = false;
                    break;
                }
            }
        }
    }
    m_link.busy = false;
    if (m_wait)
        m_wait->close();

    if (checkResult != 0)
        return noResponseMessage(checkResult, Icon::Exclamation);
    if (!echoed)
        return noResponseMessage(ecu::kNoResponseId, Icon::None);
    return Status::success();
}

bool EcuProtocol::InComm(std::string& received)
{
    m_link.setTimeOut(timeoutSetting());
    received.clear();
    int records = 0;
    const int expected = m_settings.readCount;
    std::uint8_t buffer = 0;
    for (;;) {
        if (stopRequested())
            return false;
        // The wait ends at the m_timeOut deadline at the latest, so that a
        // silence fails on time.
        const IoResult r = m_link.ReadFile(buffer, "InComm", m_link.timeOutDeadline());
        if (r.ok && r.count == 1) {
            const IoResult echoed = m_link.WriteFile(buffer, "InComm");
            if (!echoed.ok) {
                m_link.ClearCommError();
                return false;
            }
            received.push_back(static_cast<char>(buffer));
            m_link.setTimeOut(timeoutSetting());
            // An ECU that never stops sending cannot be sending an image.
            if (received.size() > m_receiveLimit)
                return false;
            // Type, count and address of a new record have just arrived.
            if (received.size() >= 8 && received[received.size() - 8] == 'S') {
                std::string line;
                if (expected > 0)
                    line = percentLine(++records, expected);
                else
                    line = std::string(ecu::kWait) + received.substr(received.size() - 4);
                if (!progress(line))
                    return false;
            }
            continue;
        }
        if (!r.ok) {
            // Also a hung-up line: nothing more can come.
            m_link.ClearCommError();
            return false;
        }
        if (m_link.timeOut() <= 0)
            return false;
        // Complete when the last byte that arrived ends the end record.
        if (!received.empty() && received.back() == 'C' && received.find("S9") != std::string::npos)
            return true;
        m_link.dispatch();
    }
}

ReadEcuResult EcuProtocol::ReadEcu()
{
    ReadEcuResult result;
    DispatchScope dispatching(*this);
    m_link.monitorActive = true;
    m_link.busy = true;
    bool complete = false;
    {
        PortScope port(m_link, true);
        result.checkMessageId = EcuCheckCommand();
        if (result.checkMessageId == 0) {
            m_link.Drain("ReadEcu", m_stop);
            const int t = timeoutSetting();
            if (OutComm(ecu::kImage, t) && OutComm(ecu::kImageRead, t))
                complete = InComm(result.received);
        }
    }
    m_link.busy = false;
    if (!m_link.isOpen())
        m_link.monitorActive = false; // no poller runs on a closed port

    if (result.checkMessageId != 0) {
        result.outcome = ReadEcuResult::Outcome::CheckFailed;
        result.message = noResponseMessage(
            result.checkMessageId, Icon::Exclamation, std::string(ecu::kDataExchangeCaption));
        return result;
    }
    if (complete) {
        result.outcome = ReadEcuResult::Outcome::Complete;
        result.image = decodeStrict(result.received);
        if (result.image && result.image->length() == 0)
            result.image.reset();
        return result;
    }
    result.outcome = ReadEcuResult::Outcome::Failed;
    result.image = decodeLenient(result.received);
    std::string text(ecu::kFailedToCorrespond);
    if (result.image)
        text += "\n" + std::string(ecu::kReadErrorAddress) + hex4(result.image->end());
    result.message = exchangeMessage(std::move(text));
    return result;
}

int EcuProtocol::InCommAt()
{
    m_link.setTimeOut(timeoutSetting());
    std::uint8_t answer = 0;
    for (;;) {
        if (stopRequested())
            return -1;
        const IoResult r = m_link.ReadFile(answer, "InCommAt", m_link.timeOutDeadline());
        if (r.ok && r.count == 1)
            return answer;
        if (!r.ok) {
            m_link.ClearCommError();
            return -1;
        }
        if (m_link.timeOut() <= 0)
            return -1;
        m_link.dispatch();
    }
}

WriteEcuResult EcuProtocol::WriteEcu(
    std::uint16_t start, std::span<const std::uint8_t> bytes, const LineList& definition)
{
    WriteEcuResult result;
    if (bytes.empty()) {
        result.ok = true;
        return result;
    }
    if (m_wait)
        m_wait->open(std::string(ecu::kWriteToEcuCaption));
    DispatchScope dispatching(*this);
    m_link.monitorActive = true;
    m_link.busy = true;

    int checkResult = 0;
    bool sent = false;
    std::string addressText;
    int echoedInRecord = 0;
    int dataInRecord = 0;
    {
        PortScope port(m_link, true);
        checkResult = EcuCheckCommand();
        if (checkResult == 0) {
            m_link.Drain("WriteEcu", m_stop);
            const std::vector<std::string> records = encodeImage(start, bytes);
            const int t = timeoutSetting();
            sent = !records.empty() && OutComm(ecu::kImage, t) && OutComm(ecu::kImageWrite, t);
            for (std::size_t n = 0; sent && n < records.size(); ++n) {
                const std::string& record = records[n];
                echoedInRecord = 0;
                if (record.size() < 8) {
                    sent = false;
                    break;
                }
                const bool last = record.compare(0, 2, "S9") == 0;
                addressText = last ? std::string() : record.substr(4, 4);
                // "S1", count, address, two characters per data byte, checksum.
                dataInRecord = (static_cast<int>(record.size()) - 10) / 2;
                if (!progress(percentLine(
                        static_cast<long long>(n + 1), static_cast<long long>(records.size())))) {
                    sent = false;
                    break;
                }
                for (const char c : record) {
                    if (!OutComm(static_cast<std::uint8_t>(c), t)) {
                        sent = false;
                        break;
                    }
                    ++echoedInRecord;
                }
                if (last)
                    break;
            }
            if (sent)
                result.answer = InCommAt();
        }
    }
    m_link.busy = false;
    if (!m_link.isOpen())
        m_link.monitorActive = false;
    if (m_wait)
        m_wait->close();

    if (checkResult != 0) {
        result.message = noResponseMessage(
            checkResult, Icon::Exclamation, std::string(ecu::kDataExchangeCaption));
        return result;
    }
    if (!sent || result.answer < 0) {
        // Name the data byte whose transfer failed: the record's address plus
        // the number of data bytes that got through. A failed checksum
        // character names the record's last data byte, not the byte after
        // it, which may lie outside the image.
        if (addressText.size() > 3) {
            int dataIndex = (echoedInRecord - 8) / 2;
            if (dataIndex >= 0 && dataIndex <= 15) {
                dataIndex = std::min(dataIndex, std::max(dataInRecord - 1, 0));
                const auto base = text::parseHex(addressText).value_or(0);
                addressText = hex4((base + static_cast<std::uint32_t>(dataIndex)) & 0xFFFF);
            }
        }
        result.message = exchangeMessage(std::string(ecu::kFailedToCorrespond) + "\n"
            + std::string(ecu::kWriteErrorAddress) + addressText);
        return result;
    }
    result.ok = true;
    if (const auto text = errorMessageFor(definition, static_cast<std::uint8_t>(result.answer)))
        result.message
            = Message { 0, *text, Icon::Information, std::string(ecu::kWriteToEcuCaption) };
    return result;
}

} // namespace zlm
