// Independent readers for what oxpack writes: the platform's LZ expansion
// and FDI, and the scrambling rule written out once more.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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
