#pragma once
// Builders of the moves the map and the table editors answer a key with; each
// editor has its own move type (with its own actions) of the same layout.
#include "data/map_definition.h"

namespace zlm {

// Go to the cell `part`, `line`, `point`.
template <typename Move> Move goMove(EditPart part, int line, int point)
{
    return { Move::Action::Go, part, line, point, 0 };
}

// A step action, up (direction > 0) or down.
template <typename Move> Move stepMove(typename Move::Action action, int direction)
{
    Move move;
    move.action = action;
    move.direction = direction;
    return move;
}

} // namespace zlm
