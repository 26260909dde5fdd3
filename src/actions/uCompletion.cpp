#include <windows.h>
#include "actions/uCleanUp.h"
#include "actions/uCompletion.h"
#include "actions/uLaunch.h"
#include "services/uLog.h"
#include "services/uProgress.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "services/uSwitches.h"
#include "util/mUtils.h"

namespace {

// Dialog control the run writes to.
const int StatusLine = 105;

// The command as it is started: "$EXPLORE$" opens the destination in the
// file manager, any other command names an extracted file.
void RewriteCommand(TPackageSettings &settings)
{
    if (settings.Command == "$EXPLORE$") {
        settings.Command = WindowsFolder + "explorer.exe";
        // The folder ends in a backslash, which would escape the closing
        // quote for a program that splits its command line the usual way;
        // doubled, it stands for one.
        settings.Parameters = "\"" + settings.Destination + "\\\" " + settings.Parameters;
    } else if (!settings.Command.empty()) {
        // The command may read its command line in the system's ANSI code
        // page, whatever the package's texts are in.
        settings.Command = PathForAnsiPrograms(settings.Destination) + settings.Command;
    }
}

// What the user is told when the command cannot be started: the file and
// the system's reason, since the message table has no text for it.
std::string LaunchFailureText(const std::string &command, DWORD error)
{
    wchar_t reason[256] = L"";
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  reason, 256, nullptr);
    while (length > 0 && (reason[length - 1] == L'\r' || reason[length - 1] == L'\n' || reason[length - 1] == L' '))
        reason[--length] = 0;
    return command + (length ? "\r" + NarrowText(reason) : std::string());
}

} // namespace

void CompleteRun()
{
    TPackageSettings &settings = PackageSettings;
    // Every file is there: what follows cleans up after itself, and a
    // command that fails is no reason to remove what it was given.
    AtFailedRun(nullptr);
    // Extracting only: the files stay where they are, nothing is started
    // and nothing more is shown.
    if (PackageSwitches.ExtractOnly) {
        SetProgressText(StatusLine, Message(MsgFinishing));
        LogLine("extract only: no command started");
        EndRun(ExitFinished);
    }
    if (InstallMode) {
        SetProgressText(StatusLine, Message(MsgStartingInstall));
        ShowProgressWindow(SW_HIDE);
    } else {
        SetProgressText(StatusLine, Message(MsgFinishing));
    }

    RewriteCommand(settings);
    bool started = true;
    DWORD launchError = 0;
    DWORD commandExitCode = 0;
    if (!settings.Command.empty()) {
        started = LaunchFile(settings.Command, settings.Parameters, InstallMode, &commandExitCode);
        launchError = GetLastError();
        if (!started)
            LogNumber("command not started: system error ", launchError);
        else if (InstallMode)
            LogNumber("command ended: exit code ", commandExitCode);
    }

    if (InstallMode) {
        ShowProgressWindow(SW_RESTORE);
        // A folder given with $DESTINATION$ is the user's: it stays.
        if (!PackageSwitches.DestinationGiven) {
            SetProgressText(StatusLine, Message(MsgCleaningUp));
            RemoveWorkFolder(settings.Destination);
            LogLine(IsFolderPresent(settings.Destination) ? "clean-up: work folder kept (not empty): "
                                                          : "clean-up: work folder removed: ",
                    settings.Destination.c_str());
        }
    }
    // A command that could not be started is a failed run, not a finished
    // one: the reason instead of the completion message, exit code 1.
    if (!started) {
        ReportError(LaunchFailureText(settings.Command, launchError), true);
        EndRun(ExitError);
    }
    if (!settings.CompletionMessage.empty() && !settings.Silent) {
        LogLine("completion message: ", settings.CompletionMessage.c_str());
        MessageBoxW(ProgressWindow, TWideText(settings.CompletionMessage).Text, TWideText(settings.Caption).Text,
                    MB_ICONINFORMATION);
    }
    // Only a command the run waited for has an exit code to pass on.
    if (PackageSwitches.PassExitCode && InstallMode && !settings.Command.empty())
        EndRun(static_cast<int>(commandExitCode));
    EndRun(ExitFinished);
}
