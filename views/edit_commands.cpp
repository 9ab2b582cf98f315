// Editing commands of the main frame: Undo, the clipboard commands, the edit
// bar's Label, Line and Data fields, and the DATA/RPM switch.
#include "views/main_frame.h"

#include "app/vex_app.h"
#include "data/conversion.h"
#include "data/map_access.h"
#include "res/string_table.h"
#include "views/edit_bar.h"
#include "views/edit_window.h"
#include "views/table_edit.h"
#include "data/undo_stack.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>

#include <algorithm>

namespace zlm {

namespace {

// "&Undo(Edit DATA)\tCtrl+Z": the menu text before the tab; the key is the action's shortcut.
QString menuText(const std::string& text)
{
    const auto tab = text.find('\t');
    return QString::fromStdString(tab == std::string::npos ? text : text.substr(0, tab));
}

} // namespace

void CMainFrame::createEditCommands()
{
    addMenuCommand(cmd::kUndo, QStringLiteral("&Undo"),
                   {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    command(cmd::kUndo).run = [this] { undo(); };
    command(cmd::kUndo).enabled = [this] {
        return UndoMenuText(m_app.data().currentMap(), hasActiveWindow()).enabled;
    };

    // Clipboard commands work on the edit field of an active table window.
    auto tableSelection = [this] {
        EditWindow* window = activeWindow();
        if (!window || window->kind() != ViewKind::Table)
            return false;
        const auto [start, end] = window->selection();
        return start != end;
    };
    addKeyCommand(cmd::kCut, {QKeySequence(Qt::CTRL | Qt::Key_X),
                              QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    command(cmd::kCut).run = [this] { activeWindow()->cut(); };
    command(cmd::kCut).enabled = tableSelection;

    addMenuCommand(cmd::kCopy, QStringLiteral("&Copy"),
                   {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    command(cmd::kCopy).run = [this] { activeWindow()->copy(); };
    command(cmd::kCopy).enabled = tableSelection;

    addMenuCommand(cmd::kPaste, QStringLiteral("&Paste"),
                   {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    command(cmd::kPaste).run = [this] { activeWindow()->paste(); };
    command(cmd::kPaste).enabled = [tableSelection] {
        return tableSelection() && !QGuiApplication::clipboard()->text().isEmpty();
    };

    // Shift+F5: between the data and the X axis of the current cell.
    addKeyCommand(cmd::kPartSwitch, {QKeySequence(Qt::SHIFT | Qt::Key_F5)});
    command(cmd::kPartSwitch).run = [this] { switchEditPart(); };
    command(cmd::kPartSwitch).childKeys = true;

    command(cmd::kEditBarOk).run = [this] { applyDataField(true); };
}

void CMainFrame::updateUndoText()
{
    const UndoMenuState state = UndoMenuText(m_app.data().currentMap(), hasActiveWindow());
    for (QAction* action : actions(cmd::kUndo))
        action->setText(menuText(state.text));
}

void CMainFrame::undo()
{
    MapDefinition* map = m_app.data().currentMap();
    if (!map)
        return;
    const UndoResult result = UndoLast(m_app.data(), *map, m_app.formats);
    if (result.undone)
        showUndoResult(result);
}

// The edit bar and the windows after an undo or a redo changed the data.
void CMainFrame::showUndoResult(const UndoResult& result)
{
    if (result.lineEntry >= 0) {
        m_editBar->setLineText(result.lineEntry, QString::fromStdString(result.lineText));
        const QSignalBlocker block(m_editBar->lineCombo());
        m_editBar->lineCombo()->setCurrentIndex(result.lineEntry);
    }
    if (CVexDoc* doc = document()) {
        doc->EndChange(0);
        doc->RefreshAll(activeView());
    } else {
        m_editBar->refresh();
    }
}

void CMainFrame::selectLabel(const std::string& chosen)
{
    std::string label = chosen;
    if (m_hooks.linkLookup) {
        if (auto linked = m_hooks.linkLookup(chosen))
            label = *linked;
    }
    EcuDataSet& data = m_app.data();
    CVexDoc* doc = document();
    if (doc && hasActiveWindow()) {
        doc->BeginChange(1);
        for (CVexView* view : std::vector<CVexView*>(doc->views())) {
            data.nextViewKind = static_cast<int>(view->kind());
            view->retarget(label);
        }
        if (MapDefinition* map = data.currentMap())
            data.selectLine(map->edit.line);
        m_editBar->fillLines();
        doc->EndChange(1);
    } else if (const int index = mapIndexByName(data.maps(), label); index >= 0) {
        makeCurrent(index);
    }
    m_editBar->showLabel(label);
    m_editBar->showAllFlag();
}

void CMainFrame::selectLine(int index)
{
    const MapDefinition* map = m_app.data().currentMap();
    CVexDoc* doc = document();
    if (!map || index < 0 || index >= map->z.count || !doc || !hasActiveWindow())
        return;
    doc->BeginChange(0);
    m_app.data().selectLine(index);
    doc->EndChange(0);
}

bool CMainFrame::applyDataField(bool showErrors)
{
    EcuDataSet& data = m_app.data();
    MapDefinition* map = data.currentMap();
    if (!map)
        return false;
    MapEditState& edit = map->edit;
    QLineEdit* field = m_editBar->dataField();

    // Axis values are not typed here: THROT never, RPM only where each line
    // has an X axis of its own.
    const bool notHere = edit.part == EditPart::Throt ||
                         (edit.part == EditPart::Rpm &&
                          (data.mapMode != MapMode::Free || map->kind == 1));
    bool ok = !notHere && edit.part != EditPart::None;
    if (ok && (edit.line < 0 || edit.line >= map->z.count || edit.point < 0 ||
               edit.point >= map->x.count))
        ok = false;  // the current point cannot be read
    if (ok && edit.part == EditPart::Data) {
        // Compared with the byte in the image now, which a read from the ECU
        // or another editor may have changed since the cell was made current.
        reloadCurrentCell(data, *map);
        // The table's character rule, but read like "%f" (so "1.2.3" is 1.2).
        const std::string text = field->text().toStdString();
        ok = isTypedNumberText(text);
        RawConversion raw;
        if (ok) {
            raw = physicalToRawInt(map->y, readReal(text));
            ok = raw.ok();
        }
        if (ok) {
            const int value = clampToEditLimits(settleTruncation(raw), edit);
            if (value != edit.currentValue) {
                edit.currentValue = static_cast<std::uint16_t>(value);
                ok = writeDataCell(data, *map, edit.line, edit.point,
                                   static_cast<std::uint8_t>(value)) == CellCode::Ok;
                if (ok)
                    ForgetRedo(*map);
            }
        }
    }

    if (ok) {
        if (CVexDoc* doc = document())
            doc->RefreshAll(activeView());
        else
            m_editBar->refresh();
        // Only a data cell's value belongs in the Data field.
        if (edit.part == EditPart::Data)
            field->setText(QString::fromStdString(m_app.formatY(physicalValue(map->y, edit.currentValue))));
        return true;
    }
    if (!showErrors)
        return false;
    if (notHere) {
        field->clear();
    } else {
        m_editBar->refresh();
        if (edit.part == EditPart::Data)
            m_app.prompts().show(messageFor(1536, Icon::Exclamation));
    }
    return false;
}

void CMainFrame::switchEditPart()
{
    EcuDataSet& data = m_app.data();
    MapDefinition* map = data.currentMap();
    CVexDoc* doc = document();
    if (data.mapMode != MapMode::Free || !doc || !hasActiveWindow() || !map)
        return;
    MapEditState& edit = map->edit;
    if (edit.part != EditPart::Data && edit.part != EditPart::Rpm)
        return;
    doc->BeginChange(0);
    if (edit.part == EditPart::Data) {
        edit.part = EditPart::Rpm;
        edit.currentValue = readXPoint(data.image(), *map, edit.line, edit.point);
    } else {
        edit.part = EditPart::Data;
        edit.currentValue = data.read(dataCellAddress(*map, edit.line, edit.point));
    }
    computeAllowedRange(*map, data.image());
    doc->EndChange(0);
    if (EditWindow* window = activeWindow(); window && window->kind() == ViewKind::Table)
        window->requestFocus(1);
}

} // namespace zlm
