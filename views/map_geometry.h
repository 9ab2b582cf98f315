#pragma once
// The arithmetic of the map window, without the window: the raw extents of a
// map, the scales that fit them into the graph, the steps and places of the
// axis labels, the pixel place of every point, the raw value under the mouse
// and the hit test of a click.
//
// Units: raw values are the image's bytes (words for 2-byte axes); a scale is
// raw units (map mode 0, X: physical units) per 100 pixels, at least 1.
// Graph positions are pixels of the graph pane, whose origin is the outer
// window's (kLabelMarginPx, 0); label positions are pixels of the outer window.
#include "base/result.h"
#include "data/map_access.h"
#include "data/map_definition.h"

#include <functional>
#include <string>
#include <vector>

namespace zlm {

struct DisplayFormats;

inline constexpr int kLabelMarginPx = 50; // left of the graph: the value labels
inline constexpr int kRpmMarginPx = 30; // below the graph: the RPM labels
inline constexpr int kPickRadiusPx = 3; // a click this close to a point picks it

// Lowest and highest raw values shown along X (RPM) and Y (the map's values).
struct MapExtents {
    int xLow = 0;
    int xHigh = 0;
    int yLow = 0;
    int yHigh = 0;

    bool operator==(const MapExtents&) const = default;
};

// The extents from the X and Y descriptors' minimum and maximum: a minimum
// below raw 0 gives 0, a maximum beyond the element (255, or 65535 for 2-byte
// values) gives the element's end. In map modes 1 and 3 the X extent also
// takes in every X value held in the image, so that no point lies outside the
// graph. Any other failed conversion is "Used wrong equation" under
// "Map Window" (stop icon): the window then shows no graph.
Result<MapExtents> computeMapExtents(const MapDefinition& map, MapMode mode, ImageView image);

// The smallest k >= 1 with (k x pixels) / 100 > span (integer division): the
// span then fits into fewer than `pixels` pixels. Pixels below 1 count as 1.
int fittingScale(long long span, int pixels);

// Distance between value labels: 0.5, or the first of f, 2f, 5f, 10f (f the
// power of ten at or below the physical span of 20 pixels) not below that span.
float yLabelStep(const AxisDescriptor& y, int yscale);
// Distance between RPM labels, from the physical span of 50 pixels the same
// way (1, 2, 5 or 10 times a power of ten).
float rpmLabelStep(const AxisDescriptor& x, int xscale);

// Where the points of a map lie in a window of a given size.
class MapGeometry {
public:
    MapGeometry() = default;
    MapGeometry(const MapDefinition& map, MapMode mode, const MapExtents& extents, int windowWidth,
        int windowHeight);

    MapMode mode() const { return m_mode; }
    const MapExtents& extents() const { return m_extents; }
    int windowWidth() const { return m_windowWidth; }
    int windowHeight() const { return m_windowHeight; }
    int graphWidth() const { return m_graphWidth; }
    int graphHeight() const { return m_graphHeight; }
    int xscale() const { return m_xscale; }
    int yscale() const { return m_yscale; }
    float yStep() const { return m_yStep; }
    float rpmStep() const { return m_rpmStep; }

    // Graph position of a raw Y value, and of a raw X value (map modes 1, 3).
    int yOf(int raw) const;
    int xOfRaw(int raw) const;
    // Graph position of a physical X value of a list axis (map mode 0).
    int xOfListValue(float value) const;
    // The raw values under a graph position, not yet limited.
    int rawAtY(int y) const;
    int rawAtX(int x) const;

    // Graph x of X point `point` of line `line` (the line matters for kind 2).
    int pointX(const MapDefinition& map, ImageView image, int line, int point) const;
    // Graph positions of every point of a line, in point order.
    struct Point {
        int x = 0;
        int y = 0;
    };
    std::vector<Point> linePoints(const MapDefinition& map, ImageView image, int line) const;

private:
    MapMode m_mode = MapMode::Free;
    MapExtents m_extents;
    int m_windowWidth = 0;
    int m_windowHeight = 0;
    int m_graphWidth = 0;
    int m_graphHeight = 0;
    int m_xscale = 1;
    int m_yscale = 1;
    float m_yStep = 0.5f;
    float m_rpmStep = 1.0f;
    float m_xMinimum = 0.0f; // map mode 0: the X descriptor's physical minimum
    std::vector<int> m_listX; // map mode 0: graph x of each list value
};

// A value label left of the graph: its physical value, the y of its tick in
// the outer window, and whether the tick is drawn (above the RPM margin).
struct ValueLabel {
    float value = 0.0f;
    int y = 0;
    bool tick = false;
};
std::vector<ValueLabel> valueLabels(const AxisDescriptor& y, const MapGeometry& geometry);

// An RPM label below the graph, centred at x of the outer window.
struct RpmLabel {
    std::string text;
    int x = 0; // the tick
    int left = 0; // the text's left edge: centred on the tick, kept inside the window
};
// The RPM labels that fit: the graph's left edge, then every RPM label step
// (map mode 0: every X point with its list value). A label whose text, as
// wide as `textWidth` says, would overlap the one before is left out; the
// last one moves left where it would run past the window's right edge.
std::vector<RpmLabel> rpmLabels(const MapDefinition& map, const MapGeometry& geometry,
    const DisplayFormats& formats, const std::function<int(const std::string&)>& textWidth);

// What a click at a graph position picks: a DATA point of the current line,
// with ALL set a DATA point of any line (line 0 first), then in map mode 1 an
// RPM point of the current line by x alone (not with ALL on a map of kind 2).
struct GraphHit {
    EditPart part = EditPart::None; // None: nothing there
    int line = 0;
    int point = 0;
};
GraphHit hitTest(
    const MapDefinition& map, const MapGeometry& geometry, ImageView image, int x, int y);

// Whether the map window draws every line (ALL set and more than one line).
bool showsAllLines(const MapDefinition& map);

} // namespace zlm
