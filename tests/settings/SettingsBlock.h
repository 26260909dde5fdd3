// Builds settings lines for the tests of the settings block reader.
#pragma once
#include <string>
#include <vector>

// The settings lines of a well-formed block, one entry per line, without
// line ends. Tests change single lines by index before joining them.
struct TSettingsLines {
    std::vector<std::string> Lines;
    size_t LicenceFirst = 5;  // index of the first licence line
    size_t LicenceCount = 1;

    // Index of the line k+n, counted from the end-of-licence line k.
    size_t AfterLicence(size_t n) const { return LicenceFirst + LicenceCount + n; }
};

inline const std::string &EndOfLicence()
{
    static const std::string line("\0$LUMBO$\0", 9);
    return line;
}

inline TSettingsLines MakeSettingsLines(const std::vector<std::string> &licence = {""})
{
    TSettingsLines s;
    s.Lines = {"60000", "40000", "2500", "Demo", ""};
    s.Lines.insert(s.Lines.end(), licence.begin(), licence.end());
    s.LicenceCount = licence.size();
    s.Lines.push_back(EndOfLicence());
    s.Lines.insert(s.Lines.end(), {"Done.", "$INSTALL$", "setup.exe", "", "0", "FALSE", "FALSE"});
    for (int n = 1; n <= 56; ++n)
        s.Lines.push_back("M" + std::to_string(n));
    return s;
}

// Each line ended by CR LF, as the package builder writes them.
inline std::string JoinLines(const std::vector<std::string> &lines)
{
    std::string bytes;
    for (const std::string &line : lines)
        bytes += line + "\r\n";
    return bytes;
}
