// The pure path and text routines of mUtils: no file system involved.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "util/mUtils.h"

TEST(AddTrailingBackslash, AddsExactlyOneAndLeavesEmptyAlone)
{
    EXPECT_EQ("", AddTrailingBackslash(""));
    EXPECT_EQ("C:\\", AddTrailingBackslash("C:"));
    EXPECT_EQ("C:\\a\\", AddTrailingBackslash("C:\\a"));
    EXPECT_EQ("C:\\a\\", AddTrailingBackslash("C:\\a\\"));
    EXPECT_EQ("C:\\a\\\\", AddTrailingBackslash("C:\\a\\\\"));
    // The forward slash is an ordinary character.
    EXPECT_EQ("a/\\", AddTrailingBackslash("a/"));
}

TEST(DropTrailingBackslash, RemovesOnlyTheLastBackslash)
{
    EXPECT_EQ("C:\\a", DropTrailingBackslash("C:\\a\\"));
    EXPECT_EQ("C:\\a\\", DropTrailingBackslash("C:\\a\\\\"));
    EXPECT_EQ("C:\\a", DropTrailingBackslash("C:\\a"));
    EXPECT_EQ("", DropTrailingBackslash("\\"));
    EXPECT_EQ("a/", DropTrailingBackslash("a/"));
}

TEST(GetFolderPart, EndsInBackslashOrIsEmpty)
{
    EXPECT_EQ("", GetFolderPart("setup.exe"));
    EXPECT_EQ("", GetFolderPart(""));
    EXPECT_EQ("", GetFolderPart("dir/setup.exe"));
    EXPECT_EQ("C:\\", GetFolderPart("C:\\setup.exe"));
    EXPECT_EQ("C:\\a\\b\\", GetFolderPart("C:\\a\\b\\setup.exe"));
    // Drive-relative name: the colon is completed to folder form.
    EXPECT_EQ("C:\\", GetFolderPart("C:setup.exe"));
    EXPECT_EQ("C:\\", GetFolderPart("C:"));
    EXPECT_EQ("C:\\a\\", GetFolderPart("C:\\a\\"));
    EXPECT_EQ("C:\\a\\\\", GetFolderPart("C:\\a\\\\setup.exe"));
    EXPECT_EQ("\\\\server\\share\\", GetFolderPart("\\\\server\\share\\x.cab"));
    // The last separator wins, whichever of the two it is.
    EXPECT_EQ("a\\b:\\", GetFolderPart("a\\b:c"));
    EXPECT_EQ("a:b\\", GetFolderPart("a:b\\c"));
}

TEST(GetNamePart, RemovesTheFolderPartFound)
{
    EXPECT_EQ("setup.exe", GetNamePart("C:\\a\\b\\setup.exe"));
    EXPECT_EQ("setup.exe", GetNamePart("setup.exe"));
    EXPECT_EQ("", GetNamePart("C:\\a\\b\\"));
    EXPECT_EQ("", GetNamePart(""));
    // "C:\" does not occur in "C:setup.exe", so nothing is removed.
    EXPECT_EQ("C:setup.exe", GetNamePart("C:setup.exe"));
    EXPECT_EQ("b", GetNamePart("a\\b"));
}

TEST(GetExtensionPart, TakesTextAfterTheLastDotAnywhere)
{
    EXPECT_EQ("gz", GetExtensionPart("archive.tar.gz"));
    EXPECT_EQ("README", GetExtensionPart("README"));
    EXPECT_EQ("", GetExtensionPart("name."));
    EXPECT_EQ("", GetExtensionPart(""));
    EXPECT_EQ("exe", GetExtensionPart(".exe"));
    EXPECT_EQ("EXE", GetExtensionPart("C:\\a\\SETUP.EXE"));
    // Separators do not stop the search.
    EXPECT_EQ("d\\setup", GetExtensionPart("C:\\my.d\\setup"));
}

TEST(UpperCaseAscii, ChangesOnlyTheLettersAtoZ)
{
    EXPECT_EQ("$SILENT$", UpperCaseAscii("$silent$"));
    EXPECT_EQ("ABC XYZ 09 @[`{", UpperCaseAscii("abc xyz 09 @[`{"));
    std::string high = "\xe4\xfc\x80\xff" "a";
    EXPECT_EQ("\xe4\xfc\x80\xff" "A", UpperCaseAscii(high));
    std::string withNul("a\0b", 3);
    EXPECT_EQ(std::string("A\0B", 3), UpperCaseAscii(withNul));
    EXPECT_EQ("", UpperCaseAscii(""));
}

TEST(Int64ToText, ShortestDecimalWithSignOnlyWhenNegative)
{
    EXPECT_EQ("0", Int64ToText(0));
    EXPECT_EQ("7", Int64ToText(7));
    EXPECT_EQ("10", Int64ToText(10));
    EXPECT_EQ("-1", Int64ToText(-1));
    EXPECT_EQ("2147483648", Int64ToText(2147483648LL));
    EXPECT_EQ("-2147483649", Int64ToText(-2147483649LL));
    EXPECT_EQ("9223372036854775807", Int64ToText(INT64_MAX));
    EXPECT_EQ("-9223372036854775808", Int64ToText(INT64_MIN));
}

TEST(CopyCString, CopiesThroughTheTerminatorAndReturnsDestination)
{
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    char *result = CopyCString(buffer, "next.cab");
    EXPECT_EQ(buffer, result);
    EXPECT_STREQ("next.cab", buffer);
    EXPECT_EQ('x', buffer[9]);
    CopyCString(buffer, "");
    EXPECT_EQ('\0', buffer[0]);
    EXPECT_EQ('e', buffer[1]);
}
