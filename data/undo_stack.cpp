#include "data/undo_stack.h"

#include "base/app_settings.h"
#include "data/conversion.h"
#include "data/ecu_data_set.h"
#include "data/map_access.h"
#include "data/map_definition.h"

#include <limits>
#include <new>
#include <string_view>

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

void UndoStack::clear()
{
    m_records.clear();
    m_cost = 0;
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
    // A new change: what was undone before it can no longer be taken again.
    map.edit.redo.clear();
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

void ForgetRedo(MapDefinition& map)
{
    map.edit.redo.clear();
}

void RecordBlockChange(MapDefinition& map, std::string operation,
    std::vector<std::uint16_t> addresses, std::vector<std::uint16_t> oldValues, int capacity)
{
    if (addresses.empty() || addresses.size() != oldValues.size())
        return;
    map.edit.redo.clear();
    UndoRecord record;
    record.kind = 10 * (static_cast<int>(UndoOrigin::Block) + 1) + 2;
    record.addresses = std::move(addresses);
    record.oldValues = std::move(oldValues);
    record.operation = std::move(operation);
    map.edit.undo.push(std::move(record), capacity);
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

} // namespace

void ForgetRedoAt(EcuDataSet& data, std::uint16_t address)
{
    for (MapDefinition& map : data.maps())
        if (!map.edit.redo.empty() && locate(map, data.mapMode, address))
            map.edit.redo.clear();
}

namespace {

float axisPhysical(const AxisDescriptor& axis, std::uint16_t raw)
{
    return axis.width == 2 ? rawWordToPhysical(axis, raw).value
                           : rawByteToPhysical(axis, static_cast<std::uint8_t>(raw)).value;
}


// The value at a record's address as the record holds it: a DATA byte, or an
// axis value with the axis's width (big-endian).
std::uint16_t storedValue(const EcuDataSet& data, const MapDefinition& map, EditPart part,
    std::uint16_t address)
{
    const int width = part == EditPart::Data ? 1
        : part == EditPart::Throt           ? map.z.width
                                            : map.x.width;
    return readValue(data.image(), address, width);
}

// Stores a value back: a DATA byte mirrored into linked maps; an axis value
// with its width, high byte first, never mirrored.
void storeValue(EcuDataSet& data, const MapDefinition& map, EditPart part, std::uint16_t address,
    std::uint16_t value)
{
    if (part == EditPart::Data) {
        data.write(address, static_cast<std::uint8_t>(value), true);
        return;
    }
    const AxisDescriptor& axis = part == EditPart::Throt ? map.z : map.x;
    if (axis.width == 2) {
        data.write(address, static_cast<std::uint8_t>(value >> 8), false);
        data.write(static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(value), false);
    } else {
        data.write(address, static_cast<std::uint8_t>(value), false);
    }
}

// A DATA value as the table shows it: converted, formatted and read back.
std::uint8_t quantised(const MapDefinition& map, const DisplayFormats& formats, std::uint8_t byte)
{
    const Evaluation physical = rawByteToPhysical(map.y, byte);
    if (!physical.ok())
        return byte;
    const std::string text = formatY(formats, physical.value);
    const RawConversion raw = physicalToRawByte(map.y, readReal(text));
    // Truncation can turn "2.6" into the raw value of 2.55; a value that
    // would then show differently from the one recorded is not taken.
    if (!raw.ok())
        return byte;
    const auto candidate = static_cast<std::uint8_t>(raw.raw);
    const Evaluation shown = rawByteToPhysical(map.y, candidate);
    return shown.ok() && formatY(formats, shown.value) == text ? candidate : byte;
}

bool knownKind(const UndoRecord& record)
{
    const int tens = record.kind / 10;
    return tens >= 1 && tens <= 4 && !record.addresses.empty()
        && record.addresses.size() == record.oldValues.size();
}

void moveEditTo(EcuDataSet& data, MapDefinition& map, const CellPosition& cell, std::uint16_t value)
{
    map.edit.part = cell.part;
    map.edit.line = cell.line;
    map.edit.point = cell.point;
    map.edit.currentValue = value;
    computeAllowedRange(map, data.image());
}

// Writes `values` at the record's addresses and returns the record that takes
// them back (the same kind and name, holding the values found there before).
// A single-value DATA record is quantised to the displayed precision when
// `quantise` is set (Undo); block records and Redo restore bytes exactly.
UndoRecord swapValues(EcuDataSet& data, MapDefinition& map, const UndoRecord& record,
    const CellPosition& first, const DisplayFormats& formats, bool quantise, UndoResult& result)
{
    UndoRecord inverse;
    inverse.kind = record.kind;
    inverse.operation = record.operation;
    inverse.addresses = record.addresses;
    inverse.oldValues.reserve(record.addresses.size());
    const bool block = record.kind / 10 == 4;
    for (std::size_t i = 0; i < record.addresses.size(); ++i) {
        const std::uint16_t address = record.addresses[i];
        const EditPart part = block ? EditPart::Data : first.part;
        inverse.oldValues.push_back(storedValue(data, map, part, address));
        std::uint16_t value = record.oldValues[i];
        if (!block && quantise && part == EditPart::Data)
            value = quantised(map, formats, static_cast<std::uint8_t>(value));
        storeValue(data, map, part, address, value);
    }
    // The edit position goes to the (first) restored cell.
    const std::uint16_t current = block ? data.read(record.addresses.front()) : record.oldValues.front();
    moveEditTo(data, map, first, current);
    if (first.part == EditPart::Throt) {
        result.lineEntry = first.point;
        result.lineText = formatZ(formats, axisPhysical(map.z, record.oldValues.front()));
    }
    data.modified = true;
    result.undone = true;
    return inverse;
}

std::optional<CellPosition> firstCell(const EcuDataSet& data, const MapDefinition& map,
    const UndoRecord& record)
{
    const auto cell = locate(map, data.mapMode, record.addresses.front());
    // A block record holds DATA cells only.
    if (!cell || (record.kind / 10 == 4 && cell->part != EditPart::Data))
        return std::nullopt;
    return cell;
}

// Human name of a record for the Edit menu: "Edit DATA", "Drag RPM", "Scale DATA".
std::optional<std::string> changeName(const UndoRecord& record)
{
    const int tens = record.kind / 10;
    std::string text;
    if (tens == 1)
        text = "Edit";
    else if (tens == 2 || tens == 3)
        text = "Drag";
    else if (tens == 4 && !record.operation.empty())
        text = record.operation;
    else
        return std::nullopt;
    switch (record.kind % 10) {
    case 0:
        return text + " THROT";
    case 1:
        return text + " RPM";
    case 2:
        return text + " DATA";
    default:
        return std::nullopt;
    }
}

} // namespace

UndoResult UndoLast(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats)
{
    UndoResult result;
    UndoStack& stack = map.edit.undo;
    const UndoRecord* record = stack.newest();
    if (!record || !knownKind(*record))
        return result;
    const auto cell = firstCell(data, map, *record);
    if (!cell)
        return result;
    UndoRecord inverse = swapValues(data, map, *record, *cell, formats, true, result);
    stack.popNewest();
    // Records come to the redo stack only from the undo stack, so it never
    // holds more than the undo stack held.
    map.edit.redo.push(std::move(inverse), std::numeric_limits<int>::max());
    return result;
}

UndoResult RedoLast(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats, int capacity)
{
    UndoResult result;
    UndoStack& redo = map.edit.redo;
    const UndoRecord* record = redo.newest();
    if (!record || !knownKind(*record))
        return result;
    const auto cell = firstCell(data, map, *record);
    if (!cell)
        return result;
    UndoRecord inverse = swapValues(data, map, *record, *cell, formats, false, result);
    redo.popNewest();
    map.edit.undo.push(std::move(inverse), capacity);
    return result;
}

namespace {

UndoMenuState menuState(const UndoStack& stack, bool activeWindow, std::string_view verb,
    std::string_view key)
{
    UndoMenuState state;
    state.text = "&" + std::string(verb) + "\t" + std::string(key);
    const UndoRecord* last = stack.newest();
    if (!activeWindow || !last)
        return state;
    const auto name = changeName(*last);
    if (!name)
        return state;
    state.text = "&" + std::string(verb) + "(" + *name + ")\t" + std::string(key);
    state.enabled = true;
    return state;
}

} // namespace

UndoMenuState UndoMenuText(const MapDefinition* map, bool activeWindow)
{
    if (!map)
        return {};
    return menuState(map->edit.undo, activeWindow, "Undo", "Ctrl+Z");
}

UndoMenuState RedoMenuText(const MapDefinition* map, bool activeWindow)
{
    if (!map)
        return menuState(UndoStack {}, false, "Redo", "Ctrl+Y");
    return menuState(map->edit.redo, activeWindow, "Redo", "Ctrl+Y");
}

} // namespace zlm
