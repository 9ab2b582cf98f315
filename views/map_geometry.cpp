#include "views/map_geometry.h"

#include "base/app_settings.h"
#include "base/line_list.h"
#include "data/conversion.h"
#include "res/string_table.h"
#include "views/table_edit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace zlm {

namespace {

constexpr int kWrongEquationId = 1500; // "Used wrong equation"
constexpr int kCaptionId = 2000; // "Map Window"
constexpr int kMaxLabels = 1000; // a conversion that never reaches the edge still ends
constexpr int kLabelGapPx = 6; // between two RPM label texts
constexpr int kYLabelSpanPx = 20;
constexpr int kRpmLabelSpanPx = 50;
constexpr int kScaleTopPx = 40; // the Y extent fits into the window height less this

Message wrongEquation()
{
    return Message { kWrongEquationId, std::string(loadString(kWrongEquationId)), Icon::Stop,
        std::string(loadString(kCaptionId)) };
}

int elementTop(const AxisDescriptor& axis)
{
    return axis.width == 2 ? 0xFFFF : 0xFF;
}

// The physical value of any raw number, also beyond the element's range.
float physicalOf(const AxisDescriptor& axis, long long raw)
{
    return evaluate(axis.toPhysical, static_cast<float>(raw)).value;
}

// The raw value of a physical one, or nothing when the conversion fails.
std::optional<int> rawOf(const AxisDescriptor& axis, float physical)
{
    const RawConversion raw = physicalToRawInt(axis, physical);
    if (!raw.ok())
        return std::nullopt;
    return settleTruncation(raw);
}

// The raw ends of an axis. Below raw 0 the low end is 0, beyond the element
// the high end is its last value; anything else that fails is refused.
std::optional<std::pair<int, int>> axisExtent(const AxisDescriptor& axis)
{
    const int top = elementTop(axis);
    const RawConversion low = physicalToRawInt(axis, axisMinimum(axis));
    const RawConversion high = physicalToRawInt(axis, axisMaximum(axis));
    if (!low.ok() || !high.ok() || low.value > static_cast<float>(top) || high.value < 0.0f)
        return std::nullopt;
    const int lowRaw = low.value < 0.0f ? 0 : settleTruncation(low);
    const int highRaw = high.value > static_cast<float>(top) ? top : settleTruncation(high);
    // A falling conversion turns the ends round.
    return std::make_pair(std::min(lowRaw, highRaw), std::max(lowRaw, highRaw));
}

// f, 2f, 5f or 10f: the first not below `span`.
float roundStep(float f, float span)
{
    for (const float k : { 1.0f, 2.0f, 5.0f, 10.0f }) {
        if (k * f >= span)
            return k * f;
    }
    return 10.0f * f;
}

// 1 below 10, else the power of ten at or below `span`.
float powerOfTenBelow(float span)
{
    float f = 1.0f;
    while (span >= 10.0f * f && std::isfinite(10.0f * f))
        f *= 10.0f;
    return f;
}

std::string listText(const DisplayFormats& formats, std::string_view field)
{
    return formatX(formats, readReal(field));
}

} // namespace

Result<MapExtents> computeMapExtents(const MapDefinition& map, MapMode mode, ImageView image)
{
    const auto x = axisExtent(map.x);
    const auto y = axisExtent(map.y);
    if (!x || !y)
        return wrongEquation();
    MapExtents extents { x->first, x->second, y->first, y->second };
    // Axis values held in the image may lie outside the descriptor's range:
    // take them in, so that every point can be seen and picked.
    if (mode != MapMode::Config && map.x.count > 1) {
        const int lines = map.kind == 2 ? std::max<int>(1, map.z.count) : 1;
        for (int line = 0; line < lines; ++line) {
            for (int point = 0; point < map.x.count; ++point) {
                const int raw = readXPoint(image, map, line, point);
                if (!evaluate(map.x.toPhysical, static_cast<float>(raw)).ok())
                    return wrongEquation();
                extents.xLow = std::min(extents.xLow, raw);
                extents.xHigh = std::max(extents.xHigh, raw);
            }
        }
    }
    return extents;
}

int fittingScale(long long span, int pixels)
{
    if (span < 0)
        return 1;
    const long long p = std::max(1, pixels);
    // (k x p) / 100 > span  <=>  k x p >= 100 x (span + 1)
    const long long k = (100 * (span + 1) + p - 1) / p;
    return static_cast<int>(std::clamp<long long>(k, 1, 1LL << 30));
}

float yLabelStep(const AxisDescriptor& y, int yscale)
{
    const float e
        = std::fabs(physicalOf(y, yscale * kYLabelSpanPx / 100) - physicalOf(y, 0));
    if (!std::isfinite(e) || e <= 0.5f)
        return 0.5f;
    return roundStep(e < 10.0f ? 1.0f : powerOfTenBelow(e), e);
}

float rpmLabelStep(const AxisDescriptor& x, int xscale)
{
    // The span of 50 pixels, measured from raw 0 so that an offset in the
    // conversion does not count as distance.
    const float o
        = std::fabs(physicalOf(x, xscale * kRpmLabelSpanPx / 100) - physicalOf(x, 0));
    if (!std::isfinite(o))
        return 1.0f;
    const float t = powerOfTenBelow(o);
    return o <= t ? t : roundStep(t, o);
}

// --- MapGeometry ---------------------------------------------------------------------------

MapGeometry::MapGeometry(const MapDefinition& map, MapMode mode, const MapExtents& extents,
    int windowWidth, int windowHeight)
    : m_mode(mode)
    , m_extents(extents)
    , m_windowWidth(windowWidth)
    , m_windowHeight(windowHeight)
    , m_graphWidth(std::max(0, windowWidth - kLabelMarginPx))
    , m_graphHeight(std::max(0, windowHeight - kRpmMarginPx))
{
    m_yscale = fittingScale(extents.yHigh - extents.yLow, windowHeight - kScaleTopPx);
    if (mode == MapMode::Config) {
        // List axes: physical units, so the highest list value lies inside too.
        m_xMinimum = axisMinimum(map.x);
        const float span = std::floor(axisMaximum(map.x) - m_xMinimum);
        m_xscale = fittingScale(std::isfinite(span) ? static_cast<long long>(span) : 0, m_graphWidth);
        for (const std::string_view field : text::splitFields(map.x.values))
            m_listX.push_back(xOfListValue(readReal(field)));
    } else {
        m_xscale = fittingScale(extents.xHigh - extents.xLow, m_graphWidth);
    }
    m_yStep = yLabelStep(map.y, m_yscale);
    m_rpmStep = rpmLabelStep(map.x, m_xscale);
}

// The lowest raw value lies on the graph's last row, not one below it.
int MapGeometry::yOf(int raw) const
{
    return static_cast<int>(
        m_graphHeight - 1 - (static_cast<long long>(raw) - m_extents.yLow) * 100 / m_yscale);
}

int MapGeometry::xOfRaw(int raw) const
{
    return static_cast<int>((static_cast<long long>(raw) - m_extents.xLow) * 100 / m_xscale);
}

int MapGeometry::xOfListValue(float value) const
{
    const float x = (value - m_xMinimum) * 100.0f / static_cast<float>(m_xscale);
    return std::isfinite(x) ? static_cast<int>(std::clamp(x, -1e6f, 1e6f)) : 0;
}

int MapGeometry::rawAtY(int y) const
{
    return static_cast<int>(
        m_extents.yLow + static_cast<long long>(m_graphHeight - 1 - y) * m_yscale / 100);
}

int MapGeometry::rawAtX(int x) const
{
    return static_cast<int>(m_extents.xLow + static_cast<long long>(x) * m_xscale / 100);
}

int MapGeometry::pointX(const MapDefinition& map, ImageView image, int line, int point) const
{
    if (m_mode == MapMode::Config)
        return point >= 0 && static_cast<std::size_t>(point) < m_listX.size() ? m_listX[point] : 0;
    return xOfRaw(readXPoint(image, map, line, point));
}

std::vector<MapGeometry::Point> MapGeometry::linePoints(
    const MapDefinition& map, ImageView image, int line) const
{
    std::vector<Point> points;
    points.reserve(map.x.count);
    for (int point = 0; point < map.x.count; ++point) {
        const CellRead cell = readDataCell(image, map, line, point);
        points.push_back({ pointX(map, image, line, point), yOf(cell.value) });
    }
    return points;
}

// --- labels --------------------------------------------------------------------------------

std::vector<ValueLabel> valueLabels(const AxisDescriptor& y, const MapGeometry& geometry)
{
    std::vector<ValueLabel> labels;
    const MapExtents& extents = geometry.extents();
    const float step = geometry.yStep();
    const float low = physicalOf(y, extents.yLow);
    if (!std::isfinite(low) || !(step > 0.0f))
        return labels;
    // Whole steps start at a multiple of the step; the half step at the low end.
    const float start = static_cast<int>(step) == 0 ? low : std::floor(low / step) * step;
    const int bottom = geometry.windowHeight() - kRpmMarginPx;
    for (int i = 0; i < kMaxLabels; ++i) {
        const float value = start + static_cast<float>(i) * step;
        const std::optional<int> raw = rawOf(y, value);
        if (!raw || *raw < extents.yLow)
            continue;
        if ((static_cast<long long>(*raw) - extents.yLow) * 100 / geometry.yscale() > bottom)
            break;
        const int labelY = geometry.yOf(*raw);
        if (labelY < 0)
            break;
        labels.push_back({ value, labelY, labelY < bottom });
    }
    return labels;
}

std::vector<RpmLabel> rpmLabels(const MapDefinition& map, const MapGeometry& geometry,
    const DisplayFormats& formats, const std::function<int(const std::string&)>& textWidth)
{
    std::vector<RpmLabel> candidates;
    if (geometry.mode() == MapMode::Config) {
        // The left edge is the X minimum; a list value there is the same label.
        candidates.push_back({ formatX(formats, axisMinimum(map.x)), kLabelMarginPx });
        const auto fields = text::splitFields(map.x.values);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int x = geometry.xOfListValue(readReal(fields[i]));
            if (x > 0 && x <= geometry.graphWidth())
                candidates.push_back({ listText(formats, fields[i]), kLabelMarginPx + x });
        }
    } else {
        const MapExtents& extents = geometry.extents();
        const float left = physicalOf(map.x, extents.xLow);
        const float step = geometry.rpmStep();
        candidates.push_back({ formatX(formats, left), kLabelMarginPx });
        if (std::isfinite(left) && step > 0.0f) {
            const float first = (std::floor(left / step) + 1.0f) * step;
            for (int i = 0; i < kMaxLabels; ++i) {
                const std::optional<int> raw = rawOf(map.x, first + static_cast<float>(i) * step);
                if (!raw)
                    continue;
                const int x = geometry.xOfRaw(*raw);
                if (x > geometry.graphWidth())
                    break;
                if (x > 0)
                    candidates.push_back(
                        { formatX(formats, first + static_cast<float>(i) * step), kLabelMarginPx + x });
            }
        }
    }
    // Keep the labels whose text does not run into the one before or out of the window.
    std::vector<RpmLabel> shown;
    int lastRight = -kLabelGapPx;
    for (RpmLabel& label : candidates) {
        const int width = textWidth ? textWidth(label.text) : 0;
        // A label at the window's right edge moves left to be read whole.
        const int left = std::max(0, std::min(label.x - width / 2, geometry.windowWidth() - width));
        if (left < lastRight + kLabelGapPx)
            continue;
        lastRight = left + width;
        label.left = left;
        shown.push_back(std::move(label));
    }
    return shown;
}

// --- picking -------------------------------------------------------------------------------

bool showsAllLines(const MapDefinition& map)
{
    return map.edit.all != 0 && map.z.count > 1;
}

GraphHit hitTest(
    const MapDefinition& map, const MapGeometry& geometry, ImageView image, int x, int y)
{
    const auto dataPointAt = [&](int line) -> int {
        const auto points = geometry.linePoints(map, image, line);
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (std::abs(points[i].x - x) <= kPickRadiusPx
                && std::abs(points[i].y - y) <= kPickRadiusPx)
                return static_cast<int>(i);
        }
        return -1;
    };
    const int current = map.edit.line;
    if (const int point = dataPointAt(current); point >= 0)
        return { EditPart::Data, current, point };
    if (map.edit.all != 0) {
        for (int line = 0; line < map.z.count; ++line) {
            if (const int point = dataPointAt(line); point >= 0)
                return { EditPart::Data, line, point };
        }
    }
    if (geometry.mode() == MapMode::Free && !(map.edit.all != 0 && map.kind == 2)) {
        for (int point = 0; point < map.x.count; ++point) {
            if (std::abs(geometry.pointX(map, image, current, point) - x) <= kPickRadiusPx)
                return { EditPart::Rpm, current, point };
        }
    }
    return {};
}

} // namespace zlm
