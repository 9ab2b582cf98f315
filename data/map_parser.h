#pragma once
// Reads the maps of the ECU definition: section "[Free Map]" (looked up first)
// or "[Config Map]". Free maps take their point counts from the memory image
// and are laid out one after the other from the area's start address; config
// maps give their axes as lists of values or as addresses in the image.
//
// The caller owns what follows a parse: it stores the maps and the mode in the
// data set, fills the edit bar's Label list with the names, and then reads the
// preset link of section "Multi Map" (the map link).
#include "data/ecu_data_set.h"
#include "base/line_list.h"
#include "data/map_definition.h"
#include "base/result.h"

#include <cstdint>
#include <span>
#include <vector>

namespace zlm {

// The first line of the map section: three hexadecimal values. Only the start
// address is used; the maps are laid out from it.
struct FreeMapArea {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    std::uint16_t third = 0;
    int size() const { return static_cast<int>(end) - static_cast<int>(start); }
};

struct ParsedMaps {
    MapMode mode = MapMode::Free;
    FreeMapArea area;
    std::vector<MapDefinition> maps;  // in file order
};

// Parses the map section of `definition`. Failures come back as the message to
// show: "[Free Map] or [Config Map] section is not found." (1514), "Map Address
// is wrong" (1523) or "Format error in [Free Map] section" (1515, for both
// sections). An invalid map after at least one good map ends the section
// quietly, keeping the maps read so far.
//
// Every map lies wholly inside the 64 KiB image: one whose axes or data would
// run past 0xFFFF counts as an invalid map. Maps never overlap: the running
// address advances by the whole size of each map.
Result<ParsedMaps> parseMaps(const LineList& definition,
                             std::span<const std::uint8_t, kImageSize> image);

} // namespace zlm
