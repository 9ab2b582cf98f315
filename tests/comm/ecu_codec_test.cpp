// The image encoder and the two decoders of an image read.
#include "comm/ecu_protocol.h"

#include <gtest/gtest.h>
#include <numeric>

namespace zlm {
namespace {

std::string joined(const std::vector<std::string>& records)
{
    return std::accumulate(records.begin(), records.end(), std::string());
}

std::vector<std::uint8_t> ramp(std::size_t n, std::uint8_t first = 0)
{
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

TEST(EncodeImage, TwentyBytesGiveTwoRecordsAndTheEndRecord)
{
    const auto bytes = ramp(20, 0x10);
    const auto records = encodeImage(0x8000, bytes);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].substr(0, 8), "S1138000");
    EXPECT_EQ(records[0].size(), 8u + 32 + 2);
    EXPECT_EQ(records[1].substr(0, 8), "S1078010");
    EXPECT_EQ(records[1].size(), 8u + 8 + 2);
    EXPECT_EQ(records[2], "S9030000FC");
}

TEST(EncodeImage, TwoBytesGiveTheDocumentedRecord)
{
    const std::uint8_t bytes[] = { 0x01, 0x02 };
    EXPECT_EQ(joined(encodeImage(0x8000, bytes)), "S1058000010277S9030000FC");
}

TEST(EncodeImage, FirstRecordStartsAtTheImageStartNotABoundary)
{
    const auto records = encodeImage(0x8005, ramp(17));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].substr(0, 8), "S1138005");
    EXPECT_EQ(records[1].substr(0, 8), "S1048015");
}

TEST(EncodeImage, ImageEndingAtTheTopOfMemoryAndPastIt)
{
    EXPECT_EQ(encodeImage(0xFFF0, ramp(16)).size(), 2u);
    EXPECT_TRUE(encodeImage(0xFFF0, ramp(17)).empty());
}

TEST(DecodeStrict, DocumentedStreamGivesStartAndLength)
{
    const auto image = decodeStrict("S1058000010277S9030000FC");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->start, 0x8000);
    EXPECT_EQ(image->bytes, (std::vector<std::uint8_t> { 1, 2 }));
    EXPECT_TRUE(image->checksumOk);
}

TEST(DecodeStrict, RoundTripsTheEncoderAcrossManyRecords)
{
    const auto bytes = ramp(1000, 7);
    const auto image = decodeStrict(joined(encodeImage(0x1234, bytes)));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->start, 0x1234);
    EXPECT_EQ(image->bytes, bytes);
}

TEST(DecodeStrict, LowerCaseDigitsAndLeadingNoiseAreAccepted)
{
    auto image = decodeStrict("s1058000010277S9030000FC");
    // The first byte opens a record whatever it is: "s1..." is noise here.
    EXPECT_FALSE(image);
    image = decodeStrict("\x01*~S105800001027 7S9030000FC");
    EXPECT_FALSE(image); // a blank is not a digit
    image = decodeStrict("\x01*~S1058000abcd02S9030000FC");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bytes, (std::vector<std::uint8_t> { 0xAB, 0xCD }));
}

TEST(DecodeStrict, ChecksumMismatchIsReportedNotRefused)
{
    const auto image = decodeStrict("S1058000010278S9030000FC");
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->checksumOk);
    EXPECT_EQ(image->bytes.size(), 2u);
}

TEST(DecodeStrict, RefusesMalformedStreams)
{
    EXPECT_FALSE(decodeStrict(""));
    EXPECT_FALSE(decodeStrict("S1058000010277")); // no end record
    EXPECT_FALSE(decodeStrict("S10580000102771S9030000FC")); // odd length
    EXPECT_FALSE(decodeStrict("S1058000010G77S9030000FC")); // bad digit
    EXPECT_FALSE(decodeStrict("S1058000010277S2S9030000FC")); // junk after a record
    EXPECT_FALSE(decodeStrict("S9030000FC")); // no data at all
    EXPECT_FALSE(decodeStrict("S1038000FCS9030000FC")); // count 3: no byte
}

TEST(DecodeStrict, ImageWhoseLastByteIsAtTheTopOfMemoryIsValid)
{
    const auto bytes = ramp(16, 0xA0);
    const auto image = decodeStrict(joined(encodeImage(0xFFF0, bytes)));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->start, 0xFFF0);
    EXPECT_EQ(image->bytes, bytes);
    EXPECT_EQ(image->end(), 0x10000u);

    const std::uint8_t one[] = { 0x5A };
    const auto single = decodeStrict(joined(encodeImage(0xFFFF, one)));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->start, 0xFFFF);
    EXPECT_EQ(single->bytes.size(), 1u);
}

TEST(DecodeStrict, DataRunningPastTheTopOfMemoryIsRefused)
{
    // Count 0x05 at 0xFFFF: two data bytes, the second beyond 0xFFFF.
    EXPECT_FALSE(decodeStrict("S105FFFF0102FAS9030000FC"));
}

TEST(DecodeStrict, CountClaimingMoreThanTheRecordCarriesIsRefused)
{
    // Count 0x13 (16 data bytes) but only two arrived before the next record.
    EXPECT_FALSE(decodeStrict("S11380000102FFS1058002010275S9030000FC"));
}

TEST(DecodeStrict, OverlappingRecordsLaterWinsAndGapsAreZero)
{
    const auto image = decodeStrict("S1058000010277S1048003AA4EFS1048001BB3FS9030000FC");
    // Third record has odd length: refused as a whole.
    EXPECT_FALSE(image);
    const auto ok = decodeStrict("S1058000010277S1048004AA4CS1048001BB3FS9030000FC");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->bytes, (std::vector<std::uint8_t> { 0x01, 0xBB, 0x00, 0x00, 0xAA }));
}

TEST(DecodeLenient, ReadBrokenOffInsideARecordGivesItsErrorAddress)
{
    // One whole record at 0x8000, then S1138010 and three data bytes.
    std::string text = joined(encodeImage(0x8000, ramp(32)));
    text = text.substr(0, 42) + text.substr(42, 8 + 6);
    const auto image = decodeLenient(text);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->start, 0x8000);
    EXPECT_EQ(image->end(), 0x8013u);
    EXPECT_EQ(image->bytes, ramp(0x13));
}

TEST(DecodeLenient, WholeLastRecordReachesItsLastDataAddress)
{
    const auto image = decodeLenient("S1058000010277");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->start, 0x8000);
    EXPECT_EQ(image->end(), 0x8001u);
    EXPECT_EQ(image->bytes, std::vector<std::uint8_t> { 1 });
}

TEST(DecodeLenient, StopsAtTheFirstRecordThatIsNotS1)
{
    const auto image = decodeLenient("S1058000010277S9030000FCS1058010010267");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->end(), 0x8001u);
}

TEST(DecodeLenient, NothingUsable)
{
    EXPECT_FALSE(decodeLenient(""));
    EXPECT_FALSE(decodeLenient("S11380")); // too short to place a byte
    EXPECT_FALSE(decodeLenient("S1058000010G77")); // bad digit
    EXPECT_FALSE(decodeLenient("xyzS1058000010277")); // first record is not S1
    EXPECT_FALSE(decodeLenient("S1048000")); // shorter than 9 characters
}

TEST(DecodeLenient, CountClaimingMoreThanTheRecordCarriesIsCut)
{
    // Count 0xFF but only two data bytes followed: never read past them.
    const auto image = decodeLenient("S1FF80000102S1");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->start, 0x8000);
    EXPECT_EQ(image->bytes, (std::vector<std::uint8_t> { 1, 2 }));
}

TEST(DecodeLenient, ImageIsCutAtTheTopOfMemory)
{
    // A cut record near the top whose reach would pass 0xFFFF.
    const auto image = decodeLenient("S113FFFE010203");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->start, 0xFFFE);
    EXPECT_EQ(image->end(), 0x10000u);
    EXPECT_EQ(image->bytes, (std::vector<std::uint8_t> { 1, 2 }));
}

TEST(ErrorMessageFor, FirstMatchingLineOfTheSection)
{
    const LineList lines = LineList::fromText("[Error Message]\n"
                                              "; codes\n"
                                              "0\n"
                                              "1,  Write complete  \n"
                                              "1,second\n"
                                              "2;no comma\n"
                                              "[Other]\n"
                                              "3,after the section\n");
    EXPECT_EQ(errorMessageFor(lines, '1'), "Write complete");
    EXPECT_FALSE(errorMessageFor(lines, '0'));
    EXPECT_FALSE(errorMessageFor(lines, '2'));
    EXPECT_FALSE(errorMessageFor(lines, '3'));
    EXPECT_FALSE(errorMessageFor(LineList {}, '1'));
}

} // namespace
} // namespace zlm
