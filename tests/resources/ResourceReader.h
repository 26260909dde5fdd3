// Reads the extractor's resources the way the system does: the module is
// loaded as data, and dialog templates and icon groups are parsed from
// their raw bytes, so that every stored field can be compared.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// oxtarn.exe beside the test, loaded as data once for the whole run.
HMODULE ExtractorModule();
// Raw bytes of a resource; empty when it is missing.
std::string ResourceBytes(HMODULE module, LPCSTR type, WORD id);

// A name-or-ordinal field: ordinals read "#<number>"; the predefined window
// class ordinals read as their class names ("BUTTON", "EDIT", "STATIC"...).
struct TDialogItem {
    DWORD HelpId = 0, ExStyle = 0, Style = 0;
    short X = 0, Y = 0, Cx = 0, Cy = 0;
    DWORD Id = 0;
    std::string Class, Text;
    WORD ExtraBytes = 0;
};

struct TDialogTemplate {
    bool Extended = false;
    DWORD HelpId = 0, ExStyle = 0, Style = 0;
    short X = 0, Y = 0, Cx = 0, Cy = 0;
    std::string Menu, Class, Caption;
    WORD PointSize = 0, Weight = 0;
    BYTE Italic = 0, Charset = 0;
    std::string Face;
    std::vector<TDialogItem> Items;
    size_t ParsedBytes = 0;  // where the last record ended
};

// Parses a DLGTEMPLATE or DLGTEMPLATEEX; false (with the reason in error)
// when the bytes are truncated or inconsistent.
bool ParseDialogTemplate(const std::string &bytes, TDialogTemplate &dialog, std::string &error);

struct TIconEntry {
    BYTE Width = 0, Height = 0, ColorCount = 0;
    WORD Planes = 0, BitCount = 0;
    DWORD BytesInRes = 0;
    WORD Id = 0;
};
// Parses a GRPICONDIR; false when malformed.
bool ParseIconGroup(const std::string &bytes, std::vector<TIconEntry> &entries);
