// Names judged as the extracting Windows machine judges them: what it can
// create, what it folds together, the command among the files, exclusion
// patterns, and what the progress line shows when.
#include <windows.h>

#include <gtest/gtest.h>

#include "uPackNames.h"
#include "uPackProgress.h"
#include "uPackage.h"

namespace {

// Names in the cabinet are UTF-8, whatever this machine's code page.
std::string Utf8(const wchar_t *text)
{
    char buffer[64];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer) : std::string();
}

}  // namespace

TEST(WindowsNames, NamesWindowsCannotCreateAreRefusedWithTheReason)
{
    const struct {
        std::string Name;
        const char *Reason;
    } refused[] = {
        {"CON", "device name"},
        {"sub\\con.txt", "device name"},
        {"Aux .log", "device name"},
        {"COM1.dat", "device name"},
        {"lpt9", "device name"},
        {"NUL", "device name"},
        // Devices the extractor refuses as well: one rule for both.
        {"COM0", "device name"},
        {"LPT0.log", "device name"},
        {"CONIN$", "device name"},
        {"sub\\conout$.txt", "device name"},
        {"COM\xC2\xB9.txt", "device name"},
        {"LPT\xC2\xB2", "device name"},
        {"readme.", "ends in a dot"},
        {"docs \\a.txt", "ends in a blank"},
        {"a<b", "character <"},
        {"a>b", "character >"},
        {"c:x", "character :"},
        {"say\"hi\"", "character \""},
        {"a|b", "character |"},
        {"what?", "character ?"},
        {"all*", "character *"},
        {std::string("tab\there"), "control byte 9"},
        {std::string("x\x1F"), "control byte 31"},
        {"a\\\\b", "empty folder name"},
        {"\\a", "empty folder name"},
        {"..\\evil.exe", "leave the destination"},
        {std::string(256, 'n'), "255 bytes"},
        {"d\\" + std::string(254, 'n'), "255 bytes"},
    };
    for (const auto &c : refused) {
        const std::string why = WhyNameIsUnusable(c.Name);
        EXPECT_NE(std::string::npos, why.find(c.Reason)) << c.Name << ": " << why;
    }
    for (const std::string &name : std::vector<std::string>{"CONFIG.SYS", "COM10", "console.txt", "a.b", ".hidden",
                                                            "a b.txt", "sub\\LPT.txt", "x\\y\\z", std::string(255, 'n')})
        EXPECT_EQ("", WhyNameIsUnusable(name)) << name;
}

TEST(WindowsNames, DuplicatesAreFoundByTheSystemsCaseFolding)
{
    std::string error;
    EXPECT_TRUE(CheckCabinetNames({{"a", "Readme.txt"}, {"b", "sub\\Readme.txt"}}, error)) << error;
    EXPECT_FALSE(CheckCabinetNames({{"a", "Sub\\Readme.TXT"}, {"b", "x"}, {"c", "SUB\\readme.txt"}}, error));
    EXPECT_NE(std::string::npos, error.find("\"Sub\\Readme.TXT\" (a)")) << error;
    EXPECT_NE(std::string::npos, error.find("\"SUB\\readme.txt\" (c)")) << error;

    // Not ASCII: e acute in both cases, and Cyrillic, which no Western
    // code page holds.
    const std::string small = Utf8(L"\u00e9.txt"), capital = Utf8(L"\u00c9.txt");
    EXPECT_FALSE(CheckCabinetNames({{"a", Utf8(L"\u0436.txt")}, {"b", Utf8(L"\u0416.TXT")}}, error));
    EXPECT_FALSE(CheckCabinetNames({{"a", small}, {"b", capital}}, error));
    EXPECT_NE(std::string::npos, error.find("same name")) << error;
    EXPECT_TRUE(SameNameIgnoringCase("dir\\" + small, "DIR\\" + capital));
}

TEST(WindowsNames, ExcludePatternsMatchThePathOrTheLastPartInAnyCase)
{
    EXPECT_TRUE(MatchesExclude("*.log", "debug.LOG"));
    EXPECT_TRUE(MatchesExclude("*.log", "sub\\deeper\\x.log"));
    EXPECT_TRUE(MatchesExclude("thumbs.db", "pics\\Thumbs.db"));
    EXPECT_TRUE(MatchesExclude("build/*", "BUILD\\obj\\a.o"));
    EXPECT_TRUE(MatchesExclude("a?c", "abc"));
    EXPECT_TRUE(MatchesExclude("*", "anything\\at\\all"));
    EXPECT_TRUE(MatchesExclude("*a*b*c", "xxaxxbxxbxc"));
    EXPECT_FALSE(MatchesExclude("build\\*", "src\\build\\a.o"));
    EXPECT_FALSE(MatchesExclude("a?c", "ac"));
    EXPECT_FALSE(MatchesExclude("*.log", "log.txt"));
    EXPECT_FALSE(MatchesExclude("sub\\x.txt", "other\\sub\\x.txt"));
}

TEST(WindowsNames, CommandMustBeInThePackageAndPlaceholdersMustBeExact)
{
    TPackOptions o;
    o.Files = {{"s", "Setup.exe"}, {"t", "tools\\run.bat"}};
    std::vector<std::string> warnings;
    std::string error;
    for (const std::string &command : std::vector<std::string>{"setup.EXE", ".\\Setup.exe", "tools/run.bat", "$EXPLORE$",
                                      "C:\\Windows\\notepad.exe", "\\\\server\\share\\x.exe", ""}) {
        o.Command = command;
        EXPECT_TRUE(CheckCommandAndDestination(o, warnings, error)) << command << ": " << error;
    }
    o.Command = "install.exe";
    EXPECT_FALSE(CheckCommandAndDestination(o, warnings, error));
    EXPECT_NE(std::string::npos, error.find("\"install.exe\" names no file")) << error;
    EXPECT_NE(std::string::npos, error.find("--allow-missing-command")) << error;
    o.AllowMissingCommand = true;
    EXPECT_TRUE(CheckCommandAndDestination(o, warnings, error)) << error;
    EXPECT_TRUE(warnings.empty());

    for (const std::string &destination : std::vector<std::string>{"$install$", "$Temp$", "$exe$"}) {
        o.Destination = destination;
        EXPECT_FALSE(CheckCommandAndDestination(o, warnings, error)) << destination;
        EXPECT_NE(std::string::npos, error.find("did you mean $")) << error;
    }
    for (const std::string &destination : std::vector<std::string>{"$INSTALL$", "C:\\Program Files\\Widget", "\\\\server\\share", ""}) {
        o.Destination = destination;
        EXPECT_TRUE(CheckCommandAndDestination(o, warnings, error)) << destination << ": " << error;
    }
    EXPECT_TRUE(warnings.empty());
    o.Destination = "Widget\\bin";
    EXPECT_TRUE(CheckCommandAndDestination(o, warnings, error)) << error;
    ASSERT_EQ(1u, warnings.size());
    EXPECT_NE(std::string::npos, warnings[0].find("relative")) << warnings[0];
}

TEST(ProgressLine, ShownOnlyAfterASecondThenThrottledAndEndedOnAConsole)
{
    TPackProgress p;
    p.FilesDone = 1200;
    p.FilesTotal = 70000;
    p.BytesDone = 1572864;
    p.BytesTotal = 10485760;
    EXPECT_EQ("Packing: 1,200 of 70,000 files, 1.5 of 10.0 MB (15%)", ProgressLineText(p));

    TProgressLine plain;
    plain.Start = 0xFFFFFF00u;  // the tick count wraps during the build
    EXPECT_EQ("", ProgressUpdate(plain, p, 0xFFFFFF00u + 999, false));
    EXPECT_EQ("", ProgressUpdate(plain, p, 0, true)) << "a short build shows nothing";
    EXPECT_EQ(ProgressLineText(p) + "\n", ProgressUpdate(plain, p, 0xFFFFFF00u + 1000, false));
    EXPECT_EQ("", ProgressUpdate(plain, p, 0xFFFFFF00u + 1000 + PlainIntervalMs - 1, false));
    EXPECT_EQ(ProgressLineText(p) + "\n", ProgressUpdate(plain, p, 0xFFFFFF00u + 1000 + PlainIntervalMs, false));

    TProgressLine console;
    console.Console = true;
    p.BytesDone = 10485760;
    const std::string longer = ProgressUpdate(console, p, 5000, false);
    EXPECT_EQ("\r" + ProgressLineText(p), longer);
    EXPECT_EQ("", ProgressUpdate(console, p, 5000 + ConsoleIntervalMs - 1, false));
    p.BytesDone = 0;
    const std::string shorter = ProgressUpdate(console, p, 5000 + ConsoleIntervalMs, false);
    EXPECT_EQ(longer.size(), shorter.size()) << "the rest of the longer line is blanked";
    const std::string last = ProgressUpdate(console, p, 5000 + ConsoleIntervalMs + 1, true);
    EXPECT_EQ('\n', last.back()) << "the final update ends the line at once";
}
