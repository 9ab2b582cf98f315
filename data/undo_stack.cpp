#include "data/undo_stack.h"

#include "base/app_settings.h"
#include "data/conversion.h"
#include "data/ecu_data_set.h"
#include "data/map_definition.h"

#include <new>

namespace zlm {

void UndoStack::push(UndoRecord record, int capacity)
{
    while (!m_records.empty() && m_cost >= capacity) {
        m_cost -= m_records.front().cost();
        m_records.pop_front();
    }
    try {
        const int cost = record.cost();
        m_records.push_back(std::move(record));
        m_cost += cost;
    } catch (const std::bad_alloc&) {
        // the change simply stays unrecorded
    }
}

void UndoStack::popNewest()
{
    if (m_records.empty())
        return;
    m_cost -= m_records.back().cost();
    m_records.pop_back();
}

namespace {

int partDigit(EditPart part)
{
    switch (part) {
    case EditPart::Throt:
        return 0;
    case EditPart::Rpm:
        return 1;
    case EditPart::Data:
        return 2;
    default:
        return -1;
    }
}

int elementSize(const AxisDescriptor& axis)
{
    return axis.width == 2 ? 2 : 1;
}

} // namespace

std::optional<std::uint16_t> currentCellAddress(const MapDefinition& map)
{
    const MapEditState& e = map.edit;
    const int points = map.x.count;
    switch (e.part) {
    case EditPart::Throt:
        return static_cast<std::uint16_t>(map.z.address + e.point * elementSize(map.z));
    case EditPart::Rpm:
        return static_cast<std::uint16_t>(
            map.x.address + elementSize(map.x) * (e.point + (map.kind == 2 ? e.line * points : 0)));
    case EditPart::Data:
        return static_cast<std::uint16_t>(map.dataAddress + e.line * points + e.point);
    default:
        return std::nullopt;
    }
}

void RecordChange(MapDefinition& map, UndoOrigin origin, int capacity)
{
    const int units = partDigit(map.edit.part);
    const auto address = currentCellAddress(map);
    if (units < 0 || !address)
        return;
    UndoStack& stack = map.edit.undo;
    if (origin == UndoOrigin::KeyStep) {
        // The stack already holds the value from before the first of these steps.
        const UndoRecord* last = stack.newest();
        if (last && last->kind == 30 + units && !last->addresses.empty()
            && last->addresses.front() == *address)
            return;
    }
    UndoRecord record;
    record.kind = 10 * (static_cast<int>(origin) + 1) + units;
    record.addresses.push_back(*address);
    record.oldValues.push_back(map.edit.currentValue);
    stack.push(std::move(record), capacity);
}

namespace {

// Where an address lies in a map: its part, line and point; nothing when outside.
struct CellPosition {
    EditPart part = EditPart::None;
    int line = 0;
    int point = 0;
};

std::optional<CellPosition> locate(const MapDefinition& map, MapMode mode, int t)
{
    const int lines = map.z.count;
    const int points = map.x.count;
    const int dataOffset = t - map.dataAddress;
    const bool inData = points > 0 && dataOffset >= 0 && dataOffset < points * lines;
    if (mode == MapMode::Free || mode == MapMode::ConfigInImage) {
        const int zSize = elementSize(map.z);
        const int zOffset = t - map.z.address;
        if (zOffset >= 0 && zOffset < lines * zSize) {
            // The Line combo selects this Z point, so it is the line as well.
            const int index = zOffset / zSize;
            return CellPosition { EditPart::Throt, index, index };
        }
        const int xSize = elementSize(map.x);
        const int xOffset = t - map.x.address;
        const int xValues = points * (map.kind == 2 ? lines : 1);
        if (points > 0 && xOffset >= 0 && xOffset < xValues * xSize) {
            const int offset = xOffset / xSize;
            return CellPosition { EditPart::Rpm, offset / points, offset % points };
        }
    }
    if (inData)
        return CellPosition { EditPart::Data, dataOffset / points, dataOffset % points };
    return std::nullopt;
}

float axisPhysical(const AxisDescriptor& axis, std::uint16_t raw)
{
    return axis.width == 2 ? rawWordToPhysical(axis, raw).value
                           : rawByteToPhysical(axis, static_cast<std::uint8_t>(raw)).value;
}

} // namespace

UndoResult UndoLast(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats)
{
    UndoResult result;
    UndoStack& stack = map.edit.undo;
    const UndoRecord* record = stack.newest();
    if (!record || record->addresses.empty() || record->oldValues.empty())
        return result;
    const int tens = record->kind / 10;
    if (tens < 1 || tens > 3)
        return result;
    const int t = record->addresses.front();
    const std::uint16_t v = record->oldValues.front();
    const auto cell = locate(map, data.mapMode, t);
    if (!cell)
        return result;

    map.edit.part = cell->part;
    map.edit.line = cell->line;
    map.edit.point = cell->point;
    map.edit.currentValue = v;
    computeAllowedRange(map, data.image());

    const auto address = static_cast<std::uint16_t>(t);
    if (cell->part == EditPart::Data) {
        // Quantise to what the table shows, so the value restored is the value seen.
        std::uint8_t byte = static_cast<std::uint8_t>(v);
        const Evaluation physical = rawByteToPhysical(map.y, byte);
        if (physical.ok()) {
            const std::string text = formatY(formats, physical.value);
            const RawConversion raw = physicalToRawByte(map.y, readReal(text));
            // Truncation can turn "2.6" into the raw value of 2.55; a value that
            // would then show differently from the one recorded is not taken.
            if (raw.ok()) {
                const auto quantised = static_cast<std::uint8_t>(raw.raw);
                const Evaluation shown = rawByteToPhysical(map.y, quantised);
                if (shown.ok() && formatY(formats, shown.value) == text)
                    byte = quantised;
            }
        }
        data.write(address, byte, true);
    } else {
        const AxisDescriptor& axis = cell->part == EditPart::Throt ? map.z : map.x;
        if (axis.width == 2) {
            data.write(address, static_cast<std::uint8_t>(v >> 8), false);
            data.write(
                static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(v), false);
        } else {
            data.write(address, static_cast<std::uint8_t>(v), false);
        }
        if (cell->part == EditPart::Throt) {
            result.lineEntry = cell->point;
            result.lineText = formatZ(formats, axisPhysical(map.z, v));
        }
    }
    data.modified = true;
    stack.popNewest();
    result.undone = true;
    return result;
}

UndoMenuState UndoMenuText(const MapDefinition* map, bool activeWindow)
{
    UndoMenuState state;
    if (!activeWindow || !map)
        return state;
    const UndoRecord* last = map->edit.undo.newest();
    if (!last)
        return state;
    const int tens = last->kind / 10;
    const int units = last->kind % 10;
    std::string text;
    if (tens == 1)
        text = "&Undo(Edit ";
    else if (tens == 2 || tens == 3)
        text = "&Undo(Drag ";
    else
        return state;
    switch (units) {
    case 0:
        text += "THROT)\tCtrl+Z";
        break;
    case 1:
        text += "RPM)\tCtrl+Z";
        break;
    case 2:
        text += "DATA)\tCtrl+Z";
        break;
    default:
        return state;
    }
    state.text = std::move(text);
    state.enabled = true;
    return state;
}

} // namespace zlm
