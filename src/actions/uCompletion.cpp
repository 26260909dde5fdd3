#include <windows.h>
#include "actions/uCleanUp.h"
#include "actions/uCompletion.h"
#include "actions/uLaunch.h"
#include "services/uLog.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "services/uUserInterface.h"
#include "util/mUtils.h"

namespace {

// The command as it is started: "$EXPLORE$" opens the destination in the
// file manager, any other command names an extracted file.
void RewriteCommand(const TRunPlan &plan, std::string &command, std::string &parameters)
{
    const std::string &destination = plan.Destination;
    if (command == "$EXPLORE$") {
        command = plan.Folders.Windows + "explorer.exe";
        // The folder ends in a backslash, which would escape the closing
        // quote for a program that splits its command line the usual way;
        // doubled, it stands for one.
        parameters = "\"" + destination + "\\\" " + parameters;
    } else if (!command.empty()) {
        // The command may read its command line in the system's ANSI code
        // page, whatever the package's texts are in.
        command = PathForAnsiPrograms(destination) + command;
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

void CompleteRun(TRunPlan &plan)
{
    const TPackageSettings &settings = *plan.Package;
    const std::string &destination = plan.Destination;
    const TRunUserInterface &user = plan.User;
    // Every file is there: what follows cleans up after itself, and a
    // command that fails is no reason to remove what it was given.
    AtFailedRun(plan, nullptr);
    // Extracting only: the files stay where they are, nothing is started
    // and nothing more is shown.
    if (plan.ExtractOnly) {
        user.ShowStage(MsgFinishing);
        LogLine("extract only: no command started");
        EndRun(plan, ExitFinished);
    }
    if (plan.InstallMode) {
        user.ShowStage(MsgStartingInstall);
        user.ShowProgressWindow(false);
    } else {
        user.ShowStage(MsgFinishing);
    }

    std::string &command = plan.Command;
    std::string &parameters = plan.Parameters;
    RewriteCommand(plan, command, parameters);
    bool started = true;
    DWORD launchError = 0;
    DWORD commandExitCode = 0;
    if (!command.empty()) {
        started = LaunchFile(command, parameters, plan.Folders.Windows, plan.InstallMode, &commandExitCode);
        launchError = GetLastError();
        if (!started)
            LogNumber("command not started: system error ", launchError);
        else if (plan.InstallMode)
            LogNumber("command ended: exit code ", commandExitCode);
    }

    if (plan.InstallMode) {
        user.ShowProgressWindow(true);
        // A folder given with $DESTINATION$ is the user's: it stays.
        if (!plan.KeepDestination) {
            user.ShowStage(MsgCleaningUp);
            RemoveWorkFolder(destination);
            LogLine(IsFolderPresent(destination) ? "clean-up: work folder kept (not empty): "
                                                 : "clean-up: work folder removed: ",
                    destination.c_str());
        }
    }
    // A command that could not be started is a failed run, not a finished
    // one: the reason instead of the completion message, exit code 1.
    if (!started) {
        FailRun(plan, LaunchFailureText(command, launchError), ExitError);
    }
    if (!settings.CompletionMessage.empty())
        user.ShowCompletion(settings.CompletionMessage);
    // Only a command the run waited for has an exit code to pass on.
    if (plan.PassExitCode && plan.InstallMode && !command.empty())
        EndRun(plan, static_cast<int>(commandExitCode));
    EndRun(plan, ExitFinished);
}
