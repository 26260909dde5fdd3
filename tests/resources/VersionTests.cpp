// The extractor's version information, read back the way Explorer's file
// properties read it.
#include <windows.h>
#include <gtest/gtest.h>
#include "oxTest.h"

namespace {

typedef DWORD(WINAPI *TGetSize)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI *TGetInfo)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI *TQuery)(LPCVOID, LPCSTR, LPVOID *, PUINT);

// The version library is looked up at run time: the test programs link
// only the libraries every program links.
struct TVersionLibrary {
    HMODULE Module = LoadLibraryA("version.dll");
    TGetSize GetSize = reinterpret_cast<TGetSize>(
        reinterpret_cast<void *>(GetProcAddress(Module, "GetFileVersionInfoSizeA")));
    TGetInfo GetInfo = reinterpret_cast<TGetInfo>(
        reinterpret_cast<void *>(GetProcAddress(Module, "GetFileVersionInfoA")));
    TQuery Query = reinterpret_cast<TQuery>(reinterpret_cast<void *>(GetProcAddress(Module, "VerQueryValueA")));
};

std::string StringValue(const TVersionLibrary &version, const std::string &block, const char *name)
{
    void *value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!version.Query(block.data(), path.c_str(), &value, &length) || !value || length == 0)
        return "<missing>";
    return std::string(static_cast<const char *>(value));
}

} // namespace

TEST(VersionInformation, NamesTheProductItsVersionAndWhatTheFileIs)
{
    TVersionLibrary version;
    ASSERT_TRUE(version.GetSize && version.GetInfo && version.Query);
    const std::string exe = BinFolder() + "oxtarn.exe";
    DWORD handle = 0;
    const DWORD size = version.GetSize(exe.c_str(), &handle);
    ASSERT_GT(size, 0u) << "no version information";
    std::string block(size, '\0');
    ASSERT_TRUE(version.GetInfo(exe.c_str(), 0, size, &block[0]));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(version.Query(block.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionLS));
    EXPECT_NE("0.0.0.0", numbers);

    EXPECT_EQ("oxtarn", StringValue(version, block, "ProductName"));
    // The text and the numbers must name the same version.
    EXPECT_EQ(numbers, StringValue(version, block, "FileVersion"));
    EXPECT_EQ(numbers, StringValue(version, block, "ProductVersion"));
    EXPECT_EQ("Self-extracting package", StringValue(version, block, "FileDescription"));
}
