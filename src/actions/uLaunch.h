// uLaunch: starts the payload after extraction, an executable directly and
// any other file through the program the shell associates with it.
#pragma once
#include <windows.h>
#include <string>

// Older headers lack it; the value is the system's.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L
#endif

// Starts filePath with the argument text; with wait set, returns only
// after the started process has ended, and its exit code is put in
// exitCode (when given; 0 when the system could not tell it). True when a
// process was started. A document no program is associated with opens in
// Notepad from windowsFolder (folder form).
bool LaunchFile(const std::string &filePath, const std::string &arguments, const std::string &windowsFolder,
                bool wait, DWORD *exitCode = nullptr);

// The pure parts, exposed for tests.

// True when the file is started itself: its extension, in any letter case,
// is EXE. Any other file is a document opened by another program.
bool IsStartedDirectly(const std::string &filePath);
// The command line for filePath. associatedProgram is what the shell named
// for a document, empty when it named none (Notepad from windowsFolder,
// which ends in a backslash, is used then); it is ignored for an
// executable. The program part is always quoted, so that blanks in a
// folder name cannot make the system start a shorter path.
std::string BuildLaunchCommandLine(const std::string &filePath, const std::string &arguments,
                                   const std::string &associatedProgram,
                                   const std::string &windowsFolder);
// After CreateProcessA failed with createProcessError: a file that needs
// elevation is handed to the shell, which can ask for it (and waited for
// when asked). True when it started; any other error gives false.
bool StartAfterCreateProcessFailure(DWORD createProcessError, const std::string &filePath,
                                    const std::string &arguments, bool wait, DWORD *exitCode = nullptr);
