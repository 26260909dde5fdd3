// The package's switches, recognised among the command-line arguments
// (pure: no run, no system state).
#include <gtest/gtest.h>
#include "services/uSettings.h"
#include "format/uPackageSwitches.h"
#include "format/uDestinationRule.h"

namespace {

using TArguments = std::vector<std::string>;

TPackageSwitches Parse(const std::string &commandLine)
{
    // As the extractor does it: split as typed, then drop argument 0.
    TArguments arguments = SplitCommandLineAsTyped("setup.exe " + commandLine);
    arguments.erase(arguments.begin());
    return ParsePackageSwitches(arguments);
}

} // namespace

TEST(PackageSwitches, EachSwitchInAnyLetterCaseIsConsumed)
{
    const TPackageSwitches s = Parse("$silent$ $ExtractOnly$ $PASSEXITCODE$ $help$ $Destination$=C:\\to "
                                     "$password$=Se=cret $log$=C:\\run.log $OverWrite$");
    EXPECT_TRUE(s.Silent);
    EXPECT_TRUE(s.Overwrite);
    EXPECT_TRUE(s.ExtractOnly);
    EXPECT_TRUE(s.PassExitCode);
    EXPECT_TRUE(s.Help);
    EXPECT_TRUE(s.DestinationGiven);
    EXPECT_EQ("C:\\to", s.Destination);
    EXPECT_TRUE(s.PasswordGiven);
    // The value keeps its letter case and any further '='.
    EXPECT_EQ("Se=cret", s.Password);
    EXPECT_EQ("C:\\run.log", s.LogFile);
    EXPECT_EQ(TArguments{}, s.Passed);
}

TEST(PackageSwitches, NothingGivenLeavesEveryArgumentToTheCommand)
{
    const TPackageSwitches s = Parse("/q \"a b\" -x");
    EXPECT_FALSE(s.Silent || s.ExtractOnly || s.PassExitCode || s.Help || s.DestinationGiven || s.PasswordGiven);
    EXPECT_EQ("", s.LogFile);
    // As typed, quotes included.
    EXPECT_EQ((TArguments{"/q", "\"a b\"", "-x"}), s.Passed);
}

TEST(PackageSwitches, ArgumentsThatOnlyContainASwitchNamePassThroughInOrder)
{
    const TPackageSwitches s = Parse("x$DESTINATION$=C:\\y $DESTINATION$x $SILENT$=1 /a $EXTRACTONLY$. "
                                     "$LOG$file $HELP$$HELP$ $PASSWORD$$ /b");
    EXPECT_FALSE(s.Silent || s.ExtractOnly || s.Help || s.DestinationGiven || s.PasswordGiven);
    EXPECT_EQ("", s.LogFile);
    EXPECT_EQ((TArguments{"x$DESTINATION$=C:\\y", "$DESTINATION$x", "$SILENT$=1", "/a", "$EXTRACTONLY$.",
                          "$LOG$file", "$HELP$$HELP$", "$PASSWORD$$", "/b"}),
              s.Passed);
}

TEST(PackageSwitches, QuotesGroupAValueWithBlanksWhereverTheyStand)
{
    for (const char *line : {"\"$DESTINATION$=C:\\a b\"", "$DESTINATION$=\"C:\\a b\"", "$DEST\"INATION$=C:\\a b\""}) {
        const TPackageSwitches s = Parse(line);
        EXPECT_TRUE(s.DestinationGiven) << line;
        EXPECT_EQ("C:\\a b", s.Destination) << line;
        EXPECT_EQ(TArguments{}, s.Passed) << line;
    }
    EXPECT_EQ("pass word", Parse("\"$PASSWORD$=pass word\"").Password);
    // Already unquoted arguments read the same.
    EXPECT_EQ("C:\\a b", ParsePackageSwitches({"$DESTINATION$=C:\\a b"}).Destination);
    // A quoted lookalike passes through with its quotes.
    EXPECT_EQ((TArguments{"\"x $SILENT$\""}), Parse("\"x $SILENT$\"").Passed);
}

TEST(PackageSwitches, ValuedSwitchWithoutValueIsStillTheExtractorsAndLaterValuesWin)
{
    TPackageSwitches s = Parse("$DESTINATION$ $PASSWORD$ $LOG$");
    EXPECT_TRUE(s.DestinationGiven);
    EXPECT_EQ("", s.Destination);
    EXPECT_TRUE(s.PasswordGiven);
    EXPECT_EQ("", s.Password);
    EXPECT_EQ("", s.LogFile);
    EXPECT_EQ(TArguments{}, s.Passed);

    s = Parse("$DESTINATION$=C:\\one $DESTINATION$=C:\\two $PASSWORD$=a $PASSWORD$= $LOG$=1 $LOG$=2");
    EXPECT_EQ("C:\\two", s.Destination);
    EXPECT_TRUE(s.PasswordGiven);
    EXPECT_EQ("", s.Password);
    EXPECT_EQ("2", s.LogFile);
}

TEST(PackageSwitches, LoggedArgumentsMaskEveryPassword)
{
    const TPackageSwitches s = Parse("/q $password$=Secret1 \"$PASSWORD$=two words\" $PASSWORD$ x $OVERWRTE$ $X$=1 a$B$");
    // What looks like a switch but is none is marked as passed on.
    EXPECT_EQ("/q $password$=*** $PASSWORD$=*** $PASSWORD$=*** x $OVERWRTE$ (not a switch: passed on) "
              "$X$=1 (not a switch: passed on) a$B$",
              s.Logged);
    EXPECT_EQ(std::string::npos, s.Logged.find("Secret1"));
    EXPECT_EQ(std::string::npos, s.Logged.find("two"));
}

TEST(IsFullPath, DriveWithBackslashOrShareOnly)
{
    for (const char *path : {"C:\\", "c:\\x", "Z:\\a b\\c", "\\\\server\\share", "\\\\server\\share\\dir"})
        EXPECT_TRUE(IsFullPath(path)) << path;
    for (const char *path : {"", "x", "x\\y", "\\x", "C:", "C:x", "1:\\x", "\\\\", "\\\\server",
                             "\\\\server\\", "\\\\\\share\\x", "\\\\server\\\\x", "..\\x", "$INSTALL$",
                             // device and raw paths, not folders of a share
                             "\\\\?\\C:\\x", "\\\\.\\C:\\x", "\\\\.\\PhysicalDrive0", "\\\\?\\UNC\\s\\x"})
        EXPECT_FALSE(IsFullPath(path)) << path;
}

TEST(PackageHelpText, NamesEverySwitchAndEveryExitCode)
{
    const std::string help = PackageHelpText;
    for (const char *name : {"$SILENT$", "$DESTINATION$=", "$PASSWORD$=", "$EXTRACTONLY$", "$PASSEXITCODE$",
                             "$LOG$=", "$HELP$", "$OVERWRITE$", "0 finished", "1 error", "2 declined"})
        EXPECT_NE(std::string::npos, help.find(name)) << name;
}
