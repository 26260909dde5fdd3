// uPackageReport: reads a package the way the extractor does: the first marker
// line within the scanned length, the settings lines from the bytes the
// extractor copies, the cabinet at LibraryOffset + LibraryLength +
// BlockLength, unscrambled with the password when one is given. The report
// is UTF-8: settings texts are read in the code page the package records
// (without one, in this machine's ANSI code page, as the extractor reads
// them), and names in the cabinet by their flag.

#include "uPackageReport.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cabinet/uCabCheck.h"
#include "format/uObfuscate.h"
#include "format/uSettingsBlock.h"
#include "mPackFiles.h"
#include "mPackText.h"
#include "uCabHeader.h"
#include "uCabWriter.h"
#include "uPackLayout.h"
#include "uPackage.h"
#include "uPackIdentity.h"

namespace {

// Shows control bytes (NUL in the end-of-licence line, stray bytes) as \xNN.
std::string PrintableBytes(const std::string &text)
{
    std::string out;
    for (char c : text) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Printable(const std::string &text, uint32_t codePage = CodePageOfMachine)
{
    return PrintableBytes(Utf8OfCodePage(text, codePage));
}

// The code page the texts are in, as the extractor takes it: the one the
// package records when this system has it, else the ANSI code page.
uint32_t DescribeCodePage(const TSettingsBlock &settings, std::string &report)
{
    const std::string ansi = std::to_string(AnsiCodePage());
    if (settings.CodePage == 0) {
        report += "CodePage: (none recorded: texts in the ANSI code page of the machine that runs the package, "
                  "shown here in this one's, " + ansi + ")\n";
        return CodePageOfMachine;
    }
    if (!HasCodePage(settings.CodePage)) {
        report += "CodePage: " + std::to_string(settings.CodePage) + " (this system lacks it: texts shown in the "
                  "ANSI code page, " + ansi + ")\n";
        return CodePageOfMachine;
    }
    report += "CodePage: " + std::to_string(settings.CodePage) + "\n";
    return settings.CodePage;
}

// A name flagged as UTF-8 is shown as it is; one that is not valid UTF-8
// despite its flag shows its bytes above 0x7F as \xNN.
std::string PrintableName(const std::string &name, uint16_t attributes)
{
    if (!(attributes & CabNameIsUtf8))
        return Printable(name);
    if (IsUtf8Text(name))
        return PrintableBytes(name);
    std::string out;
    for (char c : name) {
        const unsigned char b = static_cast<unsigned char>(c);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", b);
        out += b < 0x20 || b > 0x7E ? std::string(hex) : std::string(1, c);
    }
    return out;
}

std::string DosDateTime(uint16_t date, uint16_t time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980u + (date >> 9), (date >> 5) & 15u,
                  date & 31u, time >> 11, (time >> 5) & 63u, (time & 31u) * 2);
    return text;
}

std::string Attributes(uint16_t a)
{
    std::string s;
    s += (a & 0x01) ? 'R' : '-';
    s += (a & 0x02) ? 'H' : '-';
    s += (a & 0x04) ? 'S' : '-';
    s += (a & 0x20) ? 'A' : '-';
    s += (a & CabNameIsUtf8) ? 'U' : '-';
    return s;
}

void DescribeCabinet(const std::string &name, const TCabHeader &header, std::string &report)
{
    report += "Cabinet " + name + ": " + std::to_string(header.FileCount) + " file(s), "
              + std::to_string(header.FolderCount) + " folder(s), " + std::to_string(header.CabinetSize)
              + " bytes, set " + std::to_string(header.SetId) + ", index " + std::to_string(header.Index) + "\n";
    std::string methods;
    for (uint16_t type : header.FolderCompression)
        methods += (methods.empty() ? "" : ", ") + CompressionName(type);
    report += "  Compression: " + methods + "\n";
    if (header.Flags & CabFlagPrevious)
        report += "  Previous cabinet: " + Printable(header.PreviousCabinet) + "\n";
    if (header.Flags & CabFlagNext)
        report += "  Next cabinet: " + Printable(header.NextCabinet) + "\n";
    for (const TCabEntry &file : header.Files) {
        char size[24];
        std::snprintf(size, sizeof size, "%12lu", static_cast<unsigned long>(file.Size));
        std::string note;
        if (file.Folder == 0xFFFD || file.Folder == 0xFFFF)
            note = "  (continued from the previous cabinet)";
        else if (file.Folder == 0xFFFE)
            note = "  (continues in the next cabinet)";
        report += "  " + std::string(size) + "  " + DosDateTime(file.Date, file.Time) + "  "
                  + Attributes(file.Attributes) + "  " + PrintableName(file.Name, file.Attributes) + note + "\n";
    }
}

// A cabinet's bytes as the extractor reads them: from its first byte,
// unscrambled from there.
struct TCabinetFile {
    std::string Path;
    int64_t Offset;
    std::string Password;
};

uint32_t ReadCabinetFile(void *source, uint32_t offset, void *buffer, uint32_t count)
{
    const TCabinetFile &file = *static_cast<const TCabinetFile *>(source);
    std::string bytes, error;
    if (!ReadFileRange(file.Path, file.Offset + offset, count, bytes, error))
        return 0;
    ScrambleAt(reinterpret_cast<unsigned char *>(&bytes[0]), static_cast<int32_t>(bytes.size()), offset, file.Password);
    memcpy(buffer, bytes.data(), bytes.size());
    return static_cast<uint32_t>(bytes.size());
}

// The extractor's check of a whole cabinet, and of its place in the set
// (set ID and index) after the one before it; reported under the cabinet.
bool CheckCabinetFile(const TCabinetFile &file, const std::string &name, const TCabHeader &header,
                      const TCabHeader *previous, std::string &report, std::string &error)
{
    TCabFacts facts;
    const char *reason = "";
    const bool sound = CheckCabinetBytes(ReadCabinetFile, const_cast<TCabinetFile *>(&file),
                                         static_cast<uint64_t>(FileSizeOf(file.Path) - file.Offset), facts,
                                         reason) == CabSound;
    report += std::string("  Check: ") + reason + "\n";
    if (!sound)
        error = "The cabinet " + name + " is damaged: " + reason;
    else if (previous && (header.SetId != previous->SetId || header.Index != previous->Index + 1))
        error = "The cabinet " + name + " is not the next of this set: set " + std::to_string(header.SetId) +
                ", index " + std::to_string(header.Index) + " after set " + std::to_string(previous->SetId) +
                ", index " + std::to_string(previous->Index);
    else
        return true;
    return false;
}

}  // namespace

bool InspectPackage(const std::string &path, const std::string &password, std::string &report, std::string &error)
{
    report.clear();
    const int64_t size = FileSizeOf(path);
    std::string head;
    if (size < 0 || !ReadFileRange(path, 0, MarkerScanLength, head, error)) {
        error = "The package is missing or unreadable: " + path;
        return false;
    }
    // The extractor's own reader, so that what is shown is what it reads.
    const int64_t marker = FindMarkerLine(head);
    if (marker < 0) {
        error = "No settings block (no line \"$KORVANTE$\") in the first " + std::to_string(MarkerScanLength)
                + " bytes: " + path;
        return false;
    }
    std::string bytes;
    if (!ReadFileRange(path, marker, SettingsCopyLength, bytes, error))
        return false;
    TSettingsBlock settings;
    ReadSettingsBlock(bytes, settings, marker);

    report += "Package: " + path + " (" + std::to_string(size) + " bytes)\n";
    report += "Marker line ends at offset: " + std::to_string(marker) + "\n";
    report += "LibraryOffset: " + std::to_string(settings.LibraryOffset) + "\n";
    report += "LibraryLength: " + std::to_string(settings.LibraryLength) + "\n";
    report += "BlockLength: " + std::to_string(settings.BlockLength) + "\n";
    report += "CabinetOffset: " + std::to_string(settings.CabinetOffset) + "\n";
    // The extractor's version resource: its own, or the one the package's
    // maker gave (--product-name and the rest).
    std::vector<std::pair<std::string, std::string>> version;
    if (ReadFileVersionStrings(path, version)) {
        report += "Version information:\n";
        for (const auto &field : version)
            report += "  " + field.first + ": " + Printable(field.second) + "\n";
    } else {
        report += "Version information: (none)\n";
    }
    const uint32_t codePage = DescribeCodePage(settings, report);
    auto text = [codePage](const std::string &t) { return Printable(t, codePage); };
    report += "Title: " + text(settings.Title) + "\n";
    report += "Caption: " + text(settings.Caption) + "\n";
    report += "StartQuestion: " + text(settings.StartQuestion) + "\n";
    if (!settings.Complete) {
        error = "The settings block has no end-of-licence line; it is cut short or damaged.";
        return false;
    }
    std::vector<std::string> licence;
    for (size_t start = 0; !settings.LicenceText.empty();) {
        size_t end = settings.LicenceText.find("\r\n", start);
        licence.push_back(settings.LicenceText.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    report += "LicenceText: " + (licence.empty() ? std::string("(none)") : std::to_string(licence.size()) + " line(s)") + "\n";
    for (const std::string &line : licence)
        report += "  | " + text(line) + "\n";
    report += "CompletionMessage: " + text(settings.CompletionMessage) + "\n";
    report += "Destination: " + text(settings.Destination) + "\n";
    report += "Command: " + text(settings.Command) + "\n";
    report += "Parameters: " + text(settings.Parameters) + "\n";
    report += "RequiredMegabytes: " + std::to_string(settings.RequiredBytes / 1048576) + " ("
              + std::to_string(settings.RequiredBytes) + " bytes)\n";
    const bool protectedPackage = settings.PasswordProtected;
    report += std::string("PasswordProtected: ") + (protectedPackage ? "TRUE" : "FALSE")
              + (protectedPackage ? " (scrambled, not encrypted: the password can be recovered from the package)" : "")
              + "\n";
    report += std::string("Silent: ") + (settings.Silent ? "TRUE" : "FALSE") + "\n";
    const std::vector<std::string> messages(settings.Messages + 1, settings.Messages + 1 + MessageCount);
    const bool english = messages == DefaultMessages();
    report += "Messages: " + std::to_string(messages.size()) + (english ? " (the default English texts)" : "") + "\n";
    if (!english)
        for (size_t i = 0; i < messages.size(); ++i)
            report += "  " + std::to_string(i + 1) + ": " + text(messages[i]) + "\n";

    const int64_t cabinetOffset = settings.CabinetOffset;
    if (cabinetOffset <= 0 || cabinetOffset >= size) {
        error = "The cabinet offset " + std::to_string(cabinetOffset) + " lies outside the package.";
        return false;
    }
    // The key is the password in the package's code page, as the
    // extractor makes it.
    std::string key, lost;
    if (protectedPackage && !TextInCodePage(password, codePage, key, lost)) {
        error = "The password holds a character that the package's code page cannot hold, so it is not this "
                "package's password: " + lost;
        return false;
    }
    TCabHeader header;
    if (!ReadCabinetAt(path, cabinetOffset, key, header, error)) {
        error = "The embedded cabinet cannot be read: " + error;
        return false;
    }
    DescribeCabinet("(embedded)", header, report);
    if (!CheckCabinetFile({path, cabinetOffset, key}, "(embedded)", header, nullptr, report, error))
        return false;
    // Continuation cabinets are looked for beside the package, as the
    // extractor does.
    for (int guard = 0; (header.Flags & CabFlagNext) && guard < 1000; ++guard) {
        const std::string next = FolderOf(path) + header.NextCabinet;
        if (FileSizeOf(next) < 0) {
            report += "Cabinet " + header.NextCabinet + ": missing beside the package\n";
            break;
        }
        const TCabHeader previous = header;
        if (!ReadCabinetAt(next, 0, key, header, error)) {
            error = "The continuation cabinet cannot be read: " + next + ": " + error;
            return false;
        }
        DescribeCabinet(NameOf(next), header, report);
        if (!CheckCabinetFile({next, 0, key}, NameOf(next), header, &previous, report, error))
            return false;
    }
    return true;
}
