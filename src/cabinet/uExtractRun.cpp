#include <windows.h>
#include "cabinet/uCabHelper.h"
#include "cabinet/uCabStreams.h"
#include "cabinet/uExtractRun.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "services/uUserInterface.h"
#include "util/mUtils.h"

namespace {

const char PrepareFailedText[] = "Unable to prepare for decompression!";

// Bytes of the package file from the cabinet's first byte to its end;
// -1 when the file cannot be measured.
int64_t BytesAfterCabinetOffset(int64_t cabinetOffset)
{
    HANDLE file = CreateFileW(TWideText(OwnFilePath()).Text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    LARGE_INTEGER size;
    const bool measured = GetFileSizeEx(file, &size) != FALSE;
    CloseHandle(file);
    return measured ? size.QuadPart - cabinetOffset : -1;
}

} // namespace

void ExtractPackage(const TRunPlan &plan)
{
    const TPackageSettings &settings = *plan.Package;
    const TRunUserInterface &user = plan.User;
    user.ShowTitle(settings.Title);
    user.ShowStage(MsgOneMoment);

    // Never freed: the run may end on the dialog's thread while this one
    // still extracts.
    TExtraction &run = *new TExtraction();
    run.Plan = &plan;
    run.OverwriteMode = plan.OverwriteAll ? 0 : 1;
    PrepareStreams(plan);
    if (!CreateFdiContext(run))
        FailRun(plan, PrepareFailedText, ExitError);

    user.ShowStage(MsgScanning);
    if (!CheckCabinet(run, EmbeddedCabinetName, run.Cabinet))
        FailRun(plan, settings.DamagedMessage, ExitDeclined);
    // A package cut short would otherwise extract its first files and
    // fail half-way; it is damaged before anything is written.
    const int64_t available = BytesAfterCabinetOffset(settings.CabinetOffset);
    if (available < 0 || static_cast<int64_t>(run.Cabinet.cbCabinet) > available)
        FailRun(plan, settings.DamagedMessage, ExitDeclined);
    user.SetProgressBar(run.Cabinet.cFiles, true);

    user.ShowStage(MsgDecompressing);
    if (!CopyCabinets(run))
        FailRun(plan, FdiErrorText(plan, run.Erf), ExitError);
    user.SetProgressBar(run.Cabinet.cFiles, false);
    DestroyFdiContext(run);
}
