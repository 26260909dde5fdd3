// Child processes and their windows, for end-to-end tests: start a
// program under the same Wine session, read its message boxes as a user
// sees them, answer them, and collect its exit code and output.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Calls start (a CreateProcess call) until it succeeds or fails for a
// reason of its own. Wine now and then loses a new process before its
// first instruction, most of all on a busy machine: the call then fails
// with ERROR_INTERNAL_ERROR and nothing of the program has run, so
// starting it again tests the same thing.
template <typename TStart> BOOL StartRetrying(TStart start)
{
    for (int attempt = 1;; ++attempt) {
        if (start())
            return TRUE;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 5)
            return FALSE;
    }
}

struct TChild {
    HANDLE Process = nullptr;
    HANDLE Job = nullptr;         // the child and every process it starts
    DWORD Id = 0;
    DWORD StartError = 0;         // GetLastError of a start that failed
    HANDLE OutputRead = nullptr;  // the child's standard output and error
    std::string Output;
};

// Starts commandLine in folder (empty: the test's own current folder).
TChild StartChild(const std::string &commandLine, const std::string &folder = std::string());
// Waits for the child to end and collects its output; returns the exit
// code, or 0xFFFFFFFF after killing a child that did not end in time.
DWORD FinishChild(TChild &child, DWORD timeoutMs = 30000);
// Waits until no process the child started (a package's command that it
// does not wait for, say) is still running, so that their files are closed
// and may be read or removed. False when some are still running after
// timeoutMs. Works before and after FinishChild.
bool WaitForDescendants(const TChild &child, DWORD timeoutMs = 30000);
// The programs of the child's job that are still running, by name, for a
// failure message.
std::string RunningDescendants(const TChild &child);
// The same for the programs the test program itself started through the
// code under test (which gives it no handle): true once none of its child
// processes is running.
bool WaitForOwnChildren(DWORD timeoutMs = 30000);

// A message box or dialog of the child as the user sees it.
struct TBox {
    HWND Window = nullptr;
    std::string Caption;
    std::string Text;             // the message text of a box
    std::vector<int> Buttons;     // command ids of the visible buttons
    int DefaultButton = 0;
};

// The child's first visible dialog window, or a TBox with no Window when
// none appears in time (or the child ends first).
TBox WaitForBox(const TChild &child, DWORD timeoutMs = 20000);
// What a user sees of a box or dialog that is already open.
TBox ReadBox(HWND window);
// Presses a button of the box as a click would.
void PressButton(const TBox &box, int id);
// Standard command ids by name, for readable assertions.
std::vector<int> ButtonsOf(UINT messageBoxStyle);
