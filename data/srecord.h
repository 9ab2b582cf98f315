#pragma once
// Motorola S1 records, the line format of data files, OBJ files and the ECU's
// image transfer: "S1", count, 16-bit address, data bytes, checksum, all as
// pairs of hexadecimal digits (written upper case, read in either case). The
// count is the number of bytes after it (address 2 + data + checksum 1); the
// checksum is the ones' complement of the low 8 bits of the sum of the count,
// the address bytes and the data bytes.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zlm::srec {

inline constexpr std::string_view kEndRecord = "S9030000FC";
inline constexpr std::size_t kBytesPerRecord = 16;
// Longest data part a record's count byte can describe.
inline constexpr std::size_t kMaxRecordData = 252;
// The shortest S1 line: "S1", count, address and checksum.
inline constexpr std::size_t kMinRecordLength = 10;

// One record line for `data` (at most kMaxRecordData bytes, more are not
// written) at `address`, digits upper case.
std::string encodeS1(std::uint16_t address, std::span<const std::uint8_t> data);

// The checksum byte of a record: ones' complement of the low 8 bits of the sum.
std::uint8_t checksum(
    std::uint8_t count, std::uint16_t address, std::span<const std::uint8_t> data);

// Records for the addresses first..last inclusive, 16 data bytes per record
// (the last holds the rest), taken from `bytes`, which starts at `first`; then
// kEndRecord. An empty range (first > last) gives the end record alone; bytes
// missing from a short buffer are not encoded.
std::vector<std::string> encodeRange(
    std::uint16_t first, std::span<const std::uint8_t> bytes, std::uint16_t last);

enum class DecodeError {
    None,
    NotS1, // shorter than kMinRecordLength or not beginning with "S1"
    OddLength, // the line's length is odd
    BadDigit, // a pair after "S1" is not two hexadecimal digits
    CountTooLarge, // the count claims more bytes than the line holds
    PastEnd, // the data would run past address 0xFFFF
};

struct S1Record {
    std::uint8_t count = 0;
    std::uint16_t address = 0;
    std::vector<std::uint8_t> data; // count - 3 bytes (none for a count below 4)
    // All decoded bytes of the line add up to 0xFF (low 8 bits).
    bool checksumOk = false;
    // The line holds exactly count + 1 bytes after "S1".
    bool exactLength = false;
};

// Decodes one trimmed line. Checks, in this order: type and minimum length,
// even length, digits, count against the line's length, end of the address
// space. The checksum is reported, not enforced: callers decide.
DecodeError decodeS1(std::string_view line, S1Record& record);

// The bytes of a line after "S" and its type digit, two hex digits each;
// false on an odd length or a bad digit.
bool decodeHexPairs(std::string_view digits, std::vector<std::uint8_t>& bytes);

} // namespace zlm::srec
