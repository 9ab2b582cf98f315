#pragma once
// The Data Exchange session: moves the whole calibration image between the
// ECU, the edit data (the open data set) and data or OBJ files, compares
// images, and keeps the result log the dialog shows. Plain C++: the dialog
// hands in the prompts, the ECU transfer and the choice dialogs.
#include "comm/ecu_protocol.h"
#include "comm/image_history.h"
#include "data/ecu_data_set.h"
#include "platform/prompts.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zlm {

// The ECU side of the exchange.
class EcuImageTransfer {
public:
    virtual ~EcuImageTransfer() = default;
    virtual ReadEcuResult readImage() = 0;
    virtual WriteEcuResult writeImage(std::uint16_t start, std::span<const std::uint8_t> bytes) = 0;
    // Keeps the line open from holdLine(true) to holdLine(false), so that a
    // write and the read-back after it share one opening of the port.
    virtual void holdLine(bool /*hold*/) { }
};

// The transfer through the ECU protocol: the image read inside the wait window
// "Read from ECU", the write with the definition's "Error Message" answers.
class ProtocolImageTransfer final : public EcuImageTransfer {
public:
    ProtocolImageTransfer(EcuProtocol& protocol, const LineList& definition, WaitWindow* wait)
        : m_protocol(protocol)
        , m_definition(definition)
        , m_wait(wait)
    {
    }
    ReadEcuResult readImage() override;
    WriteEcuResult writeImage(std::uint16_t start, std::span<const std::uint8_t> bytes) override;
    // Opens a closed port without the timer, so no monitor poll can start in
    // between; closes it again only when it opened it.
    void holdLine(bool hold) override;

private:
    EcuProtocol& m_protocol;
    const LineList& m_definition;
    WaitWindow* m_wait = nullptr;
    bool m_opened = false;
};

enum class ExchangeSource { Ecu = 0, Edit = 1, File = 2 };
enum class ExchangeChoice { Read, Write, Verify };

// One image slot of the dialog ("current data" or "compare data").
struct ImageSlot {
    std::uint16_t start = 0;
    std::vector<std::uint8_t> bytes;   // empty: the slot is empty
    int rows = 0;                      // 16-byte rows the image touches
    int topRow = 0;
    bool partial = false;              // what arrived before an ECU read failed
    std::string title;

    bool empty() const { return bytes.empty(); }
    std::size_t length() const { return bytes.size(); }
    void clear() { *this = ImageSlot{}; }
};

enum class ExchangeButton { Read, Write, Verify, Clear, Close };

class DataExchange {
public:
    // Asks the user which place to use; nothing on Cancel. The first choice is
    // to be disabled (and the second preselected) while `portOpen` is true.
    using ChoiceAsker = std::function<std::optional<ExchangeSource>(ExchangeChoice, bool portOpen)>;

    // Brings the edit data's checksum byte up to date and remembers the
    // modified flag, which finish() restores.
    DataExchange(EcuDataSet& data, Prompts& prompts, EcuImageTransfer& ecu, ChoiceAsker ask,
                 std::string dataDirectory, bool portOpen);

    void read();
    void write();
    void verify();
    void clear();
    // Restores the modified flag (set when the dialog wrote into the edit data).
    // Returns true when the views need a redraw.
    bool finish();

    const std::string& log() const { return m_log; }
    const std::string& status() const { return m_status; }
    bool enabled(ExchangeButton button) const;
    ExchangeButton focus() const { return m_focus; }
    const ImageSlot& current() const { return m_current; }
    const ImageSlot& compare() const { return m_compare; }
    bool wroteEditData() const { return m_wroteEdit; }
    // Called around an ECU transfer so the dialog can disable its buttons.
    std::function<void(bool busy)> onBusy;
    // Called after a write into the edit data (the views redraw at once).
    std::function<void()> onEditDataWritten;

    // Keeps a copy of every image read completely from the ECU and every image
    // written to it successfully; nullptr (the default) keeps none.
    void setHistory(ImageHistory* history) { m_history = history; }
    // After a successful write to the ECU, read the image back and compare it
    // with what was written; a difference or a failed read fails the write.
    void setReadBackAfterWrite(bool on) { m_readBackAfterWrite = on; }
    bool readBackAfterWrite() const { return m_readBackAfterWrite; }
    // The display precisions of the difference report's map values.
    void setDisplayFormats(DisplayFormats formats) { m_formats = std::move(formats); }

private:
    enum class LoadResult { Done, Failed, Cancelled };
    LoadResult load(ImageSlot& slot, ExchangeSource source, bool isCurrent);
    LoadResult loadFromEcu(ImageSlot& slot, bool isCurrent);
    LoadResult loadFromEdit(ImageSlot& slot);
    LoadResult loadFromFile(ImageSlot& slot);
    bool writeToEdit();
    void setImageButtons(bool on);
    void warn(const std::string& text);
    // data_exchange_checks.cpp: the history, the read-back and the report.
    void keepInHistory(std::uint16_t start, std::span<const std::uint8_t> bytes,
                       HistoryDirection direction);
    bool readBackWritten();
    std::string differenceReport() const;
    void flushNotes();

    EcuDataSet& m_data;
    Prompts& m_prompts;
    EcuImageTransfer& m_ecu;
    ChoiceAsker m_ask;
    std::string m_dataDirectory;
    bool m_portOpen = false;
    bool m_savedModified = false;

    ImageSlot m_current;
    ImageSlot m_compare;
    ExchangeSource m_currentSource = ExchangeSource::Ecu;
    bool m_wroteEdit = false;
    std::string m_log;
    std::string m_status;
    bool m_writeEnabled = false;
    bool m_verifyEnabled = false;
    bool m_clearEnabled = false;
    bool m_busy = false;
    ExchangeButton m_focus = ExchangeButton::Read;

    ImageHistory* m_history = nullptr;
    bool m_readBackAfterWrite = false;
    DisplayFormats m_formats;
    std::string m_notes; // log lines that follow the step's own line
};

// Rows of 16 bytes an image touches.
int imageRows(std::uint16_t start, std::size_t length);
// 0x7F minus the low 8 bits of the sum of `bytes` before the last one.
std::uint8_t checksumByteFor(std::span<const std::uint8_t> bytesBeforeChecksum);

} // namespace zlm
