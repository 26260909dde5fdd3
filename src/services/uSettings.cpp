// uSettings: the pure half of the settings block reader. Everything here
// works on bytes already in memory and makes no system call, so the line
// rules of the format can be pinned down by tests over byte buffers.
#include "services/uSettings.h"
#include <new>
#include "util/mUtils.h"

TPackageSettings PackageSettings;

const std::string SettingsMarkerLine("$KORVANTE$\r\n", 12);
const std::string EndOfLicenceLine("\0$LUMBO$\0", 9);
const std::string CaptionPrefix("Kelvardo Tovrex - ");

const std::string &Message(int number)
{
    // Entry 0 is never filled: the empty answer for any other number.
    if (number < 1 || number > MessageCount)
        return PackageSettings.Messages[0];
    return PackageSettings.Messages[number];
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

namespace {

// Both splitters share the boundaries: blanks separate outside quotes, and
// an argument that is only "" still counts. keepQuotes keeps each
// argument's text as typed instead of its value.
std::vector<std::string> Split(const std::string &commandLine, bool keepQuotes)
{
    std::vector<std::string> result;
    std::string current;
    bool inArgument = false;  // an argument has begun, perhaps as ""
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
            if (keepQuotes)
                current += c;
        } else if (c == ' ' && !quoted) {
            if (inArgument)
                result.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    // An unbalanced quote simply runs to the end of the line.
    if (inArgument)
        result.push_back(current);
    return result;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string &commandLine)
{
    return Split(commandLine, false);
}

std::vector<std::string> SplitCommandLineAsTyped(const std::string &commandLine)
{
    return Split(commandLine, true);
}

std::string ArgumentValue(const std::string &typed)
{
    // Quotes only group; nothing else is special, so the value is the
    // typed text without them.
    std::string value;
    for (char c : typed)
        if (c != '"')
            value += c;
    return value;
}

const char *FindExtension(const TPackageSettings &settings, const char *key)
{
    size_t length = 0;
    while (key[length])
        ++length;
    const size_t at = settings.Extensions.find(key);
    return at == std::string::npos ? nullptr : settings.Extensions.c_str() + at + length;
}

bool IsSilentSwitch(const std::string &typed)
{
    return UpperCaseAscii(ArgumentValue(typed)) == "$SILENT$";
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

int32_t ReadInt32(TLineReader &reader)
{
    return static_cast<int32_t>(ParseDecimal(reader.ReadNumberToken(), INT32_MIN, INT32_MAX));
}

int64_t ReadInt64(TLineReader &reader)
{
    return ParseDecimal(reader.ReadNumberToken(), INT64_MIN, INT64_MAX);
}

bool ReadFlag(TLineReader &reader)
{
    return reader.ReadLine() == "TRUE";
}

// Megabytes to bytes; a requirement beyond the 64-bit range cannot be met
// anyway, so it saturates instead of wrapping to a small or negative value.
int64_t MegabytesToBytes(int64_t megabytes)
{
    const int64_t megabyte = 1024 * 1024;
    if (megabytes > INT64_MAX / megabyte)
        return INT64_MAX;
    if (megabytes < INT64_MIN / megabyte)
        return INT64_MIN;
    return megabytes * megabyte;
}

// -1 when the sum leaves the 64-bit range, so that seeking to it fails.
int64_t CabinetOffsetOf(int32_t libraryOffset, int32_t libraryLength, int64_t blockLength)
{
    int64_t head = static_cast<int64_t>(libraryOffset) + libraryLength;
    int64_t sum;
    if (__builtin_add_overflow(head, blockLength, &sum))
        return -1;
    return sum;
}

// The value of the first tag line key, up to its CR; false, and value
// untouched, when there is none.
bool ExtensionValue(const TPackageSettings &settings, const char *key, std::string &value)
{
    const char *at = FindExtension(settings, key);
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
// package may carry what a later extractor knows.
void ReadExtensionArea(TLineReader &reader, int64_t areaEnd, TPackageSettings &settings)
{
    const size_t start = reader.Position;
    if (static_cast<int64_t>(reader.End) > areaEnd)
        reader.End = areaEnd > static_cast<int64_t>(start) ? static_cast<size_t>(areaEnd) : start;
    if (reader.End - start > ExtensionAreaLength)
        reader.End = start + ExtensionAreaLength;
    if (reader.ReadLine() != ExtensionsLine)
        return;
    // Kept whole from the LF before its first tag line, so that every tag
    // line follows a LF; the tags are looked up in it when needed.
    settings.Extensions.assign(reader.Bytes, reader.Position - 1, reader.End - reader.Position + 1);
    std::string codePage;
    if (ExtensionValue(settings, "\nCODEPAGE=", codePage))
        settings.CodePage = static_cast<uint32_t>(ParseDecimal(codePage, 1, 65535));
    ExtensionValue(settings, "\nCAPTION=", settings.Caption);
}

}  // namespace

void ParseSettingsLines(const std::string &bytes, const std::vector<std::string> &arguments,
                        TPackageSettings &settings, int64_t offset)
{
    // Made anew in place: smaller than assigning every field over.
    settings.~TPackageSettings();
    new (&settings) TPackageSettings();
    TLineReader reader(bytes);

    settings.LibraryOffset = ReadInt32(reader);
    settings.LibraryLength = ReadInt32(reader);
    settings.BlockLength = ReadInt64(reader);
    settings.CabinetOffset =
        CabinetOffsetOf(settings.LibraryOffset, settings.LibraryLength, settings.BlockLength);
    settings.Title = reader.ReadLine();
    settings.Caption = CaptionPrefix + settings.Title;
    settings.StartQuestion = reader.ReadLine();

    // Licence lines up to the end-of-licence line. Without that line the
    // block is cut off or damaged: stop at the end of the data and leave
    // everything after the licence empty, so no value is taken from the
    // wrong line.
    std::string line = reader.ReadLine();
    while (line != EndOfLicenceLine) {
        settings.LicenceText += line;
        if (reader.AtEnd())
            return;
        line = reader.ReadLine();
        if (line != EndOfLicenceLine)
            settings.LicenceText += "\r\n";
    }
    settings.Complete = true;

    settings.CompletionMessage = reader.ReadLine();
    settings.Destination = reader.ReadLine();
    settings.Command = reader.ReadLine();
    settings.Parameters = reader.ReadLine();
    settings.RequiredBytes = MegabytesToBytes(ReadInt64(reader));
    settings.PasswordProtected = ReadFlag(reader);
    settings.Silent = ReadFlag(reader);

    // After the silent line: the argument switches silent mode on even when
    // the package says "FALSE", and nothing switches it off. Every other
    // argument goes on as typed: its quotes keep it one argument for the
    // command, and keep a command interpreter from reading what they
    // enclose ("&", ">") as its own syntax.
    for (const std::string &argument : arguments) {
        if (IsSilentSwitch(argument))
            settings.Silent = true;
        else
            settings.Parameters += ' ' + argument;
    }

    for (int number = 1; number <= MessageCount; ++number)
        settings.Messages[number] = reader.ReadLine();
    settings.DamagedMessage = settings.Messages[settings.PasswordProtected ? MsgDamagedOrPassword : MsgDamaged];

    // The area ends where the cabinet begins, when the block's place in the
    // file is known.
    ReadExtensionArea(reader, offset < 0 ? INT64_MAX : settings.CabinetOffset - offset, settings);
}
