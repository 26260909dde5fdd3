// Settings as a hostile package could append them. The input is a whole
// package tail: text before the marker line stands for the command line
// the package is started with, the bytes after it are the settings lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include "FuzzCheck.h"
#include "uSettings.h"

namespace {

bool HoldsSilentSwitch(const std::vector<std::string> &arguments)
{
    for (std::string argument : arguments) {
        for (char &c : argument)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 0x20);
        if (argument == "$SILENT$")
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const int32_t marker = FindMarkerLine(bytes);
    const size_t markerSize = SettingsMarkerLine.size();
    FUZZ_CHECK(marker == -1 || (static_cast<size_t>(marker) >= markerSize && static_cast<size_t>(marker) <= size &&
                                bytes.compare(marker - markerSize, markerSize, SettingsMarkerLine) == 0));

    std::vector<std::string> arguments;
    std::string lines = bytes;
    if (marker != -1) {
        arguments = SplitCommandLineAsTyped(bytes.substr(0, marker - markerSize));
        lines = bytes.substr(marker);
    }
    TPackageSettings settings;
    ParseSettingsLines(lines, arguments, settings);

    FUZZ_CHECK(settings.Caption == CaptionPrefix + settings.Title || FindExtension(settings, "\nCAPTION="));
    // Every text line ends at CR; none may carry one.
    for (const std::string *line : {&settings.Title, &settings.StartQuestion, &settings.CompletionMessage,
                                    &settings.Destination, &settings.Command})
        FUZZ_CHECK(line->find('\r') == std::string::npos);
    const int64_t head = static_cast<int64_t>(settings.LibraryOffset) + settings.LibraryLength;
    int64_t sum;
    FUZZ_CHECK(settings.CabinetOffset == (__builtin_add_overflow(head, settings.BlockLength, &sum) ? -1 : sum));
    FUZZ_CHECK(settings.RequiredBytes % (1024 * 1024) == 0 || settings.RequiredBytes == INT64_MAX ||
               settings.RequiredBytes == INT64_MIN);
    FUZZ_CHECK(settings.Messages[0].empty());
    if (!settings.Complete) {
        // A cut-off block leaves everything after the licence unset.
        FUZZ_CHECK(settings.CompletionMessage.empty() && settings.Destination.empty() &&
                   settings.Command.empty() && settings.Parameters.empty() && settings.RequiredBytes == 0 &&
                   !settings.PasswordProtected && !settings.Silent && settings.DamagedMessage.empty());
        for (int number = 1; number <= MessageCount; ++number)
            FUZZ_CHECK(settings.Messages[number].empty());
    } else {
        FUZZ_CHECK(settings.DamagedMessage == settings.Messages[settings.PasswordProtected ? 43 : 42]);
        if (HoldsSilentSwitch(arguments))
            FUZZ_CHECK(settings.Silent);
    }

    // Message numbers outside the table answer empty text, never another
    // entry or memory beyond the table.
    for (int number : {INT32_MIN, -1, 0, MessageCount + 1, INT32_MAX})
        FUZZ_CHECK(Message(settings, number).empty());
    FUZZ_CHECK(Message(settings, MessageCount) == settings.Messages[MessageCount]);
    return 0;
}
