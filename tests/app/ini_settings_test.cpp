#include "data/ini_settings.h"

#include "app/vex_app.h"
#include "platform/ini_file.h"

#include <gtest/gtest.h>

namespace zlm {
namespace {

TEST(IniSpeed, KnownRatesMapToTheirIndex)
{
    EXPECT_EQ(ini::speedIndex("600"), 0);
    EXPECT_EQ(ini::speedIndex("1200"), 1);
    EXPECT_EQ(ini::speedIndex("2400"), 2);
    EXPECT_EQ(ini::speedIndex("4800"), 3);
    EXPECT_EQ(ini::speedIndex("9600"), 4);
    EXPECT_EQ(ini::speedIndex("19200"), 5);
}

TEST(IniSpeed, AnyOtherTextIs4800)
{
    EXPECT_EQ(ini::speedIndex("38400"), 3);
    EXPECT_EQ(ini::speedIndex(""), 3);
    EXPECT_EQ(ini::speedIndex("9600BPS"), 3);
    EXPECT_EQ(ini::speedIndex("0600"), 3);
}

TEST(IniSerial, DataBitsLookAtTheFirstCharacterOnly)
{
    EXPECT_EQ(ini::dataBitsIndex("7BIT"), 0);
    EXPECT_EQ(ini::dataBitsIndex("7"), 0);
    EXPECT_EQ(ini::dataBitsIndex("8BIT"), 1);
    EXPECT_EQ(ini::dataBitsIndex("17BIT"), 1);
    EXPECT_EQ(ini::dataBitsIndex(""), 1);
}

TEST(IniSerial, ParityIsExactAndCaseSensitive)
{
    EXPECT_EQ(ini::parityIndex("ODD"), 1);
    EXPECT_EQ(ini::parityIndex("EVEN"), 2);
    EXPECT_EQ(ini::parityIndex("NON"), 0);
    EXPECT_EQ(ini::parityIndex("odd"), 0);
    EXPECT_EQ(ini::parityIndex("EVEN "), 0);
}

TEST(IniSerial, StopBitsByPrefix)
{
    EXPECT_EQ(ini::stopBitsIndex("1.5BIT"), 1);
    EXPECT_EQ(ini::stopBitsIndex("1.5"), 1);
    EXPECT_EQ(ini::stopBitsIndex("2BIT"), 2);
    EXPECT_EQ(ini::stopBitsIndex("1BIT"), 0);
    EXPECT_EQ(ini::stopBitsIndex("1,5BIT"), 0);
    EXPECT_EQ(ini::stopBitsIndex("1."), 0);
    EXPECT_EQ(ini::stopBitsIndex(""), 0);
}

TEST(IniSerial, FlowControlOnlyExactNoSwitchesItOff)
{
    EXPECT_EQ(ini::flowIndex("NO"), 1);
    EXPECT_EQ(ini::flowIndex("YES"), 0);
    EXPECT_EQ(ini::flowIndex("no"), 0);
    EXPECT_EQ(ini::flowIndex("NONE"), 0);
}

TEST(IniSerial, PortNamesPort1ToPort8)
{
    EXPECT_EQ(ini::portIndex("PORT1"), 0);
    EXPECT_EQ(ini::portIndex("PORT8"), 7);
    EXPECT_EQ(ini::portIndex("COM1"), -1);
    EXPECT_EQ(ini::portIndex("PORT0"), -1);
    EXPECT_EQ(ini::portIndex("PORT9"), -1);
    EXPECT_EQ(ini::portIndex("PORT10"), -1);
    EXPECT_EQ(ini::portIndex("port1"), -1);
    EXPECT_EQ(ini::portIndex(""), -1);
}

TEST(IniSettingsRead, MissingKeysTakeTheirDefaults)
{
    const IniSettings s = readIniSettings(IniDocument());
    EXPECT_EQ(s.undoSize, 1024);
    EXPECT_EQ(s.serial.speedIndex, 3);
    EXPECT_EQ(s.serial.dataBitsIndex, 1);
    EXPECT_EQ(s.serial.parityIndex, 0);
    EXPECT_EQ(s.serial.stopBitsIndex, 0);
    EXPECT_EQ(s.serial.flowIndex, 0);
    EXPECT_EQ(s.serial.portIndex, -1);
    EXPECT_EQ(s.serial.timeoutMs, 50);
    EXPECT_EQ(s.formats.x, "%.1f");
    EXPECT_EQ(s.formats.y, "%.1f");
    EXPECT_EQ(s.formats.z, "%.1f");
    EXPECT_EQ(s.print.left + s.print.top + s.print.right + s.print.bottom + s.print.line, 0);
    EXPECT_EQ(s.workingDirectory, "");
}

TEST(IniSettingsRead, EveryKeyIsReadFromItsSection)
{
    const IniSettings s = readIniSettings(
        IniDocument::fromText("[UNDO]\r\nSIZE=200\r\n"
                              "[RS232C]\r\nSPEED=38400\r\nDATA=7BIT\r\nPARITY=EVEN\r\nSTOP=2BIT\r\n"
                              "XFLLOW=NO\r\nPORT=COM1\r\nTIMEOUT=120\r\n"
                              "[PRECISION]\r\nX=3\r\nY=0\r\nZ=2\r\n"
                              "[PRINT]\r\nLEFT=1\r\nTOP=2\r\nRIGHT=3\r\nBOTTOM=4\r\nLINE=5\r\n"
                              "[DIRECTORY]\r\nPATH1=/home/mech/data\r\nPATH2=/elsewhere\r\n"));
    EXPECT_EQ(s.undoSize, 200);
    EXPECT_EQ(s.serial.speedIndex, 3);
    EXPECT_EQ(s.serial.dataBitsIndex, 0);
    EXPECT_EQ(s.serial.parityIndex, 2);
    EXPECT_EQ(s.serial.stopBitsIndex, 2);
    EXPECT_EQ(s.serial.flowIndex, 1);
    EXPECT_EQ(s.serial.portIndex, -1);
    EXPECT_EQ(s.serial.timeoutMs, 120);
    EXPECT_EQ(s.formats.x, "%.3f");
    EXPECT_EQ(s.formats.y, "%.0f");
    EXPECT_EQ(s.formats.z, "%.2f");
    EXPECT_EQ(s.print.left, 1);
    EXPECT_EQ(s.print.top, 2);
    EXPECT_EQ(s.print.right, 3);
    EXPECT_EQ(s.print.bottom, 4);
    EXPECT_EQ(s.print.line, 5);
    EXPECT_EQ(s.workingDirectory, "/home/mech/data");
}

TEST(IniSettingsRead, NumbersAreReadLikeTheProfileFunctions)
{
    const IniSettings s = readIniSettings(IniDocument::fromText(
        "[UNDO]\nSIZE=64 steps\n[RS232C]\nTIMEOUT=abc\n[PRINT]\nLEFT=-5\n[PRECISION]\nX=\n"));
    EXPECT_EQ(s.undoSize, 64);
    EXPECT_EQ(s.serial.timeoutMs, 0);
    EXPECT_EQ(s.print.left, -5);
    EXPECT_EQ(s.formats.x, "%.1f"); // an empty value keeps the default
}

TEST(IniSettingsRead, NonsensePrecisionStillGivesAValidFormat)
{
    const IniSettings s = readIniSettings(IniDocument::fromText("[PRECISION]\nX=-2\nY=100000\n"));
    CVexApp app;
    app.formats = s.formats;
    EXPECT_EQ(app.formatX(2.5f), "2"); // no decimals rather than a broken format
    const std::string wide = app.formatY(-3.4e38f);
    EXPECT_LE(wide.size(), 255u);
    EXPECT_EQ(wide.substr(0, 4), "-339");
}

TEST(IniSettingsRead, PrecisionThreeShowsThreeDecimals)
{
    CVexApp app;
    app.formats = readIniSettings(IniDocument::fromText("[PRECISION]\nX=3\n")).formats;
    EXPECT_EQ(app.formatX(1.23456f), "1.235");
    EXPECT_EQ(app.formatX(-2.0f), "-2.000");
    EXPECT_EQ(app.formatY(1.25f), "1.2"); // Y and Z keep one decimal
    EXPECT_EQ(app.formatZ(7.0f), "7.0");
}

TEST(IniSettingsRead, ValuesAreCaseSensitiveButNamesAreNot)
{
    const IniSettings s
        = readIniSettings(IniDocument::fromText("[rs232c]\nspeed=9600\nparity=odd\nPort=PORT2\n"));
    EXPECT_EQ(s.serial.speedIndex, 4);
    EXPECT_EQ(s.serial.parityIndex, 0);
    EXPECT_EQ(s.serial.portIndex, 1);
}

} // namespace
} // namespace zlm
