// Splitting the command line into arguments.
#include <gtest/gtest.h>
#include "services/uSettings.h"

using TArguments = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndRunsOfBlanksAreOne)
{
    EXPECT_EQ((TArguments{"setup", "/q", "x"}), SplitCommandLine("setup /q x"));
    EXPECT_EQ((TArguments{"a", "b"}), SplitCommandLine("   a     b   "));
    EXPECT_EQ(TArguments{}, SplitCommandLine(""));
    EXPECT_EQ(TArguments{}, SplitCommandLine("    "));
}

TEST(SplitCommandLine, TabsAndBackslashesAreOrdinary)
{
    EXPECT_EQ((TArguments{"a\tb", "c"}), SplitCommandLine("a\tb c"));
    EXPECT_EQ((TArguments{"\t"}), SplitCommandLine(" \t "));
    EXPECT_EQ((TArguments{"C:\\dir\\", "x"}), SplitCommandLine("\"C:\\dir\\\" x"));
    EXPECT_EQ((TArguments{"a\\b c"}), SplitCommandLine("a\\\"b c\""));
}

TEST(SplitCommandLine, QuotesGroupBlanksAndAreRemoved)
{
    EXPECT_EQ((TArguments{"prog", "a b"}), SplitCommandLine("prog \"a b\""));
    EXPECT_EQ((TArguments{"prex ypost", "z"}), SplitCommandLine("pre\"x y\"post z"));
    EXPECT_EQ((TArguments{"a b"}), SplitCommandLine("\"a\"\" b\""));
    EXPECT_EQ((TArguments{"C:\\Program Files\\x.exe", "/s"}),
              SplitCommandLine("\"C:\\Program Files\\x.exe\" /s"));
}

TEST(SplitCommandLine, EmptyQuotesGiveAnEmptyArgument)
{
    EXPECT_EQ((TArguments{"a", "", "b"}), SplitCommandLine("a \"\" b"));
    EXPECT_EQ((TArguments{""}), SplitCommandLine("\"\""));
    EXPECT_EQ((TArguments{"x", ""}), SplitCommandLine("x \"\""));
    EXPECT_EQ((TArguments{"x", ""}), SplitCommandLine("x \"\"\"\"  "));
    EXPECT_EQ((TArguments{"a"}), SplitCommandLine("a\"\""));
}

TEST(SplitCommandLine, UnbalancedQuoteRunsToTheEnd)
{
    EXPECT_EQ((TArguments{"a", "b  c "}), SplitCommandLine("a \"b  c "));
    EXPECT_EQ((TArguments{"a", ""}), SplitCommandLine("a \""));
}

// The arguments the package hands on to its command keep their own text:
// the same boundaries as above, quotes and all.
TEST(SplitCommandLineAsTyped, SameBoundariesWithTheQuotesKept)
{
    const char *lines[] = {"setup /q x", "   a     b   ", "", "a\tb c", "\"C:\\dir\\\" x",
                           "pre\"x y\"post z", "a \"\" b", "x \"\"\"\"  ", "a \"b  c ", "a \""};
    for (const char *line : lines) {
        const TArguments typed = SplitCommandLineAsTyped(line);
        TArguments values;
        for (const std::string &argument : typed)
            values.push_back(ArgumentValue(argument));
        EXPECT_EQ(SplitCommandLine(line), values) << line;
    }
    EXPECT_EQ((TArguments{"Setup.exe", "$SILENT$", "\"/dir=C:\\a b /uninstall\""}),
              SplitCommandLineAsTyped("Setup.exe $SILENT$ \"/dir=C:\\a b /uninstall\""));
    EXPECT_EQ((TArguments{"a", "\"\"", "pre\"x y\"post"}), SplitCommandLineAsTyped("a \"\" pre\"x y\"post"));
    EXPECT_EQ((TArguments{"\"x&echo INJECTED>C:\\i.txt\""}),
              SplitCommandLineAsTyped("\"x&echo INJECTED>C:\\i.txt\""));
    EXPECT_EQ((TArguments{"a", "\"b  c "}), SplitCommandLineAsTyped("a \"b  c "));
}

TEST(IsSilentSwitch, AnyLetterCaseQuotedOrNotAndNothingElse)
{
    for (const char *typed : {"$SILENT$", "$silent$", "$SiLeNt$", "\"$SILENT$\"", "$SI\"\"LENT$"})
        EXPECT_TRUE(IsSilentSwitch(typed)) << typed;
    for (const char *typed : {"", "SILENT", "$SILENT", "$SILENT$x", " $SILENT$", "\"$SILENT$ \"", "$S\xc9LENT$"})
        EXPECT_FALSE(IsSilentSwitch(typed)) << typed;
}
