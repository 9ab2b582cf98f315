#include "views/edit_bar_icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zlm {

namespace {

// Every icon is drawn on a 16 x 16 grid, scaled to the requested size.
constexpr qreal kGrid = 16.0;

const QColor kOutline(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kInk(90, 90, 90);

void pen(QPainter& p, const QColor& color, qreal width = 1.0)
{
    QPen pn(color, width);
    pn.setJoinStyle(Qt::RoundJoin);
    pn.setCapStyle(Qt::RoundCap);
    p.setPen(pn);
}

void page(QPainter& p, const QRectF& r, int lines)
{
    pen(p, kOutline);
    p.setBrush(kPaper);
    p.drawRect(r);
    pen(p, kInk, 0.8);
    for (int i = 0; i < lines; ++i) {
        const qreal y = r.top() + 2.5 + i * 2.0;
        if (y > r.bottom() - 1.0)
            break;
        p.drawLine(QPointF(r.left() + 1.8, y), QPointF(r.right() - 1.8, y));
    }
}

void drawOpen(QPainter& p)
{
    pen(p, QColor(138, 101, 16));
    p.setBrush(QColor(232, 183, 48));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(13.5, 5.0);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 214, 95));
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4.0, 7.5);
    front.lineTo(15.0, 7.5);
    front.lineTo(13.5, 13.5);
    front.closeSubpath();
    p.drawPath(front);
}

void drawSave(QPainter& p)
{
    pen(p, QColor(25, 55, 110));
    p.setBrush(QColor(59, 111, 182));
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(200, 205, 212));
    p.drawRect(QRectF(4.5, 1.5, 7.0, 4.5));
    p.setBrush(QColor(59, 111, 182));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(9.0, 2.3, 1.6, 2.9));
    pen(p, QColor(25, 55, 110));
    p.setBrush(kPaper);
    p.drawRect(QRectF(3.5, 8.5, 9.0, 6.0));
    pen(p, kInk, 0.8);
    p.drawLine(QPointF(5.0, 10.5), QPointF(11.0, 10.5));
    p.drawLine(QPointF(5.0, 12.5), QPointF(11.0, 12.5));
}

void drawMenu(QPainter& p)
{
    pen(p, kOutline);
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 13.0, 13.0));
    p.setBrush(QColor(59, 111, 182));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(2.0, 2.0, 12.0, 2.5));
    const QColor bullets[] = {QColor(214, 60, 50), QColor(60, 160, 70), QColor(232, 160, 30)};
    for (int i = 0; i < 3; ++i) {
        const qreal y = 6.0 + i * 2.8;
        p.setPen(Qt::NoPen);
        p.setBrush(bullets[i]);
        p.drawRect(QRectF(3.2, y, 2.0, 2.0));
        pen(p, kInk, 0.9);
        p.drawLine(QPointF(6.8, y + 1.0), QPointF(12.6, y + 1.0));
    }
}

void drawCopy(QPainter& p)
{
    page(p, QRectF(1.5, 1.5, 8.5, 10.0), 4);
    page(p, QRectF(6.0, 4.5, 8.5, 10.0), 4);
}

void drawPaste(QPainter& p)
{
    pen(p, QColor(100, 64, 24));
    p.setBrush(QColor(176, 120, 56));
    p.drawRoundedRect(QRectF(1.5, 2.5, 10.0, 12.0), 1.0, 1.0);
    pen(p, kOutline);
    p.setBrush(QColor(200, 205, 212));
    p.drawRoundedRect(QRectF(4.0, 1.0, 5.0, 3.0), 0.8, 0.8);
    page(p, QRectF(6.5, 6.0, 8.0, 9.0), 3);
}

void drawUndo(QPainter& p)
{
    const QColor blue(40, 90, 170);
    pen(p, blue, 2.0);
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.moveTo(4.5, 6.5);
    arc.cubicTo(8.0, 3.5, 14.5, 4.5, 13.5, 10.0);
    arc.cubicTo(13.0, 12.5, 10.5, 13.5, 8.5, 13.5);
    p.drawPath(arc);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    QPolygonF head;
    head << QPointF(1.0, 8.5) << QPointF(3.0, 3.0) << QPointF(7.0, 7.5);
    p.drawPolygon(head);
}

void grid(QPainter& p, const QRectF& r, const QColor& head)
{
    pen(p, kOutline);
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(head);
    p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1.0, 2.0));
    pen(p, QColor(150, 150, 150), 0.7);
    for (qreal x = r.left() + 3.0; x < r.right() - 0.5; x += 3.0)
        p.drawLine(QPointF(x, r.top() + 2.5), QPointF(x, r.bottom()));
    for (qreal y = r.top() + 5.0; y < r.bottom() - 0.5; y += 2.5)
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
}

void drawMultiMap(QPainter& p)
{
    grid(p, QRectF(1.5, 1.5, 9.5, 8.0), QColor(60, 160, 70));
    grid(p, QRectF(5.0, 6.5, 9.5, 8.0), QColor(214, 60, 50));
}

void drawMonitor(QPainter& p)
{
    pen(p, kOutline);
    p.setBrush(QColor(70, 70, 75));
    p.drawRoundedRect(QRectF(1.0, 1.5, 14.0, 10.5), 1.2, 1.2);
    p.setBrush(QColor(12, 40, 22));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(2.5, 3.0, 11.0, 7.5));
    pen(p, QColor(80, 230, 110), 1.1);
    QPolygonF trace;
    trace << QPointF(3.0, 8.0) << QPointF(5.0, 8.0) << QPointF(6.5, 4.5) << QPointF(8.0, 9.5)
          << QPointF(9.5, 6.0) << QPointF(11.0, 7.0) << QPointF(13.0, 7.0);
    p.drawPolyline(trace);
    pen(p, kOutline);
    p.setBrush(QColor(120, 120, 125));
    p.drawRect(QRectF(6.0, 12.0, 4.0, 1.5));
    p.drawRect(QRectF(3.5, 13.5, 9.0, 1.5));
}

void drawItemSet(QPainter& p)
{
    pen(p, kOutline);
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 13.0, 13.0));
    for (int i = 0; i < 3; ++i) {
        const qreal y = 3.0 + i * 3.8;
        pen(p, kOutline, 0.8);
        p.setBrush(kPaper);
        p.drawRect(QRectF(3.0, y, 2.8, 2.8));
        if (i != 1) {
            pen(p, QColor(40, 150, 60), 1.3);
            p.drawLine(QPointF(3.4, y + 1.4), QPointF(4.3, y + 2.4));
            p.drawLine(QPointF(4.3, y + 2.4), QPointF(6.4, y - 0.2));
        }
        pen(p, kInk, 0.9);
        p.drawLine(QPointF(7.5, y + 1.4), QPointF(13.0, y + 1.4));
    }
}

void arrow(QPainter& p, qreal y, bool right, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    QPolygonF a;
    if (right)
        a << QPointF(1.5, y - 1.2) << QPointF(10.0, y - 1.2) << QPointF(10.0, y - 3.2)
          << QPointF(14.8, y) << QPointF(10.0, y + 3.2) << QPointF(10.0, y + 1.2)
          << QPointF(1.5, y + 1.2);
    else
        a << QPointF(14.5, y - 1.2) << QPointF(6.0, y - 1.2) << QPointF(6.0, y - 3.2)
          << QPointF(1.2, y) << QPointF(6.0, y + 3.2) << QPointF(6.0, y + 1.2)
          << QPointF(14.5, y + 1.2);
    p.drawPolygon(a);
}

void drawDataExchange(QPainter& p)
{
    arrow(p, 4.8, true, QColor(50, 150, 60));
    arrow(p, 11.2, false, QColor(200, 60, 50));
}

void drawConstants(QPainter& p)
{
    pen(p, kOutline);
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 13.0, 13.0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 205, 212));
    p.drawRect(QRectF(2.0, 2.0, 12.0, 2.5));
    pen(p, QColor(150, 150, 150), 0.7);
    p.drawLine(QPointF(9.5, 2.0), QPointF(9.5, 14.0));
    for (int i = 0; i < 4; ++i) {
        const qreal y = 6.3 + i * 2.2;
        pen(p, kInk, 0.9);
        p.drawLine(QPointF(3.0, y), QPointF(8.2, y));
        pen(p, QColor(40, 90, 170), 0.9);
        p.drawLine(QPointF(10.8, y), QPointF(13.0, y));
    }
}

class PaintedIconEngine final : public QIconEngine {
public:
    explicit PaintedIconEngine(int commandId) : m_id(commandId) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.35);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / kGrid, rect.height() / kGrid);
        switch (m_id) {
        case 57601: drawOpen(*painter); break;
        case 32819: drawSave(*painter); break;
        case 1004: drawMenu(*painter); break;
        case 57634: drawCopy(*painter); break;
        case 57637: drawPaste(*painter); break;
        case 57643: drawUndo(*painter); break;
        case 32825: drawMultiMap(*painter); break;
        case 32803: drawMonitor(*painter); break;
        case 32807: drawItemSet(*painter); break;
        case 32777: drawDataExchange(*painter); break;
        case 32776: drawConstants(*painter); break;
        default: break;
        }
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        QPixmap pm(size * scale);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            paint(&p, QRect(QPoint(0, 0), pm.size()), mode, state);
        }
        pm.setDevicePixelRatio(scale);
        return pm;
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(m_id); }

private:
    int m_id = 0;
};

} // namespace

QIcon editBarIcon(int commandId)
{
    switch (commandId) {
    case 57601: case 32819: case 1004: case 57634: case 57637: case 57643:
    case 32825: case 32803: case 32807: case 32777: case 32776:
        return QIcon(new PaintedIconEngine(commandId));  // the icon owns its engine
    default:
        return {};
    }
}

} // namespace zlm
