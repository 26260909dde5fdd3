#include <windows.h>
#include <commctrl.h>
#include "startup/uReport.h"
#include "startup/uRunState.h"
#include "startup/uSettings.h"
#include "cabinet/uCabHelper.h"
#include "ui/uDialogs.h"
#include "util/mUtils.h"

namespace {

const UINT StyleFatal = MB_OK | MB_ICONHAND;                              // 0x10
const UINT StyleQuit = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;     // 0x134
const UINT StyleRetry = MB_ABORTRETRYIGNORE | MB_ICONHAND;                // 0x12
const UINT StyleQuestion = MB_YESNO | MB_ICONQUESTION;                    // 0x24

int ShowBox(const std::string &body, UINT style)
{
    return MessageBoxA(ProgressWindow, body.c_str(), PackageSettings.Caption.c_str(), style);
}

// The run is about to end: leave no empty destination folder behind. A
// folder that holds anything is kept, because RemoveDirectoryA refuses it.
void RemoveEmptyDestination()
{
    RemoveDirectoryA(PackageSettings.Destination.c_str());
}

} // namespace

bool ReportError(const std::string &text, bool fatal)
{
    std::string body;
    if (fatal)
        body = Message(35) + "\r" + text + "\r\r" + Message(36);
    else
        body = text + "\r\r" + Message(37);

    bool quit = fatal;
    if (!PackageSettings.Silent) {
        int answer = ShowBox(body, fatal ? StyleFatal : StyleQuit);
        if (!fatal)
            quit = answer == IDYES;
    }
    if (quit)
        RemoveEmptyDestination();
    return quit;
}

int AskRetry(const std::string &text)
{
    if (PackageSettings.Silent)
        EndRun(ExitError);
    // A box that cannot be shown counts as Abort.
    switch (ShowBox(Message(34) + "\r" + text, StyleRetry)) {
    case IDRETRY:
        return 1;
    case IDIGNORE:
        return 0;
    default:
        EndRun(ExitError);
    }
}

bool AskYesNo(const std::string &text)
{
    if (PackageSettings.Silent)
        return true;
    bool yes = ShowBox(text, StyleQuestion) == IDYES;
    if (!yes)
        RemoveEmptyDestination();
    return yes;
}

bool DecideOverwrite(const std::string &fileName)
{
    switch (OverwriteMode) {
    case 0:
        return true;
    case 2:
        return false;
    default:
        return AskOverwrite(fileName);
    }
}

std::string PromptNextCabinet(const std::string &cabinetName, const std::string &diskName)
{
    // Continuation cabinets are only ever looked for beside the package.
    const std::string folder = AddTrailingBackslash(GetFolderPart(OwnFilePath()));
    while (!IsFilePresent(folder + cabinetName)) {
        if (PackageSettings.Silent)
            EndRun(ExitError);
        std::string body = Message(38) + "\r" + Message(39) + diskName + "\r" + Message(40) + cabinetName;
        if (ReportError(body, false))
            EndRun(ExitDeclined);
    }
    NextCabinet = folder + cabinetName;
    if (!CheckCabinet(NextCabinet)) {
        ReportError(PackageSettings.DamagedMessage, true);
        EndRun(ExitError);
    }
    return folder;
}

void ShowProgress(const std::string &text, int16_t position)
{
    if (!ProgressWindow)
        return;
    SendDlgItemMessageA(ProgressWindow, 101, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    SendDlgItemMessageA(ProgressWindow, 105, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string FdiErrorText(const ERF &errorRecord)
{
    const uint32_t code = static_cast<uint32_t>(errorRecord.erfOper);
    if (code <= FDIERROR_USER_ABORT)
        return Message(15 + static_cast<int>(code));
    return Message(27);
}

void ReportNotBuilt(const std::string &part)
{
    ReportError("This extractor cannot show the " + part + " yet.", true);
    EndRun(ExitError);
}
