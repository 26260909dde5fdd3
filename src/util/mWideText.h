// mWideText: the text code page of the run, and the conversions between
// its narrow texts and the wide texts the system's "W" calls take. State:
// only the code page, set once before any other thread starts.
#pragma once
#include <cstddef>
#include <string>

// The code page of every narrow text of the run: the system's ANSI code
// page, or the one a package records for its texts. UseTextCodePage sets it
// once on the main thread before any other thread starts; false (and no
// change) when the system lacks that code page.
unsigned TextCodePage();
bool UseTextCodePage(unsigned codePage);

// The wide forms: a path in the text code page made wide, and a name that
// a cabinet flags as UTF-8 decoded (false when it is not valid UTF-8).
std::wstring WidePath(const std::string &ansi);
bool WideFromUtf8(const char *utf8, std::wstring &wide);
// Wide text on the heap, held while in scope: what the extractor hands to
// the "W" calls. Made empty with room for capacity characters and a NUL,
// or as a narrow text made wide with tail after it.
struct TWideText {
    wchar_t *Text;
    explicit TWideText(size_t capacity);
    explicit TWideText(const std::string &ansi, const wchar_t *tail = L"");
    ~TWideText() { delete[] Text; }
    TWideText(const TWideText &) = delete;
    TWideText &operator=(const TWideText &) = delete;
};
size_t WideLength(const wchar_t *text);
// Copies from and its NUL, cut short to fit room characters with the NUL.
void CopyWide(wchar_t *to, const wchar_t *from, size_t room);

// The narrow form of an existing path; where a character has no place in
// the text code page, its short (8.3) form, which needs none.
std::string AnsiPathOf(const wchar_t *wide);
// The path as a program that reads its command line in the system's ANSI
// code page can use it: where that code page lacks one of its characters,
// its short (8.3) form, which needs none.
std::string PathForAnsiPrograms(const std::string &path);
// A wide text in the text code page; a character it lacks becomes the code
// page's default character.
std::string NarrowText(const wchar_t *wide);
inline std::string AnsiPathOf(const std::wstring &wide) { return AnsiPathOf(wide.c_str()); }
