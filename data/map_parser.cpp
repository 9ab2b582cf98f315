#include "data/map_parser.h"

#include "res/string_table.h"

#include <optional>
#include <string>
#include <string_view>

namespace zlm {

namespace {

using ImageView = std::span<const std::uint8_t, kImageSize>;

constexpr int kMapsNotFound = 1514;
constexpr int kMapFormatError = 1515;
constexpr int kMapAddressWrong = 1523;

// One past the last image address.
constexpr std::uint32_t kImageEnd = 0x10000;

std::optional<std::uint16_t> parseAddress(std::string_view field)
{
    const auto value = text::parseHex(field);
    if (!value || *value >= kImageEnd)
        return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

// "start, end, third" and nothing after the third.
std::optional<FreeMapArea> parseArea(std::string_view line)
{
    const auto first = text::splitField(text::trim(line));
    const auto second = text::splitField(first.rest);
    const auto third = text::splitField(second.rest);
    const auto start = parseAddress(first.field);
    const auto end = parseAddress(second.field);
    const auto extra = parseAddress(third.field);
    if (!start || !end || !extra || !third.rest.empty())
        return std::nullopt;
    return FreeMapArea{*start, *end, *extra};
}

// "name, kind, third[, note]": kind "0" is a map with one shared X axis,
// "1" a map with an X axis per Z point.
bool parseHeader(std::string_view line, MapDefinition& map)
{
    const auto name = text::splitField(text::trim(line));
    if (name.field.empty() || name.rest.empty())
        return false;
    const auto kind = text::splitField(name.rest);
    if ((kind.field != "0" && kind.field != "1") || kind.rest.empty())
        return false;
    const auto third = text::splitField(kind.rest);
    map.name = std::string(name.field);
    map.kind = kind.field == "0" ? 1 : 2;
    map.note = third.rest.empty() ? std::string() : std::string(text::splitField(third.rest).field);
    return true;
}

// "name, minimum, maximum, to-physical, to-raw[, lower[, upper]]".
bool parseAxis(std::string_view line, AxisDescriptor& axis)
{
    std::string_view rest = text::trim(line);
    std::string_view required[5];
    for (int i = 0; i < 5; ++i) {
        const auto split = text::splitField(rest);
        if (split.field.empty() || (i < 4 && split.rest.empty()))
            return false;
        required[i] = split.field;
        rest = split.rest;
    }
    axis.name = std::string(required[0]);
    axis.minimum = std::string(required[1]);
    axis.maximum = std::string(required[2]);
    axis.toPhysical = std::string(required[3]);
    axis.toRaw = std::string(required[4]);
    if (!rest.empty()) {
        const auto lower = text::splitField(rest);
        axis.lowerLimit = std::string(lower.field);
        if (!lower.rest.empty())
            axis.upperLimit = std::string(text::splitField(lower.rest).field);
    }
    return true;
}

// Lays out a free map's block at `running`: Z count, X count, Z axis, X axis
// (one shared, or one per Z point), data. False when any of it would run past
// the end of the image.
bool layoutFreeMap(MapDefinition& map, ImageView image, std::uint32_t& running)
{
    const std::uint32_t block = running;
    if (block + 2 > kImageEnd)
        return false;
    const std::uint32_t zCount = image[block];
    const std::uint32_t xCount = image[block + 1];
    const std::uint32_t zAddress = block + 2;
    const std::uint32_t xAddress = zAddress + zCount;
    const std::uint32_t xBytes = map.kind == 1 ? xCount : zCount * xCount;
    const std::uint32_t dataAddress = xAddress + xBytes;
    const std::uint32_t dataCount = zCount * xCount;
    const std::uint32_t end = dataAddress + dataCount;
    if (end > kImageEnd || dataAddress >= kImageEnd)
        return false;

    map.startAddress = static_cast<std::uint16_t>(block);
    map.z.count = static_cast<std::uint8_t>(zCount);
    map.z.address = static_cast<std::uint16_t>(zAddress);
    map.x.count = static_cast<std::uint8_t>(xCount);
    map.x.address = static_cast<std::uint16_t>(xAddress);
    map.y.address = static_cast<std::uint16_t>(dataAddress);
    map.dataCount = static_cast<std::uint16_t>(dataCount);
    map.dataAddress = static_cast<std::uint16_t>(dataAddress);
    // The whole block, data included, so that no map starts inside another.
    running = end;
    return true;
}

// One axis line of a config map: either "count, v1, ..., vcount" or
// "keyword, address, width, count, spacing".
struct ConfigAxis {
    bool inImage = false;
    std::uint8_t count = 0;
    std::string values;
    std::uint16_t address = 0;
    int width = 1;
    int spacing = 0;
};

std::optional<ConfigAxis> parseConfigAxis(std::string_view line, std::string_view keyword)
{
    const auto fields = text::splitFields(text::trim(line));
    ConfigAxis axis;
    if (const auto count = text::parseDecimal(fields.front())) {
        if (*count < 0 || *count > 255 || fields.size() - 1 != static_cast<std::size_t>(*count))
            return std::nullopt;
        axis.count = static_cast<std::uint8_t>(*count);
        for (std::size_t i = 1; i < fields.size(); ++i) {
            if (i > 1)
                axis.values += ',';
            axis.values += fields[i];
        }
        return axis;
    }
    if (fields.size() != 5 || !text::equalsNoCase(fields[0], keyword))
        return std::nullopt;
    const auto address = parseAddress(fields[1]);
    const auto width = text::parseDecimal(fields[2]);
    const auto count = text::parseDecimal(fields[3]);
    const auto spacing = text::parseDecimal(fields[4]);
    if (!address || !width || !count || !spacing)
        return std::nullopt;
    axis.inImage = true;
    axis.address = *address;
    axis.width = *width == 2 ? 2 : 1;
    axis.count = static_cast<std::uint8_t>(static_cast<unsigned long>(*count) & 0xFF);
    axis.spacing = static_cast<int>(*spacing);
    return axis;
}

void applyConfigAxis(const ConfigAxis& from, AxisDescriptor& to)
{
    to.count = from.count;
    to.values = from.values;
    to.address = from.address;
    to.width = from.inImage ? from.width : 1;
    to.spacing = from.inImage ? from.spacing : 0;
}

bool fitsInImage(std::uint32_t address, std::uint32_t bytes)
{
    return address < kImageEnd && address + bytes <= kImageEnd;
}

// Reads the two axis lines of a config map and places its data at `running`.
bool layoutConfigMap(MapDefinition& map, const ConfigAxis& z, const ConfigAxis& x,
                     std::uint32_t& running)
{
    if (z.inImage != x.inImage)
        return false;
    const std::uint32_t dataCount = std::uint32_t{z.count} * x.count;
    if (z.inImage) {
        const std::uint32_t xPoints = map.kind == 1 ? x.count : dataCount;
        if (!fitsInImage(z.address, std::uint32_t{z.count} * static_cast<std::uint32_t>(z.width))
            || !fitsInImage(x.address, xPoints * static_cast<std::uint32_t>(x.width)))
            return false;
    }
    if (!fitsInImage(running, dataCount))
        return false;
    applyConfigAxis(z, map.z);
    applyConfigAxis(x, map.x);
    map.startAddress = static_cast<std::uint16_t>(running);
    map.dataAddress = static_cast<std::uint16_t>(running);
    map.y.address = map.dataAddress;
    map.dataCount = static_cast<std::uint16_t>(dataCount);
    running += dataCount;
    return true;
}

enum class MapRead { Done, Invalid, EndOfSection };

class SectionReader {
public:
    SectionReader(const LineList& lines, std::size_t index, ImageView image, bool free,
                  std::uint32_t start)
        : m_lines(lines), m_index(index), m_image(image), m_free(free), m_running(start)
    {
    }

    // Reads the next map into `map`.
    MapRead readMap(MapDefinition& map, bool& inImage)
    {
        const auto header = next();
        if (!header)
            return MapRead::Invalid;  // ran out: fine after a map, an error before any
        if (text::sectionName(*header))
            return MapRead::EndOfSection;
        if (!parseHeader(*header, map))
            return MapRead::Invalid;
        for (AxisDescriptor* axis : {&map.z, &map.x, &map.y}) {
            // Lines running out leave the remaining axes empty.
            const auto line = next();
            if (line && !parseAxis(*line, *axis))
                return MapRead::Invalid;
        }
        if (m_free)
            return layoutFreeMap(map, m_image, m_running) ? MapRead::Done : MapRead::Invalid;

        const auto zLine = next();
        const auto z = zLine ? parseConfigAxis(*zLine, "z") : std::nullopt;
        if (!z)
            return MapRead::Invalid;
        const auto xLine = next();
        const auto x = xLine ? parseConfigAxis(*xLine, "x") : std::nullopt;
        if (!x || !layoutConfigMap(map, *z, *x, m_running))
            return MapRead::Invalid;
        inImage = z->inImage;
        return MapRead::Done;
    }

private:
    // The next line that is neither empty nor a comment; once the lines have
    // run out, nothing.
    std::optional<std::string_view> next()
    {
        const auto index = m_index ? m_lines.nextLine(*m_index) : std::nullopt;
        m_index = index;
        if (!index)
            return std::nullopt;
        return std::string_view(m_lines.at(*index));
    }

    const LineList& m_lines;
    std::optional<std::size_t> m_index;
    ImageView m_image;
    bool m_free = true;
    std::uint32_t m_running = 0;
};

} // namespace

Result<ParsedMaps> parseMaps(const LineList& definition, ImageView image)
{
    int header = definition.findSection("Free Map");
    const bool free = header >= 0;
    if (!free)
        header = definition.findSection("Config Map");
    if (header < 0)
        return messageFor(kMapsNotFound);

    ParsedMaps parsed;
    parsed.mode = free ? MapMode::Free : MapMode::Config;

    const auto areaIndex = definition.nextLine(static_cast<std::size_t>(header));
    if (!areaIndex || text::sectionName(definition.at(*areaIndex)))
        return messageFor(kMapAddressWrong);
    const auto area = parseArea(definition.at(*areaIndex));
    if (!area)
        return messageFor(kMapAddressWrong);
    parsed.area = *area;

    SectionReader reader(definition, *areaIndex, image, free, area->start);
    for (;;) {
        MapDefinition map;
        bool inImage = false;
        const MapRead read = reader.readMap(map, inImage);
        if (read == MapRead::EndOfSection)
            break;
        if (read == MapRead::Invalid) {
            if (parsed.maps.empty())
                return messageFor(kMapFormatError);
            break;
        }
        if (inImage)
            parsed.mode = MapMode::ConfigInImage;
        parsed.maps.push_back(std::move(map));
    }
    return parsed;
}

} // namespace zlm
