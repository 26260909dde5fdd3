// Shared pieces of the extraction tests: payload trees, packages built
// with oxpack or by hand around a cabinet of the test's own, and silent
// runs of them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "oxPackages.h"

// A payload tree in folder: empty, tiny, incompressible and compressible
// files, two folder levels, a read-only and a hidden file.
void MakePayloadTree(const std::string &folder);
// Every file below source has an equal twin below target: bytes, the
// read-only, hidden and system attributes, and the last-write time (to the
// two seconds a cabinet keeps).
void ExpectSameTree(const std::string &source, const std::string &target);
// Names of all files below folder, relative, sorted.
std::vector<std::string> FilesBelow(const std::string &folder);
// The temporary folder this test program and what it starts use, in
// folder form.
std::string TestTempFolder();
// The work folders present in that temporary folder.
std::vector<std::string> WorkFolders();

// Package options for a package of the files below payload, extracting
// into destination, written as folder + "package.exe".
TPackOptions PackageOf(const std::string &payload, const std::string &folder, const std::string &destination);

struct TRunResult {
    DWORD ExitCode = 0xFFFFFFFF;
    bool BoxShown = false;
    std::string BoxText;
};
// Runs a package (with arguments) from folder that is expected to end by
// itself; a box that keeps it running is recorded and answered with its
// first button. Returns once the commands the package started have ended
// too, so that their records are complete and their files closed.
TRunResult RunPackage(const std::string &package, const std::string &arguments, const std::string &folder,
                      DWORD timeoutMs = 30000);

// Runs a package with a user in front of it: waits for the progress
// dialog, then for the box that opens over it, answers it with answer
// (0: its first button) and collects the exit code, once the commands the
// package started have ended too.
TRunResult RunAndAnswer(const std::string &package, const std::string &folder, int answer = 0,
                        const std::string &arguments = std::string());

// The record the payload program writes: its command line and current
// folder, per start.
std::string RecordPath(const std::string &folder);
std::vector<std::string> RecordLines(const std::string &recordPath);
// The same once at least expected lines are there (or after 10 s).
std::vector<std::string> RecordLines(const std::string &recordPath, size_t expected);
// payload_recorder.exe copied into folder under name.
void AddRecorder(const std::string &folder, const std::string &name);

std::string Quoted(const std::string &text);
