// uPackage: the packaging step. The pieces are checked and prepared in
// memory (extractor, compressed library, settings block) and the cabinet
// set is made in a private scratch folder; only then are the outputs
// written under temporary names and renamed, continuation cabinets first
// and the package last, so that a failure leaves nothing half-written.
#include <windows.h>

#include <algorithm>

#include "cabinet/uObfuscate.h"
#include "services/uSettings.h"
#include "mPackFiles.h"
#include "mSzdd.h"
#include "uCabHeader.h"
#include "uCabWriter.h"
#include "uPackLayout.h"
#include "uPackage.h"
#include "uPackIdentity.h"

namespace {

// The name recorded for the embedded cabinet: the pseudo name under which
// the extractor opens it.
const char *const EmbeddedCabinetName = "lumbo";

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string SystemLibraryPath()
{
    char folder[MAX_PATH];
    UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return "cabinet.dll";
    return std::string(folder, n) + "\\cabinet.dll";
}

std::string UpperAscii(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The extractor writes Destination + name, so a name must stay below the
// destination: relative, no drive, no "." or ".." part, no empty part.
bool CheckCabinetNames(const std::vector<TPackFile> &files, std::string &error)
{
    if (files.empty()) {
        error = "There are no files to pack.";
        return false;
    }
    std::vector<std::string> seen;
    for (const TPackFile &file : files) {
        const std::string &name = file.CabinetName;
        bool bad = name.empty() || name.size() >= 256 || name.find_first_of(":/*?\"<>|") != std::string::npos;
        size_t start = 0;
        while (!bad && start <= name.size()) {
            size_t end = name.find('\\', start);
            if (end == std::string::npos)
                end = name.size();
            const std::string part = name.substr(start, end - start);
            bad = part.empty() || part == "." || part == "..";
            start = end + 1;
        }
        for (char c : name)
            bad = bad || static_cast<unsigned char>(c) < 0x20;
        if (bad) {
            error = "The name in the cabinet is not a plain relative path: \"" + name + "\" (for " + file.SourcePath + ").";
            return false;
        }
        seen.push_back(UpperAscii(name));
    }
    std::sort(seen.begin(), seen.end());
    auto twin = std::adjacent_find(seen.begin(), seen.end());
    if (twin != seen.end()) {
        error = "Two files have the same name in the cabinet: " + *twin;
        return false;
    }
    return true;
}

bool ReadPiece(const std::string &what, const std::string &path, std::string &bytes, std::string &error)
{
    const int64_t size = FileSizeOf(path);
    if (size < 0) {
        error = "The " + what + " is missing or unreadable: " + path;
        return false;
    }
    if (size > 64 * 1024 * 1024) {
        error = "The " + what + " is far too large: " + path;
        return false;
    }
    std::string reason;
    if (!ReadFileRange(path, 0, size, bytes, reason) || static_cast<int64_t>(bytes.size()) != size) {
        error = "The " + what + " cannot be read: " + path;
        return false;
    }
    return true;
}

// A private folder in the temporary folder for the cabinet library's work.
bool MakeScratchFolder(std::string &folder, std::string &error)
{
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) {
        error = "The temporary folder cannot be found.";
        return false;
    }
    const std::string base(temp, n);
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        folder = base + "oxpack" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount() + attempt) + "\\";
        if (CreateDirectoryA(folder.c_str(), nullptr))
            return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    error = "A scratch folder cannot be created in the temporary folder: " + base;
    return false;
}

void RemoveScratchFolder(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

// Copies a cabinet file into an output, scrambled from its own byte 0
// when a password is given.
bool AppendCabinet(const std::string &cabinetPath, const std::string &password, TOutputFile &out, std::string &error)
{
    const int64_t size = FileSizeOf(cabinetPath);
    const int64_t chunk = 1 << 20;
    for (int64_t position = 0; position < size; position += chunk) {
        std::string bytes;
        if (!ReadFileRange(cabinetPath, position, chunk, bytes, error) || bytes.empty()) {
            error = "The cabinet just made cannot be read back: " + cabinetPath;
            return false;
        }
        if (!password.empty())
            ScrambleAt(reinterpret_cast<unsigned char *>(&bytes[0]), static_cast<int32_t>(bytes.size()),
                       static_cast<uint32_t>(position), password);
        if (!WriteOutput(out, bytes.data(), bytes.size(), error))
            return false;
    }
    return true;
}

// Wine's and older cabinet libraries quietly store a folder uncompressed
// when they lack the method asked for; the folder entries tell.
bool CheckCompressionKept(const std::string &cabinetPath, TCompression asked, std::string &error)
{
    const uint16_t wanted = asked == TCompression::None ? 0 : asked == TCompression::MsZip ? 1 : 3;
    std::string start;
    TCabHeader header;
    std::string reason;
    // The entries of a cabinet of many files run far past any fixed
    // window: read as far as the header itself says they reach.
    bool ok = ReadFileRange(cabinetPath, 0, 4096, start, reason);
    if (ok && start.size() >= 36) {
        const uint32_t extent = CabHeaderExtent(start);
        if (extent > start.size())
            ok = ReadFileRange(cabinetPath, 0, extent, start, reason);
    }
    if (!ok || !ReadCabHeader(start, header, reason)) {
        error = "The cabinet just made cannot be read back: " + cabinetPath;
        return false;
    }
    for (uint16_t type : header.FolderCompression) {
        if ((type & 0x000F) != wanted) {
            error = "The cabinet library does not offer " + CompressionName(wanted)
                    + " compression (it wrote " + CompressionName(type)
                    + "); choose another compression type.";
            return false;
        }
    }
    return true;
}

struct TPieces {
    std::string Extractor;
    std::string Library;  // compressed
    std::string Block;
};

bool PreparePieces(const TPackOptions &options, TPieces &pieces, std::string &error)
{
    const std::string extractorPath = options.ExtractorPath.empty() ? ProgramFolder() + "oxtarn.exe" : options.ExtractorPath;
    if (!ReadPiece("extractor", extractorPath, pieces.Extractor, error))
        return false;
    if (pieces.Extractor.size() < 2 || pieces.Extractor.compare(0, 2, "MZ") != 0) {
        error = "The extractor is not a Windows program: " + extractorPath;
        return false;
    }
    // The icon and version resources change the extractor's size, which
    // every offset of the settings block follows: they come first.
    if (!ApplyIdentity(pieces.Extractor, options.Identity, NameOf(options.OutputPath), error))
        return false;
    if (static_cast<int64_t>(pieces.Extractor.size()) > PackCopyBufferLength) {
        error = "The extractor is " + std::to_string(pieces.Extractor.size()) + " bytes; at most "
                + std::to_string(PackCopyBufferLength) + " fit the extractor's copy buffer: " + extractorPath;
        return false;
    }
    const std::string libraryPath = options.LibraryPath.empty() ? SystemLibraryPath() : options.LibraryPath;
    std::string library;
    if (!ReadPiece("cabinet library", libraryPath, library, error))
        return false;
    if (library.empty()) {
        error = "The cabinet library is empty: " + libraryPath;
        return false;
    }
    // The compressed library may be larger than the extractor's copy
    // buffer (the system's own cabinet.dll often is): the extractor reads
    // it at LibraryOffset directly rather than through that buffer.
    const std::string libraryName = NameOf(libraryPath);
    pieces.Library = CompressSzdd(library, libraryName.empty() ? 'l' : libraryName.back());
    if (pieces.Library.empty()) {
        error = "The cabinet library could not be compressed: " + libraryPath;
        return false;
    }
    if (!BuildSettingsBlock(options, static_cast<int32_t>(pieces.Extractor.size()),
                            static_cast<int32_t>(pieces.Library.size()), pieces.Block, error))
        return false;
    // The extractor takes the first marker line it meets; if the extractor
    // or the library happened to hold one, it would read garbage settings.
    const std::string head = pieces.Extractor + pieces.Library + pieces.Block;
    const int64_t expected = static_cast<int64_t>(head.size() - pieces.Block.size()) + 2
                             + static_cast<int64_t>(SettingsMarkerLine.size());
    if (head.size() > static_cast<size_t>(MarkerScanLength) || FindMarkerLine(head) != expected) {
        error = "The extractor or the compressed cabinet library holds a line \"$KORVANTE$\" of its own; "
                "the extractor would not find the settings.";
        return false;
    }
    return true;
}

}  // namespace

std::string ContinuationStem(const std::string &outputPath)
{
    std::string name = NameOf(outputPath);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

bool AddFolderFiles(const std::string &folder, std::vector<TPackFile> &files, std::string &error)
{
    if (!IsFolder(folder)) {
        error = "The input folder is missing: " + folder;
        return false;
    }
    std::string root = folder;
    if (root.back() != '\\' && root.back() != '/')
        root += '\\';
    std::vector<std::string> pending(1, std::string());
    std::vector<TPackFile> found;
    while (!pending.empty()) {
        const std::string relative = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAA entry;
        HANDLE h = FindFirstFileA((root + relative + "*").c_str(), &entry);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                pending.push_back(relative + name + "\\");
            else
                found.push_back(TPackFile{root + relative + name, relative + name});
        } while (FindNextFileA(h, &entry));
        FindClose(h);
    }
    std::sort(found.begin(), found.end(),
              [](const TPackFile &a, const TPackFile &b) { return a.CabinetName < b.CabinetName; });
    if (found.empty()) {
        error = "The input folder holds no files: " + folder;
        return false;
    }
    files.insert(files.end(), found.begin(), found.end());
    return true;
}

bool MakePackage(const TPackOptions &options, std::string &error)
{
    TPackResult result;
    return MakePackage(options, result, error);
}

bool MakePackage(const TPackOptions &options, TPackResult &result, std::string &error)
{
    result = TPackResult();
    if (options.OutputPath.empty()) {
        error = "No output file was named.";
        return false;
    }
    if (IsFolder(options.OutputPath)) {
        error = "The output path is a folder: " + options.OutputPath;
        return false;
    }
    if (!CheckSettingsFields(options, error) || !CheckCabinetNames(options.Files, error))
        return false;
    if (options.MaxCabinetSize != 0 && options.MaxCabinetSize < MinCabinetSize) {
        error = "The maximum cabinet size must be at least " + std::to_string(MinCabinetSize) + " bytes.";
        return false;
    }
    for (const TPackFile &file : options.Files) {
        if (FileSizeOf(file.SourcePath) < 0) {
            error = "The input file is missing or unreadable: " + file.SourcePath;
            return false;
        }
    }
    TPieces pieces;
    if (!PreparePieces(options, pieces, error))
        return false;
    const std::string outputPath = FullPathOf(options.OutputPath);

    std::string scratch;
    if (!MakeScratchFolder(scratch, error))
        return false;
    TCabinetRequest request;
    request.Files = options.Files;
    request.Compression = options.Compression;
    request.MaxCabinetSize = options.MaxCabinetSize;
    request.Folder = scratch;
    request.FirstName = EmbeddedCabinetName;
    request.ContinuationStem = ContinuationStem(outputPath);
    TCabinetSet set;
    bool ok = WriteCabinetSet(request, set, error) && CheckCompressionKept(set.Paths[0], options.Compression, error);

    result.LibraryOffset = static_cast<int64_t>(pieces.Extractor.size());
    result.LibraryLength = static_cast<int64_t>(pieces.Library.size());
    result.BlockLength = static_cast<int64_t>(pieces.Block.size());
    result.CabinetOffset = result.LibraryOffset + result.LibraryLength + result.BlockLength;
    if (ok) {
        result.PackageSize = result.CabinetOffset + FileSizeOf(set.Paths[0]);
        // The extractor positions and measures the cabinet with signed
        // 32-bit numbers.
        if (result.CabinetOffset >= PackPositionLimit || result.PackageSize >= PackPositionLimit) {
            error = "The package would reach 2 GiB, beyond what the extractor can read; set a maximum cabinet size.";
            ok = false;
        }
    }

    const std::string password = options.PasswordProtected ? options.Password : std::string();
    std::vector<TOutputFile> outputs;
    for (size_t i = 1; ok && i < set.Paths.size(); ++i) {
        outputs.emplace_back();
        const std::string path = FolderOf(outputPath) + set.Names[i];
        ok = OpenOutput(path, outputs.back(), error) && AppendCabinet(set.Paths[i], password, outputs.back(), error)
             && CloseOutput(outputs.back(), error);
        if (ok)
            result.ContinuationPaths.push_back(path);
    }
    if (ok) {
        outputs.emplace_back();
        TOutputFile &package = outputs.back();
        ok = OpenOutput(outputPath, package, error)
             && WriteOutput(package, pieces.Extractor.data(), pieces.Extractor.size(), error)
             && WriteOutput(package, pieces.Library.data(), pieces.Library.size(), error)
             && WriteOutput(package, pieces.Block.data(), pieces.Block.size(), error)
             && AppendCabinet(set.Paths[0], password, package, error) && CloseOutput(package, error);
    }
    for (size_t i = 0; ok && i < outputs.size(); ++i)
        ok = CommitOutput(outputs[i], error);
    for (TOutputFile &file : outputs)
        DiscardOutput(file);
    RemoveScratchFolder(scratch);
    if (!ok)
        result.ContinuationPaths.clear();
    return ok;
}
