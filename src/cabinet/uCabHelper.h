// uCabHelper: drives the cabinet library over a cabinet set. The wrappers
// clear the error record before every call; FdiNotify decides everything
// that touches the destination: target paths, folders, existing files,
// dates, times and attributes, the next cabinet of a set, and progress;
// the target files themselves are uTargetFiles' work.
// Only the thread that runs the extraction touches its state, except the
// file being written, which RemovePartialFile takes over.
#pragma once
#include <cstdint>
#include <string>
#include "cabinet/hFDI.h"
#include "cabinet/uCabNames.h"
#include "cabinet/uExtraction.h"

void ClearErf(ERF &record);
// The run's library context, reporting into the run's error record; false
// when the library cannot make one.
bool CreateFdiContext(TExtraction &run);
// True when the file (or the pseudo name of the embedded cabinet) is a
// cabinet; info then holds its counts.
bool CheckCabinet(TExtraction &run, const std::string &path, FDICABINETINFO &info);
// Extracts the embedded cabinet and every continuation cabinet after it.
// The result is that of the last extraction call.
bool CopyCabinets(TExtraction &run);
void DestroyFdiContext(TExtraction &run);
FNFDINOTIFY(FdiNotify);
// The folder (with trailing backslash) of the next cabinet of a set: always
// the package's own (the plan's Exe folder), any folder part of nextName
// dropped. A file there is taken only when it is a cabinet of the set being
// extracted with the next index; while it is missing, or another cabinet,
// the user is asked (silent mode ends with 1). Then sets the run's
// NextCabinet and Cabinet. A file there that is no cabinet at all ends the
// process as a damaged package.
// rejected: the library has refused the file once already; the user is
// asked before it is looked at again, so that it is never handed back
// without an answer in between.
const std::string &LocateNextCabinet(TExtraction &run, const std::string &nextName, const std::string &diskName,
                                     bool rejected = false);
// The message (15 to 27) for a failed extraction's error record.
std::string FdiErrorText(const TRunPlan &plan, const ERF &errorRecord);

// --- Pure checks, exposed for their tests. ---

// A cabinet name in wide form: UTF-8 when attribs carry the name flag,
// else the ANSI code page. False for a flagged name that is not valid
// UTF-8, which is an unsafe name (wide then shows its bytes).
bool DecodeCabinetName(const char *name, USHORT attribs, std::wstring &wide);
// The same into wide, which has room for as many characters as name has
// bytes, and a NUL.
bool DecodeCabinetName(const char *name, USHORT attribs, wchar_t *wide);
// The attribute bits a cabinet may carry that are file attributes
// (read-only, hidden, system, archive); 0 becomes FILE_ATTRIBUTE_NORMAL.
// The UTF-8 name flag is never one of them.
DWORD FileAttributesFromCabinet(USHORT attribs);
