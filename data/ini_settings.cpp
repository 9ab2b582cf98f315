#include "data/ini_settings.h"

#include "data/conversion.h"
#include "platform/ini_file.h"

#include <array>
#include <optional>

namespace zlm {
namespace ini {

int speedIndex(std::string_view value)
{
    static constexpr std::array<std::pair<std::string_view, int>, 5> kSpeeds { { { "600", 0 },
        { "1200", 1 }, { "2400", 2 }, { "9600", 4 }, { "19200", 5 } } };
    for (const auto& [text, index] : kSpeeds) {
        if (value == text)
            return index;
    }
    return 3;
}

int dataBitsIndex(std::string_view value)
{
    return value.starts_with('7') ? 0 : 1;
}

int parityIndex(std::string_view value)
{
    if (value == "ODD")
        return 1;
    if (value == "EVEN")
        return 2;
    return 0;
}

int stopBitsIndex(std::string_view value)
{
    if (value.starts_with("1.5"))
        return 1;
    if (value.starts_with('2'))
        return 2;
    return 0;
}

int flowIndex(std::string_view value)
{
    return value == "NO" ? 1 : 0;
}

int portIndex(std::string_view value)
{
    if (value.size() == 5 && value.starts_with("PORT") && value[4] >= '1' && value[4] <= '8')
        return value[4] - '1';
    return -1;
}

} // namespace ini

namespace {

std::string stringOf(const IniDocument& doc, std::string_view section, std::string_view key,
    std::string_view defaultValue)
{
    auto value = doc.find(section, key);
    return value ? *value : std::string(defaultValue);
}

int intOf(const IniDocument& doc, std::string_view section, std::string_view key, int defaultValue)
{
    const auto value = doc.find(section, key);
    if (!value || value->empty())
        return defaultValue;
    return profileInt(*value);
}

} // namespace

IniSettings readIniSettings(const IniDocument& doc)
{
    IniSettings s;
    s.undoSize = intOf(doc, "UNDO", "SIZE", 1024);

    SerialSettings& serial = s.serial;
    serial.speedIndex = ini::speedIndex(stringOf(doc, "RS232C", "SPEED", "4800"));
    serial.dataBitsIndex = ini::dataBitsIndex(stringOf(doc, "RS232C", "DATA", "8BIT"));
    serial.parityIndex = ini::parityIndex(stringOf(doc, "RS232C", "PARITY", "NON"));
    serial.stopBitsIndex = ini::stopBitsIndex(stringOf(doc, "RS232C", "STOP", "1BIT"));
    serial.flowIndex = ini::flowIndex(stringOf(doc, "RS232C", "XFLLOW", "YES"));
    serial.portIndex = ini::portIndex(stringOf(doc, "RS232C", "PORT", ""));
    serial.timeoutMs = intOf(doc, "RS232C", "TIMEOUT", 50);

    s.formats.x = displayFormat(intOf(doc, "PRECISION", "X", 1));
    s.formats.y = displayFormat(intOf(doc, "PRECISION", "Y", 1));
    s.formats.z = displayFormat(intOf(doc, "PRECISION", "Z", 1));

    s.print.left = intOf(doc, "PRINT", "LEFT", 0);
    s.print.top = intOf(doc, "PRINT", "TOP", 0);
    s.print.right = intOf(doc, "PRINT", "RIGHT", 0);
    s.print.bottom = intOf(doc, "PRINT", "BOTTOM", 0);
    s.print.line = intOf(doc, "PRINT", "LINE", 0);

    s.workingDirectory = stringOf(doc, "DIRECTORY", "PATH1", "");
    s.tableShading = intOf(doc, "TABLE WINDOW", "SHADING", 1) != 0;
    return s;
}

IniSettings readIniSettings(const IniFile& file)
{
    return readIniSettings(file.read());
}

} // namespace zlm
