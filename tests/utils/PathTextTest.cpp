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

// Under code page 932 the second byte of "ソ" (83 5C) and of "表" (95 5C)
// is the byte of a backslash; it is part of the character, never a
// separator. Under 1252 the same bytes are two characters, one of them a
// backslash.
TEST(DoubleBytePaths, ATrailByte5CIsPartOfItsCharacter)
{
    const std::string so = "\x83\x5C";      // ソ
    const std::string hyou = "\x95\x5C";    // 表
    const std::string path = "C:\\x\\" + hyou + "\\" + so + "\x83\x74\x83\x67.txt";
    EXPECT_EQ("C:\\x\\" + hyou + "\\", GetFolderPart(path, 932));
    EXPECT_EQ(so + "\x83\x74\x83\x67.txt", GetNamePart(path, 932));
    EXPECT_EQ("C:\\x\\" + so + "\\", AddTrailingBackslash("C:\\x\\" + so, 932));
    EXPECT_EQ("C:\\x\\" + so, DropTrailingBackslash("C:\\x\\" + so, 932));
    EXPECT_EQ("C:\\x\\" + so, DropTrailingBackslash("C:\\x\\" + so + "\\", 932));
    EXPECT_EQ(std::string::npos, FindLastSeparator(hyou + so, "\\", 932));
    EXPECT_EQ(std::string("C:\\"), GetFolderPart("C:" + hyou, 932));
    // The same bytes read as single-byte characters.
    EXPECT_EQ("C:\\x\\" + hyou + "\\" + "\x83\\", GetFolderPart(path, 1252));
    EXPECT_EQ("C:\\x\\" + so, AddTrailingBackslash("C:\\x\\" + so, 1252));
    // A lead byte at the very end has no trail byte to take.
    EXPECT_EQ(std::string("a\\\x83\\"), AddTrailingBackslash("a\\\x83", 932));
}
