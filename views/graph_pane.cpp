#include "views/graph_pane.h"

#include "app/vex_app.h"
#include "views/map_edit.h"
#include "views/map_palette.h"
#include "views/map_window.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QRegion>

#include <vector>

namespace zlm {

namespace {

const QColor kGridGrey(192, 192, 192);
const QColor kRpmRed(255, 0, 0);
constexpr int kBandWidthPx = 2;
constexpr int kMarkHalfPx = 3; // the current-point mark is 7 x 7 pixels
constexpr qreal kCurrentLinePx = 2.0;

QColor colourOf(int line)
{
    const LineColour c = lineColour(line);
    return QColor(c.red, c.green, c.blue);
}

// A one-pixel antialiased line through pixel centres stays one pixel wide
// where it runs straight; a two-pixel line is crisp on the pixel edges.
QPolygonF polyline(const std::vector<MapGeometry::Point>& points, qreal width)
{
    const qreal shift = width == 1.0 ? 0.5 : 0.0;
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const auto& p : points)
        polygon << QPointF(p.x + shift, p.y + shift);
    return polygon;
}

} // namespace

GraphPane::GraphPane(MapWindow& window) : QWidget(&window), m_window(window)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    // Moves without a button tell a drag whose release went elsewhere to end.
    setMouseTracking(true);
}

GraphPane::~GraphPane() = default;

void GraphPane::invalidate()
{
    m_dirty = true;
    update();
}

void GraphPane::render()
{
    const qreal dpr = devicePixelRatioF();
    m_image = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(dpr);
    m_image.fill(Qt::white);
    m_dirty = false;
    const MapDefinition* map = m_window.map();
    const auto& geometry = m_window.m_geometry;
    if (!map || !geometry || width() <= 0 || height() <= 0)
        return;
    const auto image = m_window.m_app.data().image();
    const int lines = std::max<int>(1, map->z.count);
    const int current = std::clamp(map->edit.line, 0, lines - 1);
    const bool all = showsAllLines(*map);
    QPainter p(&m_image);

    // Vertical grid lines at the X points of the lines drawn.
    p.setPen(kGridGrey);
    std::vector<bool> gridDrawn(static_cast<std::size_t>(width()), false);
    for (int line = all ? 0 : current; line < (all ? lines : current + 1); ++line) {
        for (int point = 0; point < map->x.count; ++point) {
            const int x = geometry->pointX(*map, image, line, point);
            if (x < 0 || x >= width() || gridDrawn[static_cast<std::size_t>(x)])
                continue;
            gridDrawn[static_cast<std::size_t>(x)] = true;
            p.drawLine(x, 0, x, height() - 1);
        }
    }

    // The curves, the current line last and wider.
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    if (all) {
        for (int line = 0; line < lines; ++line) {
            if (line == current)
                continue;
            p.setPen(QPen(colourOf(line), 1.0));
            p.drawPolyline(polyline(geometry->linePoints(*map, image, line), 1.0));
        }
    }
    const auto points = geometry->linePoints(*map, image, current);
    p.setPen(QPen(colourOf(current), kCurrentLinePx, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(polyline(points, kCurrentLinePx));

    // The current point.
    p.setRenderHint(QPainter::Antialiasing, false);
    const int point = map->edit.point;
    if (point < 0 || point >= static_cast<int>(points.size()))
        return;
    if (map->edit.part == EditPart::Data) {
        const auto& c = points[static_cast<std::size_t>(point)];
        p.setCompositionMode(QPainter::CompositionMode_Difference);
        p.fillRect(QRect(c.x - kMarkHalfPx, c.y - kMarkHalfPx, 2 * kMarkHalfPx + 1,
                       2 * kMarkHalfPx + 1),
            Qt::white);
    } else if (map->edit.part == EditPart::Rpm) {
        const int x = points[static_cast<std::size_t>(point)].x;
        p.setPen(kRpmRed);
        p.drawLine(x, 0, x, height() - 1);
    }
}

void GraphPane::paintEvent(QPaintEvent* event)
{
    const qreal dpr = devicePixelRatioF();
    if (!m_dragging && (m_dirty || m_image.size() != size() * dpr))
        render();
    const QImage& source = m_dragging ? m_saved : m_image;
    QPainter p(this);
    // Only the parts asked for: during a drag, where the band was and is.
    for (const QRect& r : event->region()) {
        p.drawImage(r, source,
            QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
    }
    if (m_dragging && !m_band.isNull())
        paintBand(p);
}

// --- dragging --------------------------------------------------------------------------------

void GraphPane::startDrag()
{
    const MapDefinition* map = m_window.map();
    const auto& geometry = m_window.m_geometry;
    if (!map || !geometry)
        return;
    if (m_dirty)
        render();
    m_previous = m_next = QPoint(-1, -1);
    if (map->edit.part == EditPart::Data) {
        const auto points = geometry->linePoints(*map, m_window.m_app.data().image(), map->edit.line);
        const int point = map->edit.point;
        if (point < 0 || point >= static_cast<int>(points.size()))
            return;
        m_pointX = points[static_cast<std::size_t>(point)].x;
        if (point > 0)
            m_previous = QPoint(points[point - 1].x, points[point - 1].y);
        if (point + 1 < static_cast<int>(points.size()))
            m_next = QPoint(points[point + 1].x, points[point + 1].y);
    }
    m_saved = m_image;
    m_band = QRect();
    m_lastMouse = QPoint(-1, -1);
    // Qt keeps sending the moves and the releases to the pressed pane until
    // every button is up: that is the drag's capture of the mouse.
    m_dragging = true;
}

void GraphPane::stopDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    m_saved = QImage();
    m_band = QRect();
    invalidate();
}

QRect GraphPane::bandRect() const
{
    const MapDefinition* map = m_window.map();
    const auto& geometry = m_window.m_geometry;
    if (!map || !geometry)
        return {};
    const int value = map->edit.dragValue;
    constexpr int margin = kBandWidthPx + 1;
    if (map->edit.part == EditPart::Rpm) {
        const int x = geometry->xOfRaw(value);
        return QRect(x - margin, 0, 2 * margin + 1, height());
    }
    const int y = geometry->yOf(value);
    if (m_previous.x() < 0 && m_next.x() < 0)
        return QRect(0, y - margin, width(), 2 * margin + 1);
    QRect r(QPoint(m_pointX, y), QSize(1, 1));
    for (const QPoint& p : { m_previous, m_next }) {
        if (p.x() >= 0)
            r = r.united(QRect(p, QSize(1, 1)));
    }
    return r.adjusted(-margin, -margin, margin, margin);
}

void GraphPane::paintBand(QPainter& p) const
{
    const MapDefinition* map = m_window.map();
    const auto& geometry = m_window.m_geometry;
    if (!map || !geometry)
        return;
    const int value = map->edit.dragValue;
    if (map->edit.part == EditPart::Rpm) {
        const int x = geometry->xOfRaw(value);
        p.fillRect(QRect(x - kBandWidthPx / 2, 0, kBandWidthPx, height()), kGridGrey);
        return;
    }
    const int y = geometry->yOf(value);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colourOf(map->edit.line), kBandWidthPx, Qt::SolidLine, Qt::RoundCap,
        Qt::RoundJoin));
    if (m_previous.x() < 0 && m_next.x() < 0) {
        p.drawLine(QPointF(0, y), QPointF(width(), y));
        return;
    }
    QPolygonF band;
    if (m_previous.x() >= 0)
        band << QPointF(m_previous);
    band << QPointF(m_pointX, y);
    if (m_next.x() >= 0)
        band << QPointF(m_next);
    p.drawPolyline(band);
}

// --- the mouse -------------------------------------------------------------------------------

void GraphPane::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !m_dragging)
        m_window.pick(pos.x(), pos.y());
    else if (event->button() == Qt::RightButton && m_dragging)
        m_window.cancelDrag();
    event->accept();
}

void GraphPane::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    MapDefinition* map = m_window.map();
    const auto& geometry = m_window.m_geometry;
    const QPoint pos = event->position().toPoint();
    if (m_dragging && !(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere (another window took the mouse): end here.
        m_window.endDrag();
        return;
    }
    if (!m_dragging || !map || !geometry || pos == m_lastMouse || !rect().contains(pos))
        return;
    m_lastMouse = pos;
    const int value = dragValueAt(*map, *geometry, pos.x(), pos.y());
    if (value == map->edit.dragValue)
        return;
    map->edit.dragValue = static_cast<std::uint16_t>(value);
    const QRect old = m_band;
    m_band = bandRect();
    update(QRegion(m_band).united(QRegion(old)));
    m_window.showDragValue();
}

void GraphPane::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && m_dragging)
        m_window.endDrag();
}

} // namespace zlm
