#include "data/map_access.h"

namespace zlm {

namespace {

std::uint16_t wrap(long long address)
{
    return static_cast<std::uint16_t>(static_cast<unsigned long long>(address) & 0xFFFF);
}

bool inRange(int index, int count) { return index >= 0 && index < count; }

} // namespace

std::uint16_t readValue(ImageView image, std::uint16_t address, int width)
{
    if (width == 2)
        return static_cast<std::uint16_t>((image[address] << 8)
                                          | image[static_cast<std::uint16_t>(address + 1)]);
    return image[address];
}

std::uint16_t zPointAddress(const MapDefinition& map, int index)
{
    const long long step = map.z.width == 2 ? 2 : 1;
    return wrap(map.z.address + step * index);
}

std::uint16_t xPointAddress(const MapDefinition& map, int row, int column)
{
    const long long step = map.x.width == 2 ? 2 : 1;
    const long long point = map.kind == 2 ? static_cast<long long>(row) * map.x.count + column : column;
    return wrap(map.x.address + step * point);
}

std::uint16_t dataCellAddress(const MapDefinition& map, int row, int column)
{
    return wrap(map.dataAddress + static_cast<long long>(row) * map.x.count + column);
}

std::uint16_t readZPoint(ImageView image, const MapDefinition& map, int index)
{
    return readValue(image, zPointAddress(map, index), map.z.width);
}

std::uint16_t readXPoint(ImageView image, const MapDefinition& map, int row, int column)
{
    return readValue(image, xPointAddress(map, row, column), map.x.width);
}

CellRead readDataCell(ImageView image, const MapDefinition& map, int row, int column)
{
    if (!inRange(row, map.z.count))
        return {CellCode::BadRow, 0};
    if (!inRange(column, map.x.count))
        return {CellCode::BadColumn, 0};
    return {CellCode::Ok, image[dataCellAddress(map, row, column)]};
}

CellCode writeDataCell(EcuDataSet& data, const MapDefinition& map, int row, int column,
                       std::uint8_t value)
{
    if (!inRange(row, map.z.count))
        return CellCode::BadRow;
    if (!inRange(column, map.x.count))
        return CellCode::BadColumn;
    data.write(dataCellAddress(map, row, column), value, true);
    data.modified = true;
    return CellCode::Ok;
}

CellCode writeXPoint(EcuDataSet& data, const MapDefinition& map, int row, int column,
                     std::uint16_t value)
{
    if (map.kind == 2 && !inRange(row, map.z.count))
        return CellCode::BadRow;
    if (!inRange(column, map.x.count))
        return CellCode::BadColumn;
    const std::uint16_t address = xPointAddress(map, row, column);
    if (map.x.width == 2) {
        data.write(address, static_cast<std::uint8_t>(value >> 8), false);
        data.write(static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(value & 0xFF),
                   false);
    } else {
        data.write(address, static_cast<std::uint8_t>(value & 0xFF), false);
    }
    data.modified = true;
    return CellCode::Ok;
}

const MapDefinition* mapByName(const std::vector<MapDefinition>& maps, std::string_view name)
{
    const int index = mapIndexByName(maps, name);
    return index < 0 ? nullptr : &maps[static_cast<std::size_t>(index)];
}

MapDefinition* mapByName(std::vector<MapDefinition>& maps, std::string_view name)
{
    const int index = mapIndexByName(maps, name);
    return index < 0 ? nullptr : &maps[static_cast<std::size_t>(index)];
}

int mapIndexByName(const std::vector<MapDefinition>& maps, std::string_view name)
{
    for (std::size_t i = 0; i < maps.size(); ++i)
        if (maps[i].name == name)
            return static_cast<int>(i);
    return -1;
}

std::optional<std::uint16_t> lastMapEnd(const std::vector<MapDefinition>& maps)
{
    if (maps.empty())
        return std::nullopt;
    const long end = static_cast<long>(maps.back().dataAddress) + maps.back().dataCount - 1;
    if (end < 0)
        return std::nullopt;
    return static_cast<std::uint16_t>(end);
}

bool endsInDigit(std::string_view name)
{
    return !name.empty() && name.back() >= '0' && name.back() <= '9';
}

bool hasNumberedMaps(const std::vector<MapDefinition>& maps)
{
    int numbered = 0;
    for (const auto& map : maps)
        if (endsInDigit(map.name) && ++numbered > 1)
            return true;
    return false;
}

} // namespace zlm
