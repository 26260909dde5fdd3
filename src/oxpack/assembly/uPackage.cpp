// uPackage: the packaging step. The pieces are checked and prepared in
// memory (extractor, compressed library, settings block) and the cabinet
// set is made in a private scratch folder; only then are the outputs
// written under temporary names and put in place as one set (what they
// replace is set aside and put back on failure), so that a failure leaves
// nothing half-written and never an old package beside a new set.

#include <algorithm>

#include "format/uObfuscate.h"
#include "format/uSettingsBlock.h"
#include "mPackFiles.h"
#include "mPackText.h"
#include "mSzdd.h"
#include "uCabHeader.h"
#include "uCabinetDigest.h"
#include "uCabWriter.h"
#include "uPackLayout.h"
#include "uPackNames.h"
#include "uLibraryCheck.h"
#include "uPackage.h"
#include "uPackIdentity.h"

namespace {

// The name recorded for the embedded cabinet: the pseudo name under which
// the extractor opens it.
const char *const EmbeddedCabinetName = "lumbo";

bool ReadPiece(const std::string &what, const std::string &path, std::string &bytes, std::string &error)
{
    const int64_t size = FileSizeOf(path);
    if (!IsReadableFile(path)) {
        error = "The " + what + " " + WhyUnreadable(path) + ": " + path;
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

struct TPieces {
    std::string Extractor;
    std::string Library;  // compressed
    std::string Block;
};

bool PreparePieces(const TPackOptions &options, TPieces &pieces, std::vector<std::string> &notes, std::string &error)
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
    if (!options.NoLibrary && !options.LibraryPath.empty()) {
        const std::string &libraryPath = options.LibraryPath;
        std::string library;
        if (!ReadPiece("cabinet library", libraryPath, library, error))
            return false;
        if (library.empty()) {
            error = "The cabinet library is empty: " + libraryPath;
            return false;
        }
        const std::string why = options.LibraryUnchecked ? std::string()
                                                         : WhyLibraryIsUnfit(library, PeMachineOf(pieces.Extractor), notes);
        if (!why.empty()) {
            error = "The cabinet library cannot serve the extractor: " + why + ": " + libraryPath;
            return false;
        }
        // The compressed library may be larger than the extractor's copy
        // buffer (the system's own cabinet.dll often is): the extractor
        // reads it at LibraryOffset directly rather than through that buffer.
        const std::string libraryName = NameOf(libraryPath);
        pieces.Library = CompressSzdd(library, libraryName.empty() ? 'l' : libraryName.back());
        if (pieces.Library.empty()) {
            error = "The cabinet library could not be compressed: " + libraryPath;
            return false;
        }
    }
    if (!BuildSettingsBlock(options, static_cast<int32_t>(pieces.Extractor.size()),
                            static_cast<int32_t>(pieces.Library.size()), pieces.Block, error))
        return false;
    // The extractor takes the first marker line it meets; if the extractor
    // or the library happened to hold one, it would read garbage settings.
    const std::string head = pieces.Extractor + pieces.Library + pieces.Block;
    const int64_t expected = static_cast<int64_t>(head.size() - pieces.Block.size()) + 2
                             + static_cast<int64_t>(SettingsMarkerLine.size());
    // The one limit on the extractor's size (with its icons and the
    // library): the extractor looks for its settings that far only.
    if (head.size() > static_cast<size_t>(MarkerScanLength)) {
        error = "The extractor, the compressed cabinet library and the settings come to "
                + std::to_string(head.size()) + " bytes; the extractor finds its settings only in the first "
                + std::to_string(MarkerScanLength) + ": " + extractorPath;
        return false;
    }
    if (FindMarkerLine(head) != expected) {
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

bool AddFolderFiles(const std::string &folder, std::vector<TPackFile> &files, std::string &error,
                    std::vector<std::string> *emptyFolders)
{
    if (!IsFolder(folder)) {
        error = "The input folder " + WhyUnreadable(folder) + ": " + folder;
        return false;
    }
    std::string root = folder;
    if (root.back() != '\\' && root.back() != '/')
        root += '\\';
    std::vector<std::string> pending(1, std::string());
    std::vector<TPackFile> found;
    std::vector<std::string> empty;
    while (!pending.empty()) {
        const std::string relative = pending.back();
        pending.pop_back();
        // The file calls fail on longer paths, and a folder that cannot
        // be listed would silently lose its files.
        const std::string pattern = root + relative + "*";
        if (PathLength(pattern) >= PackMaxPath) {
            error = "The path is longer than the " + std::to_string(PackMaxPath - 1)
                    + " characters the file calls used here take; move the files to a shorter folder: "
                    + root + relative;
            return false;
        }
        std::vector<TFolderEntry> entries;
        if (!ListFolder(root + relative, "*", entries)) {
            error = "The folder cannot be listed: " + root + relative;
            return false;
        }
        const bool any = !entries.empty();
        for (const TFolderEntry &entry : entries) {
            const std::string &name = entry.Name;
            if (entry.IsFolder) {
                pending.push_back(relative + name + "\\");
                continue;
            }
            const std::string path = root + relative + name;
            if (PathLength(path) >= PackMaxPath) {
                error = "The path is longer than the " + std::to_string(PackMaxPath - 1)
                        + " characters the file calls used here take; move the files to a shorter folder: " + path;
                return false;
            }
            found.push_back(TPackFile{path, relative + name});
        }
        if (!any && !relative.empty())
            empty.push_back(relative.substr(0, relative.size() - 1));
    }
    std::sort(found.begin(), found.end(),
              [](const TPackFile &a, const TPackFile &b) { return a.CabinetName < b.CabinetName; });
    std::sort(empty.begin(), empty.end());
    if (emptyFolders)
        emptyFolders->insert(emptyFolders->end(), empty.begin(), empty.end());
    if (found.empty()) {
        error = "The input folder holds no files: " + folder;
        return false;
    }
    files.insert(files.end(), found.begin(), found.end());
    return true;
}

void InterruptPackage(bool interrupt)
{
    AbortCabinetSet(interrupt);
}

bool MakePackage(const TPackOptions &options, std::string &error)
{
    TPackResult result;
    return MakePackage(options, result, error);
}

namespace {

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// stem + digits + ".cab", the names a set with this stem gives its
// continuation cabinets; 0 when name is none of them.
int ContinuationIndex(const std::string &stem, const std::string &name)
{
    const std::string n = Lower(name), s = Lower(stem);
    if (n.size() <= s.size() + 4 || n.compare(0, s.size(), s) != 0 || n.compare(n.size() - 4, 4, ".cab") != 0)
        return 0;
    const std::string digits = n.substr(s.size(), n.size() - s.size() - 4);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos
        || digits[0] == '0')
        return 0;
    return std::stoi(digits);
}

// The files to pack: the options' files less the excluded ones and less
// the package and its continuation cabinets, which a folder that holds
// the output would otherwise pack into themselves.
std::vector<TPackFile> FilesToPack(const TPackOptions &options, const std::string &outputPath, TPackResult &result)
{
    const std::string outputFolder = Lower(FolderOf(outputPath));
    const std::string stem = ContinuationStem(outputPath);
    std::vector<TPackFile> files;
    std::vector<bool> used(options.Excludes.size(), false);
    for (const TPackFile &file : options.Files) {
        bool excluded = false;
        for (size_t i = 0; i < options.Excludes.size(); ++i)
            if (MatchesExclude(options.Excludes[i], file.CabinetName))
                excluded = used[i] = true;
        if (excluded)
            continue;
        const std::string source = FullPathOf(file.SourcePath);
        if (Lower(source) == Lower(outputPath)) {
            result.Notes.push_back("left out " + file.SourcePath + ": it is the package being written.");
            continue;
        }
        if (Lower(FolderOf(source)) == outputFolder && ContinuationIndex(stem, NameOf(source)) >= 2) {
            result.Notes.push_back("left out " + file.SourcePath + ": it is a continuation cabinet of the package being written.");
            continue;
        }
        files.push_back(file);
    }
    // A pattern that leaves nothing out is most likely mistyped.
    for (size_t i = 0; i < options.Excludes.size(); ++i)
        if (!used[i])
            result.Notes.push_back("warning: --exclude " + options.Excludes[i] + " matches no file.");
    return files;
}

// FILETIME ticks of seconds since 1970 (0 for none, below 1601 or beyond).
uint64_t FileTimeOfSeconds(int64_t seconds)
{
    const int64_t since1601 = 11644473600LL;
    if (seconds < 0 || seconds > 0x7FFFFFFFFFFFLL)
        return 0;
    return static_cast<uint64_t>(seconds + since1601) * 10000000u;
}

// FNV-1a: the set ID follows the inputs, so the same inputs give the same bytes.
uint16_t SetIdOf(const std::vector<TPackFile> &files, const std::string &block, uint64_t latest)
{
    uint32_t hash = 2166136261u;
    auto mix = [&hash](const void *data, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            hash ^= static_cast<const unsigned char *>(data)[i];
            hash *= 16777619u;
        }
    };
    mix(block.data(), block.size());
    for (const TPackFile &file : files) {
        const TFileStamp stamp = FileStampOf(file.SourcePath);
        const uint64_t written = latest != 0 && stamp.WriteTime > latest ? latest : stamp.WriteTime;
        // Little-endian words in the order the system's record holds them.
        const uint32_t words[5] = {static_cast<uint32_t>(stamp.Size >> 32), static_cast<uint32_t>(stamp.Size),
                                   static_cast<uint32_t>(written), static_cast<uint32_t>(written >> 32),
                                   stamp.Attributes};
        mix(file.CabinetName.c_str(), file.CabinetName.size() + 1);
        for (uint32_t word : words)
            for (int shift = 0; shift < 32; shift += 8) {
                const unsigned char byte = static_cast<unsigned char>(word >> shift);
                mix(&byte, 1);
            }
    }
    return static_cast<uint16_t>((hash >> 16) ^ (hash & 0xFFFF));
}

// Every source readable and each within what one cabinet folder holds;
// checked before anything is written.
bool CheckSources(const std::vector<TPackFile> &files, uint32_t folderBytes, std::string &error)
{
    for (const TPackFile &file : files) {
        const int64_t size = FileSizeOf(file.SourcePath);
        if (!IsReadableFile(file.SourcePath)) {
            error = "The input file " + WhyUnreadable(file.SourcePath) + ": " + file.SourcePath;
            return false;
        }
        if (size > static_cast<int64_t>(folderBytes)) {
            error = "The input file is too large for a cabinet: " + file.SourcePath + " is " + WithThousands(size)
                    + " bytes; the cabinet format holds at most " + WithThousands(folderBytes)
                    + " bytes in one file.";
            return false;
        }
    }
    return true;
}

// The set of the package at path, known by its embedded cabinet's header
// (none when path holds no package, or one protected with another
// password than this build's): what the files it wrote beside it share.
struct TReplacedSet {
    bool Known = false;
    TCabHeader Header;
    std::string Password;  // the old set's scrambling; empty when unprotected
};

TReplacedSet ReplacedSetOf(const std::string &path, const std::string &password)
{
    TReplacedSet set;
    std::string head, bytes, reason;
    const int64_t marker = FileSizeOf(path) > 0 && ReadFileRange(path, 0, MarkerScanLength, head, reason)
                               ? FindMarkerLine(head) : -1;
    if (marker < 0 || !ReadFileRange(path, marker, SettingsCopyLength, bytes, reason))
        return set;
    TSettingsBlock settings;
    ReadSettingsBlock(bytes, settings);
    if (!settings.Complete || settings.CabinetOffset <= 0 || (settings.PasswordProtected && password.empty()))
        return set;
    set.Password = settings.PasswordProtected ? password : std::string();
    set.Known = ReadCabinetAt(path, settings.CabinetOffset, set.Password, set.Header, reason);
    return set;
}

// Whether the file at path is the cabinet that set names number (its
// embedded cabinet being number 1): the same version and set ID, and the
// index that many past the embedded cabinet's.
bool IsCabinetOfSet(const std::string &path, const TReplacedSet &set, int number)
{
    TCabHeader header;
    std::string reason;
    return set.Known && ReadCabinetAt(path, 0, set.Password, header, reason) &&
           header.Version == set.Header.Version && header.SetId == set.Header.SetId &&
           header.Index == set.Header.Index + number - 1;
}

// A file beside the output whose name is that of a continuation cabinet,
// and whether it is one of the set being replaced.
struct TContinuationFile {
    std::string Path;
    int Number;  // n of stem + n + ".cab"; its index in the set is n - 1
    bool OfReplacedSet;
};

// Files named as continuation cabinets of this stem. A name proves
// nothing (every builder, and every package whose name ends in digits,
// may use it): only a cabinet of the package being replaced is ours.
std::vector<TContinuationFile> ContinuationNamedFiles(const std::string &outputPath, const TReplacedSet &set)
{
    const std::string folder = FolderOf(outputPath);
    const std::string stem = ContinuationStem(outputPath);
    std::vector<TContinuationFile> files;
    std::vector<TFolderEntry> entries;
    ListFolder(folder, stem + "*.cab", entries);
    for (const TFolderEntry &entry : entries) {
        const std::string path = folder + entry.Name;
        const int number = ContinuationIndex(stem, NameOf(path));
        if (number >= 2 && !entry.IsFolder)
            files.push_back(TContinuationFile{path, number, IsCabinetOfSet(path, set, number)});
    }
    std::sort(files.begin(), files.end(),
              [](const TContinuationFile &a, const TContinuationFile &b) { return a.Number < b.Number; });
    return files;
}

}  // namespace

// Reads the header of the cabinet that starts at offset in path, its bytes
// unscrambled from the cabinet's own byte 0.
bool ReadCabinetAt(const std::string &path, int64_t offset, const std::string &password, TCabHeader &header,
                   std::string &error)
{
    std::string bytes;
    if (!ReadFileRange(path, offset, 4096, bytes, error))
        return false;
    auto unscramble = [&password](std::string &b) {
        if (!password.empty() && !b.empty())
            ScrambleAt(reinterpret_cast<unsigned char *>(&b[0]), static_cast<int32_t>(b.size()), 0, password);
    };
    unscramble(bytes);
    if (bytes.size() >= 36 && bytes.compare(0, 4, "MSCF") == 0) {
        const uint32_t extent = CabHeaderExtent(bytes);
        if (extent > bytes.size()) {
            if (!ReadFileRange(path, offset, extent, bytes, error))
                return false;
            unscramble(bytes);
        }
    }
    if (!ReadCabHeader(bytes, header, error)) {
        if (password.empty())
            error += " (a password-protected package needs --password)";
        else
            error += " (wrong password, or the package is damaged)";
        return false;
    }
    return true;
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
    const std::string outputPath = FullPathOf(options.OutputPath);
    // Read before anything is replaced: which files beside the output are
    // cabinets of the package it replaces (a protected one is read with
    // this build's password; with another, none is known to be its).
    const std::vector<TContinuationFile> named = ContinuationNamedFiles(
        outputPath, ReplacedSetOf(outputPath, options.PasswordProtected ? options.Password : std::string()));
    TPackOptions checked = options;
    checked.Files = FilesToPack(options, outputPath, result);
    // Names before sources: a name Windows forbids cannot be a file either,
    // and "missing" would hide why.
    if (!CheckSettingsFields(checked, error) || !CheckCabinetNames(checked.Files, error)
        || !CheckSources(checked.Files, options.FolderBytes, error) || !CheckCommandAndDestination(checked, result.Notes, error))
        return false;
    if (options.MaxCabinetSize != 0 && options.MaxCabinetSize < MinCabinetSize) {
        error = "The maximum cabinet size must be at least " + std::to_string(MinCabinetSize) + " bytes.";
        return false;
    }
    // The extractor goes on to a continuation cabinet only where a file
    // runs into it, so a set cannot be broken between files to hold more:
    // one cabinet must hold them all, or the size limit split them.
    if (options.MaxCabinetSize == 0 && checked.Files.size() > options.FilesPerCabinet) {
        error = "There are " + WithThousands(static_cast<int64_t>(checked.Files.size()))
                + " files to pack; one cabinet lists at most " + WithThousands(options.FilesPerCabinet)
                + ". Split the set with --max-cabinet-size (each cabinet lists its own), or pack fewer files.";
        return false;
    }
    TPieces pieces;
    if (!PreparePieces(checked, pieces, result.Notes, error))
        return false;

    std::string scratch;
    if (!MakeScratchFolder(scratch, error))
        return false;
    TCabinetRequest request;
    request.Files = checked.Files;
    request.Compression = options.Compression;
    request.MaxCabinetSize = options.MaxCabinetSize;
    request.Folder = scratch;
    request.FirstName = EmbeddedCabinetName;
    request.ContinuationStem = ContinuationStem(outputPath);
    request.LatestFileTime = options.LatestFileTime >= 0 ? FileTimeOfSeconds(options.LatestFileTime) : 0;
    request.SetId = options.SetId >= 0 ? static_cast<uint16_t>(options.SetId)
                                       : SetIdOf(checked.Files, pieces.Block, request.LatestFileTime);
    request.FolderBytes = options.FolderBytes;
    request.BreakAfterFiles = options.BreakCabinetAfterFiles;
    request.MaxFilesPerCabinet = options.FilesPerCabinet;
    request.Jobs = options.Jobs;
    request.Progress = options.Progress;
    request.ProgressContext = options.ProgressContext;
    TCabinetSet set;
    bool ok = WriteCabinetSet(request, set, error);

    result.LibraryOffset = static_cast<int64_t>(pieces.Extractor.size());
    result.LibraryLength = static_cast<int64_t>(pieces.Library.size());
    result.BlockLength = static_cast<int64_t>(pieces.Block.size());
    result.CabinetOffset = result.LibraryOffset + result.LibraryLength + result.BlockLength;
    if (ok) {
        result.PackageSize = result.CabinetOffset + FileSizeOf(set.Paths[0]);
        // The extractor positions and measures the cabinet with signed
        // 32-bit numbers.
        if (result.CabinetOffset >= PackageSizeLimit || result.PackageSize >= PackageSizeLimit) {
            error = "The package would reach 2 GiB, beyond what the extractor can read; set a maximum cabinet size.";
            ok = false;
        }
    }

    for (const TContinuationFile &file : named) {
        if (ok && !file.OfReplacedSet && file.Number <= static_cast<int>(set.Paths.size())) {
            error = "The new set needs the name of " + file.Path + ", which is not a cabinet of the package "
                    "being replaced; move or rename it. Nothing was written.";
            ok = false;
        }
    }

    const std::string password = options.PasswordProtected ? options.Password : std::string();
    std::vector<TOutputFile> outputs;
    std::vector<std::string> continuations;
    for (size_t i = 1; ok && i < set.Paths.size(); ++i) {
        outputs.emplace_back();
        const std::string path = FolderOf(outputPath) + set.Names[i];
        ok = OpenOutput(path, outputs.back(), error) && AppendCabinet(set.Paths[i], password, outputs.back(), error)
             && CloseOutput(outputs.back(), error);
        continuations.push_back(path);
    }
    // The package records the digest of each continuation cabinet as
    // written beside it (scrambled, when protected), so that it takes no
    // other. The set ID was drawn from the block without them.
    std::vector<std::string> digests(outputs.size());
    for (size_t i = 0; ok && i < outputs.size(); ++i)
        ok = FileDigest(outputs[i].TempPath, digests[i], error);
    if (ok && !digests.empty()) {
        ok = BuildSettingsBlock(options, static_cast<int32_t>(result.LibraryOffset),
                                static_cast<int32_t>(result.LibraryLength), pieces.Block, error, digests);
        result.BlockLength = static_cast<int64_t>(pieces.Block.size());
        result.CabinetOffset = result.LibraryOffset + result.LibraryLength + result.BlockLength;
        result.PackageSize = result.CabinetOffset + FileSizeOf(set.Paths[0]);
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
    if (ok && CabinetSetAborted()) {
        error = "Interrupted; nothing was written.";
        ok = false;
    }
    std::vector<std::string> leftovers;
    if (ok)
        ok = CommitOutputs(outputs, leftovers, error);
    for (TOutputFile &file : outputs)
        DiscardOutput(file);
    RemoveScratchFolder(scratch);
    if (!ok)
        return false;
    result.ContinuationPaths = continuations;
    result.FileCount = checked.Files.size();
    for (const std::string &old : leftovers)
        result.Notes.push_back("the file replaced is still in use and stays as " + old + "; delete it later.");
    for (const TContinuationFile &file : named) {
        if (file.Number <= static_cast<int>(set.Paths.size()))
            continue;
        if (!file.OfReplacedSet)
            result.Notes.push_back("warning: left " + file.Path + " alone: it has the name of a continuation cabinet "
                                   "but is not one of the package replaced.");
        else if (DeletePath(file.Path))
            result.Notes.push_back("removed " + file.Path + ", a continuation cabinet of an earlier build that this set does not use.");
        else
            result.Notes.push_back("could not remove " + file.Path + ", a continuation cabinet of an earlier build that this set does not use.");
    }
    return true;
}
