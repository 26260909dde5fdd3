// uPackageSwitches: the switches a package takes on its command line, for the
// people who run packages unattended. Each is a whole argument whose name
// matches in any letter case; the extractor consumes it and never passes it
// to the command. Parsing is pure (no system calls), so it can be tested
// and fuzzed over any argument list.
#pragma once
#include <string>
#include <vector>

struct TPackageSwitches {
    bool Silent = false;          // $SILENT$
    bool ExtractOnly = false;     // $EXTRACTONLY$: no command, no completion message
    bool PassExitCode = false;    // $PASSEXITCODE$: end with a waited command's code
    bool Help = false;            // $HELP$
    bool Overwrite = false;       // $OVERWRITE$: every existing file replaced, no question
    bool DestinationGiven = false;
    std::string Destination;      // $DESTINATION$=FOLDER, as typed
    bool PasswordGiven = false;
    std::string Password;         // $PASSWORD$=TEXT
    std::string LogFile;          // $LOG$=FILE; empty: no log
    // Every other argument as typed, in order, for the command's parameters.
    std::vector<std::string> Passed;
    // All arguments as the log shows them: each password replaced by ***,
    // and one that looks like a switch but is none marked as passed on.
    std::string Logged;
};

// The switches among arguments 1.. of the command line, as typed. Quotes
// group and are removed before a switch is recognised, so
// "$DESTINATION$=C:\a b" and $DESTINATION$="C:\a b" are the same; the
// other arguments keep their text as typed, quotes included. A
// switch given twice takes the later value; a valued switch typed without
// '=' counts as given with an empty value. An argument that only contains
// a switch's name (x$SILENT$, $SILENT$=1) is not a switch.
TPackageSwitches ParsePackageSwitches(const std::vector<std::string> &arguments);

// True for "$SILENT$" in any letter case of a to z, quoted or not.
bool IsSilentSwitch(const std::string &typed);

// The text of the help box: the switches and the exit codes.
extern const char PackageHelpText[];
