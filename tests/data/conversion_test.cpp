#include "data/conversion.h"

#include "base/app_settings.h"
#include "res/string_table.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace zlm {
namespace {

AxisDescriptor axis(std::string toPhysical, std::string toRaw)
{
    AxisDescriptor a;
    a.name = "RPM";
    a.toPhysical = std::move(toPhysical);
    a.toRaw = std::move(toRaw);
    return a;
}

TEST(Conversion, RawToPhysical)
{
    const auto a = axis("x*0.5", "x*2");
    const Evaluation byte = rawByteToPhysical(a, 200);
    EXPECT_EQ(byte.code, EvalCode::Ok);
    EXPECT_FLOAT_EQ(byte.value, 100.0f);
    EXPECT_FLOAT_EQ(rawWordToPhysical(a, 60000).value, 30000.0f);
    EXPECT_EQ(rawByteToPhysical(axis("x/(x-10)", ""), 10).code, EvalCode::DivisionByZero);
}

TEST(Conversion, PhysicalToRawByteRangeCodes)
{
    const RawConversion half = physicalToRawWord(axis("", "x/2"), 300.0f);
    EXPECT_EQ(half.code, EvalCode::Ok);
    EXPECT_FLOAT_EQ(half.value, 150.0f);
    EXPECT_EQ(half.raw, 150);

    const RawConversion above = physicalToRawByte(axis("", "x*2"), 200.0f);
    EXPECT_EQ(above.code, EvalCode::AboveByte);
    EXPECT_FLOAT_EQ(above.value, 400.0f);
    EXPECT_EQ(above.raw, 144); // 400 truncated, low 8 bits

    const RawConversion below = physicalToRawByte(axis("", "x-40"), 10.0f);
    EXPECT_EQ(below.code, EvalCode::BelowZero);
    EXPECT_FLOAT_EQ(below.value, -30.0f);

    const RawConversion edge = physicalToRawByte(axis("", "x"), 255.9f);
    EXPECT_EQ(edge.code, EvalCode::AboveByte); // above 255.0 even if it truncates to 255
    EXPECT_EQ(physicalToRawByte(axis("", "x"), 255.0f).code, EvalCode::Ok);
    EXPECT_EQ(physicalToRawByte(axis("", "x"), 12.7f).raw, 12);

    // A range code replaces an evaluation failure that left a value out of range.
    EXPECT_EQ(physicalToRawByte(axis("", "x*2+"), 200.0f).code, EvalCode::AboveByte);
    EXPECT_EQ(physicalToRawByte(axis("", "x*()"), 20.0f).code, EvalCode::EmptyOperand);
}

TEST(Conversion, PhysicalToRawIntegerAndWordTruncate)
{
    const auto a = axis("", "x");
    EXPECT_EQ(physicalToRawInt(a, 70000.9f).raw, 70000);
    EXPECT_EQ(physicalToRawInt(a, -3.9f).raw, -3); // toward zero
    EXPECT_EQ(physicalToRawInt(a, -3.9f).code, EvalCode::Ok);
    EXPECT_EQ(physicalToRawWord(a, 70000.0f).raw, 70000 & 0xFFFF);
    EXPECT_EQ(physicalToRawWord(a, 70000.0f).code, EvalCode::Ok);
    EXPECT_EQ(physicalToRawInt(a, 1e20f).raw, 2147483647);
    EXPECT_EQ(physicalToRawInt(a, -1e20f).raw, -2147483647 - 1);
    EXPECT_EQ(truncateToInt(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(Conversion, MessagesAndReport)
{
    EXPECT_EQ(conversionMessage(EvalCode::AboveByte), "Input Data MaxOver");
    EXPECT_EQ(conversionMessageId(EvalCode::AboveByte), 1002);
    EXPECT_EQ(conversionMessageId(EvalCode::BelowZero), 1003);
    EXPECT_EQ(conversionMessage(EvalCode::DivisionByZero), "Error /0");
    EXPECT_EQ(
        conversionMessage(EvalCode::MissingParen), "HEX to Physical expression is not correct");
    EXPECT_EQ(conversionMessage(EvalCode::EmptyOperand), "Expression has no operand");
    EXPECT_EQ(loadString(1004), "Menu\nMenu"); // the Menu command keeps its prompt

    const Message m
        = conversionReport(axis("", ""), EvalCode::DivisionByZero, "Table Window", "Data");
    EXPECT_EQ(m.caption, "Table Window[RPM]");
    EXPECT_EQ(m.text, "Data\nError /0");
    EXPECT_EQ(m.icon, Icon::Stop);
    EXPECT_EQ(m.id, 1001);
}

TEST(Conversion, LimitsDefaultToMinimumAndMaximum)
{
    AxisDescriptor a;
    a.minimum = "500";
    a.maximum = " 12000.5";
    EXPECT_FLOAT_EQ(axisMinimum(a), 500.0f);
    EXPECT_FLOAT_EQ(axisMaximum(a), 12000.5f);
    EXPECT_FLOAT_EQ(axisLowerLimit(a), 500.0f);
    EXPECT_FLOAT_EQ(axisUpperLimit(a), 12000.5f);
    a.lowerLimit = "1000";
    a.upperLimit = "-2.5";
    EXPECT_FLOAT_EQ(axisLowerLimit(a), 1000.0f);
    EXPECT_FLOAT_EQ(axisUpperLimit(a), -2.5f);
    a.maximum = "n/a";
    EXPECT_EQ(axisMaximum(a), 0.0f);
}

TEST(Conversion, DisplayFormats)
{
    EXPECT_EQ(displayFormat(1), "%.1f");
    EXPECT_EQ(displayFormat(0), "%.0f");
    EXPECT_EQ(displayFormat(-3), "%.0f");
    const DisplayFormats f = displayFormats(0, 2, 1);
    EXPECT_EQ(f.x, "%.0f");
    EXPECT_EQ(f.y, "%.2f");
    EXPECT_EQ(f.z, "%.1f");
    EXPECT_EQ(formatX(f, 1234.6f), "1235");
    EXPECT_EQ(formatY(f, 1.005f), "1.00");
    EXPECT_EQ(formatZ(f, 12.25f), "12.2");
    EXPECT_EQ(formatValue("%f rpm", 1.5f), "1.500000 rpm");
    // Anything but one "%f" conversion is not passed to the formatter.
    EXPECT_EQ(formatValue("%s", 2.0f), "2.0");
    EXPECT_EQ(formatValue("%.1f%n", 2.0f), "2.0");
    EXPECT_EQ(formatValue("%.1f %.1f", 2.0f), "2.0");
    EXPECT_LE(formatValue("%.30f", 3e38f).size(), 255u);
}

class AllowedRange : public ::testing::Test {
protected:
    void SetUp() override
    {
        image->fill(0);
        map.kind = 1;
        map.z.count = 3;
        map.z.address = 0x100;
        map.x.count = 3;
        map.x.address = 0x110;
        map.y.toRaw = "x";
        map.y.minimum = "0";
        map.y.maximum = "300";
        setBytes(0x100, { 10, 20, 30 });
        setBytes(0x110, { 10, 20, 30 });
    }
    void setBytes(std::uint16_t at, std::initializer_list<std::uint8_t> bytes)
    {
        for (const auto b : bytes)
            (*image)[at++] = b;
    }
    RawRange compute() { return computeAllowedRange(map, *image); }

    std::unique_ptr<std::array<std::uint8_t, 65536>> image
        = std::make_unique<std::array<std::uint8_t, 65536>>();
    MapDefinition map;
};

TEST_F(AllowedRange, DataCellCappedByWidth)
{
    map.edit.part = EditPart::Data;
    EXPECT_EQ(compute(), (RawRange { 0, 255 }));
    EXPECT_EQ(map.edit.upperLimit, 255);
    EXPECT_EQ(map.edit.lowerLimit, 0);
    map.y.width = 2;
    EXPECT_EQ(compute(), (RawRange { 0, 300 }));
}

TEST_F(AllowedRange, DataCellUsesTighterEditLimits)
{
    map.edit.part = EditPart::Data;
    map.y.toRaw = "x*2";
    map.y.width = 2;
    map.y.minimum = "5";
    map.y.lowerLimit = "10";
    map.y.upperLimit = "100";
    EXPECT_EQ(compute(), (RawRange { 20, 200 }));
    map.y.lowerLimit = "1";
    map.y.upperLimit = "1000";
    EXPECT_EQ(compute(), (RawRange { 10, 600 }));
}

TEST_F(AllowedRange, FailedDataConversionsFallBackToFullRange)
{
    map.edit.part = EditPart::Data;
    map.y.width = 2;
    map.y.toRaw = "x/(x-x)";
    EXPECT_EQ(compute(), (RawRange { 0, 65535 }));
}

TEST_F(AllowedRange, XPointStrictlyBetweenNeighbours)
{
    map.edit.part = EditPart::Rpm;
    map.edit.point = 1;
    EXPECT_EQ(compute(), (RawRange { 11, 29 }));
    map.edit.point = 0;
    EXPECT_EQ(compute(), (RawRange { 0, 19 }));
    map.edit.point = 2;
    EXPECT_EQ(compute(), (RawRange { 21, 255 }));
    map.x.count = 1;
    map.edit.point = 0;
    EXPECT_EQ(compute(), (RawRange { 0, 255 }));
}

TEST_F(AllowedRange, XPointOfKindTwoUsesItsRowsAxis)
{
    map.kind = 2;
    setBytes(0x110, { 10, 20, 30, 40, 50, 60 });
    map.edit.part = EditPart::Rpm;
    map.edit.line = 1;
    map.edit.point = 1;
    EXPECT_EQ(compute(), (RawRange { 41, 59 }));
}

TEST_F(AllowedRange, WordXPointsAreBigEndian)
{
    map.x.width = 2;
    setBytes(0x110, { 0x01, 0x00, 0x02, 0x00, 0x03, 0x00 });
    map.edit.part = EditPart::Rpm;
    map.edit.point = 2;
    EXPECT_EQ(compute(), (RawRange { 0x201, 65535 }));
}

TEST_F(AllowedRange, ZPointStrictlyBetweenNeighbours)
{
    map.edit.part = EditPart::Throt;
    map.edit.line = map.edit.point = 0;
    EXPECT_EQ(compute(), (RawRange { 0, 19 }));
    map.edit.line = map.edit.point = 1;
    EXPECT_EQ(compute(), (RawRange { 11, 29 }));
    map.edit.line = map.edit.point = 2;
    EXPECT_EQ(compute(), (RawRange { 21, 255 }));
    map.z.width = 2;
    setBytes(0x100, { 0x00, 0x10, 0x00, 0x20, 0x00, 0x30 });
    EXPECT_EQ(compute(), (RawRange { 0x21, 65535 }));
}

TEST_F(AllowedRange, AxisAtTopOfImageWrapsInsteadOfOverrunning)
{
    map.edit.part = EditPart::Rpm;
    map.x.address = 0xFFFF;
    map.x.width = 2;
    map.edit.point = 1;
    (*image)[0xFFFF] = 0x12;
    (*image)[0x0000] = 0x34;
    (*image)[0x0003] = 0x56; // point 2 at 0xFFFF + 4
    (*image)[0x0004] = 0x78;
    EXPECT_EQ(compute(), (RawRange { 0x1235, 0x5677 }));
}

} // namespace
} // namespace zlm
