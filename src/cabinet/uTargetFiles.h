// uTargetFiles: the files the extraction writes, below the destination:
// setting an existing file aside and putting it back, creating a target as
// the file in hand, and the check that no level on the way is a link.
// The file in hand and the file set aside are handed over between the
// threads through the extraction's record (PartialOwned, AsideOwned).
#pragma once
#include "cabinet/hFDI.h"
#include "cabinet/uExtraction.h"

// The destination in wide form, taken once per run.
const wchar_t *DestinationInWide(TExtraction &run);
// Moves the existing target aside, writable, under a short name in its own
// folder: never longer than the target's name, so it fits wherever the
// target does. A name that is taken, whoever took it, is never replaced;
// the next number is tried. False when the file cannot be moved at all:
// it is then left as it was.
bool SetAside(TExtraction &run, const wchar_t *target);
// The replacement is complete: the old file goes. True when there was one.
bool DropAside(TExtraction &run);
// The replacement never came: the old file returns as it was.
void PutBack(TExtraction &run);
// Creates target (a new file, read and write, not shared) and registers it
// as the file in hand in one step; -1 when it cannot be created.
INT_PTR CreateRegistered(TExtraction &run, PFDINOTIFICATION record, const wchar_t *target);
// True when a level of target below the destination (destinationLength
// characters) is a link or other reparse point, or target itself is a
// linked file.
bool LeadsThroughLink(TExtraction &run, const wchar_t *target, const wchar_t *folder, size_t destinationLength);
// Closes and deletes the file being extracted, if one is open, and puts
// back the existing file it was to replace. CopyCabinets registers it with
// AtEndOfRun, so that it runs on whichever thread ends the run.
void RemovePartialFile(TExtraction &run);
