#include <windows.h>
#include <commctrl.h>
#include "actions/uCleanUp.h"
#include "actions/uLaunch.h"
#include "cabinet/uCabHelper.h"
#include "cabinet/uCabStreams.h"
#include "cabinet/uExtractRun.h"
#include "services/uProgress.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"

namespace {

const char PrepareFailedText[] = "Unable to prepare for decompression!";

// Dialog controls the run writes to.
const int ProgressBar = 101;
const int StatusLine = 105;
const int TitleLine = 111;

[[noreturn]] void Fail(const std::string &text, int exitCode)
{
    ReportError(text, true);
    EndRun(exitCode);
}

// Bytes of the package file from the cabinet's first byte to its end;
// -1 when the file cannot be measured.
int64_t BytesAfterCabinetOffset()
{
    HANDLE file = CreateFileA(OwnFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    LARGE_INTEGER size;
    const bool measured = GetFileSizeEx(file, &size) != FALSE;
    CloseHandle(file);
    return measured ? size.QuadPart - PackageSettings.CabinetOffset : -1;
}

// The command as it is started: "$EXPLORE$" opens the destination in the
// file manager, any other command names an extracted file.
void RewriteCommand(TPackageSettings &settings)
{
    if (settings.Command == "$EXPLORE$") {
        settings.Command = WindowsFolder + "explorer.exe";
        settings.Parameters = "\"" + settings.Destination + "\" " + settings.Parameters;
    } else if (!settings.Command.empty()) {
        settings.Command = settings.Destination + settings.Command;
    }
}

// What the user is told when the command cannot be started: the file and
// the system's reason, since the message table has no text for it.
std::string LaunchFailureText(const std::string &command, DWORD error)
{
    char reason[256] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  reason, sizeof reason, nullptr);
    while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' || reason[length - 1] == ' '))
        reason[--length] = 0;
    return command + (length ? "\r" + std::string(reason) : std::string());
}

} // namespace

DWORD WINAPI RunExtraction(LPVOID)
{
    TPackageSettings &settings = PackageSettings;
    SetProgressText(TitleLine, settings.Title);
    SetProgressText(StatusLine, Message(1));

    FdiContext = CreateFdiContext();
    if (!FdiContext)
        Fail(PrepareFailedText, ExitError);

    SetProgressText(StatusLine, Message(2));
    if (!CheckCabinet(FdiContext, EmbeddedCabinetName, CabinetInfo))
        Fail(settings.DamagedMessage, ExitDeclined);
    // A package cut short would otherwise extract its first files and
    // fail half-way; it is damaged before anything is written.
    const int64_t available = BytesAfterCabinetOffset();
    if (available < 0 || static_cast<int64_t>(CabinetInfo.cbCabinet) > available)
        Fail(settings.DamagedMessage, ExitDeclined);
    SendToProgress(ProgressBar, PBM_SETRANGE, 0, MAKELPARAM(0, CabinetInfo.cFiles));

    SetProgressText(StatusLine, Message(3));
    if (!CopyCabinets(FdiContext))
        Fail(FdiErrorText(FdiErf), ExitError);
    SendToProgress(ProgressBar, PBM_SETPOS, CabinetInfo.cFiles, 0);

    if (InstallMode) {
        SetProgressText(StatusLine, Message(4));
        ShowProgressWindow(SW_HIDE);
    } else {
        SetProgressText(StatusLine, Message(5));
    }
    DestroyFdiContext(FdiContext);

    RewriteCommand(settings);
    bool started = true;
    DWORD launchError = 0;
    if (!settings.Command.empty()) {
        started = LaunchFile(settings.Command, settings.Parameters, InstallMode);
        launchError = GetLastError();
    }

    if (InstallMode) {
        ShowProgressWindow(SW_RESTORE);
        SetProgressText(StatusLine, Message(6));
        RemoveWorkFolder(settings.Destination);
    }
    // A command that could not be started is a failed run, not a finished
    // one: the reason instead of the completion message, exit code 1.
    if (!started)
        Fail(LaunchFailureText(settings.Command, launchError), ExitError);
    if (!settings.CompletionMessage.empty() && !settings.Silent)
        MessageBoxA(ProgressWindow, settings.CompletionMessage.c_str(), settings.Caption.c_str(),
                    MB_ICONINFORMATION);
    EndRun(ExitFinished);
}
