// The package's own icon and version information: the icon file read as
// the system reads one, the resources written as the system stores them,
// and a package built with them.
#include <windows.h>
#include <gtest/gtest.h>
#include "oxPackFixture.h"
#include "oxTest.h"
#include "services/uSettings.h"
#include "uPackIdentity.h"
#include "uPackage.h"

namespace {

using TStrings = std::vector<std::pair<std::string, std::string>>;

std::string Value(const TStrings &strings, const std::string &key)
{
    for (const auto &pair : strings)
        if (pair.first == key)
            return pair.second;
    return "<none>";
}

TPackIdentity FullIdentity(const std::string &iconPath)
{
    TPackIdentity identity;
    identity.IconPath = iconPath;
    identity.ProductName = "Frobnicator Suite";
    identity.ProductVersion = "2.5.17.3";
    identity.Company = "Frob & Sons Ltd";
    identity.Description = "Frobnicator Suite setup";
    identity.Copyright = "(c) 2026 Frob & Sons";
    return identity;
}

uint16_t Word(const std::string &b, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

} // namespace

TEST(IconFile, EveryImageIsKeptWithItsSizeAndDepth)
{
    const std::string file = IconFileBytes({{16, 32}, {32, 4}, {48, 8}});
    std::vector<TIconImage> images;
    std::string error;
    ASSERT_TRUE(ParseIconFile(file, images, error)) << error;
    ASSERT_EQ(3u, images.size());
    EXPECT_EQ(16, images[0].Width);
    EXPECT_EQ(32, images[1].Height);
    EXPECT_EQ(16, images[1].ColorCount);
    // Depth and planes the file left at 0 come from each bitmap.
    EXPECT_EQ(32, images[0].BitCount);
    EXPECT_EQ(4, images[1].BitCount);
    EXPECT_EQ(8, images[2].BitCount);
    EXPECT_EQ(1, images[2].Planes);
    EXPECT_EQ(IconImageBytes(32, 4, 'b'), images[1].Bytes);

    // A PNG image (as large icons are stored) is taken as it is.
    std::string png = IconFileBytes({{16, 32}});
    const std::string pngImage = std::string("\x89PNG\r\n\x1a\n", 8) + "rest of a png";
    png.replace(6 + 8, 4, std::string("\x15\0\0\0", 4));
    png = png.substr(0, 22) + pngImage;
    ASSERT_TRUE(ParseIconFile(png, images, error)) << error;
    EXPECT_EQ(pngImage, images[0].Bytes);
}

TEST(IconFile, AnythingElseIsRefusedWithItsReason)
{
    const std::string good = IconFileBytes({{16, 32}, {32, 8}});
    struct {
        std::string Bytes;
        const char *Reason;
    } cases[] = {
        {"", "not an icon file"},
        {"BM" + std::string(60, '\0'), "not an icon file"},
        {"MZ" + good.substr(2), "not an icon file"},
        {good.substr(0, 2) + std::string("\x02\0", 2) + good.substr(4), "a cursor"},
        {good.substr(0, 4) + std::string("\0\0", 2) + good.substr(6), "without images"},
        {good.substr(0, 20), "cut short"},
        {good.substr(0, good.size() - 1), "image 2 lies outside"},
        // The first image's offset moved into the directory.
        {good.substr(0, 18) + std::string("\x08\0\0\0", 4) + good.substr(22), "image 1 lies outside"},
        // The second image's header is no bitmap header.
        {good.substr(0, 38 + IconImageBytes(16, 32, 'a').size()) + "x" +
             good.substr(39 + IconImageBytes(16, 32, 'a').size()),
         "image 2 is neither"},
    };
    for (const auto &c : cases) {
        std::vector<TIconImage> images;
        std::string error;
        EXPECT_FALSE(ParseIconFile(c.Bytes, images, error)) << c.Reason;
        EXPECT_NE(std::string::npos, error.find(c.Reason)) << error;
    }
}

TEST(IconGroup, EntriesDescribeTheImagesUnderConsecutiveIds)
{
    std::vector<TIconImage> images;
    std::string error;
    ASSERT_TRUE(ParseIconFile(IconFileBytes({{16, 32}, {32, 4}}), images, error)) << error;
    const std::string group = IconGroupResource(images, {300, 301});
    ASSERT_EQ(6u + 2 * 14, group.size());
    EXPECT_EQ(0, Word(group, 0));
    EXPECT_EQ(1, Word(group, 2));
    EXPECT_EQ(2, Word(group, 4));
    EXPECT_EQ(16, static_cast<uint8_t>(group[6]));
    EXPECT_EQ(32, Word(group, 6 + 6));                          // depth
    EXPECT_EQ(images[0].Bytes.size(), Word(group, 6 + 8));      // size (low word)
    EXPECT_EQ(300, Word(group, 6 + 12));
    EXPECT_EQ(32, static_cast<uint8_t>(group[20]));
    EXPECT_EQ(16, static_cast<uint8_t>(group[20 + 2]));          // colours
    EXPECT_EQ(4, Word(group, 20 + 6));
    EXPECT_EQ(301, Word(group, 20 + 12));
}

TEST(VersionNumbers, LeadingDottedNumbersUpToFourEachAtMost65535)
{
    struct {
        const char *Text;
        bool Valid;
        uint16_t Numbers[4];
    } cases[] = {
        {"1.2.3.4", true, {1, 2, 3, 4}},         {"10.0", true, {10, 0, 0, 0}},
        {"2024 beta", true, {2024, 0, 0, 0}},    {"beta 2", true, {0, 0, 0, 0}},
        {"", true, {0, 0, 0, 0}},                {"1.2.3.4.5", true, {1, 2, 3, 4}},
        {"65535.0.1", true, {65535, 0, 1, 0}},   {"3.", true, {3, 0, 0, 0}},
        {"1.65536", false, {}},                  {"99999999999999999999", false, {}},
    };
    for (const auto &c : cases) {
        uint16_t numbers[4] = {9, 9, 9, 9};
        EXPECT_EQ(c.Valid, ParseVersionNumbers(c.Text, numbers)) << c.Text;
        for (int i = 0; c.Valid && i < 4; ++i)
            EXPECT_EQ(c.Numbers[i], numbers[i]) << c.Text << " part " << i;
    }
}

TEST(VersionResource, EveryFieldAndTheBinaryVersionReadBack)
{
    const std::string bytes = VersionResource(FullIdentity(""), "Frob-Setup.exe");
    EXPECT_EQ(bytes.size(), Word(bytes, 0));
    EXPECT_EQ(0u, bytes.size() % 4);
    TStrings strings;
    ASSERT_TRUE(ParseVersionResource(bytes, strings));
    EXPECT_EQ("2.5.17.3", Value(strings, "FileVersion (binary)"));
    EXPECT_EQ("Frobnicator Suite", Value(strings, "ProductName"));
    EXPECT_EQ("2.5.17.3", Value(strings, "ProductVersion"));
    EXPECT_EQ("2.5.17.3", Value(strings, "FileVersion"));
    EXPECT_EQ("Frob & Sons Ltd", Value(strings, "CompanyName"));
    EXPECT_EQ("Frobnicator Suite setup", Value(strings, "FileDescription"));
    EXPECT_EQ("(c) 2026 Frob & Sons", Value(strings, "LegalCopyright"));
    EXPECT_EQ("Frob-Setup.exe", Value(strings, "OriginalFilename"));

    // Fields not given are left out, not written empty.
    TPackIdentity nameOnly;
    nameOnly.ProductName = "Only a name";
    ASSERT_TRUE(ParseVersionResource(VersionResource(nameOnly, "x.exe"), strings));
    EXPECT_EQ("0.0.0.0", Value(strings, "FileVersion (binary)"));
    EXPECT_EQ("<none>", Value(strings, "CompanyName"));
    EXPECT_EQ("Only a name", Value(strings, "ProductName"));
}

TEST(VersionResource, CutOrDamagedResourceIsRejectedWithoutReadingPastIt)
{
    const std::string bytes = VersionResource(FullIdentity(""), "Frob-Setup.exe");
    TStrings strings;
    for (size_t length = 0; length < bytes.size(); ++length) {
        // The root's length names the whole resource: any cut is caught.
        EXPECT_FALSE(ParseVersionResource(bytes.substr(0, length), strings)) << length;
    }
    std::string damaged = bytes;
    damaged[0] = 4;  // a block shorter than its own header
    damaged[1] = 0;
    EXPECT_FALSE(ParseVersionResource(damaged, strings));
    damaged = bytes;
    damaged[2 * 3 + 6] = 'X';  // the key is no longer VS_VERSION_INFO
    EXPECT_FALSE(ParseVersionResource(damaged, strings));
}

TEST(PackageIdentity, IconAndVersionGoIntoThePackageAndTheOffsetsFollow)
{
    const std::string folder = NewTestFolder("identity");
    const std::string icon = folder + "brand.ico";
    ASSERT_TRUE(WriteWholeFile(icon, IconFileBytes({{16, 32}, {32, 4}, {32, 8}, {48, 32}})));
    TPackOptions options = TestPackOptions(folder);
    options.OutputPath = folder + "Frob-Setup.exe";
    options.Identity = FullIdentity(icon);
    TPackResult result;
    std::string error;
    ASSERT_TRUE(MakePackage(options, result, error)) << error;

    TStrings strings;
    ASSERT_TRUE(ReadFileVersionStrings(options.OutputPath, strings));
    EXPECT_EQ("Frobnicator Suite", Value(strings, "ProductName"));
    EXPECT_EQ("2.5.17.3", Value(strings, "FileVersion (binary)"));
    EXPECT_EQ("Frob-Setup.exe", Value(strings, "OriginalFilename"));
    // The system's own loader finds them through the rewritten directory:
    // the version, and the first group's 32x32 image as an icon.
    HMODULE module = LoadLibraryExA(options.OutputPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    ASSERT_TRUE(found);
    TStrings loaded;
    ASSERT_TRUE(ParseVersionResource(
        std::string(static_cast<const char *>(LockResource(LoadResource(module, found))), SizeofResource(module, found)),
        loaded));
    EXPECT_EQ("Frobnicator Suite", Value(loaded, "ProductName"));
    found = FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(14));
    ASSERT_TRUE(found);
    PBYTE group = static_cast<PBYTE>(LockResource(LoadResource(module, found)));
    EXPECT_EQ(4, Word(std::string(reinterpret_cast<const char *>(group), 6), 4));
    const int id = LookupIconIdFromDirectoryEx(group, TRUE, 32, 32, 0);
    found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));
    ASSERT_TRUE(found);
    HICON image = CreateIconFromResourceEx(static_cast<PBYTE>(LockResource(LoadResource(module, found))),
                                           SizeofResource(module, found), TRUE, 0x30000, 32, 32, 0);
    EXPECT_TRUE(image);
    DestroyIcon(image);
    // A type known by name comes through too: the progress dialog's clip.
    EXPECT_TRUE(FindResourceA(module, MAKEINTRESOURCEA(161), "AVI"));
    FreeLibrary(module);

    // The extractor in the package is the changed one, and the settings
    // block says so.
    const std::string extractor = ReadWholeFile(BinFolder() + "oxtarn.exe");
    const std::string package = ReadWholeFile(options.OutputPath);
    EXPECT_NE(extractor, package.substr(0, extractor.size()));
    const int32_t settings = FindSettingsBlockIn(options.OutputPath);
    ASSERT_GT(settings, 0);
    TPackageSettings read;
    ReadPackageSettingsFrom(options.OutputPath, settings, {}, read);
    EXPECT_EQ(result.LibraryOffset, read.LibraryOffset);
    EXPECT_GT(static_cast<size_t>(result.LibraryOffset), extractor.size());
    EXPECT_EQ(0, package.compare(static_cast<size_t>(result.LibraryOffset), 12, "\r\n$KORVANTE$"));  // no library
    RemoveTestFolder(folder);
}

TEST(PackageIdentity, WithoutThemTheExtractorIsCopiedByteForByte)
{
    const std::string folder = NewTestFolder("noidentity");
    TPackOptions options = TestPackOptions(folder);
    std::string error;
    ASSERT_TRUE(MakePackage(options, error)) << error;
    const std::string extractor = ReadWholeFile(BinFolder() + "oxtarn.exe");
    EXPECT_EQ(extractor, ReadWholeFile(options.OutputPath).substr(0, extractor.size()));
    RemoveTestFolder(folder);
}

TEST(PackageIdentity, RefusalsLeaveNoPackage)
{
    const std::string folder = NewTestFolder("badidentity");
    ASSERT_TRUE(WriteWholeFile(folder + "picture.bmp", "BM" + std::string(100, '\x10')));
    ASSERT_TRUE(WriteWholeFile(folder + "pointer.cur",
                               std::string("\0\0\x02\0", 4) + IconFileBytes({{32, 8}}).substr(4)));
    struct {
        TPackIdentity Identity;
        const char *Named;
    } cases[4];
    cases[0].Identity.IconPath = folder + "picture.bmp";
    cases[0].Named = "picture.bmp is not an icon file";
    cases[1].Identity.IconPath = folder + "pointer.cur";
    cases[1].Named = "pointer.cur is a cursor";
    cases[2].Identity.IconPath = folder + "missing.ico";
    cases[2].Named = "missing.ico";
    cases[3].Identity.ProductVersion = "1.2.70000";
    cases[3].Named = "--product-version";
    for (const auto &c : cases) {
        TPackOptions options = TestPackOptions(folder);
        options.Identity = c.Identity;
        std::string error;
        EXPECT_FALSE(MakePackage(options, error)) << c.Named;
        EXPECT_NE(std::string::npos, error.find(c.Named)) << error;
        EXPECT_FALSE(FileExists(options.OutputPath)) << c.Named;
    }
    RemoveTestFolder(folder);
}

TEST(IdentityOptions, GivenOnTheCommandLineAndShownByInspect)
{
    const std::string folder = NewTestFolder("identitycli");
    ASSERT_TRUE(WriteWholeFile(folder + "brand.ico", IconFileBytes({{16, 8}, {32, 32}})));
    ASSERT_TRUE(WriteWholeFile(folder + "picture.bmp", "BM" + std::string(100, '\x10')));
    ASSERT_TRUE(WriteWholeFile(folder + "readme.txt", "payload"));
    const std::string oxpack = Quote(BinFolder() + "oxpack.exe");
    const std::string package = folder + "Widget Setup.exe";
    std::string out, err;
    ASSERT_EQ(0, RunChild(oxpack + " --output " + Quote(package) + " --icon " + Quote(folder + "brand.ico") +
                              " --product-name \"Widget Pro\" --product-version 3.1 --company Acme" +
                              " --description \"Widget setup\" --copyright \"(c) Acme\" " +
                              Quote(folder + "readme.txt"),
                          out, err))
        << out << err;
    ASSERT_EQ(0, RunChild(oxpack + " --inspect " + Quote(package), out, err)) << err;
    for (const char *line : {"Version information:", "  ProductName: Widget Pro", "  FileVersion (binary): 3.1.0.0",
                             "  ProductVersion: 3.1", "  CompanyName: Acme", "  FileDescription: Widget setup",
                             "  LegalCopyright: (c) Acme", "  OriginalFilename: Widget Setup.exe"})
        EXPECT_NE(std::string::npos, out.find(line)) << line << "\n" << out;

    // A picture is not an icon: refused (1), nothing written; a missing
    // value is a usage error (2).
    const std::string refused = folder + "refused.exe";
    EXPECT_EQ(1, RunChild(oxpack + " --output " + Quote(refused) + " --icon " + Quote(folder + "picture.bmp") + " " +
                              Quote(folder + "readme.txt"),
                          out, err));
    EXPECT_NE(std::string::npos, err.find("picture.bmp is not an icon file")) << err;
    EXPECT_FALSE(FileExists(refused));
    EXPECT_EQ(2, RunChild(oxpack + " --output " + Quote(refused) + " " + Quote(folder + "readme.txt") + " --icon",
                          out, err));
    EXPECT_FALSE(FileExists(refused));
    RemoveTestFolder(folder);
}
