#include "data/data_file.h"

#include "data/srecord.h"
#include "res/string_table.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace zlm {
namespace {

constexpr int kNoDataSection = 1507;
constexpr int kNoDataRecords = 1508;
constexpr int kFormatError = 1509;
constexpr int kWrongWord = 1510;

// The reader keeps lines of at most this many characters; longer lines are
// split into pieces, the way a fixed-size line reader reads them.
constexpr std::size_t kObjLineLength = 255;
// An image is 64 KiB; an OBJ file many times that size is not one.
constexpr std::size_t kMaxObjFileBytes = 16u << 20;

bool isSectionHeader(std::string_view line)
{
    return text::sectionName(line).has_value();
}

// Removes the non-empty, non-comment lines between the header at `header`
// and the next section header.
void clearSection(LineList& lines, std::size_t header)
{
    std::size_t i = header + 1;
    while (i < lines.count() && !isSectionHeader(lines.at(i))) {
        if (text::isSkippable(lines.at(i)))
            ++i;
        else
            lines.remove(i);
    }
}

} // namespace

Status readDataSection(const LineList& lines, std::span<std::uint8_t, 65536> image,
    std::uint16_t& lowest, std::uint16_t& highest)
{
    const int header = lines.findSection(kDataSection);
    if (header < 0)
        return messageFor(kNoDataSection);

    lowest = 0xFFFF;
    highest = 0;

    std::size_t i = static_cast<std::size_t>(header) + 1;
    while (i < lines.count()) {
        const auto line = text::trim(lines.at(i));
        if (line.size() >= srec::kMinRecordLength && line.starts_with("S1"))
            break;
        ++i;
    }
    if (i >= lines.count())
        return messageFor(kNoDataRecords);

    // From the first record on, every line is looked at, also past other
    // section headers, until an "S9" record or the end of the lines.
    for (; i < lines.count(); ++i) {
        const auto line = text::trim(lines.at(i));
        if (text::isSkippable(line) || line.size() < srec::kMinRecordLength)
            continue;
        if (line.starts_with("S9"))
            return Status::success();
        if (!line.starts_with("S1"))
            return messageFor(kFormatError);

        srec::S1Record record;
        switch (srec::decodeS1(line, record)) {
        case srec::DecodeError::None:
            break;
        case srec::DecodeError::BadDigit:
            return messageFor(kWrongWord);
        default:
            return messageFor(kFormatError);
        }
        std::copy(record.data.begin(), record.data.end(), image.begin() + record.address);
        lowest = std::min(lowest, record.address);
        const int last = record.address + record.count - 4;
        if (last > highest)
            highest = static_cast<std::uint16_t>(last);
    }
    return Status::success();
}

bool writeDataSection(LineList& lines, std::span<const std::uint8_t, 65536> image,
    std::uint16_t lowest, std::uint16_t highest)
{
    const int found = lines.findSection(kDataSection);
    if (found < 0)
        return false;
    const auto header = static_cast<std::size_t>(found);
    clearSection(lines, header);

    std::size_t at = header + 1;
    lines.insert(at++, std::string(kCalibMarker));
    // An empty range (lowest > highest) gives the end record alone.
    const auto records = srec::encodeRange(lowest, image.subspan(lowest), highest);
    for (const auto& record : records)
        lines.insert(at++, record);
    lines.insert(at, std::string(kFixedMarker));
    return true;
}

std::vector<std::string> readTitleSection(const LineList& lines)
{
    std::vector<std::string> titles;
    const int header = lines.findSection(kTitleSection);
    if (header < 0)
        return titles;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines.count(); ++i) {
        const std::string& line = lines.at(i);
        if (isSectionHeader(line))
            break;
        if (text::isSkippable(line))
            continue;
        const auto [name, rest] = text::splitField(line);
        titles.emplace_back(name);
        titles.emplace_back(rest);
    }
    return titles;
}

bool writeTitleSection(LineList& lines, const std::vector<std::string>& titles)
{
    int found = lines.findSection(kTitleSection);
    if (found < 0) {
        // Titles the user entered must not be lost at the save; a file that
        // has none keeps its lines as they are.
        if (titles.empty())
            return false;
        lines.append("[" + std::string(kTitleSection) + "]");
        found = static_cast<int>(lines.count()) - 1;
    }
    const auto header = static_cast<std::size_t>(found);
    clearSection(lines, header);
    std::size_t at = header + 1;
    for (std::size_t i = 0; i < titles.size(); i += 2) {
        const std::string& text = i + 1 < titles.size() ? titles[i + 1] : std::string();
        lines.insert(at++, titles[i] + "," + text);
    }
    return true;
}

ObjImage parseObjText(std::string_view text)
{
    ObjImage obj;

    std::vector<std::string_view> kept;
    while (!text.empty()) {
        const auto feed = text.find('\n');
        auto line = text.substr(0, feed);
        text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        do {
            const auto piece = line.substr(0, kObjLineLength);
            line.remove_prefix(piece.size());
            if (piece.starts_with('S'))
                kept.push_back(piece);
        } while (!line.empty());
    }
    if (kept.empty())
        return obj;

    obj.result = -1;
    std::vector<srec::S1Record> records;
    int lowest = 0xFFFF;
    int highest = 0;
    for (const auto line : kept) {
        const bool isRecord = line.size() >= srec::kMinRecordLength && line.starts_with("S1");
        if (line.starts_with("S9"))
            break;
        if (!isRecord) {
            if (records.empty())
                continue;
            break;
        }
        srec::S1Record record;
        if (srec::decodeS1(line, record) != srec::DecodeError::None)
            return obj;
        if (!record.checksumOk)
            obj.checksumOk = false;
        lowest = std::min<int>(lowest, record.address);
        highest = std::max(highest, record.address + record.count - 4);
        records.push_back(std::move(record));
    }
    if (lowest == 0xFFFF || highest == 0 || lowest >= highest)
        return obj;

    obj.bytes.assign(static_cast<std::size_t>(highest - lowest + 1), 0);
    for (const auto& record : records) {
        const int offset = record.address - lowest;
        if (offset < 0 || offset + static_cast<int>(record.data.size()) > highest - lowest + 1) {
            obj.bytes.clear();
            return obj;
        }
        std::copy(record.data.begin(), record.data.end(), obj.bytes.begin() + offset);
    }
    obj.start = static_cast<std::uint16_t>(lowest);
    obj.result = highest - lowest;
    return obj;
}

ObjImage readObjFile(const std::string& path)
{
    ObjImage failed;
    failed.result = -1;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return failed;
    std::string content;
    std::vector<char> chunk(1 << 16);
    while (
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || file.gcount() > 0) {
        content.append(chunk.data(), static_cast<std::size_t>(file.gcount()));
        if (content.size() > kMaxObjFileBytes)
            return failed;
    }
    if (file.bad())
        return failed;
    return parseObjText(content);
}

} // namespace zlm
