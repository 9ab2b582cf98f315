#pragma once
// The data file (*.lyn): the calibration range of the memory image as S1
// records in the section "Data" and the user's titles in the section "Title";
// every other line is kept as it was. Also the OBJ file (*.obj) reader, whose
// lines are S1 records too.
//
// The functions work on the 64 KiB image (index = ECU address) and the
// calibration range (lowest..highest, the byte at highest being the checksum
// byte) so they do not depend on the data set that owns them.
#include "base/line_list.h"
#include "base/result.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

inline constexpr std::string_view kDataSection = "Data";
inline constexpr std::string_view kTitleSection = "Title";
inline constexpr std::string_view kCalibMarker = "Calib:";
inline constexpr std::string_view kFixedMarker = "Fixed:";

// Fills the image and the calibration range from the "Data" section. Sets
// lowest to 0xFFFF and highest to 0 first; each record lowers and raises
// them. Errors (stop icon): "[Data] section is not found",
// "[Data] section data is not found", "S-format error in [Data] section"
// (also for a record whose count claims more bytes than its line holds, or
// whose data would run past 0xFFFF), "Including wrong word in [Data] section".
// Record checksums are not verified. Bytes of records read before an error
// stay in the image.
Status readDataSection(const LineList& lines, std::span<std::uint8_t, 65536> image,
    std::uint16_t& lowest, std::uint16_t& highest);

// Replaces the records of the "Data" section: its other non-comment lines are
// removed (comments and blank lines stay, after the new lines) and "Calib:",
// the records of lowest..highest (none when lowest > highest), "S9030000FC"
// and "Fixed:" are inserted after the header. False when there is no section.
bool writeDataSection(LineList& lines, std::span<const std::uint8_t, 65536> image,
    std::uint16_t lowest, std::uint16_t highest);

// Titles as a flat list, name and text alternating (name first). A line
// without "," is a name with an empty text. No section: an empty list.
std::vector<std::string> readTitleSection(const LineList& lines);
// Replaces the title lines with one "name,text" line per pair (a name left
// without its text is written with an empty text). A file without a "Title"
// section gets one appended at its end when there are titles; without titles
// it is left alone and the result is false.
bool writeTitleSection(LineList& lines, const std::vector<std::string>& titles);

// An OBJ file's image.
struct ObjImage {
    // -2: no line beginning with "S"; -1: unreadable file, no valid range, a
    // bad record (odd length, bad digit, count longer than its line, data past
    // 0xFFFF) or a byte outside the range; otherwise highest - lowest, the
    // index of the last byte in `bytes`.
    int result = -2;
    std::uint16_t start = 0; // address of bytes[0]
    std::vector<std::uint8_t> bytes; // highest - lowest + 1 bytes on success
    bool checksumOk = true; // cleared by any record with a wrong checksum
};

// OBJ text: only lines beginning with "S" count. Records before the first S1
// record that are not S1 (a header record) are passed over; after it, the
// first line that is not an S1 record of 10 or more characters ends the
// file, as does an "S9" line.
ObjImage parseObjText(std::string_view text);
ObjImage readObjFile(const std::string& path);

} // namespace zlm
