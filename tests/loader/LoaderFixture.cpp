#include <windows.h>
#include <gtest/gtest.h>
#include "LoaderFixture.h"
#include "oxTest.h"

namespace {

const char *const PayloadNames[] = {"readme.txt", "data\\noise.bin", "data\\words.txt", "data\\empty.txt"};

std::string BuildFolder()
{
    return BinFolder() + "..\\";
}

std::string SavedLibraryPath()
{
    return BuildFolder() + "loader-saved\\cabinet.dll";
}

std::string SystemFolder()
{
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length) + "\\";
}

std::string PayloadBytes(const std::string &name)
{
    if (name == "readme.txt")
        return "payload\r\n";
    std::string bytes;
    if (name == "data\\noise.bin") {
        uint32_t state = 2463534242u;
        for (int n = 0; n < 150000; ++n) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            bytes += static_cast<char>(state);
        }
    } else if (name == "data\\words.txt") {
        for (int n = 0; bytes.size() < 300000; ++n)
            bytes += "line " + std::to_string(n) + " of the loader payload\r\n";
    }
    return bytes;
}

// Copies under a passing name first, so that a copy cut short never has
// the library's name.
bool PutBack(const std::string &saved, const std::string &target)
{
    const std::string passing = target + ".restoring";
    return CopyFileA(saved.c_str(), passing.c_str(), FALSE) &&
           MoveFileExA(passing.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) &&
           ReadWholeFile(target) == ReadWholeFile(saved);
}

} // namespace

std::string DecoyLibraryPath()
{
    return BuildFolder() + "dlls\\decoy.dll";
}

std::string NoEntryPointsLibraryPath()
{
    return BuildFolder() + "dlls\\nofdi.dll";
}

bool PlantDecoy(const std::string &folder, const std::string &name)
{
    return CopyFileA(DecoyLibraryPath().c_str(), (folder + name).c_str(), FALSE) != 0;
}

bool DecoyRan(const std::string &folder, const std::string &name)
{
    return IsPresent(folder + name + ".ran");
}

TProgramOverrides::TProgramOverrides(const std::string &program,
                                     const std::vector<std::pair<std::string, std::string>> &orders)
    : Key("Software\\Wine\\AppDefaults\\" + program + "\\DllOverrides")
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create HKCU\\" << Key;
        return;
    }
    Set = true;
    for (const auto &order : orders)
        Set = Set && RegSetValueExA(key, order.first.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE *>(order.second.c_str()),
                                    static_cast<DWORD>(order.second.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    EXPECT_TRUE(Set) << "cannot set the overrides of " << program;
}

TProgramOverrides::~TProgramOverrides()
{
    // The program's key, not only its DllOverrides below it.
    RegDeleteTreeA(HKEY_CURRENT_USER, Key.substr(0, Key.rfind('\\')).c_str());
}

TPackOptions PayloadPackage(const std::string &folder, const std::string &name, const std::string &library)
{
    const std::string payload = folder + "payload\\";
    CreateDirectoryA(payload.c_str(), nullptr);
    CreateDirectoryA((payload + "data").c_str(), nullptr);
    TPackOptions options;
    options.ExtractorPath = BinFolder() + "oxtarn.exe";
    options.LibraryPath = library;
    options.OutputPath = folder + name;
    options.Title = "Loader";
    options.Destination = folder + "out\\";
    for (const char *name : PayloadNames) {
        EXPECT_TRUE(WriteWholeFile(payload + name, PayloadBytes(name))) << payload + name;
        options.Files.push_back({payload + name, name});
    }
    return options;
}

void ExpectPayloadExtracted(const std::string &folder)
{
    for (const char *name : PayloadNames) {
        const std::string path = folder + "out\\" + name;
        ASSERT_TRUE(IsPresent(path)) << path;
        EXPECT_TRUE(ReadWholeFile(path) == PayloadBytes(name)) << path << " differs";
    }
}

std::string SystemLibraryPath()
{
    return SystemFolder() + "cabinet.dll";
}

std::string CompressedCopyPath()
{
    return SystemFolder() + "CABINET.DL_";
}

bool IsPresent(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string NativeCabinetLibrary(const std::string &folder)
{
    const std::string marker("Wine builtin DLL", 16);
    std::string bytes = ReadWholeFile(SystemLibraryPath());
    const size_t at = bytes.find(marker);
    EXPECT_NE(at, std::string::npos) << "the system's cabinet.dll is not Wine's own";
    if (at != std::string::npos)
        bytes.replace(at, marker.size(), std::string("Test native DLL", 16));
    const std::string path = folder + "native\\cabinet.dll";
    CreateDirectoryA((folder + "native").c_str(), nullptr);
    EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
    return path;
}

TSystemLibraryGuard::TSystemLibraryGuard()
{
    const std::string saved = SavedLibraryPath();
    CreateDirectoryA((BuildFolder() + "loader-saved").c_str(), nullptr);
    // A saved copy already there is the original of a run cut short.
    if (IsPresent(saved))
        Saved = PutBack(saved, SystemLibraryPath());
    else
        Saved = CopyFileA(SystemLibraryPath().c_str(), saved.c_str(), TRUE) &&
                ReadWholeFile(saved) == ReadWholeFile(SystemLibraryPath());
    if (Saved)
        Original = ReadWholeFile(saved);
}

TSystemLibraryGuard::~TSystemLibraryGuard()
{
    if (!Saved)
        return;
    DeleteFileA(CompressedCopyPath().c_str());
    const std::string saved = SavedLibraryPath();
    if (PutBack(saved, SystemLibraryPath()))
        DeleteFileA(saved.c_str());
    else
        ADD_FAILURE() << "could not put back " << SystemLibraryPath() << " from " << saved;
}

std::string Quoted(const std::string &text)
{
    return "\"" + text + "\"";
}
