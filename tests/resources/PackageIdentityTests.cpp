// A package built with its own icon and version information, read back
// the way Explorer reads them: the first icon group and its images, and
// the version strings through the system's version library. The package
// must still extract.
#include <gtest/gtest.h>

#include "ResourceReader.h"
#include "oxPackFixture.h"
#include "oxTest.h"
#include "uPackage.h"
#include "ui/uResourceIds.h"

namespace {

BOOL CALLBACK FirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR first)
{
    *reinterpret_cast<WORD *>(first) = IS_INTRESOURCE(name) ? LOWORD(reinterpret_cast<ULONG_PTR>(name)) : 0;
    return FALSE;
}

// What the system's version library reads from a file's version resource;
// "<none>" when it finds nothing.
std::string SystemVersionString(const std::string &path, const std::string &key)
{
    typedef DWORD(WINAPI * TSize)(LPCSTR, LPDWORD);
    typedef BOOL(WINAPI * TInfo)(LPCSTR, DWORD, DWORD, LPVOID);
    typedef BOOL(WINAPI * TQuery)(LPCVOID, LPCSTR, LPVOID *, PUINT);
    HMODULE library = LoadLibraryA("version.dll");
    if (!library)
        return "<no version.dll>";
    auto size = reinterpret_cast<TSize>(reinterpret_cast<void (*)()>(GetProcAddress(library, "GetFileVersionInfoSizeA")));
    auto info = reinterpret_cast<TInfo>(reinterpret_cast<void (*)()>(GetProcAddress(library, "GetFileVersionInfoA")));
    auto query = reinterpret_cast<TQuery>(reinterpret_cast<void (*)()>(GetProcAddress(library, "VerQueryValueA")));
    std::string result = "<none>";
    DWORD handle = 0;
    const DWORD length = size && info && query ? size(path.c_str(), &handle) : 0;
    if (length) {
        std::string block(length, '\0');
        void *value = nullptr;
        UINT valueLength = 0;
        if (info(path.c_str(), 0, length, &block[0]) &&
            query(block.data(), ("\\StringFileInfo\\040904B0\\" + key).c_str(), &value, &valueLength) && value)
            result = static_cast<const char *>(value);
    }
    FreeLibrary(library);
    return result;
}

} // namespace

TEST(PackageIdentity, ExplorersIconAndPropertiesShowThePackagesOwnAndItStillExtracts)
{
    const std::string folder = NewTestFolder("brand");
    const std::vector<std::pair<int, int>> sizes = {{16, 4}, {16, 32}, {32, 8}, {32, 32}, {48, 32}};
    const std::string iconFile = IconFileBytes(sizes);
    ASSERT_TRUE(WriteWholeFile(folder + "brand.ico", iconFile));
    TPackOptions options = TestPackOptions(folder);
    options.OutputPath = folder + "Brand Setup.exe";
    options.Destination = folder + "out";
    options.Identity.IconPath = folder + "brand.ico";
    options.Identity.ProductName = "Brand Product";
    options.Identity.ProductVersion = "4.3.2.1";
    options.Identity.Company = "Brand Company";
    options.Identity.Description = "Brand installer";
    options.Identity.Copyright = "Copyright 2026 Brand";
    options.Identity.Elevate = true;
    std::string error;
    ASSERT_TRUE(MakePackage(options, error)) << error;

    HMODULE package = LoadLibraryExA(options.OutputPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, package);
    // The group Explorer shows is the first one; it keeps the program
    // icon's number and holds every image of the file, in its order.
    WORD first = 0;
    EnumResourceNamesA(package, MAKEINTRESOURCEA(14), FirstName, reinterpret_cast<LONG_PTR>(&first));
    EXPECT_EQ(ICON_PROGRAM, first);
    std::vector<TIconEntry> entries;
    ASSERT_TRUE(ParseIconGroup(ResourceBytes(package, MAKEINTRESOURCEA(14), first), entries));
    ASSERT_EQ(sizes.size(), entries.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i + 1));
        EXPECT_EQ(sizes[i].first, entries[i].Width);
        EXPECT_EQ(sizes[i].first, entries[i].Height);
        EXPECT_EQ(sizes[i].second, entries[i].BitCount);
        const std::string image = IconImageBytes(sizes[i].first, sizes[i].second, static_cast<char>('a' + i));
        EXPECT_EQ(image.size(), entries[i].BytesInRes);
        EXPECT_EQ(image, ResourceBytes(package, MAKEINTRESOURCEA(3), entries[i].Id));
    }
    // The dialogs' own icons are untouched.
    for (WORD id : {ICON_DESTINATION, ICON_LICENCE, ICON_OVERWRITE, ICON_PASSWORD})
        EXPECT_EQ(ResourceBytes(ExtractorModule(), MAKEINTRESOURCEA(14), id),
                  ResourceBytes(package, MAKEINTRESOURCEA(14), id))
            << id;
    // Asks for an administrator's rights, and keeps the rest of its manifest.
    const std::string manifest = ResourceBytes(package, MAKEINTRESOURCEA(24), 1);
    std::string expected = ResourceBytes(ExtractorModule(), MAKEINTRESOURCEA(24), 1);
    const size_t level = expected.find("\"asInvoker\"");
    ASSERT_NE(std::string::npos, level);
    EXPECT_EQ(expected.replace(level, 11, "\"requireAdministrator\""), manifest);
    FreeLibrary(package);

    EXPECT_EQ("Brand Product", SystemVersionString(options.OutputPath, "ProductName"));
    EXPECT_EQ("4.3.2.1", SystemVersionString(options.OutputPath, "ProductVersion"));
    EXPECT_EQ("Brand Company", SystemVersionString(options.OutputPath, "CompanyName"));
    EXPECT_EQ("Brand installer", SystemVersionString(options.OutputPath, "FileDescription"));
    EXPECT_EQ("Copyright 2026 Brand", SystemVersionString(options.OutputPath, "LegalCopyright"));
    EXPECT_EQ("Brand Setup.exe", SystemVersionString(options.OutputPath, "OriginalFilename"));

    std::string out, err;
    EXPECT_EQ(0, RunChild(Quote(options.OutputPath) + " $SILENT$", out, err)) << out << err;
    EXPECT_EQ("payload\r\n", ReadWholeFile(folder + "out\\readme.txt"));
    RemoveTestFolder(folder);
}
