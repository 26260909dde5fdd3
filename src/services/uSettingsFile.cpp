// uSettingsFile: the half of the settings block reader that touches the
// extractor's own file and the process's command line. The line rules live
// in uSettings.cpp; this file only fetches the bytes.
#include <windows.h>
#include "services/uSettings.h"
#include "util/mUtils.h"

std::string ModuleFilePath(size_t initialLength)
{
    // The result fills the buffer exactly when the path was cut short, so
    // grow until it fits (long paths exceed MAX_PATH). A package in a
    // folder whose name the ANSI code page cannot hold is named by its
    // short (8.3) form.
    size_t size = initialLength < 1 ? 1 : initialLength;
    for (;;) {
        TWideText path(size);
        DWORD n = GetModuleFileNameW(nullptr, path.Text, static_cast<DWORD>(size));
        if (n == 0)
            return std::string();
        if (n < size) {
            path.Text[n] = L'\0';
            return AnsiPathOf(path.Text);
        }
        if (size >= 0x10000)
            return std::string();
        size *= 2;
    }
}

std::string OwnFilePath()
{
    return ModuleFilePath(MAX_PATH);
}

std::vector<std::string> CommandLineArguments()
{
    // Argument 0 is how the program was typed; the extractor's own file
    // comes from OwnFilePath instead.
    std::vector<std::string> arguments = SplitCommandLineAsTyped(NarrowText(GetCommandLineW()));
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    return arguments;
}

std::string ReadPackageBytes(const std::string &path, int32_t offset, int32_t maximumLength)
{
    std::string bytes;
    if (offset < 0 || maximumLength <= 0)
        return bytes;
    // Others may hold the package open (an installer it started, a second
    // copy of the package), so share both reading and writing.
    HANDLE file = CreateFileW(TWideText(path).Text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    // Never ask for more memory than the file can fill: a hostile length
    // in the settings could otherwise ask for gigabytes.
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart - offset < maximumLength)
        maximumLength = size.QuadPart > offset ? static_cast<int32_t>(size.QuadPart - offset) : 0;
    if (maximumLength > 0 && SetFilePointer(file, offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
        bytes.resize(static_cast<size_t>(maximumLength));
        DWORD done = 0;
        if (!ReadFile(file, &bytes[0], static_cast<DWORD>(maximumLength), &done, nullptr))
            done = 0;
        bytes.resize(done);
    }
    CloseHandle(file);
    return bytes;
}

int32_t FindSettingsBlockIn(const std::string &path)
{
    // A file that cannot be read has no marker.
    return FindMarkerLine(ReadPackageBytes(path, 0, MarkerScanLength));
}

int32_t FindSettingsBlock()
{
    return FindSettingsBlockIn(OwnFilePath());
}

void ReadPackageSettingsFrom(const std::string &path, int32_t offset,
                             const std::vector<std::string> &arguments, TPackageSettings &settings)
{
    // Read from memory only: no copy is written anywhere, so nothing
    // planted under a fixed name in a shared folder is ever written through
    // or deleted, and two packages started at once cannot meet.
    ParseSettingsLines(ReadPackageBytes(path, offset, SettingsCopyLength), arguments, settings, offset);
}

void ReadPackageSettings(int32_t offset, const TPackageSwitches &switches, TPackageSettings &settings)
{
    // The switches are the extractor's; only the other arguments reach the
    // command's parameters.
    ReadPackageSettingsFrom(OwnFilePath(), offset, switches.Passed, settings);
    if (switches.Silent)
        settings.Silent = true;
}
