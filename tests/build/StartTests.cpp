// The extractor starts through its own entry point instead of the
// compiler's start-up code: its static objects (the settings record, the
// folder names, every module's strings) must be constructed before main
// runs, and every exit code must reach the program that started it.
#include <windows.h>
#include <gtest/gtest.h>
#include "oxPackages.h"
#include "oxProcess.h"

namespace {

std::string Quoted(const std::string &path) { return "\"" + path + "\""; }

} // namespace

TEST(ExtractorStart, StaticObjectsAreConstructedAndExitCodesReachTheCaller)
{
    const std::string folder = NewTestFolder("entrypoint");
    const std::string destination = folder + "out\\";
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));

    // A finished run, 0: settings, messages and paths all pass through
    // static strings, which unconstructed would fail at the first
    // assignment; the payload arrives intact.
    TPackOptions options = TestPackOptions(folder);
    options.Destination = destination.substr(0, destination.size() - 1);
    options.Silent = true;
    TChild finished = StartChild(Quoted(BuildTestPackage(options)), folder);
    EXPECT_EQ(0u, FinishChild(finished));
    EXPECT_EQ("payload\r\n", ReadWholeFile(destination + "readme.txt"));

    // A failed run, 1: a protected package cannot ask for its password
    // when silent.
    options.PasswordProtected = true;
    options.Password = "secret";
    options.OutputPath = folder + "protected.exe";
    TChild failed = StartChild(Quoted(BuildTestPackage(options)), folder);
    EXPECT_EQ(1u, FinishChild(failed));

    // A declined run, 2: the start-up question answered No. Its caption
    // starts with a static string constant, which exists only once
    // constructed.
    options = TestPackOptions(folder);
    options.OutputPath = folder + "question.exe";
    options.StartQuestion = "Go on?";
    TChild declined = StartChild(Quoted(BuildTestPackage(options)), folder);
    TBox box = WaitForBox(declined);
    ASSERT_NE(box.Window, nullptr);
    EXPECT_EQ("Go on?", box.Text);
    EXPECT_EQ("Kelvardo Tovrex - Test", box.Caption);
    PressButton(box, IDNO);
    EXPECT_EQ(2u, FinishChild(declined));
    RemoveTestFolder(folder);
}
