#include "views/grid_pane.h"

#include "views/cell_editor.h"
#include "views/table_selection.h"
#include "views/table_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace zlm {

namespace {
const QColor kGrey(192, 192, 192);
constexpr int kTextInsetPx = 4; // cell values end this far left of the cell's right edge
} // namespace

GridPane::GridPane(TableWindow& table)
    : QAbstractScrollArea(&table)
    , m_table(table)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
    viewport()->setAutoFillBackground(false);
    m_editor = new CellEditor(viewport());
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (m_updating || value == m_firstColumn)
            return;
        m_firstColumn = value;
        scrolled();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (m_updating || value == m_firstRow)
            return;
        m_firstRow = value;
        scrolled();
    });
}

void GridPane::scrolled()
{
    m_table.update();
    viewport()->update();
    m_table.replaceEditors();
}

void GridPane::setBar(Qt::Orientation orientation, bool shown, int maximum)
{
    const bool vertical = orientation == Qt::Vertical;
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    int& first = vertical ? m_firstRow : m_firstColumn;
    const Qt::ScrollBarPolicy policy = shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    const bool wasShown = (vertical ? verticalScrollBarPolicy() : horizontalScrollBarPolicy())
        == Qt::ScrollBarAlwaysOn;
    if (wasShown != shown) {
        first = 0;
        if (vertical)
            setVerticalScrollBarPolicy(policy);
        else
            setHorizontalScrollBarPolicy(policy);
    }
    maximum = shown ? std::max(0, maximum) : 0;
    first = std::clamp(first, 0, maximum);
    bar->setRange(0, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(std::max(1, maximum / 4));
    bar->setValue(first);
}

void GridPane::updateScrollBars()
{
    const int w = m_table.cellWidth();
    const int h = m_table.cellHeight();
    const int columns = m_table.pointCount();
    const int rows = m_table.rowCount();
    const QSize area = contentsRect().size();
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);

    // Each bar takes room from the other's direction: settle both together.
    bool horizontal = false;
    bool vertical = false;
    int width = area.width();
    int height = area.height();
    for (int pass = 0; pass < 3; ++pass) {
        width = area.width() - (vertical ? extent : 0);
        height = area.height() - (horizontal ? extent : 0);
        horizontal = columns * w > width;
        vertical = rows * h > height;
    }
    width = area.width() - (vertical ? extent : 0);
    height = area.height() - (horizontal ? extent : 0);

    const int fitColumns = w > 0 ? std::max(width, 0) / w : 0;
    const int fitRows = h > 0 ? std::max(height, 0) / h : 0;
    m_visibleColumns = std::max(1, fitColumns);
    m_visibleRows = std::max(1, fitRows);
    m_updating = true;
    setBar(Qt::Horizontal, horizontal, columns - fitColumns);
    setBar(Qt::Vertical, vertical, rows - fitRows);
    m_updating = false;
    viewport()->update();
}

void GridPane::ensureVisible(int row, int column)
{
    int first = m_firstColumn;
    if (column < first)
        first = column;
    else if (column >= first + m_visibleColumns)
        first = column - m_visibleColumns + 1;
    horizontalScrollBar()->setValue(first);
    first = m_firstRow;
    if (row < first)
        first = row;
    else if (row >= first + m_visibleRows)
        first = row - m_visibleRows + 1;
    verticalScrollBar()->setValue(first);
}

void GridPane::scrollContentsBy(int, int)
{
    // The first visible indices follow the bars' valueChanged; nothing to move here.
}

void GridPane::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    const int w = m_table.cellWidth();
    const int h = m_table.cellHeight();
    const int columns = m_table.pointCount();
    const int rows = m_table.rowCount();
    const bool paired = m_table.pairedLayout();

    p.fillRect(area, Qt::white);
    if (w <= 0 || h <= 0)
        return;
    const int shownColumns = std::max(0, std::min(columns - m_firstColumn, area.width() / w + 2));
    const int shownRows = std::max(0, std::min(rows - m_firstRow, area.height() / h + 2));
    const int usedWidth = std::max(0, columns - m_firstColumn) * w;
    const int usedHeight = std::max(0, rows - m_firstRow) * h;

    TableSelection& selection = m_table.blockSelection();
    selection.beginPaint();
    p.setFont(m_table.m_cellFont);
    for (int r = 0; r < shownRows; ++r) {
        const int row = m_firstRow + r;
        const bool axisRow = paired && row % 2 == 0;
        const int line = paired ? row / 2 : row;
        for (int c = 0; c < shownColumns; ++c) {
            const int point = m_firstColumn + c;
            // The cell without its own grid lines (its last pixel column and row).
            const QRect cell(c * w, r * h, w - 1, h - 1);
            p.setPen(Qt::black);
            if (axisRow) {
                p.fillRect(cell, kGrey);
                p.drawText(cell, Qt::AlignCenter, m_table.xText(line, point));
            } else {
                if (point < columns && line < m_table.lineCount()) {
                    const QColor background = selection.cellBackground(line, point);
                    if (background != Qt::white)
                        p.fillRect(cell, background);
                }
                p.drawText(cell.adjusted(0, 0, -(kTextInsetPx - 1), 0),
                    Qt::AlignRight | Qt::AlignVCenter, m_table.dataText(line, point));
            }
        }
    }

    // Each cell's grid lines are its last pixel column and row; the editor
    // placed over a cell covers them.
    const int gridRight = std::min(usedWidth, area.width());
    const int gridBottom = std::min(usedHeight, area.height());
    p.setPen(kGrey);
    for (int c = 1; c <= shownColumns; ++c)
        p.drawLine(c * w - 1, 0, c * w - 1, gridBottom - 1);
    for (int r = 1; r <= shownRows; ++r)
        p.drawLine(0, r * h - 1, gridRight - 1, r * h - 1);

    selection.paintBlock(p, m_firstRow, m_firstColumn);

    // Beyond the last column and below the last row: a cross hatch, bounded in black.
    const QBrush hatch(kGrey, Qt::DiagCrossPattern);
    p.setPen(Qt::black);
    if (usedWidth < area.width()) {
        p.fillRect(QRect(usedWidth, 0, area.width() - usedWidth, area.height()), hatch);
        p.drawLine(usedWidth - 1, 0, usedWidth - 1, gridBottom - 1);
    }
    if (usedHeight < area.height()) {
        p.fillRect(QRect(0, usedHeight, gridRight, area.height() - usedHeight), hatch);
        p.drawLine(0, usedHeight - 1, gridRight - 1, usedHeight - 1);
    }
}

void GridPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    TableSelection& selection = m_table.blockSelection();
    if (event->modifiers() & Qt::ShiftModifier) {
        const QPoint cell = cellAt(pos);
        if (selection.shiftClick(cell.y(), cell.x())) {
            event->accept();
            return;
        }
    }
    m_table.pickCell(pos.x(), pos.y());
    selection.beginDrag();
    event->accept();
}

QPoint GridPane::cellAt(QPoint pos) const
{
    const int w = std::max(1, m_table.cellWidth());
    const int h = std::max(1, m_table.cellHeight());
    // Floor division, so a position left of or above the viewport is the cell before it.
    const auto cellOf = [](int px, int size) { return px >= 0 ? px / size : (px - size + 1) / size; };
    return { m_firstColumn + cellOf(pos.x(), w), m_firstRow + cellOf(pos.y(), h) };
}

void GridPane::mouseMoveEvent(QMouseEvent* event)
{
    TableSelection& selection = m_table.blockSelection();
    if (!(event->buttons() & Qt::LeftButton) || !selection.dragging()) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    QPoint cell = cellAt(pos);
    cell.setX(std::clamp(cell.x(), 0, std::max(0, m_table.pointCount() - 1)));
    cell.setY(std::clamp(cell.y(), 0, std::max(0, m_table.rowCount() - 1)));
    // Dragging past an edge scrolls the grid along.
    if (!viewport()->rect().contains(pos))
        ensureVisible(cell.y(), cell.x());
    selection.dragTo(cell.y(), cell.x());
    event->accept();
}

void GridPane::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_table.blockSelection().endDrag();
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void GridPane::keyPressEvent(QKeyEvent* event)
{
    // The table window turns keys into moves; the scroll area must not page with them.
    event->ignore();
}

} // namespace zlm
