#include "data/constant_value.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace zlm {
namespace {

ConstantScaling scaling(int size, float lsb, float offset, int calc)
{
    return ConstantScaling { size, lsb, offset, calc };
}

std::string exportText(const ConstantScaling& s, std::uint32_t raw)
{
    return constantExportText(constantPhysical(s, raw, ConstantRules::Export));
}

TEST(ConstantValue, RawByteOrBigEndianWord)
{
    auto image = std::make_unique<std::array<std::uint8_t, 65536>>();
    (*image)[0x4000] = 0x12;
    (*image)[0x4001] = 0x34;
    (*image)[0xFFFF] = 0xAB;
    (*image)[0x0000] = 0xCD;
    EXPECT_EQ(constantRaw(*image, 0x4000, 1), 0x12u);
    EXPECT_EQ(constantRaw(*image, 0x4000, 2), 0x1234u);
    EXPECT_EQ(constantRaw(*image, 0xFFFF, 2), 0xABCDu); // wraps inside the image
    EXPECT_EQ(constantRaw(*image, 0x4000, 3), 0x12u); // not "2": a byte
}

TEST(ConstantValue, ExportExamples)
{
    EXPECT_EQ(exportText(scaling(1, 0.5f, 0.0f, 0), 0x20), "16");
    EXPECT_EQ(constantExportText(12.5f), "12.500000");
    EXPECT_EQ(constantExportText(0.25f), "0.2500000");
    EXPECT_EQ(exportText(scaling(1, 1.0f, 1.0f, 2), 0), "1000000");
}

TEST(ConstantValue, ExportTextLengthRule)
{
    EXPECT_EQ(constantExportText(-3.0f), "-3");
    EXPECT_EQ(constantExportText(-12.5f), "-12.50000"); // sign counts
    EXPECT_EQ(constantExportText(1666.6666f), "1666.6666");
    EXPECT_EQ(constantExportText(0.000001f), "0.0000010");
    EXPECT_EQ(constantExportText(-1234567.25f), "-1234567.25");
    EXPECT_EQ(constantExportText(123456789.0f), "123456792");
    EXPECT_EQ(constantExportText(0.0f), "0");
}

TEST(ConstantValue, LinearAndReciprocal)
{
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(1, 0.1f, -40.0f, 1), 200, ConstantRules::Export), -20.0f);
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(2, 2.0f, 5.0f, 7), 1000, ConstantRules::Export), 2005.0f);
    // offset x 1,000,000 / (raw x lsb x 6)
    EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 1.0f, 1.0f, 2), 100, ConstantRules::Export),
        1000000.0f / 600.0f);
    EXPECT_EQ(exportText(scaling(2, 1.0f, 1.0f, 2), 100), "1666.6666");
    // A zero factor would divide by zero: the raw-0 value stands in.
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(2, 0.0f, 2.0f, 2), 100, ConstantRules::Editor), 2000000.0f);
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(2, 0.0f, 2.0f, 2), 100, ConstantRules::Export), 2000000.0f);
}

TEST(ConstantValue, SignedRuleSameForExportAndEditor)
{
    for (const auto rules : { ConstantRules::Export, ConstantRules::Editor }) {
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 1.0f, 0.0f, 3), 0xFF, rules), -1.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 1.0f, 0.0f, 3), 0x80, rules), -128.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 1.0f, 0.0f, 3), 0x7F, rules), 127.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 0.5f, 2.0f, 3), 0xFE, rules), -3.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 0.5f, 2.0f, 3), 0x02, rules), 3.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 0.5f, 2.0f, 3), 0xFFFE, rules), -3.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 1.0f, 0.0f, 3), 0x8000, rules), -32768.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 1.0f, 0.0f, 3), 0x7FFF, rules), 32767.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 1.0f, 0.0f, 3), 0x00FF, rules), 255.0f);
    }
    EXPECT_EQ(exportText(scaling(1, 1.0f, 0.0f, 3), 0xFF), "-1");
}

TEST(ConstantValue, CalcFourOnlyInTheEditor)
{
    const auto s = scaling(2, 1.0f, 0.0f, 4);
    EXPECT_FLOAT_EQ(constantPhysical(s, 932, ConstantRules::Export), 932.0f);
    EXPECT_FLOAT_EQ(constantPhysical(s, 932, ConstantRules::Editor),
        static_cast<float>(10000.0 - 14506.769825918762));
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(2, 1.0f, -2068.0f, 4), 0, ConstantRules::Editor), 29985494.0f);
}

TEST(ConstantValue, PhysicalToRawLimitsAndRounds)
{
    const auto byte = scaling(1, 1.0f, 0.0f, 1);
    EXPECT_EQ(constantToRaw(byte, 300.0f), 255u);
    EXPECT_EQ(constantToRaw(byte, -5.0f), 0u);
    EXPECT_EQ(constantToRaw(byte, 2.5f), 2u); // "%.0f" rounds ties to even
    EXPECT_EQ(constantToRaw(byte, 3.5f), 4u);
    EXPECT_EQ(constantToRaw(scaling(2, 0.1f, -40.0f, 1), 60.0f), 1000u);
    EXPECT_EQ(constantToRaw(scaling(2, 1.0f, 0.0f, 1), 70000.0f), 65535u);
    EXPECT_EQ(constantToRaw(scaling(1, 0.0f, 0.0f, 1), 0.0f), 0u); // 0/0 is not a value
    // Calc 2 never gives raw 0.
    EXPECT_EQ(constantToRaw(scaling(2, 1.0f, 1.0f, 2), 1e9f), 1u);
    EXPECT_EQ(constantToRaw(scaling(2, 1.0f, 1.0f, 2), 1000000.0f / 600.0f), 100u);
    // Calc 3: positive values invert the linear part, negative ones the signed part.
    EXPECT_DOUBLE_EQ(constantRawEstimate(scaling(1, 0.5f, 2.0f, 3), -3.0f), -2.0);
    EXPECT_EQ(constantToRaw(scaling(1, 0.5f, 2.0f, 3), 3.0f), 2u);
    // Calc 4 round trip.
    const auto rec = scaling(2, 1.0f, 0.0f, 4);
    const float v = constantPhysical(rec, 932, ConstantRules::Editor);
    EXPECT_EQ(constantToRaw(rec, v), 932u);
}

TEST(ConstantValue, EditorTextTwoDecimals)
{
    EXPECT_EQ(constantEditorText(12.0f), "12");
    EXPECT_EQ(constantEditorText(-3.0f), "-3");
    EXPECT_EQ(constantEditorText(12.345f), "12.35"); // half up at the third decimal
    EXPECT_EQ(constantEditorText(12.344f), "12.34");
    EXPECT_EQ(constantEditorText(0.29f), "0.29");
    EXPECT_EQ(constantEditorText(-1.236f), "-1.23"); // negative values are cut toward zero
    EXPECT_EQ(constantEditorText(-1.234f), "-1.23");
    EXPECT_EQ(constantEditorText(0.5f), "0.50");
    EXPECT_EQ(constantEditorText(1666.6666f), "1666.67");
}

} // namespace
} // namespace zlm
