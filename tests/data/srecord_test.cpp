#include "data/srecord.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zlm::srec {
namespace {

TEST(SRecordEncode, SixteenZeroBytesAtZero)
{
    const std::vector<std::uint8_t> zeros(16, 0);
    EXPECT_EQ(encodeS1(0x0000, zeros), "S1130000" + std::string(32, '0') + "EC");
}

TEST(SRecordEncode, ChecksumCoversCountAddressAndData)
{
    const std::vector<std::uint8_t> data { 0x01, 0x02, 0xFF };
    // 06 + 12 + 34 + 01 + 02 + FF = 0x14E -> low 8 bits 0x4E -> ones' complement 0xB1
    EXPECT_EQ(encodeS1(0x1234, data), "S10612340102FFB1");
    EXPECT_EQ(checksum(0x06, 0x1234, data), 0xB1);
    EXPECT_EQ(encodeS1(0xABCD, std::vector<std::uint8_t> { 0xab }), "S104ABCDABD8");
}

TEST(SRecordEncode, RangeSplitsIntoSixteenByteRecords)
{
    std::vector<std::uint8_t> bytes(33);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t { 0 });
    const auto lines = encodeRange(0x8000, bytes, 0x8020);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 8), "S1138000");
    EXPECT_EQ(lines[1].substr(0, 8), "S1138010");
    EXPECT_EQ(lines[2], "S1048020203B"); // 04+80+20+20 = C4 -> 3B
    EXPECT_EQ(lines[3], "S9030000FC");
}

TEST(SRecordEncode, EmptyOrShortRanges)
{
    EXPECT_EQ(encodeRange(5, {}, 4), std::vector<std::string> { "S9030000FC" });
    const std::vector<std::uint8_t> one { 0x7F };
    EXPECT_EQ(encodeRange(0xFFFF, one, 0xFFFF),
        (std::vector<std::string> { "S104FFFF7F7E", "S9030000FC" }));
    // A buffer shorter than the range: only what it holds is encoded.
    EXPECT_EQ(encodeRange(0, one, 100).size(), 2u);
}

TEST(SRecordDecode, RoundTripInEitherCase)
{
    std::vector<std::uint8_t> data { 0xDE, 0xAD, 0xBE, 0xEF };
    const std::string line = encodeS1(0xC000, data);
    S1Record r;
    ASSERT_EQ(decodeS1(line, r), DecodeError::None);
    EXPECT_EQ(r.address, 0xC000);
    EXPECT_EQ(r.count, 7);
    EXPECT_EQ(r.data, data);
    EXPECT_TRUE(r.checksumOk);
    EXPECT_TRUE(r.exactLength);

    std::string lower = line;
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    lower[0] = 'S';
    ASSERT_EQ(decodeS1(lower, r), DecodeError::None);
    EXPECT_EQ(r.data, data);
}

TEST(SRecordDecode, ReportsChecksumWithoutRefusing)
{
    S1Record r;
    ASSERT_EQ(decodeS1("S1041000AB00", r), DecodeError::None);
    EXPECT_FALSE(r.checksumOk);
    EXPECT_EQ(r.data, std::vector<std::uint8_t> { 0xAB });
}

TEST(SRecordDecode, CountThreeHasNoData)
{
    S1Record r;
    ASSERT_EQ(decodeS1("S1031234B6", r), DecodeError::None);
    EXPECT_EQ(r.address, 0x1234);
    EXPECT_TRUE(r.data.empty());
    EXPECT_TRUE(r.checksumOk);
}

TEST(SRecordDecode, RefusesMalformedLines)
{
    S1Record r;
    EXPECT_EQ(decodeS1("S10300", r), DecodeError::NotS1);
    EXPECT_EQ(decodeS1("S2031234B6", r), DecodeError::NotS1);
    EXPECT_EQ(decodeS1("S1031234B6F", r), DecodeError::OddLength);
    EXPECT_EQ(decodeS1("S103123GB6", r), DecodeError::BadDigit);
    EXPECT_EQ(decodeS1("S1031234 B", r), DecodeError::BadDigit);
    // count 0x13 claims 20 bytes, the line holds 5
    EXPECT_EQ(decodeS1("S1131234B6", r), DecodeError::CountTooLarge);
    // two data bytes from 0xFFFF would reach 0x10000
    EXPECT_EQ(decodeS1("S105FFFF0102F9", r), DecodeError::PastEnd);
    EXPECT_EQ(decodeS1("S104FFFF01FC", r), DecodeError::None);
}

TEST(SRecordDecode, LongerLineThanCountKeepsCountBytes)
{
    S1Record r;
    ASSERT_EQ(decodeS1("S104100011EA2233", r), DecodeError::None);
    EXPECT_EQ(r.data, std::vector<std::uint8_t> { 0x11 });
    EXPECT_FALSE(r.exactLength);
}

} // namespace
} // namespace zlm::srec
