// The built programs must run on a bare Windows: their import tables may
// name only DLLs that ship with the system, never a compiler runtime.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include "oxPackages.h"
#include "oxTest.h"

namespace {

// Names of the DLLs in a PE file's import table, upper-cased; empty when
// the file is not a PE image.
std::set<std::string> ImportedDlls(const std::string &image)
{
    std::set<std::string> names;
    auto at = [&](size_t offset, size_t size) { return offset + size <= image.size(); };
    if (!at(0, sizeof(IMAGE_DOS_HEADER)))
        return names;
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || !at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS32)))
        return names;
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(image.data() + dos->e_lfanew);
    const auto *sections = IMAGE_FIRST_SECTION(nt);
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER &s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return image.size();
    };
    const DWORD importRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t d = fileOffset(importRva); at(d, sizeof(IMAGE_IMPORT_DESCRIPTOR)); d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto *descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(image.data() + d);
        if (descriptor->Name == 0)
            break;
        std::string name(image.c_str() + fileOffset(descriptor->Name));
        std::transform(name.begin(), name.end(), name.begin(), ::toupper);
        names.insert(name);
    }
    return names;
}

// No COMCTL32 either: the extractor registers the progress dialog's
// controls without linking to the common controls library.
const std::set<std::string> SystemDlls = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "SHELL32.DLL",
                                          "MSVCRT.DLL", "ADVAPI32.DLL", "OLE32.DLL", "COMDLG32.DLL"};

} // namespace

TEST(ImportTable, ProgramsImportOnlySystemDlls)
{
    for (const char *program : {"oxtarn.exe", "oxpack.exe"}) {
        const std::set<std::string> dlls = ImportedDlls(ReadWholeFile(BinFolder() + program));
        ASSERT_FALSE(dlls.empty()) << program << " has no readable import table";
        EXPECT_TRUE(dlls.count("KERNEL32.DLL")) << program;
        for (const std::string &dll : dlls)
            EXPECT_TRUE(SystemDlls.count(dll)) << program << " imports " << dll;
    }
}

TEST(ExtractorSize, FitsInFortyEightKibibytes)
{
    EXPECT_LE(ReadWholeFile(BinFolder() + "oxtarn.exe").size(), 49152u);
}
