// uPathText: how a path in the package's texts splits into folder and
// name. In a double-byte code page a byte below 0x80 may be the second byte
// of a character (0x5C, the backslash, among them), so every rule here steps
// through the text character by character. Which bytes lead a pair is the
// one fact the rules are given (isLead, a callable taking the byte): the
// system knows it for any code page it has, the caller asks it.
#pragma once
#include <cstddef>
#include <string>
#include <utility>

// Only a callable is a lead-byte test: a number passed where a code page is
// meant picks the platform's routines of the same names.
template <typename TIsLead>
using TLeadByteTest = decltype(std::declval<const TIsLead &>()(static_cast<unsigned char>(0)), void());

// Where the character after the one that starts at `at` starts.
template <typename TIsLead, typename = TLeadByteTest<TIsLead>>
size_t NextCharAt(const std::string &text, size_t at, TIsLead isLead)
{
    return at + 1 < text.size() && isLead(static_cast<unsigned char>(text[at])) ? at + 2 : at + 1;
}

// The position of the last character that is one of separators (single
// bytes below 0x80); npos when there is none. A byte below 0x80 that starts
// a character is that character.
template <typename TIsLead, typename = TLeadByteTest<TIsLead>>
size_t FindLastSeparator(const std::string &path, const char *separators, TIsLead isLead)
{
    size_t found = std::string::npos;
    for (size_t at = 0; at < path.size(); at = NextCharAt(path, at, isLead))
        for (const char *s = separators; *s; ++s)
            if (path[at] == *s)
                found = at;
    return found;
}

// Whether the last character is the backslash.
template <typename TIsLead, typename = TLeadByteTest<TIsLead>>
bool EndsWithBackslash(const std::string &text, TIsLead isLead)
{
    const size_t at = FindLastSeparator(text, "\\", isLead);
    return at != std::string::npos && at + 1 == text.size();
}

// The path in folder form: a backslash added unless it ends in one; empty
// stays empty.
template <typename TIsLead, typename = TLeadByteTest<TIsLead>>
std::string AddTrailingBackslash(const std::string &path, TIsLead isLead)
{
    if (path.empty() || EndsWithBackslash(path, isLead))
        return path;
    return path + '\\';
}

// The path without the one backslash it ends in, if it does.
template <typename TIsLead, typename = TLeadByteTest<TIsLead>>
std::string DropTrailingBackslash(const std::string &path, TIsLead isLead)
{
    if (EndsWithBackslash(path, isLead))
        return path.substr(0, path.size() - 1);
    return path;
}

// Everything up to and including the last backslash or colon, in folder
// form ("C:name" gives "C:\"); empty when there is neither.
template <typename TIsLead, typename = TLeadByteTest<TIsLead>>
std::string GetFolderPart(const std::string &path, TIsLead isLead)
{
    const size_t at = FindLastSeparator(path, "\\:", isLead);
    std::string folder;
    if (at == std::string::npos)
        return folder;
    folder.assign(path, 0, at + 1);
    // "C:name" is relative to drive C's current folder; "C:\" names it in
    // folder form, which is what the callers append names to.
    if (path[at] == ':')
        folder += '\\';
    return folder;
}

// The path with its folder part taken out; the whole path when it has none.
template <typename TIsLead, typename = TLeadByteTest<TIsLead>>
std::string GetNamePart(const std::string &path, TIsLead isLead)
{
    const std::string folder = GetFolderPart(path, isLead);
    if (folder.empty())
        return path;
    // The folder part is searched, not assumed to be the prefix: after a
    // drive colon it carries an added backslash and is not found at all.
    const size_t at = path.find(folder);
    if (at == std::string::npos)
        return path;
    std::string name = path;
    name.erase(at, folder.size());
    return name;
}

// Text after the last dot anywhere in the text (separators do not stop
// it); the whole text when it has no dot. No second byte of a double-byte
// character is a dot (they start at 0x31), so no lead bytes are needed.
std::string GetExtensionPart(const std::string &text);
