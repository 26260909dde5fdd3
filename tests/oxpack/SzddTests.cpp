// The SZDD output must expand, through the platform's own LZ expansion,
// to exactly the input.
#include <windows.h>

#include <gtest/gtest.h>

#include "mSzdd.h"
#include "oxPackFixture.h"

namespace {

typedef INT(WINAPI *TLZOpenFileA)(LPSTR, LPOFSTRUCT, WORD);
typedef LONG(WINAPI *TLZCopy)(INT, INT);
typedef void(WINAPI *TLZClose)(INT);

// Expands compressed bytes with LZOpenFileA/LZCopy, as the extractor does.
bool ExpandWithPlatform(const std::string &compressed, std::string &expanded)
{
    HMODULE lz = LoadLibraryA("lz32.dll");
    if (!lz)
        return false;
    auto open = reinterpret_cast<TLZOpenFileA>(reinterpret_cast<void *>(GetProcAddress(lz, "LZOpenFileA")));
    auto copy = reinterpret_cast<TLZCopy>(reinterpret_cast<void *>(GetProcAddress(lz, "LZCopy")));
    auto close = reinterpret_cast<TLZClose>(reinterpret_cast<void *>(GetProcAddress(lz, "LZClose")));
    const std::string folder = MakeTestFolder("oxszdd");
    std::string source = folder + "CABINET.DL_", target = folder + "cabinet.dll";
    bool ok = WriteWholeFile(source, compressed);
    OFSTRUCT a, b;
    INT from = open(&source[0], &a, OF_READ);
    INT to = open(&target[0], &b, OF_CREATE);
    LONG copied = (from >= 0 && to >= 0) ? copy(from, to) : -1;
    close(from);
    close(to);
    expanded = ReadWholeFile(target);
    RemoveTestFolder(folder);
    return ok && copied >= 0 && copied == static_cast<LONG>(expanded.size());
}

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
