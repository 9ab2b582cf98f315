// bench_comm: the ECU image transfer against the virtual ECU on a
// pseudo-terminal, through the real termios port.
//   - paced at 19200 baud: time to read and to write a 4 KiB calibration image,
//     divided by the wire limit (every character crosses the line twice, 10 bits
//     each: 2 x characters x 10 / baud); goal <= 1.10;
//   - unpaced: echoed bytes per second; goal >= 20,000.
// The paced transfers run as the program has them (the main window and the
// wait window shown, the frame's 100 ms timer running) twice: with the live
// window (window messages dispatched through Qt at least every 30 ms) and
// with dispatching off (the same transfer, the pump doing nothing), to show
// what keeping the windows alive costs; goal: at most 2 % slower.
//
// bench_comm [rounds] [--tick]: the paced pair is repeated `rounds` times
// (default 1), the order swapped every round, and the medians are printed,
// also of each round's live / off ratio. --tick adds a run with the tick
// pump of the command line tool (no windows at all) to every round.
#include "bench/bench_support.h"
#include "comm/ecu_protocol.h"
#include "comm/serial_link.h"
#include "comm/wait_dialog.h"
#include "sim/virtual_ecu.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <string>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <numeric>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint16_t kStart = 0x8000;
constexpr std::size_t kImageBytes = 4096;

// CPU time of the calling thread (the tool's side; the virtual ECU runs on
// a thread of its own).
double threadCpuSeconds()
{
    rusage u {};
    ::getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    double toolCpuSeconds = 0;
    double readSeconds = 0;
    double writeSeconds = 0;
    std::size_t readChars = 0;
    std::size_t writeChars = 0;
    bool ok = false;
    std::string failure; // what went wrong, when !ok
    double pumpSeconds = 0; // time spent dispatching (live window)
    long long pumpCalls = 0;
    double pumpMaxGapSeconds = 0; // longest time between two dispatches
};

enum class PumpKind { Tick, Off, LiveWindow };

const char* nameOf(PumpKind kind)
{
    switch (kind) {
    case PumpKind::Tick:
        return "tick pump";
    case PumpKind::Off:
        return "windows, dispatching off";
    case PumpKind::LiveWindow:
        return "live window";
    }
    return "";
}

Figures run(int baud, PumpKind kind = PumpKind::Tick)
{
    zlm::sim::VirtualEcuConfig config;
    config.calibStart = kStart;
    config.calibEnd = kStart + kImageBytes - 1;
    config.baud = baud;
    zlm::sim::VirtualEcu ecu(config);
    Figures f;
    if (!ecu.openPty()) {
        std::fprintf(stderr, "bench_comm: %s\n", ecu.error().c_str());
        return f;
    }
    ecu.start();

    zlm::SerialSettings serial = zlm::bench::ptySerial();
    zlm::AppSettings app;
    zlm::SerialLink link(serial);
    link.setDeviceResolver([&](int) { return ecu.devicePath(); });
    zlm::TickPump pump(link);
    const bool live = kind == PumpKind::LiveWindow;
    const bool windows = kind != PumpKind::Tick;
    Clock::time_point lastPump {};
    Clock::time_point transferStart {};
    zlm::EcuProtocol protocol(link, app, [&] {
        if (kind == PumpKind::Tick) {
            pump();
            return;
        }
        if (!live)
            return;
        const auto p0 = Clock::now();
        // Gaps inside a transfer only: the first call after a pause between
        // the write and the read does not count.
        if (f.pumpCalls > 0 && lastPump > transferStart)
            f.pumpMaxGapSeconds = std::max(
                f.pumpMaxGapSeconds, std::chrono::duration<double>(p0 - lastPump).count());
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        lastPump = Clock::now();
        f.pumpSeconds += std::chrono::duration<double>(lastPump - p0).count();
        ++f.pumpCalls;
    });
    // The program's side: a main window, the wait window on it, the timer.
    QWidget frame;
    zlm::WaitDialog wait(&frame);
    QTimer timer;
    if (windows) {
        frame.resize(800, 600);
        frame.show();
        protocol.setWaitWindow(&wait);
        QObject::connect(&timer, &QTimer::timeout, [&] { link.tick(); });
        timer.start(zlm::kTickPeriodMs);
    }

    std::vector<std::uint8_t> image(kImageBytes);
    std::iota(image.begin(), image.end(), std::uint8_t { 0x21 });
    const zlm::LineList noMessages;

    const double cpu0 = threadCpuSeconds();
    auto t0 = Clock::now();
    transferStart = t0;
    const zlm::WriteEcuResult w = protocol.WriteEcu(kStart, image, noMessages);
    f.writeSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    for (const std::string& r : zlm::encodeImage(kStart, image))
        f.writeChars += r.size();
    f.writeChars += 2; // "L" "W"

    t0 = Clock::now();
    transferStart = t0;
    if (windows)
        wait.open(std::string(zlm::ecu::kReadFromEcuTitle));
    const zlm::ReadEcuResult r = protocol.ReadEcu();
    if (windows)
        wait.close();
    f.readSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    f.readChars = r.received.size() + 2; // "L" "R"

    f.toolCpuSeconds = threadCpuSeconds() - cpu0;
    f.ok = w.ok && r.ok() && r.image->bytes == image;
    if (!w.ok)
        f.failure = "write: " + (w.message ? w.message->text : std::string("no message")) + "; ";
    if (!r.ok())
        f.failure += "read: " + (r.message ? r.message->text : std::string("no image"));
    else if (r.image->bytes != image)
        f.failure += "read: other bytes";
    for (char& c : f.failure)
        c = c == '\n' ? ' ' : c;
    ecu.stop();
    return f;
}

// What the machine allows: bytes echoed per second through a bare
// pseudo-terminal by a thread that does nothing else, with the same
// write / poll / read steps per byte.
double rawEchoRate(int count)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return 0;
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t {};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    auto readOne = [](int fd, unsigned char& b) {
        for (;;) {
            const ssize_t n = ::read(fd, &b, 1);
            if (n == 1)
                return true;
            if (n == 0 || errno != EAGAIN)
                return false; // the other end is gone
            pollfd p { fd, POLLIN, 0 };
            if (::poll(&p, 1, 1000) <= 0)
                return false;
        }
    };
    std::atomic<bool> stop { false };
    std::thread echo([&] {
        unsigned char b;
        while (!stop && readOne(master, b))
            (void)::write(master, &b, 1);
    });
    const auto t0 = Clock::now();
    unsigned char b = 0;
    int done = 0;
    for (; done < count; ++done) {
        const unsigned char out = static_cast<unsigned char>(done);
        if (::write(slave, &out, 1) != 1 || !readOne(slave, b) || b != out)
            break;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    stop = true;
    ::close(slave);
    echo.join();
    ::close(master);
    return done / seconds;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication qt(qtArgc, argv);
    int rounds = 1;
    bool withTick = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--tick")
            withTick = true;
        else
            rounds = std::max(1, std::atoi(argv[i]));
    }

    constexpr int kBaud = 19200;
    auto wire = [&](std::size_t chars) { return 2.0 * static_cast<double>(chars) * 10 / kBaud; };
    bool ok = true;
    constexpr int kKinds = 3;
    std::vector<double> ratios[kKinds][2]; // [pump][write, read]
    std::vector<double> paired[2]; // live window / dispatching off, per round: write, read
    std::vector<double> pumpShare; // live window: share of the time spent dispatching
    for (int round = 0; round < rounds; ++round) {
        std::vector<PumpKind> kinds { PumpKind::Off, PumpKind::LiveWindow };
        if (round % 2 == 1)
            std::swap(kinds[0], kinds[1]);
        if (withTick)
            kinds.push_back(PumpKind::Tick);
        double roundRatios[kKinds][2] = {};
        for (const PumpKind kind : kinds) {
            const Figures paced = run(kBaud, kind);
            ok = ok && paced.ok;
            const int k = static_cast<int>(kind);
            roundRatios[k][0] = paced.writeSeconds / wire(paced.writeChars);
            roundRatios[k][1] = paced.readSeconds / wire(paced.readChars);
            std::printf("round %d, paced at %d baud, %zu-byte image, %s (%s%s)\n", round + 1, kBaud,
                kImageBytes, nameOf(kind),
                paced.ok ? "verified" : "FAILED: ", paced.failure.c_str());
            std::printf(
                "  write: %zu characters, %.2f s, wire limit %.2f s, ratio %.3f (goal <= 1.10)\n",
                paced.writeChars, paced.writeSeconds, wire(paced.writeChars), roundRatios[k][0]);
            std::printf(
                "  read:  %zu characters, %.2f s, wire limit %.2f s, ratio %.3f (goal <= 1.10)\n",
                paced.readChars, paced.readSeconds, wire(paced.readChars), roundRatios[k][1]);
            std::printf("  tool's own CPU time: %.2f s\n", paced.toolCpuSeconds);
            if (kind == PumpKind::LiveWindow) {
                const double total = paced.writeSeconds + paced.readSeconds;
                pumpShare.push_back(paced.pumpSeconds / total);
                std::printf("  dispatching: %lld times, every %.1f ms on average, at most %.1f ms "
                            "apart, %.3f s in all, %.2f %% of the transfer time\n",
                    paced.pumpCalls,
                    total * 1000 / static_cast<double>(std::max(paced.pumpCalls, 1LL)),
                    paced.pumpMaxGapSeconds * 1000, paced.pumpSeconds, pumpShare.back() * 100);
            }
            if (!paced.ok)
                roundRatios[k][0] = roundRatios[k][1] = 0;
        }
        const int off = static_cast<int>(PumpKind::Off),
                  live = static_cast<int>(PumpKind::LiveWindow);
        // A failed transfer says nothing about the speed, and the rounds
        // compared must have had the same machine: only whole rounds count.
        bool whole = true;
        for (const PumpKind kind : kinds)
            whole = whole && roundRatios[static_cast<int>(kind)][0] > 0;
        if (!whole)
            continue;
        for (const PumpKind kind : kinds)
            for (int t = 0; t < 2; ++t)
                ratios[static_cast<int>(kind)][t].push_back(roundRatios[static_cast<int>(kind)][t]);
        for (int t = 0; t < 2; ++t)
            paired[t].push_back(roundRatios[live][t] / roundRatios[off][t]);
    }
    for (const PumpKind kind : { PumpKind::Off, PumpKind::LiveWindow, PumpKind::Tick }) {
        const int k = static_cast<int>(kind);
        if (ratios[k][0].empty() && ratios[k][1].empty())
            continue;
        std::printf("medians of %zu whole round(s), %s: write %.3f, read %.3f\n",
            ratios[k][1].size(), nameOf(kind), median(ratios[k][0]), median(ratios[k][1]));
    }
    if (!paired[0].empty() || !paired[1].empty())
        std::printf("  live window against dispatching off, median of the rounds: write %+.1f %%, "
                    "read %+.1f %% (goal <= +2 %%)\n",
            (median(paired[0]) - 1) * 100, (median(paired[1]) - 1) * 100);
    std::printf("  time spent dispatching (live window, median): %.2f %% (goal <= 2 %%)\n",
        median(pumpShare) * 100);

    const Figures fast = run(0);
    std::printf("unpaced (%s)\n", fast.ok ? "verified" : "FAILED");
    std::printf(
        "  write: %.0f echoed bytes/s (goal >= 20000)\n", fast.writeChars / fast.writeSeconds);
    std::printf(
        "  read:  %.0f echoed bytes/s (goal >= 20000)\n", fast.readChars / fast.readSeconds);
    std::printf("  tool's own CPU time: %.1f us per echoed byte\n",
        fast.toolCpuSeconds * 1e6 / static_cast<double>(fast.readChars + fast.writeChars));
    std::printf("  bare pseudo-terminal echo on this machine: %.0f bytes/s\n", rawEchoRate(20000));
    return ok && fast.ok ? 0 : 1;
}
