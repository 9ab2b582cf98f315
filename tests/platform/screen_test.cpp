#include "platform/screen.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace zlm {
namespace {

TEST(ScreenSize, ParsesWidthByHeight)
{
    EXPECT_EQ(parseScreenSize("1280x1024"), (ScreenSize { 1280, 1024 }));
    EXPECT_EQ(parseScreenSize(" 640 X 480 "), (ScreenSize { 640, 480 }));
    for (const char* bad :
        { "", "1280", "x1024", "1280x", "0x480", "-640x480", "640x480x2", "64ax480", "99999999x1" })
        EXPECT_FALSE(parseScreenSize(bad)) << bad;
}

TEST(ScreenSize, EnvironmentOverridesTheScreen)
{
    {
        test::ScopedEnv env("ZLM350_SCREEN", "800x600");
        EXPECT_EQ(screenSizeFromEnvironment(), (ScreenSize { 800, 600 }));
        EXPECT_EQ(screenSize(), (ScreenSize { 800, 600 }));
    }
    {
        test::ScopedEnv env("ZLM350_SCREEN", "big");
        EXPECT_FALSE(screenSizeFromEnvironment());
    }
    test::ScopedEnv env("ZLM350_SCREEN", std::nullopt);
    EXPECT_FALSE(screenSizeFromEnvironment());
    const ScreenSize real = screenSize();
    EXPECT_GT(real.width, 0);
    EXPECT_GT(real.height, 0);
}

TEST(ScreenClass, PicksTheDefinitionFileSuffix)
{
    EXPECT_EQ(screenClass(1024, 768), 1);
    EXPECT_EQ(screenClass(1152, 864), 2);
    EXPECT_EQ(screenClass(1280, 1024), 3);
    EXPECT_EQ(screenClass(1920, 1080), 3);
    EXPECT_EQ(screenClass(800, 600), 0);
    EXPECT_EQ(screenClass(1024, 800), 0); // only exactly 1024x768
    EXPECT_EQ(screenClass(1280, 800), 0); // wide but not high enough
    EXPECT_EQ(screenClass(1200, 1200), 0); // high but not wide enough
}

} // namespace
} // namespace zlm
