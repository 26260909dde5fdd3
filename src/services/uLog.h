// uLog: the run's log, asked for with $LOG$=FILE. Plain text in UTF-8,
// appended, one line per step, each after the local time. Every layer
// writes to it; without an open log every routine here does nothing, so
// callers never ask whether there is one.
#pragma once
#include <cstdint>
#include <string>

// Opens path for appending (created when missing) and starts the clock for
// the run's duration; false when it cannot be opened or is the package
// at ownPath itself, and the run then goes on without a log.
bool OpenLog(const std::string &path, const std::string &ownPath = std::string());
bool IsLogOpen();
// One line made of the given parts, in the system's code page, written as
// UTF-8. Safe from either thread: each line is one append. The parts are
// C strings so that a caller builds nothing while no log is open.
// Fewer parts are separate routines, so that calls pass no empty ones.
void LogLine(const char *part);
void LogLine(const char *part, const char *more);
void LogLine(const char *part, const char *more, const char *yetMore, const char *last = nullptr);
// The same with a wide text between an ASCII label and tail.
void LogLine(const char *label, const wchar_t *text, const char *tail = nullptr);
// "label path (N bytes)".
void LogFileLine(const char *label, const char *path, int64_t bytes);
void LogFileLine(const char *label, const wchar_t *path, int64_t bytes);
// "label N" for an unsigned number (a system error, an exit code).
void LogNumber(const char *label, unsigned long number);
// The last line: the exit code and the time since OpenLog. Closes the log.
void LogEnd(int exitCode);

// --- Pure helpers, exposed for their tests. ---

// "YYYY-MM-DD hh:mm:ss " for the given local time.
std::string LogTimeStamp(int year, int month, int day, int hour, int minute, int second);
// "12.345 s" for milliseconds.
std::string DurationText(uint32_t milliseconds);
// One line's text with its own line breaks made visible as " | ", so that
// every log line is one step.
std::string OneLine(const std::string &text);
// The same over length bytes into out, which holds 3 * length; returns the
// bytes written.
int OneLineInto(const char *text, int length, char *out);
