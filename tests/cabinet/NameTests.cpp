// Which of a cabinet's attribute bits reach the file, and where the next
// cabinet of a set may be looked for. The name rules are in NameRuleTests.
#include <windows.h>
#include <gtest/gtest.h>
#include "cabinet/uCabHelper.h"
#include "format/uFileNameRule.h"
#include "services/uRunPlan.h"

TEST(FileAttributesFromCabinet, OnlyFileAttributesPass)
{
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), FileAttributesFromCabinet(0x41));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE), FileAttributesFromCabinet(0xA2));
    EXPECT_EQ(static_cast<DWORD>(0x27), FileAttributesFromCabinet(0xFFFF));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), FileAttributesFromCabinet(0xC0));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), FileAttributesFromCabinet(0));
}

// The library hands over a 256-byte buffer for the folder of the next
// cabinet; a package folder that does not fit is never copied into it, and
// the set ends as a cabinet that cannot be found (no box, no prompt).
TEST(NextCabinetFolder, AFolderTooLongForTheLibrarysBufferIsNeverCopied)
{
    TPackageSettings settings;
    settings.Silent = true;
    TRunPlan plan;
    plan.Package = &settings;
    plan.User = SilentUserInterface;
    plan.Folders.Exe = "C:\\" + std::string(300, 'd') + "\\";
    char buffer[512];
    memset(buffer, 'x', sizeof buffer);
    buffer[0] = 0;
    char name[] = "next.cab";
    char disk[] = "disk";
    FDINOTIFICATION notification = {};
    TExtraction run = TExtraction();
    run.Plan = &plan;
    notification.pv = &run;
    notification.psz1 = name;
    notification.psz2 = disk;
    notification.psz3 = buffer;
    EXPECT_EQ(-1, FdiNotify(fdintNEXT_CABINET, &notification));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(std::string(sizeof buffer - 1, 'x'), std::string(buffer + 1, sizeof buffer - 1));
}

// A name with the UTF-8 flag is decoded as UTF-8; one without it is in the
// ANSI code page (1252 for this test program). A flagged name that is not
// valid UTF-8 (a stray or cut-off byte, an overlong form) is refused as
// unsafe rather than created as something else.
TEST(DecodeCabinetName, FlaggedNamesAreUtf8AndInvalidOnesAreUnsafe)
{
    std::wstring wide;
    EXPECT_TRUE(DecodeCabinetName("caf\xC3\xA9\\\xD0\x9F.txt", CabNameIsUtf8 | 0x20, wide));
    EXPECT_EQ(std::wstring(L"caf\u00E9\\\u041F.txt"), wide);
    EXPECT_TRUE(DecodeCabinetName("\xF0\x9F\x98\x80", CabNameIsUtf8, wide));
    EXPECT_EQ(std::wstring(L"\U0001F600"), wide);
    EXPECT_TRUE(DecodeCabinetName("caf\xE9.txt", 0x20, wide));
    EXPECT_EQ(std::wstring(L"caf\u00E9.txt"), wide);
    for (const char *bad : {"caf\xE9.txt", "\x80", "\xC3", "\xC0\xAE\xC0\xAE\\x", "a\xC1\x9C"})
        EXPECT_FALSE(DecodeCabinetName(bad, CabNameIsUtf8, wide)) << bad;
}

// The check form keeps what the file system interprets (ASCII) and hides
// every other character behind a letter: a ".." or "\" spelled in UTF-8
// is still caught, and a character whose bytes look like a separator
// under a double-byte code page no longer is one.
TEST(NameCheckForm, EscapesStayRefusedAndForeignCharactersAreLetters)
{
    EXPECT_FALSE(IsSafeCabinetName(NameCheckForm(L"\u00E9\\..\\..\\x")));
    EXPECT_FALSE(IsSafeCabinetName(NameCheckForm(L"\\\u041F")));
    EXPECT_FALSE(IsSafeCabinetName(NameCheckForm(L"\u041F:stream")));
    EXPECT_TRUE(IsSafeCabinetName(NameCheckForm(L"\u041F\u0440\\\U0001F600.txt")));
    // Fullwidth dots and solidus are ordinary characters to the file system.
    EXPECT_TRUE(IsSafeCabinetName(NameCheckForm(L"\uFF0E\uFF0E\uFF0F\uFF3C")));
    // 表 and "CON" under 932: bytes 95 5C 43 4F 4E. Read byte by byte they
    // hold a device level; read as characters they do not.
    wchar_t decoded[8] = {};
    ASSERT_GT(MultiByteToWideChar(932, 0, "\x95\x5C" "CON\\x", -1, decoded, 8), 0);
    EXPECT_EQ(std::wstring(L"\u8868" L"CON\\x"), std::wstring(decoded));
    EXPECT_TRUE(IsSafeCabinetName(NameCheckForm(decoded)));
    EXPECT_FALSE(IsSafeCabinetName("\x95\x5C" "CON\\x"));
    // Ports with a superscript digit are devices in a flagged name too.
    EXPECT_FALSE(IsSafeCabinetName(NameCheckForm(L"COM\u00B9.txt")));
    EXPECT_FALSE(IsSafeCabinetName(NameCheckForm(L"sub\\lpt\u00B3")));
    EXPECT_TRUE(IsSafeCabinetName(NameCheckForm(L"COM\u00B9x.txt")));
}
