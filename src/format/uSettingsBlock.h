// uSettingsBlock: the settings block a package carries after the
// extractor and the cabinet library, described once: its fixed lines, its
// limits, and a table of its lines in order, which one routine reads into
// a plain record and one writes from it. The extractor reads with it, the
// builder writes with it. Pure: bytes in the package's code page in and
// out, no system call.
#pragma once
#include <cstdint>
#include <string>
#include "uMessageNumbers.h"

// Fixed bytes of the format.
extern const std::string SettingsMarkerLine;  // "$KORVANTE$" CR LF
extern const std::string EndOfLicenceLine;    // NUL "$LUMBO$" NUL
extern const std::string CaptionPrefix;       // "Kelvardo Tovrex - "
constexpr char ExtensionsLine[] = "$EXTENSIONS$";  // the extension area's first line
// Tags of the extension area's lines ("TAG=value").
constexpr char CodePageTag[] = "CODEPAGE";
constexpr char CaptionTag[] = "CAPTION";
constexpr char DigestsTag[] = "SHA256";

// Limits. The marker line must end within the first MarkerScanLength bytes
// of the package; a reader takes at most SettingsCopyLength bytes from the
// first line after it, and at most ExtensionAreaLength bytes of the
// extension area (from the '$' of its first line to its last LF).
constexpr int32_t MarkerScanLength = 1024001;
constexpr int32_t SettingsCopyLength = 102401;
constexpr size_t ExtensionAreaLength = 16384;
// The extractor positions and measures the cabinet with signed 32-bit
// numbers: a package ends below 2 GiB.
constexpr int64_t PackageSizeLimit = 0x80000000LL;
// The required megabytes are turned into bytes in a signed 64-bit number.
constexpr int64_t RequiredMegabytesLimit = INT64_MAX >> 20;
constexpr int64_t Megabyte = 1024 * 1024;

// The values of the block. The derived fields (CabinetOffset, Caption,
// DamagedMessage, CodePage, Complete) follow from the lines: the reader
// fills them, the writer ignores them.
struct TSettingsBlock {
    int32_t LibraryOffset = 0;
    int32_t LibraryLength = 0;
    int64_t BlockLength = 0;
    int64_t CabinetOffset = 0;      // the sum of the three above; -1 past the 64-bit range
    std::string Title;
    std::string Caption;            // CaptionPrefix + Title, or the CAPTION tag's
    std::string StartQuestion;
    std::string LicenceText;        // licence lines joined with CR LF
    std::string CompletionMessage;
    std::string Destination;
    std::string Command;
    std::string Parameters;
    int64_t RequiredBytes = 0;      // already in bytes: the line's megabytes, saturated
    bool PasswordProtected = false;
    bool Silent = false;
    std::string Messages[MessageCount + 1];  // 1..56; [0] stays empty
    std::string DamagedMessage;     // message 43 when protected, else 42
    // The code page of the texts, as the extension area records it; 0 for
    // a package that records none (its texts are in the ANSI code page).
    uint32_t CodePage = 0;
    // The extension area's tag lines, from the LF before the first; empty
    // when the package has none.
    std::string Extensions;
    // False when the end-of-licence line was never met: the block is cut
    // off or damaged, and the fields after the licence are not trustworthy.
    bool Complete = false;
};

// The kinds of settings lines. Numbers are decimal (a malformed one reads
// as 0), a flag is true only for exactly "TRUE", a text is one line as it
// stands; the licence runs over lines up to EndOfLicenceLine; the
// messages are MessageCount lines; the extension area is optional.
enum TSettingsFieldKind : uint8_t {
    FieldInt32,
    FieldInt64,
    FieldMegabytes,  // 0..RequiredMegabytesLimit written, bytes read
    FieldText,
    FieldFlag,
    FieldLicence,
    FieldMessages,
    FieldExtensions
};

struct TSettingsField {
    TSettingsFieldKind Kind;
    uint16_t Offset;  // of the field in TSettingsBlock
};

// The lines in the order they stand after the marker line.
constexpr int SettingsFieldCount = 15;
extern const TSettingsField SettingsFields[SettingsFieldCount];
// What each line is called in a builder's messages, in the same order.
extern const char *const SettingsFieldNames[SettingsFieldCount];

// The text of line `index` of the table; for FieldText lines only.
const std::string &SettingsTextOf(const TSettingsBlock &record, int index);

// True when text can stand as one settings line and read back the same:
// no CR (ends a line), no LF (would split it for anyone reading the block)
// and no 0x1A (ends the readable text).
bool IsSettingsLineText(const std::string &text);

// Offset of the first byte after the first marker line in bytes, or -1.
int32_t FindMarkerLine(const std::string &bytes);

// Fills a record in its initial state from the settings lines in bytes
// (the data after the marker line). Without the end-of-licence line,
// Complete stays false and every field after the licence stays empty.
// offset is where bytes begin in the package, so that the extension area
// stops at the cabinet; -1 when not known (the area then runs to the end
// of bytes).
void ReadSettingsBlock(const std::string &bytes, TSettingsBlock &record, int64_t offset = -1);

// The settings lines of record, each ended by CR LF, then its extension
// area (ExtensionsLine CR and the Extensions text) when it has one. The
// texts must pass IsSettingsLineText and no licence line may be
// EndOfLicenceLine, or the lines read back differently.
std::string WriteSettingsLines(const TSettingsBlock &record);
// The whole block: CR LF, the marker line, then the lines with BlockLength
// the block's own length.
std::string WriteSettingsBlock(TSettingsBlock record);

// Adds the tag line "TAG=value" to an Extensions text.
void AppendExtension(std::string &extensions, const char *tag, const std::string &value);
// Where the value of the first tag line key ("\nTAG=") of the extension
// area begins (it ends at CR); null when there is none.
const char *FindExtension(const TSettingsBlock &record, const char *key);
