#pragma once
// Pieces shared by the exchange tests: a clock for the image history that
// steps on every call, and the silence time-outs every front end must keep.
#include "comm/image_history.h"

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
inline void expectFailsOnTime(double seconds, const SilenceCase& c)
{
    const double allowance = c.ticks * std::chrono::duration<double>(c.tick).count();
    EXPECT_GE(seconds, allowance);
    EXPECT_LE(seconds, allowance * 1.10);
}

} // namespace zlm::test
