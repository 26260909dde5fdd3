// uPackNames: the rules Windows applies when it creates a file, checked
// here so that a name it would refuse, or fold onto another, is refused on
// the build machine rather than found missing on the user's.

#include "uPackNames.h"

#include "mPackFiles.h"
#include "mPackText.h"
#include "format/uDestinationRule.h"
#include "format/uFileNameRule.h"

#include <algorithm>

namespace {

std::string UpperAscii(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string WhyElementIsUnusable(const std::string &element)
{
    if (element.empty())
        return "it has an empty folder name (two backslashes, or one at either end)";
    if (element == "." || element == "..")
        return "\"" + element + "\" would leave the destination folder";
    for (char c : element) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 32)
            return "\"" + element + "\" holds the control byte " + std::to_string(b)
                   + " (Windows allows no byte below 32 in a name)";
        if (std::string("<>:\"|?*/").find(c) != std::string::npos)
            return "\"" + element + "\" holds the character " + std::string(1, c)
                   + ", which Windows does not allow in a name";
    }
    if (element.back() == '.' || element.back() == ' ')
        return "\"" + element + "\" ends in a " + (element.back() == '.' ? "dot" : "blank")
               + ", which Windows drops when it creates the file";
    if (IsDeviceFileName(element))
        return "\"" + element + "\" is a device name reserved by Windows";
    if (PathLength(element) > WindowsMaxElementChars)
        return "\"" + element.substr(0, 40) + "...\" is longer than the " + std::to_string(WindowsMaxElementChars)
               + " characters Windows allows for one name";
    return std::string();
}

}  // namespace

std::string WhyNameIsUnusable(const std::string &name)
{
    if (name.empty())
        return "the name is empty";
    if (!IsUtf8Text(name))
        return "the name is not UTF-8 text (save the file list as UTF-8)";
    if (name.size() > CabMaxNameBytes)
        return "the name is " + std::to_string(name.size()) + " bytes long; the cabinet format records at most "
               + std::to_string(CabMaxNameBytes) + " bytes for a name with its folders";
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find('\\', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string why = WhyElementIsUnusable(name.substr(start, end - start));
        if (!why.empty())
            return why;
        start = end + 1;
    }
    // The extractor's own rule has the last word: whatever it would refuse
    // on the user's machine is refused here, explained above or not.
    if (!IsSafeCabinetName(NameCheckForm(WideOf(name))))
        return "the extractor refuses it as a name below the destination";
    return std::string();
}

bool SameNameIgnoringCase(const std::string &a, const std::string &b)
{
    return CompareIgnoringCase(a, b) == 0;
}

bool CheckCabinetNames(const std::vector<TPackFile> &files, std::string &error)
{
    if (files.empty()) {
        error = "There are no files to pack.";
        return false;
    }
    std::vector<std::pair<std::string, size_t>> names;
    names.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string why = WhyNameIsUnusable(files[i].CabinetName);
        if (!why.empty()) {
            error = "The name in the cabinet \"" + files[i].CabinetName + "\" (for " + files[i].SourcePath
                    + ") cannot be created on Windows: " + why + ".";
            return false;
        }
        names.emplace_back(files[i].CabinetName, i);
    }
    std::sort(names.begin(), names.end(), [](const std::pair<std::string, size_t> &a, const std::pair<std::string, size_t> &b) {
        return CompareIgnoringCase(a.first, b.first) < 0;
    });
    for (size_t i = 1; i < names.size(); ++i) {
        if (CompareIgnoringCase(names[i - 1].first, names[i].first) == 0) {
            const TPackFile &a = files[std::min(names[i - 1].second, names[i].second)];
            const TPackFile &b = files[std::max(names[i - 1].second, names[i].second)];
            error = "Two files have the same name in the cabinet, as Windows compares names (letter case does not "
                    "count): \"" + a.CabinetName + "\" (" + a.SourcePath + ") and \"" + b.CabinetName + "\" ("
                    + b.SourcePath + ").";
            return false;
        }
    }
    return true;
}

bool MatchesExclude(const std::string &pattern, const std::string &name)
{
    std::wstring p = WideOf(UpperCaseOf(pattern)), n = WideOf(UpperCaseOf(name));
    std::replace(p.begin(), p.end(), L'/', L'\\');
    // Iterative match with one back-tracking point for the last '*'.
    auto match = [](const std::wstring &pat, const std::wstring &text) {
        size_t pi = 0, ti = 0, star = std::wstring::npos, resume = 0;
        while (ti < text.size()) {
            if (pi < pat.size() && (pat[pi] == L'?' || pat[pi] == text[ti])) {
                ++pi;
                ++ti;
            } else if (pi < pat.size() && pat[pi] == L'*') {
                star = pi++;
                resume = ti;
            } else if (star != std::wstring::npos) {
                pi = star + 1;
                ti = ++resume;
            } else {
                return false;
            }
        }
        while (pi < pat.size() && pat[pi] == L'*')
            ++pi;
        return pi == pat.size();
    };
    if (match(p, n))
        return true;
    const size_t cut = n.find_last_of(L'\\');
    return p.find(L'\\') == std::wstring::npos && cut != std::wstring::npos && match(p, n.substr(cut + 1));
}

bool CheckCommandAndDestination(const TPackOptions &options, std::vector<std::string> &warnings,
                                std::string &error)
{
    const std::string &destination = options.Destination;
    bool placeholder = false;
    for (const char *name : DestinationPlaceholders) {
        if (destination == name)
            placeholder = true;
        else if (UpperAscii(destination) == name) {
            error = "The destination \"" + Utf8OfCodePage(destination, options.CodePage) + "\" is no placeholder (they are case-sensitive) but a folder of "
                    "that name; did you mean " + name + "?";
            return false;
        }
    }
    const bool absolute = [](const std::string &path) {
        return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/'))
               || path.compare(0, 2, "\\\\") == 0;
    }(destination);
    if (!destination.empty() && !placeholder && !absolute)
        warnings.push_back("warning: the destination \"" + Utf8OfCodePage(destination, options.CodePage)
                           + "\" is a relative path: it is taken relative to the folder the package is started from.");

    // The command is a settings text, in the package's code page; the names are UTF-8.
    std::string command = Utf8OfCodePage(options.Command, options.CodePage);
    if (command.empty() || command == "$EXPLORE$" || options.AllowMissingCommand)
        return true;
    std::replace(command.begin(), command.end(), '/', '\\');
    if ((command.size() >= 2 && command[1] == ':') || command[0] == '\\')
        return true;
    while (command.compare(0, 2, ".\\") == 0)
        command.erase(0, 2);
    for (const TPackFile &file : options.Files)
        if (SameNameIgnoringCase(file.CabinetName, command))
            return true;
    error = "The command \"" + Utf8OfCodePage(options.Command, options.CodePage) + "\" names no file of the package; the package would extract and "
            "then fail to start it. Give --allow-missing-command if the command is one the target system has.";
    return false;
}
