// oxpack.exe as a child process: exit codes, messages, and --inspect.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "oxPackFixture.h"
#include "oxTest.h"

namespace {

struct CommandTest : ::testing::Test {
    std::string Folder;
    std::string Out, Err;

    void SetUp() override
    {
        Folder = NewTestFolder("oxcmd");
        ASSERT_FALSE(Folder.empty());
        ASSERT_TRUE(WriteWholeFile(Folder + "oxtarn.exe", FakeExtractorBytes(4000)));
        ASSERT_TRUE(WriteWholeFile(Folder + "cabinet.dll", std::string(20000, 'c')));
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
        std::vector<std::string> arguments = {"--extractor", Folder + "oxtarn.exe", "--library",
                                              Folder + "cabinet.dll", "--output", Folder + output};
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
        {{"--password", "pw"}, "password"},
        {{"--protect", "--password", ""}, "password"},
        {{"--protect"}, "password"},
        {{"--required-mb", "-3"}, "megabytes"},
        {{"--list", Folder + "nolist.txt"}, Folder + "nolist.txt"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> arguments = Build("old.exe", {"--folder", Folder + "in"});
        arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
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
          std::string("  docs\\x.txt\n")})
        EXPECT_NE(std::string::npos, Out.find(expected)) << "expected " << expected << " in:\n" << Out;
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
