// Packages and folders for end-to-end tests.
#pragma once
#include <string>
#include <vector>
#include "uPackage.h"

// A fresh, empty folder under the temporary folder, in folder form.
std::string NewTestFolder(const std::string &name);
// Removes a folder tree made by a test (best effort); folder form.
void RemoveTestFolder(const std::string &folder);
std::string ReadWholeFile(const std::string &path);
bool WriteWholeFile(const std::string &path, const std::string &bytes);

// Package options with the built extractor, one small payload file made
// in folder, and output folder + "package.exe".
TPackOptions TestPackOptions(const std::string &folder);
// Builds the package (failing the current test when oxpack refuses) and
// returns its path.
std::string BuildTestPackage(const TPackOptions &options);

// A package written by hand: the extractor, CR LF, the marker line, each
// of lines followed by CR LF, then tail. For settings oxpack would refuse.
std::string WriteRawPackage(const std::string &path, const std::vector<std::string> &lines,
                            const std::string &tail = "MSCF");
// The settings lines of a package without library, in order: the three
// numbers, title, question, licence lines, the end-of-licence line,
// completion message, destination, command, parameters, megabytes, the
// two flags, then the 56 messages as "M1".."M56".
std::vector<std::string> RawSettingsLines(const std::string &destination);
// A package around cabinet bytes written by the test: the extractor, the
// settings lines (the cabinet offset filled in as the block length), then
// the cabinet.
std::string WriteRawCabinetPackage(const std::string &path, std::vector<std::string> lines,
                                   const std::string &cabinet);
// One cabinet of the given files (names as given, unchecked), MSZIP.
std::string CabinetOf(const std::vector<TPackFile> &files, const std::string &scratchFolder);
