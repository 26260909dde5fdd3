#include <windows.h>
#include "cabinet/uExtractRun.h"
#include "startup/uReport.h"
#include "startup/uRunState.h"
#include "startup/uSettings.h"

namespace {

// Writes one "name=value" line to standard output, when the process has
// one (a console or a pipe), so that the hand-over can be observed.
void WriteHandOverLine(HANDLE out, const char *name, const std::string &value)
{
    std::string line = std::string(name) + "=" + value + "\r\n";
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

DWORD WINAPI RunExtraction(LPVOID)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE) {
        WriteHandOverLine(out, "Destination", PackageSettings.Destination);
        WriteHandOverLine(out, "InstallMode", InstallMode ? "TRUE" : "FALSE");
        WriteHandOverLine(out, "Command", PackageSettings.Command);
        WriteHandOverLine(out, "Parameters", PackageSettings.Parameters);
        WriteHandOverLine(out, "Silent", PackageSettings.Silent ? "TRUE" : "FALSE");
    }
    ReportNotBuilt("extraction");
}
