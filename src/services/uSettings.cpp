// uSettings: the pure half of the settings block reader. Everything here
// works on bytes already in memory and makes no system call, so the line
// rules of the format can be pinned down by tests over byte buffers.
#include "services/uSettings.h"
#include <new>
#include "util/mUtils.h"

TPackageSettings PackageSettings;

const std::string &Message(int number)
{
    // Entry 0 is never filled: the empty answer for any other number.
    if (number < 1 || number > MessageCount)
        return PackageSettings.Messages[0];
    return PackageSettings.Messages[number];
}

namespace {

// Both splitters share the boundaries: blanks separate outside quotes, and
// an argument that is only "" still counts. keepQuotes keeps each
// argument's text as typed instead of its value.
std::vector<std::string> Split(const std::string &commandLine, bool keepQuotes)
{
    std::vector<std::string> result;
    std::string current;
    bool inArgument = false;  // an argument has begun, perhaps as ""
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
            if (keepQuotes)
                current += c;
        } else if (c == ' ' && !quoted) {
            if (inArgument)
                result.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    // An unbalanced quote simply runs to the end of the line.
    if (inArgument)
        result.push_back(current);
    return result;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string &commandLine)
{
    return Split(commandLine, false);
}

std::vector<std::string> SplitCommandLineAsTyped(const std::string &commandLine)
{
    return Split(commandLine, true);
}

std::string ArgumentValue(const std::string &typed)
{
    // Quotes only group; nothing else is special, so the value is the
    // typed text without them.
    std::string value;
    for (char c : typed)
        if (c != '"')
            value += c;
    return value;
}

bool IsSilentSwitch(const std::string &typed)
{
    return UpperCaseAscii(ArgumentValue(typed)) == "$SILENT$";
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
