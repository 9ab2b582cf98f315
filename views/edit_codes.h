#pragma once
// Codes (plain C++) the main frame and the inner editing windows exchange.
namespace zlm {

// Kind of the inner window of a view.
enum class ViewKind { None = 0, Map = 1, Table = 3 };

// Cursor and step commands sent to the active window's Move.
enum class MoveCode {
    Left = 1,
    Right = 2,
    Up = 5,
    Down = 6,
    ShiftEnter = 8,
    PageUp = 11,
    PageDown = 12,
    ShiftUp = 13,
    ShiftDown = 14,
    ShiftLeft = 15,
    ShiftRight = 16,
};

} // namespace zlm
