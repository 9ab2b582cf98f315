#include "views/value_shading.h"
#include "tests/views/colour_measures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zlm {
namespace {

// Relative luminance and the blue-yellow opponent signal, which readers
// without red or green cones (the common deficiencies) still see.
double luminance(Rgb c)
{
    return test::relativeLuminance(c.r, c.g, c.b);
}

TEST(ValueShading, TintsRunCoolToWarmInOneDirectionAndKeepBlackTextReadable)
{
    Rgb previous = shadeColour(0.0);
    EXPECT_GT(previous.b, previous.r); // cool: blue
    const Rgb warm = shadeColour(1.0);
    EXPECT_GT(warm.r, warm.b); // warm: orange
    for (int i = 1; i <= 20; ++i) {
        const Rgb c = shadeColour(i / 20.0);
        // Red rises and blue falls at every step, and so does the lightness
        // fall: the order survives the loss of any one of the signals.
        EXPECT_GE(c.r, previous.r) << i;
        EXPECT_LE(c.b, previous.b) << i;
        EXPECT_LE(luminance(c), luminance(previous) + 1e-9) << i;
        EXPECT_GE(blackTextContrast(c), 9.0) << i;
        previous = c;
    }
    // Beyond the ends and without a range.
    EXPECT_EQ(shadeColour(-3).r, shadeColour(0).r);
    EXPECT_EQ(shadeColour(7).b, shadeColour(1).b);
    EXPECT_DOUBLE_EQ(shadePosition(5, 5, 5), 0.5);
    EXPECT_DOUBLE_EQ(shadePosition(7.5, 5, 10), 0.5);
}

} // namespace
} // namespace zlm
