// mSzdd: the LZ "SZDD" compressed format that the Windows LZ expansion
// functions (LZOpenFileA, LZCopy) read. Pure: bytes in, bytes out.
#pragma once
#include <string>

// Fixed 14-byte header: "SZDD", 0x88 0xF0 0x27 0x33, mode 'A', the missing
// last character of the file name, the uncompressed size (32-bit LE).
constexpr size_t SzddHeaderLength = 14;

// Compresses data; lastCharacter is recorded as the name's missing last
// character (the LZ functions do not need it). Inputs of 2 GiB or more
// are not handled and yield an empty result.
std::string CompressSzdd(const std::string &data, char lastCharacter);
