#include "data/image_diff.h"

#include "data/calib.h"
#include "data/constant_value.h"
#include "data/conversion.h"
#include "data/map_access.h"
#include "data/map_parser.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace zlm {
namespace {

std::string hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// "1 cell differs", "3 cells differ".
std::string counted(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Both texts, and the raw values when the texts alone would not show the difference.
std::string change(
    const std::string& from, const std::string& to, unsigned rawFrom, unsigned rawTo, int rawDigits)
{
    std::string text = from + " -> " + to;
    if (from == to)
        text += " (raw " + hex(rawFrom, rawDigits) + " -> " + hex(rawTo, rawDigits) + ")";
    return text;
}

// One image laid into the 64 KiB address space, with its maps.
struct Side {
    std::uint32_t start = 0;
    std::uint32_t end = 0; // one past the last byte, at most 0x10000
    std::size_t length = 0; // as given, also past the end of the address space
    std::unique_ptr<EcuImage> image = std::make_unique<EcuImage>();
    std::vector<MapDefinition> maps;
    MapMode mode = MapMode::Free;

    Side(const LineList& definition, ImageRef ref)
        : start(ref.start)
        , end(static_cast<std::uint32_t>(
              std::min<std::size_t>(kImageSize, ref.start + ref.bytes.size())))
        , length(ref.bytes.size())
    {
        image->fill(0);
        std::copy_n(ref.bytes.begin(), end - start, image->begin() + start);
        if (auto parsed = parseMaps(definition, *image); parsed.ok()) {
            maps = std::move(parsed->maps);
            mode = parsed->mode;
        }
    }
    ImageView view() const { return *image; }
};

bool sameLayout(const MapDefinition& a, const MapDefinition& b)
{
    return a.name == b.name && a.kind == b.kind && a.z.count == b.z.count && a.x.count == b.x.count
        && a.z.address == b.z.address && a.x.address == b.x.address
        && a.dataAddress == b.dataAddress && a.z.width == b.z.width && a.x.width == b.x.width
        && a.z.values == b.z.values && a.x.values == b.x.values;
}

// Config maps may give their axes as lists of physical values instead of image bytes.
bool listAxes(const MapDefinition& map)
{
    return !map.z.values.empty() || !map.x.values.empty();
}

float axisPhysical(const AxisDescriptor& axis, std::uint16_t raw)
{
    if (axis.width == 2)
        return rawWordToPhysical(axis, raw).value;
    return rawByteToPhysical(axis, static_cast<std::uint8_t>(raw)).value;
}

float listValue(const std::string& values, int index)
{
    const auto fields = text::splitFields(values);
    if (index < 0 || static_cast<std::size_t>(index) >= fields.size())
        return 0.0f;
    return scan::real(fields[static_cast<std::size_t>(index)]);
}

class DiffBuilder {
public:
    DiffBuilder(
        const LineList& definition, const DisplayFormats& formats, ImageRef left, ImageRef right)
        : m_definition(definition)
        , m_formats(formats)
        , m_left(definition, left)
        , m_right(definition, right)
    { }

    std::vector<std::string> build()
    {
        if (m_left.start != m_right.start)
            m_lines.push_back(
                "Start address: " + hex(m_left.start, 4) + " -> " + hex(m_right.start, 4));
        if (m_left.length != m_right.length)
            m_lines.push_back("Length: " + std::to_string(m_left.length) + " -> "
                + std::to_string(m_right.length) + " bytes");
        const std::size_t maps = std::max(m_left.maps.size(), m_right.maps.size());
        for (std::size_t i = 0; i < maps; ++i)
            map(i < m_left.maps.size() ? &m_left.maps[i] : nullptr,
                i < m_right.maps.size() ? &m_right.maps[i] : nullptr);
        constants();
        otherBytes();
        return std::move(m_lines);
    }

private:
    bool inBoth(std::uint32_t address) const
    {
        return address >= m_left.start && address < m_left.end && address >= m_right.start
            && address < m_right.end;
    }
    // Claims the bytes for their map or constant; true when one of them differs.
    bool differs(std::uint32_t address, int width = 1)
    {
        bool result = false;
        for (int i = 0; i < width; ++i) {
            const std::uint32_t a = (address + static_cast<std::uint32_t>(i)) & 0xFFFF;
            m_claimed[a] = true;
            if (inBoth(a) && (*m_left.image)[a] != (*m_right.image)[a])
                result = true;
        }
        return result;
    }
    std::uint32_t rawAt(const Side& side, std::uint32_t address, int width) const
    {
        if (width == 2)
            return (std::uint32_t { (*side.image)[address & 0xFFFF] } << 8)
                | (*side.image)[(address + 1) & 0xFFFF];
        return (*side.image)[address & 0xFFFF];
    }

    std::string throt(const MapDefinition& map, int row) const
    {
        const float value = listAxes(map)
            ? listValue(map.z.values, row)
            : axisPhysical(map.z, readZPoint(m_left.view(), map, row));
        return formatZ(m_formats, value);
    }
    std::string rpm(const MapDefinition& map, int row, int column) const
    {
        const float value = listAxes(map)
            ? listValue(map.x.values, column)
            : axisPhysical(map.x, readXPoint(m_left.view(), map, row, column));
        return formatX(m_formats, value);
    }

    // Every byte a map occupies, so that none of them counts as "other".
    void claimMap(const MapDefinition& map, const Side& side)
    {
        if (side.mode == MapMode::Free)
            differs(map.startAddress, 2);
        if (!listAxes(map)) {
            for (int row = 0; row < map.z.count; ++row)
                differs(zPointAddress(map, row), map.z.width);
            const int rows = map.kind == 2 ? map.z.count : 1;
            for (int row = 0; row < rows; ++row)
                for (int column = 0; column < map.x.count; ++column)
                    differs(xPointAddress(map, row, column), map.x.width);
        }
        for (int row = 0; row < map.z.count; ++row)
            for (int column = 0; column < map.x.count; ++column)
                differs(dataCellAddress(map, row, column));
    }

    static std::string size(const MapDefinition* map)
    {
        return map ? std::to_string(map->z.count) + " x " + std::to_string(map->x.count)
                   : std::string("none");
    }

    // A map as the left image lays it out, against the right image's map of the same place.
    void map(const MapDefinition* left, const MapDefinition* right)
    {
        if (!left || !right || !sameLayout(*left, *right)) {
            if (left)
                claimMap(*left, m_left);
            if (right)
                claimMap(*right, m_right);
            m_lines.push_back((left ? left : right)->name + ": layout differs (THROT x RPM "
                + size(left) + " -> " + size(right) + "), cells not compared");
            return;
        }
        const MapDefinition& map = *left;

        std::vector<std::string> details;
        std::size_t cells = 0, points = 0;
        for (int row = 0; row < map.z.count; ++row) {
            for (int column = 0; column < map.x.count; ++column) {
                const std::uint16_t address = dataCellAddress(map, row, column);
                if (!differs(address))
                    continue;
                if (++cells > kReportCellsPerMap)
                    continue;
                const std::uint8_t a = (*m_left.image)[address], b = (*m_right.image)[address];
                details.push_back("  THROT " + throt(map, row) + " / RPM " + rpm(map, row, column)
                    + ": "
                    + change(formatY(m_formats, rawByteToPhysical(map.y, a).value),
                        formatY(m_formats, rawByteToPhysical(map.y, b).value), a, b, 2));
            }
        }
        if (!listAxes(map)) {
            std::vector<std::string> axisDetails;
            if (m_left.mode == MapMode::Free)
                differs(map.startAddress, 2); // the point counts; equal, or the layout differed
            for (int row = 0; row < map.z.count; ++row) {
                const std::uint16_t address = zPointAddress(map, row);
                if (!differs(address, map.z.width))
                    continue;
                const auto a = rawAt(m_left, address, map.z.width);
                const auto b = rawAt(m_right, address, map.z.width);
                ++points;
                axisDetails.push_back("  THROT point " + std::to_string(row) + ": "
                    + change(formatZ(m_formats, axisPhysical(map.z, static_cast<std::uint16_t>(a))),
                        formatZ(m_formats, axisPhysical(map.z, static_cast<std::uint16_t>(b))), a,
                        b, map.z.width * 2));
            }
            const int rows = map.kind == 2 ? map.z.count : 1;
            for (int row = 0; row < rows; ++row) {
                for (int column = 0; column < map.x.count; ++column) {
                    const std::uint16_t address = xPointAddress(map, row, column);
                    if (!differs(address, map.x.width))
                        continue;
                    const auto a = rawAt(m_left, address, map.x.width);
                    const auto b = rawAt(m_right, address, map.x.width);
                    ++points;
                    std::string where = "  RPM point " + std::to_string(column);
                    if (map.kind == 2)
                        where += " of THROT " + throt(map, row);
                    axisDetails.push_back(where + ": "
                        + change(
                            formatX(m_formats, axisPhysical(map.x, static_cast<std::uint16_t>(a))),
                            formatX(m_formats, axisPhysical(map.x, static_cast<std::uint16_t>(b))),
                            a, b, map.x.width * 2));
                }
            }
            // Axis points share the map's eight detail lines, after its cells.
            for (const std::string& line : axisDetails)
                if (details.size() < kReportCellsPerMap)
                    details.push_back(line);
        }
        if (cells == 0 && points == 0)
            return;

        std::string head = map.name + ": ";
        if (cells > 0 && points > 0)
            head += counted(cells, "cell", "cells") + " and "
                + counted(points, "axis point", "axis points") + " differ";
        else if (cells > 0)
            head += counted(cells, "cell differs", "cells differ");
        else
            head += counted(points, "axis point differs", "axis points differ");
        m_lines.push_back(head);
        m_lines.insert(m_lines.end(), details.begin(), details.end());
        const std::size_t more = cells + points - details.size();
        if (more > 0)
            m_lines.push_back("  ... and " + std::to_string(more) + " more");
    }

    // Constants as the constants list lists and shows them.
    void constants()
    {
        for (const ConstantRow& row : constantRows(m_definition)) {
            if (!differs(row.address, row.scaling.size))
                continue;
            const auto a = rowRaw(row, m_left.view());
            const auto b = rowRaw(row, m_right.view());
            std::string text = row.contents + ": "
                + change(rowValueText(row, a), rowValueText(row, b), a, b, row.scaling.size * 2);
            if (!row.unit.empty())
                text += " " + row.unit;
            m_lines.push_back(std::move(text));
        }
    }

    void otherBytes()
    {
        std::size_t count = 0;
        std::uint32_t first = 0;
        const std::uint32_t from = std::max(m_left.start, m_right.start);
        const std::uint32_t to = std::min(m_left.end, m_right.end);
        for (std::uint32_t a = from; a < to; ++a) {
            if (m_claimed[a] || (*m_left.image)[a] == (*m_right.image)[a])
                continue;
            if (count++ == 0)
                first = a;
        }
        if (count == 1)
            m_lines.push_back("1 other byte differs, at " + hex(first, 4));
        else if (count > 1)
            m_lines.push_back(
                std::to_string(count) + " other bytes differ, first at " + hex(first, 4));
    }

    const LineList& m_definition;
    const DisplayFormats& m_formats;
    Side m_left;
    Side m_right;
    std::vector<bool> m_claimed = std::vector<bool>(kImageSize, false);
    std::vector<std::string> m_lines;
};

} // namespace

ImageDiff diffImages(
    const LineList& definition, const DisplayFormats& formats, ImageRef left, ImageRef right)
{
    ImageDiff diff;
    diff.same = left.start == right.start && left.bytes.size() == right.bytes.size()
        && std::equal(left.bytes.begin(), left.bytes.end(), right.bytes.begin());
    if (!diff.same)
        diff.lines = DiffBuilder(definition, formats, left, right).build();
    return diff;
}

} // namespace zlm
