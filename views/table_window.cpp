#include "views/table_window.h"

#include "app/vex_app.h"
#include "data/conversion.h"
#include "data/map_access.h"
#include "views/century_font.h"
#include "views/cell_editor.h"
#include "views/grid_pane.h"
#include "views/main_frame.h"
#include "views/table_edit.h"
#include "views/table_selection.h"
#include "views/vex_doc.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>

#include <algorithm>

namespace zlm {

namespace {

const QColor kGrey(192, 192, 192);
constexpr int kOwnKind = 3; // flag of the notifications this window causes
constexpr int kHeaderFontPx = 14;
constexpr int kLabelInsetPx = 4; // Z labels end this far left of the column's edge
constexpr int kLabelTopPx = 2; // and start this far below the row's top
constexpr int kMinCellPx = 8;

// The i-th physical value of a config-map list axis, as text in `format`.
std::string listValue(const AxisDescriptor& axis, int index)
{
    const auto fields = text::splitFields(axis.values);
    if (index < 0 || static_cast<std::size_t>(index) >= fields.size())
        return {};
    return std::string(fields[static_cast<std::size_t>(index)]);
}

} // namespace

TableWindow::TableWindow(CVexApp& app, CVexDoc& doc, QWidget* parent)
    : EditWindow(parent)
    , m_app(app)
    , m_doc(doc)
{
    m_cellWidth = std::max(kMinCellPx, app.settings.tableCellWidth);
    m_cellHeight = std::max(kMinCellPx, app.settings.tableCellHeight);

    m_headerFont = centuryFont(kHeaderFontPx);
    m_cellFont = centuryFont(app.settings.tableFontSize);

    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_grid = new GridPane(*this);
    m_grid->cellEditor()->setFont(m_cellFont);
    m_headerEditor = new CellEditor(this, CellEditor::kHeaderPaddingPx);
    m_headerEditor->setFont(m_cellFont);

    for (CellEditor* editor : { m_grid->cellEditor(), m_headerEditor }) {
        connect(editor, &CellEditor::keyCommand, this,
            [this, editor](int character, bool shift) { editorKey(editor, character, shift); });
        connect(editor, &CellEditor::moveRequested, this, [this](MoveCode code) { move(code); });
        // Typing into a cell scrolled out of sight brings it back into view,
        // so nothing changes where the user cannot see it.
        connect(editor, &QLineEdit::textEdited, this, [this] { keepCurrentCellInView(); });
    }
    m_selection = new TableSelection(*this, app, doc);

    relayout();
}

TableWindow::~TableWindow() = default;

// --- the map and its texts -------------------------------------------------------------

MapDefinition* TableWindow::map() const
{
    return m_app.data().currentMap();
}

int TableWindow::lineCount() const
{
    const MapDefinition* m = map();
    return m ? m->z.count : 0;
}

int TableWindow::pointCount() const
{
    const MapDefinition* m = map();
    return m ? m->x.count : 0;
}

int TableWindow::rowCount() const
{
    return pairedLayout() ? 2 * lineCount() : lineCount();
}

bool TableWindow::pairedLayout() const
{
    const MapDefinition* m = map();
    return m && isPairedLayout(*m, m_app.data().mapMode);
}

bool TableWindow::headerEditable() const
{
    return m_app.data().mapMode != MapMode::Config;
}

int TableWindow::firstVisibleRow() const
{
    return m_grid->firstVisibleRow();
}
int TableWindow::firstVisibleColumn() const
{
    return m_grid->firstVisibleColumn();
}
CellEditor* TableWindow::cellEditor() const
{
    return m_grid->cellEditor();
}

QString TableWindow::dataText(int line, int point) const
{
    const MapDefinition* m = map();
    if (!m)
        return {};
    const CellRead cell = readDataCell(m_app.data().image(), *m, line, point);
    if (!cell.ok())
        return {};
    return QString::fromStdString(formatY(m_app.formats, physicalValue(m->y, cell.value)));
}

QString TableWindow::xText(int line, int point) const
{
    const MapDefinition* m = map();
    if (!m)
        return {};
    if (m_app.data().mapMode == MapMode::Config) {
        const std::string value = listValue(m->x, point);
        return value.empty() ? QString()
                             : QString::fromStdString(formatX(m_app.formats, readReal(value)));
    }
    const int raw = readXPoint(m_app.data().image(), *m, line, point);
    return QString::fromStdString(formatX(m_app.formats, physicalValue(m->x, raw)));
}

QString TableWindow::zText(int line) const
{
    const MapDefinition* m = map();
    if (!m)
        return {};
    if (m_app.data().mapMode == MapMode::Config) {
        const std::string value = listValue(m->z, line);
        return value.empty() ? QString()
                             : QString::fromStdString(formatZ(m_app.formats, readReal(value)));
    }
    const int raw = readZPoint(m_app.data().image(), *m, line);
    return QString::fromStdString(formatZ(m_app.formats, physicalValue(m->z, raw)));
}

QString TableWindow::currentText() const
{
    const MapDefinition* m = map();
    if (!m)
        return {};
    const int value = m->edit.currentValue;
    switch (m->edit.part) {
    case EditPart::Data:
        return QString::fromStdString(formatY(m_app.formats, physicalValue(m->y, value)));
    case EditPart::Rpm:
        return QString::fromStdString(formatX(m_app.formats, physicalValue(m->x, value)));
    case EditPart::Throt:
        return QString::fromStdString(formatZ(m_app.formats, physicalValue(m->z, value)));
    default:
        return {};
    }
}

bool TableWindow::headerPartActive() const
{
    const MapDefinition* m = map();
    return m && isHeaderPart(*m, m_app.data().mapMode);
}

// --- layout and drawing ------------------------------------------------------------------

void TableWindow::relayout()
{
    MapDefinition* m = map();
    if (m)
        m_app.data().startEditing(*m); // a map shown for the first time
    setWindowTitle(m ? QStringLiteral("TABLE - ") + QString::fromStdString(m->name) : QString());
    const int w = m_cellWidth;
    const int top = pairedLayout() ? 0 : m_cellHeight;
    // The pane's one-pixel border lies on the header strip's last lines, so the
    // cells line up with their headers.
    m_grid->setGeometry(w - 1, std::max(0, top - 1), std::max(0, width() - w + 1),
        std::max(0, height() - top + (top > 0 ? 1 : 0)));
    m_grid->updateScrollBars();
    keepCurrentCellInView();
    if (m_selection)
        m_selection->follow();
    if (!headerEditable()) {
        m_headerEditor->hide();
        m_headerEditorActive = false;
    }
    replaceEditors();
    update();
}

QSize TableWindow::sizeHint() const
{
    const int columns = std::max(1, pointCount()) + 1;
    const int rows = std::max(1, rowCount()) + (pairedLayout() ? 0 : 1);
    return { columns * m_cellWidth + 4, rows * m_cellHeight + 4 };
}

void TableWindow::resizeEvent(QResizeEvent*)
{
    relayout();
}

void TableWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kGrey);
    const MapDefinition* m = map();
    if (!m)
        return;
    const int w = m_cellWidth;
    const int h = m_cellHeight;
    const bool paired = pairedLayout();
    const int firstRow = m_grid->firstVisibleRow();
    const int firstColumn = m_grid->firstVisibleColumn();
    p.setFont(m_headerFont);
    p.setPen(Qt::black);
    // The labels end where the cells do, above the grid's horizontal scroll bar.
    const QWidget* cells = m_grid->viewport();
    p.setClipRect(QRect(0, 0, width(), cells->mapTo(this, QPoint(0, cells->height())).y()));

    if (!paired) {
        // Top row: the X values, centred.
        for (int point = firstColumn; point < pointCount(); ++point) {
            const int x = w + (point - firstColumn) * w;
            if (x >= width())
                break;
            p.drawText(QRect(x, 0, w - 1, h - 1), Qt::AlignCenter, xText(m->edit.line, point));
            p.drawLine(x + w - 1, 0, x + w - 1, h - 1);
        }
        p.drawLine(0, h - 1, width(), h - 1);
        for (int line = firstRow; line < lineCount(); ++line) {
            const int y = h + (line - firstRow) * h;
            if (y >= height())
                break;
            p.drawText(QRect(0, y + kLabelTopPx, w - kLabelInsetPx, h - kLabelTopPx),
                Qt::AlignRight | Qt::AlignTop, zText(line));
            p.drawLine(0, y + h - 1, w - 1, y + h - 1);
        }
    } else {
        // A line takes two rows: its X values and its data. The Z value stands
        // beside the data row, where the header editor opens.
        for (int row = firstRow - firstRow % 2; row < rowCount(); row += 2) {
            const int y = (row - firstRow) * h;
            if (y >= height())
                break;
            const int line = row / 2;
            p.drawText(QRect(0, y + h + kLabelTopPx, w - kLabelInsetPx, h - kLabelTopPx),
                Qt::AlignRight | Qt::AlignTop, zText(line));
            p.drawLine(0, y + 2 * h - 1, w - 1, y + 2 * h - 1);
        }
    }
    p.drawLine(w - 1, 0, w - 1, height());
}

void TableWindow::redraw()
{
    update();
}

// --- editors ---------------------------------------------------------------------------------

void TableWindow::placeCellEditor(bool refill)
{
    CellEditor* editor = cellEditor();
    m_headerEditor->hide();
    m_headerEditorActive = false;
    MapDefinition* m = map();
    if (!m
        || !(m->edit.part == EditPart::Data || (m->edit.part == EditPart::Rpm && pairedLayout()))) {
        editor->hide();
        return;
    }
    const int w = m_cellWidth;
    const int h = m_cellHeight;
    const int gridRow = pairedLayout() ? 2 * m->edit.line + (m->edit.part == EditPart::Rpm ? 0 : 1)
                                       : m->edit.line;
    const int row = gridRow - m_grid->firstVisibleRow();
    const int column = m->edit.point - m_grid->firstVisibleColumn();
    editor->setGeometry(column * w, row * h - 1, w, h + 3);
    if (refill) {
        // The value shown and then edited is the one in the image now.
        reloadCurrentCell(m_app.data(), *m);
        editor->fill(currentText());
    }
    editor->show();
}

void TableWindow::placeHeaderEditor(bool refill)
{
    cellEditor()->hide();
    MapDefinition* m = map();
    if (!m || !headerPartActive()) {
        m_headerEditor->hide();
        m_headerEditorActive = false;
        return;
    }
    const int w = m_cellWidth;
    const int h = m_cellHeight;
    bool inView = true; // a header cell scrolled away must not cover the corner cell
    if (m->edit.part == EditPart::Rpm) {
        const int column = m->edit.point - m_grid->firstVisibleColumn();
        m_headerEditor->setGeometry(w * (column + 1), -1, w + 2, h + 3);
        m_headerEditor->alignCentre(); // as the X labels are drawn
        inView = column >= 0;
    } else {
        m_headerEditor->alignRight(CellEditor::kHeaderPaddingPx);
        const bool paired = pairedLayout();
        const int row = (paired ? 2 * m->edit.point : m->edit.point) - m_grid->firstVisibleRow();
        m_headerEditor->setGeometry(0, h * (row + 1), w + 1, h + 2);
        // Paired: the editor lies beside the line's data row, one row further down.
        inView = (paired ? row + 1 : row) >= 0;
    }
    if (refill) {
        reloadCurrentCell(m_app.data(), *m);
        m_headerEditor->fill(currentText());
    }
    m_headerEditor->setVisible(inView);
    m_headerEditor->raise();
    m_headerEditorActive = true;
}

void TableWindow::replaceEditors()
{
    if (m_headerEditorActive && headerPartActive())
        placeHeaderEditor(false);
    else if (cellEditor()->isVisible())
        placeCellEditor(false);
}

void TableWindow::keepCurrentCellInView()
{
    const MapDefinition* m = map();
    if (!m)
        return;
    const bool paired = pairedLayout();
    const int line = m->edit.line;
    const int point = m->edit.point;
    switch (m->edit.part) {
    case EditPart::Data:
        m_grid->ensureVisible(paired ? 2 * line + 1 : line, point);
        break;
    case EditPart::Rpm:
        m_grid->ensureVisible(paired ? 2 * line : m_grid->firstVisibleRow(), point);
        break;
    case EditPart::Throt:
        // Paired: the Z editor stands beside the line's data row.
        m_grid->ensureVisible(paired ? 2 * point + 1 : point, m_grid->firstVisibleColumn());
        break;
    case EditPart::None:
        break;
    }
}

void TableWindow::showMessages(const std::vector<Message>& messages)
{
    for (const Message& message : messages)
        m_app.prompts().show(message);
}

bool TableWindow::applyCellEditor()
{
    MapDefinition* m = map();
    CellEditor* editor = cellEditor();
    if (!m || m_applying || !editor->pending())
        return true;
    const EditPart part = m->edit.part;
    if (part != EditPart::Data && !(part == EditPart::Rpm && pairedLayout()))
        return true;
    const QScopedValueRollback applying(m_applying, true);
    const TableEditOutcome outcome = applyCellText(
        m_app.data(), *m, m_app.formats, m_app.undoSize, editor->text().toStdString());
    editor->fill(QString::fromStdString(outcome.text));
    showMessages(outcome.messages);
    if (!outcome.accepted)
        return false;
    update();
    m_grid->viewport()->update();
    return true;
}

bool TableWindow::applyHeaderEditor()
{
    MapDefinition* m = map();
    if (!m || m_applying || !m_headerEditor->pending() || !headerPartActive())
        return true;
    const QScopedValueRollback applying(m_applying, true);
    const TableEditOutcome outcome = applyHeaderText(
        m_app.data(), *m, m_app.formats, m_app.undoSize, m_headerEditor->text().toStdString());
    m_headerEditor->fill(QString::fromStdString(outcome.text));
    showMessages(outcome.messages);
    if (!outcome.accepted)
        return false;
    if (outcome.written && m->edit.part == EditPart::Throt)
        emit lineEntryChanged(m->edit.point, QString::fromStdString(outcome.text));
    update();
    m_grid->viewport()->update();
    return true;
}

void TableWindow::editorKey(CellEditor* editor, int character, bool shift)
{
    MapDefinition* m = map();
    if (character != 13 || !m)
        return;
    if (editor == m_headerEditor) {
        applyHeaderEditor();
        m_doc.EndChange(kOwnKind);
        placeHeaderEditor();
        return;
    }
    applyCellEditor();
    m_doc.EndChange(kOwnKind);
    placeCellEditor();
    const MapMode mode = m_app.data().mapMode;
    // Config maps send the cell to the running ECU at once.
    const auto& sendToEcu = m_doc.frame().hooks().writeCellToEcu;
    if (shift && mode != MapMode::Free && m->edit.part == EditPart::Data && sendToEcu)
        sendToEcu();
}

// --- picking ---------------------------------------------------------------------------------

void TableWindow::pickCell(int x, int y)
{
    MapDefinition* m = map();
    if (!m || x < 0 || y < 0)
        return;
    const int column = m_grid->firstVisibleColumn() + x / m_cellWidth;
    const int row = m_grid->firstVisibleRow() + y / m_cellHeight;
    if (column >= pointCount() || row >= rowCount())
        return;
    const bool paired = pairedLayout();
    const int line = paired ? row / 2 : row;
    const EditPart part = paired && row % 2 == 0 ? EditPart::Rpm : EditPart::Data;

    applyHeaderEditor();
    applyCellEditor();
    selectTableCell(m_app.data(), *m, part, line, column);
    finishPick(false);
}

void TableWindow::pickHeader(int x, int y)
{
    MapDefinition* m = map();
    if (!m || !headerEditable() || x < 0 || y < 0)
        return;
    const int w = m_cellWidth;
    const int h = m_cellHeight;
    const bool paired = pairedLayout();
    EditPart part = EditPart::None;
    int line = m->edit.line;
    int point = 0;
    if (x < w) {
        int z = -1;
        if (!paired && y >= h && lineCount() > 1)
            z = m_grid->firstVisibleRow() + (y - h) / h;
        else if (paired)
            z = (y + h * m_grid->firstVisibleRow()) / (2 * h);
        if (z < 0 || z >= lineCount())
            return;
        part = EditPart::Throt;
        line = z;
        point = z;
    } else if (!paired && y <= h) {
        const int column = m_grid->firstVisibleColumn() + (x - w) / w;
        if (column >= pointCount())
            return;
        part = EditPart::Rpm;
        point = column;
    } else {
        return;
    }

    applyHeaderEditor();
    applyCellEditor();
    selectTableCell(m_app.data(), *m, part, line, point);
    finishPick(true);
}

void TableWindow::finishPick(bool header)
{
    // Focus requests queued before the pick would move the editor back.
    ++m_focusGeneration;
    if (header)
        placeHeaderEditor();
    else
        placeCellEditor();
    m_doc.EndChange(kOwnKind);
    (header ? static_cast<QWidget*>(m_headerEditor) : cellEditor())->setFocus(Qt::MouseFocusReason);
}

void TableWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = event->position().toPoint();
        pickHeader(pos.x(), pos.y());
    }
    event->accept();
}

// --- moves -----------------------------------------------------------------------------------

void TableWindow::move(MoveCode code)
{
    MapDefinition* m = map();
    if (!m)
        return;
    if (code == MoveCode::ShiftEnter) {
        editorKey(headerPartActive() ? m_headerEditor : cellEditor(), 13, true);
        return;
    }
    const TableMove next = tableMove(*m, m_app.data().mapMode, code);
    switch (next.action) {
    case TableMove::Action::Go:
        moveTo(next.part, next.line, next.point);
        break;
    case TableMove::Action::StepData:
        stepData(next.direction);
        break;
    case TableMove::Action::StepAxis:
        stepAxis(next.direction);
        break;
    case TableMove::Action::None:
        break;
    }
    // Every move of the keys leaves a block selection for the current cell.
    m_selection->collapse();
}

void TableWindow::moveTo(EditPart part, int line, int point)
{
    MapDefinition* m = map();
    if (!m || (part == m->edit.part && line == m->edit.line && point == m->edit.point))
        return;
    applyHeaderEditor();
    applyCellEditor();
    selectTableCell(m_app.data(), *m, part, line, point);

    ++m_focusGeneration;
    keepCurrentCellInView();
    if (headerPartActive()) {
        placeHeaderEditor();
        m_headerEditor->setFocus(Qt::OtherFocusReason);
    } else {
        placeCellEditor();
        cellEditor()->setFocus(Qt::OtherFocusReason);
    }
    update();
    m_doc.EndChange(kOwnKind);
}

void TableWindow::stepData(int direction)
{
    MapDefinition* m = map();
    if (!m || m->edit.part != EditPart::Data)
        return;
    applyCellEditor();
    if (!stepDataValue(m_app.data(), *m, m_app.formats, m_app.undoSize, direction).written)
        return;
    placeCellEditor();
    m_grid->viewport()->update();
    m_doc.ShowValue(m->edit.currentValue, kOwnKind);
    m_doc.RedrawMapWindows();
}

void TableWindow::stepAxis(int direction)
{
    MapDefinition* m = map();
    if (!m || !headerPartActive())
        return;
    applyHeaderEditor();
    const TableEditOutcome outcome
        = stepAxisValue(m_app.data(), *m, m_app.formats, m_app.undoSize, direction);
    if (!outcome.written)
        return;
    if (m->edit.part == EditPart::Throt)
        emit lineEntryChanged(m->edit.point, QString::fromStdString(outcome.text));
    placeHeaderEditor();
    update();
    m_grid->viewport()->update();
    m_doc.EndChange(kOwnKind);
}

// --- the other window operations -------------------------------------------------------------

void TableWindow::reload(int)
{
    m_selection->follow();
    update();
    m_grid->viewport()->update();
    if (!map())
        return;
    if (headerPartActive())
        placeHeaderEditor();
    else
        placeCellEditor();
}

void TableWindow::commit(int)
{
    if (headerPartActive())
        applyHeaderEditor();
    else
        applyCellEditor();
}

void TableWindow::refreshIfOwner()
{
    const MapDefinition* m = map();
    if (!m || m->edit.editOwner != 2)
        return;
    applyHeaderEditor();
    applyCellEditor();
}

void TableWindow::showValue(int value, int)
{
    const MapDefinition* m = map();
    if (!m)
        return;
    if (m->edit.part == EditPart::Data) {
        cellEditor()->fill(
            QString::fromStdString(formatY(m_app.formats, physicalValue(m->y, value))));
    } else if (m->edit.part == EditPart::Rpm) {
        const QString text
            = QString::fromStdString(formatX(m_app.formats, physicalValue(m->x, value)));
        (pairedLayout() ? cellEditor() : m_headerEditor)->fill(text);
    }
}

CellEditor* TableWindow::activeEditor() const
{
    return m_headerEditorActive ? m_headerEditor : cellEditor();
}

void TableWindow::cut()
{
    activeEditor()->cut();
}
void TableWindow::copy()
{
    activeEditor()->copyAll();
}
void TableWindow::paste()
{
    activeEditor()->paste();
}

std::pair<int, int> TableWindow::selection() const
{
    const CellEditor* editor = activeEditor();
    if (!editor->hasSelectedText())
        return { editor->cursorPosition(), editor->cursorPosition() };
    const int start = editor->selectionStart();
    return { start, start + editor->selectedText().size() };
}

void TableWindow::requestFocus(int flag)
{
    const int generation = m_focusGeneration;
    QMetaObject::invokeMethod(
        this,
        [this, flag, generation] {
            if (generation == m_focusGeneration)
                focusRequest(flag);
        },
        Qt::QueuedConnection);
}

void TableWindow::focusRequest(int flag)
{
    const MapDefinition* m = map();
    if (!m)
        return;
    if (m->edit.part == EditPart::Data || (m->edit.part == EditPart::Rpm && pairedLayout())
        || !headerPartActive()) {
        placeCellEditor();
        if (flag == 1 && cellEditor()->isVisible())
            cellEditor()->setFocus(Qt::OtherFocusReason);
    } else {
        placeHeaderEditor();
        if (flag == 1)
            m_headerEditor->setFocus(Qt::OtherFocusReason);
    }
}

void TableWindow::keyPressEvent(QKeyEvent* event)
{
    MoveCode code {};
    if (tableMoveForKey(event, code)) {
        move(code);
        event->accept();
        return;
    }
    EditWindow::keyPressEvent(event);
}

} // namespace zlm
