#include "data/srecord.h"

#include <algorithm>

namespace zlm::srec {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void appendHex(std::string& out, std::uint8_t byte)
{
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 0x0F]);
}

} // namespace

std::uint8_t checksum(std::uint8_t count, std::uint16_t address, std::span<const std::uint8_t> data)
{
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    for (const std::uint8_t b : data)
        sum += b;
    return static_cast<std::uint8_t>(~sum & 0xFF);
}

std::string encodeS1(std::uint16_t address, std::span<const std::uint8_t> data)
{
    data = data.first(std::min(data.size(), kMaxRecordData));
    const auto count = static_cast<std::uint8_t>(data.size() + 3);
    std::string line = "S1";
    line.reserve(kMinRecordLength + 2 * data.size());
    appendHex(line, count);
    appendHex(line, static_cast<std::uint8_t>(address >> 8));
    appendHex(line, static_cast<std::uint8_t>(address & 0xFF));
    for (const std::uint8_t b : data)
        appendHex(line, b);
    appendHex(line, checksum(count, address, data));
    return line;
}

std::vector<std::string> encodeRange(
    std::uint16_t first, std::span<const std::uint8_t> bytes, std::uint16_t last)
{
    std::vector<std::string> lines;
    if (first <= last) {
        const std::size_t total = std::min<std::size_t>(last - first + 1u, bytes.size());
        for (std::size_t offset = 0; offset < total; offset += kBytesPerRecord) {
            const std::size_t n = std::min(kBytesPerRecord, total - offset);
            lines.push_back(
                encodeS1(static_cast<std::uint16_t>(first + offset), bytes.subspan(offset, n)));
        }
    }
    lines.emplace_back(kEndRecord);
    return lines;
}

bool decodeHexPairs(std::string_view digits, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    if (digits.size() % 2 != 0)
        return false;
    bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = hexValue(digits[i]);
        const int low = hexValue(digits[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return true;
}

DecodeError decodeS1(std::string_view line, S1Record& record)
{
    record = S1Record {};
    if (line.size() < kMinRecordLength || !line.starts_with("S1"))
        return DecodeError::NotS1;
    if (line.size() % 2 != 0)
        return DecodeError::OddLength;
    std::vector<std::uint8_t> bytes;
    if (!decodeHexPairs(line.substr(2), bytes))
        return DecodeError::BadDigit;

    // bytes: count, address high, address low, data..., checksum
    record.count = bytes[0];
    record.address = static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]);
    if (record.count + 1u > bytes.size())
        return DecodeError::CountTooLarge;
    const std::size_t dataSize = record.count >= 4 ? record.count - 3u : 0u;
    if (record.address + dataSize > 0x10000u)
        return DecodeError::PastEnd;

    record.data.assign(
        bytes.begin() + 3, bytes.begin() + 3 + static_cast<std::ptrdiff_t>(dataSize));
    record.exactLength = bytes.size() == record.count + 1u;
    unsigned sum = 0;
    for (const std::uint8_t b : bytes)
        sum += b;
    record.checksumOk = (sum & 0xFF) == 0xFF;
    return DecodeError::None;
}

} // namespace zlm::srec
