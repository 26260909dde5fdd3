// uDestinationRule: what a destination may be. The placeholders a package
// names instead of a folder, and the one rule for a folder a user types
// (the destination dialog, $DESTINATION$). The package's own Destination
// line is not held to it: packages may name a folder relative to where
// they start. Pure: no system call; only ASCII characters decide, so any
// text whose other characters are bytes above 127 (the extractor's code
// page, UTF-8, the check form) is judged alike.
#pragma once
#include <string>

// Exact and case-sensitive: "$temp$" is an ordinary folder name.
constexpr char PlaceholderExe[] = "$EXE$";
constexpr char PlaceholderTemp[] = "$TEMP$";
constexpr char PlaceholderSystem[] = "$SYSTEM$";
constexpr char PlaceholderWindows[] = "$WINDOWS$";
constexpr char PlaceholderInstall[] = "$INSTALL$";
inline constexpr const char *DestinationPlaceholders[] = {PlaceholderExe, PlaceholderTemp, PlaceholderSystem,
                                                         PlaceholderWindows, PlaceholderInstall};

// True for a folder a user may type: a drive letter, a colon and a
// backslash, or a share (\\server\share). Refused: what depends on the
// current folder or drive ("a", "\a", "C:", "C:a"), a server without a
// share, and the "\\?\" and "\\.\" forms, which reach past the file
// system's checks to devices and raw disks.
bool IsFullPath(const std::string &path);
