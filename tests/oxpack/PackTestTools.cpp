#include <windows.h>
#include <fcntl.h>
#include <fdi.h>

#include "PackTestTools.h"

#include <gtest/gtest.h>
#include "oxPackFixture.h"

typedef INT(WINAPI *TLZOpenFileA)(LPSTR, LPOFSTRUCT, WORD);
typedef LONG(WINAPI *TLZCopy)(INT, INT);
typedef void(WINAPI *TLZClose)(INT);

bool ExpandWithPlatform(const std::string &compressed, std::string &expanded)
{
    HMODULE lz = LoadLibraryA("lz32.dll");
    if (!lz)
        return false;
    auto open = reinterpret_cast<TLZOpenFileA>(reinterpret_cast<void *>(GetProcAddress(lz, "LZOpenFileA")));
    auto copy = reinterpret_cast<TLZCopy>(reinterpret_cast<void *>(GetProcAddress(lz, "LZCopy")));
    auto close = reinterpret_cast<TLZClose>(reinterpret_cast<void *>(GetProcAddress(lz, "LZClose")));
    const std::string folder = NewTestFolder("oxszdd");
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

std::string ApplyPasswordRule(const std::string &bytes, const std::string &password, uint32_t position)
{
    std::string out = bytes;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char w = static_cast<unsigned char>(password[(position + i) % password.size()]);
        out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) ^ (255 - w));
    }
    return out;
}

std::vector<std::string> SplitCrLf(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

namespace {

typedef HFDI(DIAMONDAPI *TFdiCreate)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE, PFNSEEK, int, PERF);
typedef BOOL(DIAMONDAPI *TFdiCopy)(HFDI, char *, char *, int, PFNFDINOTIFY, PFNFDIDECRYPT, void *);
typedef BOOL(DIAMONDAPI *TFdiDestroy)(HFDI);

// Each extracted file goes to a numbered scratch file and is read back into
// the table when FDI closes it.
std::vector<TExtracted> *Collected = nullptr;
std::string ExtractFolder;
std::string NextCabinet;

FNALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFREE(Free) { HeapFree(GetProcessHeap(), 0, pv); }
FNOPEN(Open)
{
    (void)pmode;
    HANDLE h = CreateFileA(pszFile, (oflag & (_O_WRONLY | _O_RDWR)) ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                           FILE_SHARE_READ, nullptr, (oflag & _O_CREAT) ? CREATE_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(h);
}
FNREAD(Read)
{
    DWORD done = 0;
    return ReadFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr) ? done : static_cast<UINT>(-1);
}
FNWRITE(Write)
{
    DWORD done = 0;
    return WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr) ? done : static_cast<UINT>(-1);
}
FNCLOSE(Close) { return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1; }
FNSEEK(Seek)
{
    return static_cast<long>(SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr,
                                            seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN));
}

std::string OutName(size_t index)
{
    return ExtractFolder + "out" + std::to_string(index) + ".bin";
}

FNFDINOTIFY(Notify)
{
    switch (fdint) {
    case fdintCOPY_FILE: {
        TExtracted file;
        file.Name = pfdin->psz1;
        Collected->push_back(file);
        std::string path = OutName(Collected->size() - 1);
        return Open(&path[0], _O_CREAT | _O_RDWR, 0);
    }
    case fdintCLOSE_FILE_INFO: {
        Close(pfdin->hf);
        TExtracted &file = Collected->back();
        file.Bytes = ReadWholeFile(OutName(Collected->size() - 1));
        file.Date = pfdin->date;
        file.Time = pfdin->time;
        file.Attributes = pfdin->attribs;
        return TRUE;
    }
    case fdintNEXT_CABINET:
        // psz3 already holds the first cabinet's folder; files that begin
        // in the next cabinet need a copy call of their own, as in the
        // extractor.
        NextCabinet = pfdin->psz1;
        return 0;
    default:
        return 0;
    }
}

}  // namespace

bool ExtractWithFdi(const std::string &folder, const std::string &name, std::vector<TExtracted> &files,
                    std::string &error)
{
    HMODULE cabinet = LoadLibraryA("cabinet.dll");
    auto create = reinterpret_cast<TFdiCreate>(reinterpret_cast<void *>(GetProcAddress(cabinet, "FDICreate")));
    auto copy = reinterpret_cast<TFdiCopy>(reinterpret_cast<void *>(GetProcAddress(cabinet, "FDICopy")));
    auto destroy = reinterpret_cast<TFdiDestroy>(reinterpret_cast<void *>(GetProcAddress(cabinet, "FDIDestroy")));
    ERF erf = {};
    HFDI hfdi = create(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &erf);
    if (!hfdi) {
        error = "FDICreate failed";
        return false;
    }
    files.clear();
    Collected = &files;
    ExtractFolder = NewTestFolder("oxfdi");
    std::string cabName = name, cabPath = folder;
    BOOL ok = TRUE;
    for (int guard = 0; ok && !cabName.empty() && guard < 100; ++guard) {
        NextCabinet.clear();
        ok = copy(hfdi, &cabName[0], &cabPath[0], 0, Notify, nullptr, nullptr);
        if (!ok)
            error = "FDICopy of " + cabName + " failed with " + std::to_string(erf.erfOper);
        cabName = NextCabinet;
    }
    destroy(hfdi);
    RemoveTestFolder(ExtractFolder);
    Collected = nullptr;
    return ok != FALSE;
}

namespace {

std::string UnixPath(const std::string &windowsPath)
{
    typedef char *(CDECL * TUnixName)(LPCWSTR);
    static TUnixName unixName = reinterpret_cast<TUnixName>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    std::string path = windowsPath;
    if (unixName) {
        wchar_t wide[MAX_PATH * 2];
        MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2);
        if (char *name = unixName(wide)) {
            path = name;
            HeapFree(GetProcessHeap(), 0, name);
        }
    }
    return path;
}

}  // namespace

std::string ShellPath(const std::string &windowsPath)
{
    const std::string path = UnixPath(windowsPath);
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunNative(const std::string &shellCommand, std::string &output, unsigned timeoutMs)
{
    const std::string folder = NewTestFolder("oxnative");
    const std::string script = folder + "run.sh", outPath = folder + "out.txt", codePath = folder + "code.txt";
    // The code file appears by a rename, so that it is never read half-written.
    WriteWholeFile(script, "(" + shellCommand + ") >" + ShellPath(outPath) + " 2>&1 </dev/null\n"
                           "echo $? >" + ShellPath(codePath + ".part") + "\n"
                           "mv " + ShellPath(codePath + ".part") + " " + ShellPath(codePath) + "\n");
    // Wine's own way to start a Unix program; a Unix program given to
    // CreateProcessA also starts, but without a handle to wait on.
    typedef LONG(WINAPI * TSpawn)(char *const *argv, int wait);
    const TSpawn spawn = reinterpret_cast<TSpawn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    std::string shell = "/bin/sh", unixScript = UnixPath(script);
    char *argv[] = {&shell[0], &unixScript[0], nullptr};
    bool started = false;
    if (spawn) {
        started = spawn(argv, TRUE) == 0 || GetFileAttributesA(codePath.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    if (!started) {
        std::string line = "Z:\\bin\\sh \"" + unixScript + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
        if (process.hProcess)
            CloseHandle(process.hProcess);
        if (process.hThread)
            CloseHandle(process.hThread);
    }
    int code = -1;
    for (unsigned waited = 0; started && waited < timeoutMs; waited += 50) {
        if (GetFileAttributesA(codePath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            code = std::atoi(ReadWholeFile(codePath).c_str());
            break;
        }
        Sleep(50);
    }
    output = ReadWholeFile(outPath);
    RemoveTestFolder(folder);
    return code;
}

std::string CabextractProblems(const std::string &path, size_t expectedFiles)
{
    std::string output;
    const int code = RunNative("cd " + ShellPath(path.substr(0, path.find_last_of('\\') + 1)) + " && cabextract -t "
                                   + ShellPath(path),
                               output);
    if (code != 0)
        return "cabextract -t ended with " + std::to_string(code) + ":\n" + output;
    // One "  testing NAME  OK" line per file.
    size_t ok = 0;
    for (size_t at = 0; (at = output.find("  OK", at)) != std::string::npos; at += 4)
        ++ok;
    if (ok != expectedFiles || output.find("All done, no errors.") == std::string::npos)
        return "cabextract -t tested " + std::to_string(ok) + " of " + std::to_string(expectedFiles) + " files:\n" + output;
    return std::string();
}

void ExpectFdiReadsBack(const std::string &folder, const std::string &firstCabinet,
                        const std::vector<TPackFile> &sources)
{
    std::vector<TExtracted> files;
    std::string error;
    ASSERT_TRUE(ExtractWithFdi(folder, firstCabinet, files, error)) << error;
    ASSERT_EQ(sources.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(sources[i].CabinetName, files[i].Name);
        EXPECT_TRUE(files[i].Bytes == ReadWholeFile(sources[i].SourcePath)) << sources[i].CabinetName;
    }
}
