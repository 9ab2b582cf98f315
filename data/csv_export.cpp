#include "data/csv_export.h"

#include "data/calib.h"
#include "data/constant_value.h"
#include "data/conversion.h"
#include "data/map_access.h"
#include "platform/text_file.h"
#include "res/string_table.h"

#include <ctime>
#include <string_view>

namespace zlm {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

class CsvWriter {
public:
    CsvWriter(const EcuDataSet& data, const DisplayFormats& formats)
        : m_data(data), m_formats(formats)
    {
    }

    std::string take() { return std::move(m_out); }

    void line(std::string_view text)
    {
        m_out += text;
        m_out += kLineEnd;
    }

    void dateLine(const std::tm& now)
    {
        char text[64] = {};
        std::strftime(text, sizeof text, "%y/%m/%d %H:%M:%S", &now);
        line(text);
    }

    void mapBlock(const MapDefinition& map)
    {
        line("FMDataName," + map.name);
        line(map.kind == 2 ? "FMXType,1" : "FMXType,0");
        line("FMNameZ," + map.z.name);
        line("FMNameX," + map.x.name);
        line("FMNameY," + map.y.name);
        line("FMMaxX," + map.x.maximum);
        line("FMMinX," + map.x.minimum);
        line("FMMaxY," + map.y.maximum);
        line("FMMinY," + map.y.minimum);
        line("FMZCnt," + std::to_string(map.z.count));
        line("FMXCnt," + std::to_string(map.x.count));

        if (m_data.mapMode == MapMode::Config)
            listTable(map);
        else if (map.kind == 2)
            ownAxisTable(map);
        else
            sharedAxisTable(map);
    }

    void constants()
    {
        line("[Calib]");
        const auto calib = readCalibSection(m_data.definition());
        for (const auto& constant : calib)
            if (constant.hasAllFields())
                definitionLine(constant);
        for (const auto& constant : calib)
            if (constant.hasAllFields())
                valueLine(constant);
        line("[Fixed]");
        line("[end]");
    }

private:
    std::string z(const MapDefinition& map, int row) const
    {
        return formatZ(m_formats, axisPhysical(map.z, readZPoint(m_data.image(), map, row)));
    }
    std::string x(const MapDefinition& map, int row, int column) const
    {
        return formatX(m_formats, axisPhysical(map.x, readXPoint(m_data.image(), map, row, column)));
    }
    std::string cell(const MapDefinition& map, int row, int column) const
    {
        const std::uint8_t raw = m_data.read(dataCellAddress(map, row, column));
        return formatY(m_formats, rawByteToPhysical(map.y, raw).value);
    }

    // Axis points are bytes, or big-endian words on a two-byte axis.
    static float axisPhysical(const AxisDescriptor& axis, std::uint16_t raw)
    {
        if (axis.width == 2)
            return rawWordToPhysical(axis, raw).value;
        return rawByteToPhysical(axis, static_cast<std::uint8_t>(raw)).value;
    }

    // Kind 1: Z values across, one line per X point.
    void sharedAxisTable(const MapDefinition& map)
    {
        std::string header = map.name;
        for (int row = 0; row < map.z.count; ++row)
            header += "," + z(map, row);
        line(header);
        for (int column = 0; column < map.x.count; ++column) {
            std::string text = x(map, 0, column);
            for (int row = 0; row < map.z.count; ++row)
                text += "," + cell(map, row, column);
            line(text);
        }
    }

    // Kind 2: each Z point with its own X axis.
    void ownAxisTable(const MapDefinition& map)
    {
        for (int row = 0; row < map.z.count; ++row) {
            line("FMDataZ," + z(map, row));
            for (int column = 0; column < map.x.count; ++column)
                line(x(map, row, column) + "," + cell(map, row, column));
        }
    }

    // List axes: one line per X list value with the data of its column in row 0.
    void listTable(const MapDefinition& map)
    {
        const auto values = text::splitFields(map.x.values);
        if (text::trim(map.x.values).empty())
            return;
        for (std::size_t column = 0; column < values.size(); ++column)
            line(formatZ(m_formats, scan::real(values[column])) + "," +
                 cell(map, 0, static_cast<int>(column)));
    }

    void definitionLine(const CalibLine& constant)
    {
        std::string text = "Address,";
        text += constant.address();
        text += ",Byte,";
        text += constant.byte();
        text += ",Contents,";
        text += constant.contents();
        text += ",LSB,";
        text += constant.lsb();
        text += ",Offset,";
        text += constant.offset();
        text += ",Unit,";
        text += constant.unit();
        text += ",Calc,";
        text += constant.calc();
        line(text);
    }

    void valueLine(const CalibLine& constant)
    {
        std::string text(constant.contents());
        text += ",";
        // An address that is not a 16-bit hexadecimal number has no value to show.
        const auto address = scan::hex(constant.address());
        if (address && *address <= 0xFFFF) {
            ConstantScaling scaling;
            scaling.size = constant.byte() == "2" ? 2 : 1;
            scaling.lsb = scan::real(constant.lsb());
            scaling.offset = scan::real(constant.offset());
            scaling.calc = static_cast<int>(scan::integer(constant.calc()).value_or(0));
            const auto raw =
                constantRaw(m_data.image(), static_cast<std::uint16_t>(*address), scaling.size);
            text += constantExportText(constantPhysical(scaling, raw));
        }
        line(text);
    }

    const EcuDataSet& m_data;
    const DisplayFormats& m_formats;
    std::string m_out;
};

} // namespace

std::tm currentLocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return local;
}

std::string csvText(const EcuDataSet& data, const DisplayFormats& formats, const std::tm& now)
{
    CsvWriter writer(data, formats);
    writer.dateLine(now);
    writer.line("Version 1.0");
    for (const auto& map : data.maps())
        writer.mapBlock(map);
    writer.constants();
    return writer.take();
}

Status exportCsv(const EcuDataSet& data, const DisplayFormats& formats, const std::string& path,
                 const std::tm& now)
{
    if (!writeFileReplacing(path, csvText(data, formats, now)))
        return messageFor(1517, Icon::Exclamation);
    return Status::success();
}

} // namespace zlm
