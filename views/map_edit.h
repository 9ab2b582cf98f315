#pragma once
// The editing rules of the map window, without the window: a picked point
// becomes the current cell, a drag ends in a write with its undo record, and
// the move codes walk the points and lines or step a value by one raw unit.
//
// The functions work on the map's edit state (part, line, point, current and
// drag value, allowed raw range) and never show anything: a refused drag
// returns its message, captioned "Map Window", for the window to show.
#include "base/result.h"
#include "data/map_definition.h"
#include "views/edit_codes.h"
#include "views/map_geometry.h"

#include <optional>

namespace zlm {

class EcuDataSet;

// Makes (part, line, point) the map's current cell: its raw value becomes
// the current and the drag value, and its allowed raw range is recomputed.
// False (nothing changes) when the cell cannot be read.
bool selectGraphCell(const EcuDataSet& data, MapDefinition& map, EditPart part, int line, int point);

// A click on `hit`: the map window owns the edit from now on. Picking the
// current cell again starts a drag (true); any other point becomes current.
bool pickGraphCell(const EcuDataSet& data, MapDefinition& map, const GraphHit& hit);

// The raw value under the mouse during a drag (DATA from y, RPM from x),
// kept inside the cell's raw limits.
int dragValueAt(const MapDefinition& map, const MapGeometry& geometry, int x, int y);

// The end of a drag: a drag value that differs from the current value is
// written (DATA: the data cell, through the data set's store; RPM: the X
// point), recorded as a drag and made current. A refused DATA write resets
// the drag value and returns "Data error" / "Data is set as before editing".
struct DragEnd {
    bool written = false;
    std::optional<Message> refusal;
};
DragEnd finishDrag(EcuDataSet& data, MapDefinition& map, int undoSize);

// What a move code does in the map window from the map's current cell.
struct MapMove {
    enum class Action { None, Go, StepData, StepRpm, SendToEcu };
    Action action = Action::None;
    EditPart part = EditPart::None; // Go: the new cell
    int line = 0;
    int point = 0;
    int direction = 0; // steps: +1 or -1 raw unit
};
MapMove mapMove(const MapDefinition& map, MapMode mode, MoveCode code);

// One raw unit up (direction > 0) or down on the current DATA cell, refused
// beyond the cell's limits; recorded as a key step. True when written.
bool stepGraphData(EcuDataSet& data, MapDefinition& map, int undoSize, int direction);
// The same on the current RPM point (its own line's axis on a map of kind 2);
// not recorded for undo.
bool stepGraphRpm(EcuDataSet& data, MapDefinition& map, int direction);

} // namespace zlm
