// uExtractRun: the whole extraction run, from the cabinet check to the end
// of the process. The progress dialog runs it as its worker thread; a
// silent run calls it on the main thread.
#pragma once
#include <windows.h>

// Never returns: every path ends the process.
DWORD WINAPI RunExtraction(LPVOID unused);
