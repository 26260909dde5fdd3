// The run's log: where its lines go and how they read.
#include <windows.h>
#include <gtest/gtest.h>
#include "oxPackages.h"
#include "services/uLog.h"

TEST(LogText, TimeStampDurationAndOneLinePerStep)
{
    EXPECT_EQ("2026-01-02 03:04:05 ", LogTimeStamp(2026, 1, 2, 3, 4, 5));
    EXPECT_EQ("1999-12-31 23:59:59 ", LogTimeStamp(1999, 12, 31, 23, 59, 59));
    EXPECT_EQ("0.000 s", DurationText(0));
    EXPECT_EQ("0.007 s", DurationText(7));
    EXPECT_EQ("12.345 s", DurationText(12345));
    EXPECT_EQ("4294967.295 s", DurationText(0xFFFFFFFFu));
    // A box's text spans lines; in the log it stays one step.
    EXPECT_EQ("a | b | c | | d", OneLine("a\r\nb\rc\n\r\nd"));
    EXPECT_EQ("plain", OneLine("plain"));
}

// One test: the log is process-wide, opened once and closed by LogEnd.
TEST(LogFile, AppendsUtf8LinesAfterWhatWasThereAndEndsWithTheExitCode)
{
    const std::string folder = NewTestFolder("log");
    const std::string path = folder + "run.log";
    ASSERT_TRUE(WriteWholeFile(path, "earlier run\r\n"));
    EXPECT_FALSE(IsLogOpen());
    LogLine("not written: no log yet");
    ASSERT_TRUE(OpenLog(path));
    EXPECT_TRUE(IsLogOpen());
    LogLine("first");
    LogLine("label: ", "text");
    LogFileLine("file written: ", "C:\\x.txt", 1234567890123LL);
    // E9 is e-acute in the Western code page most test machines use.
    if (GetACP() == 1252)
        LogLine("caf\xE9");
    // A part longer than a line is cut, not dropped.
    LogLine("long: ", std::string(5000, 'x').c_str());
    LogEnd(7);
    EXPECT_FALSE(IsLogOpen());
    LogLine("not written: log closed");

    const std::string text = ReadWholeFile(path);
    EXPECT_EQ(0u, text.find("earlier run\r\n")) << text;
    EXPECT_EQ(std::string::npos, text.find("not written")) << text;
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        ASSERT_NE(std::string::npos, end) << "unterminated line in " << text;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    const size_t expected = GetACP() == 1252 ? 7 : 6;
    ASSERT_EQ(expected, lines.size()) << text;
    // Every line of this run: the local date and time, a blank, the step.
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(' ', lines[i][19]) << lines[i];
        EXPECT_EQ('-', lines[i][4]) << lines[i];
        EXPECT_EQ(':', lines[i][13]) << lines[i];
    }
    EXPECT_EQ("first", lines[1].substr(20));
    EXPECT_EQ("label: text", lines[2].substr(20));
    EXPECT_EQ("file written: C:\\x.txt (1234567890123 bytes)", lines[3].substr(20));
    if (GetACP() == 1252) {
        EXPECT_EQ("caf\xC3\xA9", lines[4].substr(20));
    }
    const std::string &cut = lines[lines.size() - 2];
    EXPECT_EQ("long: xxx", cut.substr(20, 9));
    EXPECT_GT(cut.size(), 500u);
    EXPECT_LT(cut.size(), 5000u);
    EXPECT_EQ("end: exit code 7, after ", lines.back().substr(20, 24)) << lines.back();
    RemoveTestFolder(folder);
}

TEST(LogFile, FolderThatDoesNotExistIsNotCreated)
{
    const std::string folder = NewTestFolder("nolog");
    EXPECT_FALSE(OpenLog(folder + "missing\\run.log"));
    EXPECT_FALSE(IsLogOpen());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "missing").c_str()));
    RemoveTestFolder(folder);
}
