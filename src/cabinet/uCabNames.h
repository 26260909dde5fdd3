// uCabNames: which names from a cabinet the extractor may use as files
// below the destination, or as the next cabinet of a set. Pure: bytes in,
// a verdict out, no system call, so the rules can be tested and fuzzed
// away from the platform.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// True when a file name from a cabinet names a plain file below the
// destination it is appended to. Refused: an empty name, a leading
// separator, and any path level that could leave the destination or is
// not a file name of its own:
// - a level holding *, ?, <, >, |, ", : or a byte below 32 (wildcards
//   would match other files, a colon names a drive or a stream);
// - a level that ends in a dot or a blank, which the system drops, so that
//   "a." and "a" would land on one file and ". ." could become "..";
// - a level that names a device (CON, PRN, AUX, NUL, CONIN$, CONOUT$,
//   COM0 to COM9, LPT0 to LPT9, in any letter case, with or without an
//   extension).
// Both slashes count as separators, as they do for the file system.
bool IsSafeCabinetName(const std::string &name);

// True when the next cabinet's name, as a cabinet gives it, is a bare
// safe file name: no folder, drive or ".." part. Continuation cabinets
// are read from the package's own folder only.
bool IsSafeNextCabinetName(const std::string &name);

// The name an existing file is set aside under while its replacement is
// written: number in base 36 behind a "~", at most maximumLength and at
// most 8 characters (one bare digit when only one fits). A name no longer
// than the file's own makes a path no longer than the file's, so it fits
// wherever the file itself does. maximumLength 0 gives an empty name.
std::string SetAsideName(uint32_t number, size_t maximumLength);
// The decoded name with every character outside ASCII as 'x': the form
// IsSafeCabinetName judges, since only ASCII characters separate levels
// or name devices, and no byte of another character is taken for one.
std::string NameCheckForm(const std::wstring &name);
