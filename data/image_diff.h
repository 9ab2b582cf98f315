#pragma once
// The difference report of two calibration images in the mechanic's terms:
// which maps, constants and other bytes differ, with physical values as the
// editors show them. Used after a "Not same" in Data Exchange, by the
// read-back after a write, and by `zlm-exchange diff` and `verify`.
//
// Bytes are compared address by address where both images hold them; bytes
// that only one image holds are covered by the start and length lines. Maps
// are laid out from the definition against each image separately (a free
// map's point counts are bytes of the image), so a map whose layout differs is
// said to differ without comparing its cells.
#include "base/app_settings.h"
#include "base/line_list.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zlm {

// An image: `bytes` starts at address `start`.
struct ImageRef {
    std::uint16_t start = 0;
    std::span<const std::uint8_t> bytes;
};

// Map cells listed per map; the rest are counted in a last line.
inline constexpr int kReportCellsPerMap = 8;

struct ImageDiff {
    // Same start, same length, same bytes: `lines` is then empty.
    bool same = true;
    // In this order, "left -> right" throughout:
    //   "Start address: 8000 -> 8010"                  (hex)
    //   "Length: 272 -> 256 bytes"
    //   per map, in map-list order:
    //     "Fuel1: 3 cells differ"  (", 1 axis point" added when axes differ)
    //     "  THROT 10.0 / RPM 2000.0: 12.5 -> 13.0"    (up to 8 of them)
    //     "  THROT point 2: 10.0 -> 12.0", "  RPM point 5: 2000.0 -> 2100.0"
    //                               (kind 2: "  RPM point 5 of THROT 10.0: ...")
    //     "  ... and 4 more"
    //     or "Fuel1: layout differs (THROT x RPM 16 x 16 -> 15 x 16), cells not compared"
    //   per constant, in "Calib" order: "Idle speed: 1000 -> 1200 rpm"
    //   "5 other bytes differ, first at 80F0"
    // Values that print alike but differ in their raw value get " (raw 3E8 -> 3E9)".
    std::vector<std::string> lines;
};

// Compares `left` with `right` against the maps and the "Calib" section of
// `definition`; map values are printed with the display formats (X for RPM,
// Y for map data, Z for THROT), constants as the constants list shows them.
ImageDiff diffImages(
    const LineList& definition, const DisplayFormats& formats, ImageRef left, ImageRef right);

} // namespace zlm
