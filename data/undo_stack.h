#pragma once
// Per-map undo of the changes made in the map and table windows: single
// values, and blocks of DATA cells changed by one operation. Each map owns one
// UndoStack for undo and one for redo (in its MapEditState). A window records a
// change with RecordChange (or RecordBlockChange) before it stores the new
// value; the Undo command takes the newest change of the current map back with
// UndoLast, which hands the record to the redo stack; RedoLast takes it again.
// Every new recorded change empties the redo stack.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zlm {

// Two digits: tens = origin (1 typed, 2 drag, 3 key step, 4 block operation),
// units = part (0 THROT, 1 RPM, 2 DATA).
using UndoKind = int;

struct UndoRecord {
    UndoKind kind = 0;
    std::vector<std::uint16_t> addresses; // image address of each changed value's first byte
    std::vector<std::uint16_t> oldValues; // values before the change, parallel to addresses
    // Block records: the operation's name for the Edit menu ("Set", "Add",
    // "Scale", "Interpolate", "Smooth", "Paste").
    std::string operation;

    // What the record counts against the stack's capacity.
    int cost() const { return static_cast<int>(addresses.size() + 2 * oldValues.size()); }
};

// Oldest record first, newest last; owned by its map.
class UndoStack {
public:
    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    const std::deque<UndoRecord>& records() const { return m_records; }
    const UndoRecord* newest() const { return m_records.empty() ? nullptr : &m_records.back(); }
    // Sum of the costs of all records.
    int totalCost() const { return m_cost; }

    // Drops the oldest records until the total cost is below `capacity` (the
    // settings' [UNDO] SIZE; 0 or less empties the stack), then appends. A
    // record that cannot be stored leaves the change unrecorded.
    void push(UndoRecord record, int capacity);
    void popNewest();
    void clear();

private:
    std::deque<UndoRecord> m_records;
    int m_cost = 0;
};

struct MapDefinition;
struct DisplayFormats;
class EcuDataSet;

// Who made a change: the tens digit of its UndoKind is origin + 1.
enum class UndoOrigin { Typed = 0, Drag = 1, KeyStep = 2, Block = 3 };

// Image address of the map's current cell (edit part, line, point), or
// nothing when the part is none of DATA, RPM, THROT.
std::optional<std::uint16_t> currentCellAddress(const MapDefinition& map);

// Records the change a window is about to store in the map's current cell;
// map.edit.currentValue must still hold the old value. Key steps on the cell
// of the newest key-step record are not recorded again (one Undo takes the
// whole run of steps back). `capacity` is the settings' [UNDO] SIZE.
void RecordChange(MapDefinition& map, UndoOrigin origin, int capacity);

// A change that keeps no undo record (an RPM step in the graph, the edit bar's
// Data field) still ends what could be redone: a Redo would overwrite it.
void ForgetRedo(MapDefinition& map);

// A value changed from outside a map's windows (a linked map following, the
// constants list, Data Exchange writing the edit data) ends what could be
// redone in every map that holds `address`: a Redo would overwrite it.
void ForgetRedoAt(EcuDataSet& data, std::uint16_t address);

// Records one block operation on DATA cells as a single record of kind 42:
// every changed address with its old value, named `operation` in the Edit
// menu. Nothing is recorded for an empty list.
void RecordBlockChange(MapDefinition& map, std::string operation,
    std::vector<std::uint16_t> addresses, std::vector<std::uint16_t> oldValues, int capacity);

// Outcome of UndoLast. `undone` is the 1/0 of the Undo command; a restored
// THROT value also names the Line combo entry to replace (and select).
struct UndoResult {
    bool undone = false;
    int lineEntry = -1; // Line combo index, -1: none
    std::string lineText; // the restored Z value as text
};

// Takes the newest change of `map` back: moves the map's edit position to the
// restored cell, writes the old value into the image (a DATA value quantised to
// the displayed precision and mirrored to linked maps; axis values with their
// width, big-endian, not mirrored) and deletes the record. A record whose
// address lies outside the map stays and nothing changes.
UndoResult UndoLast(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats);

// Takes the newest undone change of `map` again: writes the values the Undo
// replaced (exactly, with the same byte widths and link mirroring as the
// Undo), moves the edit position to the first changed cell and hands the
// record back to the undo stack (whose capacity is `capacity`).
UndoResult RedoLast(EcuDataSet& data, MapDefinition& map, const DisplayFormats& formats,
    int capacity);

// Text and state of the Edit menu's Undo item (57643).
struct UndoMenuState {
    std::string text = "&Undo\tCtrl+Z";
    bool enabled = false;
};
// `map` is the current map (null: none); `activeWindow` whether a map or
// table window is active.
UndoMenuState UndoMenuText(const MapDefinition* map, bool activeWindow);
// The Redo item: "&Redo\tCtrl+Y", or "&Redo(" + the change's name + part + ")\tCtrl+Y"
// when the current map has an undone change.
UndoMenuState RedoMenuText(const MapDefinition* map, bool activeWindow);

} // namespace zlm
