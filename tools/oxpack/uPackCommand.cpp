// uPackCommand: option parsing for oxpack. Values may follow their option
// as the next argument or after '=' ("--title=Setup").
#include "uPackCommand.h"

#include <cerrno>
#include <cstdlib>

#include "mPackFiles.h"
#include "uPackageReport.h"
#include "uPackLayout.h"
#include "uPackage.h"

namespace {

const std::string UsageText =
    "Usage: oxpack [options] --output PACKAGE (--folder DIR | --list FILE | FILE)...\n"
    "       oxpack --inspect PACKAGE [--password TEXT]\n"
    "\n"
    "Builds a self-extracting package: the extractor, the cabinet library compressed\n"
    "in the SZDD format, the settings block and a cabinet of the given files.\n"
    "\n"
    "Input (any mix, in order; names in the cabinet must be unique):\n"
    "  --folder DIR           every file below DIR, named by its path relative to DIR\n"
    "  --list FILE            one file per line: SOURCE or SOURCE|NAME IN CABINET;\n"
    "                         relative sources are taken from FILE's folder\n"
    "  FILE                   a single file, named by its file name\n"
    "Output:\n"
    "  -o, --output PACKAGE   the package to write; continuation cabinets are written\n"
    "                         beside it as <package name without extension>2.cab, 3.cab...\n"
    "Settings:\n"
    "  --title TEXT           package title (caption of every window)\n"
    "  --question TEXT        yes/no question asked before anything else\n"
    "  --licence FILE         licence text, one settings line per line (also --license)\n"
    "  --completion TEXT      message shown when everything is done\n"
    "  --destination TEXT     folder, or $EXE$ $TEMP$ $SYSTEM$ $WINDOWS$ $INSTALL$;\n"
    "                         empty: ask the user\n"
    "  --command TEXT         file to run after extraction, or $EXPLORE$\n"
    "  --parameters TEXT      parameters of the command\n"
    "  --required-mb N        free megabytes required on the destination drive\n"
    "  --protect              password protection (needs --password)\n"
    "  --password TEXT        the password; scrambles the cabinets, is never stored\n"
    "  --silent               run without any window\n"
    "  --messages FILE        the 56 message lines (default: English)\n"
    "Building:\n"
    "  --compression TYPE     mszip (default), none, or lzx (refused when the\n"
    "                         cabinet library cannot write it)\n"
    "  --max-cabinet-size N   split the set into cabinets of at most N bytes (N >= 16384)\n"
    "  --extractor PATH       extractor program (default: oxtarn.exe beside oxpack.exe)\n"
    "  --library PATH         cabinet library to carry (default: the system's cabinet.dll)\n"
    "  --help                 this text\n"
    "\n"
    "Exit codes: 0 done, 1 input refused or output failed (nothing is left behind),\n"
    "2 usage error.\n";

struct TCommand {
    TPackOptions Options;
    std::string InspectPath;
    bool Help = false;
    std::string LicencePath;
    std::string MessagesPath;
};

bool ParseNumber(const std::string &text, int64_t maximum, int64_t &value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    long long n = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || n > maximum)
        return false;
    value = n;
    return true;
}

bool ReadListFile(const std::string &listPath, std::vector<TPackFile> &files, std::string &error)
{
    std::string text;
    if (!ReadFileRange(listPath, 0, 16 * 1024 * 1024, text, error)) {
        error = "The file list is missing or unreadable: " + listPath;
        return false;
    }
    const std::string folder = FolderOf(listPath);
    for (std::string line : SplitTextLines(text)) {
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        std::string name;
        size_t bar = line.find('|');
        if (bar != std::string::npos) {
            name = line.substr(bar + 1);
            line.resize(bar);
        }
        const bool absolute = (line.size() > 1 && line[1] == ':') || (!line.empty() && (line[0] == '\\' || line[0] == '/'));
        const std::string source = absolute ? line : folder + line;
        files.push_back(TPackFile{source, name.empty() ? NameOf(line) : name});
    }
    return true;
}

// PackExitOk when parsed; otherwise the exit code, with the reason in error.
int ParseArguments(const std::vector<std::string> &arguments, TCommand &command, std::string &error)
{
    TPackOptions &o = command.Options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::string value;
        bool hasValue = false;
        size_t equals = option.find('=');
        if (option.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
            hasValue = true;
        }
        auto take = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size()) {
                error = "The option " + option + " needs a value.";
                return false;
            }
            value = arguments[++i];
            return true;
        };
        auto flag = [&]() -> bool {
            if (hasValue) {
                error = "The option " + option + " takes no value.";
                return false;
            }
            return true;
        };
        if (option == "--help" || option == "-h" || option == "/?") {
            command.Help = true;
        } else if (option == "--protect") {
            if (!flag())
                return PackExitUsage;
            o.PasswordProtected = true;
        } else if (option == "--silent") {
            if (!flag())
                return PackExitUsage;
            o.Silent = true;
        } else if (option.compare(0, 1, "-") != 0 || option == "-") {
            o.Files.push_back(TPackFile{arguments[i], NameOf(arguments[i])});
        } else {
            if (!take())
                return PackExitUsage;
            if (option == "--output" || option == "-o") {
                o.OutputPath = value;
            } else if (option == "--folder") {
                if (!AddFolderFiles(value, o.Files, error))
                    return PackExitRefused;
            } else if (option == "--list") {
                if (!ReadListFile(value, o.Files, error))
                    return PackExitRefused;
            } else if (option == "--title") {
                o.Title = value;
            } else if (option == "--question") {
                o.StartQuestion = value;
            } else if (option == "--licence" || option == "--license") {
                command.LicencePath = value;
            } else if (option == "--completion") {
                o.CompletionMessage = value;
            } else if (option == "--destination") {
                o.Destination = value;
            } else if (option == "--command") {
                o.Command = value;
            } else if (option == "--parameters") {
                o.Parameters = value;
            } else if (option == "--required-mb") {
                if (!ParseNumber(value, INT64_MAX >> 20, o.RequiredMegabytes)) {
                    error = "The required megabytes must be a whole number from 0 to "
                            + std::to_string(INT64_MAX >> 20) + ": " + value;
                    return PackExitRefused;
                }
            } else if (option == "--password") {
                o.Password = value;
            } else if (option == "--messages") {
                command.MessagesPath = value;
            } else if (option == "--compression") {
                if (value == "none")
                    o.Compression = TCompression::None;
                else if (value == "mszip")
                    o.Compression = TCompression::MsZip;
                else if (value == "lzx")
                    o.Compression = TCompression::Lzx;
                else {
                    error = "The compression type must be none, mszip or lzx: " + value;
                    return PackExitUsage;
                }
            } else if (option == "--max-cabinet-size") {
                int64_t size = 0;
                if (!ParseNumber(value, 0x7FFFFFFF, size)) {
                    error = "The maximum cabinet size must be a whole number of bytes below 2 GiB: " + value;
                    return PackExitRefused;
                }
                o.MaxCabinetSize = static_cast<uint32_t>(size);
            } else if (option == "--extractor") {
                o.ExtractorPath = value;
            } else if (option == "--library") {
                o.LibraryPath = value;
            } else if (option == "--inspect") {
                command.InspectPath = value;
            } else {
                error = "Unknown option: " + option;
                return PackExitUsage;
            }
        }
    }
    if (command.Help || !command.InspectPath.empty())
        return PackExitOk;
    if (o.OutputPath.empty()) {
        error = "No output package was named (--output).";
        return PackExitUsage;
    }
    if (o.Files.empty()) {
        error = "No files to pack were given (--folder, --list or file names).";
        return PackExitUsage;
    }
    return PackExitOk;
}

bool ReadLinesFile(const std::string &what, const std::string &path, std::vector<std::string> &lines, std::string &error)
{
    std::string text;
    if (FileSizeOf(path) < 0 || !ReadFileRange(path, 0, 16 * 1024 * 1024, text, error)) {
        error = "The " + what + " is missing or unreadable: " + path;
        return false;
    }
    lines = SplitTextLines(text);
    return true;
}

}  // namespace

const std::string &PackUsageText()
{
    return UsageText;
}

int RunPackCommand(const std::vector<std::string> &arguments, std::string &out, std::string &err)
{
    TCommand command;
    std::string error;
    int parsed = ParseArguments(arguments, command, error);
    if (parsed != PackExitOk) {
        err += "oxpack: " + error + "\n";
        if (parsed == PackExitUsage)
            err += "Try oxpack --help.\n";
        return parsed;
    }
    if (command.Help || arguments.empty()) {
        out += UsageText;
        return arguments.empty() ? PackExitUsage : PackExitOk;
    }
    if (!command.InspectPath.empty()) {
        std::string report;
        if (!InspectPackage(command.InspectPath, command.Options.Password, report, error)) {
            out += report;
            err += "oxpack: " + error + "\n";
            return PackExitRefused;
        }
        out += report;
        return PackExitOk;
    }
    TPackOptions &o = command.Options;
    if (!command.LicencePath.empty() && !ReadLinesFile("licence file", command.LicencePath, o.LicenceLines, error)) {
        err += "oxpack: " + error + "\n";
        return PackExitRefused;
    }
    if (!command.MessagesPath.empty()) {
        if (!ReadLinesFile("messages file", command.MessagesPath, o.Messages, error)) {
            err += "oxpack: " + error + "\n";
            return PackExitRefused;
        }
        if (o.Messages.size() != static_cast<size_t>(MessageCount)) {
            err += "oxpack: The messages file must hold exactly " + std::to_string(MessageCount)
                   + " lines; it holds " + std::to_string(o.Messages.size()) + ": " + command.MessagesPath + "\n";
            return PackExitRefused;
        }
    }
    TPackResult result;
    if (!MakePackage(o, result, error)) {
        if (error.compare(0, 12, "Licence line") == 0)
            error += " File: " + command.LicencePath;
        else if (error.compare(0, 8, "Message ") == 0)
            error += " File: " + command.MessagesPath;
        err += "oxpack: " + error + "\n";
        return PackExitRefused;
    }
    out += "Wrote " + FullPathOf(o.OutputPath) + " (" + std::to_string(result.PackageSize) + " bytes, "
           + std::to_string(o.Files.size()) + " files, cabinet at " + std::to_string(result.CabinetOffset) + ")\n";
    for (const std::string &path : result.ContinuationPaths)
        out += "Wrote continuation cabinet " + path + "\n";
    return PackExitOk;
}
