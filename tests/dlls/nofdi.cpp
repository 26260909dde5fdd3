// A well-formed library that a package can carry in place of the cabinet
// library: it loads, but has none of the four decompression entry points.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI NotACabinetLibrary()
{
    return 0;
}
