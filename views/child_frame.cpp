#include "views/child_frame.h"

#include "app/vex_app.h"
#include "res/string_table.h"
#include "views/edit_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"

#include <QCloseEvent>
#include <QMdiArea>

namespace zlm {

CChildFrame* CChildFrame::create(CVexApp& app, CVexDoc& doc, QMdiArea& area)
{
    auto view = CVexView::create(app, doc, app.data().nextViewKind);
    if (!view)
        return nullptr;
    std::unique_ptr<CChildFrame> child(new CChildFrame(std::move(view)));
    area.addSubWindow(child.get());
    return child.release();  // owned by the MDI area
}

CChildFrame::CChildFrame(std::unique_ptr<CVexView> view)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    m_view = view.release();
    setWidget(m_view);  // the frame owns the view from here
    m_view->updateTitle();
    // Act once the platform has activated the frame and moved the focus.
    connect(this, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (!(before & Qt::WindowActive) && (now & Qt::WindowActive))
                    activated();
            });
}

CChildFrame::~CChildFrame() = default;

void CChildFrame::closeEvent(QCloseEvent* event)
{
    // The user closing the last window of a changed data set is asked first
    // (the data set itself stays loaded).
    if (m_view) {
        CVexDoc& doc = m_view->document();
        const EcuDataSet& data = doc.app().data();
        if (!doc.closingAll() && doc.views().size() == 1 && doc.isView(m_view) &&
            data.modified && data.loaded() &&
            doc.app().prompts().show(messageFor(3001, Icon::Question), Buttons::OkCancel) !=
                Answer::Ok) {
            event->ignore();
            return;
        }
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted() && m_view)
        m_view->document().removeView(m_view);
}

void CChildFrame::activated()
{
    // A frame on its way out no longer belongs to the document.
    if (!m_view || !m_view->window() || !m_view->document().isView(m_view))
        return;
    m_view->document().BeginChange(0);
    m_view->window()->requestFocus(1);
}

} // namespace zlm
