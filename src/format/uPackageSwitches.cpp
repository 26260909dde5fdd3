// uPackageSwitches: recognising the package's switches. Pure: no system
// calls.
#include "uPackageSwitches.h"
#include "uCommandLine.h"

const char PackageHelpText[] =
    "$SILENT$\tno window\r\n"
    "$DESTINATION$=FOLDER\tfull path to extract to\r\n"
    "$PASSWORD$=TEXT\r\n"
    "$EXTRACTONLY$\tno command\r\n"
    "$PASSEXITCODE$\tend with the command's code\r\n"
    "$OVERWRITE$\treplace existing files\r\n"
    "$LOG$=FILE\r\n"
    "$HELP$\r\n\r\n"
    "Exit codes: 0 finished, 1 error, 2 declined or cancelled.";

namespace {

// The flags first, then the valued switches in the order of their fields.
const char *const SwitchNames[] = {"$SILENT$",      "$EXTRACTONLY$", "$PASSEXITCODE$", "$HELP$", "$OVERWRITE$",
                                   "$DESTINATION$", "$PASSWORD$",    "$LOG$"};
const int FirstValued = 5;
const int PasswordSwitch = 6;
const int SwitchCount = 8;

// The length of name (upper case) when value starts with it in any letter
// case; 0 otherwise.
size_t StartsWithName(const std::string &value, const char *name)
{
    size_t i = 0;
    for (; name[i]; ++i) {
        if (i >= value.size())
            return 0;
        char c = value[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
        if (c != name[i])
            return 0;
    }
    return i;
}

// $WORD$ or $WORD$=...: what a mistyped or newer switch looks like.
bool LooksLikeSwitch(const std::string &value)
{
    size_t end = 1;
    while (end < value.size() && ((value[end] | 0x20) >= 'a' && (value[end] | 0x20) <= 'z'))
        ++end;
    return value.size() > 2 && value[0] == '$' && end > 1 && end < value.size() && value[end] == '$' &&
           (end + 1 == value.size() || value[end + 1] == '=');
}

} // namespace

bool IsSilentSwitch(const std::string &typed)
{
    const std::string value = ArgumentValue(typed);
    const size_t length = StartsWithName(value, SwitchNames[0]);
    return length && length == value.size();
}

TPackageSwitches ParsePackageSwitches(const std::vector<std::string> &arguments)
{
    TPackageSwitches switches;
    // What each of SwitchNames sets: a flag, and the valued ones a text.
    static bool TPackageSwitches::*const Given[] = {
        &TPackageSwitches::Silent,           &TPackageSwitches::ExtractOnly,   &TPackageSwitches::PassExitCode,
        &TPackageSwitches::Help,             &TPackageSwitches::Overwrite,     &TPackageSwitches::DestinationGiven,
        &TPackageSwitches::PasswordGiven,    nullptr};
    static std::string TPackageSwitches::*const Values[] = {&TPackageSwitches::Destination,
                                                            &TPackageSwitches::Password, &TPackageSwitches::LogFile};
    for (const std::string &argument : arguments) {
        const std::string value = ArgumentValue(argument);
        // A valued switch typed without '=' is still the extractor's, with
        // an empty value, rather than an argument that the command would
        // receive by mistake.
        int which = 0;
        size_t length = 0;
        for (; which < SwitchCount; ++which) {
            length = StartsWithName(value, SwitchNames[which]);
            if (length && (length == value.size() || (which >= FirstValued && value[length] == '=')))
                break;
        }
        if (!switches.Logged.empty())
            switches.Logged += ' ';
        if (which == SwitchCount) {
            switches.Passed.push_back(argument);
            switches.Logged += argument;
            if (LooksLikeSwitch(value))
                switches.Logged += " (not a switch: passed on)";
            continue;
        }
        if (Given[which])
            switches.*Given[which] = true;
        if (which >= FirstValued)
            (switches.*Values[which - FirstValued]).assign(value, length < value.size() ? length + 1 : length);
        if (which == PasswordSwitch)
            switches.Logged.append(value, 0, length) += "=***";
        else
            switches.Logged += argument;
    }
    return switches;
}
