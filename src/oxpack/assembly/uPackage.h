// uPackage: builds a package: extractor, SZDD-compressed cabinet library
// (when one is given), settings block, cabinet (scrambled when a password is given), plus any
// continuation cabinets beside it.
#pragma once
#include "uCabHeader.h"
#include <cstdint>
#include <string>
#include <vector>
#include "uPackIdentity.h"

// Paths and names are UTF-8. A cabinet name that is pure ASCII is stored
// as it is; any other is stored in UTF-8 with the cabinet's UTF-8 name
// flag, so that it reads the same on every code page.
struct TPackFile {
    std::string SourcePath;   // file on disk
    std::string CabinetName;  // name inside the cabinet, backslash-separated
};

enum class TCompression { None, MsZip, Lzx };

// The cabinet format's limits. A cabinet records its file count in 16
// bits, a folder its data blocks (of at most 32,768 bytes each) in 16
// bits, so one folder holds at most 65,535 x 32,768 bytes.
constexpr uint32_t CabMaxFiles = 65535;
constexpr uint32_t CabMaxFolderBytes = 0x7FFF8000;

// Progress of a build, for a caller that shows it.
struct TPackProgress {
    int64_t FilesDone = 0, FilesTotal = 0;
    int64_t BytesDone = 0, BytesTotal = 0;
};
typedef void (*TPackProgressSink)(const TPackProgress &progress, void *context);

// The texts of the settings (title, question, licence lines, messages,
// destination, command, parameters, caption, password) are in CodePage,
// which the package records for the extractor; paths are UTF-8.
struct TPackOptions {
    std::string ExtractorPath;            // empty: oxtarn.exe beside the running program
    std::string LibraryPath;              // empty: carry no library (every target system has one)
    std::string OutputPath;
    std::vector<TPackFile> Files;
    std::string Title;
    std::string StartQuestion;
    std::vector<std::string> LicenceLines;  // one settings line each
    std::string CompletionMessage;
    std::string Destination;
    std::string Command;
    std::string Parameters;
    int64_t RequiredMegabytes = 0;
    bool PasswordProtected = false;
    std::string Password;
    bool Silent = false;
    std::vector<std::string> Messages;    // empty: the 56 default English texts
    std::string Caption;                  // empty: no caption of the package's own
    // The code page of the texts; 0 (the ANSI code page of the machine
    // that runs the package) records none, as packages of earlier versions.
    uint32_t CodePage = 65001;
    TCompression Compression = TCompression::MsZip;
    uint32_t MaxCabinetSize = 0;          // 0: one cabinet unless the file count needs more
    unsigned Jobs = 0;                    // threads that compress; 0: one per core
    bool NoLibrary = false;               // carry no library even when LibraryPath is given
    // Carry LibraryPath without checking that it can serve the extractor.
    // Tests only: to see how the extractor meets a library the check
    // refuses; the command line has no option for it.
    bool LibraryUnchecked = false;
    bool AllowMissingCommand = false;     // the command may be one the target system has
    std::vector<std::string> Excludes;    // patterns over the names in the cabinet
    int32_t SetId = -1;                   // -1: a hash of the inputs
    // Seconds since 1970-01-01 UTC; a file time later than it is recorded
    // (and hashed into the set ID) as it, so that copies of the same files
    // give the same bytes. -1: file times as they are.
    int64_t LatestFileTime = -1;
    // Files one cabinet lists and bytes one folder holds; the format's
    // limits, lower only to test what happens at them.
    uint32_t FilesPerCabinet = CabMaxFiles;
    uint32_t FolderBytes = CabMaxFolderBytes;
    // A new cabinet of the set after every so many files (0: never), so
    // that a set breaks between two files as other writers' sets may.
    // Tests only: the command line has no option for it.
    uint32_t BreakCabinetAfterFiles = 0;
    TPackProgressSink Progress = nullptr;  // called from the build, never throws
    void *ProgressContext = nullptr;
    TPackIdentity Identity;               // the package's icon and version
};

// The 56 default English messages, in table order.
const std::vector<std::string> &DefaultMessages();

// Writes the package (under a temporary name, renamed when complete).
// On failure returns false with a message naming the field or file, and
// leaves no output behind.
bool MakePackage(const TPackOptions &options, std::string &error);

// What a finished package is made of, for callers that report it.
struct TPackResult {
    int64_t LibraryOffset = 0;
    int64_t LibraryLength = 0;
    int64_t BlockLength = 0;
    int64_t CabinetOffset = 0;
    int64_t PackageSize = 0;
    std::vector<std::string> ContinuationPaths;  // beside the package, in set order
    size_t FileCount = 0;                        // files packed
    std::vector<std::string> Notes;              // what the caller should tell (warnings, removals)
};
bool MakePackage(const TPackOptions &options, TPackResult &result, std::string &error);

// Adds every file below folder (recursively) with its relative path,
// backslash-separated, as its cabinet name; files in name order. Folders
// without any entry go to emptyFolders (the cabinet cannot hold them); a
// path too long for the file calls, or a folder that cannot be
// listed, is refused by name rather than skipped.
bool AddFolderFiles(const std::string &folder, std::vector<TPackFile> &files, std::string &error,
                    std::vector<std::string> *emptyFolders = nullptr);

// Asks a build in progress to stop (from a console control handler): it
// ends at the next block or file, removes what it wrote and fails, as do
// later builds until called with false.
void InterruptPackage(bool interrupt = true);
// Stem of a package's continuation cabinet names: the package's file name
// without extension; cabinet n (from 2) is stem + n + ".cab".
std::string ContinuationStem(const std::string &outputPath);

// Reads the header of the cabinet that starts at offset in path, its bytes
// unscrambled from the cabinet's own byte 0 with password (when given);
// false with the reason when it is no cabinet (a wrong password included).
bool ReadCabinetAt(const std::string &path, int64_t offset, const std::string &password, TCabHeader &header,
                   std::string &error);
