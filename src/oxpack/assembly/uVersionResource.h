// uVersionResource: the VS_VERSIONINFO resource (US English, Unicode),
// written from a package's identity and read back. Pure.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TPackIdentity;

// The leading dotted numbers of a version text, up to four; false when one
// is above 65535.
bool ParseVersionNumbers(const std::string &text, uint16_t (&numbers)[4]);
// A VS_VERSIONINFO resource (US English, Unicode) with the given strings.
std::string VersionResource(const TPackIdentity &identity, const std::string &originalFilename);
// The strings of a VS_VERSIONINFO resource, and the binary file version as
// "a.b.c.d" under "FileVersion (binary)"; false when malformed.
bool ParseVersionResource(const std::string &bytes, std::vector<std::pair<std::string, std::string>> &strings);
