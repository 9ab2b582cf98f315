// Block commands of the main frame: Select All, the five block operations,
// Redo, the spreadsheet side of Copy and Paste, and the Shading switch of the
// Window menu. The table window's TableSelection does the work.
#include "views/block_commands.h"

#include "app/vex_app.h"
#include "data/undo_stack.h"
#include "platform/ini_file.h"
#include "views/edit_bar.h"
#include "views/edit_window.h"
#include "views/grid_pane.h"
#include "views/main_frame.h"
#include "views/table_selection.h"
#include "views/table_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMenu>

namespace zlm {

namespace {

struct OperationCommand {
    int id;
    BlockOperation operation;
    const char* text;
    QKeyCombination key;
};

const OperationCommand kOperations[] = {
    { cmd::kSetValue, BlockOperation::Set, "Set Value...", Qt::CTRL | Qt::Key_E },
    { cmd::kAddValue, BlockOperation::Add, "Add...", Qt::CTRL | Qt::Key_D },
    { cmd::kScale, BlockOperation::Scale, "Scale...", Qt::CTRL | Qt::Key_M },
    { cmd::kInterpolate, BlockOperation::Interpolate, "Interpolate", Qt::CTRL | Qt::Key_I },
    { cmd::kSmooth, BlockOperation::Smooth, "Smooth", Qt::CTRL | Qt::Key_T },
};

// The menu text before the tab; the key is the action's shortcut.
QString menuText(const std::string& text)
{
    const auto tab = text.find('\t');
    return QString::fromStdString(tab == std::string::npos ? text : text.substr(0, tab));
}

// The first menu of `menus` called `title`, or null.
QMenu* menuTitled(const std::vector<QMenu*>& menus, const QString& title)
{
    for (QMenu* menu : menus)
        if (menu->title() == title)
            return menu;
    return nullptr;
}

// The action after `action` in `menu`, or null at the end.
QAction* actionAfter(QMenu* menu, QAction* action)
{
    const QList<QAction*> all = menu->actions();
    const auto at = all.indexOf(action);
    return at >= 0 && at + 1 < all.size() ? all[at + 1] : nullptr;
}

} // namespace

void CMainFrame::createBlockCommands()
{
    const auto activeTable = [this] { return qobject_cast<TableWindow*>(activeWindow()); };

    addMenuCommand(cmd::kRedo, QStringLiteral("&Redo"), { QKeySequence(Qt::CTRL | Qt::Key_Y) });
    command(cmd::kRedo).run = [this] { redo(); };
    command(cmd::kRedo).enabled = [this] {
        return RedoMenuText(m_app.data().currentMap(), hasActiveWindow()).enabled;
    };

    addMenuCommand(cmd::kSelectAll, QStringLiteral("Select All"),
        { QKeySequence(Qt::CTRL | Qt::Key_A) });
    command(cmd::kSelectAll).run = [activeTable] { activeTable()->blockSelection().selectAll(); };
    command(cmd::kSelectAll).enabled = [activeTable] {
        const TableWindow* table = activeTable();
        return table && table->blockSelection().dataPart();
    };

    for (const OperationCommand& op : kOperations) {
        addMenuCommand(op.id, QString::fromLatin1(op.text), { QKeySequence(op.key) });
        const BlockOperation operation = op.operation;
        command(op.id).run = [activeTable, operation] {
            activeTable()->blockSelection().run(operation);
        };
        command(op.id).enabled = [activeTable, operation] {
            const TableWindow* table = activeTable();
            return table && table->blockSelection().canRun(operation);
        };
    }

    // Copy and Paste keep their work on the editor and take blocks beside it.
    Command& copy = command(cmd::kCopy);
    copy.run = [activeTable, editorCopy = copy.run] {
        if (TableWindow* table = activeTable(); table && table->blockSelection().copy())
            return;
        editorCopy();
    };
    copy.enabled = [activeTable, editorCopyEnabled = copy.enabled] {
        const TableWindow* table = activeTable();
        return (table && table->blockSelection().hasBlock()) || editorCopyEnabled();
    };
    Command& paste = command(cmd::kPaste);
    paste.run = [activeTable, editorPaste = paste.run] {
        TableWindow* table = activeTable();
        if (table && table->blockSelection().paste(QGuiApplication::clipboard()->text()))
            return;
        editorPaste();
    };
    paste.enabled = [activeTable, editorPasteEnabled = paste.enabled] {
        const TableWindow* table = activeTable();
        return (table && table->blockSelection().dataPart()
                   && isTableText(QGuiApplication::clipboard()->text().toStdString()))
            || editorPasteEnabled();
    };

    addMenuCommand(cmd::kShading, QStringLiteral("Shading"));
    command(cmd::kShading).run = [this] { toggleShading(); };
    command(cmd::kShading).checked = [this] { return m_app.tableShading; };
}

void CMainFrame::addBlockMenus()
{
    if (QMenu* edit = menuTitled(m_menus[MenuId::Child], QStringLiteral("&Edit"))) {
        QAction* undo = actions(cmd::kUndo).at(0);
        edit->insertAction(actionAfter(edit, undo), actions(cmd::kRedo).at(0));
        QAction* paste = actions(cmd::kPaste).at(0);
        QAction* before = actionAfter(edit, paste);
        edit->insertAction(before, actions(cmd::kSelectAll).at(0));
        edit->insertSeparator(before);
        for (const OperationCommand& op : kOperations)
            edit->insertAction(before, actions(op.id).at(0));
    }
    // The Window menus of a loaded data set: Shading after the window arrangement.
    QAction* shading = actions(cmd::kShading).at(0);
    for (MenuId id : { MenuId::Loaded, MenuId::Child }) {
        QMenu* window = menuTitled(m_menus[id], QStringLiteral("&Window"));
        if (!window)
            continue;
        QAction* monitorDialog = actions(cmd::kMonitorDialog).at(0);
        const QList<QAction*> all = window->actions();
        const auto at = all.indexOf(monitorDialog);
        // Before the separator above "Monitor Dialog".
        window->insertAction(at > 0 ? all[at - 1] : monitorDialog, shading);
    }
}

void CMainFrame::updateRedoText()
{
    const UndoMenuState state = RedoMenuText(m_app.data().currentMap(), hasActiveWindow());
    for (QAction* action : actions(cmd::kRedo))
        action->setText(menuText(state.text));
}

void CMainFrame::redo()
{
    MapDefinition* map = m_app.data().currentMap();
    if (!map)
        return;
    const UndoResult result = RedoLast(m_app.data(), *map, m_app.formats, m_app.undoSize);
    if (result.undone)
        showUndoResult(result);
}

void CMainFrame::toggleShading()
{
    m_app.tableShading = !m_app.tableShading;
    if (!m_app.iniPath.empty()) {
        // Remembered for the next start; a settings file that cannot be
        // written only loses the choice.
        const Status written = IniFile(m_app.iniPath)
                                   .writeInt("TABLE WINDOW", "SHADING", m_app.tableShading ? 1 : 0);
        static_cast<void>(written);
    }
    if (CVexDoc* doc = document()) {
        for (CVexView* view : doc->views())
            if (auto* table = qobject_cast<TableWindow*>(view->window()))
                table->gridPane()->viewport()->update();
    }
}

} // namespace zlm
