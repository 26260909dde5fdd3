// Shared pieces of the loader tests: the test libraries and planted
// copies of them, children started with Wine library overrides, a payload
// and its package, and the prefix's own cabinet library saved aside while
// a test takes it away.
#pragma once
#include <string>
#include <utility>
#include <vector>
#include "oxPackages.h"
#include "oxProcess.h"

// The libraries built for these tests, in the build's dlls folder.
std::string DecoyLibraryPath();
std::string NoEntryPointsLibraryPath();
// A copy of the decoy as folder + name; true when it is there.
bool PlantDecoy(const std::string &folder, const std::string &name);
// True when some process loaded the copy planted as folder + name.
bool DecoyRan(const std::string &folder, const std::string &name);

// Wine library overrides for every program named program (a file name
// such as "planted.exe") while the record lives, e.g. {"cabinet",
// "native,builtin"}. Wine takes them from its registry in each new
// process; it takes WINEDLLOVERRIDES only from the Unix environment, so
// a change made here would never reach a child.
struct TProgramOverrides {
    TProgramOverrides(const std::string &program, const std::vector<std::pair<std::string, std::string>> &orders);
    ~TProgramOverrides();
    std::string Key;
    bool Set = false;
};

// A payload of a few files of different kinds in folder + "payload\",
// packed into folder + name with destination folder + "out\" and the
// given library carried (empty: none). Not silent.
TPackOptions PayloadPackage(const std::string &folder, const std::string &name, const std::string &library);
// Every payload file arrived in the destination byte for byte.
void ExpectPayloadExtracted(const std::string &folder);

std::string SystemLibraryPath();
std::string CompressedCopyPath();  // the name it has in the system folder
bool IsPresent(const std::string &path);

// Wine's cabinet library marked as a native one, written to folder: under
// the override "cabinet=n" Wine loads this copy from its file, where it
// refuses its own builtin copy.
std::string NativeCabinetLibrary(const std::string &folder);

// Saves the system's cabinet library aside (or puts back a copy a run cut
// short left saved) and puts it back when the test ends.
struct TSystemLibraryGuard {
    TSystemLibraryGuard();
    ~TSystemLibraryGuard();
    bool Saved = false;
    std::string Original;  // its bytes
};

std::string Quoted(const std::string &text);
