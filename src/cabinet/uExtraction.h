// uExtraction: the extraction's own state, what it changes as it goes.
#pragma once
#include <cstdint>
#include <string>
#include <windows.h>
#include "cabinet/hFDI.h"
#include "services/uRunPlan.h"
#include "util/mUtils.h"

// What the extraction changes as it goes. It reaches FdiNotify as the
// library's user value; only the thread that extracts touches it, except
// the file in hand, which the end of the run takes over. Value-initialised
// (everything 0) before use; the plan and the overwrite mode are then set.
struct TExtraction {
    const TRunPlan *Plan;
    // The library's context for the whole set, the error record it reports
    // into, and the counts of the cabinet being extracted.
    HFDI Context;
    ERF Erf;
    FDICABINETINFO Cabinet;
    // Files of the cabinet being extracted finished or skipped.
    uint16_t FilesDone;
    // 1 ask, 0 replace all, 2 keep all.
    int OverwriteMode;
    // Full path of the next cabinet of a set still to be extracted, or empty.
    std::string NextCabinet;
    // Set when the next cabinet of a set cannot be reached at all; the
    // failed extraction is then reported as a missing cabinet, not as a
    // user abort.
    bool NextCabinetUnreachable;
    // Set when a file was closed shorter than the cabinet says it is: the
    // library may close a file it could not finish and still go on.
    bool FileCutOff;
    // The set and index the library waits for: those of the cabinet it
    // reads (the last one checked), the index one higher. Kept while the
    // library asks again for the same cabinet, after it refused a file.
    USHORT ExpectedSetId;
    USHORT ExpectedIndex;
    // The next cabinet a cabinet's header names, from the library's report
    // of the last cabinet it opened; empty for the last cabinet of a set.
    // The library asks for the next cabinet only when a file runs into it,
    // so a set that breaks between two files goes on from this name.
    std::string HeaderNextName;
    std::string HeaderNextDisk;
    // Held while a target is created and registered, and for good by the
    // end of the run.
    volatile LONG FileStepBusy;
    // The file being written, from its creation until it is closed
    // complete. A run that fails or ends while it is open removes it, so
    // that no cut-off file is left looking like a finished one. A confirmed
    // cancel ends the run from the dialog's thread while this one writes,
    // so the file is handed over through PartialOwned: whoever takes it
    // back from 1 to 0 closes it. Every path kept here has passed the
    // length check of FdiNotify, so it is copied whole.
    INT_PTR PartialHandle;
    int64_t PartialSize;
    volatile LONG PartialOwned;
    wchar_t PartialTarget[MaxPathLength + 1];
    // An existing file that the user agreed to replace is set aside under a
    // name of its own until its replacement is complete, and put back when
    // the run ends first, so that a failed or cancelled run never costs it.
    // Handed over like the file being written, through AsideOwned.
    DWORD AsideAttributes;
    volatile LONG AsideOwned;
    // Folders below the destination found to be no link in this run, each
    // between two '|' (which no name holds), so that each is looked at once.
    TWideText *PlainFolders;
    // The destination in wide form, taken once: its long form where the
    // run was handed its short (8.3) form.
    const wchar_t *WideDestination;
    wchar_t AsideTarget[MaxPathLength + 1];
    wchar_t AsidePath[MaxPathLength + 1];
    wchar_t LongDestination[1024];
};
