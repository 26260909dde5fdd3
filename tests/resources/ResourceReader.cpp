#include "ResourceReader.h"

#include "oxTest.h"

HMODULE ExtractorModule() {
    static HMODULE module = LoadLibraryExA((BinFolder() + "oxtarn.exe").c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

std::string ResourceBytes(HMODULE module, LPCSTR type, WORD id) {
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!info)
        return std::string();
    HGLOBAL loaded = LoadResource(module, info);
    const void *data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return std::string();
    return std::string(static_cast<const char *>(data), SizeofResource(module, info));
}

namespace {

// A cursor over the template bytes; every read checks the bounds, so a
// truncated template fails instead of reading past the resource.
struct TReader {
    const std::string &Bytes;
    size_t Pos = 0;
    bool Ok = true;

    template <typename T> T Read() {
        T value{};
        if (Pos + sizeof(T) > Bytes.size()) {
            Ok = false;
            return value;
        }
        memcpy(&value, Bytes.data() + Pos, sizeof(T));
        Pos += sizeof(T);
        return value;
    }
    std::string ReadText() {
        std::string text;
        for (;;) {
            WORD c = Read<WORD>();
            if (!Ok || c == 0)
                return text;
            // The templates hold ASCII only; anything else is kept visible.
            text += c < 0x80 ? static_cast<char>(c) : '?';
        }
    }
    std::string ReadNameOrOrdinal(bool isClass) {
        if (Pos + 2 <= Bytes.size() && static_cast<unsigned char>(Bytes[Pos]) == 0xFF &&
            static_cast<unsigned char>(Bytes[Pos + 1]) == 0xFF) {
            Pos += 2;
            WORD ordinal = Read<WORD>();
            static const char *const kClasses[] = {"BUTTON", "EDIT", "STATIC",
                                                   "LISTBOX", "SCROLLBAR", "COMBOBOX"};
            if (isClass && ordinal >= 0x80 && ordinal <= 0x85)
                return kClasses[ordinal - 0x80];
            return "#" + std::to_string(ordinal);
        }
        return ReadText();
    }
    void AlignToDword() { Pos = (Pos + 3) & ~size_t(3); }
};

}  // namespace

bool ParseDialogTemplate(const std::string &bytes, TDialogTemplate &dialog, std::string &error) {
    TReader in{bytes};
    dialog = TDialogTemplate();
    WORD first = in.Read<WORD>(), second = in.Read<WORD>();
    WORD count = 0;
    dialog.Extended = first == 1 && second == 0xFFFF;
    in.Pos = 0;
    if (dialog.Extended) {
        in.Pos = 4;
        dialog.HelpId = in.Read<DWORD>();
        dialog.ExStyle = in.Read<DWORD>();
        dialog.Style = in.Read<DWORD>();
    } else {
        dialog.Style = in.Read<DWORD>();
        dialog.ExStyle = in.Read<DWORD>();
    }
    count = in.Read<WORD>();
    dialog.X = in.Read<short>();
    dialog.Y = in.Read<short>();
    dialog.Cx = in.Read<short>();
    dialog.Cy = in.Read<short>();
    dialog.Menu = in.ReadNameOrOrdinal(false);
    dialog.Class = in.ReadNameOrOrdinal(false);
    dialog.Caption = in.ReadText();
    if (dialog.Style & DS_SETFONT) {
        dialog.PointSize = in.Read<WORD>();
        if (dialog.Extended) {
            dialog.Weight = in.Read<WORD>();
            dialog.Italic = in.Read<BYTE>();
            dialog.Charset = in.Read<BYTE>();
        }
        dialog.Face = in.ReadText();
    }
    for (WORD n = 0; n < count && in.Ok; ++n) {
        TDialogItem item;
        in.AlignToDword();
        if (dialog.Extended) {
            item.HelpId = in.Read<DWORD>();
            item.ExStyle = in.Read<DWORD>();
            item.Style = in.Read<DWORD>();
        } else {
            item.Style = in.Read<DWORD>();
            item.ExStyle = in.Read<DWORD>();
        }
        item.X = in.Read<short>();
        item.Y = in.Read<short>();
        item.Cx = in.Read<short>();
        item.Cy = in.Read<short>();
        item.Id = dialog.Extended ? in.Read<DWORD>() : in.Read<WORD>();
        item.Class = in.ReadNameOrOrdinal(true);
        item.Text = in.ReadNameOrOrdinal(false);
        item.ExtraBytes = in.Read<WORD>();
        in.Pos += item.ExtraBytes;
        dialog.Items.push_back(item);
    }
    dialog.ParsedBytes = in.Pos;
    if (!in.Ok || in.Pos > bytes.size()) {
        error = "template truncated after " + std::to_string(dialog.Items.size()) + " items";
        return false;
    }
    return true;
}

bool ParseIconGroup(const std::string &bytes, std::vector<TIconEntry> &entries) {
    TReader in{bytes};
    entries.clear();
    WORD reserved = in.Read<WORD>(), type = in.Read<WORD>(), count = in.Read<WORD>();
    if (!in.Ok || reserved != 0 || type != 1)
        return false;
    for (WORD n = 0; n < count; ++n) {
        TIconEntry e;
        e.Width = in.Read<BYTE>();
        e.Height = in.Read<BYTE>();
        e.ColorCount = in.Read<BYTE>();
        in.Read<BYTE>();
        e.Planes = in.Read<WORD>();
        e.BitCount = in.Read<WORD>();
        e.BytesInRes = in.Read<DWORD>();
        e.Id = in.Read<WORD>();
        entries.push_back(e);
    }
    return in.Ok && in.Pos == bytes.size();
}
