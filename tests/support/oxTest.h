// Helpers shared by the test programs.
#pragma once
#include <string>

// Folder of the running test program, with a trailing backslash; the
// extractor, oxpack and the test hosts are built beside it.
std::string BinFolder();
