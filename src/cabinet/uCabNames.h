// uCabNames: whether a file name taken from a cabinet may be written under
// the destination. Pure: text in, answer out, no system call, so that it
// can be tested and fuzzed apart from the cabinet library.
#pragma once
#include <string>

// True when a file name from a cabinet stays below the destination it is
// appended to: relative, no drive or stream colon, no ".." level (nor one
// the system would shorten to "..", such as ". ." or "..."), and no
// leading separator. Both slashes count as separators, as they do for
// the file system.
bool IsSafeCabinetName(const std::string &name);
// The decoded name with every character outside ASCII as 'x': the form
// IsSafeCabinetName judges, since only ASCII characters separate levels
// or name devices, and no byte of another character is taken for one.
std::string NameCheckForm(const std::wstring &name);
