// Driving a child's dialogs as a person would: find them as they open,
// read their controls, click, type, press keys, close them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "oxProcess.h"

// Every visible dialog of the child, topmost first.
std::vector<HWND> VisibleDialogs(const TChild &child);
// A visible dialog of the child that holds a control with controlId; null
// when none appears within timeoutMs or the child ends first.
HWND WaitForDialog(const TChild &child, int controlId, DWORD timeoutMs = 20000);
// A dialog of the child with a control of controlId, shown or hidden;
// null when there is none now.
HWND FindDialog(const TChild &child, int controlId);
// A visible dialog of the child other than those in known (a box that
// opens over a dialog); null when none appears in time.
HWND WaitForNewDialog(const TChild &child, const std::vector<HWND> &known, DWORD timeoutMs = 20000);
// The new box over the known dialogs, read; Window is null when none came.
TBox WaitForNewBox(const TChild &child, const std::vector<HWND> &known, DWORD timeoutMs = 20000);
// True once window is gone or hidden.
bool WaitUntilClosed(HWND window, DWORD timeoutMs = 10000);
// True once predicate holds (checked every 50 ms).
template <typename TPredicate> bool WaitFor(TPredicate predicate, DWORD timeoutMs = 10000)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (predicate())
            return true;
        Sleep(50);
    }
    return predicate();
}

std::string ControlText(HWND dialog, int id);
std::string WindowCaption(HWND window);
LONG ControlStyle(HWND dialog, int id);
// The window that has the keyboard focus in window's thread.
HWND FocusedWindow(HWND window);
// True once window is the foreground window and the active window of its
// thread, and its thread has finished the activation (which also moves the
// focus). Wine activates a new top-level window a moment after it shows
// it, later still while a fresh prefix starts: the focus of a dialog is
// read after this.
bool WaitUntilActive(HWND window, DWORD timeoutMs = 10000);
// Which window is the foreground window now (class, caption, process), and
// which the active and focused windows of window's thread are: what a
// failed check of the focus reports.
std::string DescribeActivation(HWND window);
// True when the window is centred on the primary screen, to the pixel.
bool IsCentred(HWND window);

// Clicks button id of dialog. False, without clicking, when a person could
// not: the dialog or button is disabled or hidden (another box is open
// over it, for instance).
bool Click(HWND dialog, int id);
// Clicks button id of a box and waits until the box has closed.
bool Answer(HWND box, int id);
// Replaces the text of edit control id by typing text into it, and waits
// until the control shows as many characters as it accepts.
void TypeInto(HWND dialog, int id, const std::string &text);
// Presses and releases key in the control that has the focus.
void PressKey(HWND dialog, UINT key);
// What Alt+F4 (or the close box) asks of a window.
void CloseByAltF4(HWND window);
