#pragma once
// The values of a map in the memory image: Z points, X points and data cells,
// and small look-ups over the map array. Reads work on a read-only view of the
// image; writes go through the data set, which sets the modified flag and
// mirrors data bytes into linked maps.
#include "data/ecu_data_set.h"
#include "data/map_definition.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace zlm {

using ImageView = std::span<const std::uint8_t, kImageSize>;

// Outcome of a cell access: 0 done, 1 row (Z index) out of range, 2 column
// (X index) out of range.
enum class CellCode { Ok = 0, BadRow = 1, BadColumn = 2 };

struct CellRead {
    CellCode code = CellCode::Ok;
    std::uint8_t value = 0;
    bool ok() const { return code == CellCode::Ok; }
};

// Addresses of single values. Every address wraps inside the 64 KiB image, so a
// stray index can never reach outside it.
std::uint16_t zPointAddress(const MapDefinition& map, int index);
std::uint16_t xPointAddress(const MapDefinition& map, int row, int column);
std::uint16_t dataCellAddress(const MapDefinition& map, int row, int column);

// The value at `address`: one byte, or a big-endian word for width 2 (the
// address after 0xFFFF is 0x0000).
std::uint16_t readValue(ImageView image, std::uint16_t address, int width);

// Z point `index`: one byte, or a big-endian word for width 2.
std::uint16_t readZPoint(ImageView image, const MapDefinition& map, int index);
// X point `column` of Z point `row` (the row only matters for kind 2).
std::uint16_t readXPoint(ImageView image, const MapDefinition& map, int row, int column);
// Data byte at (row, column), checked against the Z and X counts.
CellRead readDataCell(ImageView image, const MapDefinition& map, int row, int column);

// Stores a data byte through the data set's write with mirroring into linked maps.
CellCode writeDataCell(EcuDataSet& data, const MapDefinition& map, int row, int column,
                       std::uint8_t value);
// Stores an X point (a big-endian word for width 2, else the low byte); never
// mirrored. The row is checked only for kind 2, where each Z point has its own axis.
CellCode writeXPoint(EcuDataSet& data, const MapDefinition& map, int row, int column,
                     std::uint16_t value);

// The first map called `name` (case matters), or null.
const MapDefinition* mapByName(const std::vector<MapDefinition>& maps, std::string_view name);
MapDefinition* mapByName(std::vector<MapDefinition>& maps, std::string_view name);
// Index of the first map called `name`, or -1.
int mapIndexByName(const std::vector<MapDefinition>& maps, std::string_view name);

// Address of the last data byte of the last map; nothing without maps or when
// the last map holds no data at address 0.
std::optional<std::uint16_t> lastMapEnd(const std::vector<MapDefinition>& maps);

// True when more than one map name ends in a digit "0" to "9" (candidates for
// a map link).
bool hasNumberedMaps(const std::vector<MapDefinition>& maps);
// True when the name's last character is a digit.
bool endsInDigit(std::string_view name);

} // namespace zlm
