// Test programs run two at a time: each must have a temporary folder of
// its own, for itself and for every package it runs, or a test that counts
// work folders sees another program's.
#include <windows.h>
#include <gtest/gtest.h>
#include "ExtractFixture.h"
#include "oxPackages.h"
#include "oxProcess.h"

namespace {

std::string Lower(std::string text)
{
    CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

} // namespace

TEST(TestIsolation, ThisProgramAndTheProcessesItStartsShareATemporaryFolderOfItsOwn)
{
    const std::string temp = TestTempFolder();
    const std::string own = "\\ox_test_extract\\";
    ASSERT_GT(temp.size(), own.size());
    EXPECT_EQ(own, Lower(temp.substr(temp.size() - own.size()))) << temp;

    // A child sees the same folder in both variables the system reads.
    TChild child = StartChild("cmd.exe /c set TMP& set TEMP");
    ASSERT_TRUE(child.Process);
    EXPECT_EQ(0u, FinishChild(child));
    const std::string output = Lower(child.Output);
    EXPECT_NE(std::string::npos, output.find("tmp=" + Lower(temp))) << child.Output;
    EXPECT_NE(std::string::npos, output.find("temp=" + Lower(temp))) << child.Output;

    // What the test folders hold lives under it, not beside another program's.
    const std::string folder = NewTestFolder("isolation");
    EXPECT_EQ(0u, Lower(folder).find(Lower(temp))) << folder;
    RemoveTestFolder(folder);
}
