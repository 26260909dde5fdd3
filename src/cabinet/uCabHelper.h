// uCabHelper: drives the cabinet library over a cabinet set. The wrappers
// clear the error record before every call; FdiNotify decides everything
// that touches the destination: target paths, folders, existing files,
// dates, times and attributes, the next cabinet of a set, and progress.
// Only the thread that runs the extraction touches this state, except the
// file being written, which RemovePartialFile takes over.
#pragma once
#include <cstdint>
#include <string>
#include "cabinet/hFDI.h"
#include "cabinet/uCabNames.h"
#include "services/uRunPlan.h"

extern ERF FdiErf;
extern HFDI FdiContext;
extern FDICABINETINFO CabinetInfo;

// What the extraction changes as it goes. It reaches FdiNotify as the
// library's user value; only the thread that extracts touches it.
struct TExtraction {
    const TRunPlan *Plan = nullptr;
    // Files of the cabinet being extracted finished or skipped.
    uint16_t FilesDone = 0;
    // 1 ask, 0 replace all, 2 keep all.
    int OverwriteMode = 1;
    // Full path of the next cabinet of a set still to be extracted, or empty.
    std::string NextCabinet;
    // Set when the next cabinet of a set cannot be reached at all; the
    // failed extraction is then reported as a missing cabinet, not as a
    // user abort.
    bool NextCabinetUnreachable = false;
    // Set when a file was closed shorter than the cabinet says it is: the
    // library may close a file it could not finish and still go on.
    bool FileCutOff = false;
    // The set and index the library waits for: those of the cabinet it
    // reads (the last one checked), the index one higher. Kept while the
    // library asks again for the same cabinet, after it refused a file.
    USHORT ExpectedSetId = 0;
    USHORT ExpectedIndex = 0;
    // The next cabinet a cabinet's header names, from the library's report
    // of the last cabinet it opened; empty for the last cabinet of a set.
    // The library asks for the next cabinet only when a file runs into it,
    // so a set that breaks between two files goes on from this name.
    std::string HeaderNextName;
    std::string HeaderNextDisk;
};

void ClearErf(ERF &record);
HFDI CreateFdiContext();
// True when the file (or the pseudo name of the embedded cabinet) is a
// cabinet; info then holds its counts.
bool CheckCabinet(HFDI context, const std::string &path, FDICABINETINFO &info);
// Extracts the embedded cabinet and every continuation cabinet after it.
// The result is that of the last extraction call.
bool CopyCabinets(HFDI context, TExtraction &run);
void DestroyFdiContext(HFDI context);
FNFDINOTIFY(FdiNotify);
// Closes and deletes the file being extracted, if one is open, and puts
// back the existing file it was to replace. CopyCabinets registers it with
// AtEndOfRun, so that it runs on whichever thread ends the run.
void RemovePartialFile();
// The folder (with trailing backslash) of the next cabinet of a set: always
// the package's own (ExeFolder), any folder part of nextName dropped. A file there is
// taken only when it is a cabinet of the set being extracted with the next
// index; while it is missing, or another cabinet, the user is asked (silent
// mode ends with 1). Then sets the run's NextCabinet and CabinetInfo. A file there
// that is no cabinet at all ends the process as a damaged package.
// rejected: the library has refused the file once already; the user is
// asked before it is looked at again, so that it is never handed back
// without an answer in between.
const std::string &LocateNextCabinet(TExtraction &run, const std::string &nextName, const std::string &diskName,
                                     bool rejected = false);
// The message (15 to 27) for a failed extraction's error record.
std::string FdiErrorText(const ERF &errorRecord);

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
