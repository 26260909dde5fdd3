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
#include "services/uUserInterface.h"
#include "services/uVersion.h"
#include "services/uWorkFolder.h"
#include "ui/uDialogs.h"
#include "util/mUtils.h"

namespace {

// What the start-up reads and settles: the package's settings, the
// switches, and the plan, settled here step by step before the extraction
// starts and read-only afterwards; the extraction and the completion get
// it passed.
struct TStartUp {
    TRunPlan Plan;
    TPackageSwitches Switches;
    TPackageSettings Settings;
};

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

// Built in place (the record may hold the switches of an earlier pass): a
// move would copy each field over.
void TakeSwitches(TPackageSwitches &switches)
{
    switches.~TPackageSwitches();
    new (&switches) TPackageSwitches(ParsePackageSwitches(CommandLineArguments()));
}

[[noreturn]] void Fail(const TRunPlan &plan, const std::string &text)
{
    FailRun(plan, text, ExitError);
}

// A destination the run cannot use, named after the package's message.
[[noreturn]] void RefuseDestination(const TRunPlan &plan, const std::string &folder)
{
    Fail(plan, Message(plan, MsgNotFullPath) + "\r" + folder);
}

// The log, when $LOG$ asks for one: its first line says what runs, with
// which arguments (a password masked). False when it cannot be opened.
bool StartLog(const TPackageSwitches &switches, const std::string &ownPath)
{
    if (switches.LogFile.empty() || !OpenLog(switches.LogFile, ownPath))
        return switches.LogFile.empty();
    LogLine("start: ", ownPath.c_str(), ", oxtarn " OXTARN_VERSION_TEXT ", arguments: ", switches.Logged.c_str());
    return true;
}

// A log asked for but not opened does not stop the run: in a visible run
// the user is told once, a silent run goes on without a word (a box would
// stall an unattended run; its notice goes to the log, which is not open).
void WarnLogNotOpened(const TStartUp &start)
{
    std::string text = "The log file cannot be opened:\r";
    text += start.Switches.LogFile;
    text += "\r\rThe package runs without a log.";
    start.Plan.User.ShowNotice("", text, true);
}

// Characters the command takes below the destination: every file goes
// there and the command is started from there.
size_t CommandRoom(const TStartUp &start)
{
    const std::string &command = start.Settings.Command;
    return start.Switches.ExtractOnly || command == "$EXPLORE$" ? 0 : command.size();
}

// $DESTINATION$: a full path only (the destination dialog's rule, IsFullPath),
// created with its missing parents; anything else ends the run with 1. A
// folder that leaves the command no room is refused before any level of it
// is made.
std::string GivenDestination(TStartUp &start, size_t commandRoom)
{
    TRunPlan &plan = start.Plan;
    const std::string &folder = start.Switches.Destination;
    if (!IsFullPath(folder) || folder.size() + (folder.back() != '\\') + commandRoom > MaxPathLength)
        RefuseDestination(plan, folder);
    // Removed after a failure only when this run made it.
    plan.DestinationMadeByRun = !IsFolderPresent(folder);
    if (!CreateFolderTree(AddTrailingBackslash(folder)))
        Fail(plan, Message(plan, MsgCannotCreateFolder) + folder);
    return folder;
}

// The placeholders are compared exactly: "$temp$" is an ordinary
// (relative) folder name.
std::string ResolveDestination(TStartUp &start, const std::string &destination, size_t commandRoom)
{
    TRunPlan &plan = start.Plan;
    const TSystemFolders &folders = plan.Folders;
    // A folder given on the command line replaces the package's, the work
    // folder of "$INSTALL$" too (the command is still waited for, but the
    // folder is the user's and stays).
    if (start.Switches.DestinationGiven) {
        plan.InstallMode = destination == PlaceholderInstall && !plan.ExtractOnly;
        return GivenDestination(start, commandRoom);
    }
    // Extracting only, a work folder would be removed unseen: the user is
    // asked, as when the package names no destination.
    if (destination == PlaceholderInstall && plan.ExtractOnly)
        return std::string();
    // The placeholders of a system folder, in the order of the list.
    static const std::string TSystemFolders::*const Named[] = {&TSystemFolders::Exe, &TSystemFolders::Temp,
                                                               &TSystemFolders::System, &TSystemFolders::Windows};
    for (size_t n = 0; n < 4; ++n)
        if (destination == DestinationPlaceholders[n])
            return folders.*Named[n];
    if (destination == PlaceholderInstall) {
        plan.InstallMode = true;
        std::string folder = ChooseWorkFolder("qbxr_installer", start.Settings.RequiredBytes);
        if (folder.empty())
            Fail(plan, Message(plan, MsgNoWorkFolder));
        plan.DestinationMadeByRun = true;
        return folder;
    }
    return destination;
}

// A failed or cancelled run: a work folder goes with whatever was extracted
// into it; any other folder the run made goes only when empty, since a
// folder given with $DESTINATION$, even a new one, is the user's.
void CleanUpFailedRun(const TRunPlan &plan)
{
    if (plan.InstallMode && !plan.KeepDestination)
        RemoveWorkFolder(plan.Destination);
    else
        RemoveEmptyDestination(plan);
}

// The extraction run: the worker of the progress dialog, or the main
// thread's own work in a silent run, given the plan. Never returns: the
// completion ends the process.
DWORD WINAPI RunExtraction(LPVOID parameter)
{
    TRunPlan &plan = *static_cast<TRunPlan *>(parameter);
    ExtractPackage(plan);
    CompleteRun(plan);
}

} // namespace

int main()
{
    RestrictLibrarySearch();
    // Never freed: the process ends from inside the run, on either thread,
    // while the records are still in use.
    TStartUp &start = *new TStartUp();
    TPackageSettings &settings = start.Settings;
    TPackageSwitches &switches = start.Switches;
    TRunPlan &plan = start.Plan;
    plan.Package = &settings;

    TakeSwitches(switches);
    // A run asked to be silent is silent from here on: an unattended run
    // that met a box would never end.
    settings.Silent = switches.Silent;
    const bool logOpened = StartLog(switches, OwnFilePath());

    const int32_t offset = FindSettingsBlock();
    // Without settings to read, the switches alone say whether it is silent.
    if (offset != -1)
        ReadPackageSettings(offset, switches, settings);
    // Whether the run may show anything is settled by the switches and the
    // settings; it is chosen once, as soon as they are read.
    plan.User = settings.Silent ? SilentUserInterface : WindowedRun(plan);
    if (offset == -1)
        Fail(plan, NotWorkableNotice);
    // Settings that end inside the licence text have lost every field
    // after it, the messages included: the package is not workable.
    if (!settings.Complete)
        Fail(plan, NotWorkableNotice);
    // A package that records the code page of its texts is read, shown and
    // passed on in it, whatever the system's: the arguments, and with them
    // the parameters, are taken again in that code page.
    if (settings.CodePage != 0) {
        if (UseTextCodePage(settings.CodePage)) {
            TakeSwitches(switches);
            ReadPackageSettings(offset, switches, settings);
        } else {
            LogLine("code page of the texts: not on this system; they are shown in the system's code page");
        }
    }

    TSystemFolders &folders = plan.Folders;
    folders.Exe = AddTrailingBackslash(GetFolderPart(OwnFilePath()));
    folders.Temp = TempFolderPath();
    folders.System = SystemReportedFolder(GetSystemDirectoryW);
    folders.Windows = SystemReportedFolder(GetWindowsDirectoryW);
    if (!logOpened)
        WarnLogNotOpened(start);
    if (switches.Help) {
        // Started from a console, the help goes there, silent or not.
        if (WriteToStartingConsole(std::string(PackageHelpText) + "\r\n"))
            LogLine("help: written to the console");
        else
            plan.User.ShowNotice("help: ", PackageHelpText, false);
        EndRun(plan, ExitFinished);
    }
    plan.Destination = settings.Destination;
    plan.Command = settings.Command;
    plan.Parameters = settings.Parameters;
    plan.KeepDestination = switches.DestinationGiven;
    plan.ExtractOnly = switches.ExtractOnly;
    plan.PassExitCode = switches.PassExitCode;
    plan.OverwriteAll = switches.Overwrite;
    LogLine("title: ", settings.Title.c_str());
    LogLine("command: ", settings.Command.c_str());
    LogLine("parameters: ", settings.Parameters.c_str());

    if (!LoadCabinetLibrary(settings.LibraryOffset, settings.LibraryLength, folders.System))
        Fail(plan, Message(plan, MsgNoLibrary));

    if (!settings.StartQuestion.empty() && !AskYesNo(plan, settings.StartQuestion))
        EndRun(plan, ExitDeclined);

    if (settings.PasswordProtected) {
        if (switches.PasswordGiven) {
            LogLine("password: given with $PASSWORD$");
            plan.Password = switches.Password;
        } else {
            plan.Password = plan.User.AskPassword(plan);
        }
    }

    if (!settings.LicenceText.empty()) {
        const bool accepted = plan.User.ShowLicence(settings.LicenceText);
        LogLine(accepted ? "licence: accepted" : "licence: declined");
        if (!accepted)
            EndRun(plan, ExitDeclined);
    }

    const size_t commandRoom = CommandRoom(start);
    std::string &destination = plan.Destination;
    destination = ResolveDestination(start, destination, commandRoom);
    if (destination.empty()) {
        destination = plan.User.AskDestinationFolder(plan, commandRoom);
        LogLine("destination asked for: ", destination.c_str());
        if (destination.empty())
            EndRun(plan, ExitError);
    }
    destination = AddTrailingBackslash(destination);
    // Every file goes below it, and the command is started from there: a
    // folder that leaves them no room in what the file calls take is never
    // handed to them, and is refused before anything is extracted.
    if (destination.size() + commandRoom > MaxPathLength)
        RefuseDestination(plan, destination);
    // A folder that is missing now is made by the extraction.
    if (!plan.DestinationMadeByRun)
        plan.DestinationMadeByRun = !IsFolderPresent(destination);
    LogLine("destination: ", destination.c_str(), plan.InstallMode ? " (command waited for)" : nullptr);
    AtFailedRun(plan, CleanUpFailedRun);

    const int64_t freeBytes = FreeBytesOnDrive(destination);
    LogLine("free space: ", Int64ToText(freeBytes).c_str(), " bytes on the destination's drive, bytes required: ",
            Int64ToText(settings.RequiredBytes).c_str());
    if (freeBytes < settings.RequiredBytes)
        Fail(plan, Message(plan, MsgNoSpace) + "\r" + Message(plan, MsgBytesRequired) +
                       Int64ToText(settings.RequiredBytes) + "\r\r" + Message(plan, MsgRemoveFiles));

    plan.User.StartRun(plan, RunExtraction);
    return ExitFinished;
}
