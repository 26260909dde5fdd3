// uCabHelper: drives the cabinet library over a cabinet set. The wrappers
// clear the error record before every call; FdiNotify decides everything
// that touches the destination: target paths, folders, existing files,
// dates, times and attributes, the next cabinet of a set, and progress.
// Only the thread that runs the extraction touches this state, except the
// file being written, which RemovePartialFile takes over.
#pragma once
#include <string>
#include "cabinet/hFDI.h"
#include "cabinet/uCabNames.h"

extern ERF FdiErf;
extern HFDI FdiContext;
extern FDICABINETINFO CabinetInfo;
// Full path of the next cabinet of a set still to be extracted, or empty.
extern std::string NextCabinet;

void ClearErf(ERF &record);
HFDI CreateFdiContext();
// True when the file (or the pseudo name of the embedded cabinet) is a
// cabinet; info then holds its counts.
bool CheckCabinet(HFDI context, const std::string &path, FDICABINETINFO &info);
// Extracts the embedded cabinet and every continuation cabinet after it.
// The result is that of the last extraction call.
bool CopyCabinets(HFDI context);
void DestroyFdiContext(HFDI context);
FNFDINOTIFY(FdiNotify);
// Closes and deletes the file being extracted, if one is open, and puts
// back the existing file it was to replace; called when the run ends, from
// whichever thread ends it.
void RemovePartialFile();

// --- Pure checks, exposed for their tests. ---

// The attribute bits a cabinet may carry that are file attributes
// (read-only, hidden, system, archive); 0 becomes FILE_ATTRIBUTE_NORMAL.
DWORD FileAttributesFromCabinet(USHORT attribs);
