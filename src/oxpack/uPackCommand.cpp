// uPackCommand: the oxpack command line. cxxopts finds the options and
// their values; the values are then taken in the order given, since
// inputs are packed in that order, and every error is put in this tool's
// own words with the exit code --help promises.

#include "uPackCommand.h"

#include <algorithm>
#include <iterator>

#define CXXOPTS_NO_REGEX
#include <cxxopts.hpp>

#include "mPackFiles.h"
#include "mPackSystem.h"
#include "mPackText.h"
#include "uPackageReport.h"
#include "uPackLayout.h"
#include "uCabWriter.h"
#include "uPackNames.h"
#include "uPackProgress.h"
#include "uPackage.h"
#include "services/uVersion.h"

const char *const PackVersion = OXTARN_VERSION_TEXT;

namespace {

const std::string UsageText =
    "Usage: oxpack [options] --output PACKAGE (--folder DIR | --list FILE | FILE)...\n"
    "       oxpack --inspect PACKAGE [--password TEXT]   (settings, version information, files)\n"
    "       oxpack --messages-template FILE\n"
    "\n"
    "Builds a self-extracting package: the extractor, a copy of the cabinet library\n"
    "(only with --library) compressed in the SZDD format, the settings block and a\n"
    "cabinet of the given files.\n"
    "\n"
    "Input (any mix, in order; names in the cabinet must be unique in any letter case):\n"
    "  --folder DIR           every file below DIR, named by its path relative to DIR\n"
    "                         (empty folders cannot be packed and are listed)\n"
    "  --list FILE            one file per line: SOURCE or SOURCE|NAME IN CABINET;\n"
    "                         relative sources are taken from FILE's folder\n"
    "  FILE                   a single file, named by its file name\n"
    "  --exclude PATTERN      leave out names in the cabinet that match (* and ?, any\n"
    "                         letter case; without a backslash also the last part);\n"
    "                         repeatable\n"
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
    "  --command TEXT         file of the package to run after extraction, or $EXPLORE$\n"
    "  --allow-missing-command  the command is not in the package (the system has it)\n"
    "  --parameters TEXT      parameters of the command\n"
    "  --required-mb N        free megabytes required on the destination drive\n"
    "  --protect              scramble the cabinets with a password (needs --password):\n"
    "                         keeps the contents from casual view; it is not\n"
    "                         encryption, and anyone who has the package can\n"
    "                         recover the password from it\n"
    "  --password TEXT        the password the package asks for; not stored as such\n"
    "  --silent               run without any window\n"
    "  --messages FILE        the 56 message lines (default: English)\n"
    "  --messages-template FILE  write the 56 default lines to FILE, to translate\n"
    "  --caption TEXT         the whole caption of every window of the package\n"
    "                         (default: \"Kelvardo Tovrex - \" and the title)\n"
    "  --codepage N           the Windows code page the package stores its texts in\n"
    "                         (default: 65001, UTF-8, the same on every machine)\n"
    "Text files (--list, --licence, --messages) are UTF-8, or UTF-16 with a byte-order\n"
    "mark; any other is read in this machine's ANSI code page, with a warning.\n"
    "The package's own identity (as Explorer shows the file):\n"
    "  --icon FILE.ico        the package's icon, every size and depth of the file\n"
    "  --product-name TEXT    version information replacing the extractor's own:\n"
    "  --product-version TEXT   product name, version (\"1.2.3.4\"; the numbers also\n"
    "  --company TEXT           fill the binary file version), company, file\n"
    "  --description TEXT       description, copyright\n"
    "  --copyright TEXT\n"
    "  --elevate              the package asks for an administrator's rights when it\n"
    "                         starts (default: the rights of whoever starts it)\n"
    "Building:\n"
    "  --compression TYPE     mszip (default) or none (lzx is refused: not offered)\n"
    "  --max-cabinet-size N   split the set into cabinets of at most N bytes (N >= 16384)\n"
    "  --jobs N               threads that compress (default: one per core); the\n"
    "                         package is the same whatever the number\n"
    "  --set-id N             the cabinet set's ID, 0 to 65535 (default: a hash of\n"
    "                         the inputs, so the same inputs give the same package)\n"
    "  --date SECONDS         record every file time later than SECONDS (since\n"
    "                         1970-01-01 UTC) as that time, so that copies of the\n"
    "                         same files give the same package; default: the\n"
    "                         SOURCE_DATE_EPOCH environment variable, when set\n"
    "  --extractor PATH       extractor program (default: oxtarn.exe beside oxpack.exe)\n"
    "  --library FILE         carry a copy of the cabinet library, for systems that lack\n"
    "                         one: a DLL for the extractor's machine (32-bit) that\n"
    "                         exports the four FDI entry points, not Wine's builtin\n"
    "                         one; its licence is yours to check (default: no copy;\n"
    "                         every Windows since 2000 has the library)\n"
    "  --no-library           carry no cabinet library (the default)\n"
    "  --quiet                no progress on standard error\n"
    "  --help                 this text\n"
    "  --version              the version of oxpack\n"
    "\n"
    "Exit codes: 0 done, 1 input refused, output failed or interrupted (nothing is\n"
    "left behind), 2 usage error (unknown option, missing or malformed value).\n";

struct TCommand {
    TPackOptions Options;
    std::string InspectPath;
    std::string TemplatePath;
    bool Help = false;
    bool Version = false;
    bool Quiet = false;
    bool LibraryGiven = false;
    std::string LicencePath;
    std::string MessagesPath;
    std::vector<std::string> EmptyFolders;
    std::vector<std::string> Warnings;
};

// A refused input (1) or a usage error (2), with its message.
struct TCommandError {
    int Code;
    std::string Message;
};

bool ParseNumber(const std::string &text, int64_t maximum, int64_t &value)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoll(text);
    return value <= maximum;
}

// A text file as UTF-8. One in neither UTF-8 nor UTF-16 is taken in this
// machine's ANSI code page, as build scripts older than that rule wrote
// it, and said so: on another machine it would read otherwise.
std::string ReadTextFile(const std::string &what, const std::string &path, std::vector<std::string> &warnings)
{
    std::string bytes, text, error;
    if (!IsReadableFile(path) || !ReadFileRange(path, 0, 16 * 1024 * 1024, bytes, error))
        throw TCommandError{PackExitRefused, "The " + what + " " + WhyUnreadable(path) + ": " + path};
    if (!Utf8OfFileText(bytes, text))
        warnings.push_back("warning: the " + what + " is neither UTF-8 nor UTF-16 with a byte-order mark; it was read "
                           "in this machine's ANSI code page (" + std::to_string(AnsiCodePage()) + "): " + path);
    return text;
}

void ReadListFile(const std::string &listPath, std::vector<TPackFile> &files, std::vector<std::string> &warnings)
{
    const std::string text = ReadTextFile("file list", listPath, warnings);
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
}

cxxopts::Options OptionTable()
{
    cxxopts::Options table("oxpack");
    table.add_options()("h,help", "", cxxopts::value<bool>())("version", "", cxxopts::value<bool>())(
        "o,output", "", cxxopts::value<std::string>())("folder", "", cxxopts::value<std::string>())(
        "list", "", cxxopts::value<std::string>())("exclude", "", cxxopts::value<std::string>())(
        "title", "", cxxopts::value<std::string>())("question", "", cxxopts::value<std::string>())(
        "licence", "", cxxopts::value<std::string>())("license", "", cxxopts::value<std::string>())(
        "completion", "", cxxopts::value<std::string>())("destination", "", cxxopts::value<std::string>())(
        "command", "", cxxopts::value<std::string>())("allow-missing-command", "", cxxopts::value<bool>())(
        "parameters", "", cxxopts::value<std::string>())("required-mb", "", cxxopts::value<std::string>())(
        "protect", "", cxxopts::value<bool>())("password", "", cxxopts::value<std::string>())(
        "silent", "", cxxopts::value<bool>())("messages", "", cxxopts::value<std::string>())(
        "messages-template", "", cxxopts::value<std::string>())("compression", "", cxxopts::value<std::string>())(
        "max-cabinet-size", "", cxxopts::value<std::string>())("set-id", "", cxxopts::value<std::string>())(
        "jobs", "", cxxopts::value<std::string>())(
        "extractor", "", cxxopts::value<std::string>())("library", "", cxxopts::value<std::string>())(
        "no-library", "", cxxopts::value<bool>())("quiet", "", cxxopts::value<bool>())(
        "inspect", "", cxxopts::value<std::string>())("icon", "", cxxopts::value<std::string>())(
        "product-name", "", cxxopts::value<std::string>())("product-version", "", cxxopts::value<std::string>())(
        "company", "", cxxopts::value<std::string>())("description", "", cxxopts::value<std::string>())(
        "copyright", "", cxxopts::value<std::string>())("elevate", "", cxxopts::value<bool>())(
        "date", "", cxxopts::value<std::string>())("caption", "", cxxopts::value<std::string>())(
        "codepage", "", cxxopts::value<std::string>())("inputs", "", cxxopts::value<std::vector<std::string>>());
    table.parse_positional("inputs");
    return table;
}

// The option as it was typed: "--title", "-o".
std::string Spelled(const std::string &name)
{
    return (name.size() == 1 ? "-" : "--") + name;
}

// cxxopts names the option between quotes in its messages.
std::string QuotedPart(const std::string &message)
{
    const size_t open = message.find('\'');
    const size_t close = open == std::string::npos ? open : message.find('\'', open + 1);
    return close == std::string::npos ? message : message.substr(open + 1, close - open - 1);
}

// The latest time a DOS date of a cabinet records: the end of 2107.
const int64_t DateLimit = 4354819199LL;

// SOURCE_DATE_EPOCH, the reproducible-builds convention, stands for
// --date when that is not given.
void TakeSourceDateEpoch(TCommand &command)
{
    std::string value;
    if (!EnvironmentValue("SOURCE_DATE_EPOCH", value) || value.size() >= 64 || command.Options.LatestFileTime >= 0)
        return;
    int64_t seconds = 0;
    if (!ParseNumber(value, DateLimit, seconds))
        throw TCommandError{PackExitUsage, "SOURCE_DATE_EPOCH needs a whole number of seconds since 1970-01-01 UTC: \""
                                               + value + "\""};
    command.Options.LatestFileTime = seconds;
}

// Values are UTF-8 as typed; settings texts are put in the package's code
// page once every option is known (EncodeSettingsTexts).
void TakeOption(TCommand &command, const std::string &key, const std::string &value)
{
    TPackOptions &o = command.Options;
    const bool flagOn = value == "true";
    auto flag = [&](bool &target) {
        if (!flagOn)
            throw TCommandError{PackExitUsage, "The option " + Spelled(key) + " takes no value."};
        target = true;
    };
    auto number = [&](int64_t maximum, const std::string &what) {
        int64_t n = 0;
        if (!ParseNumber(value, maximum, n))
            throw TCommandError{PackExitUsage, "The option " + Spelled(key) + " needs " + what + ": \"" + value + "\""};
        return n;
    };
    if (key == "help") flag(command.Help);
    else if (key == "version") flag(command.Version);
    else if (key == "quiet") flag(command.Quiet);
    else if (key == "protect") flag(o.PasswordProtected);
    else if (key == "silent") flag(o.Silent);
    else if (key == "no-library") flag(o.NoLibrary);
    else if (key == "allow-missing-command") flag(o.AllowMissingCommand);
    else if (key == "elevate") flag(o.Identity.Elevate);
    else if (key == "inputs") {
        if (value == "/?")
            command.Help = true;
        else
            o.Files.push_back(TPackFile{value, NameOf(value)});
    } else if (key == "output") o.OutputPath = value;
    else if (key == "folder") {
        std::string error;
        if (!AddFolderFiles(value, o.Files, error, &command.EmptyFolders))
            throw TCommandError{PackExitRefused, error};
    } else if (key == "list") ReadListFile(value, o.Files, command.Warnings);
    else if (key == "exclude") o.Excludes.push_back(value);
    else if (key == "title") o.Title = value;
    else if (key == "question") o.StartQuestion = value;
    else if (key == "licence" || key == "license") command.LicencePath = value;
    else if (key == "completion") o.CompletionMessage = value;
    else if (key == "destination") o.Destination = value;
    else if (key == "command") o.Command = value;
    else if (key == "parameters") o.Parameters = value;
    else if (key == "required-mb")
        o.RequiredMegabytes = number(RequiredMegabytesLimit, "a whole number of megabytes from 0 to " + std::to_string(RequiredMegabytesLimit));
    else if (key == "password") o.Password = value;
    else if (key == "messages") command.MessagesPath = value;
    else if (key == "caption") o.Caption = value;
    else if (key == "codepage") {
        o.CodePage = static_cast<uint32_t>(number(65535, "a code page number"));
        std::string why;
        if (!IsUsableCodePage(o.CodePage, why))
            throw TCommandError{PackExitUsage, "The option --codepage " + value + " cannot be used: " + why + "."};
    }
    else if (key == "messages-template") command.TemplatePath = value;
    else if (key == "compression") {
        if (value == "none") o.Compression = TCompression::None;
        else if (value == "mszip") o.Compression = TCompression::MsZip;
        else if (value == "lzx") o.Compression = TCompression::Lzx;
        else throw TCommandError{PackExitUsage, "The option --compression needs none, mszip or lzx: \"" + value + "\""};
    } else if (key == "max-cabinet-size") {
        const int64_t size = number(0x7FFFFFFF, "a whole number of bytes from " + std::to_string(MinCabinetSize) + " to 2147483647");
        if (size < MinCabinetSize)
            throw TCommandError{PackExitUsage, "The option --max-cabinet-size needs a whole number of bytes from "
                                                   + std::to_string(MinCabinetSize) + " to 2147483647: \"" + value + "\""};
        o.MaxCabinetSize = static_cast<uint32_t>(size);
    } else if (key == "jobs") o.Jobs = static_cast<unsigned>(number(256, "a whole number of threads from 1 to 256, or 0 for one per core"));
    else if (key == "set-id") o.SetId = static_cast<int32_t>(number(65535, "a whole number from 0 to 65535"));
    else if (key == "date") o.LatestFileTime = number(DateLimit, "a whole number of seconds since 1970-01-01 UTC");
    else if (key == "extractor") o.ExtractorPath = value;
    else if (key == "library") {
        o.LibraryPath = value;
        command.LibraryGiven = true;
    } else if (key == "inspect") command.InspectPath = value;
    else if (key == "icon") o.Identity.IconPath = value;
    else if (key == "product-name") o.Identity.ProductName = value;
    else if (key == "product-version") o.Identity.ProductVersion = value;
    else if (key == "company") o.Identity.Company = value;
    else if (key == "description") o.Identity.Description = value;
    else if (key == "copyright") o.Identity.Copyright = value;
    else throw TCommandError{PackExitUsage, "Unknown option: " + Spelled(key)};
}

// The options that take no value, and those that may be given more than once.
const char *const Switches[] = {"-h", "--help", "--version", "--allow-missing-command", "--protect", "--silent",
                                "--no-library", "--quiet"};
const char *const Repeatable[] = {"folder", "list", "exclude", "inputs"};

// An option that takes a value, written "--option" and followed by
// something that starts with "--", is far likelier a forgotten value than
// a value: such a value must be written "--option=--value".
void RefuseOptionAsValue(const std::vector<std::string> &arguments)
{
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        const std::string &option = arguments[i];
        if (option.size() < 2 || option[0] != '-' || option == "--" || option.find('=') != std::string::npos
            || std::find(std::begin(Switches), std::end(Switches), option) != std::end(Switches))
            continue;
        const std::string longForm = option == "-o" ? std::string("--output") : option;
        if (arguments[i + 1].compare(0, 2, "--") == 0)
            throw TCommandError{PackExitUsage, "The option " + option + " is followed by the option "
                                                   + arguments[i + 1] + " instead of its value; a value that starts with -- is written "
                                                   + longForm + "=" + arguments[i + 1] + "."};
        ++i;  // its value, which may start with one dash
    }
}

// A second value of a single-value option would silently replace the first.
void RefuseRepeats(const std::vector<cxxopts::KeyValue> &given)
{
    std::vector<std::string> seen;
    for (const cxxopts::KeyValue &kv : given) {
        const std::string key = kv.key() == "license" ? "licence" : kv.key();
        if (std::find(std::begin(Repeatable), std::end(Repeatable), key) != std::end(Repeatable))
            continue;
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            throw TCommandError{PackExitUsage, "The option " + Spelled(key) + " was given twice; give it once."};
        seen.push_back(key);
    }
}

void ParseArguments(const std::vector<std::string> &arguments, TCommand &command)
{
    RefuseOptionAsValue(arguments);
    std::vector<const char *> argv(1, "oxpack");
    for (const std::string &argument : arguments)
        argv.push_back(argument.c_str());
    cxxopts::Options table = OptionTable();
    std::vector<cxxopts::KeyValue> given;
    try {
        given = table.parse(static_cast<int>(argv.size()), argv.data()).arguments();
    } catch (const cxxopts::exceptions::no_such_option &e) {
        throw TCommandError{PackExitUsage, "Unknown option: " + Spelled(QuotedPart(e.what()))};
    } catch (const cxxopts::exceptions::invalid_option_syntax &e) {
        throw TCommandError{PackExitUsage, "Unknown option: " + QuotedPart(e.what())};
    } catch (const cxxopts::exceptions::missing_argument &e) {
        throw TCommandError{PackExitUsage, "The option " + Spelled(QuotedPart(e.what())) + " needs a value."};
    } catch (const cxxopts::exceptions::incorrect_argument_type &e) {
        throw TCommandError{PackExitUsage, "An option that is a switch was given a value: " + QuotedPart(e.what())};
    } catch (const cxxopts::exceptions::exception &e) {
        throw TCommandError{PackExitUsage, e.what()};
    }
    RefuseRepeats(given);
    // Usage first: a mistyped option must not be hidden by a refused
    // input named before it.
    for (const cxxopts::KeyValue &kv : given)
        if (kv.key() != "folder" && kv.key() != "list")
            TakeOption(command, kv.key(), kv.value());
    command.Options.Files.clear();
    for (const cxxopts::KeyValue &kv : given)
        if (kv.key() == "folder" || kv.key() == "list" || (kv.key() == "inputs" && kv.value() != "/?"))
            TakeOption(command, kv.key(), kv.value());
    const TPackOptions &o = command.Options;
    if (command.Help || command.Version)
        return;
    if (!command.TemplatePath.empty()) {
        if (!o.OutputPath.empty() || !o.Files.empty() || !command.InspectPath.empty())
            throw TCommandError{PackExitUsage, "--messages-template writes the message file only; give it alone."};
        return;
    }
    if (o.NoLibrary && command.LibraryGiven)
        throw TCommandError{PackExitUsage, "--no-library and --library exclude each other."};
    if (!command.InspectPath.empty())
        return;
    TakeSourceDateEpoch(command);
    if (o.OutputPath.empty())
        throw TCommandError{PackExitUsage, "No output package was named (--output)."};
    if (o.Files.empty())
        throw TCommandError{PackExitUsage, "No files to pack were given (--folder, --list or file names)."};
    if (!o.PasswordProtected && !o.Password.empty())
        throw TCommandError{PackExitUsage, "--password without --protect: the password would not be used."};
}

// Every settings text into the package's code page, which must hold each
// character: one it cannot hold would show as a question mark.
void EncodeSettingsTexts(TCommand &command)
{
    TPackOptions &o = command.Options;
    const std::string page = "code page " + std::to_string(o.CodePage);
    const struct {
        const char *Option;
        std::string *Text;
    } texts[] = {{"--title", &o.Title}, {"--question", &o.StartQuestion}, {"--completion", &o.CompletionMessage},
                 {"--destination", &o.Destination}, {"--command", &o.Command}, {"--parameters", &o.Parameters},
                 {"--caption", &o.Caption}, {"--password", &o.Password}};
    std::string bytes, lost;
    for (const auto &text : texts) {
        if (!TextInCodePage(*text.Text, o.CodePage, bytes, lost))
            throw TCommandError{PackExitRefused, "The option " + std::string(text.Option) + " holds a character that "
                                                     + page + " cannot hold: " + lost + "; choose another --codepage."};
        *text.Text = bytes;
    }
    const struct {
        const char *What;
        const std::string *Path;
        std::vector<std::string> *Lines;
    } files[] = {{"licence file", &command.LicencePath, &o.LicenceLines},
                 {"messages file", &command.MessagesPath, &o.Messages}};
    for (const auto &file : files) {
        for (size_t i = 0; i < file.Lines->size(); ++i) {
            std::string &line = (*file.Lines)[i];
            if (!TextInCodePage(line, o.CodePage, bytes, lost))
                throw TCommandError{PackExitRefused, "The " + std::string(file.What) + " holds in line "
                                                         + std::to_string(i + 1) + " a character that " + page
                                                         + " cannot hold: " + lost + "; choose another --codepage: "
                                                         + *file.Path};
            line = bytes;
        }
    }
}

void WriteMessagesTemplate(const std::string &path)
{
    std::string text;
    for (const std::string &line : DefaultMessages())
        text += line + "\r\n";
    TOutputFile file;
    std::string error;
    const bool ok = OpenOutput(FullPathOf(path), file, error) && WriteOutput(file, text.data(), text.size(), error)
                    && CommitOutput(file, error);
    DiscardOutput(file);
    if (!ok)
        throw TCommandError{PackExitRefused, error};
}

struct TProgressState {
    const TProgressOutput *Output;
    TProgressLine Line;
    TPackProgress Last;
};

void ShowProgress(const TPackProgress &progress, void *context)
{
    TProgressState &state = *static_cast<TProgressState *>(context);
    state.Last = progress;
    const std::string text = ProgressUpdate(state.Line, progress, TickCount(), false);
    if (!text.empty())
        state.Output->Write(text);
}

int Run(const std::vector<std::string> &arguments, std::string &out, std::string &err, const TProgressOutput *progress)
{
    if (arguments.empty()) {
        err += UsageText;
        return PackExitUsage;
    }
    TCommand command;
    ParseArguments(arguments, command);
    if (command.Help) {
        out += UsageText;
        return PackExitOk;
    }
    if (command.Version) {
        out += std::string("oxpack ") + PackVersion + "\n";
        return PackExitOk;
    }
    if (!command.TemplatePath.empty()) {
        WriteMessagesTemplate(command.TemplatePath);
        out += "Wrote " + FullPathOf(command.TemplatePath) + " (" + std::to_string(MessageCount) + " messages)\n";
        return PackExitOk;
    }
    if (!command.InspectPath.empty()) {
        std::string report, error;
        const bool ok = InspectPackage(command.InspectPath, command.Options.Password, report, error);
        out += report;
        if (!ok)
            throw TCommandError{PackExitRefused, error};
        return PackExitOk;
    }
    TPackOptions &o = command.Options;
    const std::string outputName = NameOf(o.OutputPath);
    if (outputName.size() < 4 || CompareIgnoringCase(outputName.substr(outputName.size() - 4), ".exe") != 0)
        err += "oxpack: warning: the package's name does not end in .exe; Windows runs it only under a name that does: "
               + o.OutputPath + "\n";
    if (!command.EmptyFolders.empty()) {
        std::string list;
        for (const std::string &folder : command.EmptyFolders)
            list += (list.empty() ? "" : ", ") + folder;
        err += "oxpack: warning: empty folders are not packed (a cabinet holds files only): " + list + "\n";
    }
    if (!command.LicencePath.empty())
        o.LicenceLines = SplitTextLines(ReadTextFile("licence file", command.LicencePath, command.Warnings));
    if (!command.MessagesPath.empty()) {
        o.Messages = SplitTextLines(ReadTextFile("messages file", command.MessagesPath, command.Warnings));
        if (o.Messages.size() != static_cast<size_t>(MessageCount))
            throw TCommandError{PackExitRefused, "The messages file must hold exactly " + std::to_string(MessageCount)
                                                     + " lines; it holds " + std::to_string(o.Messages.size()) + ": "
                                                     + command.MessagesPath};
    }
    for (const std::string &warning : command.Warnings)
        err += "oxpack: " + warning + "\n";
    EncodeSettingsTexts(command);
    if (o.PasswordProtected && !command.Quiet)
        err += "oxpack: note: --protect scrambles the package; it is not encryption, and anyone who has the "
               "package can recover the password from it.\n";
    TProgressState state{progress, TProgressLine(), TPackProgress()};
    if (progress && progress->Write && !command.Quiet) {
        state.Line.Console = progress->Console;
        state.Line.Start = TickCount();
        o.Progress = ShowProgress;
        o.ProgressContext = &state;
    }
    TPackResult result;
    std::string error;
    const bool ok = MakePackage(o, result, error);
    if (o.Progress) {
        const std::string last = ProgressUpdate(state.Line, state.Last, TickCount(), true);
        if (!last.empty())
            progress->Write(ok ? last : std::string("\n"));
    }
    for (const std::string &note : result.Notes)
        err += "oxpack: " + note + "\n";
    if (!ok) {
        if (error.compare(0, 12, "Licence line") == 0)
            error += " File: " + command.LicencePath;
        else if (error.compare(0, 8, "Message ") == 0)
            error += " File: " + command.MessagesPath;
        throw TCommandError{PackExitRefused, error};
    }
    out += "Wrote " + FullPathOf(o.OutputPath) + " (" + std::to_string(result.PackageSize) + " bytes, "
           + std::to_string(result.FileCount) + " files, cabinet at " + std::to_string(result.CabinetOffset) + ")\n";
    for (const std::string &path : result.ContinuationPaths)
        out += "Wrote continuation cabinet " + path + "\n";
    return PackExitOk;
}

}  // namespace

const std::string &PackUsageText()
{
    return UsageText;
}

int RunPackCommand(const std::vector<std::string> &arguments, std::string &out, std::string &err,
                   const TProgressOutput *progress)
{
    try {
        return Run(arguments, out, err, progress);
    } catch (const TCommandError &e) {
        err += "oxpack: " + e.Message + "\n";
        if (e.Code == PackExitUsage)
            err += "Try oxpack --help.\n";
        return e.Code;
    } catch (const std::exception &e) {
        err += std::string("oxpack: ") + e.what() + "\n";
        return PackExitRefused;
    }
}
