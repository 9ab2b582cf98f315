#include "views/vex_doc.h"

#include "views/child_frame.h"
#include "views/edit_bar.h"
#include "views/edit_window.h"
#include "views/main_frame.h"
#include "views/table_window.h"
#include "views/vex_view.h"

#include <QMdiArea>

#include <algorithm>

namespace zlm {

namespace {

bool skipped(const EditWindow& window, int flag)
{
    return flag != 0 && static_cast<int>(window.kind()) == flag;
}

} // namespace

CVexDoc::CVexDoc(CVexApp& app, CMainFrame& frame) : QObject(&frame), m_app(app), m_frame(frame) {}

CVexDoc::~CVexDoc() = default;

CVexView* CVexDoc::viewOfKind(ViewKind kind) const
{
    const auto it = std::find_if(m_views.begin(), m_views.end(),
                                 [kind](const CVexView* v) { return v->kind() == kind; });
    return it == m_views.end() ? nullptr : *it;
}

CVexView* CVexDoc::viewOf(const EditWindow* window) const
{
    const auto it = std::find_if(m_views.begin(), m_views.end(),
                                 [window](const CVexView* v) { return v->window() == window; });
    return it == m_views.end() ? nullptr : *it;
}

void CVexDoc::BeginChange(int flag)
{
    m_frame.editBar().refresh();
    // A commit may show a message box whose event loop closes a view: walk a copy.
    for (CVexView* view : std::vector<CVexView*>(m_views)) {
        if (isView(view) && view->window() && !skipped(*view->window(), flag))
            view->window()->commit(flag);
    }
}

void CVexDoc::EndChange(int flag)
{
    m_frame.editBar().refresh();
    for (CVexView* view : std::vector<CVexView*>(m_views)) {
        if (isView(view) && view->window() && !skipped(*view->window(), flag))
            view->window()->reload(flag);
    }
}

void CVexDoc::ShowValue(int value, int flag)
{
    for (CVexView* view : m_views) {
        if (view->window() && !skipped(*view->window(), flag))
            view->window()->showValue(value, flag);
    }
}

void CVexDoc::RefreshAll(CVexView* target)
{
    m_frame.editBar().refresh();
    for (CVexView* view : m_views) {
        EditWindow* window = view->window();
        if (!window)
            continue;
        window->requestFocus(target ? 0 : 1);
        if (view->kind() == ViewKind::Table)
            view->relayout();
        view->update();
        window->update();
    }
    if (target && isView(target)) {
        if (CChildFrame* child = target->childFrame())
            m_frame.mdiArea().setActiveSubWindow(child);
        if (target->window()) {
            target->window()->requestFocus(1);
            target->window()->update();
        }
        target->update();
    }
}

void CVexDoc::Broadcast(int first, int second)
{
    emit broadcast(first, second);
}

void CVexDoc::RedrawMapWindows()
{
    for (CVexView* view : m_views) {
        if (view->kind() == ViewKind::Map && view->window())
            view->window()->redraw();
    }
}

void CVexDoc::CloseAllWindows()
{
    // Closing the last view closes the document; let that happen once, at the end.
    m_closingAll = true;
    for (CVexView* view : std::vector<CVexView*>(m_views)) {
        if (!isView(view))
            continue;
        if (CChildFrame* child = view->childFrame()) {
            child->setAttribute(Qt::WA_DeleteOnClose);
            child->close();
            // close() hides before the deferred delete: drop the view now so
            // notifications no longer reach a window on its way out.
            removeView(view);
        }
    }
    m_closingAll = false;
    if (m_views.empty())
        emit closed();
}

void CVexDoc::addView(CVexView* view)
{
    if (!isView(view))
        m_views.push_back(view);
}

void CVexDoc::removeView(CVexView* view)
{
    const auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end())
        return;
    m_views.erase(it);
    if (m_views.empty() && !m_closingAll)
        emit closed();
}

bool CVexDoc::isView(const CVexView* view) const
{
    return std::find(m_views.begin(), m_views.end(), view) != m_views.end();
}

} // namespace zlm
