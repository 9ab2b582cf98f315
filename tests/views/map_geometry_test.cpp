#include "views/map_geometry.h"

#include "base/app_settings.h"
#include "base/line_list.h"
#include "data/ecu_data_set.h"
#include "data/map_access.h"
#include "data/undo_stack.h"
#include "views/map_edit.h"
#include "views/map_palette.h"
#include "tests/views/colour_measures.h"
#include "tests/views/map_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace zlm {
namespace {

using test::axis;

// A free map of 3 lines x 4 points: THROT at 8000, RPM bytes at 8006 (x50),
// FUEL bytes at 8010 (x0.05, edit limits 0.5 .. 12).
class MapGeometryTest : public ::testing::Test {
protected:
    MapGeometryTest()
    {
        m_map.name = "Fuel";
        m_map.z = axis("THROT", "0", "100", "x*0.5", "x/0.5");
        m_map.z.count = 3;
        m_map.z.address = 0x8000;
        m_map.x = axis("RPM", "0", "12750", "x*50", "x/50");
        m_map.x.count = 4;
        m_map.x.address = 0x8006;
        m_map.y = axis("FUEL", "0", "12.75", "x*0.05", "x/0.05");
        m_map.y.lowerLimit = "0.5";
        m_map.y.upperLimit = "12";
        m_map.dataCount = 12;
        m_map.dataAddress = 0x8010;
        m_formats.x = "%.0f";
        m_formats.y = "%.1f";
        m_formats.z = "%.1f";
        setX({ 30, 60, 90, 120 });
        for (int line = 0; line < 3; ++line) {
            for (int point = 0; point < 4; ++point)
                setData(line, point, 40 + 20 * line + point);
        }
    }

    void setX(std::vector<int> values)
    {
        for (std::size_t i = 0; i < values.size(); ++i)
            m_data.image()[0x8006 + i] = static_cast<std::uint8_t>(values[i]);
    }
    void setData(int line, int point, int value)
    {
        m_data.image()[dataCellAddress(m_map, line, point)] = static_cast<std::uint8_t>(value);
    }
    ImageView image() const { return m_data.image(); }

    MapGeometry geometry(int width = 650, int height = 330, MapMode mode = MapMode::Free)
    {
        const auto extents = computeMapExtents(m_map, mode, image());
        EXPECT_TRUE(extents.ok());
        return MapGeometry(m_map, mode, *extents, width, height);
    }
    void select(EditPart part, int line, int point)
    {
        ASSERT_TRUE(selectGraphCell(m_data, m_map, part, line, point));
    }

    LineList m_definition;
    EcuDataSet m_data { m_definition };
    MapDefinition m_map;
    DisplayFormats m_formats;
};

// --- extents -------------------------------------------------------------------------------

TEST_F(MapGeometryTest, ExtentsComeFromTheDescriptorsAndTheAxisHeldInTheImage)
{
    auto extents = computeMapExtents(m_map, MapMode::Free, image());
    ASSERT_TRUE(extents.ok());
    EXPECT_EQ(extents->xLow, 0);
    EXPECT_EQ(extents->xHigh, 255);
    EXPECT_EQ(extents->yLow, 0);
    EXPECT_EQ(extents->yHigh, 255); // 12.75 / 0.05 lands a hair below 255

    // Below raw 0 the low end is 0, beyond the byte the high end is 255.
    m_map.y = axis("IGN", "-50", "300", "x-40", "x+40");
    extents = computeMapExtents(m_map, MapMode::Free, image());
    ASSERT_TRUE(extents.ok());
    EXPECT_EQ(extents->yLow, 0);
    EXPECT_EQ(extents->yHigh, 255);

    // A 2-byte axis keeps its word range; RPM values beyond the descriptor widen it.
    m_map.x = axis("RPM", "1000", "13000", "x", "x");
    m_map.x.width = 2;
    m_map.x.count = 2;
    m_map.x.address = 0x8006;
    m_data.image()[0x8006] = 0x03; // 1000
    m_data.image()[0x8007] = 0xE8;
    m_data.image()[0x8008] = 0x3A; // 15000
    m_data.image()[0x8009] = 0x98;
    extents = computeMapExtents(m_map, MapMode::Free, image());
    ASSERT_TRUE(extents.ok());
    EXPECT_EQ(extents->xLow, 1000);
    EXPECT_EQ(extents->xHigh, 15000);
}

TEST_F(MapGeometryTest, AConversionThatFailsOtherwiseIsAWrongEquation)
{
    const auto expectWrong = [this](const char* what) {
        const auto extents = computeMapExtents(m_map, MapMode::Free, image());
        ASSERT_FALSE(extents.ok()) << what;
        EXPECT_EQ(extents.error().id, 1500);
        EXPECT_EQ(extents.error().text, "Used wrong equation");
        EXPECT_EQ(extents.error().caption, "Map Window");
        EXPECT_EQ(extents.error().icon, Icon::Stop);
    };
    m_map.y.toRaw = "x/(x-x)";
    expectWrong("division by zero");
    m_map.y.toRaw = "x/0.05";
    m_map.y.minimum = "300"; // the minimum beyond the byte
    expectWrong("minimum above the element");
    m_map.y.minimum = "0";
    m_map.x.toPhysical = "50/(x-60)"; // the image's RPM value 60 cannot be shown
    expectWrong("an RPM value of the image");
}

// --- scales and label steps ----------------------------------------------------------------

TEST(MapScale, SmallestScaleThatFitsTheSpan)
{
    EXPECT_EQ(fittingScale(255, 728), 36); // 36 x 728 / 100 = 262 > 255; 35 gives 254
    EXPECT_EQ(fittingScale(0, 728), 1);
    EXPECT_EQ(fittingScale(99, 100), 100);
    EXPECT_EQ(fittingScale(100, 100), 101);
    EXPECT_EQ(fittingScale(-5, 100), 1);
    // The smallest window leaves no room at all: one pixel stands for the span.
    EXPECT_EQ(fittingScale(255, 0), 25600);
    EXPECT_EQ(fittingScale(255, -10), 25600);
}

TEST_F(MapGeometryTest, TheWholeRangeFitsTheGraphDownToTheSmallestWindow)
{
    for (const auto& [w, h] : std::vector<std::pair<int, int>> {
             { 650, 330 }, { 150, 90 }, { 51, 41 }, { 10, 10 }, { 0, 0 } }) {
        const MapGeometry g = geometry(w, h);
        EXPECT_GE(g.yscale(), 1);
        EXPECT_GE(g.xscale(), 1);
        if (h - 40 > 0) {
            EXPECT_GT(g.yscale() * (h - 40) / 100, 255) << h;
            EXPECT_LE((g.yscale() - 1) * (h - 40) / 100, 255) << h;
        }
        // The lowest value lies on the last row of the graph, the highest below its top.
        EXPECT_EQ(g.yOf(0), g.graphHeight() - 1);
        if (g.graphHeight() > 10) {
            EXPECT_GE(g.yOf(255), 0);
            EXPECT_NEAR(g.rawAtY(g.yOf(128)), 128, g.yscale() / 100 + 1);
        }
        EXPECT_LT(g.xOfRaw(255), std::max(1, g.graphWidth()));
    }
}

TEST(MapScale, YLabelStepIsHalfOrOneTwoFiveTenTimesAPowerOfTen)
{
    // x / 2: the span of 20 pixels is (yscale x 20 / 100) / 2.
    const AxisDescriptor y = axis("Y", "0", "100", "x/2", "x*2");
    EXPECT_FLOAT_EQ(yLabelStep(y, 1), 0.5f); // span 0
    EXPECT_FLOAT_EQ(yLabelStep(y, 5), 0.5f); // span 0.5
    EXPECT_FLOAT_EQ(yLabelStep(y, 10), 1.0f); // span 1: f
    EXPECT_FLOAT_EQ(yLabelStep(y, 15), 2.0f); // span 1.5: 2f
    EXPECT_FLOAT_EQ(yLabelStep(y, 30), 5.0f); // span 3: 5f
    EXPECT_FLOAT_EQ(yLabelStep(y, 70), 10.0f); // span 7: 10f
    EXPECT_FLOAT_EQ(yLabelStep(y, 100), 10.0f); // span 10: f = 10
    EXPECT_FLOAT_EQ(yLabelStep(y, 110), 20.0f); // span 11
    // A falling conversion counts its distance too.
    EXPECT_FLOAT_EQ(yLabelStep(axis("Y", "0", "10", "100-x", "100-x"), 15), 5.0f);
}

TEST(MapScale, RpmLabelStepFromTheSpanOfFiftyPixels)
{
    const AxisDescriptor x = axis("RPM", "0", "12750", "x*50", "x/50");
    EXPECT_FLOAT_EQ(rpmLabelStep(x, 2), 50.0f); // span 50: t = 10, 5t
    EXPECT_FLOAT_EQ(rpmLabelStep(x, 4), 100.0f); // span 100 = t
    EXPECT_FLOAT_EQ(rpmLabelStep(x, 6), 200.0f); // span 150: 2t
    EXPECT_FLOAT_EQ(rpmLabelStep(x, 40), 1000.0f); // span 1000 = t
    const AxisDescriptor plain = axis("RPM", "0", "255", "x", "x");
    EXPECT_FLOAT_EQ(rpmLabelStep(plain, 1), 1.0f); // span 0
    EXPECT_FLOAT_EQ(rpmLabelStep(plain, 6), 5.0f); // span 3
    // An offset in the conversion is no distance.
    EXPECT_FLOAT_EQ(rpmLabelStep(axis("RPM", "0", "255", "x+1000", "x-1000"), 40), 20.0f);
}

// --- labels --------------------------------------------------------------------------------

TEST_F(MapGeometryTest, ValueLabelsStepFromTheLowEndUpToTheTop)
{
    const MapGeometry g = geometry(650, 330);
    const auto labels = valueLabels(m_map.y, g);
    ASSERT_GE(labels.size(), 3u);
    EXPECT_FLOAT_EQ(labels.front().value, 0.0f);
    EXPECT_EQ(labels.front().y, g.graphHeight() - 1);
    for (std::size_t i = 1; i < labels.size(); ++i) {
        EXPECT_FLOAT_EQ(labels[i].value - labels[i - 1].value, g.yStep());
        EXPECT_LT(labels[i].y, labels[i - 1].y);
        EXPECT_GE(labels[i].y, 0);
        EXPECT_TRUE(labels[i].tick);
    }
    EXPECT_GE(labels.back().value + g.yStep(), 12.75f);

    // A low end between steps starts at the step below it; the half step at the low end.
    m_map.y = axis("IGN", "-7", "60", "x-40", "x+40");
    const MapGeometry ign = geometry(650, 330);
    const auto ignLabels = valueLabels(m_map.y, ign);
    ASSERT_FALSE(ignLabels.empty());
    EXPECT_FLOAT_EQ(ign.yStep(), 5.0f);
    EXPECT_FLOAT_EQ(ignLabels.front().value, -5.0f); // -10 lies below the extent
}

TEST_F(MapGeometryTest, FreeMapsLabelTheLeftEdgeThenEveryStepWithoutOverlap)
{
    // The X extent starts at raw 30 (1500): the first label names it.
    m_map.x.minimum = "1500";
    const MapGeometry g = geometry(650, 330);
    const auto fixed = [](const std::string&) { return 40; };
    const auto labels = rpmLabels(m_map, g, m_formats, fixed);
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ(labels.front().text, "1500");
    EXPECT_EQ(labels.front().x, kLabelMarginPx);
    for (std::size_t i = 1; i < labels.size(); ++i)
        EXPECT_GE(labels[i].left - labels[i - 1].left, 40 + 6) << labels[i].text;
    EXPECT_LE(labels.back().left + 40, g.windowWidth());

    // Wide texts leave labels out instead of running them together.
    const auto wide = [](const std::string&) { return 200; };
    const auto fewer = rpmLabels(m_map, g, m_formats, wide);
    EXPECT_LT(fewer.size(), labels.size());
    for (std::size_t i = 1; i < fewer.size(); ++i)
        EXPECT_GE(fewer[i].left - fewer[i - 1].left, 206);
}

TEST_F(MapGeometryTest, TheHighestPointOfAnAxisNotStartingAtZeroStaysInside)
{
    // Extent 30 .. 250: the point at raw 250 lies left of the graph's right edge.
    m_map.x.minimum = "1500";
    m_map.x.maximum = "12500";
    setX({ 30, 100, 200, 250 });
    const MapGeometry g = geometry(650, 330);
    EXPECT_EQ(g.extents().xLow, 30);
    EXPECT_EQ(g.pointX(m_map, image(), 0, 0), 0);
    EXPECT_LT(g.pointX(m_map, image(), 0, 3), g.graphWidth());
    EXPECT_GT(g.pointX(m_map, image(), 0, 3), g.graphWidth() - 10);
    // The raw value under a position is where that value is drawn.
    for (const int raw : { 30, 100, 250 })
        EXPECT_NEAR(g.rawAtX(g.xOfRaw(raw)), raw, g.xscale() / 100 + 1);
}

TEST_F(MapGeometryTest, ListAxesAreLabelledWithTheirValues)
{
    m_map.x = axis("RPM", "0", "12500", "x*50", "x/50");
    m_map.x.values = "1500,2500,4000,12500";
    m_map.x.count = 4;
    const MapGeometry g = geometry(650, 330, MapMode::Config);
    const auto labels = rpmLabels(m_map, g, m_formats, [](const std::string&) { return 30; });
    // The left edge first, with the X minimum; then every list value.
    ASSERT_EQ(labels.size(), 5u);
    EXPECT_EQ(labels[0].text, "0");
    EXPECT_EQ(labels[0].x, kLabelMarginPx);
    EXPECT_EQ(labels[1].text, "1500");
    EXPECT_EQ(labels[4].text, "12500");
    EXPECT_EQ(labels[1].x, kLabelMarginPx + 1500 * 100 / g.xscale());
    EXPECT_EQ(labels[4].left, g.windowWidth() - 30); // moved left to be read whole
    // The list value at the maximum is drawn inside the graph, not on its edge.
    EXPECT_LT(g.pointX(m_map, image(), 0, 3), g.graphWidth());
    EXPECT_EQ(g.pointX(m_map, image(), 0, 2), labels[3].x - kLabelMarginPx);
    // A list starting at the minimum names the left edge once.
    m_map.x.values = "0,2500,4000,12500";
    const auto once = rpmLabels(m_map, g, m_formats, [](const std::string&) { return 30; });
    ASSERT_EQ(once.size(), 4u);
    EXPECT_EQ(once[0].text, "0");
    EXPECT_EQ(once[1].text, "2500");
}

// --- hit test ------------------------------------------------------------------------------

TEST_F(MapGeometryTest, HitTestTriesTheCurrentLineThenAllLinesThenRpm)
{
    select(EditPart::Data, 1, 0);
    MapGeometry g = geometry();
    const auto at = [&](int line, int point) {
        return g.linePoints(m_map, image(), line)[static_cast<std::size_t>(point)];
    };
    // Within 3 pixels, not 4.
    const auto p = at(1, 2);
    EXPECT_EQ(hitTest(m_map, g, image(), p.x + 3, p.y - 3).part, EditPart::Data);
    EXPECT_EQ(hitTest(m_map, g, image(), p.x + 3, p.y - 3).point, 2);
    EXPECT_EQ(hitTest(m_map, g, image(), p.x, p.y + 4).part, EditPart::Rpm); // by x alone

    // Other lines only with ALL; the lowest line wins where points coincide.
    setData(2, 3, 80);
    setData(0, 3, 80);
    const auto q = at(2, 3);
    EXPECT_EQ(hitTest(m_map, g, image(), q.x, q.y).part, EditPart::Rpm);
    m_map.edit.all = 1;
    GraphHit hit = hitTest(m_map, g, image(), q.x, q.y);
    EXPECT_EQ(hit.part, EditPart::Data);
    EXPECT_EQ(hit.line, 0);
    EXPECT_EQ(hit.point, 3);
    // The current line comes first even then.
    setData(1, 3, 80);
    EXPECT_EQ(hitTest(m_map, g, image(), q.x, q.y).line, 1);

    // No RPM picking with ALL on a map of kind 2, nor outside free maps.
    const int rpmX = at(1, 1).x;
    m_map.kind = 2;
    EXPECT_EQ(hitTest(m_map, g, image(), rpmX, 0).part, EditPart::None);
    m_map.kind = 1;
    EXPECT_EQ(hitTest(m_map, g, image(), rpmX, 0).part, EditPart::Rpm);
    g = geometry(650, 330, MapMode::ConfigInImage);
    EXPECT_EQ(hitTest(m_map, g, image(), rpmX, 0).part, EditPart::None);
}

// --- editing rules -------------------------------------------------------------------------

TEST_F(MapGeometryTest, APickSelectsFirstAndDragsOnTheSecondClick)
{
    select(EditPart::Data, 0, 0);
    const GraphHit other { EditPart::Data, 2, 1 };
    EXPECT_FALSE(pickGraphCell(m_data, m_map, other));
    EXPECT_EQ(m_map.edit.editOwner, 1);
    EXPECT_EQ(m_map.edit.line, 2);
    EXPECT_EQ(m_map.edit.currentValue, 81);
    EXPECT_EQ(m_map.edit.dragValue, 81);
    EXPECT_EQ(m_map.edit.lowerLimit, 10); // 0.5 / 0.05
    EXPECT_TRUE(pickGraphCell(m_data, m_map, other));
    // An RPM point is current by its point alone.
    EXPECT_FALSE(pickGraphCell(m_data, m_map, { EditPart::Rpm, 2, 1 }));
    // Strictly between its neighbours 30 and 90: the points keep their order.
    EXPECT_EQ(m_map.edit.lowerLimit, 31);
    EXPECT_EQ(m_map.edit.upperLimit, 89);
    EXPECT_TRUE(pickGraphCell(m_data, m_map, { EditPart::Rpm, 2, 1 }));
}

TEST_F(MapGeometryTest, ADragEndWritesOnceAndRecordsADrag)
{
    select(EditPart::Data, 1, 2);
    const MapGeometry g = geometry();
    // Far above the range: the upper limit.
    m_map.edit.dragValue = static_cast<std::uint16_t>(dragValueAt(m_map, g, 5, -50));
    EXPECT_EQ(m_map.edit.dragValue, m_map.edit.upperLimit);
    EXPECT_TRUE(finishDrag(m_data, m_map, 1024).written);
    EXPECT_EQ(m_data.read(dataCellAddress(m_map, 1, 2)), m_map.edit.upperLimit);
    EXPECT_EQ(m_map.edit.currentValue, m_map.edit.upperLimit);
    ASSERT_EQ(m_map.edit.undo.size(), 1u);
    EXPECT_EQ(m_map.edit.undo.newest()->kind, 22);
    EXPECT_EQ(m_map.edit.undo.newest()->oldValues.front(), 62);
    EXPECT_TRUE(m_data.modified);
    // Released where it started: nothing written, nothing recorded.
    EXPECT_FALSE(finishDrag(m_data, m_map, 1024).written);
    EXPECT_EQ(m_map.edit.undo.size(), 1u);

    // A cell the write refuses: the message, and the drag value back.
    m_map.edit.line = 7;
    m_map.edit.dragValue = 20;
    const DragEnd refused = finishDrag(m_data, m_map, 1024);
    EXPECT_FALSE(refused.written);
    ASSERT_TRUE(refused.refusal.has_value());
    EXPECT_EQ(refused.refusal->text, "Data error\nData is set as before editing");
    EXPECT_EQ(refused.refusal->caption, "Map Window");
    EXPECT_EQ(m_map.edit.dragValue, m_map.edit.currentValue);
}

TEST_F(MapGeometryTest, MovesWalkPointsAndLinesAndStepWithinTheLimits)
{
    select(EditPart::Data, 0, 0);
    EXPECT_EQ(mapMove(m_map, MapMode::Free, MoveCode::Left).action, MapMove::Action::None);
    EXPECT_EQ(mapMove(m_map, MapMode::Free, MoveCode::ShiftDown).line, 1);
    EXPECT_EQ(mapMove(m_map, MapMode::Free, MoveCode::ShiftEnter).action, MapMove::Action::None);
    EXPECT_EQ(mapMove(m_map, MapMode::ConfigInImage, MoveCode::ShiftEnter).action,
        MapMove::Action::SendToEcu);
    EXPECT_EQ(mapMove(m_map, MapMode::Free, MoveCode::PageUp).direction, +1);

    // Up at the upper limit does nothing; below it one step, recorded once per run.
    setData(0, 0, 240);
    select(EditPart::Data, 0, 0);
    ASSERT_EQ(m_map.edit.upperLimit, 240);
    EXPECT_FALSE(stepGraphData(m_data, m_map, 1024, +1));
    EXPECT_TRUE(m_map.edit.undo.empty());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(stepGraphData(m_data, m_map, 1024, -1));
    EXPECT_EQ(m_map.edit.currentValue, 237);
    EXPECT_EQ(m_map.edit.undo.size(), 1u);

    // RPM: Left and Right step the value (not recorded), Up and Down walk.
    select(EditPart::Rpm, 0, 1);
    EXPECT_EQ(mapMove(m_map, MapMode::Free, MoveCode::Up).point, 2);
    EXPECT_EQ(mapMove(m_map, MapMode::Free, MoveCode::Down).point, 0);
    EXPECT_EQ(mapMove(m_map, MapMode::Free, MoveCode::PageUp).action, MapMove::Action::None);
    EXPECT_EQ(mapMove(m_map, MapMode::ConfigInImage, MoveCode::Left).action,
        MapMove::Action::None);
    UndoRecord undone;
    undone.kind = 12;
    undone.addresses = { 0x8010 };
    undone.oldValues = { 7 };
    m_map.edit.redo.push(std::move(undone), 10);
    EXPECT_TRUE(stepGraphRpm(m_data, m_map, +1));
    EXPECT_EQ(m_data.read(0x8007), 61);
    EXPECT_EQ(m_map.edit.undo.size(), 1u);
    EXPECT_TRUE(m_map.edit.redo.empty()); // a Redo would overwrite the step
    m_map.kind = 2;
    m_map.edit.all = 1;
    EXPECT_EQ(mapMove(m_map, MapMode::Free, MoveCode::Left).action, MapMove::Action::None);
}

TEST_F(MapGeometryTest, StepsAndDragsStartFromTheValueInTheImage)
{
    // The current cell's byte changes behind the window (a read from the ECU,
    // another editor): a step goes on from the new byte, and Undo restores it.
    select(EditPart::Data, 1, 2);
    setData(1, 2, 100);
    ASSERT_TRUE(stepGraphData(m_data, m_map, 1024, +1));
    EXPECT_EQ(m_data.read(dataCellAddress(m_map, 1, 2)), 101);
    ASSERT_EQ(m_map.edit.undo.size(), 1u);
    EXPECT_EQ(m_map.edit.undo.newest()->oldValues.front(), 100);

    // A drag of the current point starts from the byte in the image too.
    setData(1, 2, 150);
    EXPECT_TRUE(pickGraphCell(m_data, m_map, { EditPart::Data, 1, 2 }));
    EXPECT_EQ(m_map.edit.currentValue, 150);
    EXPECT_EQ(m_map.edit.dragValue, 150);

    // RPM points moved elsewhere: the step and its limits follow the image.
    select(EditPart::Rpm, 0, 1);
    setX({ 30, 80, 85, 120 });
    ASSERT_TRUE(stepGraphRpm(m_data, m_map, +1));
    EXPECT_EQ(m_data.read(0x8007), 81);
    for (int i = 0; i < 20 && stepGraphRpm(m_data, m_map, +1); ++i) {
    }
    EXPECT_EQ(m_data.read(0x8007), 84); // short of the next point, now at 85
}

// --- palette -------------------------------------------------------------------------------

// CIE L*a*b* of an sRGB colour as seen with normal vision or, through the
// Machado et al. (2009) matrices at full severity, with a dichromacy.
using Lab = std::array<double, 3>;
Lab labOf(LineColour c, int vision)
{
    static const double kMatrices[3][3][3] = {
        { { 0.152286, 1.052583, -0.204868 }, { 0.114503, 0.786281, 0.099216 },
            { -0.003882, -0.048116, 1.051998 } }, // protanopia
        { { 0.367322, 0.860646, -0.227968 }, { 0.280085, 0.672501, 0.047413 },
            { -0.011820, 0.042940, 0.968881 } }, // deuteranopia
        { { 1.255528, -0.076749, -0.178779 }, { -0.078411, 0.930809, 0.147602 },
            { 0.004733, 0.691367, 0.303900 } }, // tritanopia
    };
    std::array<double, 3> rgb { test::linearSrgb(c.red), test::linearSrgb(c.green),
        test::linearSrgb(c.blue) };
    if (vision > 0) {
        const auto& m = kMatrices[vision - 1];
        std::array<double, 3> seen {};
        for (int i = 0; i < 3; ++i)
            seen[i] = std::clamp(m[i][0] * rgb[0] + m[i][1] * rgb[1] + m[i][2] * rgb[2], 0.0, 1.0);
        rgb = seen;
    }
    const double x = (0.4124 * rgb[0] + 0.3576 * rgb[1] + 0.1805 * rgb[2]) / 0.95047;
    const double y = 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
    const double z = (0.0193 * rgb[0] + 0.1192 * rgb[1] + 0.9505 * rgb[2]) / 1.08883;
    const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    return { 116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z)) };
}

double luminance(LineColour c)
{
    return test::relativeLuminance(c.red, c.green, c.blue);
}

TEST(LinePalette, SixteenColoursApartForEveryVisionAndReadableOnWhite)
{
    ASSERT_GE(kLinePalette.size(), 16u);
    const LineColour grid { 192, 192, 192 };
    const LineColour red { 255, 0, 0 };
    for (std::size_t i = 0; i < kLinePalette.size(); ++i) {
        // At least 3:1 against the white graph.
        EXPECT_GE(1.05 / (luminance(kLinePalette[i]) + 0.05), 3.0) << i;
        for (int vision = 0; vision < 4; ++vision) {
            const Lab a = labOf(kLinePalette[i], vision);
            for (std::size_t j = i + 1; j < kLinePalette.size(); ++j) {
                const Lab b = labOf(kLinePalette[j], vision);
                EXPECT_GE(std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]), 10.0)
                    << i << " and " << j << " for vision " << vision;
            }
            for (const LineColour other : { grid, red }) {
                const Lab b = labOf(other, vision);
                EXPECT_GE(std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]), 10.0) << i;
            }
        }
    }
    // Neighbouring lines lie next to each other: their colours differ the most,
    // also across the wrap from the last colour to the first.
    const std::size_t n = kLinePalette.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (int vision = 0; vision < 4; ++vision) {
            const Lab a = labOf(kLinePalette[i], vision);
            const Lab next = labOf(kLinePalette[(i + 1) % n], vision);
            const Lab after = labOf(kLinePalette[(i + 2) % n], vision);
            EXPECT_GE(std::hypot(a[0] - next[0], a[1] - next[1], a[2] - next[2]), 30.0)
                << i << " and the next for vision " << vision;
            EXPECT_GE(std::hypot(a[0] - after[0], a[1] - after[1], a[2] - after[2]), 20.0)
                << i << " and the one after the next for vision " << vision;
        }
    }
    EXPECT_EQ(lineColour(16).red, lineColour(0).red);
    EXPECT_EQ(lineColour(17).blue, lineColour(1).blue);
}

} // namespace
} // namespace zlm
