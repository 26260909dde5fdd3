// uCommandLine: a command line split into arguments as a package sees
// them. Pure: no system call, so the rule can be tested and fuzzed.
#pragma once
#include <string>
#include <vector>

// Splits a command line: blanks (0x20 only) separate, double quotes group
// and are removed, nothing else is special; "" is an empty argument and an
// unbalanced quote runs to the end. Element 0 is the program part.
std::vector<std::string> SplitCommandLine(const std::string &commandLine);
// The same arguments, each with its text as typed, quotes included.
std::vector<std::string> SplitCommandLineAsTyped(const std::string &commandLine);
// The value of an argument as typed: its text without the quotes.
std::string ArgumentValue(const std::string &typed);
