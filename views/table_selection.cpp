#include "views/table_selection.h"

#include "app/vex_app.h"
#include "data/conversion.h"
#include "data/map_access.h"
#include "views/block_amount_dialog.h"
#include "views/cell_editor.h"
#include "views/grid_pane.h"
#include "views/table_window.h"
#include "views/value_shading.h"
#include "views/vex_doc.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace zlm {

namespace {

constexpr int kOwnKind = 3; // notifications caused by a table window
const QColor kBlockFill(20, 50, 120, 44); // over the tints, the text stays black on light
const QColor kBlockEdge(10, 30, 90);
constexpr int kBlockEdgePx = 2;

} // namespace

TableSelection::TableSelection(TableWindow& table, CVexApp& app, CVexDoc& doc)
    : QObject(&table)
    , m_table(table)
    , m_app(app)
    , m_doc(doc)
{
    m_table.cellEditor()->installEventFilter(this);
    collapse();
}

MapDefinition* TableSelection::map() const
{
    return m_app.data().currentMap();
}

bool TableSelection::dataPart() const
{
    const MapDefinition* m = map();
    return m && m->edit.part == EditPart::Data && m->x.count > 0 && m->z.count > 0;
}

bool TableSelection::hasBlock() const
{
    return dataPart() && m_map == map() && m_selection.isBlock();
}

void TableSelection::collapse()
{
    const MapDefinition* m = map();
    m_map = m;
    m_dragging = false;
    if (m)
        m_selection.collapse(m->edit.line, m->edit.point);
    else
        m_selection.collapse(0, 0);
    m_table.gridPane()->viewport()->update();
}

void TableSelection::follow()
{
    const MapDefinition* m = map();
    const CellBlock& b = m_selection.block();
    if (m != m_map || !m || m->edit.part != EditPart::Data
        || m_selection.anchorLine() != m->edit.line || m_selection.anchorPoint() != m->edit.point
        || b.bottom >= m->z.count || b.right >= m->x.count)
        collapse();
}

void TableSelection::selectAll()
{
    follow();
    const MapDefinition* m = map();
    if (!dataPart())
        return;
    m_selection.selectAll(m->z.count, m->x.count);
    m_table.gridPane()->viewport()->update();
}

int TableSelection::lineOfRow(int row) const
{
    if (!m_table.pairedLayout())
        return row;
    return row % 2 == 1 ? row / 2 : -1;
}

bool TableSelection::shiftClick(int row, int column)
{
    const MapDefinition* m = map();
    if (!dataPart())
        return false;
    const int line = lineOfRow(row);
    if (line < 0 || line >= m->z.count || column < 0 || column >= m->x.count)
        return false;
    follow();
    m_selection.extendTo(line, column, m->z.count, m->x.count);
    m_table.gridPane()->viewport()->update();
    return true;
}

void TableSelection::beginDrag()
{
    collapse();
    m_dragging = dataPart();
}

void TableSelection::dragTo(int row, int column)
{
    const MapDefinition* m = map();
    if (!m_dragging || !dataPart())
        return;
    // In the paired layout an RPM row counts as the data line below it.
    const int line = m_table.pairedLayout() ? row / 2 : row;
    const CellBlock before = m_selection.block();
    m_selection.extendTo(line, column, m->z.count, m->x.count);
    if (!(m_selection.block() == before))
        m_table.gridPane()->viewport()->update();
}

bool TableSelection::eventFilter(QObject* watched, QEvent* event)
{
    // A drag that starts on the current cell begins in its editor: once the
    // mouse leaves the editor it selects cells.
    auto* editor = m_table.cellEditor();
    if (watched != editor)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            beginDrag();
    } else if (event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        if ((mouse->buttons() & Qt::LeftButton) && m_dragging && !editor->rect().contains(pos)) {
            const QPoint inGrid = editor->mapToParent(pos);
            const GridPane* grid = m_table.gridPane();
            const int w = std::max(1, m_table.cellWidth());
            const int h = std::max(1, m_table.cellHeight());
            dragTo(grid->firstVisibleRow() + std::max(0, inGrid.y()) / h,
                grid->firstVisibleColumn() + std::max(0, inGrid.x()) / w);
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        endDrag();
    }
    return false;
}

// --- painting ----------------------------------------------------------------------------

void TableSelection::beginPaint()
{
    m_physical.clear();
    const MapDefinition* m = map();
    if (!m || !m_app.tableShading)
        return;
    // Only the raw values the map holds are converted, each once.
    std::array<bool, 256> seen {};
    const auto image = m_app.data().image();
    for (int line = 0; line < m->z.count; ++line)
        for (int point = 0; point < m->x.count; ++point)
            seen[image[dataCellAddress(*m, line, point)]] = true;
    m_physical.assign(256, 0.0);
    bool first = true;
    for (int raw = 0; raw < 256; ++raw) {
        if (!seen[static_cast<std::size_t>(raw)])
            continue;
        const double value = rawByteToPhysical(m->y, static_cast<std::uint8_t>(raw)).value;
        m_physical[static_cast<std::size_t>(raw)] = value;
        m_lowest = first ? value : std::min(m_lowest, value);
        m_highest = first ? value : std::max(m_highest, value);
        first = false;
    }
}

QColor TableSelection::cellBackground(int line, int point) const
{
    const MapDefinition* m = map();
    if (!m || m_physical.empty())
        return Qt::white;
    const std::uint8_t raw = m_app.data().read(dataCellAddress(*m, line, point));
    const Rgb c = shadeColour(shadePosition(m_physical[raw], m_lowest, m_highest));
    return { c.r, c.g, c.b };
}

void TableSelection::paintBlock(QPainter& painter, int firstRow, int firstColumn) const
{
    if (!hasBlock())
        return;
    const CellBlock& b = m_selection.block();
    const int w = m_table.cellWidth();
    const int h = m_table.cellHeight();
    const int x = (b.left - firstColumn) * w;
    const int width = b.columns() * w;
    painter.save();
    QPen edge(kBlockEdge, kBlockEdgePx);
    edge.setJoinStyle(Qt::MiterJoin);
    const auto outline = [&](const QRect& area) {
        painter.fillRect(area, kBlockFill);
        painter.setPen(edge);
        painter.setBrush(Qt::NoBrush);
        // The pen's two pixels lie inside the block, the last over its grid lines.
        painter.drawRect(QRectF(area).adjusted(1, 1, -1, -1));
    };
    if (m_table.pairedLayout()) {
        // Only the data rows of the lines belong to the block.
        for (int line = b.top; line <= b.bottom; ++line)
            outline(QRect(x, (2 * line + 1 - firstRow) * h, width, h));
    } else {
        outline(QRect(x, (b.top - firstRow) * h, width, b.rows() * h));
    }
    painter.restore();
}

// --- operations --------------------------------------------------------------------------

bool TableSelection::canRun(BlockOperation operation) const
{
    if (!dataPart())
        return false;
    if (operation == BlockOperation::Interpolate || operation == BlockOperation::Smooth)
        return hasBlock();
    return true;
}

void TableSelection::run(BlockOperation operation)
{
    if (!canRun(operation))
        return;
    // A value still being typed is applied first, as before any change.
    m_table.commit(0);
    double amount = 0.0;
    if (takesAmount(operation)) {
        std::optional<double> asked;
        if (m_prompt) {
            asked = m_prompt(operation);
        } else {
            // Set Value starts from the current cell's value, as shown.
            const MapDefinition* m = map();
            const auto raw = static_cast<std::uint8_t>(m->edit.currentValue);
            asked = askBlockAmount(&m_table, operation,
                QString::fromStdString(formatY(m_app.formats, rawByteToPhysical(m->y, raw).value)));
        }
        if (!asked)
            return;
        amount = *asked;
    }
    runWith(operation, amount);
}

void TableSelection::runWith(BlockOperation operation, double amount)
{
    MapDefinition* m = map();
    if (!m || !canRun(operation))
        return;
    finish(applyBlockOperation(
        m_app.data(), *m, block(), operation, amount, m_app.formats, m_app.undoSize));
}

bool TableSelection::copy()
{
    const MapDefinition* m = map();
    if (!m || !hasBlock())
        return false;
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(copyBlockText(m_app.data(), *m, block(), m_app.formats)));
    return true;
}

bool TableSelection::paste(const QString& text)
{
    MapDefinition* m = map();
    const std::string plain = text.toStdString();
    if (!m || !dataPart() || !isTableText(plain))
        return false;
    m_table.commit(0);
    const Result<PastedTable> table = parseTableText(plain);
    if (!table.ok()) {
        m_app.prompts().show(table.error());
        return true;
    }
    follow();
    const CellBlock b = block();
    finish(pasteTable(m_app.data(), *m, b.top, b.left, *table, m_app.formats, m_app.undoSize));
    return true;
}

void TableSelection::finish(const BlockOutcome& outcome)
{
    if (outcome.applied) {
        // This window with its editor refilled, then the others, once each.
        m_table.reload(0);
        m_doc.EndChange(kOwnKind);
    }
    for (const Message& message : outcome.messages)
        m_app.prompts().show(message);
}

} // namespace zlm
