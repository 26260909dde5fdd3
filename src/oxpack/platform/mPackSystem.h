// mPackSystem: the builder's process-wide system calls: its arguments, the
// standard streams, an interruption, the clock and the environment.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The arguments as typed, in UTF-8, without the program's own name.
std::vector<std::string> CommandArguments(int argc, char **argv);
// Writes UTF-8 text to standard output or standard error: a console gets
// the characters themselves, a file or a pipe the UTF-8 bytes.
void WriteStandard(bool toError, const std::string &text);
// Whether standard error is a console (progress lines redraw in place).
bool ErrorIsConsole();
// Calls stop, on a thread of its own, when the user interrupts the run
// (Ctrl+C, a closing console, SIGINT or SIGTERM).
void OnInterrupt(void (*stop)());
// Milliseconds since some fixed moment; wraps like a 32-bit counter.
uint32_t TickCount();
// The value of an environment variable in UTF-8; false when unset.
bool EnvironmentValue(const char *name, std::string &value);
