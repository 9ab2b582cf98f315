#pragma once
// The editing rules of the table window, without the window: a value typed
// into the cell editor (DATA, or a paired-layout RPM value) or the header
// editor (THROT, or a standard-layout RPM value) is checked, converted, kept
// inside the allowed range and written to the map's current cell; Page Up and
// Page Down step a data value by one raw step or an axis value by the axis
// spacing. Every write that changes a value is recorded for undo before the
// map's current value takes the new value.
//
// The functions work on the map's edit state (part, line, point) and never
// show anything: the messages come back in the outcome, captioned "Table
// Window", and the window shows them in order and puts the outcome's text into
// its editor. Each starts from the current cell's value and limits as they are
// in the image now, not as they were when the cell was made current, so a byte
// changed meanwhile is neither stepped from nor undone to its old value.
#include "data/map_definition.h"
#include "base/result.h"
#include "views/edit_codes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

struct DisplayFormats;
struct RawConversion;
class EcuDataSet;

// What applying a typed text or a step did.
struct TableEditOutcome {
    // False when the text was refused: nothing was written and `text` is the
    // current value's text, to put back into the editor.
    bool accepted = true;
    // A new value was stored in the image and recorded for undo; the map's
    // current value is the new value.
    bool written = false;
    // The editor's text afterwards, in the part's display format.
    std::string text;
    // To show in this order.
    std::vector<Message> messages;
};

// Characters of a typed number: not empty, ASCII digits and '.', with '-'
// only as the first character. Says nothing about the text being a number.
bool isTypedNumberText(std::string_view text);
// A typed value: the characters above, at least one digit, and the whole text
// one finite decimal number ("1.2.3", "-" and "." are not).
std::optional<float> parseTypedValue(std::string_view text);

// `raw` kept to 0..elementMax, then to the cell's lower and upper raw limits
// (lower first, so the upper limit wins when the two cross).
int clampToEditLimits(int raw, const MapEditState& edit, int elementMax = 255);

// The raw value of a conversion whose single-precision result lies within a
// thousandth of a raw step below the next whole value ("2.6" with x/0.05
// evaluates to 51.99999): that next value; else the truncated raw value.
int settleTruncation(const RawConversion& conversion);

// A raw value (byte, or word for a 2-byte axis) as physical.
float physicalValue(const AxisDescriptor& axis, int raw);
// The physical range of an axis: the larger of minimum and lower edit limit
// up to the smaller of maximum and upper edit limit.
struct PhysicalRange {
    float low = 0.0f;
    float high = 0.0f;
};
PhysicalRange physicalRange(const AxisDescriptor& axis);

// Message 1525 "Input Data Range Over" with the typed value, the range and the
// value set (exclamation icon).
Message rangeOverMessage(float typed, PhysicalRange range, float set);

// The cell editor's text applied to the current DATA cell (Y conversion) or
// RPM point (X conversion): refused when it is no number or does not convert
// ("Data error"); else the raw value is clamped to the element and the cell's
// limits, moved one step back inside the physical range when needed, and
// written when it differs from the current value. A typed number outside the
// physical range adds message 1525.
TableEditOutcome applyCellText(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats,
    int undoSize, std::string_view typed);

// The header editor's text applied to the current THROT or RPM point: outside
// the physical range the range's end (or one axis spacing inside it, or from
// the neighbour) is set with message 1525; a value outside the neighbours'
// limits is refused with 1503, a failed conversion with its own text. A THROT
// value is stored directly (2-byte values big-endian) without map-link
// mirroring; an RPM value through the X-point write. Written only when its
// text differs from the current value's text.
TableEditOutcome applyHeaderText(EcuDataSet& data, MapDefinition& map,
    const DisplayFormats& formats, int undoSize, std::string_view typed);

// Page Up (direction > 0) or Page Down on the current DATA cell: one raw step,
// refused at the byte's ends and beyond the physical range. Recorded as a key
// step; the byte is mirrored into linked maps.
TableEditOutcome stepDataValue(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats,
    int undoSize, int direction);

// Page Up (direction > 0) or Page Down on the current THROT or RPM point of an
// axis held in the image: one axis spacing, kept inside the physical range and
// at least one spacing away from the neighbouring points. Nothing without a
// spacing or without room. Recorded as a key step; never mirrored.
TableEditOutcome stepAxisValue(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats,
    int undoSize, int direction);

// --- cells and moves ---------------------------------------------------------------------

// Paired layout (free maps of kind 2): each line takes an RPM row and a DATA
// row. Else the standard layout: one row per line, the X values on top.
bool isPairedLayout(const MapDefinition& map, MapMode mode);
// The current part is edited in the header editor: THROT, or RPM in the
// standard layout, and only where axes can be edited (map modes 1 and 3).
bool isHeaderPart(const MapDefinition& map, MapMode mode);

// Makes (part, line, point) the map's current cell, owned by the table window:
// its raw value from the image (THROT: Z point `point`; RPM: X point `point`
// of line `line`; DATA: the data byte) and its allowed raw range.
void selectTableCell(
    const EcuDataSet& data, MapDefinition& map, EditPart part, int line, int point);

// The raw value of the map's current cell (part, line, point) in the image;
// nothing when the cell lies outside the map.
std::optional<std::uint16_t> currentCellValue(const EcuDataSet& data, const MapDefinition& map);

// The map's current value and allowed raw range read again from the image,
// where a read from the ECU, another editor, a linked map or a block operation
// may have changed them since the cell was made current. The cell and its
// owner stay; nothing changes when the cell lies outside the map.
void reloadCurrentCell(const EcuDataSet& data, MapDefinition& map);

// What a move code does in the table from the map's current cell.
struct TableMove {
    enum class Action { None, Go, StepData, StepAxis };
    Action action = Action::None;
    EditPart part = EditPart::None; // Go: the new cell
    int line = 0;
    int point = 0;
    int direction = 0; // steps: +1 Page Up, -1 Page Down
};
// Shift+arrows walk the cells and, in map modes 1 and 3, the axis headers;
// Page Up/Down step a DATA value in the standard layout, or an axis value in
// the header editor of map mode 3. A Go may name the current cell (the
// caller then does nothing).
TableMove tableMove(const MapDefinition& map, MapMode mode, MoveCode code);

} // namespace zlm
