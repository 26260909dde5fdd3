#include <windows.h>
#include <commctrl.h>
#include "cabinet/uCabHelper.h"
#include "cabinet/uCabStreams.h"
#include "cabinet/uExtractRun.h"
#include "services/uProgress.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

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
    HANDLE file = CreateFileW(TWideText(OwnFilePath()).Text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    LARGE_INTEGER size;
    const bool measured = GetFileSizeEx(file, &size) != FALSE;
    CloseHandle(file);
    return measured ? size.QuadPart - PackageSettings.CabinetOffset : -1;
}

} // namespace

void ExtractPackage()
{
    TPackageSettings &settings = PackageSettings;
    SetProgressText(TitleLine, settings.Title);
    SetProgressText(StatusLine, Message(MsgOneMoment));

    FdiContext = CreateFdiContext();
    if (!FdiContext)
        Fail(PrepareFailedText, ExitError);

    SetProgressText(StatusLine, Message(MsgScanning));
    if (!CheckCabinet(FdiContext, EmbeddedCabinetName, CabinetInfo))
        Fail(settings.DamagedMessage, ExitDeclined);
    // A package cut short would otherwise extract its first files and
    // fail half-way; it is damaged before anything is written.
    const int64_t available = BytesAfterCabinetOffset();
    if (available < 0 || static_cast<int64_t>(CabinetInfo.cbCabinet) > available)
        Fail(settings.DamagedMessage, ExitDeclined);
    SendToProgress(ProgressBar, PBM_SETRANGE, 0, MAKELPARAM(0, CabinetInfo.cFiles));

    SetProgressText(StatusLine, Message(MsgDecompressing));
    if (!CopyCabinets(FdiContext))
        Fail(FdiErrorText(FdiErf), ExitError);
    SendToProgress(ProgressBar, PBM_SETPOS, CabinetInfo.cFiles, 0);
    DestroyFdiContext(FdiContext);
}
