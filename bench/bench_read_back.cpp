// bench_read_back: Data Exchange's "Write to ECU" with and without "Read back
// and compare after writing", paced at 19200 baud against the virtual ECU on a
// pseudo-terminal, through the real termios port and the whole session (the
// history copies included). Goal: a write with read-back takes at most 2.05
// times a plain write -- the read-back is a second transfer, nothing more.
//
// Usage: bench_read_back [repetitions] (default 2; each pair takes about 35 s).
#include "comm/data_exchange.h"
#include "comm/image_history.h"
#include "platform/scripted_prompts.h"
#include "sim/virtual_ecu.h"
#include "bench/bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr std::uint16_t kStart = 0x8000;
constexpr std::size_t kImageBytes = 4096;
constexpr int kBaud = 19200;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;

    std::string pattern = (fs::temp_directory_path() / "zlm-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 1;
    const fs::path dir = pattern;

    zlm::sim::VirtualEcuConfig config;
    config.calibStart = kStart;
    config.calibEnd = kStart + kImageBytes - 1;
    config.baud = kBaud;
    zlm::sim::VirtualEcu ecu(config);
    if (!ecu.openPty()) {
        std::fprintf(stderr, "bench_read_back: %s\n", ecu.error().c_str());
        return 1;
    }
    ecu.start();

    zlm::SerialSettings serial = zlm::bench::ptySerial();
    zlm::AppSettings app;
    zlm::SerialLink link(serial);
    link.setDeviceResolver([&](int) { return ecu.devicePath(); });
    zlm::TickPump pump(link);
    zlm::EcuProtocol protocol(link, app, [&] { pump(); });
    const zlm::LineList definition
        = zlm::LineList::fromText("[Error Message]\n0,Write completed.\n");
    zlm::ProtocolImageTransfer transfer(protocol, definition, nullptr);

    // The image to write, picked as "File Data" (its last byte is the checksum byte).
    std::vector<std::uint8_t> image(kImageBytes);
    std::iota(image.begin(), image.end(), std::uint8_t { 0x21 });
    image.back() = zlm::checksumByteFor(std::span(image).first(image.size() - 1));
    std::string text;
    std::size_t characters = 2; // "L" and "W" (or "R"), then the records
    for (const std::string& record : zlm::encodeImage(kStart, image)) {
        text += record + "\r\n";
        characters += record.size();
    }
    std::ofstream(dir / "image.obj", std::ios::binary) << text;

    zlm::EcuDataSet data(definition);
    zlm::ScriptedPrompts prompts;
    zlm::ImageHistory history(dir / "history");
    std::vector<zlm::ExchangeSource> choices;
    zlm::DataExchange session(
        data, prompts, transfer,
        [&choices](zlm::ExchangeChoice, bool) -> std::optional<zlm::ExchangeSource> {
            const auto next = choices.front();
            choices.erase(choices.begin());
            return next;
        },
        dir.string(), false);
    session.setHistory(&history);
    choices = { zlm::ExchangeSource::File };
    prompts.queuePath((dir / "image.obj").string());
    session.read();

    std::vector<double> plain, checked;
    bool ok = session.current().bytes == image;
    for (int i = 0; i < repetitions && ok; ++i) {
        for (const bool readBack : { false, true }) {
            session.setReadBackAfterWrite(readBack);
            choices = { zlm::ExchangeSource::Ecu };
            const std::size_t logBefore = session.log().size();
            const auto t0 = Clock::now();
            session.write();
            (readBack ? checked : plain).push_back(seconds(t0));
            const std::string added = session.log().substr(logBefore);
            ok = ok && added.starts_with("Write to ECU data   --->   Complete")
                && (!readBack
                    || added.find("Read back and compare   --->   Same") != std::string::npos);
        }
        std::printf("  run %d: plain write %.2f s, write with read-back %.2f s, ratio %.3f\n",
            i + 1, plain.back(), checked.back(), checked.back() / plain.back());
    }
    ecu.stop();

    // The copy for the history alone, outside the transfer.
    zlm::ImageHistory spare(dir / "spare");
    const auto t0 = Clock::now();
    const bool kept = !spare.keep(kStart, image, zlm::HistoryDirection::Read);
    const double keepSeconds = seconds(t0);

    std::printf("write of a %zu-byte image at %d baud, median of %d (%s)\n", kImageBytes, kBaud,
        repetitions, ok && kept ? "verified" : "FAILED");
    std::printf("  plain write:           %.2f s\n", median(plain));
    std::printf("  write with read-back:  %.2f s\n", median(checked));
    std::printf("  ratio %.3f (goal <= 2.05)\n", median(checked) / median(plain));
    // Every character crosses the line twice (the character, then its echo), 10 bits each.
    const double wire = 2.0 * static_cast<double>(characters) * 10 / kBaud;
    std::printf("  wire limit of one transfer %.2f s: plain write %.3f x, read-back part %.3f x\n",
        wire, median(plain) / wire, (median(checked) - median(plain)) / wire);
    std::printf("  one history copy (written, flushed, renamed): %.1f ms\n", keepSeconds * 1e3);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ok && kept ? 0 : 1;
}
