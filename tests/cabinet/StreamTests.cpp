// The cabinet library's view of a package: the pseudo name opens the
// package at its cabinet, positions count from the cabinet's first byte,
// and a protected cabinet reads back unscrambled.
#include <windows.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include "cabinet/uCabStreams.h"
#include "format/uObfuscate.h"
#include "oxPackFixture.h"
#include "oxPackages.h"
#include "services/uRunPlan.h"

namespace {

struct TStreamPackage {
    std::string Folder = NewTestFolder("streams");
    TPackResult Packed;
    // The streams keep the plan for the opens that follow.
    TPackageSettings Settings;
    TRunPlan Plan;
    TStreamPackage(const std::string &password)
    {
        TPackOptions options = TestPackOptions(Folder);
        options.PasswordProtected = !password.empty();
        options.Password = password;
        std::string error;
        EXPECT_TRUE(MakePackage(options, Packed, error)) << error;
        Settings.CabinetOffset = Packed.CabinetOffset;
        Settings.PasswordProtected = !password.empty();
        Plan.Package = &Settings;
        Plan.Password = password;
        PrepareStreams(Plan);
        PackageFilePath = options.OutputPath;
    }
    ~TStreamPackage()
    {
        RemoveTestFolder(Folder);
    }
};

std::string ReadStream(INT_PTR handle, UINT count)
{
    std::string bytes(count, '\0');
    bytes.resize(StreamRead(handle, &bytes[0], count));
    return bytes;
}

} // namespace

TEST(XorWithKey, KeyPositionsWrapAtTheKeysEnd)
{
    const std::string key = "ABCDE";  // L = 5
    unsigned char buffer[3] = {0, 0, 0};
    XorWithKey(buffer, key, 3, 5);  // stream position L - 1
    EXPECT_EQ((std::string{'E', 'A', 'B'}), std::string(buffer, buffer + 3));
    unsigned char next[3] = {0, 0, 0};
    XorWithKey(next, key, 3, 1);  // stream position L
    EXPECT_EQ("ABC", std::string(next, next + 3));
    unsigned char untouched[2] = {7, 9};
    XorWithKey(untouched, key, 0, 1);
    XorWithKey(untouched, key, -4, 1);
    EXPECT_EQ(7, untouched[0]);
    EXPECT_EQ(9, untouched[1]);
}

TEST(XorWithKey, ScramblingTwiceRestoresAndMatchesThePositionRule)
{
    const std::string password = "pw\xff\x01";
    std::string plain = NoiseBytes(1000, 1);
    std::string data = plain;
    ScrambleAt(reinterpret_cast<unsigned char *>(&data[0]), 1000, 0, password);
    for (size_t p = 0; p < data.size(); ++p)
        ASSERT_EQ(static_cast<unsigned char>(plain[p] ^ (255 - static_cast<unsigned char>(password[p % 4]))),
                  static_cast<unsigned char>(data[p]))
            << p;
    // Unscrambling in pieces that start anywhere gives the same bytes.
    for (size_t p = 0; p < data.size(); p += 333)
        ScrambleAt(reinterpret_cast<unsigned char *>(&data[p]), static_cast<int32_t>(std::min<size_t>(333, data.size() - p)),
                   static_cast<uint32_t>(p), password);
    EXPECT_TRUE(plain == data);
}

TEST(XorWithKey, WordAtATimeMatchesTheByteRuleForAnyKeyStartAndLength)
{
    // Key lengths around the word size and the chunk, buffers at every
    // alignment, pieces shorter and longer than a chunk.
    for (size_t length : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 13u, 64u, 4095u, 4097u, 5000u}) {
        const std::string key = NoiseBytes(length, static_cast<unsigned>(length));
        const TKeyStream stream = MakeKeyStream(key);
        for (size_t count : {0u, 1u, 3u, 4u, 9u, 4096u, 9001u}) {
            for (uint32_t position : {0u, 1u, static_cast<uint32_t>(length - 1), 4099u, 0xFFFFFFF0u}) {
                const std::string plain = NoiseBytes(count + 3, static_cast<unsigned>(count));
                for (size_t misalign = 0; misalign < 3; ++misalign) {
                    std::string expected = plain, actual = plain;
                    XorWithKey(reinterpret_cast<unsigned char *>(&expected[misalign]), key, static_cast<int32_t>(count),
                               static_cast<int32_t>(position % length) + 1);
                    XorWithKeyStream(reinterpret_cast<unsigned char *>(&actual[misalign]), count, position, stream);
                    ASSERT_TRUE(expected == actual)
                        << "key " << length << ", count " << count << ", position " << position << ", offset " << misalign;
                }
            }
        }
    }
    // An empty key changes nothing.
    std::string bytes = "unchanged";
    XorWithKeyStream(reinterpret_cast<unsigned char *>(&bytes[0]), bytes.size(), 3, MakeKeyStream(""));
    EXPECT_EQ("unchanged", bytes);
}

TEST(StreamCallbacks, PseudoNameOpensThePackageAtItsCabinet)
{
    TStreamPackage package("");
    INT_PTR handle = StreamOpen(const_cast<char *>("lumbo"), _O_RDONLY, 0);
    ASSERT_NE(-1, handle);
    EXPECT_TRUE(IsPackageFile(handle));
    EXPECT_EQ("MSCF", ReadStream(handle, 4));
    EXPECT_EQ(4, StreamSeek(handle, 0, SEEK_CUR));
    EXPECT_EQ(package.Packed.PackageSize - package.Packed.CabinetOffset, StreamSeek(handle, 0, SEEK_END));
    EXPECT_EQ(37, StreamSeek(handle, 37, SEEK_SET));
    EXPECT_EQ(40, StreamSeek(handle, 3, SEEK_CUR));
    const std::string whole = ReadWholeFile(PackageFilePath);
    EXPECT_EQ(whole.substr(static_cast<size_t>(package.Packed.CabinetOffset) + 40, 8), ReadStream(handle, 8));
    EXPECT_EQ(0, StreamClose(handle));
    EXPECT_FALSE(IsPackageFile(handle));
}

TEST(StreamCallbacks, OtherNamesAreOrdinaryFilesCountedFromTheirFirstByte)
{
    TStreamPackage package("");
    const std::string file = package.Folder + "plain.bin";
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    // Same size as nothing in particular: only the pseudo name is special.
    for (const char *name : {"LUMBO", "x\\lumbo", "lumbo "})
        EXPECT_EQ(-1, StreamOpen(const_cast<char *>((package.Folder + name).c_str()), _O_RDONLY, 0)) << name;
    INT_PTR handle = StreamOpen(const_cast<char *>(file.c_str()), _O_RDONLY, 0);
    ASSERT_NE(-1, handle);
    EXPECT_FALSE(IsPackageFile(handle));
    EXPECT_EQ(3, StreamSeek(handle, 3, SEEK_SET));
    EXPECT_EQ("3456", ReadStream(handle, 4));
    EXPECT_EQ(10, StreamSeek(handle, 0, SEEK_END));
    EXPECT_EQ("", ReadStream(handle, 4));
    StreamClose(handle);
    // Creating never overwrites an existing file.
    EXPECT_EQ(-1, StreamOpen(const_cast<char *>(file.c_str()), _O_CREAT | _O_WRONLY, 0));
    EXPECT_EQ("0123456789", ReadWholeFile(file));
}

TEST(StreamCallbacks, ProtectedCabinetReadsBackUnscrambledFromAnyPosition)
{
    TStreamPackage protectedPackage("secret");
    INT_PTR handle = StreamOpen(const_cast<char *>("lumbo"), _O_RDONLY, 0);
    ASSERT_NE(-1, handle);
    EXPECT_EQ("MSCF", ReadStream(handle, 4));
    // The stored bytes are scrambled.
    const std::string whole = ReadWholeFile(PackageFilePath);
    EXPECT_NE("MSCF", whole.substr(static_cast<size_t>(protectedPackage.Packed.CabinetOffset), 4));
    // Reading from position 2 gives the same bytes as reading from 0.
    StreamSeek(handle, 0, SEEK_SET);
    const std::string first = ReadStream(handle, 64);
    StreamSeek(handle, 2, SEEK_SET);
    EXPECT_EQ(first.substr(2, 30), ReadStream(handle, 30));
    // Reads of odd sizes one after another carry the key position across
    // their boundaries: together they give one read's bytes.
    const long size = StreamSeek(handle, 0, SEEK_END);
    StreamSeek(handle, 0, SEEK_SET);
    const std::string all = ReadStream(handle, static_cast<UINT>(size));
    StreamSeek(handle, 0, SEEK_SET);
    std::string pieces;
    for (UINT piece = 1; pieces.size() < all.size(); piece = piece * 3 + 2)
        pieces += ReadStream(handle, piece);
    EXPECT_TRUE(all == pieces);
    EXPECT_EQ("MSCF", all.substr(0, 4));
    StreamClose(handle);
}
