// uSwitches: recognising the package's switches. Pure: no system calls.
#include "services/uSwitches.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

TPackageSwitches PackageSwitches;

const char PackageHelpText[] =
    "$SILENT$\tno window\r\n"
    "$DESTINATION$=FOLDER\tfull path to extract to\r\n"
    "$PASSWORD$=TEXT\r\n"
    "$EXTRACTONLY$\tno command\r\n"
    "$PASSEXITCODE$\tend with the command's code\r\n"
    "$LOG$=FILE\r\n"
    "$HELP$\r\n\r\n"
    "Exit codes: 0 finished, 1 error, 2 declined or cancelled.";

namespace {

// True when value is name (upper case), in any letter case, followed by
// '=' and the value (rest), or alone: a switch typed without its value is
// still the extractor's, with an empty value, rather than an argument that
// the command would receive by mistake.
bool TakeValued(const std::string &value, const std::string &upper, const char *name, std::string &rest)
{
    const std::string prefix = std::string(name) + '=';
    if (upper == name) {
        rest.clear();
        return true;
    }
    if (upper.compare(0, prefix.size(), prefix) != 0)
        return false;
    rest = value.substr(prefix.size());
    return true;
}

} // namespace

TPackageSwitches ParsePackageSwitches(const std::vector<std::string> &arguments)
{
    TPackageSwitches switches;
    for (const std::string &argument : arguments) {
        const std::string value = ArgumentValue(argument);
        const std::string upper = UpperCaseAscii(value);
        std::string logged = argument;
        if (upper == "$SILENT$") {
            switches.Silent = true;
        } else if (upper == "$EXTRACTONLY$") {
            switches.ExtractOnly = true;
        } else if (upper == "$PASSEXITCODE$") {
            switches.PassExitCode = true;
        } else if (upper == "$HELP$") {
            switches.Help = true;
        } else if (TakeValued(value, upper, "$DESTINATION$", switches.Destination)) {
            switches.DestinationGiven = true;
        } else if (TakeValued(value, upper, "$PASSWORD$", switches.Password)) {
            switches.PasswordGiven = true;
            logged = value.substr(0, 10) + "=***";
        } else if (!TakeValued(value, upper, "$LOG$", switches.LogFile)) {
            switches.Passed.push_back(argument);
        }
        if (!switches.Logged.empty())
            switches.Logged += ' ';
        switches.Logged += logged;
    }
    return switches;
}

bool IsFullPath(const std::string &path)
{
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
        const char drive = path[0] | 0x20;
        return drive >= 'a' && drive <= 'z';
    }
    // \\server\share: both names present.
    if (path.size() < 5 || path[0] != '\\' || path[1] != '\\' || path[2] == '\\')
        return false;
    const size_t share = path.find('\\', 2);
    return share != std::string::npos && share + 1 < path.size() && path[share + 1] != '\\';
}
