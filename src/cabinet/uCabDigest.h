// uCabDigest: binds continuation cabinets to the package. The package
// records the SHA-256 digest of each continuation cabinet in its extension
// area (inside its own file, where a signature covers it); a cabinet
// beside it is used only when its bytes give that digest.
#pragma once
#include <windows.h>
#include <string>
#include "services/uSettings.h"

enum TDigestCheck { DigestNotRecorded, DigestMatches, DigestDiffers, DigestUnavailable };

// The digest recorded for the cabinet with this index in its set (1 for
// the first continuation cabinet), as 64 lower-case hex digits; empty when
// the package records none.
std::string RecordedCabinetDigest(const TPackageSettings &settings, int setIndex);
// Reads the whole open file from its start and compares its SHA-256 with
// the recorded one; the file pointer is back at the start afterwards.
// DigestUnavailable when the system has no provider for SHA-256.
TDigestCheck CheckCabinetDigest(HANDLE file, const std::string &recorded);
