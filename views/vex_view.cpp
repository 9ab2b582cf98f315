#include "views/vex_view.h"

#include "app/vex_app.h"
#include "data/conversion.h"
#include "data/map_link.h"
#include "views/child_frame.h"
#include "views/edit_window.h"
#include "views/map_window.h"
#include "views/table_window.h"
#include "views/edit_bar.h"
#include "views/main_frame.h"
#include "views/vex_doc.h"

#include <QApplication>
#include <QKeyEvent>

namespace zlm {

namespace {

bool isMoveKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
           key == Qt::Key_Down;
}

} // namespace

std::unique_ptr<CVexView> CVexView::create(CVexApp& app, CVexDoc& doc, int kind)
{
    if (kind != static_cast<int>(ViewKind::Map) && kind != static_cast<int>(ViewKind::Table))
        return nullptr;
    return std::unique_ptr<CVexView>(new CVexView(app, doc, static_cast<ViewKind>(kind)));
}

CVexView::CVexView(CVexApp& app, CVexDoc& doc, ViewKind kind)
    : m_app(app), m_doc(doc), m_kind(kind)
{
    if (kind == ViewKind::Table) {
        auto* table = new TableWindow(app, doc, this);
        // A THROT value typed or stepped in the table renames its Line entry.
        connect(table, &TableWindow::lineEntryChanged, this, [&doc](int line, const QString& text) {
            doc.frame().editBar().setLineText(line, text);
        });
        m_window = table;
    } else
        m_window = new MapWindow(app, doc, this);
    m_window->setGeometry(rect());
    // Keys of the window and of its edit fields pass by the view first.
    qApp->installEventFilter(this);
    doc.addView(this);
}

CVexView::~CVexView()
{
    m_doc.removeView(this);
}

CChildFrame* CVexView::childFrame() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* child = qobject_cast<CChildFrame*>(w))
            return child;
    }
    return nullptr;
}

bool CVexView::retarget(const std::string& label)
{
    auto& maps = m_app.data().maps();
    for (std::size_t i = 0; i < maps.size(); ++i) {
        if (maps[i].name != label)
            continue;
        EcuDataSet& data = m_app.data();
        data.setCurrentMap(static_cast<int>(i));
        data.startEditing(maps[i]);
        computeAllowedRange(maps[i], data.image());
        relayout();
        updateTitle();
        update();
        if (m_window)
            m_window->redraw();
        return true;
    }
    return false;
}

QString CVexView::frameTitle() const
{
    const MapDefinition* map = m_app.data().currentMap();
    const QString prefix = m_kind == ViewKind::Table ? QStringLiteral("TABLE - ")
                                                     : QStringLiteral("MAP - ");
    // While a link is in force the caption names the link, as the Label list does.
    std::string label = currentLinkLabel(m_app.data());
    if (label.empty() && map)
        label = map->name;
    return prefix + QString::fromStdString(label);
}

void CVexView::updateTitle()
{
    if (CChildFrame* child = childFrame())
        child->setWindowTitle(frameTitle());
}

void CVexView::relayout()
{
    if (auto* table = qobject_cast<TableWindow*>(m_window))
        table->relayout();
    else if (auto* graph = qobject_cast<MapWindow*>(m_window))
        graph->retarget();
}

void CVexView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_window)
        m_window->setGeometry(rect());
}

bool CVexView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !m_window)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != m_window && !m_window->isAncestorOf(widget)))
        return false;
    // A key a child ignores is delivered again to its parent: act on the first delivery only.
    if (widget != QApplication::focusWidget())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const auto mods = key->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && isMoveKey(key->key())) {
        switch (key->key()) {
        case Qt::Key_Left: m_window->move(MoveCode::Left); break;
        case Qt::Key_Right: m_window->move(MoveCode::Right); break;
        case Qt::Key_Up: m_window->move(MoveCode::Up); break;
        default: m_window->move(MoveCode::Down); break;
        }
        // A table's edit field still moves its caret with the key.
        return m_kind != ViewKind::Table;
    }
    if (mods == Qt::ShiftModifier &&
        (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        // The window's Shift+Enter action; the edit field must not act on it a second time.
        m_window->move(MoveCode::ShiftEnter);
        return true;
    }
    return false;
}

} // namespace zlm
