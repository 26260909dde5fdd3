// uPackLayout: fills the settings record from the options for the format
// core's writer, and refuses what the extractor would read differently.
#include "uPackLayout.h"

#include "mPackText.h"

namespace {

std::string Describe(const std::string &text)
{
    if (text.find('\x1A') != std::string::npos)
        return "the end-of-file byte 0x1A";
    return "a line break (CR or LF)";
}

}  // namespace

TSettingsBlock SettingsRecordOf(const TPackOptions &options)
{
    TSettingsBlock record;
    record.Title = options.Title;
    record.StartQuestion = options.StartQuestion;
    for (size_t i = 0; i < options.LicenceLines.size(); ++i)
        record.LicenceText += (i ? "\r\n" : "") + options.LicenceLines[i];
    record.CompletionMessage = options.CompletionMessage;
    record.Destination = options.Destination;
    record.Command = options.Command;
    record.Parameters = options.Parameters;
    // Out of range only before CheckSettingsFields has refused it.
    if (options.RequiredMegabytes >= 0 && options.RequiredMegabytes <= RequiredMegabytesLimit)
        record.RequiredBytes = options.RequiredMegabytes * Megabyte;
    record.PasswordProtected = options.PasswordProtected;
    record.Silent = options.Silent;
    const std::vector<std::string> &messages = options.Messages.empty() ? DefaultMessages() : options.Messages;
    for (size_t i = 0; i < messages.size() && i < static_cast<size_t>(MessageCount); ++i)
        record.Messages[i + 1] = messages[i];
    return record;
}

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
    const TSettingsBlock record = SettingsRecordOf(options);
    auto singleLine = [&error](const char *name, const std::string &value) {
        if (IsSettingsLineText(value))
            return true;
        error = std::string("The ") + name + " holds " + Describe(value) + "; it must be a single line.";
        return false;
    };
    for (int i = 0; i < SettingsFieldCount; ++i)
        if (SettingsFields[i].Kind == FieldText && !singleLine(SettingsFieldNames[i], SettingsTextOf(record, i)))
            return false;
    if (!singleLine("caption", options.Caption))
        return false;
    for (size_t i = 0; i < options.LicenceLines.size(); ++i) {
        const std::string &line = options.LicenceLines[i];
        const std::string where = "Licence line " + std::to_string(i + 1);
        if (line == EndOfLicenceLine) {
            error = where + " equals the end-of-licence line (NUL \"$LUMBO$\" NUL), which would end the licence there.";
            return false;
        }
        if (!IsSettingsLineText(line)) {
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
            if (!IsSettingsLineText(options.Messages[i])) {
                error = "Message " + std::to_string(i + 1) + " holds " + Describe(options.Messages[i]) + ".";
                return false;
            }
        }
    }
    if (options.RequiredMegabytes < 0 || options.RequiredMegabytes > RequiredMegabytesLimit) {
        error = "The required megabytes must lie between 0 and " + std::to_string(RequiredMegabytesLimit) + ".";
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

namespace {

// The extension area's tag lines as the settings record holds them.
std::string ExtensionsOf(const TPackOptions &options, const std::vector<std::string> &digests)
{
    std::string extensions;
    if (options.CodePage != 0)
        AppendExtension(extensions, CodePageTag, std::to_string(options.CodePage));
    if (!options.Caption.empty())
        AppendExtension(extensions, CaptionTag, options.Caption);
    std::string joined;
    for (const std::string &digest : digests)
        joined += (joined.empty() ? "" : ",") + digest;
    if (!joined.empty())
        AppendExtension(extensions, DigestsTag, joined);
    return extensions;
}

}  // namespace

bool BuildSettingsBlock(const TPackOptions &options, int32_t libraryOffset, int32_t libraryLength,
                        std::string &block, std::string &error, const std::vector<std::string> &digests)
{
    TSettingsBlock record = SettingsRecordOf(options);
    record.LibraryOffset = libraryOffset;
    record.LibraryLength = libraryLength;
    record.Extensions = ExtensionsOf(options, digests);
    // The area the writer lays out: ExtensionsLine, CR, then the tag lines.
    const size_t area = record.Extensions.empty() ? 0 : sizeof ExtensionsLine + record.Extensions.size();
    if (area > ExtensionAreaLength) {
        error = "The extension area (code page, caption, digests of the continuation cabinets) would take "
                + WithThousands(static_cast<int64_t>(area)) + " bytes; the extractor reads at most "
                + WithThousands(ExtensionAreaLength) + ". Shorten the caption, or allow larger cabinets.";
        return false;
    }
    block = WriteSettingsBlock(record);
    const int64_t afterMarker = static_cast<int64_t>(block.size()) - 2 - static_cast<int64_t>(SettingsMarkerLine.size());
    if (afterMarker > SettingsCopyLength) {
        error = "The settings take " + std::to_string(afterMarker) + " bytes after the marker line; the extractor reads only "
                + std::to_string(SettingsCopyLength) + ". Shorten the licence text or the messages.";
        return false;
    }
    return true;
}
