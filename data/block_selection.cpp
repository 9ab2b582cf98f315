#include "data/block_selection.h"

#include <algorithm>

namespace zlm {

void BlockSelection::collapse(int line, int point)
{
    m_anchorLine = line;
    m_anchorPoint = point;
    m_block = { line, point, line, point };
}

void BlockSelection::extendTo(int line, int point, int lines, int points)
{
    if (lines <= 0 || points <= 0)
        return;
    line = std::clamp(line, 0, lines - 1);
    point = std::clamp(point, 0, points - 1);
    m_block = { std::min(line, m_anchorLine), std::min(point, m_anchorPoint),
        std::max(line, m_anchorLine), std::max(point, m_anchorPoint) };
}

void BlockSelection::selectAll(int lines, int points)
{
    if (lines <= 0 || points <= 0)
        return;
    m_block = { 0, 0, lines - 1, points - 1 };
}

} // namespace zlm
