// oxtarn: the extractor's main program. Runs the start-up sequence on the
// main thread, in a fixed order that the user sees (library, question,
// password, licence, destination, free space), then hands the run to the
// extraction, which ends the process. Every way out has its exit code.
#include <windows.h>
#include <new>
#include "actions/uCleanUp.h"
#include "actions/uCompletion.h"
#include "cabinet/mLZ_API.h"
#include "cabinet/uExtractRun.h"
#include "format/uDestinationRule.h"
#include "services/uLog.h"
#include "services/uReport.h"
#include "services/uRunPlan.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "services/uSwitches.h"
#include "services/uUserInterface.h"
#include "services/uVersion.h"
#include "services/uWorkFolder.h"
#include "ui/uDialogs.h"
#include "util/mUtils.h"

namespace {

// What this run is to do, settled here step by step before the extraction
// starts and read-only afterwards; the extraction and the completion get
// it passed.
TKeptToTheEnd<TRunPlan> KeptPlan;
TRunPlan &Plan = KeptPlan.Value;

const char NotWorkableNotice[] =
    "This is not a workable program, there is no utility in running it apart from seeing this notice.";

typedef UINT(WINAPI *TFolderQuery)(LPWSTR, UINT);

// A folder the system reports into a 1,024-character buffer, in folder
// form; empty when the call fails or the folder does not fit.
std::string SystemReportedFolder(TFolderQuery query)
{
    wchar_t buffer[1024];
    UINT length = query(buffer, 1024);
    if (length == 0 || length >= 1024)
        return std::string();
    return AddTrailingBackslash(AnsiPathOf(buffer));
}

// Built in place (the global may hold the switches of an earlier pass): a
// move would copy each field over.
void TakeSwitches()
{
    PackageSwitches.~TPackageSwitches();
    new (&PackageSwitches) TPackageSwitches(ParsePackageSwitches(CommandLineArguments()));
}

[[noreturn]] void Fail(const std::string &text)
{
    ReportError(text, true);
    EndRun(ExitError);
}

// The log, when $LOG$ asks for one: its first line says what runs, with
// which arguments (a password masked). False when it cannot be opened.
bool StartLog(const std::string &ownPath)
{
    if (PackageSwitches.LogFile.empty() || !OpenLog(PackageSwitches.LogFile, ownPath))
        return PackageSwitches.LogFile.empty();
    LogLine("start: ", ownPath.c_str(), ", oxtarn " OXTARN_VERSION_TEXT ", arguments: ",
            PackageSwitches.Logged.c_str());
    return true;
}

// A log asked for but not opened does not stop the run: in a visible run
// the user is told once, a silent run goes on without a word (a box would
// stall an unattended run; its notice goes to the log, which is not open).
void WarnLogNotOpened()
{
    std::string text = "The log file cannot be opened:\r";
    text += PackageSwitches.LogFile;
    text += "\r\rThe package runs without a log.";
    RunUser().ShowNotice("", text, true);
}

// Whether the run may show anything is settled by the switches and the
// settings; it is chosen once, as soon as they are read.
void ChooseUserInterface()
{
    UseUserInterface(PackageSettings.Silent ? SilentUserInterface : WindowedUserInterface);
}

// Characters the command takes below the destination: every file goes
// there and the command is started from there.
size_t CommandRoom()
{
    const std::string &command = PackageSettings.Command;
    return PackageSwitches.ExtractOnly || command == "$EXPLORE$" ? 0 : command.size();
}

// $DESTINATION$: a full path only (the destination dialog's rule, IsFullPath),
// created with its missing parents; anything else ends the run with 1. A
// folder that leaves the command no room is refused before any level of it
// is made.
std::string GivenDestination(size_t commandRoom)
{
    const std::string &folder = PackageSwitches.Destination;
    if (!IsFullPath(folder) || folder.size() + (folder.back() != '\\') + commandRoom > MaxPathLength)
        Fail(Message(MsgNotFullPath) + "\r" + folder);
    // Removed after a failure only when this run made it.
    DestinationMadeByRun = !IsFolderPresent(folder);
    if (!CreateFolderTree(AddTrailingBackslash(folder)))
        Fail(Message(MsgCannotCreateFolder) + folder);
    return folder;
}

// The placeholders are compared exactly: "$temp$" is an ordinary
// (relative) folder name.
std::string ResolveDestination(const std::string &destination, size_t commandRoom)
{
    // A folder given on the command line replaces the package's, the work
    // folder of "$INSTALL$" too (the command is still waited for, but the
    // folder is the user's and stays).
    if (PackageSwitches.DestinationGiven) {
        Plan.InstallMode = destination == PlaceholderInstall && !PackageSwitches.ExtractOnly;
        return GivenDestination(commandRoom);
    }
    // Extracting only, a work folder would be removed unseen: the user is
    // asked, as when the package names no destination.
    if (destination == PlaceholderInstall && PackageSwitches.ExtractOnly)
        return std::string();
    if (destination == PlaceholderExe)
        return ExeFolder;
    if (destination == PlaceholderTemp)
        return TempFolder;
    if (destination == PlaceholderSystem)
        return SystemFolder;
    if (destination == PlaceholderWindows)
        return WindowsFolder;
    if (destination == PlaceholderInstall) {
        Plan.InstallMode = true;
        std::string folder = ChooseWorkFolder("qbxr_installer", PackageSettings.RequiredBytes);
        if (folder.empty())
            Fail(Message(MsgNoWorkFolder));
        DestinationMadeByRun = true;
        return folder;
    }
    return destination;
}

// A failed or cancelled run: a work folder goes with whatever was extracted
// into it; any other folder the run made goes only when empty, since a
// folder given with $DESTINATION$, even a new one, is the user's.
void CleanUpFailedRun()
{
    if (Plan.InstallMode && !Plan.KeepDestination)
        RemoveWorkFolder(Plan.Destination);
    else
        RemoveEmptyDestination();
}

// The extraction run: the worker of the progress dialog, or the main
// thread's own work in a silent run. Never returns: the completion ends
// the process.
DWORD WINAPI RunExtraction(LPVOID)
{
    ExtractPackage(Plan);
    CompleteRun(Plan);
}

} // namespace

int main()
{
    RestrictLibrarySearch();
    WatchDestination(Plan.Destination);

    TakeSwitches();
    // A run asked to be silent is silent from here on: an unattended run
    // that met a box would never end.
    PackageSettings.Silent = PackageSwitches.Silent;
    const bool logOpened = StartLog(OwnFilePath());

    const int32_t offset = FindSettingsBlock();
    // Without settings to read, the switches alone say whether it is silent.
    if (offset != -1)
        ReadPackageSettings(offset);
    ChooseUserInterface();
    if (offset == -1)
        Fail(NotWorkableNotice);
    // Settings that end inside the licence text have lost every field
    // after it, the messages included: the package is not workable.
    if (!PackageSettings.Complete)
        Fail(NotWorkableNotice);
    // A package that records the code page of its texts is read, shown and
    // passed on in it, whatever the system's: the arguments, and with them
    // the parameters, are taken again in that code page.
    if (PackageSettings.CodePage != 0) {
        if (UseTextCodePage(PackageSettings.CodePage)) {
            TakeSwitches();
            ReadPackageSettings(offset);
        } else {
            LogLine("code page of the texts: not on this system; they are shown in the system's code page");
        }
    }

    ExeFolder = AddTrailingBackslash(GetFolderPart(OwnFilePath()));
    TempFolder = TempFolderPath();
    SystemFolder = SystemReportedFolder(GetSystemDirectoryW);
    WindowsFolder = SystemReportedFolder(GetWindowsDirectoryW);
    if (!logOpened)
        WarnLogNotOpened();
    if (PackageSwitches.Help) {
        // Started from a console, the help goes there, silent or not.
        if (WriteToStartingConsole(std::string(PackageHelpText) + "\r\n"))
            LogLine("help: written to the console");
        else
            RunUser().ShowNotice("help: ", PackageHelpText, false);
        EndRun(ExitFinished);
    }
    Plan.Package = &PackageSettings;
    Plan.Destination = PackageSettings.Destination;
    Plan.Command = PackageSettings.Command;
    Plan.Parameters = PackageSettings.Parameters;
    Plan.KeepDestination = PackageSwitches.DestinationGiven;
    Plan.ExtractOnly = PackageSwitches.ExtractOnly;
    Plan.PassExitCode = PackageSwitches.PassExitCode;
    Plan.OverwriteAll = PackageSwitches.Overwrite;
    LogLine("title: ", PackageSettings.Title.c_str());
    LogLine("command: ", PackageSettings.Command.c_str());
    LogLine("parameters: ", PackageSettings.Parameters.c_str());

    if (!LoadCabinetLibrary(PackageSettings.LibraryOffset, PackageSettings.LibraryLength, SystemFolder))
        Fail(Message(MsgNoLibrary));

    if (!PackageSettings.StartQuestion.empty() && !AskYesNo(PackageSettings.StartQuestion))
        EndRun(ExitDeclined);

    if (PackageSettings.PasswordProtected) {
        if (PackageSwitches.PasswordGiven) {
            LogLine("password: given with $PASSWORD$");
            Plan.Password = PackageSwitches.Password;
        } else {
            Plan.Password = RunUser().AskPassword();
        }
    }

    if (!PackageSettings.LicenceText.empty()) {
        const bool accepted = RunUser().ShowLicence(PackageSettings.LicenceText);
        LogLine(accepted ? "licence: accepted" : "licence: declined");
        if (!accepted)
            EndRun(ExitDeclined);
    }

    const size_t commandRoom = CommandRoom();
    std::string &destination = Plan.Destination;
    destination = ResolveDestination(destination, commandRoom);
    if (destination.empty()) {
        destination = RunUser().AskDestinationFolder(commandRoom);
        LogLine("destination asked for: ", destination.c_str());
        if (destination.empty())
            EndRun(ExitError);
    }
    destination = AddTrailingBackslash(destination);
    // Every file goes below it, and the command is started from there: a
    // folder that leaves them no room in what the file calls take is never
    // handed to them, and is refused before anything is extracted.
    if (destination.size() + commandRoom > MaxPathLength)
        Fail(Message(MsgNotFullPath) + "\r" + destination);
    // A folder that is missing now is made by the extraction.
    if (!DestinationMadeByRun)
        DestinationMadeByRun = !IsFolderPresent(destination);
    LogLine("destination: ", destination.c_str(), Plan.InstallMode ? " (command waited for)" : nullptr);
    AtFailedRun(CleanUpFailedRun);

    const int64_t freeBytes = FreeBytesOnDrive(destination);
    LogLine("free space: ", Int64ToText(freeBytes).c_str(), " bytes on the destination's drive, bytes required: ",
            Int64ToText(PackageSettings.RequiredBytes).c_str());
    if (freeBytes < PackageSettings.RequiredBytes)
        Fail(Message(MsgNoSpace) + "\r" + Message(MsgBytesRequired) + Int64ToText(PackageSettings.RequiredBytes) + "\r\r" +
             Message(MsgRemoveFiles));

    RunUser().StartRun(RunExtraction);
    return ExitFinished;
}
