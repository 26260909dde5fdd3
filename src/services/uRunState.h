// Run state of the start-up driver, shared process-wide. The main thread
// writes it before the extraction thread starts; the extraction keeps
// what it changes in its own state.
#pragma once
#include <cstdint>
#include <string>
#include <windows.h>

extern std::string ExeFolder;      // each folder ends in a backslash
extern std::string TempFolder;
extern std::string SystemFolder;
extern std::string WindowsFolder;
// True once the destination is a folder this run made, or is to make when
// it extracts: the work folder, a folder the destination dialog created, a
// folder that did not exist when the destination was settled. Only such a
// folder is removed (when empty) after a failure; the temporary folder or
// any folder of the user's is never touched.
extern bool DestinationMadeByRun;

enum : int { ExitFinished = 0, ExitError = 1, ExitDeclined = 2 };

// Ends the whole process at once, from whichever thread, after the undo
// registered with AtEndOfRun.
[[noreturn]] void EndRun(int exitCode);
// What a run that ends early must undo first (a file cut off half-way, an
// existing file set aside), registered by the layer that owns it, since
// EndRun calls nothing above the run state. One at a time: a later
// registration replaces an earlier one. The undo may run on either thread.
void AtEndOfRun(void (*undo)(void *context), void *context);
// What a run that fails or is cancelled must not leave behind (its work
// folder), registered by the main program, which knows the clean-up;
// EndRun calls it after the undo for every exit code but 0. The completion
// disarms it (null) once the files are all there: from then on it cleans
// up itself.
void AtFailedRun(void (*cleanUp)());
