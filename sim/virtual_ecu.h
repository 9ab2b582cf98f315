#pragma once
// A virtual ECU on a pseudo-terminal, for tests, benchmarks and trying the
// tool without a motorcycle. It answers the identification, echoes every byte
// of a command, applies byte and word writes, sends its calibration range as
// S1 records (waiting for the tool's echo of each character), receives an
// image and answers one byte, and answers monitor polls. Faults can be
// injected to exercise the tool's failure paths.
//
// The ECU runs on its own thread (start/stop) or on the caller's (run).
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zlm::sim {

struct MonitorItem {
    // Engine: the running engine of engine_model.h, by the item's name;
    // Silent: never answers.
    enum class Kind { Const, Ramp, Sine, Engine, Silent };
    std::uint8_t number = 0; // the poll byte
    int size = 1; // answer bytes: 1 or 2
    Kind kind = Kind::Const;
    int value = 0; // Const: the value
    bool sizeGiven = false; // "/1" or "/2" was written
    // Engine: the "Diag.Com" name, factor and offset the raw answer is made for.
    std::string name;
    double factor = 1.0;
    double offset = 0.0;
};

struct Fault {
    enum class Kind {
        NoAnswer, // silent: no identification, no echo, nothing
        WrongType, // identification answers the first type byte and a wrong second one
        WrongEcho, // the n-th echo (counted from 1 over the session) is a different byte
        MissingEcho, // the n-th echo is not sent
        Cut, // an image transfer stops after n characters of record text
        Noise, // stray bytes after the identification and before the image
        Slow, // every byte the ECU sends is delayed by n milliseconds
        Corrupt, // after an image write, byte n of the stored image (from 0) is inverted
        PauseRead, // the image read falls silent for ms before its n-th character (from 0)
        AnswerDelay, // the answer to an image write comes n milliseconds after the last echo
        HangUpRead, // the ECU hangs up the line instead of sending image character n (from 0)
        HangUpWrite, // the ECU hangs up the line instead of echoing image character n (from 0)
        Endless, // the image read never ends: S1 records without end, no "S9"
    };
    Kind kind = Kind::NoAnswer;
    int n = 0;
    int ms = 0; // PauseRead: the length of the pause
};

struct VirtualEcuConfig {
    std::array<std::uint8_t, 2> type { 'Q', 'X' };
    std::uint16_t calibStart = 0x8000; // calibration range, both ends inclusive
    std::uint16_t calibEnd = 0x8FFF;
    std::uint8_t answer = 0x30; // answer to a well-formed image write
    std::uint8_t badAnswer = 0x31; // answer to an image write that did not decode
    int baud = 0; // > 0: bytes paced at 10 bits per character
    std::vector<MonitorItem> monitor;
    // Seconds the engine has been running when the ECU starts (Engine items).
    double engineSeconds = 0.0;
    std::vector<Fault> faults;
    // How long the ECU waits for the tool's echo while it sends its image,
    // and how long a pause ends a command or image write half received.
    int echoTimeoutMs = 1000;
    int idleTimeoutMs = 1000;
};

// Parses "NN=const:V", "NN=ramp", "NN=sine", "NN=silent", each optionally
// followed by "/2" for a two-byte answer; NN is the poll byte in hex.
std::optional<MonitorItem> parseMonitorItem(std::string_view text);
// Parses "no-answer", "wrong-type", "wrong-echo:N", "missing-echo:N", "cut:N",
// "noise", "slow:MS", "corrupt:N", "pause-read:N:MS", "answer-delay:MS",
// "hangup-read:N", "hangup-write:N", "endless".
std::optional<Fault> parseFault(std::string_view text);

class VirtualEcu {
public:
    explicit VirtualEcu(VirtualEcuConfig config = {});
    ~VirtualEcu();
    VirtualEcu(const VirtualEcu&) = delete;
    VirtualEcu& operator=(const VirtualEcu&) = delete;

    // Creates the pseudo-terminal; false (with error()) on failure.
    bool openPty();
    // The device path the tool opens (the pseudo-terminal's slave).
    const std::string& devicePath() const { return m_devicePath; }
    const std::string& error() const { return m_error; }

    // Runs the ECU on a thread of its own until stop().
    void start();
    void stop();
    // Runs the ECU on this thread until `stopFlag` becomes true.
    void run(const std::atomic<bool>& stopFlag);

    // The memory (safe to call while the ECU runs).
    void setImage(std::uint16_t address, std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> memory(std::uint16_t address, std::size_t count) const;
    std::uint8_t byteAt(std::uint16_t address) const;

    // Live controls (safe to call while the ECU runs): the ECU sends nothing
    // for `duration` from now on (bytes it receives meanwhile wait for it);
    // or it hangs up the line (closes its end of the pseudo-terminal, as an
    // unplugged cable would) and stays silent until stopped.
    void pause(std::chrono::milliseconds duration);
    void hangUp() { m_hangUpRequested = true; }
    bool hungUp() const { return m_hungUp; }
    // When the ECU last sent a byte (before any pause or hang-up): the moment
    // just before its write, never later than the tool could read it.
    std::chrono::steady_clock::time_point lastSent() const
    {
        return std::chrono::steady_clock::time_point(
            std::chrono::steady_clock::duration(m_lastSent.load()));
    }

    // Counters for tests and benchmarks.
    int imagesReceived() const { return m_imagesReceived; }
    long long bytesEchoed() const { return m_echoes; }
    int polls() const { return m_polls; }

private:
    using Clock = std::chrono::steady_clock;

    bool has(Fault::Kind kind, int* n = nullptr, int* ms = nullptr) const;
    void doHangUp();
    void waitWhilePaused();
    std::chrono::nanoseconds charTime() const;
    int readByte(int timeoutMs);
    void send(std::uint8_t byte);
    bool echo(std::uint8_t byte);
    void handle(std::uint8_t command, const std::atomic<bool>& stopFlag);
    void singleWrite(bool word);
    void sendImage();
    void receiveImage();
    void answerPoll(const MonitorItem& item);
    void sendNoise();

    VirtualEcuConfig m_config;
    int m_master = -1;
    int m_slaveHold = -1; // keeps the line up while the tool has it closed
    std::string m_devicePath;
    std::string m_error;

    mutable std::mutex m_memoryMutex;
    std::vector<std::uint8_t> m_memory = std::vector<std::uint8_t>(65536, 0);

    std::thread m_thread;
    std::atomic<bool> m_stop { false };
    const std::atomic<bool>* m_running = &m_stop; // the stop flag of run()
    std::atomic<int> m_imagesReceived { 0 };
    std::atomic<long long> m_echoes { 0 };
    std::atomic<int> m_polls { 0 };
    std::atomic<bool> m_hangUpRequested { false };
    std::atomic<bool> m_hungUp { false };
    std::atomic<Clock::rep> m_pausedUntil { 0 };
    std::atomic<Clock::rep> m_lastSent { 0 };
    long long m_echoIndex = 0; // echoes so far, for the echo faults
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_txFree {}; // pacing of the two directions
    Clock::time_point m_rxFree {};
    std::uint32_t m_ramp = 0;
};

} // namespace zlm::sim
