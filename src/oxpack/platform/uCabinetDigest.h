// uCabinetDigest: the SHA-256 digest of a file as the package records it
// for each continuation cabinet (64 lower-case hex digits).
#pragma once
#include <string>

// False, with the reason in error, when the file cannot be read or the
// system offers no SHA-256.
bool FileDigest(const std::string &path, std::string &digest, std::string &error);
