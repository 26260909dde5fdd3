#include "DialogRuns.h"
#include <gtest/gtest.h>
#include <algorithm>
#include "uPackage.h"

const char Caption[] = "Kelvardo Tovrex - Test";

TPackOptions DialogPackage(const std::string &folder)
{
    TPackOptions options = TestPackOptions(folder);
    CreateDirectoryA(OutFolder(folder).c_str(), nullptr);
    options.Destination = OutFolder(folder);
    return options;
}

std::string OutFolder(const std::string &folder)
{
    return folder + "out\\";
}

TChild StartPackage(const TPackOptions &options, const std::string &arguments)
{
    const std::string package = BuildTestPackage(options);
    return StartChild("\"" + package + "\"" + arguments);
}

std::string Text(int n)
{
    return DefaultMessages().at(static_cast<size_t>(n - 1));
}

std::string QuitQuestion(const std::string &text)
{
    return text + "\r\r" + Text(37);
}

void ExpectQuitQuestion(const TBox &box, const std::string &text)
{
    ASSERT_TRUE(box.Window) << "no question for: " << text;
    EXPECT_EQ(Caption, box.Caption);
    EXPECT_EQ(QuitQuestion(text), box.Text);
    EXPECT_EQ(ButtonsOf(MB_YESNO), box.Buttons);
    EXPECT_EQ(IDNO, box.DefaultButton);
}

void ExpectFinishedRun(TChild &child, const std::string &outFolder)
{
    // A box on the way fails the run: say what it says and close it rather
    // than wait for the time-out. The progress dialog is no box.
    // Once seen, the progress dialog is known by its handle: while the
    // process ends, its controls go before it does.
    std::vector<HWND> progress;
    for (DWORD waited = 0; waited < 30000; waited += 100) {
        if (WaitForSingleObject(child.Process, 100) != WAIT_TIMEOUT)
            break;
        for (HWND window : VisibleDialogs(child)) {
            if (GetDlgItem(window, ProgressBar))
                progress.push_back(window);
            if (std::find(progress.begin(), progress.end(), window) != progress.end())
                continue;
            if (WaitForSingleObject(child.Process, 100) != WAIT_TIMEOUT)
                break;
            const TBox box = ReadBox(window);
            ADD_FAILURE() << "unexpected box: " << box.Text;
            Click(window, box.DefaultButton ? box.DefaultButton : box.Buttons.empty() ? IDOK : box.Buttons.back());
        }
    }
    EXPECT_EQ(0u, FinishChild(child));
    EXPECT_EQ("payload\r\n", ReadWholeFile(outFolder + "readme.txt"));
}
