#pragma once
// GridPane: the cell area of a TableWindow, right of the left header column and
// (standard layout) below the top header row. Draws the visible cells, owns the
// two scroll bars and hosts the cell editor. The first visible row and column
// are the scroll positions; the header strip follows them.
#include <QAbstractScrollArea>

namespace zlm {

class CellEditor;
class TableWindow;

class GridPane final : public QAbstractScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GridPane)
public:
    explicit GridPane(TableWindow& table);

    int firstVisibleRow() const { return m_firstRow; }
    int firstVisibleColumn() const { return m_firstColumn; }
    CellEditor* cellEditor() const { return m_editor; }

    // Shows or hides the bars for the map's rows and points and the pane's
    // size; a bar that is shown or hidden resets its first visible index to 0,
    // and an index beyond the new range is set to the range's end.
    void updateScrollBars();
    // Scrolls so that the grid cell (row, column) is visible, by the sizes the
    // last updateScrollBars() settled (the viewport may not be laid out yet).
    void ensureVisible(int row, int column);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void scrolled();
    void setBar(Qt::Orientation orientation, bool shown, int maximum);
    // The grid cell (row, column) under a viewport position; positions beyond
    // the viewport give the cells just beyond its edges.
    QPoint cellAt(QPoint pos) const;

    TableWindow& m_table;
    CellEditor* m_editor = nullptr;
    int m_firstRow = 0;
    int m_firstColumn = 0;
    int m_visibleRows = 1; // whole cells that fit, from updateScrollBars()
    int m_visibleColumns = 1;
    bool m_updating = false; // bar ranges being set: no scrolling
};

} // namespace zlm
