// zlm-ecu-sim: a virtual ECU on a pseudo-terminal. Prints the device path on
// stdout (one line) and answers the tool until it is interrupted.
#include "sim/virtual_ecu.h"

#include "comm/diag_item.h"
#include "data/calib.h"
#include "data/data_file.h"
#include "platform/text_file.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

std::atomic<bool> g_stop { false };

void onSignal(int)
{
    g_stop = true;
}

constexpr const char* kUsage
    = "Usage: zlm-ecu-sim [options]\n"
      "A virtual ECU on a pseudo-terminal. Prints the device path and runs until\n"
      "interrupted.\n"
      "\n"
      "  --link PATH          also make PATH a symbolic link to the device\n"
      "  --image FILE.lyn     load the memory and the calibration range from a data file\n"
      "  --range AAAA-BBBB    calibration range (hex, both ends inclusive; default 8000-8FFF)\n"
      "  --definition FILE    definition file (plain text): its \"Diag.Com\" items answer\n"
      "                       monitor polls with the values of a running engine\n"
      "                       (by their names) and give the answer sizes\n"
      "  --type XY            identification answer (default QX)\n"
      "  --answer HEX         answer byte after an image write (default 30)\n"
      "  --bad-answer HEX     answer after an image write that did not decode (default 31)\n"
      "  --monitor NN=GEN     answer poll byte NN (hex) with GEN: sine, ramp, const:V or\n"
      "                       silent (no answer at all),\n"
      "                       optionally followed by /2 for a two-byte answer (repeatable)\n"
      "  --baud N             pace the line at N baud (10 bits per character)\n"
      "  --echo-timeout MS    wait for the tool's echo while sending the image (default 1000)\n"
      "  --idle-timeout MS    a pause that ends a half-received command (default 1000)\n"
      "  --fault F            inject a fault (repeatable): no-answer, wrong-type,\n"
      "                       wrong-echo:N, missing-echo:N (N-th echo from 1), cut:N\n"
      "                       (image transfer stops after N characters), noise, slow:MS,\n"
      "                       corrupt:N (byte N of a written image is stored inverted),\n"
      "                       pause-read:N:MS (silent for MS ms before the N-th character\n"
      "                       of the image, from 0), answer-delay:MS (answer to an image\n"
      "                       write MS ms after the last echo), hangup-read:N, hangup-write:N\n"
      "                       (hang up the line after N image characters), endless (an\n"
      "                       image read that never ends)\n"
      "  --help               show this text\n";

int fail(const std::string& text)
{
    std::fprintf(stderr, "zlm-ecu-sim: %s\n", text.c_str());
    return 2;
}

bool parseHexNumber(const std::string& s, unsigned limit, unsigned& value)
{
    char* end = nullptr;
    const unsigned long v = std::strtoul(s.c_str(), &end, 16);
    if (s.empty() || *end != '\0' || v > limit)
        return false;
    value = static_cast<unsigned>(v);
    return true;
}

// The definition's "Diag.Com" items, answering as a running engine.
std::vector<zlm::sim::MonitorItem> diagItems(const zlm::LineList& lines)
{
    std::vector<zlm::sim::MonitorItem> items;
    for (const zlm::DiagItem& d : zlm::parseDiagItems(lines)) {
        zlm::sim::MonitorItem item;
        item.number = d.number;
        item.size = d.size;
        item.kind = zlm::sim::MonitorItem::Kind::Engine;
        item.name = d.name;
        item.factor = zlm::scan::real(d.factor);
        item.offset = zlm::scan::real(d.offset);
        items.push_back(item);
    }
    return items;
}

} // namespace

int main(int argc, char** argv)
{
    zlm::sim::VirtualEcuConfig config;
    std::string linkPath, imagePath, definitionPath;
    bool rangeGiven = false;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= args.size())
            return fail("unknown option or missing value: " + a + " (see --help)");
        const std::string& v = args[++i];
        unsigned n = 0;
        if (a == "--link") {
            linkPath = v;
        } else if (a == "--image") {
            imagePath = v;
        } else if (a == "--definition") {
            definitionPath = v;
        } else if (a == "--type") {
            if (v.size() != 2)
                return fail("--type needs two characters");
            config.type = { static_cast<std::uint8_t>(v[0]), static_cast<std::uint8_t>(v[1]) };
        } else if (a == "--answer" || a == "--bad-answer") {
            if (!parseHexNumber(v, 0xFF, n))
                return fail(a + " needs a hex byte");
            (a == "--answer" ? config.answer : config.badAnswer) = static_cast<std::uint8_t>(n);
        } else if (a == "--range") {
            const auto dash = v.find('-');
            unsigned lo = 0, hi = 0;
            if (dash == std::string::npos || !parseHexNumber(v.substr(0, dash), 0xFFFF, lo)
                || !parseHexNumber(v.substr(dash + 1), 0xFFFF, hi) || lo > hi)
                return fail("--range needs AAAA-BBBB (hex, AAAA <= BBBB)");
            config.calibStart = static_cast<std::uint16_t>(lo);
            config.calibEnd = static_cast<std::uint16_t>(hi);
            rangeGiven = true;
        } else if (a == "--monitor") {
            const auto item = zlm::sim::parseMonitorItem(v);
            if (!item)
                return fail("bad --monitor " + v);
            config.monitor.push_back(*item);
        } else if (a == "--fault") {
            const auto fault = zlm::sim::parseFault(v);
            if (!fault)
                return fail("bad --fault " + v);
            config.faults.push_back(*fault);
        } else if (a == "--baud" || a == "--echo-timeout" || a == "--idle-timeout") {
            char* end = nullptr;
            const long x = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || x < 0 || x > 10'000'000)
                return fail(a + " needs a number");
            (a == "--baud"                  ? config.baud
                    : a == "--echo-timeout" ? config.echoTimeoutMs
                                            : config.idleTimeoutMs)
                = static_cast<int>(x);
        } else {
            return fail("unknown option " + a + " (see --help)");
        }
    }

    if (!definitionPath.empty()) {
        const auto lines = zlm::readTextLines(definitionPath);
        if (!lines)
            return fail("cannot read " + definitionPath);
        // Items named on the command line take their size from the definition
        // unless given; the other items answer as a running engine.
        for (const auto& d : diagItems(*lines)) {
            bool named = false;
            for (auto& m : config.monitor) {
                if (m.number == d.number) {
                    named = true;
                    if (!m.sizeGiven)
                        m.size = d.size;
                }
            }
            if (!named)
                config.monitor.push_back(d);
        }
    }

    std::vector<std::uint8_t> memory;
    if (!imagePath.empty()) {
        const auto lines = zlm::readTextLines(imagePath);
        if (!lines)
            return fail("cannot read " + imagePath);
        memory.assign(65536, 0);
        std::uint16_t lowest = 0, highest = 0;
        const zlm::Status s = zlm::readDataSection(
            *lines, std::span<std::uint8_t, 65536>(memory.data(), 65536), lowest, highest);
        if (!s)
            return fail(imagePath + ": " + s.error().text);
        if (!rangeGiven && lowest <= highest) {
            config.calibStart = lowest;
            config.calibEnd = highest;
        }
    }

    zlm::sim::VirtualEcu ecu(config);
    if (!memory.empty())
        ecu.setImage(0, memory);
    if (!ecu.openPty())
        return fail(ecu.error());
    if (!linkPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(linkPath, ec);
        std::filesystem::create_symlink(ecu.devicePath(), linkPath, ec);
        if (ec)
            return fail("cannot create link " + linkPath + ": " + ec.message());
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    std::printf("%s\n", ecu.devicePath().c_str());
    std::fflush(stdout);

    ecu.run(g_stop);

    if (!linkPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(linkPath, ec);
    }
    return 0;
}
