// uSettings: the pure half of the settings block reader. Everything here
// works on bytes already in memory and makes no system call, so the line
// rules of the format can be pinned down by tests over byte buffers.
#include "services/uSettings.h"
#include <new>
#include "format/uPackageSwitches.h"

const std::string &Message(const TPackageSettings &settings, int number)
{
    // Entry 0 is never filled: the empty answer for any other number.
    if (number < 1 || number > MessageCount)
        return settings.Messages[0];
    return settings.Messages[number];
}

void ParseSettingsLines(const std::string &bytes, const std::vector<std::string> &arguments,
                        TPackageSettings &settings, int64_t offset)
{
    // Made anew in place: smaller than assigning every field over.
    settings.~TPackageSettings();
    new (&settings) TPackageSettings();
    ReadSettingsBlock(bytes, settings, offset);
    if (!settings.Complete)
        return;
    // The argument switches silent mode on even when the package says
    // "FALSE", and nothing switches it off. Every other argument goes on
    // as typed: its quotes keep it one argument for the command, and keep
    // a command interpreter from reading what they enclose ("&", ">") as
    // its own syntax.
    for (const std::string &argument : arguments) {
        if (IsSilentSwitch(argument))
            settings.Silent = true;
        else
            settings.Parameters += ' ' + argument;
    }
}
