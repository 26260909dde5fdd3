// uCabHeader: reads the header, folder and file entries of a cabinet
// (MSCF) from its first bytes. Pure: bytes in, values out.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TCabEntry {
    uint32_t Size = 0;
    uint16_t Folder = 0;
    uint16_t Date = 0;
    uint16_t Time = 0;
    uint16_t Attributes = 0;
    std::string Name;
};

struct TCabHeader {
    uint32_t CabinetSize = 0;
    uint32_t FilesOffset = 0;
    uint16_t FolderCount = 0;
    uint16_t FileCount = 0;
    uint16_t Flags = 0;
    uint16_t Version = 0;     // versionMinor, then versionMajor
    uint16_t SetId = 0;
    uint16_t Index = 0;
    std::string PreviousCabinet, PreviousDisk, NextCabinet, NextDisk;
    std::vector<uint16_t> FolderCompression;  // typeCompress of each folder
    std::vector<TCabEntry> Files;
};

constexpr uint16_t CabFlagPrevious = 1, CabFlagNext = 2, CabFlagReserve = 4;

// Bytes of the cabinet's start that hold every entry, as far as the first
// fixed fields tell (at least 36 bytes must be given to ask).
uint32_t CabHeaderExtent(const std::string &start);
// Fills header from the cabinet's first bytes; false with a reason when
// the bytes are not a cabinet or are cut short.
bool ReadCabHeader(const std::string &bytes, TCabHeader &header, std::string &error);
// "none", "MSZIP", "Quantum", "LZX" from a typeCompress value.
std::string CompressionName(uint16_t typeCompress);
