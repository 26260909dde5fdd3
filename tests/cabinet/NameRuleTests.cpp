// What a cabinet may name: files below the destination, and the next
// cabinet of a set beside the package. Each group holds the names the
// system would treat in one way of its own.
#include <gtest/gtest.h>
#include <string>
#include "cabinet/uCabNames.h"
#include "format/uFileNameRule.h"

TEST(IsSafeCabinetName, NamesBelowTheDestinationPass)
{
    for (const char *name : {"a.txt", "sub\\deeper\\b.bin", ".config", "a..b", "sub\\.hidden\\x", "..a\\b",
                             "name with blanks.txt", "a\\...b"})
        EXPECT_TRUE(IsSafeCabinetName(name)) << name;
}

TEST(IsSafeCabinetName, NamesThatCouldLeaveItAreRefused)
{
    for (const char *name : {"", "..\\a", "a\\..\\..\\b", "..", "a\\..", "\\a", "/a", "\\\\server\\share\\a",
                             "C:\\a", "C:a", "a:stream", "a/../b", "a\\.. \\b", "a\\. .\\b", "a\\...\\b",
                             "a\\..\\b"})
        EXPECT_FALSE(IsSafeCabinetName(name)) << name;
}

TEST(IsSafeCabinetName, WildcardsAndCharactersNoFileNameMayHoldAreRefused)
{
    for (const char *name : {"*.exe", "a?.txt", "sub\\*\\x", "sub\\a*", "a<b", "a>b", "a|b", "a\"b",
                             "sub\\x:y", "???", "*"})
        EXPECT_FALSE(IsSafeCabinetName(name)) << name;
}

TEST(IsSafeCabinetName, ControlBytesAreRefusedBytesAbove127Pass)
{
    for (const std::string &name : {std::string("a\x01" "b"), std::string("\x1f"), std::string("tab\tname"),
                                   std::string("sub\\new\nline"), std::string("a\0b", 3),
                                   std::string("\x7f") + "\\\r"})
        EXPECT_FALSE(IsSafeCabinetName(name)) << name;
    // Bytes of the code page above 127 are letters like any other (DEL,
    // 127, is not a control byte to the file system either).
    for (const char *name : {"caf\xe9.txt", "\xc4\xd6\\\xfc.bin", "\x7f.txt"})
        EXPECT_TRUE(IsSafeCabinetName(name)) << name;
}

TEST(IsSafeCabinetName, LevelsEndingInADotOrABlankAreRefused)
{
    for (const char *name : {"trail.", "blank ", "sub.\\f.txt", "sub \\f.txt", "a\\b.", "a\\b ", ".",
                             "a\\.\\b", "x. ", "x .", "sub./f.txt"})
        EXPECT_FALSE(IsSafeCabinetName(name)) << name;
    // Dots and blanks inside a level are ordinary.
    for (const char *name : {"a. b", "a .b", "v1.2.3\\x y.txt", ".a", " lead"})
        EXPECT_TRUE(IsSafeCabinetName(name)) << name;
}

TEST(IsSafeCabinetName, DeviceNamesAreRefusedInAnyCaseWithOrWithoutAnExtension)
{
    for (const char *name : {"CON", "con", "Con.txt", "con.tar.gz", "NUL", "nul .txt", "PRN", "aux.h", "COM1",
                             "com9.log", "COM0", "LPT1\\f.txt", "sub\\lpt9", "sub/Lpt5.x\\y", "CONIN$",
                             "conout$.txt", "COM\xB9", "lpt\xB3.txt"})
        EXPECT_FALSE(IsSafeCabinetName(name)) << name;
    for (const char *name : {"console.txt", "CON_", "COM10", "LPT", "COMX", "nul_file.txt", "a.con",
                             "connect\\x", "prn1", "xnul", "auxiliary", "com.txt", "sub\\lpt10.txt", "CONIN"})
        EXPECT_TRUE(IsSafeCabinetName(name)) << name;
}

TEST(IsSafeNextCabinetName, OnlyABareSafeNameBesideThePackage)
{
    for (const char *name : {"pkg2.cab", "package3.cab", "next", "a..b.cab"})
        EXPECT_TRUE(IsSafeNextCabinetName(name)) << name;
    for (const char *name : {"", "..\\2.cab", "sub\\2.cab", "a/2.cab", "C:2.cab", "C:\\x\\2.cab", "..", ".",
                             "\\\\server\\s\\2.cab", "\\2.cab", "2.cab.", "NUL", "com1.cab", "*.cab",
                             "2.cab:stream"})
        EXPECT_FALSE(IsSafeNextCabinetName(name)) << name;
}

TEST(SetAsideName, NeverLongerThanAllowedNorThanEightAndAlwaysAFileName)
{
    EXPECT_EQ("", SetAsideName(5, 0));
    EXPECT_EQ("5", SetAsideName(5, 1));
    EXPECT_EQ("z", SetAsideName(35, 1));
    EXPECT_EQ("0", SetAsideName(36, 1));
    EXPECT_EQ("~1", SetAsideName(1, 2));
    EXPECT_EQ("~00010", SetAsideName(36, 6));
    EXPECT_EQ("~0000000", SetAsideName(0, 8));
    EXPECT_EQ("~1z141z3", SetAsideName(0xFFFFFFFFu, 300));
    for (size_t length = 1; length <= 12; ++length)
        for (uint32_t number : {0u, 1u, 35u, 36u, 12345u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            const std::string name = SetAsideName(number, length);
            EXPECT_EQ(length < 8 ? length : 8u, name.size()) << number << " " << length;
            EXPECT_TRUE(IsSafeNextCabinetName(name)) << name;
        }
    // Consecutive numbers give different names while the digits hold them.
    EXPECT_NE(SetAsideName(100, 3), SetAsideName(101, 3));
}
