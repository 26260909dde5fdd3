// Helpers shared by the test programs.
#pragma once
#include <string>

// Folder of the running test program, with a trailing backslash; the
// extractor, oxpack and the test hosts are built beside it.
std::string BinFolder();
// The folder of the shipped 32-bit programs. A 64-bit test build (for a
// machine that cannot run 32-bit programs) is told where they are; their
// file-level checks (size, imports, subsystem) are made on them.
std::string ProductFolder();

// Gives the running test program a temporary folder of its own, named
// after the program, inside the prefix's temporary folder: TMP and TEMP
// name it, so that it is what GetTempPath returns here and in every process
// the program starts. Whatever an earlier run left there is removed first.
// Returns the folder (with a trailing backslash), empty when it cannot be
// made.
std::string UseOwnTemporaryFolder();
