// uLibraryCheck: the carried library is only used where the system's own
// does not load, so it must load there: built for the extractor's machine,
// with the four entry points the extractor binds, and needing nothing the
// system lacks. Wine's builtin DLLs load only inside Wine.
#include "uLibraryCheck.h"

#include <algorithm>

namespace {

uint32_t At(const std::string &b, size_t offset, size_t width)
{
    uint32_t value = 0;
    for (size_t i = 0; i < width && offset + i < b.size(); ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(b[offset + i])) << (8 * i);
    return value;
}

struct TPeView {
    const std::string *Bytes = nullptr;
    size_t Sections = 0, SectionCount = 0;
    size_t Directories = 0, DirectoryCount = 0;
    uint16_t Machine = 0, Characteristics = 0, Magic = 0;
};

bool ReadPe(const std::string &b, TPeView &pe)
{
    if (b.size() < 0x40 || b.compare(0, 2, "MZ") != 0)
        return false;
    const size_t header = At(b, 0x3C, 4);
    if (header > b.size() || b.size() - header < 24 || b.compare(header, 4, std::string("PE\0\0", 4)) != 0)
        return false;
    pe.Bytes = &b;
    pe.Machine = static_cast<uint16_t>(At(b, header + 4, 2));
    pe.SectionCount = At(b, header + 6, 2);
    pe.Characteristics = static_cast<uint16_t>(At(b, header + 22, 2));
    const size_t optional = header + 24;
    pe.Magic = static_cast<uint16_t>(At(b, optional, 2));
    const size_t wide = pe.Magic == 0x20B ? 16 : 0;  // PE32+ has 64-bit fields before the directories
    pe.DirectoryCount = At(b, optional + 92 + wide, 4);
    pe.Directories = optional + 96 + wide;
    pe.Sections = optional + At(b, header + 20, 2);
    return pe.Sections + 40 * pe.SectionCount <= b.size();
}

// The file offset of a relative virtual address; 0 when no section holds it.
size_t OffsetOf(const TPeView &pe, uint32_t rva)
{
    for (size_t i = 0; i < pe.SectionCount; ++i) {
        const size_t s = pe.Sections + 40 * i;
        const uint32_t address = At(*pe.Bytes, s + 12, 4);
        const uint32_t extent = std::max(At(*pe.Bytes, s + 8, 4), At(*pe.Bytes, s + 16, 4));
        if (rva >= address && rva - address < extent) {
            const size_t offset = At(*pe.Bytes, s + 20, 4) + (rva - address);
            return offset < pe.Bytes->size() ? offset : 0;
        }
    }
    return 0;
}

std::string TextAt(const TPeView &pe, uint32_t rva)
{
    const size_t offset = OffsetOf(pe, rva);
    if (offset == 0)
        return std::string();
    const size_t end = pe.Bytes->find('\0', offset);
    return pe.Bytes->substr(offset, std::min<size_t>(end == std::string::npos ? 0 : end - offset, 256));
}

// Directory index (0 exports, 1 imports) as its file offset; 0 when absent.
size_t DirectoryOffset(const TPeView &pe, size_t index)
{
    if (index >= pe.DirectoryCount)
        return 0;
    const uint32_t rva = At(*pe.Bytes, pe.Directories + 8 * index, 4);
    return rva == 0 ? 0 : OffsetOf(pe, rva);
}

std::vector<std::string> ExportedNames(const TPeView &pe)
{
    std::vector<std::string> names;
    const size_t exports = DirectoryOffset(pe, 0);
    if (exports == 0)
        return names;
    const uint32_t count = std::min<uint32_t>(At(*pe.Bytes, exports + 24, 4), 65536);
    const size_t table = OffsetOf(pe, At(*pe.Bytes, exports + 32, 4));
    for (uint32_t i = 0; table != 0 && i < count && table + 4 * i + 4 <= pe.Bytes->size(); ++i)
        names.push_back(TextAt(pe, At(*pe.Bytes, table + 4 * i, 4)));
    return names;
}

std::vector<std::string> ImportedLibraries(const TPeView &pe)
{
    std::vector<std::string> names;
    const size_t imports = DirectoryOffset(pe, 1);
    for (size_t d = imports; imports != 0 && d + 20 <= pe.Bytes->size() && names.size() < 1024; d += 20) {
        const uint32_t name = At(*pe.Bytes, d + 12, 4);
        if (name == 0)
            break;
        std::string text = TextAt(pe, name);
        for (char &c : text)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        names.push_back(text);
    }
    return names;
}

std::string MachineName(uint16_t machine)
{
    return machine == PeMachineI386 ? "32-bit (i386)" : machine == PeMachineAmd64 ? "64-bit (AMD64)"
                                                                                  : "machine " + std::to_string(machine);
}

// What every Windows the extractor runs on has in its system folder; the
// C runtime of Windows 10 (ucrtbase, api-ms-win-crt-*) and libraries such
// as zlib1 are not among them.
const char *const SystemLibraries[] = {"kernel32.dll", "ntdll.dll",   "msvcrt.dll",   "user32.dll",
                                       "advapi32.dll", "gdi32.dll",   "shell32.dll",  "ole32.dll",
                                       "oleaut32.dll", "shlwapi.dll", "rpcrt4.dll",   "version.dll",
                                       "comctl32.dll", "setupapi.dll", "crypt32.dll", "lz32.dll"};

}  // namespace

uint16_t PeMachineOf(const std::string &bytes)
{
    TPeView pe;
    return ReadPe(bytes, pe) ? pe.Machine : 0;
}

std::string WhyLibraryIsUnfit(const std::string &library, uint16_t machine, std::vector<std::string> &warnings)
{
    TPeView pe;
    if (!ReadPe(library, pe) || !(pe.Characteristics & 0x2000))
        return "it is not a Windows DLL";
    if (pe.Machine != machine || pe.Magic != (machine == PeMachineI386 ? 0x10B : 0x20B))
        return "it is built for " + MachineName(pe.Machine) + ", but the extractor it is packed with is "
               + MachineName(machine);
    if (library.find("Wine builtin DLL") != std::string::npos)
        return "it is Wine's builtin DLL (it says \"Wine builtin DLL\"), which loads only inside Wine, never on "
               "the Windows systems a carried copy is for";
    const std::vector<std::string> exported = ExportedNames(pe);
    for (const char *name : {"FDICreate", "FDIIsCabinet", "FDICopy", "FDIDestroy"})
        if (std::find(exported.begin(), exported.end(), name) == exported.end())
            return std::string("it does not export ") + name + ", which the extractor binds";
    for (const std::string &imported : ImportedLibraries(pe))
        if (std::find(std::begin(SystemLibraries), std::end(SystemLibraries), imported) == std::end(SystemLibraries))
            warnings.push_back("warning: the cabinet library imports " + imported
                               + ", which Windows does not ship everywhere; where the system's own library is "
                                 "missing, this copy may not load either.");
    return std::string();
}
