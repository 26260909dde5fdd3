// uPackNames: the names a package carries, judged as the Windows machine
// that extracts them will: names it can create, duplicates under its own
// case folding, the command among the files, exclusion patterns.
#pragma once
#include <string>
#include <vector>

#include "uPackage.h"

// Longest name the cabinet format records (without its NUL), and longest
// element Windows creates.
constexpr size_t CabMaxNameBytes = 255;
constexpr size_t WindowsMaxElementChars = 255;

// Empty when Windows can create the backslash-separated relative name;
// otherwise the reason, naming the element and the rule it breaks.
std::string WhyNameIsUnusable(const std::string &name);

// Every name usable and no two equal without regard to case, as the
// system compares them (ordinal, upper-cased, not ASCII only).
bool CheckCabinetNames(const std::vector<TPackFile> &files, std::string &error);

// Equal without regard to case, by the system's ordinal comparison.
bool SameNameIgnoringCase(const std::string &a, const std::string &b);

// '*' matches any run of characters (backslashes too), '?' one character,
// '/' stands for '\', letters in any case. A pattern without a backslash
// also matches the last element alone ("*.log", "Thumbs.db").
bool MatchesExclude(const std::string &pattern, const std::string &name);

// Refuses a command that names no file of the package (unless it is
// $EXPLORE$, an absolute path or allowed to be missing) and a destination
// that spells a placeholder in another letter case; a relative destination
// gives a warning.
bool CheckCommandAndDestination(const TPackOptions &options, std::vector<std::string> &warnings,
                                std::string &error);
