// uRunPlan: what this run is to do, settled once by the main program from
// the package's settings, the switches and the user's answers, and passed
// to the extraction and to what follows it. Read-only once the extraction
// starts (what the extraction changes as it goes is in its own state),
// except the command, which the completion turns into the one it starts,
// and what a run that ends early must undo, which each layer registers as
// it goes (uRunState).
#pragma once
#include <string>
#include "services/uSettings.h"
#include "services/uUserInterface.h"

// Folders the placeholders name, each ending in a backslash; empty when the
// system did not report it.
struct TSystemFolders {
    std::string Exe;  // the package's own
    std::string Temp;
    std::string System;
    std::string Windows;
};

struct TRunPlan {
    // The package's settings as read: texts, command, offsets.
    const TPackageSettings *Package = nullptr;
    // The user of this run, windowed or silent, chosen once as soon as the
    // settings are read; nothing is asked or reported before.
    TRunUserInterface User = TRunUserInterface();
    TSystemFolders Folders;
    // Resolved, in folder form; every file goes below it.
    std::string Destination;
    // Typed or given; empty for a package without one.
    std::string Password;
    // The package's command and its parameters, the arguments added.
    std::string Command;
    std::string Parameters;
    // The command is waited for (a work folder, "$INSTALL$").
    bool InstallMode = false;
    // The destination was given on the command line: it is the user's and
    // stays, a work folder's too.
    bool KeepDestination = false;
    // Files only: no command, no completion message.
    bool ExtractOnly = false;
    // The exit code of a command waited for becomes the run's.
    bool PassExitCode = false;
    // Existing files are replaced without asking.
    bool OverwriteAll = false;
    // True once the destination is a folder this run made, or is to make when
    // it extracts: the work folder, a folder the destination dialog created, a
    // folder that did not exist when the destination was settled. Only such a
    // folder is removed (when empty) after a failure; the temporary folder or
    // any folder of the user's is never touched.
    bool DestinationMadeByRun = false;
    // What a run that ends early must undo first (a file cut off half-way,
    // an existing file set aside), and what a failed run must not leave
    // behind (its work folder). Registered by the layer that owns it while
    // the rest of the plan is read-only; read by whichever thread ends the
    // run.
    mutable void (*volatile EndUndo)(void *context) = nullptr;
    mutable void *EndUndoContext = nullptr;
    mutable void (*volatile FailedRunCleanUp)(const TRunPlan &plan) = nullptr;
};

// Message n (1..56) of the package's table; empty for any other n.
inline const std::string &Message(const TRunPlan &plan, int number)
{
    return Message(*plan.Package, number);
}
