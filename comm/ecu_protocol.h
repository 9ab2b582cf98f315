#pragma once
// Every exchange between the tool and the ECU on the serial link: the
// identification check, the single-value writes, the image read and write as
// S1 records, and the decoders for what an image read brought.
//
// The ECU echoes every byte of a command; the tool checks each echo before it
// sends the next byte. When the ECU sends its image the roles swap and the
// tool echoes every byte it receives. All waiting happens on the calling
// thread: after every read that brings nothing, and at least every
// kDispatchInterval while bytes flow, the protocol calls the pump handed in,
// which dispatches pending window messages (among them the 100 ms timer that
// drives the monitor), so the windows stay alive during a transfer. The
// waits themselves are deadlines on the link's monotonic clock (m_timeOut).
#include "base/app_settings.h"
#include "comm/serial_link.h"
#include "base/line_list.h"
#include "base/result.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

namespace ecu {
inline constexpr std::uint8_t kIdentify = 0xBF;
inline constexpr std::uint8_t kWriteByte = 0x53; // "S"
inline constexpr std::uint8_t kWriteWord = 0x73; // "s"
inline constexpr std::uint8_t kImage = 0x4C; // "L"
inline constexpr std::uint8_t kImageRead = 0x52; // "R"
inline constexpr std::uint8_t kImageWrite = 0x57; // "W"
inline constexpr std::string_view kEndRecord = "S9030000FC";
// m_timeOut reload (ticks) of the single-value writes' echo wait.
inline constexpr int kSingleWriteReload = 50;
// The most an image read can bring: every address of 0x0000 to 0xFFFF as
// 16-byte S1 records (42 characters each) and the end record. A read that
// has received more comes from an ECU that does not stop: it fails.
inline constexpr std::size_t kMaxImageText = 0x10000 / 16 * 42 + 10;

inline constexpr int kNoResponseId = 1524; // "No response from ECU."
inline constexpr int kTypeDifferentId = 1542; // "ECU type is different."
inline constexpr std::string_view kFailedToCorrespond = "Failed to correspond with ECU.";
inline constexpr std::string_view kReadErrorAddress = "Read Error Address : ";
inline constexpr std::string_view kWriteErrorAddress = "Write Error Address : ";
inline constexpr std::string_view kDataExchangeCaption = "Data Exchange";
inline constexpr std::string_view kWriteToEcuCaption = "Write to ECU";
inline constexpr std::string_view kReadFromEcuTitle = "Read from ECU";
inline constexpr std::string_view kWait = "Wait...";
} // namespace ecu

// The small modeless window shown while an exchange runs: a title line and a
// progress line that starts as "Wait...". The Qt side implements it.
class WaitWindow {
public:
    virtual ~WaitWindow() = default;
    virtual void open(const std::string& title) = 0;
    // A new progress line; false when the user asked to stop.
    virtual bool progress(const std::string& line) = 0;
    virtual void close() = 0;
};

// An image as the decoders give it: `bytes` starts at `start`.
struct DecodedImage {
    std::uint16_t start = 0;
    std::vector<std::uint8_t> bytes;
    bool checksumOk = true; // strict decoder: every record's checksum matched
    std::size_t length() const { return bytes.size(); }
    // Address one past the last byte (up to 0x10000).
    std::uint32_t end() const { return start + static_cast<std::uint32_t>(bytes.size()); }
};

// Records for `bytes` starting at `start`, up to 16 data bytes each, the first
// at `start` itself, then "S9030000FC". Empty when the image would run past
// address 0xFFFF.
std::vector<std::string> encodeImage(std::uint16_t start, std::span<const std::uint8_t> bytes);

// Decoder for a complete read: every S1 record up to the "S9" record must be
// well formed (even length, hex digits, a count that matches what the record
// carries, data inside the 64 KiB address space). Noise before the first S1
// record is skipped. A record checksum mismatch only clears checksumOk.
// Nothing when the text holds no usable image.
std::optional<DecodedImage> decodeStrict(std::string_view received);

// Decoder for a failed read: keeps what arrived up to the first record that
// is not S1, a record cut short giving the bytes it carried. Its end() is the
// error address to report. Nothing when no data byte can be placed.
std::optional<DecodedImage> decodeLenient(std::string_view received);

// What an image read did.
struct ReadEcuResult {
    enum class Outcome { Complete, CheckFailed, Failed };
    Outcome outcome = Outcome::Failed;
    int checkMessageId = 0; // CheckFailed: 1524 or 1542
    std::string received; // every byte that arrived, in order
    // Complete: the strict decode, nothing when it failed or was empty.
    // Failed: the lenient decode of what arrived (the partial image).
    std::optional<DecodedImage> image;
    // What to show (caption "Data Exchange", exclamation icon): the check
    // failure, or "Failed to correspond with ECU." with the error address
    // when part of the image arrived. Nothing after a complete read.
    std::optional<Message> message;
    bool ok() const { return outcome == Outcome::Complete && image && image->length() > 0; }
};

// What an image write did.
struct WriteEcuResult {
    bool ok = false;
    int answer = -1; // the ECU's answer byte, -1 when none arrived
    // On success: the "Error Message" text of the answer (caption "Write to
    // ECU", information icon), when a line matched. On failure: the message.
    std::optional<Message> message;
};

class EcuProtocol {
public:
    using Pump = std::function<void()>;

    // `settings` supplies the expected ECU type and "ReadEcuNum"; `pump`
    // dispatches one pending window message (may be empty).
    EcuProtocol(SerialLink& link, const AppSettings& settings, Pump pump);

    // The wait window of the single-value writes and the image transfers;
    // nullptr shows nothing.
    void setWaitWindow(WaitWindow* window) { m_wait = window; }

    // Asked before every byte of an exchange: true stops it as failed (the
    // command line's Ctrl+C). Empty: never.
    void setStopRequest(std::function<bool()> stop) { m_stop = std::move(stop); }

    // The line the exchanges run on.
    SerialLink& link() const { return m_link; }

    // Characters an image read may bring before it fails (kMaxImageText;
    // tests lower it).
    void setReceiveLimit(std::size_t chars) { m_receiveLimit = chars; }

    // 0 when the ECU answers the expected type or the check is off, else
    // 1524 ("No response from ECU.") or 1542 ("ECU type is different.").
    int EcuCheckCommand();

    // Sends one byte; true when the ECU echoed exactly it within one driver
    // time-out. `reload` is loaded into m_timeOut after sending: 50 in the
    // single-value writes, T in the image transfers.
    bool OutComm(std::uint8_t byte, int reload = ecu::kSingleWriteReload);

    // Writes one byte ("S") or one word ("s", high byte first) into the
    // running ECU. The failure carries the message to show.
    Status SCommand(std::uint16_t address, std::uint8_t value);
    Status SCommandWord(std::uint16_t address, std::uint16_t value);

    // Reads the ECU's calibration image. The caller shows the wait window
    // (title "Read from ECU") around the call; ReadEcu updates its progress line.
    ReadEcuResult ReadEcu();

    // Writes an image; `definition` supplies the "Error Message" section. An
    // empty image succeeds without any exchange.
    WriteEcuResult WriteEcu(
        std::uint16_t start, std::span<const std::uint8_t> bytes, const LineList& definition);

private:
    Status singleWrite(const std::string& title, std::span<const std::uint8_t> frame);
    bool InComm(std::string& received);
    int InCommAt();
    bool progress(const std::string& line);
    // The message of a failed identification or single write (1524 or 1542);
    // "No response from ECU." also says when another program has the port.
    Message noResponseMessage(int id, Icon icon, std::string caption = {}) const;
    bool stopRequested() const { return m_stop && m_stop(); }
    int timeoutSetting() const { return m_link.settings().timeoutMs; }

    // Hands the pump to the link as its dispatcher for one exchange.
    class DispatchScope;

    SerialLink& m_link;
    const AppSettings& m_settings;
    Pump m_pump;
    WaitWindow* m_wait = nullptr;
    std::function<bool()> m_stop;
    std::size_t m_receiveLimit = ecu::kMaxImageText;
};

// The "Error Message" text for an image write's answer byte: the first line of
// the section longer than two characters whose first character is the byte and
// whose second is ","; nothing when no line matches.
std::optional<std::string> errorMessageFor(const LineList& definition, std::uint8_t answer);

} // namespace zlm
