#pragma once
// MapWindow: the graph view of the current map. The window itself is the
// outer frame of the graph (value labels with their ticks and the rotated
// axis title on the left, RPM labels below); the GraphPane child, placed at
// (50, 0) and 50 pixels narrower and 30 lower than the window, draws the
// curves and takes the mouse: a click picks a point, a drag of the current
// point changes its value (DATA up and down, RPM sideways), the right button
// cancels a drag.
//
// The arithmetic (extents, scales, labels, hit test, drag values) lives in
// map_geometry.h and the editing rules in map_edit.h; this class paints and
// forwards.
#include "views/edit_window.h"
#include "views/map_geometry.h"

#include <QFont>

#include <optional>

namespace zlm {

class CVexApp;
class CVexDoc;
class GraphPane;

class MapWindow final : public EditWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MapWindow)
public:
    // Shows the data set's current map; a map whose X or Y conversion cannot
    // give its extents shows "Used wrong equation" and no graph.
    MapWindow(CVexApp& app, CVexDoc& doc, QWidget* parent = nullptr);
    ~MapWindow() override;

    // --- EditWindow ---------------------------------------------------------------
    void redraw() override;
    void reload(int flag) override;
    void commit(int flag) override;
    void refreshIfOwner() override;
    void move(MoveCode code) override;
    ViewKind kind() const override { return ViewKind::Map; }
    void requestFocus(int flag) override;

    // The current map changed (Label selection): new extents and scales.
    void retarget();

    // --- state, for the view, the bench and tests -----------------------------------
    GraphPane* graphPane() const { return m_graph; }
    // Nothing when the map's extents could not be computed (no graph).
    const std::optional<MapGeometry>& geometry() const { return m_geometry; }
    bool dragging() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class GraphPane;

    MapDefinition* map() const;
    void computeExtents(); // shows the failure message
    void computeScales();
    void followAxes(); // silently takes in axis values changed in the image
    void activateChildFrame();
    // From the graph pane, in graph pixels.
    void pick(int x, int y);
    void showDragValue(); // ShowValue everywhere and the edit bar's field
    void endDrag();
    void cancelDrag();
    void stepValue(bool rpm, int direction);

    CVexApp& m_app;
    CVexDoc& m_doc;
    GraphPane* m_graph = nullptr;
    QFont m_labelFont;
    std::optional<MapExtents> m_extents; // nothing: no graph
    std::optional<MapGeometry> m_geometry;
};

} // namespace zlm
