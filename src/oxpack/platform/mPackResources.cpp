// mPackResources: Windows, through LoadLibraryExW as a data file and the
// update calls (BeginUpdateResourceW ... EndUpdateResourceW).
#include <windows.h>

#include "mPackResources.h"
#include "mPackText.h"

namespace {

TResourceName CopyName(LPCWSTR name)
{
    TResourceName copy;
    if (IS_INTRESOURCE(name))
        copy.Id = static_cast<uint16_t>(reinterpret_cast<ULONG_PTR>(name));
    else
        copy.Name = Utf8Of(name);
    return copy;
}

// The name as the calls take it; wide keeps a named one alive.
LPCWSTR NamePointer(const TResourceName &name, std::wstring &wide)
{
    if (name.Name.empty())
        return MAKEINTRESOURCEW(name.Id);
    wide = WideOf(name.Name);
    return wide.c_str();
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list)
{
    TResourceItem item;
    item.Name = CopyName(name);
    reinterpret_cast<std::vector<TResourceItem> *>(list)->push_back(item);
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<uint16_t> *>(list)->push_back(language);
    return TRUE;
}

std::string SystemReason(DWORD code)
{
    char text[256] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.'))
        text[--n] = 0;
    return n ? std::string(text) : "system error " + std::to_string(code);
}

}  // namespace

bool ResourcesAreChangeable()
{
    return true;
}

bool ReadResources(const std::string &path, uint16_t type, std::vector<TResourceItem> &items)
{
    items.clear();
    HMODULE module = LoadLibraryExW(WideOf(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return false;
    // Named resources come first in the directory, then ordinals in order;
    // the enumeration keeps that order.
    EnumResourceNamesW(module, MAKEINTRESOURCEW(type), CollectName, reinterpret_cast<LONG_PTR>(&items));
    for (TResourceItem &item : items) {
        std::wstring wide;
        const LPCWSTR name = NamePointer(item.Name, wide);
        EnumResourceLanguagesW(module, MAKEINTRESOURCEW(type), name, CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&item.Languages));
        if (item.Languages.empty())
            continue;
        HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(type), name, item.Languages.front());
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        const void *data = loaded ? LockResource(loaded) : nullptr;
        if (data)
            item.FirstBytes.assign(static_cast<const char *>(data), SizeofResource(module, found));
    }
    FreeLibrary(module);
    return true;
}

bool UpdateResources(const std::string &path, const std::vector<TResourceUpdate> &updates, std::string &reason)
{
    HANDLE update = BeginUpdateResourceW(WideOf(path).c_str(), FALSE);
    if (!update) {
        reason = SystemReason(GetLastError());
        return false;
    }
    bool ok = true;
    for (size_t i = 0; ok && i < updates.size(); ++i) {
        std::wstring wide;
        std::string bytes = updates[i].Bytes;
        ok = UpdateResourceW(update, MAKEINTRESOURCEW(updates[i].Type), NamePointer(updates[i].Name, wide),
                             updates[i].Language, bytes.empty() ? nullptr : &bytes[0],
                             static_cast<DWORD>(bytes.size()));
    }
    const DWORD updateError = ok ? 0 : GetLastError();
    // Discarding on failure leaves the file as it was.
    if (!EndUpdateResourceW(update, ok ? FALSE : TRUE) || !ok) {
        reason = SystemReason(ok ? GetLastError() : updateError);
        return false;
    }
    return true;
}

bool MakeScratchFile(std::string &path)
{
    wchar_t folder[MAX_PATH];
    wchar_t scratch[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH || !GetTempFileNameW(folder, L"oxp", 0, scratch))
        return false;
    path = Utf8Of(scratch);
    return true;
}
