// uCabCheck: a cabinet read whole before anything of it is used: header
// fields against the bytes there are, the folder and file tables, every
// data block's sizes and checksum. Pure: the bytes come through a read
// callback (unscrambled by whoever reads), so the extractor checks through
// its own stream and the builder's report through a file.
#pragma once
#include <cstdint>

// Reads count bytes at offset (from the cabinet's first byte) into buffer;
// returns how many it got.
typedef uint32_t (*TCabRead)(void *source, uint32_t offset, void *buffer, uint32_t count);

enum TCabVerdict : int { CabSound = 0, CabNotACabinet = 1, CabDamaged = 2 };

// What a set is walked by.
struct TCabFacts {
    uint16_t SetId = 0;
    uint16_t Index = 0;
    bool HasNext = false;
    char NextName[256] = {};
    char NextDisk[256] = {};
};

// The cabinet available bytes long (what its file holds from its first
// byte). reason: a short English text for the log and the report, never
// null. Not a cabinet: no signature, or a version the library refuses.
TCabVerdict CheckCabinetBytes(TCabRead read, void *source, uint64_t available, TCabFacts &facts,
                              const char *&reason);

// The documented data-block checksum: 32-bit words XORed into seed, a
// tail of 1 to 3 bytes taken first byte highest.
uint32_t CabChecksum(const unsigned char *bytes, uint32_t count, uint32_t seed);
