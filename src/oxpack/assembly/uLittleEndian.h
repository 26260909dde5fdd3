// uLittleEndian: the little-endian words and double words of the program
// image and resource formats, read and written in a byte string.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

inline uint16_t Word(const std::string &b, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

inline uint32_t Dword(const std::string &b, size_t at)
{
    return Word(b, at) | static_cast<uint32_t>(Word(b, at + 2)) << 16;
}

inline void PutWord(std::string &b, uint16_t v)
{
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}

inline void PutDword(std::string &b, uint32_t v)
{
    PutWord(b, static_cast<uint16_t>(v & 0xFFFF));
    PutWord(b, static_cast<uint16_t>(v >> 16));
}

inline void SetWord(std::string &b, size_t at, uint16_t v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

inline void SetDword(std::string &b, size_t at, uint32_t v)
{
    SetWord(b, at, static_cast<uint16_t>(v & 0xFFFF));
    SetWord(b, at + 2, static_cast<uint16_t>(v >> 16));
}
