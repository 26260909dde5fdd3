// uObfuscate: the reversible scrambling of a password-protected cabinet.
// The byte at stream position p is stored as plain XOR (255 - w[p mod L])
// for the password bytes w[0..L-1]; applying the rule again restores it.
#pragma once
#include <cstdint>
#include <string>

// Complement of every byte (b becomes 255 - b); same length.
std::string InvertText(const std::string &text);
// buffer[i] ^= key[k] for i = 0..count-1, k running from start (1-based)
// and wrapping to 1 after the key's last byte. count <= 0 or an empty key
// change nothing.
void XorWithKey(unsigned char *buffer, const std::string &key, int32_t count, int32_t start);
// Scrambles (or unscrambles) count bytes that sit at stream position
// 'position' with the password itself.
void ScrambleAt(unsigned char *buffer, int32_t count, uint32_t position, const std::string &password);
