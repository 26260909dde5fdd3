// The SZDD output must expand, through the platform's own LZ expansion,
// to exactly the input.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "mSzdd.h"
#include "PackTestTools.h"
#include "oxPackFixture.h"

namespace {

void ExpectRoundTrip(const std::string &data)
{
    const std::string compressed = CompressSzdd(data, 'l');
    std::string expanded;
    ASSERT_TRUE(ExpandWithPlatform(compressed, expanded));
    ASSERT_EQ(data.size(), expanded.size());
    EXPECT_TRUE(data == expanded) << "first difference at "
                                  << std::mismatch(data.begin(), data.end(), expanded.begin()).first - data.begin();
}

}  // namespace

TEST(Szdd, HeaderNamesFormatModeLastCharacterAndSize)
{
    const std::string compressed = CompressSzdd(std::string(300, 'x'), 'l');
    ASSERT_GE(compressed.size(), SzddHeaderLength);
    EXPECT_EQ(std::string("SZDD\x88\xF0\x27\x33" "Al", 10), compressed.substr(0, 10));
    EXPECT_EQ(std::string("\x2C\x01\0\0", 4), compressed.substr(10, 4));
    EXPECT_LT(compressed.size(), 60u);
}

TEST(Szdd, EmptySmallAndBlankInputsExpandExactly)
{
    ExpectRoundTrip(std::string());
    ExpectRoundTrip("a");
    ExpectRoundTrip("abcabcabcabcabcabcabcabcabc");
    // Leading blanks match the prefilled window; trailing ones too.
    ExpectRoundTrip(std::string(40, ' ') + "text" + std::string(5000, ' ') + "end   ");
    // Runs longer than a match overlap the bytes they produce.
    ExpectRoundTrip(std::string(1, 'q') + std::string(10000, 'z') + "q");
}

TEST(Szdd, IncompressibleInputExpandsExactly)
{
    const std::string noise = NoiseBytes(200000, 7);
    const std::string compressed = CompressSzdd(noise, 'l');
    // Nine bytes per eight literals at worst, plus the header.
    EXPECT_LE(compressed.size(), SzddHeaderLength + noise.size() / 8 * 9 + 9);
    ExpectRoundTrip(noise);
}

TEST(Szdd, LargeRepetitiveInputCompressesAndExpandsAcrossWindowWraps)
{
    // About 1 MB: repeated records with varying numbers, long repeats far
    // back (beyond the window) and near, and stretches of noise.
    std::string data;
    for (int i = 0; data.size() < 1000000; ++i) {
        data += "record " + std::to_string(i * 7919 % 100000) + ": the quick brown fox;\r\n";
        if (i % 500 == 0)
            data += NoiseBytes(3000, i);
        if (i % 97 == 0)
            data += std::string(i % 300, static_cast<char>('a' + i % 26));
    }
    const std::string compressed = CompressSzdd(data, 'l');
    EXPECT_LT(compressed.size(), data.size() / 2);
    ExpectRoundTrip(data);
}

TEST(Szdd, LongRunsAndRepeatsOfSeveralMegabytesRoundTrip)
{
    // Long runs and repeats are the worst case for the match search (an
    // unbounded search would also make this test take minutes).
    std::string data = std::string(1500000, 'a') + NoiseBytes(500000, 1);
    data += data.substr(0, 2000000);
    const std::string compressed = CompressSzdd(data, 'l');
    EXPECT_LT(compressed.size(), data.size() / 2);
    std::string expanded;
    ASSERT_TRUE(ExpandWithPlatform(compressed, expanded));
    EXPECT_TRUE(expanded == data);
}
