// uPackage: builds a package: extractor, SZDD-compressed cabinet library,
// settings block, cabinet (scrambled when a password is given), plus any
// continuation cabinets beside it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "uPackIdentity.h"

struct TPackFile {
    std::string SourcePath;   // file on disk
    std::string CabinetName;  // name inside the cabinet, backslash-separated
};

enum class TCompression { None, MsZip, Lzx };

struct TPackOptions {
    std::string ExtractorPath;            // empty: oxtarn.exe beside the running program
    std::string LibraryPath;              // empty: cabinet.dll in the system folder
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
    TCompression Compression = TCompression::MsZip;
    uint32_t MaxCabinetSize = 0;          // 0: one cabinet
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
};
bool MakePackage(const TPackOptions &options, TPackResult &result, std::string &error);

// Adds every file below folder (recursively) with its relative path,
// backslash-separated, as its cabinet name; files in name order.
bool AddFolderFiles(const std::string &folder, std::vector<TPackFile> &files, std::string &error);
// Stem of a package's continuation cabinet names: the package's file name
// without extension; cabinet n (from 2) is stem + n + ".cab".
std::string ContinuationStem(const std::string &outputPath);
