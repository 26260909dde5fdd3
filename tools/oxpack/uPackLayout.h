// uPackLayout: the settings block as the extractor reads it, and the
// checks that keep every field readable. Pure: no system calls.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "uPackage.h"
// The format's fixed lines and limits are the extractor's own.
#include "services/uSettings.h"

// Cabinet positions are signed 32-bit numbers in the extractor.
constexpr int64_t PackPositionLimit = 0x80000000LL;

// Lines of a text file: CR LF, LF or CR end a line; a final line end does
// not start another line. An empty text has no lines.
std::vector<std::string> SplitTextLines(const std::string &text);

// Refuses any field the extractor would misread, naming the field.
bool CheckSettingsFields(const TPackOptions &options, std::string &error);

// The settings block: CR LF, the marker line, every settings line ended by
// CR LF. BlockLength inside it is the block's own length. Fails when the
// settings exceed what the extractor copies.
bool BuildSettingsBlock(const TPackOptions &options, int32_t libraryOffset, int32_t libraryLength,
                        std::string &block, std::string &error);
