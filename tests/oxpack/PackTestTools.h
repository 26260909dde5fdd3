// Independent readers for what oxpack writes: the platform's LZ expansion
// and FDI, and the scrambling rule written out once more.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "uPackage.h"

// Expands SZDD bytes with LZOpenFileA/LZCopy.
bool ExpandWithPlatform(const std::string &compressed, std::string &expanded);

// stored XOR (255 - w[p mod L]) for every byte, p counted from position.
std::string ApplyPasswordRule(const std::string &bytes, const std::string &password, uint32_t position = 0);

struct TExtracted {
    std::string Name;
    std::string Bytes;
    uint16_t Date = 0, Time = 0, Attributes = 0;
};
// Extracts the cabinet folder + name, and any continuation cabinets it
// names from the same folder, through the platform's FDI.
bool ExtractWithFdi(const std::string &folder, const std::string &name, std::vector<TExtracted> &files,
                    std::string &error);

// The CR LF-separated lines of text (the last line needs no CR LF).
std::vector<std::string> SplitCrLf(const std::string &text);

// The tests run under Wine; these run a program of the build machine
// itself (a Linux program such as cabextract) through its /bin/sh. Wine
// starts a Unix program without a process handle, so the script records
// its exit code in a file that is waited for. Returns the exit code, or
// -1 when the script did not finish in time.
int RunNative(const std::string &shellCommand, std::string &output, unsigned timeoutMs = 180000);
// The build machine's path of a Windows path, quoted for the shell.
std::string ShellPath(const std::string &windowsPath);

// "cabextract -t" on a cabinet or a package (cabextract finds the cabinet
// in it and the continuation cabinets beside it): the independent
// reader's verdict. Empty when every file tested OK, else its output.
std::string CabextractProblems(const std::string &path, size_t expectedFiles);
// The same through the platform's library, comparing each file with the
// bytes of sources (in set order).
void ExpectFdiReadsBack(const std::string &folder, const std::string &firstCabinet,
                        const std::vector<TPackFile> &sources);
