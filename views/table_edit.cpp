#include "views/table_edit.h"

#include "base/app_settings.h"
#include "data/conversion.h"
#include "data/ecu_data_set.h"
#include "data/map_access.h"
#include "data/map_definition.h"
#include "res/string_table.h"
#include "data/undo_stack.h"
#include "views/edit_moves.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace zlm {

namespace {

constexpr int kCaptionId = 2001; // "Table Window"
constexpr float kTruncationSlack = 1e-3f; // in raw steps

int elementMax(const AxisDescriptor& axis)
{
    return axis.width == 2 ? 0xFFFF : 0xFF;
}

std::string caption()
{
    return std::string(loadString(kCaptionId));
}

// The current value in the current part's display format.
std::string currentText(const MapDefinition& map, const DisplayFormats& formats)
{
    const int value = map.edit.currentValue;
    switch (map.edit.part) {
    case EditPart::Data:
        return formatY(formats, physicalValue(map.y, value));
    case EditPart::Rpm:
        return formatX(formats, physicalValue(map.x, value));
    case EditPart::Throt:
        return formatZ(formats, physicalValue(map.z, value));
    default:
        return {};
    }
}

// Unchanged: the editor keeps (or gets back) the current value's text.
TableEditOutcome untouched(const MapDefinition& map, const DisplayFormats& formats)
{
    TableEditOutcome outcome;
    outcome.text = currentText(map, formats);
    return outcome;
}

// Refused: `first` on one line, "Data is set as before editing" on the next.
TableEditOutcome refused(TableEditOutcome outcome, const MapDefinition& map,
    const DisplayFormats& formats, int id, std::string_view first)
{
    outcome.accepted = false;
    outcome.written = false;
    outcome.text = currentText(map, formats);
    outcome.messages.push_back(Message {
        id, std::string(first) + "\n" + std::string(loadString(1504)), Icon::Stop, caption() });
    return outcome;
}

// A Z point stored directly, high byte first, without mirroring into links.
void writeZPoint(EcuDataSet& data, const MapDefinition& map, int point, int value)
{
    const std::uint16_t address = zPointAddress(map, point);
    if (map.z.width == 2) {
        data.write(address, static_cast<std::uint8_t>(value >> 8), false);
        data.write(
            static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(value), false);
    } else {
        data.write(address, static_cast<std::uint8_t>(value), false);
    }
}

// Physical value of the axis point `index` of the current part (THROT: Z
// points; RPM: X points of the current line).
float axisPoint(const EcuDataSet& data, const MapDefinition& map, bool throt, int index)
{
    const auto image = data.image();
    return physicalValue(throt ? map.z : map.x,
        throt ? readZPoint(image, map, index) : readXPoint(image, map, map.edit.line, index));
}

// Axis points stay strictly increasing. A value between the neighbours' limits
// stands; a value the range rule chose (`chosen`) is moved to the nearest one
// the neighbours allow; nothing when the value must be refused.
std::optional<int> keepAxisOrder(int value, const MapEditState& edit, bool chosen)
{
    if (value >= edit.lowerLimit && value <= edit.upperLimit)
        return value;
    if (!chosen || edit.lowerLimit > edit.upperLimit)
        return std::nullopt;
    return std::clamp(value, edit.lowerLimit, edit.upperLimit);
}

} // namespace

bool isTypedNumberText(std::string_view text)
{
    if (text.empty())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= '0' && c <= '9') || c == '.' || (c == '-' && i == 0))
            continue;
        return false;
    }
    return true;
}

std::optional<float> parseTypedValue(std::string_view text)
{
    if (!isTypedNumberText(text)
        || std::none_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    float value = 0.0f;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

int clampToEditLimits(int raw, const MapEditState& edit, int elementMax)
{
    int value = std::clamp(raw, 0, elementMax);
    value = std::max(value, edit.lowerLimit);
    return std::min(value, edit.upperLimit);
}

int settleTruncation(const RawConversion& conversion)
{
    const float next = std::floor(conversion.value) + 1.0f;
    if (conversion.value > 0.0f && next - conversion.value < kTruncationSlack
        && next <= static_cast<float>(std::numeric_limits<std::int32_t>::max()))
        return static_cast<int>(next);
    return conversion.raw;
}

float physicalValue(const AxisDescriptor& axis, int raw)
{
    return axis.width == 2 ? rawWordToPhysical(axis, static_cast<std::uint16_t>(raw)).value
                           : rawByteToPhysical(axis, static_cast<std::uint8_t>(raw)).value;
}

PhysicalRange physicalRange(const AxisDescriptor& axis)
{
    return { std::max(axisMinimum(axis), axisLowerLimit(axis)),
        std::min(axisMaximum(axis), axisUpperLimit(axis)) };
}

Message rangeOverMessage(float typed, PhysicalRange range, float set)
{
    char buffer[512];
    const std::string format(loadString(1525));
    std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<double>(typed),
        static_cast<double>(range.low), static_cast<double>(range.high), static_cast<double>(set));
    return Message { 1525, buffer, Icon::Exclamation, caption() };
}

TableEditOutcome applyCellText(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats,
    int undoSize, std::string_view typedText)
{
    // What the edit replaces, and Undo restores, is the byte there now.
    reloadCurrentCell(data, map);
    const EditPart part = map.edit.part;
    if (part != EditPart::Data && part != EditPart::Rpm)
        return untouched(map, formats);
    const AxisDescriptor& axis = part == EditPart::Data ? map.y : map.x;

    const std::optional<float> typed = parseTypedValue(typedText);
    const RawConversion raw = typed ? physicalToRawInt(axis, *typed) : RawConversion {};
    if (!typed || !raw.ok())
        return refused({}, map, formats, 1505, loadString(1505));

    const bool dataPart = part == EditPart::Data;
    // A data value is kept inside its limits; an RPM point is only clamped to
    // its element here, its neighbours are checked below.
    int value = dataPart ? clampToEditLimits(settleTruncation(raw), map.edit)
                         : std::clamp(settleTruncation(raw), 0, elementMax(axis));
    // A limit whose raw value shows just outside the range moves one step inside.
    const PhysicalRange range = physicalRange(axis);
    float physical = physicalValue(axis, value);
    if (physical < range.low && value != 255)
        ++value;
    else if (physical > range.high && value != 0)
        --value;
    const bool outside = *typed < range.low || *typed > range.high;
    if (!dataPart) {
        const std::optional<int> kept = keepAxisOrder(value, map.edit, outside);
        if (!kept)
            return refused({}, map, formats, 1503, loadString(1503));
        value = *kept;
    }
    physical = physicalValue(axis, value);

    TableEditOutcome outcome;
    outcome.text = dataPart ? formatY(formats, physical) : formatX(formats, physical);
    if (outside)
        outcome.messages.push_back(rangeOverMessage(*typed, range, physical));

    if (value != map.edit.currentValue) {
        MapEditState& edit = map.edit;
        const CellCode code = part == EditPart::Data
            ? writeDataCell(data, map, edit.line, edit.point, static_cast<std::uint8_t>(value))
            : writeXPoint(data, map, edit.line, edit.point, static_cast<std::uint16_t>(value));
        if (code == CellCode::Ok) {
            RecordChange(map, UndoOrigin::Typed, undoSize);
            edit.currentValue = static_cast<std::uint16_t>(value);
            outcome.written = true;
        }
    }
    return outcome;
}

TableEditOutcome applyHeaderText(EcuDataSet& data, MapDefinition& map,
    const DisplayFormats& formats, int undoSize, std::string_view typedText)
{
    reloadCurrentCell(data, map);
    const EditPart part = map.edit.part;
    if (part != EditPart::Throt && part != EditPart::Rpm)
        return untouched(map, formats);
    const bool throt = part == EditPart::Throt;
    const AxisDescriptor& axis = throt ? map.z : map.x;
    TableEditOutcome outcome;

    const std::optional<float> typed = parseTypedValue(typedText);
    if (!typed)
        return refused(std::move(outcome), map, formats, 1505, loadString(1505));
    RawConversion raw = physicalToRawInt(axis, *typed);
    if (!raw.ok())
        return refused(std::move(outcome), map, formats, conversionMessageId(raw.code),
            conversionMessage(raw.code));
    int value = settleTruncation(raw);
    if (value < 0 || value > elementMax(axis))
        value = elementMax(axis) - 1;

    const PhysicalRange range = physicalRange(axis);
    const int point = map.edit.point;
    const int last = (throt ? map.z.count : map.x.count) - 1;
    const float spacing = static_cast<float>(axis.spacing);
    const auto rawOf = [&](float physical) { return physicalToRawInt(axis, physical).raw; };
    // Outside the range: the range's end at the first or last point; else one
    // spacing inside it, or one spacing from the neighbour when the end itself
    // lies beyond the neighbour's limit.
    std::optional<float> set;
    if (*typed < range.low) {
        if (point == 0)
            set = range.low;
        else if (rawOf(range.low) < map.edit.lowerLimit)
            set = axisPoint(data, map, throt, point - 1) + spacing;
        else
            set = range.low + spacing;
    } else if (*typed > range.high) {
        if (point >= last)
            set = range.high;
        else if (rawOf(range.high) > map.edit.upperLimit)
            set = axisPoint(data, map, throt, point + 1) - spacing;
        else
            set = range.high - spacing;
    }
    if (set) {
        raw = physicalToRawInt(axis, *set);
        if (!raw.ok())
            return refused(std::move(outcome), map, formats, conversionMessageId(raw.code),
                conversionMessage(raw.code));
        value = settleTruncation(raw);
    }
    if (value < 0 || value > elementMax(axis))
        return refused(std::move(outcome), map, formats, 1503, loadString(1503));
    // Axis points keep their order: a typed value beside or beyond a neighbour
    // is refused; a value the range rule set is moved between the neighbours.
    const std::optional<int> kept = keepAxisOrder(value, map.edit, set.has_value());
    if (!kept)
        return refused(std::move(outcome), map, formats, 1503, loadString(1503));
    if (set) {
        const float shown = *kept == value ? *set : physicalValue(axis, *kept);
        outcome.messages.push_back(rangeOverMessage(*typed, range, shown));
    }
    value = *kept;

    const auto format = [&](int rawValue) {
        const float physical = physicalValue(axis, rawValue);
        return throt ? formatZ(formats, physical) : formatX(formats, physical);
    };
    outcome.text = format(value);
    if (format(map.edit.currentValue) == outcome.text)
        return outcome;
    if (throt) {
        RecordChange(map, UndoOrigin::Typed, undoSize);
        writeZPoint(data, map, point, value);
    } else {
        if (writeXPoint(data, map, map.edit.line, point, static_cast<std::uint16_t>(value))
            != CellCode::Ok)
            return refused(std::move(outcome), map, formats, 1503, loadString(1503));
        RecordChange(map, UndoOrigin::Typed, undoSize);
    }
    map.edit.currentValue = static_cast<std::uint16_t>(value);
    outcome.written = true;
    return outcome;
}

TableEditOutcome stepDataValue(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats,
    int undoSize, int direction)
{
    reloadCurrentCell(data, map);
    if (map.edit.part != EditPart::Data || direction == 0)
        return untouched(map, formats);
    const int value = map.edit.currentValue;
    const PhysicalRange range = physicalRange(map.y);
    int next = value;
    if (direction > 0) {
        if (value >= 255 || physicalValue(map.y, value + 1) > range.high)
            return untouched(map, formats);
        next = value + 1;
    } else {
        if (value <= 0 || physicalValue(map.y, value - 1) < range.low)
            return untouched(map, formats);
        next = value - 1;
    }
    if (writeDataCell(data, map, map.edit.line, map.edit.point, static_cast<std::uint8_t>(next))
        != CellCode::Ok)
        return untouched(map, formats);
    RecordChange(map, UndoOrigin::KeyStep, undoSize);
    map.edit.currentValue = static_cast<std::uint16_t>(next);
    TableEditOutcome outcome = untouched(map, formats);
    outcome.written = true;
    return outcome;
}

TableEditOutcome stepAxisValue(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats,
    int undoSize, int direction)
{
    reloadCurrentCell(data, map);
    const EditPart part = map.edit.part;
    if ((part != EditPart::Throt && part != EditPart::Rpm) || direction == 0)
        return untouched(map, formats);
    const bool throt = part == EditPart::Throt;
    const AxisDescriptor& axis = throt ? map.z : map.x;
    const float spacing = static_cast<float>(axis.spacing);
    if (spacing <= 0.0f)
        return untouched(map, formats);
    const int point = map.edit.point;
    const int count = throt ? map.z.count : map.x.count;
    // Inside the range and one spacing away from both neighbours.
    const PhysicalRange range = physicalRange(axis);
    float low = range.low;
    float high = range.high;
    if (point > 0)
        low = std::max(low, axisPoint(data, map, throt, point - 1) + spacing);
    if (point < count - 1)
        high = std::min(high, axisPoint(data, map, throt, point + 1) - spacing);
    if (low > high)
        return untouched(map, formats);
    const float step = direction > 0 ? spacing : -spacing;
    const float target = std::clamp(physicalValue(axis, map.edit.currentValue) + step, low, high);
    const RawConversion conversion = physicalToRawInt(axis, target);
    const int next = settleTruncation(conversion);
    if (!conversion.ok() || next < 0 || next > elementMax(axis) || next == map.edit.currentValue)
        return untouched(map, formats);

    RecordChange(map, UndoOrigin::KeyStep, undoSize);
    if (throt)
        writeZPoint(data, map, point, next);
    else
        writeXPoint(data, map, map.edit.line, point, static_cast<std::uint16_t>(next));
    map.edit.currentValue = static_cast<std::uint16_t>(next);
    TableEditOutcome outcome = untouched(map, formats);
    outcome.written = true;
    return outcome;
}

bool isPairedLayout(const MapDefinition& map, MapMode mode)
{
    return mode == MapMode::Free && map.kind == 2;
}

bool isHeaderPart(const MapDefinition& map, MapMode mode)
{
    if (mode == MapMode::Config)
        return false;
    const EditPart part = map.edit.part;
    return part == EditPart::Throt || (part == EditPart::Rpm && !isPairedLayout(map, mode));
}

void selectTableCell(const EcuDataSet& data, MapDefinition& map, EditPart part, int line, int point)
{
    MapEditState& edit = map.edit;
    edit.editOwner = 2;
    edit.part = part;
    edit.line = line;
    edit.point = point;
    const auto image = data.image();
    switch (part) {
    case EditPart::Throt:
        edit.currentValue = readZPoint(image, map, point);
        break;
    case EditPart::Rpm:
        edit.currentValue = readXPoint(image, map, line, point);
        break;
    default:
        edit.currentValue = readDataCell(image, map, line, point).value;
        break;
    }
    computeAllowedRange(map, image);
}

std::optional<std::uint16_t> currentCellValue(const EcuDataSet& data, const MapDefinition& map)
{
    const MapEditState& edit = map.edit;
    const auto image = data.image();
    switch (edit.part) {
    case EditPart::Throt:
        if (edit.point < 0 || edit.point >= map.z.count)
            return std::nullopt;
        return readZPoint(image, map, edit.point);
    case EditPart::Rpm:
        if (edit.line < 0 || edit.line >= std::max<int>(1, map.z.count) || edit.point < 0
            || edit.point >= map.x.count)
            return std::nullopt;
        return readXPoint(image, map, edit.line, edit.point);
    case EditPart::Data: {
        const CellRead cell = readDataCell(image, map, edit.line, edit.point);
        if (!cell.ok())
            return std::nullopt;
        return cell.value;
    }
    case EditPart::None:
        break;
    }
    return std::nullopt;
}

void reloadCurrentCell(const EcuDataSet& data, MapDefinition& map)
{
    const std::optional<std::uint16_t> value = currentCellValue(data, map);
    if (!value)
        return;
    map.edit.currentValue = *value;
    computeAllowedRange(map, data.image());
}

namespace {

constexpr auto go = goMove<TableMove>;
constexpr auto step = stepMove<TableMove>;

// The cell editor: DATA, or either row of the paired layout.
TableMove cellEditorMove(const MapDefinition& map, MapMode mode, MoveCode code)
{
    const int line = map.edit.line;
    const int point = map.edit.point;
    const int lines = map.z.count;
    const int points = map.x.count;
    const bool header = mode != MapMode::Config;
    const EditPart part = map.edit.part;
    constexpr EditPart kData = EditPart::Data;
    constexpr EditPart kRpm = EditPart::Rpm;
    constexpr EditPart kThrot = EditPart::Throt;

    if (!isPairedLayout(map, mode)) {
        switch (code) {
        case MoveCode::PageUp:
            return step(TableMove::Action::StepData, +1);
        case MoveCode::PageDown:
            return step(TableMove::Action::StepData, -1);
        case MoveCode::ShiftUp:
            if (line > 0)
                return go(kData, line - 1, point);
            if (header)
                return go(kRpm, line, point);
            break;
        case MoveCode::ShiftDown:
            if (line < lines - 1)
                return go(kData, line + 1, point);
            break;
        case MoveCode::ShiftLeft:
            if (point > 0)
                return go(kData, line, point - 1);
            if (header && lines > 1)
                return go(kThrot, line, line);
            break;
        case MoveCode::ShiftRight:
            if (point < points - 1)
                return go(kData, line, point + 1);
            break;
        default:
            break;
        }
        return {};
    }
    switch (code) {
    case MoveCode::ShiftUp:
        if (part == kData)
            return go(kRpm, line, point);
        if (line > 0)
            return go(kData, line - 1, point);
        break;
    case MoveCode::ShiftDown:
        if (part == kRpm)
            return go(kData, line, point);
        if (line < lines - 1)
            return go(kRpm, line + 1, point);
        break;
    case MoveCode::ShiftLeft:
        if (point > 0)
            return go(part, line, point - 1);
        return go(kThrot, line, line);
    case MoveCode::ShiftRight:
        if (point < points - 1)
            return go(part, line, point + 1);
        break;
    default:
        break;
    }
    return {};
}

// The header editor: THROT, or RPM in the standard layout.
TableMove headerEditorMove(const MapDefinition& map, MapMode mode, MoveCode code)
{
    const int point = map.edit.point;
    // Page Up and Page Down step the axis value in either header part, but
    // only where the axes live in the image.
    if (code == MoveCode::PageUp || code == MoveCode::PageDown) {
        if (mode != MapMode::ConfigInImage)
            return {};
        return step(TableMove::Action::StepAxis, code == MoveCode::PageUp ? +1 : -1);
    }
    if (map.edit.part == EditPart::Throt) {
        switch (code) {
        case MoveCode::ShiftUp:
            if (point > 0)
                return go(EditPart::Throt, point - 1, point - 1);
            break;
        case MoveCode::ShiftDown:
            if (point < map.z.count - 1)
                return go(EditPart::Throt, point + 1, point + 1);
            break;
        case MoveCode::ShiftRight:
            return go(EditPart::Data, map.edit.line, 0);
        default:
            break;
        }
        return {};
    }
    switch (code) {
    case MoveCode::ShiftDown:
        return go(EditPart::Data, 0, point);
    case MoveCode::ShiftLeft:
        if (point > 0)
            return go(EditPart::Rpm, map.edit.line, point - 1);
        break;
    case MoveCode::ShiftRight:
        if (point < map.x.count - 1)
            return go(EditPart::Rpm, map.edit.line, point + 1);
        break;
    default:
        break;
    }
    return {};
}

} // namespace

TableMove tableMove(const MapDefinition& map, MapMode mode, MoveCode code)
{
    return isHeaderPart(map, mode) ? headerEditorMove(map, mode, code)
                                   : cellEditorMove(map, mode, code);
}

} // namespace zlm
