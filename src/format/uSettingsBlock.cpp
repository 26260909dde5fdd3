// uSettingsBlock: the settings block read and written from one table of
// its lines.
#include "uSettingsBlock.h"
#include <cstddef>
#include <string>

const std::string SettingsMarkerLine("$KORVANTE$\r\n", 12);
const std::string EndOfLicenceLine("\0$LUMBO$\0", 9);
const std::string CaptionPrefix("Kelvardo Tovrex - ");

// The record is plain data without virtual members, so the compilers we
// build with place every field at a fixed offset.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#define OX_FIELD(kind, field) {kind, static_cast<uint16_t>(offsetof(TSettingsBlock, field))}
const TSettingsField SettingsFields[SettingsFieldCount] = {
    OX_FIELD(FieldInt32, LibraryOffset),
    OX_FIELD(FieldInt32, LibraryLength),
    OX_FIELD(FieldInt64, BlockLength),
    OX_FIELD(FieldText, Title),
    OX_FIELD(FieldText, StartQuestion),
    OX_FIELD(FieldLicence, LicenceText),
    OX_FIELD(FieldText, CompletionMessage),
    OX_FIELD(FieldText, Destination),
    OX_FIELD(FieldText, Command),
    OX_FIELD(FieldText, Parameters),
    OX_FIELD(FieldMegabytes, RequiredBytes),
    OX_FIELD(FieldFlag, PasswordProtected),
    OX_FIELD(FieldFlag, Silent),
    OX_FIELD(FieldMessages, Messages),
    OX_FIELD(FieldExtensions, Extensions),
};
#undef OX_FIELD
#pragma GCC diagnostic pop

const char *const SettingsFieldNames[SettingsFieldCount] = {
    "library offset", "library length",     "block length", "title",      "start-up question",
    "licence",        "completion message", "destination",  "command",    "parameters",
    "required megabytes", "password flag",  "silent flag",  "messages",   "extension area",
};

const std::string &SettingsTextOf(const TSettingsBlock &record, int index)
{
    return *reinterpret_cast<const std::string *>(reinterpret_cast<const char *>(&record) +
                                                  SettingsFields[index].Offset);
}

bool IsSettingsLineText(const std::string &text)
{
    return text.find_first_of(std::string("\r\n\x1A", 3)) == std::string::npos;
}

int32_t FindMarkerLine(const std::string &bytes)
{
    // A line runs from just after the previous LF through its own LF; only
    // a line that is exactly the marker counts. The marker text inside the
    // extractor's own code is never at the start of such a line.
    size_t lineStart = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n')
            continue;
        if (i + 1 - lineStart == SettingsMarkerLine.size() &&
            bytes.compare(lineStart, SettingsMarkerLine.size(), SettingsMarkerLine) == 0)
            return static_cast<int32_t>(i + 1);
        lineStart = i + 1;
    }
    return -1;
}

void AppendExtension(std::string &extensions, const char *tag, const std::string &value)
{
    // Every tag line follows a LF, the first one the LF of ExtensionsLine.
    if (extensions.empty())
        extensions = "\n";
    ((extensions += tag) += '=') += value;
    extensions += "\r\n";
}

const char *FindExtension(const TSettingsBlock &record, const char *key)
{
    size_t length = 0;
    while (key[length])
        ++length;
    const size_t at = record.Extensions.find(key);
    return at == std::string::npos ? nullptr : record.Extensions.c_str() + at + length;
}

namespace {

// Reads the settings lines the way a Pascal text file does, because that is
// how the format was defined: a line ends at CR (an LF right after it goes
// with it), a lone LF is an ordinary byte, NUL is ordinary, and 0x1A ends
// the readable text.
struct TLineReader {
    const std::string &Bytes;
    size_t Position;
    size_t End;

    explicit TLineReader(const std::string &bytes)
        : Bytes(bytes), Position(0), End(bytes.find('\x1a'))
    {
        if (End == std::string::npos)
            End = bytes.size();
    }

    bool AtEnd() const { return Position >= End; }

    // Consumes the rest of the current line and its line end.
    void SkipLine()
    {
        while (Position < End && Bytes[Position] != '\r')
            ++Position;
        if (Position < End) {
            ++Position;
            if (Position < End && Bytes[Position] == '\n')
                ++Position;
        }
    }

    std::string ReadLine()
    {
        size_t start = Position;
        while (Position < End && Bytes[Position] != '\r')
            ++Position;
        std::string line = Bytes.substr(start, Position - start);
        SkipLine();
        return line;
    }

    // The number token: blanks, tabs and line ends before it are skipped
    // (an empty numeric line therefore yields the next line's number), and
    // it ends at the first byte at or below blank.
    std::string ReadNumberToken()
    {
        while (Position < End) {
            char c = Bytes[Position];
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                break;
            ++Position;
        }
        size_t start = Position;
        while (Position < End && static_cast<unsigned char>(Bytes[Position]) > ' ')
            ++Position;
        std::string token = Bytes.substr(start, Position - start);
        SkipLine();
        return token;
    }
};

// Optional sign, then decimal digits only, within [minimum, maximum];
// anything else is malformed and reads as 0.
int64_t ParseDecimal(const std::string &token, int64_t minimum, int64_t maximum)
{
    size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    if (i == token.size())
        return 0;
    // Accumulate on the negative side, which has room for INT64_MIN.
    int64_t value = 0;
    for (; i < token.size(); ++i) {
        char c = token[i];
        if (c < '0' || c > '9')
            return 0;
        int digit = c - '0';
        // value * 10 - digit must not pass INT64_MIN (...5808): compared
        // with constants, as the runtime's 64-bit division costs a kilobyte.
        if (value < INT64_MIN / 10 || (value == INT64_MIN / 10 && digit > 8))
            return 0;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value < -INT64_MAX)
            return 0;
        value = -value;
    }
    if (value < minimum || value > maximum)
        return 0;
    return value;
}

// Megabytes to bytes; a requirement beyond the 64-bit range cannot be met
// anyway, so it saturates instead of wrapping to a small or negative value.
int64_t MegabytesToBytes(int64_t megabytes)
{
    if (megabytes > INT64_MAX / Megabyte)
        return INT64_MAX;
    if (megabytes < INT64_MIN / Megabyte)
        return INT64_MIN;
    return megabytes * Megabyte;
}

// -1 when the sum leaves the 64-bit range, so that seeking to it fails.
int64_t CabinetOffsetOf(const TSettingsBlock &record)
{
    int64_t head = static_cast<int64_t>(record.LibraryOffset) + record.LibraryLength;
    int64_t sum;
    if (__builtin_add_overflow(head, record.BlockLength, &sum))
        return -1;
    return sum;
}

// The value of the first tag line key, up to its CR; false, and value
// untouched, when there is none.
bool ExtensionValue(const TSettingsBlock &record, const char *key, std::string &value)
{
    const char *at = FindExtension(record, key);
    if (!at)
        return false;
    size_t length = 0;
    while (at[length] != '\r' && at[length] != '\0')
        ++length;
    value.assign(at, length);
    return true;
}

// The extension area after the last message: "$EXTENSIONS$", then
// "TAG=value" lines up to the cabinet, at most ExtensionAreaLength bytes.
// Unknown tags are skipped and the first of a repeated tag counts, so a
// package may carry what a later extractor knows. The area is kept whole
// from the LF before its first tag line, so that every tag line follows a
// LF; the tags are looked up in it when needed.
void ReadExtensionArea(TLineReader &reader, int64_t areaEnd, std::string &extensions)
{
    const size_t start = reader.Position;
    if (static_cast<int64_t>(reader.End) > areaEnd)
        reader.End = areaEnd > static_cast<int64_t>(start) ? static_cast<size_t>(areaEnd) : start;
    if (reader.End - start > ExtensionAreaLength)
        reader.End = start + ExtensionAreaLength;
    if (reader.ReadLine() != ExtensionsLine)
        return;
    extensions.assign(reader.Bytes, reader.Position - 1, reader.End - reader.Position + 1);
}

// Reads one line of the table into its field; false when the licence
// never ends, so that nothing after it is taken from the wrong line.
bool ReadField(TLineReader &reader, const TSettingsField &field, TSettingsBlock &record, int64_t offset)
{
    char *at = reinterpret_cast<char *>(&record) + field.Offset;
    std::string *text = reinterpret_cast<std::string *>(at);  // for the text kinds only
    switch (field.Kind) {
    case FieldInt32:
        *reinterpret_cast<int32_t *>(at) =
            static_cast<int32_t>(ParseDecimal(reader.ReadNumberToken(), INT32_MIN, INT32_MAX));
        break;
    case FieldInt64:
    case FieldMegabytes: {
        const int64_t value = ParseDecimal(reader.ReadNumberToken(), INT64_MIN, INT64_MAX);
        *reinterpret_cast<int64_t *>(at) = field.Kind == FieldMegabytes ? MegabytesToBytes(value) : value;
        break;
    }
    case FieldText:
        *text = reader.ReadLine();
        break;
    case FieldFlag:
        *reinterpret_cast<bool *>(at) = reader.ReadLine() == "TRUE";
        break;
    case FieldLicence: {
        // Lines up to the end-of-licence line. Without it the block is cut
        // off or damaged: stop at the end of the data.
        std::string line = reader.ReadLine();
        while (line != EndOfLicenceLine) {
            *text += line;
            if (reader.AtEnd())
                return false;
            line = reader.ReadLine();
            if (line != EndOfLicenceLine)
                *text += "\r\n";
        }
        record.Complete = true;
        break;
    }
    case FieldMessages:
        for (int number = 1; number <= MessageCount; ++number)
            text[number] = reader.ReadLine();
        break;
    case FieldExtensions:
        // The area ends where the cabinet begins, when the block's place in
        // the file is known.
        ReadExtensionArea(reader, offset < 0 ? INT64_MAX : CabinetOffsetOf(record) - offset, *text);
        break;
    }
    return true;
}

}  // namespace

void ReadSettingsBlock(const std::string &bytes, TSettingsBlock &record, int64_t offset)
{
    TLineReader reader(bytes);
    for (const TSettingsField &field : SettingsFields)
        if (!ReadField(reader, field, record, offset))
            break;
    record.CabinetOffset = CabinetOffsetOf(record);
    record.Caption = CaptionPrefix + record.Title;
    ExtensionValue(record, "\nCAPTION=", record.Caption);
    std::string codePage;
    if (ExtensionValue(record, "\nCODEPAGE=", codePage))
        record.CodePage = static_cast<uint32_t>(ParseDecimal(codePage, 1, 65535));
    record.DamagedMessage = record.Messages[record.PasswordProtected ? MsgDamagedOrPassword : MsgDamaged];
}

std::string WriteSettingsLines(const TSettingsBlock &record)
{
    std::string lines;
    auto line = [&lines](const std::string &text) { (lines += text) += "\r\n"; };
    for (const TSettingsField &field : SettingsFields) {
        const char *at = reinterpret_cast<const char *>(&record) + field.Offset;
        const std::string *text = reinterpret_cast<const std::string *>(at);  // for the text kinds only
        switch (field.Kind) {
        case FieldInt32:
            line(std::to_string(*reinterpret_cast<const int32_t *>(at)));
            break;
        case FieldInt64:
            line(std::to_string(*reinterpret_cast<const int64_t *>(at)));
            break;
        case FieldMegabytes:
            line(std::to_string(*reinterpret_cast<const int64_t *>(at) / Megabyte));
            break;
        case FieldText:
            line(*text);
            break;
        case FieldFlag:
            line(*reinterpret_cast<const bool *>(at) ? "TRUE" : "FALSE");
            break;
        case FieldLicence: {
            // No licence is one empty line, as a reader expects.
            size_t start = 0;
            for (size_t end; (end = text->find("\r\n", start)) != std::string::npos; start = end + 2)
                line(text->substr(start, end - start));
            line(text->substr(start));
            line(EndOfLicenceLine);
            break;
        }
        case FieldMessages:
            for (int number = 1; number <= MessageCount; ++number)
                line(text[number]);
            break;
        case FieldExtensions:
            if (!text->empty())
                (lines += ExtensionsLine) += '\r' + *text;
            break;
        }
    }
    return lines;
}

std::string WriteSettingsBlock(TSettingsBlock record)
{
    // The block's length depends on the digits of its own length: settle
    // that number by iteration.
    const std::string head = "\r\n" + SettingsMarkerLine;
    record.BlockLength = 0;
    for (;;) {
        std::string block = head + WriteSettingsLines(record);
        if (static_cast<int64_t>(block.size()) == record.BlockLength)
            return block;
        record.BlockLength = static_cast<int64_t>(block.size());
    }
}
