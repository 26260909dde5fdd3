// Helpers for tests that build packages: scratch folders, whole-file I/O,
// and running a program as a child process with its output captured.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "oxPackages.h"  // test folders, whole-file I/O

bool FileExists(const std::string &path);
// Bytes that pass for an extractor: "MZ" and filler of the given length.
std::string FakeExtractorBytes(size_t length);
// Deterministic bytes that do not compress.
std::string NoiseBytes(size_t length, uint32_t seed);

// Runs commandLine (UTF-8, started with the wide call so that any argument
// arrives as typed; program path quoted by the caller), waits at most
// timeoutMs; returns the exit code, or -1 when it could not be started or
// did not end in time.
int RunChild(const std::string &commandLine, std::string &out, std::string &err, unsigned timeoutMs = 60000);
// Quotes an argument for a command line.
std::string Quote(const std::string &argument);

// An icon image as an .ico file stores it: a bitmap header, the colour
// table for depths up to 8 bits, the pixels and the mask, all of the
// given pattern byte, so that images of equal size still differ.
std::string IconImageBytes(int size, int bitCount, char pattern);
// A whole .ico file: one image per (size, bit count) pair.
std::string IconFileBytes(const std::vector<std::pair<int, int>> &images);
