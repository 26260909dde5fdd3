// Test host for library planting: loads one library by the name given,
// after the extractor's own search restriction when asked, and writes the
// path of the module it got to standard output.
//   library_probe [restrict] NAME
// Exit code 0 when the library loaded, 1 when it did not, 99 on bad usage.
#include <windows.h>
#include <string>
#include "cabinet/mLZ_API.h"

int main(int argc, char **argv)
{
    int next = 1;
    if (next < argc && std::string(argv[next]) == "restrict") {
        RestrictLibrarySearch();
        ++next;
    }
    if (next + 1 != argc)
        return 99;
    HMODULE library = LoadLibraryA(argv[next]);
    if (!library)
        return 1;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(library, path, MAX_PATH);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), path, length, &written, nullptr);
    return 0;
}
