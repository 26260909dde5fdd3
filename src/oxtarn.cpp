// oxtarn: the extractor's main program. Runs the start-up sequence on the
// main thread, in a fixed order that the user sees (library, question,
// password, licence, destination, free space), then hands the run to the
// extraction, which ends the process. Every way out has its exit code.
#include <windows.h>
#include "actions/uCompletion.h"
#include "cabinet/mLZ_API.h"
#include "cabinet/uExtractRun.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "services/uWorkFolder.h"
#include "ui/uDialogs.h"
#include "util/mUtils.h"

namespace {

const char NotWorkableNotice[] =
    "This is not a workable program, there is no utility in running it apart from seeing this notice.";

typedef UINT(WINAPI *TFolderQuery)(LPSTR, UINT);

// A folder the system reports into a 1,024-byte buffer, in folder form;
// empty when the call fails or the folder does not fit.
std::string SystemReportedFolder(TFolderQuery query)
{
    char buffer[1024];
    UINT length = query(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return std::string();
    return AddTrailingBackslash(std::string(buffer, length));
}

UINT WINAPI TempPathQuery(LPSTR buffer, UINT size)
{
    return GetTempPathA(size, buffer);
}

[[noreturn]] void Fail(const std::string &text)
{
    ReportError(text, true);
    EndRun(ExitError);
}

// The placeholders are compared exactly: "$temp$" is an ordinary
// (relative) folder name.
std::string ResolveDestination(const std::string &destination)
{
    if (destination == "$EXE$")
        return ExeFolder;
    if (destination == "$TEMP$")
        return TempFolder;
    if (destination == "$SYSTEM$")
        return SystemFolder;
    if (destination == "$WINDOWS$")
        return WindowsFolder;
    if (destination == "$INSTALL$") {
        InstallMode = true;
        std::string folder = ChooseWorkFolder("qbxr_installer", PackageSettings.RequiredBytes);
        if (folder.empty())
            Fail(Message(10));
        DestinationMadeByRun = true;
        return folder;
    }
    return destination;
}

// The extraction run: the worker of the progress dialog, or the main
// thread's own work in a silent run. Never returns: the completion ends
// the process.
DWORD WINAPI RunExtraction(LPVOID)
{
    ExtractPackage();
    CompleteRun();
}

} // namespace

int main()
{
    RestrictLibrarySearch();
    OverwriteMode = 1;
    FilesDone = 0;
    ProgressWindow = nullptr;

    ExeFolder = AddTrailingBackslash(GetFolderPart(OwnFilePath()));
    TempFolder = SystemReportedFolder(TempPathQuery);
    SystemFolder = SystemReportedFolder(GetSystemDirectoryA);
    WindowsFolder = SystemReportedFolder(GetWindowsDirectoryA);

    const int32_t offset = FindSettingsBlock();
    if (offset == -1)
        Fail(NotWorkableNotice);
    ReadPackageSettings(offset);
    // Settings that end inside the licence text have lost every field
    // after it, the messages included: the package is not workable.
    if (!PackageSettings.Complete)
        Fail(NotWorkableNotice);

    if (!LoadCabinetLibrary(PackageSettings.LibraryOffset, PackageSettings.LibraryLength, SystemFolder))
        Fail(Message(56));

    if (!PackageSettings.StartQuestion.empty() && !AskYesNo(PackageSettings.StartQuestion))
        EndRun(ExitDeclined);

    if (PackageSettings.PasswordProtected)
        PackageSettings.Password = AskPassword();

    if (!PackageSettings.LicenceText.empty() && !ShowLicence(PackageSettings.LicenceText))
        EndRun(ExitDeclined);

    PackageSettings.Destination = ResolveDestination(PackageSettings.Destination);
    if (PackageSettings.Destination.empty()) {
        PackageSettings.Destination = AskDestinationFolder();
        if (PackageSettings.Destination.empty())
            EndRun(ExitError);
    }
    PackageSettings.Destination = AddTrailingBackslash(PackageSettings.Destination);
    // A folder that is missing now is made by the extraction.
    if (!DestinationMadeByRun)
        DestinationMadeByRun = !IsFolderPresent(PackageSettings.Destination);

    if (FreeBytesOnDrive(PackageSettings.Destination) < PackageSettings.RequiredBytes)
        Fail(Message(11) + "\r" + Message(12) + Int64ToText(PackageSettings.RequiredBytes) + "\r\r" +
             Message(13));

    // The extraction asks before replacing a file; reporting, which it asks,
    // lies below the dialogs, so the overwrite dialog is lent to it here.
    OverwriteQuestion = AskOverwrite;
    if (!PackageSettings.Silent)
        RunProgressDialog(RunExtraction);
    else
        RunExtraction(nullptr);
    return ExitFinished;
}
