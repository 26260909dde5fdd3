// uLog: appends the run's log. One WriteFile per line on a handle opened
// for appending only: lines of the two threads, or of two packages logging
// to one file, never cut into each other.
#include <windows.h>
#include "services/uLog.h"
#include "util/mUtils.h"

namespace {

// Null while no log is open: zero-initialised, so that no data section is
// stored for it.
HANDLE LogFile = nullptr;
DWORD LogStarted = 0;

std::string Utf8FromWide(const wchar_t *text, int length)
{
    const int size = length > 0 ? WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr) : 0;
    if (size <= 0)
        return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, &result[0], size, nullptr, nullptr);
    return result;
}

// The code page's text as UTF-8; bytes that do not convert are dropped
// rather than the line.
std::string ToUtf8(const std::string &text)
{
    const TWideText wide(text);
    return Utf8FromWide(wide.Text, static_cast<int>(WideLength(wide.Text)));
}

} // namespace

std::string LogTimeStamp(int year, int month, int day, int hour, int minute, int second)
{
    char stamp[32];
    wsprintfA(stamp, "%04d-%02d-%02d %02d:%02d:%02d ", year, month, day, hour, minute, second);
    return stamp;
}

std::string DurationText(uint32_t milliseconds)
{
    char text[24];
    wsprintfA(text, "%lu.%03lu s", static_cast<unsigned long>(milliseconds / 1000),
              static_cast<unsigned long>(milliseconds % 1000));
    return text;
}

std::string OneLine(const std::string &text)
{
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            line += " | ";
        } else {
            line += c;
        }
    }
    return line;
}

bool OpenLog(const std::string &path)
{
    LogStarted = GetTickCount();
    // Another run may be writing to the same log: share it, append only.
    LogFile = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (LogFile == INVALID_HANDLE_VALUE)
        LogFile = nullptr;
    return LogFile != nullptr;
}

bool IsLogOpen()
{
    return LogFile != nullptr;
}

namespace {

// One step, already in UTF-8 (line ends are ASCII, so OneLine applies).
void WriteLogLine(const std::string &utf8)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string line =
        LogTimeStamp(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond) + OneLine(utf8) + "\r\n";
    DWORD written = 0;
    WriteFile(LogFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

void LogLine(const char *part, const char *more, const char *yetMore, const char *last)
{
    if (LogFile == nullptr)
        return;
    std::string text(part);
    for (const char *next : {more, yetMore, last})
        if (next)
            text += next;
    WriteLogLine(ToUtf8(text));
}

void LogLine(const char *label, const wchar_t *text, const char *tail)
{
    if (LogFile == nullptr)
        return;
    WriteLogLine(label + Utf8FromWide(text, static_cast<int>(WideLength(text))) + (tail ? tail : ""));
}

void LogFileLine(const char *label, const char *path, int64_t bytes)
{
    if (LogFile != nullptr)
        LogFileLine(label, TWideText(path).Text, bytes);
}

void LogFileLine(const char *label, const wchar_t *path, int64_t bytes)
{
    if (LogFile != nullptr)
        LogLine(label, path, (" (" + Int64ToText(bytes) + " bytes)").c_str());
}

void LogEnd(int exitCode)
{
    if (LogFile == nullptr)
        return;
    LogLine("end: exit code ", Int64ToText(static_cast<uint32_t>(exitCode)).c_str(), ", after ",
            DurationText(GetTickCount() - LogStarted).c_str());
    // Both threads may end the run; the handle is closed once.
    HANDLE file = InterlockedExchangePointer(&LogFile, nullptr);
    if (file)
        CloseHandle(file);
}
