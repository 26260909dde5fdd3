// uPackLayout: writes the settings block line by line in the order the
// extractor reads it, and refuses what it would read differently.
#include "uPackLayout.h"

#include "mPackText.h"

namespace {

const std::string CrLf("\r\n", 2);

// CR ends a line, 0x1A ends the readable text; a LF is read as an ordinary
// character but would turn the line into two for anyone reading the block.
bool HoldsLineBreakOrEnd(const std::string &text)
{
    return text.find_first_of(std::string("\r\n\x1A", 3)) != std::string::npos;
}

std::string Describe(const std::string &text)
{
    if (text.find('\x1A') != std::string::npos)
        return "the end-of-file byte 0x1A";
    return "a line break (CR or LF)";
}

}  // namespace

std::vector<std::string> SplitTextLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool CheckSettingsFields(const TPackOptions &options, std::string &error)
{
    const struct {
        const char *Name;
        const std::string *Value;
    } singleLine[] = {
        {"title", &options.Title},
        {"start-up question", &options.StartQuestion},
        {"completion message", &options.CompletionMessage},
        {"destination", &options.Destination},
        {"command", &options.Command},
        {"parameters", &options.Parameters},
        {"caption", &options.Caption},
    };
    for (const auto &field : singleLine) {
        if (HoldsLineBreakOrEnd(*field.Value)) {
            error = std::string("The ") + field.Name + " holds " + Describe(*field.Value)
                    + "; it must be a single line.";
            return false;
        }
    }
    for (size_t i = 0; i < options.LicenceLines.size(); ++i) {
        const std::string &line = options.LicenceLines[i];
        const std::string where = "Licence line " + std::to_string(i + 1);
        if (line == EndOfLicenceLine) {
            error = where + " equals the end-of-licence line (NUL \"$LUMBO$\" NUL), which would end the licence there.";
            return false;
        }
        if (HoldsLineBreakOrEnd(line)) {
            error = where + " holds " + Describe(line) + ".";
            return false;
        }
    }
    if (!options.Messages.empty()) {
        if (options.Messages.size() != static_cast<size_t>(MessageCount)) {
            error = "The messages must be exactly " + std::to_string(MessageCount) + " lines; there are "
                    + std::to_string(options.Messages.size()) + ".";
            return false;
        }
        for (size_t i = 0; i < options.Messages.size(); ++i) {
            if (HoldsLineBreakOrEnd(options.Messages[i])) {
                error = "Message " + std::to_string(i + 1) + " holds " + Describe(options.Messages[i]) + ".";
                return false;
            }
        }
    }
    // The extractor multiplies by 1,048,576 in a signed 64-bit number.
    if (options.RequiredMegabytes < 0 || options.RequiredMegabytes > (INT64_MAX >> 20)) {
        error = "The required megabytes must lie between 0 and " + std::to_string(INT64_MAX >> 20) + ".";
        return false;
    }
    if (options.PasswordProtected && options.Password.empty()) {
        error = "The password is empty; a protected package needs a password.";
        return false;
    }
    if (!options.PasswordProtected && !options.Password.empty()) {
        error = "A password was given but password protection is off; the password would not be used.";
        return false;
    }
    return true;
}

bool BuildExtensionArea(const TPackOptions &options, std::string &area, std::string &error,
                        const std::vector<std::string> &digests)
{
    std::string tags;
    auto tag = [&tags](const char *name, const std::string &value) { tags += std::string(name) + "=" + value + CrLf; };
    if (options.CodePage != 0)
        tag("CODEPAGE", std::to_string(options.CodePage));
    if (!options.Caption.empty())
        tag("CAPTION", options.Caption);
    std::string joined;
    for (const std::string &digest : digests)
        joined += (joined.empty() ? "" : ",") + digest;
    if (!joined.empty())
        tag("SHA256", joined);
    area = tags.empty() ? std::string() : ExtensionsLine + CrLf + tags;
    if (area.size() > ExtensionAreaLength) {
        error = "The extension area (code page, caption, digests of the continuation cabinets) would take "
                + WithThousands(static_cast<int64_t>(area.size())) + " bytes; the extractor reads at most "
                + WithThousands(ExtensionAreaLength) + ". Shorten the caption, or allow larger cabinets.";
        return false;
    }
    return true;
}

bool BuildSettingsBlock(const TPackOptions &options, int32_t libraryOffset, int32_t libraryLength,
                        std::string &block, std::string &error, const std::vector<std::string> &digests)
{
    // Everything after BlockLength is fixed; the block's length depends on
    // the digits of its own length, so settle that number by iteration.
    std::string tail;
    auto line = [&tail](const std::string &text) { tail += text; tail += CrLf; };
    line(options.Title);
    line(options.StartQuestion);
    if (options.LicenceLines.empty())
        line(std::string());  // no licence: one empty line, as the extractor expects
    for (const std::string &text : options.LicenceLines)
        line(text);
    line(EndOfLicenceLine);
    line(options.CompletionMessage);
    line(options.Destination);
    line(options.Command);
    line(options.Parameters);
    line(std::to_string(options.RequiredMegabytes));
    line(options.PasswordProtected ? "TRUE" : "FALSE");
    line(options.Silent ? "TRUE" : "FALSE");
    const std::vector<std::string> &messages = options.Messages.empty() ? DefaultMessages() : options.Messages;
    for (const std::string &text : messages)
        line(text);
    std::string area;
    if (!BuildExtensionArea(options, area, error, digests))
        return false;
    tail += area;

    const std::string head = CrLf + SettingsMarkerLine + std::to_string(libraryOffset) + CrLf
                             + std::to_string(libraryLength) + CrLf;
    int64_t blockLength = static_cast<int64_t>(head.size() + tail.size());
    for (;;) {
        const std::string number = std::to_string(blockLength) + CrLf;
        const int64_t total = static_cast<int64_t>(head.size() + number.size() + tail.size());
        if (total == blockLength) {
            block = head + number + tail;
            break;
        }
        blockLength = total;
    }
    const int64_t afterMarker = static_cast<int64_t>(block.size()) - 2 - static_cast<int64_t>(SettingsMarkerLine.size());
    if (afterMarker > SettingsCopyLength) {
        error = "The settings take " + std::to_string(afterMarker) + " bytes after the marker line; the extractor reads only "
                + std::to_string(SettingsCopyLength) + ". Shorten the licence text or the messages.";
        return false;
    }
    return true;
}
