#include "data/calib.h"
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
    return constantExportText(constantPhysical(s, raw));
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
        constantPhysical(scaling(1, 0.1f, -40.0f, 1), 200), -20.0f);
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(2, 2.0f, 5.0f, 7), 1000), 2005.0f);
    // offset x 1,000,000 / (raw x lsb x 6)
    EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 1.0f, 1.0f, 2), 100),
        1000000.0f / 600.0f);
    EXPECT_EQ(exportText(scaling(2, 1.0f, 1.0f, 2), 100), "1666.6666");
    // A zero factor would divide by zero: the raw-0 value stands in.
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(2, 0.0f, 2.0f, 2), 100), 2000000.0f);
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(2, 0.0f, 2.0f, 2), 100), 2000000.0f);
}

TEST(ConstantValue, SignedRule)
{
    {
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 1.0f, 0.0f, 3), 0xFF), -1.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 1.0f, 0.0f, 3), 0x80), -128.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 1.0f, 0.0f, 3), 0x7F), 127.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 0.5f, 2.0f, 3), 0xFE), -3.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(1, 0.5f, 2.0f, 3), 0x02), 3.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 0.5f, 2.0f, 3), 0xFFFE), -3.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 1.0f, 0.0f, 3), 0x8000), -32768.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 1.0f, 0.0f, 3), 0x7FFF), 32767.0f);
        EXPECT_FLOAT_EQ(constantPhysical(scaling(2, 1.0f, 0.0f, 3), 0x00FF), 255.0f);
    }
    EXPECT_EQ(exportText(scaling(1, 1.0f, 0.0f, 3), 0xFF), "-1");
}

TEST(ConstantValue, CalcFourCurveInExportAndEditor)
{
    // The export shows what the editor shows: the curve, not the linear value.
    const auto s = scaling(2, 1.0f, 0.0f, 4);
    EXPECT_FLOAT_EQ(constantPhysical(s, 932), static_cast<float>(10000.0 - 14506.769825918762));
    EXPECT_EQ(exportText(s, 932), constantExportText(constantPhysical(s, 932)));
    EXPECT_NE(exportText(s, 932), "932");
    EXPECT_FLOAT_EQ(
        constantPhysical(scaling(2, 1.0f, -2068.0f, 4), 0), 29985494.0f);
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
    const float v = constantPhysical(rec, 932);
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


// --- constants list rules ------------------------------------------------------------

ConstantRow rowOf(const std::string& line)
{
    const auto rows = constantRows(LineList::fromText("[Calib]\n" + line + "\n"));
    return rows.empty() ? ConstantRow {} : rows.front();
}

TEST(ConstantsList, RowsNeedSixFieldsHexAddressAndDecimalSize)
{
    const auto rows = constantRows(LineList::fromText("[Calib]\n"
                                                      "8000,1,Five,1,0\n"
                                                      "8001,1,Six,0.5,1,ms\n"
                                                      "80G2,1,Bad address,1,0,u,0\n"
                                                      "8003,x,Bad size,1,0,u,0\n"
                                                      "8004,2,Locked,1,0,u,3,1,-5,5\n"
                                                      "FFFE,2,Last word,1,0,u,0\n"
                                                      "FFFF,1,Last byte,1,0,u,0\n"
                                                      "FFFF,2,Word past the end,1,0,u,0\n"
                                                      "[Diag.Com]\n"
                                                      "8005,1,Other section,1,0,u,0\n"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].contents, "Six");
    EXPECT_EQ(rows[0].scaling.calc, 1); // no Calc: linear
    EXPECT_FALSE(rows[0].readOnly);
    EXPECT_FALSE(rows[0].lower.has_value());
    EXPECT_EQ(rows[1].contents, "Locked");
    EXPECT_TRUE(rows[1].readOnly);
    EXPECT_FLOAT_EQ(*rows[1].lower, -5.0f);
    EXPECT_FLOAT_EQ(*rows[1].upper, 5.0f);
    EXPECT_EQ(rows[2].address, 0xFFFE);
    EXPECT_EQ(rows[3].address, 0xFFFF);
    EXPECT_EQ(rowAddressText(rows[3]), "FFFF");
}

TEST(ConstantsList, WordAndByteAtTheTopOfTheImage)
{
    auto image = std::make_unique<std::array<std::uint8_t, 65536>>();
    const auto word = rowOf("FFFE,2,W,1,0,u,0");
    const auto byte = rowOf("FFFF,1,B,1,0,u,0");
    storeRowRaw(word, 0x1234, *image);
    EXPECT_EQ((*image)[0xFFFE], 0x12);
    EXPECT_EQ((*image)[0xFFFF], 0x34);
    storeRowRaw(byte, 0xAB, *image);
    EXPECT_EQ(rowRaw(byte, *image), 0xABu);
    EXPECT_EQ(rowRawText(word, rowRaw(word, *image)), "12AB");
    EXPECT_EQ((*image)[0x0000], 0); // nothing wrapped
}

TEST(ConstantsList, ValueTextCharacterRule)
{
    const auto row = rowOf("8000,1,C,0.5,0,u,0");
    EXPECT_EQ(commitValueText(row, "1-2").message->id, 1506);
    EXPECT_FALSE(commitValueText(row, "1-2").stored);
    EXPECT_FALSE(commitValueText(row, "12a").stored);
    EXPECT_FALSE(commitValueText(row, " 12").stored);
    EXPECT_EQ(commitValueText(row, "+12.5").raw, 25u);
    EXPECT_EQ(commitValueText(row, "1.2.3").raw, 2u); // read as 1.2, 2.4 rounds to 2
    const auto commit = commitValueText(row, "1-2");
    EXPECT_EQ(commit.message->caption, "Edit Constants list Data");
    EXPECT_EQ(commit.message->icon, Icon::Exclamation);
    const auto signedRow = rowOf("8000,1,S,0.5,0,u,3");
    EXPECT_EQ(commitValueText(signedRow, "-12.5").raw, 0xE7u); // -25
    EXPECT_FALSE(commitValueText(signedRow, "-12.5").clamped);
}

TEST(ConstantsList, LinearClampSilentWithoutLimitsAndWithMessageWithBoth)
{
    const auto free = rowOf("8000,1,C,1,0,u,0");
    auto commit = commitValueText(free, "300");
    EXPECT_TRUE(commit.stored);
    EXPECT_TRUE(commit.clamped);
    EXPECT_EQ(commit.raw, 255u);
    EXPECT_FALSE(commit.message);

    const auto limited = rowOf("8000,1,C,1,0,u,0,0,0,200");
    commit = commitValueText(limited, "300");
    EXPECT_EQ(commit.raw, 200u);
    ASSERT_TRUE(commit.message);
    EXPECT_EQ(commit.message->id, 1525);
    EXPECT_EQ(commit.message->text,
        "Input Data Range Over:300.00 \n (0.00<=Data<=200.00)\n set 200.00");

    // One limit only: clamped to it, silently.
    commit = commitValueText(rowOf("8000,1,C,1,0,u,0,0,50"), "20");
    EXPECT_EQ(commit.raw, 50u);
    EXPECT_FALSE(commit.message);
    // Rounding that leaves the range steps back in: 0.3 steps, limit 1.0.
    commit = commitValueText(rowOf("8000,1,C,0.3,0,u,0,0,1,2"), "0");
    EXPECT_EQ(commit.raw, 4u); // 3 x 0.3 = 0.9 is below 1.0
    commit = commitValueText(rowOf("8000,1,C,0.3,0,u,0,0,1,2"), "5");
    EXPECT_EQ(commit.raw, 6u); // 7 x 0.3 = 2.1 is above 2.0
}

TEST(ConstantsList, ReciprocalTypesClampTheOtherWay)
{
    // Calc 2: 1,000,000 x 360 / (raw x 4 x 6), raw 1..65535.
    const auto rev = rowOf("8504,2,Launch,4,360,rpm,2,0,3000,11000");
    auto commit = commitValueText(rev, "20000");
    EXPECT_EQ(commit.message->id, 1525);
    EXPECT_LE(constantPhysical(rev.scaling, commit.raw), 11000.0f);
    EXPECT_GT(constantPhysical(rev.scaling, commit.raw - 1), 11000.0f);
    commit = commitValueText(rev, "100");
    EXPECT_GE(constantPhysical(rev.scaling, commit.raw), 3000.0f);
    EXPECT_LT(constantPhysical(rev.scaling, commit.raw + 1), 3000.0f);
    // No limits: never raw 0.
    commit = commitValueText(rowOf("8000,1,P,1,1,rpm,2"), "99999999");
    EXPECT_EQ(commit.raw, 1u);
    EXPECT_FALSE(commit.message);
    // Calc 4 round trip inside its range.
    const auto curve = rowOf("8000,2,K,1,0,u,4");
    EXPECT_EQ(commitValueText(curve, rowValueText(curve, 932)).raw, 932u);
}

TEST(ConstantsList, SignedNegativeInputOutsideItsRangeStaysNegative)
{
    // 0.5 deg steps, limits -10..10: negative range [-10, -0.5], positive [0, 10].
    const auto ign = rowOf("850B,1,Ign Offset,0.5,0,deg,3,0,-10,10");
    auto commit = commitValueText(ign, "-20");
    EXPECT_TRUE(commit.stored);
    EXPECT_EQ(commit.raw, 0xECu); // -20 x 0.5 = -10
    EXPECT_FLOAT_EQ(constantPhysical(ign.scaling, commit.raw), -10.0f);
    ASSERT_TRUE(commit.message);
    EXPECT_EQ(commit.message->id, 1531);
    EXPECT_EQ(commit.message->text, "Input Data Range Over:-20.00 \n(-10.00<=Data<=-0.50)\n"
                                    "(0.00<=Data<=10.00)\n set -10.00");
    commit = commitValueText(ign, "30");
    EXPECT_EQ(commit.raw, 20u);
    EXPECT_EQ(commit.message->id, 1531);
    // Without limits the negative range of a byte ends at -128 steps.
    commit = commitValueText(rowOf("8000,1,S,1,0,u,3"), "-300");
    EXPECT_EQ(commit.raw, 0x80u);
    EXPECT_FALSE(commit.message);
    commit = commitValueText(rowOf("8000,2,S,1,0,u,3"), "-5");
    EXPECT_EQ(commit.raw, 0xFFFBu);
}

TEST(ConstantsList, RawTextRules)
{
    const auto byte = rowOf("8000,1,C,1,0,u,0");
    EXPECT_EQ(commitRawText(byte, "").raw, 0u);
    EXPECT_TRUE(commitRawText(byte, "").stored);
    EXPECT_EQ(commitRawText(byte, "fe").raw, 0xFEu);
    EXPECT_EQ(commitRawText(byte, "1G").message->id, 1506);
    EXPECT_EQ(commitRawText(byte, "100").message->id, 1002);
    EXPECT_EQ(commitRawText(rowOf("8000,2,C,1,0,u,0"), "10000").message->id, 1006);
    EXPECT_EQ(commitRawText(rowOf("8000,2,C,1,1,u,2"), "0").message->id, 1007);
    EXPECT_EQ(commitRawText(rowOf("8000,2,C,1,1,u,2"), "0001").raw, 1u);
}

TEST(ConstantsList, PageStepsFollowThePhysicalValue)
{
    const auto rev = rowOf("8000,2,P,1,1,rpm,2");
    EXPECT_EQ(stepRaw(rev, 100, true), 99u); // Page Up: a larger speed
    EXPECT_EQ(stepRaw(rev, 100, false), 101u);
    EXPECT_FALSE(stepRaw(rev, 0, true));
    EXPECT_FALSE(stepRaw(rev, 0xFFFF, false));
    const auto lin = rowOf("8000,1,L,1,0,u,0");
    EXPECT_EQ(stepRaw(lin, 0xFE, true), 0xFFu);
    EXPECT_FALSE(stepRaw(lin, 0xFF, true));
    EXPECT_FALSE(stepRaw(lin, 0, false));
    // Signed values step through zero and stop at their ends.
    const auto sig = rowOf("8000,1,S,1,0,u,3");
    EXPECT_EQ(stepRaw(sig, 0x00, false), 0xFFu);
    EXPECT_EQ(stepRaw(sig, 0xFF, true), 0x00u);
    EXPECT_FALSE(stepRaw(sig, 0x7F, true));
    EXPECT_FALSE(stepRaw(sig, 0x80, false));
}

} // namespace
} // namespace zlm
