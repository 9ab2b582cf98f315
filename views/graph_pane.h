#pragma once
// GraphPane: the drawing area of a MapWindow. It keeps the graph (grid,
// curves, current-point mark) as an image drawn once per change, and during a
// drag paints the image saved at the drag's start with the rubber band over
// it, repainting only where the band was and is, so that a drag follows the
// mouse. Mouse presses, moves and releases go to the map window.
#include <QImage>
#include <QWidget>

namespace zlm {

class MapWindow;

class GraphPane final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GraphPane)
public:
    explicit GraphPane(MapWindow& window);
    ~GraphPane() override;

    // The graph changed: draw it again at the next paint.
    void invalidate();
    bool dragging() const { return m_dragging; }
    // Note the neighbours of the current point and save the image.
    void startDrag();
    // Discard the saved image.
    void stopDrag();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void render(); // the whole graph into m_image
    QRect bandRect() const; // where the rubber band of the drag value lies
    void paintBand(QPainter& painter) const;

    MapWindow& m_window;
    QImage m_image;
    bool m_dirty = true;

    bool m_dragging = false;
    QImage m_saved; // the graph at the drag's start
    QPoint m_previous { -1, -1 }; // graph positions of the dragged point's neighbours,
    QPoint m_next { -1, -1 }; // (-1, -1) where there is none
    int m_pointX = 0; // graph x of the dragged DATA point
    QPoint m_lastMouse { -1, -1 };
    QRect m_band; // the band drawn last
};

} // namespace zlm
