#include "views/map_edit.h"

#include "data/conversion.h"
#include "data/ecu_data_set.h"
#include "data/map_access.h"
#include "data/undo_stack.h"
#include "res/string_table.h"
#include "views/edit_moves.h"

#include <algorithm>

namespace zlm {

namespace {

constexpr int kCaptionId = 2000; // "Map Window"
constexpr int kDataErrorId = 1505; // "Data error"
constexpr int kAsBeforeId = 1504; // "Data is set as before editing"

constexpr auto go = goMove<MapMove>;
constexpr auto step = stepMove<MapMove>;

MapMove dataMove(const MapDefinition& map, MapMode mode, MoveCode code)
{
    const int line = map.edit.line;
    const int point = map.edit.point;
    switch (code) {
    case MoveCode::Left:
    case MoveCode::ShiftLeft:
        return point > 0 ? go(EditPart::Data, line, point - 1) : MapMove {};
    case MoveCode::Right:
    case MoveCode::ShiftRight:
        return point < map.x.count - 1 ? go(EditPart::Data, line, point + 1) : MapMove {};
    case MoveCode::Up:
    case MoveCode::PageUp:
        return step(MapMove::Action::StepData, +1);
    case MoveCode::Down:
    case MoveCode::PageDown:
        return step(MapMove::Action::StepData, -1);
    case MoveCode::ShiftUp:
        return line > 0 ? go(EditPart::Data, line - 1, point) : MapMove {};
    case MoveCode::ShiftDown:
        return line < map.z.count - 1 ? go(EditPart::Data, line + 1, point) : MapMove {};
    case MoveCode::ShiftEnter:
        // Config maps send the cell to the running ECU at once.
        return mode == MapMode::Free ? MapMove {} : MapMove { MapMove::Action::SendToEcu };
    }
    return {};
}

MapMove rpmMove(const MapDefinition& map, MapMode mode, MoveCode code)
{
    // Only free maps show their RPM points for editing; with every line of a
    // map of kind 2 drawn, there is no one axis to edit.
    if (mode != MapMode::Free || (map.edit.all != 0 && map.kind == 2))
        return {};
    const int point = map.edit.point;
    switch (code) {
    case MoveCode::Left:
        return step(MapMove::Action::StepRpm, -1);
    case MoveCode::Right:
        return step(MapMove::Action::StepRpm, +1);
    case MoveCode::Up:
        return point < map.x.count - 1 ? go(EditPart::Rpm, map.edit.line, point + 1) : MapMove {};
    case MoveCode::Down:
        return point > 0 ? go(EditPart::Rpm, map.edit.line, point - 1) : MapMove {};
    default:
        return {};
    }
}

// value + direction inside the cell's raw limits, or nothing.
std::optional<int> steppedValue(const MapEditState& edit, int direction)
{
    const int next = edit.currentValue + (direction > 0 ? 1 : -1);
    if (direction == 0 || next < std::max(0, edit.lowerLimit) || next > edit.upperLimit)
        return std::nullopt;
    return next;
}

} // namespace

bool selectGraphCell(const EcuDataSet& data, MapDefinition& map, EditPart part, int line, int point)
{
    const auto image = data.image();
    if (line < 0 || line >= std::max<int>(1, map.z.count) || point < 0 || point >= map.x.count)
        return false;
    std::uint16_t value = 0;
    if (part == EditPart::Data) {
        const CellRead cell = readDataCell(image, map, line, point);
        if (!cell.ok())
            return false;
        value = cell.value;
    } else if (part == EditPart::Rpm) {
        value = readXPoint(image, map, line, point);
    } else {
        return false;
    }
    MapEditState& edit = map.edit;
    edit.part = part;
    edit.line = line;
    edit.point = point;
    edit.currentValue = value;
    edit.dragValue = value;
    computeAllowedRange(map, image);
    return true;
}

bool pickGraphCell(const EcuDataSet& data, MapDefinition& map, const GraphHit& hit)
{
    if (hit.part == EditPart::None)
        return false;
    MapEditState& edit = map.edit;
    edit.editOwner = 1;
    const bool current = hit.part == edit.part && hit.point == edit.point
        && (hit.part == EditPart::Rpm || hit.line == edit.line);
    if (current) {
        // The drag starts from the value in the image, which a read from the
        // ECU or another editor may have changed since the cell was picked.
        selectGraphCell(data, map, edit.part, edit.line, edit.point);
        return true;
    }
    selectGraphCell(data, map, hit.part, hit.line, hit.point);
    return false;
}

int dragValueAt(const MapDefinition& map, const MapGeometry& geometry, int x, int y)
{
    const int raw = map.edit.part == EditPart::Rpm ? geometry.rawAtX(x) : geometry.rawAtY(y);
    return std::min(std::max(raw, map.edit.lowerLimit), map.edit.upperLimit);
}

DragEnd finishDrag(EcuDataSet& data, MapDefinition& map, int undoSize)
{
    MapEditState& edit = map.edit;
    DragEnd end;
    if (edit.dragValue == edit.currentValue)
        return end;
    const CellCode code = edit.part == EditPart::Data
        ? writeDataCell(data, map, edit.line, edit.point, static_cast<std::uint8_t>(edit.dragValue))
        : edit.part == EditPart::Rpm
        ? writeXPoint(data, map, edit.line, edit.point, edit.dragValue)
        : CellCode::BadRow;
    if (code == CellCode::Ok) {
        RecordChange(map, UndoOrigin::Drag, undoSize);
        edit.currentValue = edit.dragValue;
        end.written = true;
        return end;
    }
    edit.dragValue = edit.currentValue;
    if (edit.part == EditPart::Data) {
        end.refusal = Message { kDataErrorId,
            std::string(loadString(kDataErrorId)) + "\n" + std::string(loadString(kAsBeforeId)),
            Icon::Stop, std::string(loadString(kCaptionId)) };
    }
    return end;
}

MapMove mapMove(const MapDefinition& map, MapMode mode, MoveCode code)
{
    switch (map.edit.part) {
    case EditPart::Data:
        return dataMove(map, mode, code);
    case EditPart::Rpm:
        return rpmMove(map, mode, code);
    default:
        return {};
    }
}

bool stepGraphData(EcuDataSet& data, MapDefinition& map, int undoSize, int direction)
{
    MapEditState& edit = map.edit;
    // Step from the value in the image (see pickGraphCell), which the undo
    // record then keeps as the value before the step.
    selectGraphCell(data, map, edit.part, edit.line, edit.point);
    const std::optional<int> next = steppedValue(edit, direction);
    if (edit.part != EditPart::Data || !next
        || writeDataCell(data, map, edit.line, edit.point, static_cast<std::uint8_t>(*next))
            != CellCode::Ok)
        return false;
    RecordChange(map, UndoOrigin::KeyStep, undoSize);
    edit.currentValue = static_cast<std::uint16_t>(*next);
    edit.dragValue = edit.currentValue;
    return true;
}

bool stepGraphRpm(EcuDataSet& data, MapDefinition& map, int direction)
{
    MapEditState& edit = map.edit;
    selectGraphCell(data, map, edit.part, edit.line, edit.point);
    const std::optional<int> next = steppedValue(edit, direction);
    if (edit.part != EditPart::Rpm || !next
        || writeXPoint(data, map, edit.line, edit.point, static_cast<std::uint16_t>(*next))
            != CellCode::Ok)
        return false;
    ForgetRedo(map);
    edit.currentValue = static_cast<std::uint16_t>(*next);
    edit.dragValue = edit.currentValue;
    return true;
}

} // namespace zlm
