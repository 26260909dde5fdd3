// Names of any language: oxpack reads sources with the wide calls, stores
// a pure-ASCII name as it is and any other in UTF-8 with the cabinet's
// UTF-8 name flag, reads --list files as UTF-8 and prints UTF-8 where its
// output is no console.
#include <windows.h>
#include <fcntl.h>
#include <fci.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "PackTestTools.h"
#include "mPackFiles.h"
#include "mPackText.h"
#include "oxPackFixture.h"
#include "oxPackages.h"
#include "oxTest.h"
#include "uCabHeader.h"
#include "uCabWriter.h"
#include "uPackage.h"

namespace {

// Latin, Cyrillic, CJK and emoji, in nested folders, as UTF-8.
const std::vector<std::string> &PayloadNames()
{
    static const std::vector<std::string> names = {
        "plain.txt", "Latin\\café_über.txt", "Кириллица\\Привет.txt", "漢字\\ソフト\\表示.txt", "emoji\\😀.txt"};
    return names;
}

void WriteWide(const std::string &path, const std::string &bytes)
{
    HANDLE h = CreateFileW(WideOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    DWORD done = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
}

// The payload below folder (UTF-8 path, folder form); each file holds its
// own name.
void MakePayload(const std::string &folder)
{
    for (const std::string &name : PayloadNames()) {
        for (size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1))
            CreateDirectoryW(WideOf(folder + name.substr(0, at)).c_str(), nullptr);
        WriteWide(folder + name, "bytes of " + name);
    }
}

// A cabinet written straight through the platform's FCI the way oxpack
// wrote ASCII names before names of other languages were taken: the
// name's bytes as given, the attributes of the file and nothing more,
// the last-write time in UTC, MSZIP, one cabinet "lumbo".
namespace Reference {

std::string Folder;
int Temp = 0;

FNFCIALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFCIFREE(Free) { HeapFree(GetProcessHeap(), 0, memory); }
FNFCIOPEN(Open)
{
    (void)pmode, (void)err, (void)pv;
    const DWORD disposition = (oflag & _O_CREAT) ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE h = CreateFileA(pszFile, GENERIC_READ | ((oflag & (_O_RDWR | _O_WRONLY)) ? GENERIC_WRITE : 0),
                           FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(h);
}
FNFCIREAD(Read)
{
    (void)err, (void)pv;
    DWORD done = 0;
    return ReadFile(reinterpret_cast<HANDLE>(hf), memory, cb, &done, nullptr) ? done : static_cast<UINT>(-1);
}
FNFCIWRITE(Write)
{
    (void)err, (void)pv;
    DWORD done = 0;
    return WriteFile(reinterpret_cast<HANDLE>(hf), memory, cb, &done, nullptr) ? done : static_cast<UINT>(-1);
}
FNFCICLOSE(Close)
{
    (void)err, (void)pv;
    return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1;
}
FNFCISEEK(Seek)
{
    (void)err, (void)pv;
    return static_cast<LONG>(SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr,
                                            seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN));
}
FNFCIDELETE(Delete)
{
    (void)err, (void)pv;
    return DeleteFileA(pszFile) ? 0 : -1;
}
FNFCIGETTEMPFILE(TempFile)
{
    (void)pv;
    const std::string name = Folder + "ref" + std::to_string(++Temp) + ".tmp";
    if (static_cast<int>(name.size()) >= cbTempName)
        return FALSE;
    CopyMemory(pszTempName, name.c_str(), name.size() + 1);
    return TRUE;
}
FNFCIFILEPLACED(Placed)
{
    (void)pccab, (void)pszFile, (void)cbFile, (void)fContinuation, (void)pv;
    return 0;
}
FNFCISTATUS(Status)
{
    (void)cb1, (void)pv;
    return typeStatus == statusCabinet ? static_cast<LONG>(cb2) : 0;
}
FNFCIGETNEXTCABINET(NextCabinet)
{
    (void)pccab, (void)cbPrevCab, (void)pv;
    return FALSE;
}
FNFCIGETOPENINFO(OpenInfo)
{
    (void)pv;
    HANDLE h = CreateFileA(pszName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) {
        *err = 1;
        return -1;
    }
    FileTimeToDosDateTime(&info.ftLastWriteTime, pdate, ptime);
    *pattribs = static_cast<USHORT>(info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    return reinterpret_cast<INT_PTR>(h);
}

typedef HFCI(DIAMONDAPI *TCreate)(PERF, PFNFCIFILEPLACED, PFNFCIALLOC, PFNFCIFREE, PFNFCIOPEN, PFNFCIREAD,
                                  PFNFCIWRITE, PFNFCICLOSE, PFNFCISEEK, PFNFCIDELETE, PFNFCIGETTEMPFILE, PCCAB, void *);
typedef BOOL(DIAMONDAPI *TAddFile)(HFCI, char *, char *, BOOL, PFNFCIGETNEXTCABINET, PFNFCISTATUS, PFNFCIGETOPENINFO,
                                   TCOMP);
typedef BOOL(DIAMONDAPI *TFlushCabinet)(HFCI, BOOL, PFNFCIGETNEXTCABINET, PFNFCISTATUS);
typedef BOOL(DIAMONDAPI *TDestroy)(HFCI);

// The cabinet's bytes, or empty when the library fails.
std::string Cabinet(const std::vector<TPackFile> &files, uint16_t setId, const std::string &folder)
{
    Folder = folder;
    HMODULE library = LoadLibraryA("cabinet.dll");
    auto create = reinterpret_cast<TCreate>(reinterpret_cast<void *>(GetProcAddress(library, "FCICreate")));
    auto add = reinterpret_cast<TAddFile>(reinterpret_cast<void *>(GetProcAddress(library, "FCIAddFile")));
    auto flush = reinterpret_cast<TFlushCabinet>(reinterpret_cast<void *>(GetProcAddress(library, "FCIFlushCabinet")));
    auto destroy = reinterpret_cast<TDestroy>(reinterpret_cast<void *>(GetProcAddress(library, "FCIDestroy")));
    if (!create || !add || !flush || !destroy)
        return std::string();
    CCAB ccab = {};
    ccab.cb = 0x7FFFFFFF;
    ccab.cbFolderThresh = ccab.cb;
    ccab.iCab = 1;
    ccab.setID = setId;
    lstrcpyA(ccab.szCab, "lumbo");
    lstrcpyA(ccab.szCabPath, folder.c_str());
    ERF erf = {};
    HFCI fci = create(&erf, Placed, Alloc, Free, Open, Read, Write, Close, Seek, Delete, TempFile, &ccab, nullptr);
    bool ok = fci != nullptr;
    for (const TPackFile &file : files) {
        std::string source = file.SourcePath, name = file.CabinetName;
        ok = ok && add(fci, &source[0], &name[0], FALSE, NextCabinet, Status, OpenInfo, tcompTYPE_MSZIP);
    }
    ok = ok && flush(fci, FALSE, NextCabinet, Status);
    if (fci)
        destroy(fci);
    return ok ? ReadWholeFile(folder + "lumbo") : std::string();
}

}  // namespace Reference

struct UnicodeNames : ::testing::Test {
    std::string Folder;
    void SetUp() override
    {
        Folder = NewTestFolder("oxuni");
        ASSERT_FALSE(Folder.empty());
        CreateDirectoryA((Folder + "in").c_str(), nullptr);
        MakePayload(Folder + "in\\");
    }
    void TearDown() override { RemoveTestFolder(Folder); }

    TPackOptions Options(const std::string &output)
    {
        TPackOptions options;
        options.ExtractorPath = BinFolder() + "oxtarn.exe";
        options.OutputPath = Folder + output;
        options.Title = "Test";
        options.SetId = 7;
        return options;
    }
    // The entries of the embedded cabinet of a package just made.
    TCabHeader Embedded(const std::string &package, int64_t offset)
    {
        std::string bytes = ReadWholeFile(package), error;
        TCabHeader header;
        EXPECT_TRUE(offset > 0 && static_cast<size_t>(offset) < bytes.size());
        EXPECT_TRUE(ReadCabHeader(bytes.substr(static_cast<size_t>(offset)), header, error)) << error;
        return header;
    }
};

}  // namespace

TEST_F(UnicodeNames, NonAsciiNamesAreStoredInUtf8WithTheFlagAndAsciiNamesAsTheyAre)
{
    TPackOptions options = Options("p.exe");
    std::string error;
    ASSERT_TRUE(AddFolderFiles(Folder + "in", options.Files, error)) << error;
    std::vector<std::string> names;
    for (const TPackFile &file : options.Files)
        names.push_back(file.CabinetName);
    std::vector<std::string> expected = PayloadNames();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);

    TPackResult result;
    ASSERT_TRUE(MakePackage(options, result, error)) << error;
    const TCabHeader header = Embedded(options.OutputPath, result.CabinetOffset);
    ASSERT_EQ(expected.size(), header.Files.size());
    for (const TCabEntry &entry : header.Files) {
        EXPECT_NE(expected.end(), std::find(expected.begin(), expected.end(), entry.Name)) << entry.Name;
        EXPECT_EQ(!IsAsciiText(entry.Name), (entry.Attributes & CabNameIsUtf8) != 0) << entry.Name;
    }
    // An independent reader takes the flagged names and the data as sound.
    EXPECT_EQ("", CabextractProblems(options.OutputPath, expected.size()));
    // The platform's library reads every file back with its bytes.
    std::vector<TExtracted> files;
    std::string bytes = ReadWholeFile(options.OutputPath);
    ASSERT_TRUE(WriteWholeFile(Folder + "embedded.cab", bytes.substr(static_cast<size_t>(result.CabinetOffset))));
    ASSERT_TRUE(ExtractWithFdi(Folder, "embedded.cab", files, error)) << error;
    ASSERT_EQ(expected.size(), files.size());
    for (const TExtracted &file : files) {
        EXPECT_EQ("bytes of " + file.Name, file.Bytes) << file.Name;
        EXPECT_EQ(!IsAsciiText(file.Name), (file.Attributes & CabNameIsUtf8) != 0) << file.Name;
    }
}

// A package of ASCII names carries the cabinet oxpack wrote before names
// of other languages were taken, byte for byte, and the same bytes whether
// the names come from a folder or from a UTF-8 list with a byte-order mark.
TEST_F(UnicodeNames, AsciiPackagesAreByteIdenticalToBefore)
{
    CreateDirectoryA((Folder + "ascii").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(Folder + "ascii\\a.txt", "a"));
    ASSERT_TRUE(WriteWholeFile(Folder + "ascii\\b.txt", "bb"));
    TPackOptions fromFolder = Options("f.exe");
    std::string error;
    ASSERT_TRUE(AddFolderFiles(Folder + "ascii", fromFolder.Files, error)) << error;
    TPackResult result;
    ASSERT_TRUE(MakePackage(fromFolder, result, error)) << error;
    for (const TCabEntry &entry : Embedded(fromFolder.OutputPath, result.CabinetOffset).Files)
        EXPECT_EQ(0, entry.Attributes & CabNameIsUtf8) << entry.Name;
    const std::string first = ReadWholeFile(fromFolder.OutputPath);
    CreateDirectoryA((Folder + "ref").c_str(), nullptr);
    const std::string reference = Reference::Cabinet(fromFolder.Files, 7, Folder + "ref\\");
    ASSERT_FALSE(reference.empty());
    EXPECT_TRUE(first.substr(static_cast<size_t>(result.CabinetOffset)) == reference)
        << "the cabinet of an ASCII package differs from the one written before";

    ASSERT_TRUE(WriteWholeFile(Folder + "ascii.lst", "\xEF\xBB\xBF" "ascii\\a.txt|a.txt\r\nascii\\b.txt|b.txt\r\n"));
    std::string out, err;
    ASSERT_EQ(0, RunChild(Quote(BinFolder() + "oxpack.exe") + " --set-id 7 --title Test --output "
                              + Quote(Folder + "l.exe") + " --list " + Quote(Folder + "ascii.lst"),
                          out, err))
        << err;
    EXPECT_EQ(first, ReadWholeFile(Folder + "l.exe"));
}

// oxpack.exe started with the wide call: a folder named in Cyrillic and a
// UTF-8 list of CJK names are taken as typed; a list that is not UTF-8 is
// read in the ANSI code page with a warning naming it; --inspect into a
// pipe prints UTF-8.
TEST_F(UnicodeNames, CommandLineAndListsTakeAnyName)
{
    const std::string cyrillic = Folder + "Папка";
    ASSERT_TRUE(CreateDirectoryW(WideOf(cyrillic).c_str(), nullptr));
    WriteWide(cyrillic + "\\Привет.txt", "hi");
    std::string out, err;
    const std::string oxpack = Quote(BinFolder() + "oxpack.exe");
    ASSERT_EQ(0, RunChild(oxpack + " --output " + Quote(Folder + "c.exe") + " --folder " + Quote(cyrillic), out, err))
        << err;
    ASSERT_EQ(0, RunChild(oxpack + " --inspect " + Quote(Folder + "c.exe"), out, err)) << err;
    EXPECT_NE(std::string::npos, out.find("Привет.txt")) << out;

    ASSERT_TRUE(WriteWholeFile(Folder + "cjk.lst", "in\\漢字\\ソフト\\表示.txt|表示.txt\nin\\emoji\\😀.txt\n"));
    ASSERT_EQ(0, RunChild(oxpack + " --output " + Quote(Folder + "j.exe") + " --list " + Quote(Folder + "cjk.lst"), out,
                          err))
        << err;
    ASSERT_EQ(0, RunChild(oxpack + " --inspect " + Quote(Folder + "j.exe"), out, err)) << err;
    EXPECT_NE(std::string::npos, out.find("  表示.txt")) << out;
    EXPECT_NE(std::string::npos, out.find("  😀.txt")) << out;

    ASSERT_TRUE(WriteWholeFile(Folder + "ansi.lst", "in\\plain.txt|caf\xE9.txt\n"));
    EXPECT_EQ(0, RunChild(oxpack + " --output " + Quote(Folder + "a.exe") + " --list " + Quote(Folder + "ansi.lst"), out,
                          err));
    EXPECT_NE(std::string::npos, err.find("warning: the file list is neither UTF-8 nor UTF-16")) << err;
    EXPECT_NE(std::string::npos, err.find(Folder + "ansi.lst")) << err;
}
