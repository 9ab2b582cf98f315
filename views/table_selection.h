#pragma once
// TableSelection: the block of DATA cells selected in a TableWindow, and what
// the window does with it: drag and Shift+click extend the block from the
// current cell (its anchor), Ctrl+A takes the whole map, the specified moves
// collapse it; Set Value, Add, Scale, Interpolate and Smooth run on it; Copy
// puts it on the clipboard as spreadsheet lines and Paste writes such lines
// from the block's first cell. It also tints the cells by value (shading).
// The geometry, the operations and the clipboard text are the core's
// (data/block_selection.h, data/block_ops.h); this class draws and forwards.
//
// Owned by its TableWindow; the current cell editing of the window is
// unchanged: the cell editor stays on the anchor cell.
#include "data/block_ops.h"
#include "data/block_selection.h"

#include <QColor>
#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class QMouseEvent;
class QPainter;

namespace zlm {

class CVexApp;
class CVexDoc;
class TableWindow;
struct MapDefinition;

class TableSelection final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableSelection)
public:
    TableSelection(TableWindow& table, CVexApp& app, CVexDoc& doc);

    // The amount of Set Value (physical), Add (physical) or Scale (percent),
    // or nothing when the user cancels. Replaceable for tests.
    using AmountPrompt = std::function<std::optional<double>(BlockOperation operation)>;
    void setAmountPrompt(AmountPrompt prompt) { m_prompt = std::move(prompt); }

    // The block; without a block (hasBlock false) it is the current cell.
    CellBlock block() const { return m_selection.block(); }
    // More than one DATA cell is selected.
    bool hasBlock() const;
    // The current cell is a DATA cell, so operations can run.
    bool dataPart() const;

    // One cell: the map's current cell.
    void collapse();
    // After a change made elsewhere: another map or another current cell
    // collapses the block.
    void follow();
    void selectAll();

    // Grid pane mouse, in grid cells (row and column of the whole grid).
    // Shift+click on a DATA cell extends the block and returns true; any
    // other press is the window's pick, after which beginDrag starts a block.
    bool shiftClick(int row, int column);
    void beginDrag();
    void dragTo(int row, int column);
    void endDrag() { m_dragging = false; }
    bool dragging() const { return m_dragging; }

    // Painting in the grid pane: the background of a DATA cell (shading, or
    // white) and the block over the cells.
    void beginPaint(); // reads the map's lowest and highest value once
    QColor cellBackground(int line, int point) const;
    void paintBlock(QPainter& painter, int firstRow, int firstColumn) const;

    // The operations; each asks its amount first when it takes one.
    bool canRun(BlockOperation operation) const;
    void run(BlockOperation operation);
    void runWith(BlockOperation operation, double amount);
    // Copy of a block; false without a block (the window copies its editor).
    bool copy();
    // Paste of spreadsheet text (tabs, commas or several lines); false for a
    // single value (the window pastes into its editor).
    bool paste(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MapDefinition* map() const;
    // Writes are done: redraw this window and the others, then report.
    void finish(const BlockOutcome& outcome);
    // The data line of a grid row (paired layout: only data rows), or -1.
    int lineOfRow(int row) const;

    TableWindow& m_table;
    CVexApp& m_app;
    CVexDoc& m_doc;
    BlockSelection m_selection;
    const MapDefinition* m_map = nullptr; // the map the block belongs to
    bool m_dragging = false;
    AmountPrompt m_prompt;
    // Shading of the paint in progress.
    std::vector<double> m_physical; // physical value of each raw byte of the map
    double m_lowest = 0.0;
    double m_highest = 0.0;
};

} // namespace zlm
