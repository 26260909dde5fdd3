// uLog: appends the run's log. One WriteFile per line on a handle opened
// for appending only: lines of the two threads, or of two packages logging
// to one file, never cut into each other. Each line is put together on the
// stack, in UTF-16 and then UTF-8, with no heap strings: a step longer than
// LogLineMax characters is cut there rather than lost.
#include <windows.h>
#include "services/uLog.h"
#include "util/mUtils.h"

namespace {

// Null while no log is open: zero-initialised, so that no data section is
// stored for it.
HANDLE LogFile = nullptr;
DWORD LogStarted = 0;
// Either thread may end the run and close the log while the other writes
// a line: the handle is used and closed under this lock.
volatile long LogBusy = 0;

const int LogLineMax = 1024;

// The numbers here are put by hand rather than by wsprintfA: the log is
// its only user, and one import more costs the extractor a whole page of
// its file.

// value in decimal, at least digits long (leading zeros); returns the end.
char *PutNumber(char *out, unsigned long value, int digits)
{
    char reversed[12];
    int count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value || count < digits);
    while (count)
        *out++ = reversed[--count];
    return out;
}

// "YYYY-MM-DD hh:mm:ss " into out; returns the end.
char *PutTimeStamp(char *out, const unsigned long (&fields)[6])
{
    static const char After[] = "-- :: ";
    for (int i = 0; i < 6; ++i) {
        out = PutNumber(out, fields[i], i ? 2 : 4);
        *out++ = After[i];
    }
    return out;
}

// "12.345 s" into out, terminated; returns the end.
char *PutDuration(char *out, unsigned long milliseconds)
{
    out = PutNumber(out, milliseconds / 1000, 1);
    *out++ = '.';
    out = PutNumber(out, milliseconds % 1000, 3);
    *out++ = ' ';
    *out++ = 's';
    *out = 0;
    return out;
}

// A step while it is put together: code-page and wide parts alike.
struct TLogLine {
    int Length;
    wchar_t Text[LogLineMax];
};

void AddPart(TLogLine &line, const char *part)
{
    // A full line takes nothing more (a room of 0 would ask for the size).
    if (!part || line.Length >= LogLineMax)
        return;
    // A byte gives at most one character, so a part cut to the room always
    // fits: an over-long path is cut, not dropped.
    const int room = LogLineMax - line.Length;
    int bytes = lstrlenA(part);
    if (bytes > room)
        bytes = room;
    line.Length += MultiByteToWideChar(TextCodePage(), 0, part, bytes, line.Text + line.Length, room);
}

// Writes label, the wide text, then the code-page parts, as one line.
void WriteParts(const char *label, const wchar_t *wide, int wideLength, const char *more, const char *yetMore,
                const char *last, const char *tail = nullptr)
{
    if (LogFile == nullptr)
        return;
    TLogLine line;
    line.Length = 0;
    AddPart(line, label);
    if (wideLength > LogLineMax - line.Length)
        wideLength = LogLineMax - line.Length;
    for (int i = 0; i < wideLength; ++i)
        line.Text[line.Length++] = wide[i];
    AddPart(line, more);
    AddPart(line, yetMore);
    AddPart(line, last);
    AddPart(line, tail);

    char utf8[LogLineMax * 3];
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.Text, line.Length, utf8, sizeof utf8, nullptr, nullptr);
    // Each byte becomes at most " | ".
    char out[sizeof utf8 * 3 + 32];
    SYSTEMTIME now;
    GetLocalTime(&now);
    const unsigned long fields[6] = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    int length = static_cast<int>(PutTimeStamp(out, fields) - out);
    length += OneLineInto(utf8, size > 0 ? size : 0, out + length);
    out[length++] = '\r';
    out[length++] = '\n';
    DWORD written = 0;
    EnterSpinLock(&LogBusy);
    if (LogFile != nullptr)
        WriteFile(LogFile, out, static_cast<DWORD>(length), &written, nullptr);
    LeaveSpinLock(&LogBusy);
}

} // namespace

std::string LogTimeStamp(int year, int month, int day, int hour, int minute, int second)
{
    char stamp[32];
    const unsigned long fields[6] = {static_cast<unsigned long>(year),   static_cast<unsigned long>(month),
                                     static_cast<unsigned long>(day),    static_cast<unsigned long>(hour),
                                     static_cast<unsigned long>(minute), static_cast<unsigned long>(second)};
    return std::string(stamp, PutTimeStamp(stamp, fields));
}

std::string DurationText(uint32_t milliseconds)
{
    char text[24];
    PutDuration(text, milliseconds);
    return text;
}

int OneLineInto(const char *text, int length, char *out)
{
    // Breaks in a row share their blanks: "a | | b".
    int written = 0;
    bool afterBreak = false;
    for (int i = 0; i < length; ++i) {
        char c = text[i];
        const bool isBreak = c == '\r' || c == '\n';
        if (isBreak) {
            if (c == '\r' && i + 1 < length && text[i + 1] == '\n')
                ++i;
            if (!afterBreak)
                out[written++] = ' ';
            out[written++] = '|';
            c = ' ';
        }
        afterBreak = isBreak;
        out[written++] = c;
    }
    return written;
}

std::string OneLine(const std::string &text)
{
    std::string line(text.size() * 3, '\0');
    line.resize(static_cast<size_t>(OneLineInto(text.data(), static_cast<int>(text.size()), &line[0])));
    return line;
}

bool OpenLog(const std::string &path, const std::string &ownPath)
{
    LogStarted = GetTickCount();
    // A path longer than the file calls take is never handed to them.
    if (path.size() > MaxPathLength)
        return false;
    // The package itself, by whatever name, is no log: lines appended to it
    // would damage it (Windows refuses to write into a running program,
    // Wine does not). Held open meanwhile against writers, it cannot be
    // opened for appending. Another run may be writing to the same log:
    // share it, append only.
    HANDLE package = CreateFileW(TWideText(ownPath).Text, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LogFile = CreateFileW(TWideText(path).Text, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(package);
    if (LogFile == INVALID_HANDLE_VALUE)
        LogFile = nullptr;
    return LogFile != nullptr;
}

bool IsLogOpen()
{
    return LogFile != nullptr;
}

void LogLine(const char *part)
{
    WriteParts(part, nullptr, 0, nullptr, nullptr, nullptr);
}

void LogLine(const char *part, const char *more)
{
    WriteParts(part, nullptr, 0, more, nullptr, nullptr);
}

void LogLine(const char *part, const char *more, const char *yetMore, const char *last)
{
    WriteParts(part, nullptr, 0, more, yetMore, last);
}

void LogLine(const char *label, const wchar_t *text, const char *tail)
{
    WriteParts(label, text, static_cast<int>(WideLength(text)), tail, nullptr, nullptr);
}

void LogFileLine(const char *label, const char *path, int64_t bytes)
{
    if (LogFile != nullptr)
        WriteParts(label, nullptr, 0, path, " (", Int64ToText(bytes).c_str(), " bytes)");
}

void LogFileLine(const char *label, const wchar_t *path, int64_t bytes)
{
    if (LogFile != nullptr)
        WriteParts(label, path, static_cast<int>(WideLength(path)), " (", Int64ToText(bytes).c_str(), " bytes)");
}

void LogNumber(const char *label, unsigned long number)
{
    char digits[12];
    *PutNumber(digits, number, 1) = 0;
    LogLine(label, digits);
}

void LogEnd(int exitCode)
{
    if (LogFile == nullptr)
        return;
    const DWORD elapsed = GetTickCount() - LogStarted;
    char text[16];
    char number[12];
    *PutNumber(number, static_cast<unsigned long>(exitCode), 1) = 0;
    PutDuration(text, elapsed);
    LogLine("end: exit code ", number, ", after ", text);
    // Both threads may end the run; the handle is closed once.
    EnterSpinLock(&LogBusy);
    HANDLE file = LogFile;
    LogFile = nullptr;
    LeaveSpinLock(&LogBusy);
    if (file)
        CloseHandle(file);
}
