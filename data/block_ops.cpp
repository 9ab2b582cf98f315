#include "data/block_ops.h"

#include "base/app_settings.h"
#include "data/conversion.h"
#include "data/ecu_data_set.h"
#include "data/map_access.h"
#include "data/map_definition.h"
#include "data/undo_stack.h"
#include "res/string_table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace zlm {

namespace {

constexpr int kCaptionId = 2001; // "Table Window"
constexpr int kByteMax = 255;

std::string caption()
{
    return std::string(loadString(kCaptionId));
}

// "Data error", an optional reason, "Data is set as before editing".
Message refusal(const std::string& reason)
{
    std::string text(loadString(1505));
    if (!reason.empty())
        text += "\n" + reason;
    text += "\n" + std::string(loadString(1504));
    return Message { 0, std::move(text), Icon::Stop, caption() };
}

std::string plural(int count, const char* one, const char* many)
{
    return std::to_string(count) + (count == 1 ? one : many);
}

// The physical value of every raw byte, converted once: a block reads many
// cells but only 256 different values.
class PhysicalTable {
public:
    explicit PhysicalTable(const MapDefinition& map)
    {
        for (int raw = 0; raw <= kByteMax; ++raw)
            m_values[static_cast<std::size_t>(raw)]
                = rawByteToPhysical(map.y, static_cast<std::uint8_t>(raw)).value;
    }
    double operator()(std::uint8_t raw) const { return m_values[raw]; }

private:
    std::array<float, kByteMax + 1> m_values {};
};

// A cell to write: where, and the physical value it should take.
struct CellValue {
    int line = 0;
    int point = 0;
    double physical = 0.0;
};

// Converts every value, then writes the bytes that change through the data
// set's store and records them as one undo record. Any failed conversion
// refuses the whole list before a byte is written.
BlockOutcome writeCells(EcuDataSet& data, MapDefinition& map, const std::vector<CellValue>& cells,
    std::string_view operation, int undoSize)
{
    BlockOutcome outcome;
    const RawRange limits = dataRawRange(map.y);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(cells.size());
    for (const CellValue& cell : cells) {
        const RawConversion raw = physicalToRawInt(map.y, static_cast<float>(cell.physical));
        if (!raw.ok() || std::isnan(raw.value)) {
            outcome.messages.push_back(
                refusal(raw.ok() ? std::string() : conversionMessage(raw.code)));
            return outcome;
        }
        // Rounded to the nearest raw value; far beyond the byte is simply beyond it.
        const double rounded = std::round(std::clamp(static_cast<double>(raw.value), -1.0, 65536.0));
        const int wanted = static_cast<int>(rounded);
        int value = std::clamp(wanted, 0, kByteMax);
        value = std::min(std::max(value, limits.lower), limits.upper);
        if (value != wanted)
            ++outcome.clamped;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }

    std::vector<std::uint16_t> addresses;
    std::vector<std::uint16_t> oldValues;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::uint16_t address = dataCellAddress(map, cells[i].line, cells[i].point);
        const std::uint8_t old = data.read(address);
        if (old == bytes[i])
            continue;
        addresses.push_back(address);
        oldValues.push_back(old);
        data.write(address, bytes[i], true);
    }
    outcome.applied = true;
    outcome.changed = static_cast<int>(addresses.size());
    RecordBlockChange(
        map, std::string(operation), std::move(addresses), std::move(oldValues), undoSize);
    // The current cell may be one of those written.
    if (map.edit.part == EditPart::Data && outcome.changed > 0)
        map.edit.currentValue = data.read(dataCellAddress(map, map.edit.line, map.edit.point));
    return outcome;
}

// The report after an operation: cells clamped, values that found no cell.
void addReport(BlockOutcome& outcome, const MapDefinition& map, const DisplayFormats& formats)
{
    std::string text;
    if (outcome.clamped > 0) {
        const RawRange limits = dataRawRange(map.y);
        const auto shown = [&](int raw) {
            return formatY(formats,
                rawByteToPhysical(map.y, static_cast<std::uint8_t>(std::clamp(raw, 0, kByteMax)))
                    .value);
        };
        text = plural(outcome.clamped, " value was", " values were")
            + " kept to the allowed range (" + shown(limits.lower) + " to "
            + shown(limits.upper) + ").";
    }
    if (outcome.ignored > 0) {
        if (!text.empty())
            text += "\n";
        text += plural(outcome.ignored, " value lay", " values lay") + " beyond the map and "
            + (outcome.ignored == 1 ? "was" : "were") + " ignored.";
    }
    if (!text.empty())
        outcome.messages.push_back(Message { 0, std::move(text), Icon::Information, caption() });
}

CellBlock clipped(const CellBlock& block, const MapDefinition& map)
{
    CellBlock b = block;
    b.top = std::max(b.top, 0);
    b.left = std::max(b.left, 0);
    b.bottom = std::min(b.bottom, map.z.count - 1);
    b.right = std::min(b.right, map.x.count - 1);
    return b;
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<double> parseNumber(std::string_view field)
{
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    if (field.empty() || field.front() == '+')
        return std::nullopt;
    double value = 0.0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The lines of a text, without their line ends and without trailing empty lines.
std::vector<std::string_view> textLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    while (!lines.empty() && trimmed(lines.back()).empty())
        lines.pop_back();
    return lines;
}

} // namespace

std::string_view operationName(BlockOperation operation)
{
    switch (operation) {
    case BlockOperation::Set:
        return "Set";
    case BlockOperation::Add:
        return "Add";
    case BlockOperation::Scale:
        return "Scale";
    case BlockOperation::Interpolate:
        return "Interpolate";
    case BlockOperation::Smooth:
        return "Smooth";
    }
    return {};
}

bool takesAmount(BlockOperation operation)
{
    return operation == BlockOperation::Set || operation == BlockOperation::Add
        || operation == BlockOperation::Scale;
}

std::vector<double> operationResult(
    BlockOperation operation, const std::vector<double>& values, int rows, int columns, double amount)
{
    std::vector<double> result = values;
    if (rows <= 0 || columns <= 0 || values.size() != static_cast<std::size_t>(rows * columns))
        return result;
    const auto at = [&](int r, int c) { return values[static_cast<std::size_t>(r * columns + c)]; };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            double& out = result[static_cast<std::size_t>(r * columns + c)];
            switch (operation) {
            case BlockOperation::Set:
                out = amount;
                break;
            case BlockOperation::Add:
                out = at(r, c) + amount;
                break;
            case BlockOperation::Scale:
                out = at(r, c) * amount / 100.0;
                break;
            case BlockOperation::Interpolate: {
                // Positions by index: 0 at the first line or point, 1 at the last.
                const double u = columns > 1 ? static_cast<double>(c) / (columns - 1) : 0.0;
                const double v = rows > 1 ? static_cast<double>(r) / (rows - 1) : 0.0;
                const double top = at(0, 0) + (at(0, columns - 1) - at(0, 0)) * u;
                const double bottom
                    = at(rows - 1, 0) + (at(rows - 1, columns - 1) - at(rows - 1, 0)) * u;
                out = top + (bottom - top) * v;
                break;
            }
            case BlockOperation::Smooth: {
                // A side one cell thick is no edge: a single line smooths along its length.
                const bool rowEdge = rows > 1 && (r == 0 || r == rows - 1);
                const bool columnEdge = columns > 1 && (c == 0 || c == columns - 1);
                if (rowEdge || columnEdge || rows * columns == 1)
                    break;
                double sum = 0.0;
                int count = 0;
                for (int rr = std::max(0, r - 1); rr <= std::min(rows - 1, r + 1); ++rr)
                    for (int cc = std::max(0, c - 1); cc <= std::min(columns - 1, c + 1); ++cc) {
                        sum += at(rr, cc);
                        ++count;
                    }
                out = sum / count;
                break;
            }
            }
        }
    }
    return result;
}

BlockOutcome applyBlockOperation(EcuDataSet& data, MapDefinition& map, const CellBlock& block,
    BlockOperation operation, double amount, const DisplayFormats& formats, int undoSize)
{
    const CellBlock b = clipped(block, map);
    if (b.rows() <= 0 || b.columns() <= 0 || !std::isfinite(amount))
        return {};
    const PhysicalTable physical(map);
    const auto image = data.image();
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(b.cells()));
    for (int line = b.top; line <= b.bottom; ++line)
        for (int point = b.left; point <= b.right; ++point)
            values.push_back(physical(image[dataCellAddress(map, line, point)]));

    const std::vector<double> results
        = operationResult(operation, values, b.rows(), b.columns(), amount);
    std::vector<CellValue> cells;
    cells.reserve(results.size());
    std::size_t i = 0;
    for (int line = b.top; line <= b.bottom; ++line)
        for (int point = b.left; point <= b.right; ++point)
            cells.push_back({ line, point, results[i++] });
    BlockOutcome outcome = writeCells(data, map, cells, operationName(operation), undoSize);
    if (outcome.applied)
        addReport(outcome, map, formats);
    return outcome;
}

// --- clipboard ---------------------------------------------------------------------------

std::string copyBlockText(const EcuDataSet& data, const MapDefinition& map, const CellBlock& block,
    const DisplayFormats& formats)
{
    const CellBlock b = clipped(block, map);
    std::string text;
    for (int line = b.top; line <= b.bottom; ++line) {
        for (int point = b.left; point <= b.right; ++point) {
            if (point > b.left)
                text += '\t';
            const CellRead cell = readDataCell(data.image(), map, line, point);
            if (cell.ok())
                text += formatY(formats, rawByteToPhysical(map.y, cell.value).value);
        }
        text += '\n';
    }
    return text;
}

int PastedTable::valueCount() const
{
    int count = 0;
    for (const auto& row : rows)
        count += static_cast<int>(std::count_if(
            row.begin(), row.end(), [](const std::optional<double>& v) { return v.has_value(); }));
    return count;
}

bool isTableText(std::string_view text)
{
    const std::string_view body = trimmed(text);
    return body.find_first_of("\t,\n") != std::string_view::npos;
}

Result<PastedTable> parseTableText(std::string_view text)
{
    PastedTable table;
    const std::vector<std::string_view> lines = textLines(text);
    for (std::size_t l = 0; l < lines.size(); ++l) {
        std::vector<std::optional<double>> row;
        std::string_view rest = lines[l];
        for (bool more = true; more;) {
            const std::size_t end = rest.find_first_of("\t,");
            const std::string_view field = trimmed(rest.substr(0, end));
            more = end != std::string_view::npos;
            if (more)
                rest.remove_prefix(end + 1);
            if (field.empty()) {
                row.emplace_back();
                continue;
            }
            const auto value = parseNumber(field);
            if (!value)
                return refusal("\"" + std::string(field) + "\" is not a number (line "
                    + std::to_string(l + 1) + ", value " + std::to_string(row.size() + 1) + ").");
            row.emplace_back(*value);
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

BlockOutcome pasteTable(EcuDataSet& data, MapDefinition& map, int line, int point,
    const PastedTable& table, const DisplayFormats& formats, int undoSize)
{
    std::vector<CellValue> cells;
    int ignored = 0;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t c = 0; c < table.rows[r].size(); ++c) {
            const auto& value = table.rows[r][c];
            if (!value)
                continue;
            const int l = line + static_cast<int>(r);
            const int p = point + static_cast<int>(c);
            if (l < 0 || p < 0 || l >= map.z.count || p >= map.x.count) {
                ++ignored;
                continue;
            }
            cells.push_back({ l, p, *value });
        }
    }
    BlockOutcome outcome = writeCells(data, map, cells, "Paste", undoSize);
    if (outcome.applied) {
        outcome.ignored = ignored;
        addReport(outcome, map, formats);
    }
    return outcome;
}

} // namespace zlm
