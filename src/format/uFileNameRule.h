// uFileNameRule: which names from a cabinet may become files below the
// destination, or name the next cabinet of a set. The one rule: the
// extractor applies it to what a cabinet gives, the builder to what it
// packs, so that no package builds whose files the extractor refuses.
//
// Text is in check form (NameCheckForm): one byte per character, ASCII as
// itself, every other character a byte above 127. Only ASCII characters
// separate levels or name devices, so no byte of another character is
// taken for one. Pure: no system call.
#pragma once
#include <string>

// True when a file name from a cabinet names a plain file below the
// destination it is appended to. Refused: an empty name, a leading
// separator, and any path level that could leave the destination or is
// not a file name of its own:
// - a level holding *, ?, <, >, |, ", : or a byte below 32 (wildcards
//   would match other files, a colon names a drive or a stream);
// - a level that ends in a dot or a blank, which the system drops, so that
//   "a." and "a" would land on one file and ". ." could become "..";
// - a level that names a device (IsDeviceName).
// Both slashes count as separators, as they do for the file system.
bool IsSafeCabinetName(const std::string &name);

// True when the next cabinet's name, as a cabinet gives it, is a bare
// safe file name: no folder, drive or ".." part. Continuation cabinets
// are read from the package's own folder only.
bool IsSafeNextCabinetName(const std::string &name);

// True when the system takes one path level for a device in every folder:
// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9 and LPT0 to LPT9 (the
// superscript digits 1, 2 and 3 count too), in any letter case, with or
// without an extension and blanks before it.
bool IsDeviceName(const std::string &level);

// The check form of a decoded name: every character outside ASCII becomes
// 'x', except the superscript digits 1, 2 and 3, which keep their Latin-1
// byte so that IsDeviceName knows COM with one.
std::string NameCheckForm(const wchar_t *name);
inline std::string NameCheckForm(const std::wstring &name) { return NameCheckForm(name.c_str()); }
