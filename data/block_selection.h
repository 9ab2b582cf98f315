#pragma once
// The rectangular block of DATA cells selected in a table window. The anchor
// is the map's current cell; dragging or Shift+click moves the other corner;
// Ctrl+A takes the whole map. Lines are the rows (Z points), points the
// columns (X points), both counted from 0 and inclusive.
namespace zlm {

struct CellBlock {
    int top = 0; // first line
    int left = 0; // first point
    int bottom = 0; // last line
    int right = 0; // last point

    int rows() const { return bottom - top + 1; }
    int columns() const { return right - left + 1; }
    int cells() const { return rows() * columns(); }
    bool contains(int line, int point) const
    {
        return line >= top && line <= bottom && point >= left && point <= right;
    }
    bool operator==(const CellBlock&) const = default;
};

class BlockSelection {
public:
    // One cell: the anchor and the block are (line, point).
    void collapse(int line, int point);
    // The block spans the anchor and (line, point), kept inside a map of
    // `lines` x `points`.
    void extendTo(int line, int point, int lines, int points);
    // The whole map; the anchor stays where it is.
    void selectAll(int lines, int points);

    int anchorLine() const { return m_anchorLine; }
    int anchorPoint() const { return m_anchorPoint; }
    const CellBlock& block() const { return m_block; }
    // More than the anchor cell is selected.
    bool isBlock() const { return m_block.cells() > 1; }

private:
    int m_anchorLine = 0;
    int m_anchorPoint = 0;
    CellBlock m_block;
};

} // namespace zlm
