#pragma once
// Pieces shared by the exchange tests: a clock for the image history that
// steps on every call, and the silence time-outs every front end must keep.
#include "comm/image_history.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <gtest/gtest.h>

namespace zlm::test {

// 2026-12-08 14:30:05 local time, `step` seconds later on every call.
inline ImageHistory::Clock steppingClock(int step = 1)
{
    return [n = 0, step]() mutable {
        std::tm t {};
        t.tm_year = 2026 - 1900;
        t.tm_mon = 11;
        t.tm_mday = 8;
        t.tm_hour = 14;
        t.tm_min = 30;
        t.tm_sec = 5 + n;
        n += step;
        return t;
    };
}

// A time-out setting of `ticks` at a test tick period of `tick`.
struct SilenceCase {
    int ticks;
    std::chrono::milliseconds tick;
};
inline constexpr std::array<SilenceCase, 3> kSilenceCases { { { 30, std::chrono::milliseconds(6) },
    { 50, std::chrono::milliseconds(4) }, { 200, std::chrono::milliseconds(2) } } };

// A silent ECU fails T tick periods after its last byte, within 10 %.
// `attempt` runs one silent read and returns the seconds from the ECU's last
// byte to the failure. A stall of the whole machine (another job, the host of
// a virtual machine) makes a run late that is not the exchange's fault, so a
// late run is tried again, up to three times; a wrong clock is late every time.
// Failing early is a fault at once.
template <typename Attempt> void expectFailsOnTime(const SilenceCase& c, Attempt attempt)
{
    const double allowance = c.ticks * std::chrono::duration<double>(c.tick).count();
    double best = 0;
    for (int run = 0; run < 3 && (run == 0 || best > allowance * 1.10); ++run) {
        const double seconds = attempt();
        EXPECT_GE(seconds, allowance);
        best = run == 0 ? seconds : std::min(best, seconds);
    }
    EXPECT_LE(best, allowance * 1.10) << "the best of three runs";
}

} // namespace zlm::test
