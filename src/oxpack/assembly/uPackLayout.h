// uPackLayout: the settings block of a package's options, written by the
// format core, and the checks that keep every field readable. Pure: no
// system calls.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "uPackage.h"
#include "format/uSettingsBlock.h"

// Lines of a text file: CR LF, LF or CR end a line; a final line end does
// not start another line. An empty text has no lines.
std::vector<std::string> SplitTextLines(const std::string &text);

// The settings record of the options, without the numbers of the
// package's layout and without the extension area.
TSettingsBlock SettingsRecordOf(const TPackOptions &options);

// Refuses any field the extractor would misread, naming the field.
bool CheckSettingsFields(const TPackOptions &options, std::string &error);

// The settings block: CR LF, the marker line, every settings line ended by
// CR LF, then the extension area (ExtensionsLine and one TAG=value line per
// addition: the code page, the caption, digests, the SHA-256 in hex of each
// continuation cabinet from the set's second on). BlockLength inside it is
// the block's own length. Fails when the settings exceed what the extractor
// copies, or the area ExtensionAreaLength.
bool BuildSettingsBlock(const TPackOptions &options, int32_t libraryOffset, int32_t libraryLength,
                        std::string &block, std::string &error,
                        const std::vector<std::string> &digests = {});
