// Window commands of the main frame: opening map and table windows, Cascade,
// Tile, the ALL flag, the line keys, the focus switch and the cursor keys that
// are passed on to the active editing window.
#include "views/main_frame.h"

#include "app/vex_app.h"
#include "data/conversion.h"
#include "data/map_access.h"
#include "views/child_frame.h"
#include "views/edit_bar.h"
#include "views/edit_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMdiArea>

#include <algorithm>

namespace zlm {

namespace {

// The windows Cascade and Tile arrange (shown, not minimized), the active one last.
QList<QMdiSubWindow*> arrangedWindows(const QMdiArea& mdi)
{
    QList<QMdiSubWindow*> windows = mdi.subWindowList(QMdiArea::ActivationHistoryOrder);
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [](QMdiSubWindow* w) { return !w->isVisible() || w->isMinimized(); }),
                  windows.end());
    return windows;
}

} // namespace

void CMainFrame::createWindowCommands()
{
    auto canOpen = [this](ViewKind kind) {
        return [this, kind] { return m_app.data().loaded() && !m_doc->hasViewOfKind(kind); };
    };
    addMenuCommand(cmd::kOpenMap, QStringLiteral("&Map"));
    command(cmd::kOpenMap).run = [this] { openWindow(ViewKind::Map); };
    command(cmd::kOpenMap).enabled = canOpen(ViewKind::Map);
    addMenuCommand(cmd::kOpenTable, QStringLiteral("&Table"));
    command(cmd::kOpenTable).run = [this] { openWindow(ViewKind::Table); };
    command(cmd::kOpenTable).enabled = canOpen(ViewKind::Table);

    auto anyChild = [this] { return activeChild() != nullptr; };
    addMenuCommand(cmd::kCascade, QStringLiteral("&Cascade"));
    command(cmd::kCascade).run = [this] { cascade(); };
    command(cmd::kCascade).enabled = anyChild;
    addMenuCommand(cmd::kTile, QStringLiteral("&Tile"));
    command(cmd::kTile).run = [this] { tileHorizontally(); };
    command(cmd::kTile).enabled = anyChild;

    addMenuCommand(cmd::kAll, QStringLiteral("&All"), {QKeySequence(Qt::ALT | Qt::Key_A)});
    command(cmd::kAll).run = [this] { toggleAll(true); };
    command(cmd::kAll).enabled = [this] {
        return m_editBar->allCheck()->checkState() != Qt::PartiallyChecked;
    };
    command(cmd::kAll).checked = [this] {
        const MapDefinition* map = m_app.data().currentMap();
        return map && map->edit.all != 0;
    };
    command(cmd::kAll).childKeys = true;

    addKeyCommand(cmd::kToggleAll, {QKeySequence(Qt::Key_F4)});
    command(cmd::kToggleAll).run = [this] { toggleAll(false); };
    command(cmd::kToggleAll).childKeys = true;

    addKeyCommand(cmd::kLineUp, {QKeySequence(Qt::Key_F2)});
    command(cmd::kLineUp).run = [this] { stepLine(-1); };
    command(cmd::kLineUp).enabled = [this] { return m_editBar->lineCombo()->currentIndex() > 0; };
    command(cmd::kLineUp).childKeys = true;
    addKeyCommand(cmd::kLineDown, {QKeySequence(Qt::Key_F3)});
    command(cmd::kLineDown).run = [this] { stepLine(1); };
    command(cmd::kLineDown).enabled = [this] {
        const QComboBox* lines = m_editBar->lineCombo();
        return lines->currentIndex() >= 0 && lines->currentIndex() < lines->count() - 1;
    };
    command(cmd::kLineDown).childKeys = true;

    addKeyCommand(cmd::kFocusSwitch, {QKeySequence(Qt::Key_F5)});
    command(cmd::kFocusSwitch).run = [this] { switchFocus(); };
    command(cmd::kFocusSwitch).childKeys = true;

    const std::pair<int, std::pair<QKeySequence, MoveCode>> moves[] = {
        {cmd::kPageUp, {QKeySequence(Qt::Key_PageUp), MoveCode::PageUp}},
        {cmd::kPageDown, {QKeySequence(Qt::Key_PageDown), MoveCode::PageDown}},
        {cmd::kShiftUp, {QKeySequence(Qt::SHIFT | Qt::Key_Up), MoveCode::ShiftUp}},
        {cmd::kShiftDown, {QKeySequence(Qt::SHIFT | Qt::Key_Down), MoveCode::ShiftDown}},
        {cmd::kShiftLeft, {QKeySequence(Qt::SHIFT | Qt::Key_Left), MoveCode::ShiftLeft}},
        {cmd::kShiftRight, {QKeySequence(Qt::SHIFT | Qt::Key_Right), MoveCode::ShiftRight}},
    };
    for (const auto& [id, keyAndCode] : moves) {
        const MoveCode code = keyAndCode.second;
        addKeyCommand(id, {keyAndCode.first});
        command(id).run = [this, code] { moveActive(code); };
        command(id).childKeys = true;
    }

    // F6 and Shift+F6 step through the open windows.
    addKeyCommand(cmd::kNextPane, {QKeySequence(Qt::Key_F6)});
    command(cmd::kNextPane).run = [this] { m_mdi->activateNextSubWindow(); };
    command(cmd::kNextPane).enabled = anyChild;
    addKeyCommand(cmd::kPrevPane, {QKeySequence(Qt::SHIFT | Qt::Key_F6)});
    command(cmd::kPrevPane).run = [this] { m_mdi->activatePreviousSubWindow(); };
    command(cmd::kPrevPane).enabled = anyChild;
}

void CMainFrame::makeCurrent(int mapIndex)
{
    EcuDataSet& data = m_app.data();
    if (data.maps().empty())
        return;
    data.setCurrentMap(mapIndex);
    MapDefinition* map = data.currentMap();
    data.startEditing(*map);
    computeAllowedRange(*map, data.image());
    m_editBar->showLabel(map->name);
    m_editBar->fillLines();
    m_editBar->showAllFlag();
    m_editBar->refresh();
}

int CMainFrame::labelComboMap() const
{
    const QComboBox* labels = m_editBar->labelCombo();
    const int entry = std::max(labels->currentIndex(), 0);
    // While a link is in force the entries are link labels, not map names.
    if (m_hooks.linkLookup && entry < labels->count()) {
        if (const auto name = m_hooks.linkLookup(labels->itemText(entry).toStdString())) {
            if (const int index = mapIndexByName(m_app.data().maps(), *name); index >= 0)
                return index;
        }
    }
    return entry;
}

CChildFrame* CMainFrame::openWindow(ViewKind kind)
{
    EcuDataSet& data = m_app.data();
    if (!data.loaded() || data.maps().empty() || m_doc->hasViewOfKind(kind))
        return nullptr;
    if (!hasActiveWindow())
        makeCurrent(labelComboMap());
    // Only the first window opens the document, and with it the title bar
    // names the file; a further window joins the open document.
    const bool opensDocument = m_doc->views().empty();
    data.nextViewKind = static_cast<int>(kind);
    CChildFrame* child = CChildFrame::create(m_app, *m_doc, *m_mdi);
    if (!child)
        return nullptr;
    // It starts over the whole area of the windows.
    child->setGeometry(QRect(QPoint(0, 0), m_mdi->viewport()->size()));
    child->show();
    m_mdi->setActiveSubWindow(child);
    if (opensDocument)
        setTitle(data.path());
    updateCommandStates();
    return child;
}

void CMainFrame::tileHorizontally()
{
    // The active window on top, the others below it, each as wide as the area.
    QList<QMdiSubWindow*> windows = arrangedWindows(*m_mdi);
    std::reverse(windows.begin(), windows.end());
    if (windows.isEmpty())
        return;
    const QSize area = m_mdi->viewport()->size();
    const int count = static_cast<int>(windows.size());
    const int height = std::max(area.height() / count, CChildFrame::kMinimumHeight);
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized())
            w->showNormal();
        const int top = i * height;
        const int h = i == count - 1 ? std::max(area.height() - top, height) : height;
        w->setGeometry(0, top, area.width(), h);
    }
}

void CMainFrame::cascade()
{
    // The active window last, on top; each one title bar further right and down.
    QList<QMdiSubWindow*> windows = arrangedWindows(*m_mdi);
    if (windows.isEmpty())
        return;
    const QSize area = m_mdi->viewport()->size();
    const int count = static_cast<int>(windows.size());
    const int step = std::max(8, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    // The windows share the area less the offsets, but never shrink below two
    // thirds of it (the platform's own cascade leaves them at their minimum).
    const int width = std::max({ area.width() - (count - 1) * step, area.width() * 2 / 3,
                                 CChildFrame::kMinimumWidth });
    const int height = std::max({ area.height() - (count - 1) * step, area.height() * 2 / 3,
                                  CChildFrame::kMinimumHeight });
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized())
            w->showNormal();
        w->setGeometry(i * step, i * step, width, height);
        w->raise();
    }
    m_mdi->setActiveSubWindow(windows.last());
}

void CMainFrame::openAfterMenu(int labelIndex)
{
    if (!hasActiveWindow()) {
        makeCurrent(labelIndex);
        openWindow(ViewKind::Map);
        openWindow(ViewKind::Table);
    } else if (!m_doc->hasViewOfKind(ViewKind::Map)) {
        openWindow(ViewKind::Map);
    } else if (!m_doc->hasViewOfKind(ViewKind::Table)) {
        openWindow(ViewKind::Table);
    }
    tileHorizontally();
    QComboBox* labels = m_editBar->labelCombo();
    if (labelIndex >= 0 && labelIndex < labels->count()) {
        {
            const QSignalBlocker block(labels);
            labels->setCurrentIndex(labelIndex);
        }
        selectLabel(labels->itemText(labelIndex).toStdString());
    }
}

void CMainFrame::toggleAll(bool fromCheck)
{
    MapDefinition* map = m_app.data().currentMap();
    QCheckBox* check = m_editBar->allCheck();
    if (!map || !hasActiveWindow())
        return;
    if (map->z.count < 2) {
        // One line only: nothing else to show.
        if (fromCheck)
            check->setCheckState(Qt::PartiallyChecked);
        return;
    }
    map->edit.all = map->edit.all ? 0 : 1;
    check->setCheckState(map->edit.all ? Qt::Checked : Qt::Unchecked);
    if (CVexDoc* doc = document())
        doc->RedrawMapWindows();
}

void CMainFrame::stepLine(int delta)
{
    QComboBox* lines = m_editBar->lineCombo();
    const int index = lines->currentIndex() + delta;
    if (lines->currentIndex() < 0 || index < 0 || index >= lines->count())
        return;
    {
        const QSignalBlocker block(lines);
        lines->setCurrentIndex(index);
    }
    selectLine(index);
    if (CVexDoc* doc = document())
        doc->RefreshAll(activeView());
}

void CMainFrame::switchFocus()
{
    CVexView* view = activeView();
    if (!view)
        return;
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == view || view->isAncestorOf(focus))) {
        m_editBar->labelCombo()->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    CChildFrame* child = activeChild();
    child->setFocus(Qt::ShortcutFocusReason);
    child->activated();
}

void CMainFrame::moveActive(MoveCode code)
{
    if (EditWindow* window = activeWindow())
        window->move(code);
}

} // namespace zlm
