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
