// uRunPlan: what this run is to do, settled once by the main program from
// the package's settings, the switches and the user's answers, and passed
// to the extraction and to what follows it. Read-only once the extraction
// starts (what the extraction changes as it goes is in its own state),
// except the command, which the completion turns into the one it starts.
#pragma once
#include <string>
#include "services/uSettings.h"

struct TRunPlan {
    // The package's settings as read: texts, command, offsets.
    const TPackageSettings *Package = nullptr;
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
};

// Holds a record that is never destroyed. The process ends from inside the
// run, on either thread, while the run's records may still be in use, and
// a destructor nobody runs would only cost bytes.
template <typename T> union TKeptToTheEnd {
    T Value;
    TKeptToTheEnd() : Value() {}
    ~TKeptToTheEnd() {}
};
