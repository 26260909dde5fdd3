// uObfuscate: the reversible scrambling of a password-protected cabinet.
// The byte at stream position p is stored as plain XOR (255 - w[p mod L])
// for the password bytes w[0..L-1]; applying the rule again restores it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Complement of every byte (b becomes 255 - b); same length.
std::string InvertText(const std::string &text);
// buffer[i] ^= key[k] for i = 0..count-1, k running from start (1-based)
// and wrapping to 1 after the key's last byte. count <= 0 or an empty key
// change nothing. A byte at a time: the reference for TKeyStream.
void XorWithKey(unsigned char *buffer, const std::string &key, int32_t count, int32_t start);

// A key laid out for XOR a machine word at a time: the key repeated so
// that Chunk bytes (a whole number of keys) can be read from any key
// offset without wrapping. After a chunk the key offset is where it was,
// so a buffer of any size takes one division for its start and no
// per-byte bookkeeping. Made once per run.
struct TKeyStream {
    std::string Repeated;
    size_t Length = 0;  // of the key; 0: nothing is scrambled
    size_t Chunk = 0;
};
TKeyStream MakeKeyStream(const std::string &key);
// buffer[i] ^= key[(position + i) mod L] for i = 0..count-1.
void XorWithKeyStream(unsigned char *buffer, size_t count, uint32_t position, const TKeyStream &key);

// Scrambles (or unscrambles) count bytes that sit at stream position
// 'position' with the password itself.
void ScrambleAt(unsigned char *buffer, int32_t count, uint32_t position, const std::string &password);
