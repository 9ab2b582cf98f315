#include "app/frame_dialogs.h"

#include "app/vex_app.h"
#include "data/map_link.h"
#include "views/edit_bar.h"
#include "views/edit_window.h"
#include "views/main_frame.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"

#include <QTimer>

namespace zlm {

FrameDialogs::FrameDialogs(CMainFrame& frame, CVexApp& app)
    : QObject(&frame)
    , m_frame(frame)
    , m_app(app)
{
    FrameHooks& hooks = m_frame.hooks();
    EcuDataSet& data = m_app.data();
    hooks.reloadPresetLink = [&data] { clearLink(data); };
    hooks.linkLookup = [&data](const std::string& label) -> std::optional<std::string> {
        const int index = mapOfLinkLabel(data, label);
        if (index < 0)
            return std::nullopt;
        return data.maps()[static_cast<std::size_t>(index)].name;
    };
    data.afterLinkedWrite = [this] { redrawWindowsSoon(); };
}

FrameDialogs::~FrameDialogs()
{
    m_app.data().afterLinkedWrite = nullptr;
}

void FrameDialogs::fillLabelList()
{
    m_frame.editBar().setLabels(linkLabelEntries(m_app.data()));
}

void FrameDialogs::redrawWindowsSoon()
{
    // One redraw after a run of linked writes (a paste or a drag writes many bytes).
    if (m_redrawPending)
        return;
    m_redrawPending = true;
    QTimer::singleShot(0, this, [this] {
        m_redrawPending = false;
        if (CVexDoc* doc = m_frame.document()) {
            for (CVexView* view : doc->views())
                if (view->window())
                    view->window()->redraw();
        }
    });
}

} // namespace zlm
