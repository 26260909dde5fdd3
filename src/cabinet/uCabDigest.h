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
// the first continuation cabinet): 64 lower-case hex digits, where the
// line's text begins; null when the package records none.
const char *RecordedCabinetDigest(const TPackageSettings &settings, int setIndex);
// Reads the open file from where it stands to its end and compares the
// SHA-256 of those bytes with the recorded one (DigestNotRecorded for
// null).
// DigestUnavailable when the system has no provider for SHA-256.
TDigestCheck CheckCabinetDigest(HANDLE file, const char *recorded);
