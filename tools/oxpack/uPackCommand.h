// uPackCommand: the oxpack command line: options into TPackOptions, the
// package made or inspected, and the exit code.
#pragma once
#include <string>
#include <vector>

constexpr int PackExitOk = 0;
constexpr int PackExitRefused = 1;  // bad input, missing file, failed write
constexpr int PackExitUsage = 2;    // unknown option, missing value, nothing to do

const std::string &PackUsageText();
// arguments exclude the program name; out and err receive what the
// program prints to standard output and standard error.
int RunPackCommand(const std::vector<std::string> &arguments, std::string &out, std::string &err);
