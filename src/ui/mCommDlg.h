// mCommDlg: general window helpers of the dialogs: centring on the screen
// and the shell's folder browser.
#pragma once
#include <string>
#include <windows.h>

// Centres window on the primary screen without resizing it or changing
// its z-order.
void CentreWindow(HWND window);
// The shell's folder browser, starting at the desktop. True with the
// chosen folder's path in path; false (path untouched) when the user
// cancelled or the browser is not available.
bool BrowseForFolder(const std::string &title, HWND owner, std::wstring &path);
