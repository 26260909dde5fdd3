// What a cabinet may name, and which of its attribute bits reach the file.
#include <windows.h>
#include <gtest/gtest.h>
#include "cabinet/uCabHelper.h"

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

TEST(FileAttributesFromCabinet, OnlyFileAttributesPass)
{
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), FileAttributesFromCabinet(0x41));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE), FileAttributesFromCabinet(0xA2));
    EXPECT_EQ(static_cast<DWORD>(0x27), FileAttributesFromCabinet(0xFFFF));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), FileAttributesFromCabinet(0xC0));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), FileAttributesFromCabinet(0));
}
