// uSettings: the settings block appended to the extractor's own file, and
// the record it is read into. Filled once at start-up on the main thread,
// read-only afterwards: what the run decides goes into its plan (uRunPlan).
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "format/uCommandLine.h"
#include "format/uPackageSwitches.h"
#include "format/uSettingsBlock.h"

// The block's values as the format core reads them; what the run decides
// is in its plan.
using TPackageSettings = TSettingsBlock;

// Message n (1..56) of the table; empty for any other n.
const std::string &Message(const TPackageSettings &settings, int number);

// --- Pure routines: bytes in, values out, no system calls. ---

// Fills settings from the settings lines in bytes (the data after the
// marker line) and the command-line arguments 1.. as typed (argument 0
// excluded): each one but the silent switch is appended to Parameters
// after one blank, quotes included.
// Without the end-of-licence line, Complete stays false and every field
// after the licence stays empty. offset is where bytes begin in the
// package, so that the extension area stops at the cabinet; -1 when not
// known (the area then runs to the end of bytes).
void ParseSettingsLines(const std::string &bytes, const std::vector<std::string> &arguments,
                        TPackageSettings &settings, int64_t offset = -1);

// --- Routines over the extractor's own file. ---

// Argument 0: the extractor's own full path as the system reports it.
std::string OwnFilePath();
// Arguments 1.. of the process's command line, as typed.
std::vector<std::string> CommandLineArguments();
int32_t FindSettingsBlock();
// The switches' Passed arguments go to Parameters, and $SILENT$ switches
// silent mode on.
void ReadPackageSettings(int32_t offset, const TPackageSwitches &switches, TPackageSettings &settings);

// The same over any file or buffer size, for the routines above and their
// tests. OwnFilePath is ModuleFilePath(MAX_PATH).
std::string ModuleFilePath(size_t initialLength);
// Up to maximumLength bytes from offset; empty when the file cannot be read.
std::string ReadPackageBytes(const std::string &path, int32_t offset, int32_t maximumLength);
int32_t FindSettingsBlockIn(const std::string &path);
void ReadPackageSettingsFrom(const std::string &path, int32_t offset,
                             const std::vector<std::string> &arguments, TPackageSettings &settings);
