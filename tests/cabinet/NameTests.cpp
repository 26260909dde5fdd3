// Which of a cabinet's attribute bits reach the file, and where the next
// cabinet of a set may be looked for. The name rules are in NameRuleTests.
#include <windows.h>
#include <gtest/gtest.h>
#include "cabinet/uCabHelper.h"
#include "services/uRunState.h"
#include "services/uSettings.h"

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
    const std::string savedFolder = ExeFolder;
    const bool savedSilent = PackageSettings.Silent;
    PackageSettings.Silent = true;
    ExeFolder = "C:\\" + std::string(300, 'd') + "\\";
    char buffer[512];
    memset(buffer, 'x', sizeof buffer);
    buffer[0] = 0;
    char name[] = "next.cab";
    char disk[] = "disk";
    FDINOTIFICATION notification = {};
    notification.psz1 = name;
    notification.psz2 = disk;
    notification.psz3 = buffer;
    EXPECT_EQ(-1, FdiNotify(fdintNEXT_CABINET, &notification));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(std::string(sizeof buffer - 1, 'x'), std::string(buffer + 1, sizeof buffer - 1));
    ExeFolder = savedFolder;
    PackageSettings.Silent = savedSilent;
}
