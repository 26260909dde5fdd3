// uVersionResource: a version resource is a tree of blocks (length, value
// length, type, key, value, children), each on a 32-bit boundary of the
// resource.
#include "uVersionResource.h"
#include "uLittleEndian.h"
#include "uPackIdentity.h"
#include "mPackText.h"

namespace {

// Blocks of a version resource start on 32-bit boundaries of the resource.
void Align(std::string &b)
{
    while (b.size() % 4)
        b += '\0';
}

size_t Aligned(size_t at)
{
    return (at + 3) & ~static_cast<size_t>(3);
}

void PutWideZ(std::string &b, const std::wstring &text)
{
    for (wchar_t c : text)
        PutWord(b, static_cast<uint16_t>(c));
    PutWord(b, 0);
}

// Opens a block: length (filled in by EndBlock), value length, type, key.
size_t BeginBlock(std::string &b, const wchar_t *key, uint16_t valueLength, uint16_t type)
{
    Align(b);
    const size_t start = b.size();
    PutWord(b, 0);
    PutWord(b, valueLength);
    PutWord(b, type);
    PutWideZ(b, key);
    Align(b);
    return start;
}

void EndBlock(std::string &b, size_t start)
{
    SetWord(b, start, static_cast<uint16_t>(b.size() - start));
}

void PutString(std::string &b, const wchar_t *key, const std::string &value)
{
    if (value.empty())
        return;
    const std::wstring wide = WideOf(value);
    const size_t start = BeginBlock(b, key, static_cast<uint16_t>(wide.size() + 1), 1);
    PutWideZ(b, wide);
    EndBlock(b, start);
}

// One block of a version resource, as stored.
struct TBlock {
    size_t End = 0;            // first byte after the block
    uint16_t ValueLength = 0;
    uint16_t Type = 0;
    std::wstring Key;
    size_t Value = 0;          // first byte of the value
    size_t Children = 0;       // first byte of the first child
};

bool ReadBlock(const std::string &b, size_t at, size_t limit, TBlock &block)
{
    if (at + 6 > limit)
        return false;
    const uint16_t length = Word(b, at);
    if (length < 6 || at + length > limit)
        return false;
    block.End = at + length;
    block.ValueLength = Word(b, at + 2);
    block.Type = Word(b, at + 4);
    block.Key.clear();
    size_t p = at + 6;
    for (;; p += 2) {
        if (p + 2 > block.End)
            return false;
        const uint16_t c = Word(b, p);
        if (c == 0)
            break;
        block.Key += static_cast<wchar_t>(c);
    }
    block.Value = Aligned(p + 2);
    // Text values count characters, binary ones bytes.
    const size_t valueBytes = block.Type == 1 ? block.ValueLength * 2u : block.ValueLength;
    if (block.Value > block.End || block.Value + valueBytes > block.End)
        return false;
    block.Children = Aligned(block.Value + valueBytes);
    return true;
}

std::wstring TextValue(const std::string &b, const TBlock &block)
{
    std::wstring text;
    for (size_t p = block.Value; p + 2 <= block.End && text.size() < block.ValueLength; p += 2) {
        const uint16_t c = Word(b, p);
        if (c == 0)
            break;
        text += static_cast<wchar_t>(c);
    }
    return text;
}

} // namespace

bool ParseVersionNumbers(const std::string &text, uint16_t (&numbers)[4])
{
    for (uint16_t &n : numbers)
        n = 0;
    size_t at = 0;
    for (int part = 0; part < 4 && at < text.size() && text[at] >= '0' && text[at] <= '9'; ++part) {
        uint32_t value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            value = value * 10 + static_cast<uint32_t>(text[at++] - '0');
            if (value > 0xFFFF)
                return false;
        }
        numbers[part] = static_cast<uint16_t>(value);
        if (at + 1 >= text.size() || text[at] != '.')
            break;
        ++at;
    }
    return true;
}

std::string VersionResource(const TPackIdentity &identity, const std::string &originalFilename)
{
    uint16_t v[4];
    if (!ParseVersionNumbers(identity.ProductVersion, v))
        v[0] = v[1] = v[2] = v[3] = 0;
    std::string b;
    const size_t root = BeginBlock(b, L"VS_VERSION_INFO", 52, 0);
    PutDword(b, 0xFEEF04BD);                    // signature
    PutDword(b, 0x00010000);                    // structure version
    for (int twice = 0; twice < 2; ++twice) {   // file, then product version
        PutDword(b, static_cast<uint32_t>(v[0]) << 16 | v[1]);
        PutDword(b, static_cast<uint32_t>(v[2]) << 16 | v[3]);
    }
    PutDword(b, 0x3F);                          // flags mask
    PutDword(b, 0);                             // flags
    PutDword(b, 0x40004);                       // file OS: VOS_NT_WINDOWS32
    PutDword(b, 1);                             // file type: VFT_APP
    PutDword(b, 0);                             // subtype
    PutDword(b, 0);                             // date
    PutDword(b, 0);

    const size_t stringInfo = BeginBlock(b, L"StringFileInfo", 0, 1);
    const size_t table = BeginBlock(b, L"040904B0", 0, 1);  // US English, Unicode
    PutString(b, L"CompanyName", identity.Company);
    PutString(b, L"FileDescription", identity.Description);
    PutString(b, L"FileVersion", identity.ProductVersion);
    PutString(b, L"LegalCopyright", identity.Copyright);
    PutString(b, L"OriginalFilename", originalFilename);
    PutString(b, L"ProductName", identity.ProductName);
    PutString(b, L"ProductVersion", identity.ProductVersion);
    EndBlock(b, table);
    EndBlock(b, stringInfo);

    const size_t varInfo = BeginBlock(b, L"VarFileInfo", 0, 1);
    const size_t translation = BeginBlock(b, L"Translation", 4, 0);
    PutWord(b, 0x0409);
    PutWord(b, 1200);
    EndBlock(b, translation);
    EndBlock(b, varInfo);
    EndBlock(b, root);
    return b;
}

bool ParseVersionResource(const std::string &bytes, std::vector<std::pair<std::string, std::string>> &strings)
{
    strings.clear();
    TBlock root;
    if (!ReadBlock(bytes, 0, bytes.size(), root) || root.Key != L"VS_VERSION_INFO" || root.ValueLength < 52 ||
        Dword(bytes, root.Value) != 0xFEEF04BD)
        return false;
    const uint32_t high = Dword(bytes, root.Value + 8);
    const uint32_t low = Dword(bytes, root.Value + 12);
    strings.emplace_back("FileVersion (binary)", std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) +
                                                     "." + std::to_string(low >> 16) + "." +
                                                     std::to_string(low & 0xFFFF));
    for (size_t at = root.Children; at < root.End;) {
        TBlock info;
        if (!ReadBlock(bytes, at, root.End, info))
            return false;
        if (info.Key == L"StringFileInfo") {
            for (size_t t = info.Children; t < info.End;) {
                TBlock table;
                if (!ReadBlock(bytes, t, info.End, table))
                    return false;
                for (size_t s = table.Children; s < table.End;) {
                    TBlock text;
                    if (!ReadBlock(bytes, s, table.End, text))
                        return false;
                    strings.emplace_back(Utf8Of(text.Key), Utf8Of(TextValue(bytes, text)));
                    s = Aligned(text.End);
                }
                t = Aligned(table.End);
            }
        }
        at = Aligned(info.End);
    }
    return true;
}
