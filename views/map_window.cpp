#include "views/map_window.h"

#include "app/vex_app.h"
#include "data/conversion.h"
#include "views/century_font.h"
#include "views/edit_bar.h"
#include "views/graph_pane.h"
#include "views/main_frame.h"
#include "views/map_edit.h"
#include "views/table_edit.h"
#include "views/vex_doc.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaObject>
#include <QPainter>

#include <algorithm>

namespace zlm {

namespace {

const QColor kGrey(192, 192, 192);
constexpr int kOwnKind = 1; // flag of the notifications this window causes
constexpr int kLabelFontPx = 14;
constexpr int kValueLabelRightPx = 45; // value labels end here, their ticks run to the graph
constexpr int kValueLabelDropPx = 3; // the label's baseline lies this far below its tick
constexpr int kTitleCentreX = 11; // the rotated axis title is centred here
constexpr int kRpmLabelTopPx = 25; // RPM labels start this far above the bottom
constexpr int kRpmTickTopPx = 31; // and their ticks run from here
constexpr int kRpmTickBottomPx = 26; // to here

} // namespace

MapWindow::MapWindow(CVexApp& app, CVexDoc& doc, QWidget* parent)
    : EditWindow(parent)
    , m_app(app)
    , m_doc(doc)
{
    m_labelFont = centuryFont(kLabelFontPx);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_graph = new GraphPane(*this);
    m_graph->show();
    if (MapDefinition* m = map())
        m_app.data().startEditing(*m); // a map shown for the first time
    computeExtents();
    computeScales();
}

MapWindow::~MapWindow() = default;

MapDefinition* MapWindow::map() const
{
    return m_app.data().currentMap();
}

bool MapWindow::dragging() const
{
    return m_graph->dragging();
}

// --- extents and scales ----------------------------------------------------------------------

void MapWindow::computeExtents()
{
    m_extents.reset();
    const MapDefinition* m = map();
    if (!m)
        return;
    Result<MapExtents> extents = computeMapExtents(*m, m_app.data().mapMode, m_app.data().image());
    if (!extents) {
        m_app.prompts().show(extents.error());
        return;
    }
    m_extents = *extents;
}

void MapWindow::computeScales()
{
    m_graph->setGeometry(kLabelMarginPx, 0, std::max(0, width() - kLabelMarginPx),
        std::max(0, height() - kRpmMarginPx));
    const MapDefinition* m = map();
    if (m && m_extents)
        m_geometry.emplace(*m, m_app.data().mapMode, *m_extents, width(), height());
    else
        m_geometry.reset();
    m_graph->invalidate();
    update();
}

void MapWindow::followAxes()
{
    const MapDefinition* m = map();
    if (!m || !m_extents || m_graph->dragging())
        return;
    // An image read from the ECU or an undo may bring RPM values outside the
    // extents: take them in, so that no point leaves the graph.
    const Result<MapExtents> extents
        = computeMapExtents(*m, m_app.data().mapMode, m_app.data().image());
    if (!extents)
        return;
    if (*extents != *m_extents) {
        m_extents = *extents;
        computeScales();
    }
}

void MapWindow::retarget()
{
    if (m_graph->dragging())
        cancelDrag();
    computeExtents();
    computeScales();
}

void MapWindow::resizeEvent(QResizeEvent*)
{
    computeScales();
}

// --- painting the outer window ---------------------------------------------------------------

void MapWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kGrey);
    const MapDefinition* m = map();
    if (!m || !m_geometry)
        return;
    const MapGeometry& g = *m_geometry;
    p.setPen(Qt::black);
    p.setFont(m_labelFont);
    const QFontMetrics metrics(m_labelFont);
    const int h = height();

    for (const ValueLabel& label : valueLabels(m->y, g)) {
        const QString text = QString::fromStdString(formatY(m_app.formats, label.value));
        p.drawText(kValueLabelRightPx - metrics.horizontalAdvance(text),
            label.y + kValueLabelDropPx, text);
        if (label.tick)
            p.drawLine(kLabelMarginPx, label.y, kValueLabelRightPx, label.y);
    }

    const auto width = [&metrics](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text));
    };
    for (const RpmLabel& label : rpmLabels(*m, g, m_app.formats, width)) {
        const QString text = QString::fromStdString(label.text);
        const int w = metrics.horizontalAdvance(text);
        p.drawText(QRect(label.left - 1, h - kRpmLabelTopPx, w + 2, metrics.height()),
            Qt::AlignHCenter | Qt::AlignTop, text);
        p.drawLine(label.x, h - kRpmTickBottomPx, label.x, h - kRpmTickTopPx);
    }

    // The axis title, read from bottom to top.
    const QString title = QString::fromStdString(m->y.name);
    p.save();
    p.translate(kTitleCentreX, h / 2);
    p.rotate(-90);
    const int tw = metrics.horizontalAdvance(title);
    p.drawText(QRect(-tw / 2 - 1, -metrics.height() / 2, tw + 2, metrics.height()),
        Qt::AlignCenter, title);
    p.restore();
}

// --- picking and dragging --------------------------------------------------------------------

void MapWindow::activateChildFrame()
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* child = qobject_cast<QMdiSubWindow*>(w)) {
            if (child->mdiArea() && child->mdiArea()->currentSubWindow() != child)
                child->mdiArea()->setActiveSubWindow(child);
            return;
        }
    }
}

void MapWindow::pick(int x, int y)
{
    MapDefinition* m = map();
    if (!m || !m_geometry || m_graph->dragging())
        return;
    activateChildFrame();
    setFocus(Qt::MouseFocusReason);
    const GraphHit hit = hitTest(*m, *m_geometry, m_app.data().image(), x, y);
    if (hit.part == EditPart::None)
        return;
    if (pickGraphCell(m_app.data(), *m, hit)) {
        m_graph->startDrag();
        return;
    }
    m_graph->invalidate();
    m_doc.EndChange(kOwnKind);
}

void MapWindow::showDragValue()
{
    const MapDefinition* m = map();
    if (!m)
        return;
    const int value = m->edit.dragValue;
    m_doc.ShowValue(value, kOwnKind);
    EditBar& bar = m_doc.frame().editBar();
    if (m->edit.part == EditPart::Data)
        bar.dataField()->setText(
            QString::fromStdString(formatY(m_app.formats, physicalValue(m->y, value))));
    else if (m->edit.part == EditPart::Rpm)
        bar.pointField()->setText(
            QString::fromStdString(formatX(m_app.formats, physicalValue(m->x, value))));
}

void MapWindow::endDrag()
{
    MapDefinition* m = map();
    if (!m) {
        m_graph->stopDrag();
        return;
    }
    const DragEnd end = finishDrag(m_app.data(), *m, m_app.undoSize);
    // The drag is over before a message box can run its own event loop.
    m_graph->stopDrag();
    if (end.refusal) {
        m_app.prompts().show(*end.refusal);
        showDragValue();
    }
    // The other windows and the edit bar show the value now in the image.
    if (end.written || end.refusal)
        m_doc.EndChange(kOwnKind);
    followAxes();
    m_graph->invalidate();
    m_graph->repaint();
}

void MapWindow::cancelDrag()
{
    MapDefinition* m = map();
    if (m)
        m->edit.dragValue = m->edit.currentValue;
    m_doc.EndChange(kOwnKind);
    m_graph->stopDrag();
    m_graph->repaint();
}

// --- moves -----------------------------------------------------------------------------------

void MapWindow::move(MoveCode code)
{
    MapDefinition* m = map();
    if (!m || !m_geometry || m_graph->dragging())
        return;
    const MapMove next = mapMove(*m, m_app.data().mapMode, code);
    switch (next.action) {
    case MapMove::Action::Go:
        if (!selectGraphCell(m_app.data(), *m, next.part, next.line, next.point))
            return;
        m_graph->invalidate();
        m_doc.EndChange(kOwnKind);
        break;
    case MapMove::Action::StepData:
        stepValue(false, next.direction);
        break;
    case MapMove::Action::StepRpm:
        stepValue(true, next.direction);
        break;
    case MapMove::Action::SendToEcu:
        if (const auto& send = m_doc.frame().hooks().writeCellToEcu)
            send();
        break;
    case MapMove::Action::None:
        break;
    }
}

void MapWindow::stepValue(bool rpm, int direction)
{
    MapDefinition* m = map();
    const bool written = rpm ? stepGraphRpm(m_app.data(), *m, direction)
                             : stepGraphData(m_app.data(), *m, m_app.undoSize, direction);
    if (!written)
        return;
    if (rpm)
        followAxes();
    m_graph->invalidate();
    showDragValue();
}

// --- the other window operations -------------------------------------------------------------

void MapWindow::redraw()
{
    m_graph->invalidate();
}

void MapWindow::reload(int)
{
    followAxes();
    m_graph->invalidate();
}

void MapWindow::commit(int)
{
    m_graph->invalidate();
}

void MapWindow::refreshIfOwner()
{
    const MapDefinition* m = map();
    if (m && m->edit.editOwner == 1)
        m_graph->invalidate();
}

void MapWindow::requestFocus(int flag)
{
    QMetaObject::invokeMethod(
        this,
        [this, flag] {
            followAxes();
            m_graph->invalidate();
            // Only the window of the active child takes the focus; others
            // would activate their own child frame.
            if (flag != 1)
                return;
            for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
                if (auto* child = qobject_cast<QMdiSubWindow*>(w)) {
                    if (child->mdiArea() && child->mdiArea()->currentSubWindow() == child)
                        setFocus(Qt::OtherFocusReason);
                    return;
                }
            }
            setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

} // namespace zlm
