#pragma once
// Per-map undo of single-value changes made in the map and table windows.
#include <cstdint>
#include <deque>
#include <vector>

namespace zlm {

// Two digits: tens = origin (1 typed, 2 drag, 3 key step), units = part
// (0 THROT, 1 RPM, 2 DATA).
using UndoKind = int;

struct UndoRecord {
    UndoKind kind = 0;
    std::vector<std::uint16_t> addresses;  // image address of each changed value's first byte
    std::vector<std::uint16_t> oldValues;  // values before the change, parallel to addresses
};

// Oldest record first, newest last; owned by its map.
class UndoStack {
public:
    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    const std::deque<UndoRecord>& records() const { return m_records; }

private:
    std::deque<UndoRecord> m_records;
};

} // namespace zlm
