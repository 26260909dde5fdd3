// uPackCommand: the oxpack command line: options into TPackOptions, the
// package made or inspected, and the exit code.
#pragma once
#include <string>
#include <vector>

constexpr int PackExitOk = 0;
constexpr int PackExitRefused = 1;  // bad input, missing file, failed write, interrupted
constexpr int PackExitUsage = 2;    // unknown option, missing or malformed value, nothing to do

extern const char *const PackVersion;

// Where progress goes while a build runs (standard error), and whether it
// is a console, where one line is updated in place.
struct TProgressOutput {
    void (*Write)(const std::string &text) = nullptr;
    bool Console = false;
};

const std::string &PackUsageText();
// arguments exclude the program name; out and err receive what the
// program prints to standard output and standard error at the end;
// progress, when given and not --quiet, is written while the build runs.
int RunPackCommand(const std::vector<std::string> &arguments, std::string &out, std::string &err,
                   const TProgressOutput *progress = nullptr);
