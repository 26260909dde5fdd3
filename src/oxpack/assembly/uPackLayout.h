// uPackLayout: the settings block of a package's options, written by the
// format core, and the checks that keep every field readable. Pure: no
// system calls.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "uPackage.h"
#include "format/uSettingsBlock.h"
#include "format/uSettingsBlock.h"

// Lines of a text file: CR LF, LF or CR end a line; a final line end does
// not start another line. An empty text has no lines.
std::vector<std::string> SplitTextLines(const std::string &text);

// The settings record of the options, without the numbers of the
// package's layout and without the extension area.
TSettingsBlock SettingsRecordOf(const TPackOptions &options);

// Refuses any field the extractor would misread, naming the field.
bool CheckSettingsFields(const TPackOptions &options, std::string &error);

// The extension area for the options: ExtensionsLine and one TAG=value
// line per addition, each ended by CR LF; empty when there is none. Every
// addition to the package's data is written here. Fails when it passes
// ExtensionAreaLength.
// digests: the SHA-256 (hex) of each continuation cabinet, from the set's
// second cabinet on.
bool BuildExtensionArea(const TPackOptions &options, std::string &area, std::string &error,
                        const std::vector<std::string> &digests = {});

// The settings block: CR LF, the marker line, every settings line ended by
// CR LF, then the extension area. BlockLength inside it is the block's own
// length. Fails when the settings exceed what the extractor copies.
bool BuildSettingsBlock(const TPackOptions &options, int32_t libraryOffset, int32_t libraryLength,
                        std::string &block, std::string &error,
                        const std::vector<std::string> &digests = {});
