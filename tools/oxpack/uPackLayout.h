// uPackLayout: the settings block as the extractor reads it, and the
// checks that keep every field readable. Pure: no system calls.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "uPackage.h"
// The format's fixed lines and limits are the extractor's own.
#include "services/uSettings.h"

// The extractor must fit the copy buffer of its library loader.
constexpr int64_t PackCopyBufferLength = 102400;
// Cabinet positions are signed 32-bit numbers in the extractor.
constexpr int64_t PackPositionLimit = 0x80000000LL;

// Lines of a text file: CR LF, LF or CR end a line; a final line end does
// not start another line. An empty text has no lines.
std::vector<std::string> SplitTextLines(const std::string &text);

// Refuses any field the extractor would misread, naming the field.
bool CheckSettingsFields(const TPackOptions &options, std::string &error);

// The extension area that follows the messages: its first line, and its
// length from the first byte of that line to its last LF.
extern const std::string ExtensionsLine;  // "$EXTENSIONS$" CR LF
constexpr size_t ExtensionAreaLimit = 16384;
struct TExtensionTag {
    std::string Tag, Value;
};

// The extension area for the options: ExtensionsLine and one TAG=value
// line per addition; empty when there is none. Every addition to the
// package's data is written here. Fails when it passes the limit.
bool BuildExtensionArea(const TPackOptions &options, std::string &area, std::string &error);

// Where the extension area would begin in bytes (the settings lines after
// the marker line, as the extractor reads them): right after the line of
// the last message; npos when the bytes end first.
size_t ExtensionAreaStart(const std::string &bytes);
// The tag lines of the area at start, up to end (the cabinet) and the
// area's limit, in order; false when there is no area there.
bool ReadExtensionTags(const std::string &bytes, size_t start, size_t end, std::vector<TExtensionTag> &tags);

// The settings block: CR LF, the marker line, every settings line ended by
// CR LF, then the extension area. BlockLength inside it is the block's own
// length. Fails when the settings exceed what the extractor copies.
bool BuildSettingsBlock(const TPackOptions &options, int32_t libraryOffset, int32_t libraryLength,
                        std::string &block, std::string &error);
