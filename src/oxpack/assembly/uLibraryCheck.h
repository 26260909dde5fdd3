// uLibraryCheck: whether a DLL can serve as the copy of the cabinet library
// that a package carries, judged from its file alone. Pure: bytes in,
// verdict out.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t PeMachineI386 = 0x014C, PeMachineAmd64 = 0x8664;

// The machine field of a Windows program's file header; 0 when the bytes
// are no Windows program.
uint16_t PeMachineOf(const std::string &bytes);

// Empty when library is a DLL for machine (that of the extractor it is
// packed with) that exports FDICreate, FDIIsCabinet, FDICopy and
// FDIDestroy by name and is not Wine's builtin copy; otherwise the reason.
// Imports of DLLs that Windows does not ship everywhere go to warnings.
std::string WhyLibraryIsUnfit(const std::string &library, uint16_t machine, std::vector<std::string> &warnings);
