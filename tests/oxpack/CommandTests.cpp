// oxpack.exe as a child process: exit codes, messages, and --inspect.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "PackTestTools.h"
#include "oxPackFixture.h"
#include "oxTest.h"
#include "services/uVersion.h"

namespace {

struct CommandTest : ::testing::Test {
    std::string Folder;
    std::string Out, Err;

    void SetUp() override
    {
        Folder = NewTestFolder("oxcmd");
        ASSERT_FALSE(Folder.empty());
        ASSERT_TRUE(WriteWholeFile(Folder + "oxtarn.exe", FakeExtractorBytes(4000)));
        CreateDirectoryA((Folder + "in").c_str(), nullptr);
        CreateDirectoryA((Folder + "in\\sub").c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\setup.exe", "payload"));
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\sub\\x.txt", "x"));
    }
    void TearDown() override { RemoveTestFolder(Folder); }

    int Oxpack(const std::vector<std::string> &arguments)
    {
        std::string line = Quote(BinFolder() + "oxpack.exe");
        for (const std::string &argument : arguments)
            line += " " + Quote(argument);
        int code = RunChild(line, Out, Err);
        // Standard output is in text mode: lines end in CR LF.
        Out.erase(std::remove(Out.begin(), Out.end(), '\r'), Out.end());
        return code;
    }
    // The usual build arguments plus more.
    std::vector<std::string> Build(const std::string &output, std::vector<std::string> more)
    {
        std::vector<std::string> arguments = {"--output", Folder + output};
        if (std::find(more.begin(), more.end(), "--extractor") == more.end())
            arguments.insert(arguments.end(), {"--extractor", Folder + "oxtarn.exe"});
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }
    bool Says(const std::string &text) const { return Err.find(text) != std::string::npos; }
};

}  // namespace

TEST_F(CommandTest, HelpAndUsageErrors)
{
    EXPECT_EQ(0, Oxpack({"--help"}));
    EXPECT_NE(std::string::npos, Out.find("Usage: oxpack"));
    EXPECT_NE(std::string::npos, Out.find("--max-cabinet-size"));
    EXPECT_EQ(2, Oxpack({}));
    EXPECT_EQ(2, Oxpack({"--bogus"}));
    EXPECT_TRUE(Says("--bogus")) << Err;
    EXPECT_EQ(2, Oxpack({"--folder", Folder + "in", "--title"}));
    EXPECT_TRUE(Says("--title")) << Err;
    EXPECT_EQ(2, Oxpack(Build("p.exe", {"--folder", Folder + "in", "--compression", "zip"})));
    EXPECT_EQ(2, Oxpack(Build("p.exe", {})));
    EXPECT_TRUE(Says("No files")) << Err;
    EXPECT_FALSE(FileExists(Folder + "p.exe"));
}

TEST_F(CommandTest, RefusalsNameTheFileOrFieldAndKeepTheOldPackage)
{
    std::string fiftyFive;
    for (int i = 0; i < 55; ++i)
        fiftyFive += "message\r\n";
    ASSERT_TRUE(WriteWholeFile(Folder + "short.txt", fiftyFive));
    ASSERT_TRUE(WriteWholeFile(Folder + "licence.txt", "first\r\nsecond\x1A\r\n"));
    ASSERT_TRUE(WriteWholeFile(Folder + "old.exe", "old package"));
    const struct {
        std::vector<std::string> Arguments;
        std::string Expected;
    } cases[] = {
        {{"--messages", Folder + "short.txt"}, Folder + "short.txt"},
        {{"--messages", Folder + "none.txt"}, Folder + "none.txt"},
        {{"--licence", Folder + "licence.txt"}, "Licence line 2"},
        {{"--licence", Folder + "licence.txt"}, Folder + "licence.txt"},
        {{"--extractor", Folder + "missing.exe"}, Folder + "missing.exe"},
        {{"--protect", "--password", ""}, "password"},
        {{"--protect"}, "password"},
        {{"--list", Folder + "nolist.txt"}, Folder + "nolist.txt"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> arguments = Build("old.exe", c.Arguments);
        arguments.insert(arguments.end(), {"--folder", Folder + "in"});
        EXPECT_EQ(1, Oxpack(arguments)) << c.Expected;
        EXPECT_TRUE(Says(c.Expected)) << "expected " << c.Expected << " in: " << Err;
        EXPECT_TRUE(ReadWholeFile(Folder + "old.exe") == "old package") << c.Expected;
    }
    EXPECT_EQ(1, Oxpack(Build("new.exe", {"--folder", Folder + "in", "--title", "a\nb"})));
    EXPECT_TRUE(Says("title")) << Err;
    EXPECT_FALSE(FileExists(Folder + "new.exe"));
}

TEST_F(CommandTest, InspectShowsEverySettingAndTheCabinetFiles)
{
    std::string messages;
    for (int i = 1; i <= 56; ++i)
        messages += "Text " + std::to_string(i) + "\n";
    ASSERT_TRUE(WriteWholeFile(Folder + "messages.txt", messages));
    ASSERT_TRUE(WriteWholeFile(Folder + "licence.txt", "Terms apply.\r\nSecond line.\r\n"));
    ASSERT_TRUE(WriteWholeFile(Folder + "files.lst", "in\\setup.exe\r\nin\\sub\\x.txt|docs\\x.txt\r\n\r\n"));
    ASSERT_EQ(0, Oxpack(Build("p.exe", {"--list", Folder + "files.lst", "--title", "My Tool", "--question", "Go on?",
                                        "--caption", "Café Tool",
                                        "--licence", Folder + "licence.txt", "--completion", "All done",
                                        "--destination", "$INSTALL$", "--command", "setup.exe", "--parameters",
                                        "/s", "--required-mb", "3", "--silent", "--messages",
                                        Folder + "messages.txt", "--compression", "none"})))
        << Err;
    const std::string package = ReadWholeFile(Folder + "p.exe");
    const size_t cabinet = package.find("MSCF");
    ASSERT_EQ(0, Oxpack({"--inspect", Folder + "p.exe"})) << Err;
    for (const std::string &expected :
         {std::string("Title: My Tool\n"), std::string("StartQuestion: Go on?\n"), std::string("  | Terms apply.\n"),
          std::string("  | Second line.\n"), std::string("CompletionMessage: All done\n"),
          std::string("Destination: $INSTALL$\n"), std::string("Command: setup.exe\n"),
          std::string("Parameters: /s\n"), std::string("RequiredMegabytes: 3 (3145728 bytes)\n"),
          std::string("PasswordProtected: FALSE\n"), std::string("Silent: TRUE\n"), std::string("LibraryOffset: 4000\n"),
          "CabinetOffset: " + std::to_string(cabinet) + "\n", std::string("  56: Text 56\n"),
          std::string("2 file(s)"), std::string("Compression: none"), std::string("  setup.exe\n"),
          std::string("  docs\\x.txt\n"), std::string("CodePage: 65001\n"), std::string("Caption: Café Tool\n")})
        EXPECT_NE(std::string::npos, Out.find(expected)) << "expected " << expected << " in:\n" << Out;
    // Another code page: the texts are stored in it and shown converted back.
    ASSERT_EQ(0, Oxpack(Build("c.exe", {"--folder", Folder + "in", "--codepage", "1251", "--title", "Жук"}))) << Err;
    EXPECT_NE(std::string::npos, ReadWholeFile(Folder + "c.exe").find("\r\n\xC6\xF3\xEA\r\n"));
    ASSERT_EQ(0, Oxpack({"--inspect", Folder + "c.exe"})) << Err;
    EXPECT_NE(std::string::npos, Out.find("CodePage: 1251\nTitle: Жук\nCaption: Kelvardo Tovrex - Жук\n")) << Out;
    EXPECT_EQ(1, Oxpack({"--inspect", Folder + "oxtarn.exe"}));
    EXPECT_TRUE(Says("$KORVANTE$")) << Err;
}

TEST_F(CommandTest, ProtectedSplitPackageInspectsOnlyWithThePassword)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\noise" + std::to_string(i), NoiseBytes(25000, i)));
    ASSERT_EQ(0, Oxpack(Build("big.exe", {"--folder", Folder + "in", "--protect", "--password", "pw",
                                          "--max-cabinet-size", "20000", "--compression", "none"})))
        << Err;
    EXPECT_NE(std::string::npos, Out.find("continuation cabinet " + Folder + "big2.cab")) << Out;
    EXPECT_EQ(Err.find("not encryption"), Err.rfind("not encryption")) << "said once: " << Err;
    EXPECT_TRUE(Says("not encryption")) << Err;
    EXPECT_TRUE(FileExists(Folder + "big2.cab"));
    EXPECT_TRUE(FileExists(Folder + "big3.cab"));
    EXPECT_EQ(1, Oxpack({"--inspect", Folder + "big.exe"}));
    EXPECT_TRUE(Says("--password")) << Err;
    EXPECT_NE(std::string::npos, Out.find("PasswordProtected: TRUE"));
    ASSERT_EQ(0, Oxpack({"--inspect", Folder + "big.exe", "--password", "pw"})) << Err;
    EXPECT_NE(std::string::npos, Out.find("Next cabinet: big2.cab")) << Out;
    EXPECT_NE(std::string::npos, Out.find("Cabinet big2.cab:")) << Out;
    EXPECT_NE(std::string::npos, Out.find("  noise2")) << Out;
    EXPECT_NE(std::string::npos, Out.find("  sub\\x.txt")) << Out;
}

TEST_F(CommandTest, UsageErrorsExitTwoAndNameTheRealCause)
{
    EXPECT_EQ(0, Oxpack({"--version"}));
    EXPECT_EQ("oxpack " OXTARN_VERSION_TEXT "\n", Out);
    EXPECT_EQ(2, Oxpack({}));
    EXPECT_TRUE(Says("Usage: oxpack")) << "no arguments print the usage on standard error";
    const struct {
        std::vector<std::string> More;
        std::string Expected;
    } cases[] = {
        {{"--bogus"}, "Unknown option: --bogus"},
        {{"--title", "T", "--versions"}, "Unknown option: --versions"},
        {{"-x"}, "Unknown option: -x"},
        {{"--title"}, "The option --title needs a value."},
        {{"--required-mb", "-3"}, "--required-mb needs a whole number"},
        {{"--required-mb", "lots"}, "--required-mb needs a whole number"},
        {{"--max-cabinet-size", "1000"}, "--max-cabinet-size needs a whole number of bytes from 16384"},
        {{"--set-id", "65536"}, "--set-id needs a whole number from 0 to 65535"},
        {{"--compression", "zip"}, "none, mszip or lzx"},
        {{"--silent=yes"}, "switch was given a value: yes"},
        {{"--no-library", "--library", "x.dll"}, "--no-library and --library"},
        {{"--password", "pw"}, "--password without --protect"},
        {{"--title", "--quiet"}, "is written --title=--quiet"},
        {{"-o", "--title=T"}, "is written --output=--title=T"},
        {{"--output", "q.exe"}, "--output was given twice"},
        {{"--licence", "a.txt", "--license", "b.txt"}, "--licence was given twice"},
        {{"--codepage", "12345"}, "--codepage 12345 cannot be used: this system has no code page 12345"},
        {{"--codepage", "37"}, "code page 37 does not write ASCII as ASCII"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> arguments = Build("p.exe", {"--folder", Folder + "in"});
        arguments.insert(arguments.end(), c.More.begin(), c.More.end());
        EXPECT_EQ(2, Oxpack(arguments)) << c.Expected;
        EXPECT_TRUE(Says(c.Expected)) << "expected " << c.Expected << " in: " << Err;
        EXPECT_FALSE(Says("needs a value") && c.Expected.find("needs a value") == std::string::npos) << Err;
        EXPECT_FALSE(FileExists(Folder + "p.exe")) << c.Expected;
    }
    // A value may begin with a dash, and with two when written so.
    EXPECT_EQ(0, Oxpack(Build("p.exe", {"--folder", Folder + "in", "--parameters", "-s", "--title=--T", "--quiet"})))
        << Err;
    EXPECT_EQ("", Err) << "--quiet: no progress, nothing else to say";
}

TEST_F(CommandTest, RefusedInputsExitOneNamingTheCause)
{
    ASSERT_TRUE(WriteWholeFile(Folder + "cyrillic.txt", "Terms\r\n\xD0\x96\r\n"));
    const struct {
        std::vector<std::string> More;
        std::string Expected;
    } cases[] = {
        {{"CON"}, "\"CON\" is a device name"},
        {{"--messages", "NUL"}, "device NUL"},
        {{"--messages", Folder + "in"}, "is a folder"},
        {{"--command", "install.exe"}, "names no file of the package"},
        {{"--destination", "$install$"}, "did you mean $INSTALL$?"},
        {{"--folder", Folder + "nothere"}, "is missing"},
        {{Folder + "q?.txt"}, "holds the character ?"},
        {{Folder + "trail."}, "ends in a dot"},
        {{Folder + "tab\t.txt"}, "control byte 9"},
        {{"--codepage", "1252", "--title", "Жук"}, "--title holds a character that code page 1252 cannot hold: U+0416 \"Ж\""},
        {{"--codepage", "1252", "--licence", Folder + "cyrillic.txt"}, "in line 2 a character that code page 1252 cannot hold"},
        {{"--codepage", "1252", "--licence", Folder + "cyrillic.txt"}, Folder + "cyrillic.txt"},
        {{"--caption", "a\nb"}, "The caption holds a line break"},
        {{"--caption", std::string(16345, 'c')}, "would take 16,385 bytes; the extractor reads at most 16,384"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> arguments = Build("p.exe", {"--folder", Folder + "in"});
        arguments.insert(arguments.end(), c.More.begin(), c.More.end());
        EXPECT_EQ(1, Oxpack(arguments)) << c.Expected;
        EXPECT_TRUE(Says(c.Expected)) << "expected " << c.Expected << " in: " << Err;
        EXPECT_FALSE(FileExists(Folder + "p.exe")) << c.Expected;
    }
    EXPECT_EQ(0, Oxpack(Build("p.exe", {"--folder", Folder + "in", "--command", "cmd.exe", "--allow-missing-command",
                                        "--destination", "unpacked"})))
        << Err;
    EXPECT_TRUE(Says("warning")) << Err;
    EXPECT_TRUE(Says("\"unpacked\" is a relative path")) << Err;
    EXPECT_EQ(0, Oxpack(Build("Setup", {"--folder", Folder + "in", "--exclude", "*.none", "--quiet"}))) << Err;
    EXPECT_TRUE(Says("warning: the package's name does not end in .exe")) << Err;
    EXPECT_TRUE(Says("warning: --exclude *.none matches no file")) << Err;
    EXPECT_EQ(0, Oxpack(Build("p.exe", {"--folder", Folder + "in", "--caption", std::string(16344, 'c')}))) << Err;
}

TEST_F(CommandTest, TextFilesAreUtf8OrUtf16AndAnyOtherIsReadInTheAnsiCodePageWithAWarning)
{
    auto utf16 = [](bool big) {
        std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
        for (wchar_t c : std::wstring(L"Naïve café"))
            bytes += big ? std::string{char(c >> 8), char(c)} : std::string{char(c), char(c >> 8)};
        return bytes;
    };
    const struct {
        std::string Bytes;
        bool Ansi;
    } cases[] = {{"Na\xC3\xAFve caf\xC3\xA9\r\n", false}, {"\xEF\xBB\xBFNa\xC3\xAFve caf\xC3\xA9", false},
                 {utf16(false), false}, {utf16(true), false}, {"Na\xEFve caf\xE9\r\n", true}};
    for (const auto &c : cases) {
        ASSERT_TRUE(WriteWholeFile(Folder + "licence.txt", c.Bytes));
        ASSERT_EQ(0, Oxpack(Build("p.exe", {"--folder", Folder + "in", "--licence", Folder + "licence.txt"}))) << Err;
        EXPECT_EQ(c.Ansi, Says("licence file is neither UTF-8 nor UTF-16 with a byte-order mark; it was read in this "
                               "machine's ANSI code page (" + std::to_string(GetACP()) + "): " + Folder + "licence.txt"))
            << Err;
        ASSERT_EQ(0, Oxpack({"--inspect", Folder + "p.exe"})) << Err;
        if (!c.Ansi || GetACP() == 1252) {
            EXPECT_NE(std::string::npos, Out.find("  | Naïve café\n")) << Out;
        }
    }
}

TEST_F(CommandTest, EmptyFoldersAreListedAndExcludedNamesLeftOut)
{
    CreateDirectoryA((Folder + "in\\empty").c_str(), nullptr);
    CreateDirectoryA((Folder + "in\\logs").c_str(), nullptr);
    CreateDirectoryA((Folder + "in\\logs\\none").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(Folder + "in\\logs\\a.LOG", "log"));
    ASSERT_TRUE(WriteWholeFile(Folder + "in\\sub\\keep.txt", "keep"));
    ASSERT_EQ(0, Oxpack(Build("p.exe", {"--folder", Folder + "in", "--exclude", "*.log", "--exclude", "SUB/x.*"})))
        << Err;
    EXPECT_TRUE(Says("empty folders are not packed (a cabinet holds files only): empty, logs\\none")) << Err;
    EXPECT_NE(std::string::npos, Out.find(" 2 files")) << Out;
    ASSERT_EQ(0, Oxpack({"--inspect", Folder + "p.exe"})) << Err;
    EXPECT_NE(std::string::npos, Out.find("  setup.exe\n")) << Out;
    EXPECT_NE(std::string::npos, Out.find("  sub\\keep.txt\n")) << Out;
    EXPECT_EQ(std::string::npos, Out.find("a.LOG")) << Out;
    EXPECT_EQ(std::string::npos, Out.find("x.txt")) << Out;
    EXPECT_EQ("", CabextractProblems(Folder + "p.exe", 2));
}

TEST_F(CommandTest, SourcePathLongerThanMaxPathIsRefusedByName)
{
    // Made with the wide calls, which take long paths.
    std::wstring wide(Folder.begin(), Folder.end());
    wide = L"\\\\?\\" + wide + L"in\\" + std::wstring(150, L'd');
    ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));
    const std::wstring file = wide + L"\\" + std::wstring(120, L'f') + L".txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    EXPECT_EQ(1, Oxpack(Build("p.exe", {"--folder", Folder + "in"})));
    EXPECT_TRUE(Says("longer than the 259 characters")) << Err;
    EXPECT_TRUE(Says(std::string(150, 'd'))) << Err;
    EXPECT_FALSE(FileExists(Folder + "p.exe"));
    DeleteFileW(file.c_str());
    RemoveDirectoryW(wide.c_str());
}

TEST_F(CommandTest, MessagesTemplateHoldsTheDefaultLinesOnly)
{
    ASSERT_EQ(0, Oxpack({"--messages-template", Folder + "messages.txt"})) << Err;
    const std::string text = ReadWholeFile(Folder + "messages.txt");
    std::string expected;
    for (const std::string &line : DefaultMessages())
        expected += line + "\r\n";
    EXPECT_EQ(expected, text);
    ASSERT_EQ(0, Oxpack(Build("p.exe", {"--folder", Folder + "in", "--messages", Folder + "messages.txt"}))) << Err;
    EXPECT_EQ(2, Oxpack({"--messages-template", Folder + "m2.txt", "--output", Folder + "x.exe"}));
}

TEST_F(CommandTest, SameInputsGiveTheSameBytesAndSetIdIsKept)
{
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\noise" + std::to_string(i), NoiseBytes(25000, i)));
    const std::vector<std::string> split = {"--folder", Folder + "in", "--max-cabinet-size", "20000", "--quiet"};
    ASSERT_EQ(0, Oxpack(Build("p.exe", split))) << Err;
    const std::string first = ReadWholeFile(Folder + "p.exe"), firstNext = ReadWholeFile(Folder + "p2.cab");
    Sleep(1100);  // a clock in the output would show
    ASSERT_EQ(0, Oxpack(Build("p.exe", split))) << Err;
    EXPECT_TRUE(first == ReadWholeFile(Folder + "p.exe"));
    EXPECT_TRUE(firstNext == ReadWholeFile(Folder + "p2.cab"));

    std::vector<std::string> withId = split;
    withId.insert(withId.end(), {"--set-id", "4660"});
    ASSERT_EQ(0, Oxpack(Build("p.exe", withId))) << Err;
    for (const std::string &cabinet : {ReadWholeFile(Folder + "p.exe"), ReadWholeFile(Folder + "p2.cab")}) {
        const size_t at = cabinet.find("MSCF");
        ASSERT_NE(std::string::npos, at);
        EXPECT_EQ(0x34, static_cast<unsigned char>(cabinet[at + 32]));  // setID 4660 = 0x1234
        EXPECT_EQ(0x12, static_cast<unsigned char>(cabinet[at + 33]));
    }
}

// Copies of a folder with other file times, all later than the date
// given (by --date or SOURCE_DATE_EPOCH), give the same bytes.
TEST_F(CommandTest, DateClampsLaterFileTimesForTheSameBytes)
{
    CreateDirectoryA((Folder + "copy").c_str(), nullptr);
    CreateDirectoryA((Folder + "copy\\sub").c_str(), nullptr);
    for (const char *name : {"setup.exe", "sub\\x.txt"}) {
        ASSERT_TRUE(CopyFileA((Folder + "in\\" + name).c_str(), (Folder + "copy\\" + name).c_str(), FALSE));
        const FILETIME later = {0, 0x01DA0000};  // 2023, after the date below and after the original's time
        HANDLE h = CreateFileA((Folder + "copy\\" + name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &later));
        CloseHandle(h);
    }
    const std::string date = "1577836800";  // 2020-01-01
    ASSERT_EQ(0, Oxpack(Build("a.exe", {"--folder", Folder + "in", "--date", date, "--quiet"}))) << Err;
    SetEnvironmentVariableA("SOURCE_DATE_EPOCH", date.c_str());
    ASSERT_EQ(0, Oxpack(Build("b.exe", {"--folder", Folder + "copy", "--quiet"}))) << Err;
    SetEnvironmentVariableA("SOURCE_DATE_EPOCH", nullptr);
    ASSERT_EQ(0, Oxpack(Build("c.exe", {"--folder", Folder + "copy", "--quiet"}))) << Err;
    const std::string a = ReadWholeFile(Folder + "a.exe");
    EXPECT_TRUE(a == ReadWholeFile(Folder + "b.exe"));
    EXPECT_FALSE(a == ReadWholeFile(Folder + "c.exe")) << "the file times were not apart";
    ASSERT_EQ(0, Oxpack({"--inspect", Folder + "a.exe"})) << Err;
    EXPECT_NE(std::string::npos, Out.find("2020-01-01 00:00:00")) << Out;
    EXPECT_EQ(2, Oxpack(Build("d.exe", {"--folder", Folder + "in", "--date", "2020-01-01"})));
}

TEST_F(CommandTest, NoLibraryWritesAZeroLengthLibraryPiece)
{
    for (const char *option : {"--no-library", "--quiet"}) {
        ASSERT_EQ(0, Oxpack({"--extractor", Folder + "oxtarn.exe", option, "--output", Folder + "p.exe", "--folder",
                             Folder + "in"}))
            << Err;
        ASSERT_EQ(0, Oxpack({"--inspect", Folder + "p.exe"})) << Err;
        EXPECT_NE(std::string::npos, Out.find("LibraryOffset: 4000\n")) << Out;
        EXPECT_NE(std::string::npos, Out.find("LibraryLength: 0\n")) << Out;
        EXPECT_EQ(std::string::npos, ReadWholeFile(Folder + "p.exe").find("SZDD"));
    }
}

// A carried library must load where the system's does not: a DLL for the
// extractor's machine with the four entry points, not Wine's builtin one
// (this prefix's own); imports Windows lacks are warned about.
TEST_F(CommandTest, CarriedLibraryIsCheckedAgainstTheExtractor)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string builtin = ReadWholeFile(std::string(system) + "\\cabinet.dll");
    std::string native = builtin, otherMachine;
    const size_t marker = native.find("Wine builtin DLL");
    ASSERT_NE(std::string::npos, marker);
    native.replace(marker, 16, std::string("Test native DLL", 16));
    otherMachine = native;
    const size_t header = static_cast<unsigned char>(native[0x3C]) | static_cast<unsigned char>(native[0x3D]) << 8;
    otherMachine[header + 4] = '\x4C';  // i386 on a 64-bit extractor, or the other way round
    otherMachine[header + 5] = static_cast<char>(native[header + 5] == 1 ? 0x86 : 0x01);
    const struct {
        std::string Bytes, Expected;
        int Code;
    } cases[] = {
        {"not a library", "not a Windows DLL", 1},
        {ReadWholeFile(BinFolder() + "..\\dlls\\nofdi.dll"), "does not export FDICreate", 1},
        {builtin, "Wine's builtin DLL", 1},
        {otherMachine, "but the extractor it is packed with is", 1},
        {native, "imports zlib1.dll, which Windows does not ship", 0},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(WriteWholeFile(Folder + "lib.dll", c.Bytes));
        EXPECT_EQ(c.Code, Oxpack(Build("p.exe", {"--extractor", BinFolder() + "oxtarn.exe", "--library",
                                                 Folder + "lib.dll", "--folder", Folder + "in", "--quiet"})))
            << c.Expected;
        EXPECT_TRUE(Says(c.Expected)) << "expected " << c.Expected << " in: " << Err;
        EXPECT_EQ(c.Code == 0, FileExists(Folder + "p.exe")) << c.Expected;
    }
}

// Building into the folder being packed, again and with fewer cabinets:
// neither the package nor its cabinets go into the new set, and the
// cabinets the new set does not use go.
TEST_F(CommandTest, RebuildInsideTheInputFolderPacksNeitherItselfNorOldCabinets)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\noise" + std::to_string(i), NoiseBytes(25000, i)));
    const std::string output = Folder + "in\\Pack.exe";
    ASSERT_EQ(0, Oxpack(Build("in\\Pack.exe", {"--folder", Folder + "in", "--max-cabinet-size", "20000",
                                                "--compression", "none"})))
        << Err;
    ASSERT_TRUE(FileExists(Folder + "in\\Pack4.cab"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(DeleteFileA((Folder + "in\\noise" + std::to_string(i)).c_str()));
    ASSERT_EQ(0, Oxpack(Build("in\\Pack.exe", {"--folder", Folder + "in"}))) << Err;
    EXPECT_TRUE(Says("left out " + Folder + "in\\Pack.exe: it is the package being written")) << Err;
    EXPECT_TRUE(Says("left out " + Folder + "in\\Pack2.cab: it is a continuation cabinet")) << Err;
    EXPECT_TRUE(Says("removed " + Folder + "in\\Pack2.cab, a continuation cabinet of an earlier build")) << Err;
    EXPECT_FALSE(FileExists(Folder + "in\\Pack2.cab"));
    EXPECT_FALSE(FileExists(Folder + "in\\Pack4.cab"));
    ASSERT_EQ(0, Oxpack({"--inspect", output})) << Err;
    EXPECT_NE(std::string::npos, Out.find("2 file(s)")) << Out;
    EXPECT_EQ("", CabextractProblems(output, 2));
}

// Only cabinets of the package replaced are removed; files under their
// names that are not (notes, a foreign cabinet, a cabinet of another
// package with the same set ID) stay, and a new set that needs one of
// their names is refused. The old set is protected: its cabinets are
// read with the password of the new build.
TEST_F(CommandTest, OnlyCabinetsOfTheReplacedPackageAreRemoved)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\noise" + std::to_string(i), NoiseBytes(25000, i)));
    const std::vector<std::string> split = {"--folder", Folder + "in", "--max-cabinet-size", "20000", "--compression",
                                            "none", "--set-id", "7", "--protect", "--password", "pw", "--quiet"};
    ASSERT_EQ(0, Oxpack(Build("other.exe", split))) << Err;
    ASSERT_EQ(0, Oxpack(Build("p.exe", split))) << Err;
    ASSERT_TRUE(FileExists(Folder + "p4.cab"));
    std::string foreign = ReadWholeFile(Folder + "p2.cab");
    foreign[32] = static_cast<char>(foreign[32] ^ 1);  // another set ID
    const struct {
        std::string Name, Bytes;
        bool Kept;
    } cases[] = {
        {"p3.cab", ReadWholeFile(Folder + "p3.cab"), false},
        {"p5.cab", "notes, not a cabinet", true},
        {"p6.cab", foreign, true},
        {"p7.cab", ReadWholeFile(Folder + "other2.cab"), true},  // same set ID, index 1
    };
    for (const auto &c : cases)
        ASSERT_TRUE(WriteWholeFile(Folder + c.Name, c.Bytes));
    ASSERT_EQ(0, Oxpack(Build("p.exe", {"--folder", Folder + "in", "--protect", "--password", "pw", "--quiet"}))) << Err;
    EXPECT_FALSE(FileExists(Folder + "p2.cab"));
    for (const auto &c : cases) {
        EXPECT_EQ(c.Kept, ReadWholeFile(Folder + c.Name) == c.Bytes) << c.Name;
        EXPECT_EQ(c.Kept, Says("left " + Folder + c.Name + " alone")) << c.Name << ": " << Err;
    }
    ASSERT_TRUE(WriteWholeFile(Folder + "p2.cab", "notes"));
    const std::string single = ReadWholeFile(Folder + "p.exe");
    EXPECT_EQ(1, Oxpack(Build("p.exe", split)));
    EXPECT_TRUE(Says(Folder + "p2.cab, which is not a cabinet")) << Err;
    EXPECT_TRUE(ReadWholeFile(Folder + "p2.cab") == "notes");
    EXPECT_TRUE(ReadWholeFile(Folder + "p.exe") == single);
}

// The old package held open (as by a running copy): the new set is not
// put in place, and the old set stays whole, cabinets included.
TEST_F(CommandTest, FailedReplacementLeavesTheOldSetWhole)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WriteWholeFile(Folder + "in\\noise" + std::to_string(i), NoiseBytes(25000, i)));
    const std::vector<std::string> split = {"--folder", Folder + "in", "--max-cabinet-size", "20000", "--compression", "none"};
    ASSERT_EQ(0, Oxpack(Build("p.exe", split))) << Err;
    const std::string oldPackage = ReadWholeFile(Folder + "p.exe"), oldNext = ReadWholeFile(Folder + "p2.cab");
    ASSERT_TRUE(WriteWholeFile(Folder + "in\\noise0", NoiseBytes(25000, 77)));
    HANDLE held = CreateFileA((Folder + "p.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(1, Oxpack(Build("p.exe", split)));
    CloseHandle(held);
    EXPECT_TRUE(Says("in use")) << Err;
    EXPECT_TRUE(oldPackage == ReadWholeFile(Folder + "p.exe"));
    EXPECT_TRUE(oldNext == ReadWholeFile(Folder + "p2.cab")) << "a cabinet of the new set replaced the old one";
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((Folder + "*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, listing) << found.cFileName;
    if (listing != INVALID_HANDLE_VALUE)
        FindClose(listing);
}
