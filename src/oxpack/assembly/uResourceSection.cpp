// uResourceSection: the resource directory of a program image, read and
// written by byte work alone. The directory has three levels (type, name,
// language); each table lists named entries before numbered ones, names in
// upper-case order and numbers rising, which the loader's binary search
// relies on.
#include "uResourceSection.h"
#include "uLittleEndian.h"
#include <algorithm>
#include <map>

namespace {

uint32_t AlignUp(uint32_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

const size_t SectionHeaderSize = 40;
const size_t OptionalHeaderAt = 24;  // from the PE signature
const uint32_t Subdirectory = 0x80000000u;
const size_t MaxResources = 65536;   // far above any program's; bounds a hostile directory

// Where the resource section sits in the image.
struct TLayout {
    size_t Pe = 0;              // offset of the PE signature
    size_t Optional = 0;        // offset of the optional header
    size_t Directories = 0;     // offset of the data directories
    size_t Sections = 0;        // offset of the first section header
    uint16_t Count = 0;         // sections
    uint16_t Index = 0;         // the resource section's
    size_t Directory = 0;       // offset of the resource data directory entry
    size_t Header = 0;          // offset of the resource section's header
    bool Last = false;          // no section follows it
    uint32_t Address = 0, VirtualSize = 0, Raw = 0, RawSize = 0;
    uint32_t SectionAlignment = 0, FileAlignment = 0;
};

bool ReadLayout(const std::string &image, TLayout &layout, std::string &error)
{
    error = "not a program image";
    if (image.size() < 64 || Word(image, 0) != 0x5A4D)
        return false;
    const size_t pe = layout.Pe = Dword(image, 60);
    if (pe > image.size() || image.size() - pe < OptionalHeaderAt + 112 + 16 * 8 || Dword(image, pe) != 0x4550)
        return false;
    layout.Optional = pe + OptionalHeaderAt;
    const uint16_t magic = Word(image, layout.Optional);
    if (magic != 0x10B && magic != 0x20B)
        return false;
    const size_t directories = layout.Directories = layout.Optional + (magic == 0x20B ? 112 : 96);
    if (Dword(image, directories - 4) < 3)
        return false;
    layout.Directory = directories + 8 * 2;
    layout.SectionAlignment = Dword(image, layout.Optional + 32);
    layout.FileAlignment = Dword(image, layout.Optional + 36);
    const uint16_t count = layout.Count = Word(image, pe + 6);
    const size_t sections = layout.Sections = layout.Optional + Word(image, pe + 20);
    if (sections + SectionHeaderSize * count > image.size() || !layout.SectionAlignment || !layout.FileAlignment)
        return false;
    const uint32_t resources = Dword(image, layout.Directory);
    error.clear();
    for (uint16_t i = 0; i < count; ++i) {
        const size_t header = sections + SectionHeaderSize * i;
        const uint32_t address = Dword(image, header + 12);
        const bool named = image.compare(header, 6, std::string(".rsrc\0", 6)) == 0;
        if (resources ? address != resources : !named)
            continue;
        layout.Header = header;
        layout.Index = i;
        layout.Last = i + 1 == count;
        layout.Address = address;
        layout.VirtualSize = Dword(image, header + 8);
        layout.RawSize = Dword(image, header + 16);
        layout.Raw = Dword(image, header + 20);
        if (static_cast<uint64_t>(layout.Raw) + layout.RawSize > image.size()) {
            error = "a resource section outside the file";
            return false;
        }
        return true;
    }
    return true;  // no resource section: Header stays 0
}

// The section headers and raw data after the resource section, taken off
// while it is rewritten and put back after its new end, their addresses
// moved with them. Their contents hold addresses of the code and data
// before them, which do not move.
struct TTail {
    std::vector<std::string> Headers;
    std::vector<std::string> Data;
};

bool DetachTail(std::string &image, const TLayout &layout, TTail &tail)
{
    const uint32_t resourcesEnd = layout.Raw + layout.RawSize;
    for (uint16_t i = static_cast<uint16_t>(layout.Index + 1); i < layout.Count; ++i) {
        const size_t header = layout.Sections + SectionHeaderSize * i;
        const uint32_t raw = Dword(image, header + 20), rawSize = Dword(image, header + 16);
        // Only a plain tail can be moved: raw data after the resources',
        // within the file.
        if ((rawSize && raw < resourcesEnd) || static_cast<uint64_t>(raw) + rawSize > image.size())
            return false;
        tail.Headers.push_back(image.substr(header, SectionHeaderSize));
        tail.Data.push_back(image.substr(raw, rawSize));
        image.replace(header, SectionHeaderSize, SectionHeaderSize, '\0');
    }
    if (tail.Headers.empty())
        return true;
    image.resize(resourcesEnd);
    SetWord(image, layout.Pe + 6, static_cast<uint16_t>(layout.Index + 1));
    return true;
}

bool AttachTail(std::string &image, const TTail &tail)
{
    if (tail.Headers.empty())
        return true;
    TLayout layout;
    std::string error;
    if (!ReadLayout(image, layout, error) || !layout.Last)
        return false;
    uint32_t address =
        AlignUp(layout.Address + std::max(layout.VirtualSize, layout.RawSize), layout.SectionAlignment);
    image.resize(AlignUp(static_cast<uint32_t>(image.size()), layout.FileAlignment), '\0');
    const uint32_t directoryCount = std::min<uint32_t>(16, Dword(image, layout.Directories - 4));
    for (size_t k = 0; k < tail.Headers.size(); ++k) {
        std::string header = tail.Headers[k];
        const uint32_t oldAddress = Dword(header, 12);
        const uint32_t virtualSize = std::max(Dword(header, 8), Dword(header, 16));
        // Directories inside the moved section (the relocations) move too.
        for (uint32_t d = 0; d < directoryCount; ++d) {
            const uint32_t rva = Dword(image, layout.Directories + 8 * d);
            if (rva >= oldAddress && rva < oldAddress + virtualSize)
                SetDword(image, layout.Directories + 8 * d, rva - oldAddress + address);
        }
        SetDword(header, 12, address);
        SetDword(header, 20, tail.Data[k].empty() ? 0 : static_cast<uint32_t>(image.size()));
        image += tail.Data[k];
        image.resize(AlignUp(static_cast<uint32_t>(image.size()), layout.FileAlignment), '\0');
        const size_t at = layout.Sections + SectionHeaderSize * (layout.Count + k);
        if (at + SectionHeaderSize > Dword(image, layout.Optional + 60))
            return false;  // no room left among the headers
        image.replace(at, SectionHeaderSize, header);
        address = AlignUp(address + virtualSize, layout.SectionAlignment);
    }
    SetWord(image, layout.Pe + 6, static_cast<uint16_t>(layout.Count + tail.Headers.size()));
    SetDword(image, layout.Optional + 56, address);   // SizeOfImage
    SetDword(image, layout.Optional + 64, 0);         // CheckSum: not kept
    return true;
}

// Reads one directory table and what lies below it; depth 0 is the types.
struct TReader {
    const std::string &Image;
    const TLayout &Layout;
    std::vector<TResource> &Out;
    std::string &Error;

    bool Fail(const char *reason)
    {
        Error = reason;
        return false;
    }

    bool Key(uint32_t field, TResourceKey &key)
    {
        key = TResourceKey();
        if (!(field & Subdirectory)) {
            key.Id = static_cast<uint16_t>(field);
            return true;
        }
        const uint32_t at = field & ~Subdirectory;
        if (static_cast<uint64_t>(at) + 2 > Layout.RawSize)
            return Fail("a resource name outside the resource section");
        const uint16_t length = Word(Image, Layout.Raw + at);
        if (static_cast<uint64_t>(at) + 2 + 2u * length > Layout.RawSize)
            return Fail("a resource name outside the resource section");
        for (uint16_t i = 0; i < length; ++i)
            key.Text += static_cast<char16_t>(Word(Image, Layout.Raw + at + 2 + 2u * i));
        if (key.Text.empty())
            return Fail("an empty resource name");
        return true;
    }

    bool Table(uint32_t at, int depth, TResource &path)
    {
        if (static_cast<uint64_t>(at) + 16 > Layout.RawSize)
            return Fail("a resource table outside the resource section");
        const size_t entries = static_cast<size_t>(Word(Image, Layout.Raw + at + 12)) + Word(Image, Layout.Raw + at + 14);
        if (at + 16 + 8 * static_cast<uint64_t>(entries) > Layout.RawSize)
            return Fail("a resource table outside the resource section");
        for (size_t i = 0; i < entries; ++i) {
            const size_t entry = Layout.Raw + at + 16 + 8 * i;
            const uint32_t name = Dword(Image, entry), target = Dword(Image, entry + 4);
            TResourceKey key;
            if (!Key(name, key))
                return false;
            if (depth == 0)
                path.Type = key;
            else if (depth == 1)
                path.Name = key;
            else if (key.Text.empty())
                path.Language = key.Id;
            else
                return Fail("a resource language given by name");
            if ((depth < 2) != ((target & Subdirectory) != 0))
                return Fail("a resource directory deeper or shallower than type, name and language");
            if (depth < 2) {
                if (!Table(target & ~Subdirectory, depth + 1, path))
                    return false;
                continue;
            }
            if (static_cast<uint64_t>(target) + 16 > Layout.RawSize)
                return Fail("a resource entry outside the resource section");
            const uint32_t address = Dword(Image, Layout.Raw + target), size = Dword(Image, Layout.Raw + target + 4);
            const uint64_t offset = static_cast<uint64_t>(address) - Layout.Address;
            if (address < Layout.Address || offset + size > Layout.RawSize)
                return Fail("resource data outside the resource section");
            if (Out.size() == MaxResources)
                return Fail("more resources than any program has");
            path.CodePage = Dword(Image, Layout.Raw + target + 8);
            path.Bytes = Image.substr(Layout.Raw + static_cast<size_t>(offset), size);
            Out.push_back(path);
        }
        return true;
    }
};

// Directory order: names first, compared in upper case, then numbers.
std::u16string Upper(const std::u16string &text)
{
    std::u16string upper = text;
    for (char16_t &c : upper)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return upper;
}

bool KeyBefore(const TResourceKey &a, const TResourceKey &b)
{
    if (a.Text.empty() != b.Text.empty())
        return !a.Text.empty();
    if (!a.Text.empty())
        return Upper(a.Text) < Upper(b.Text);
    return a.Id < b.Id;
}

bool SameKey(const TResourceKey &a, const TResourceKey &b)
{
    return a.Id == b.Id && a.Text == b.Text;
}

// The standard image checksum: 16-bit sums with the carry folded back,
// the checksum field itself left out, plus the file's length.
uint32_t ImageChecksum(const std::string &image, size_t field)
{
    uint64_t sum = 0;
    for (size_t at = 0; at < image.size(); at += 2) {
        if (at == field || at == field + 2)
            continue;
        sum += at + 1 < image.size() ? Word(image, at) : static_cast<uint8_t>(image[at]);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + image.size());
}

// The new section's bytes: every table, then the names, the data entries
// and the data, each data block on an 8-byte boundary.
std::string SectionBytes(std::vector<TResource> sorted, uint32_t address)
{
    std::stable_sort(sorted.begin(), sorted.end(), [](const TResource &a, const TResource &b) {
        if (!SameKey(a.Type, b.Type))
            return KeyBefore(a.Type, b.Type);
        if (!SameKey(a.Name, b.Name))
            return KeyBefore(a.Name, b.Name);
        return a.Language < b.Language;
    });
    // The tables in the order they are laid out: the root, every type's,
    // every name's. Each lists its entries as [first, last) of sorted.
    struct TTable {
        size_t First, Last;
        int Depth;
        uint32_t At = 0;
    };
    std::vector<TTable> tables = {{0, sorted.size(), 0}};
    for (size_t t = 0; t < tables.size(); ++t) {
        if (tables[t].Depth == 2)
            continue;
        for (size_t i = tables[t].First; i < tables[t].Last;) {
            size_t j = i + 1;
            while (j < tables[t].Last && SameKey(tables[t].Depth == 0 ? sorted[j].Type : sorted[j].Name,
                                                 tables[t].Depth == 0 ? sorted[i].Type : sorted[i].Name))
                ++j;
            tables.push_back({i, j, tables[t].Depth + 1});
            i = j;
        }
    }
    // An entry of a table of depth d is one of its groups at depth d + 1.
    auto entries = [&](size_t t) {
        std::vector<size_t> below;
        for (size_t u = t + 1; u < tables.size(); ++u)
            if (tables[u].Depth == tables[t].Depth + 1 && tables[u].First >= tables[t].First &&
                tables[u].Last <= tables[t].Last)
                below.push_back(u);
        return below;
    };
    uint32_t size = 0;
    for (size_t t = 0; t < tables.size(); ++t) {
        tables[t].At = size;
        const size_t count = tables[t].Depth == 2 ? tables[t].Last - tables[t].First : entries(t).size();
        size += 16 + 8 * static_cast<uint32_t>(count);
    }
    std::map<std::u16string, uint32_t> names;
    for (const TResource &r : sorted)
        for (const TResourceKey *key : {&r.Type, &r.Name})
            if (!key->Text.empty() && !names.count(key->Text)) {
                names[key->Text] = size;
                size += 2 + 2 * static_cast<uint32_t>(key->Text.size());
            }
    size = AlignUp(size, 4);
    const uint32_t dataEntries = size;
    size += 16 * static_cast<uint32_t>(sorted.size());
    std::vector<uint32_t> dataAt;
    for (const TResource &r : sorted) {
        size = AlignUp(size, 8);
        dataAt.push_back(size);
        size += static_cast<uint32_t>(r.Bytes.size());
    }

    std::string bytes(size, '\0');
    auto keyField = [&](const TResourceKey &key) {
        return key.Text.empty() ? key.Id : Subdirectory | names[key.Text];
    };
    for (size_t t = 0; t < tables.size(); ++t) {
        const TTable &table = tables[t];
        uint16_t named = 0, numbered = 0;
        size_t slot = table.At + 16;
        if (table.Depth < 2) {
            for (size_t u : entries(t)) {
                const TResourceKey &key = table.Depth == 0 ? sorted[tables[u].First].Type : sorted[tables[u].First].Name;
                ++(key.Text.empty() ? numbered : named);
                SetDword(bytes, slot, keyField(key));
                SetDword(bytes, slot + 4, Subdirectory | tables[u].At);
                slot += 8;
            }
        } else {
            for (size_t i = table.First; i < table.Last; ++i, ++numbered, slot += 8) {
                SetDword(bytes, slot, sorted[i].Language);
                SetDword(bytes, slot + 4, dataEntries + 16 * static_cast<uint32_t>(i));
            }
        }
        SetWord(bytes, table.At + 12, named);
        SetWord(bytes, table.At + 14, numbered);
    }
    for (const auto &name : names) {
        SetWord(bytes, name.second, static_cast<uint16_t>(name.first.size()));
        for (size_t i = 0; i < name.first.size(); ++i)
            SetWord(bytes, name.second + 2 + 2 * i, name.first[i]);
    }
    for (size_t i = 0; i < sorted.size(); ++i) {
        const uint32_t entry = dataEntries + 16 * static_cast<uint32_t>(i);
        SetDword(bytes, entry, address + dataAt[i]);
        SetDword(bytes, entry + 4, static_cast<uint32_t>(sorted[i].Bytes.size()));
        SetDword(bytes, entry + 8, sorted[i].CodePage);
        bytes.replace(dataAt[i], sorted[i].Bytes.size(), sorted[i].Bytes);
    }
    return bytes;
}

} // namespace

bool ReadImageResources(const std::string &image, std::vector<TResource> &resources, std::string &error)
{
    resources.clear();
    TLayout layout;
    if (!ReadLayout(image, layout, error))
        return false;
    if (!layout.Header)
        return true;
    TReader reader{image, layout, resources, error};
    TResource path;
    if (!reader.Table(0, 0, path)) {
        resources.clear();
        return false;
    }
    return true;
}

bool WriteImageResources(std::string &image, const std::vector<TResource> &resources, std::string &error)
{
    TLayout layout;
    if (!ReadLayout(image, layout, error))
        return false;
    if (!layout.Header) {
        error = "a program without a resource section";
        return false;
    }
    std::string detached = image;
    TTail tail;
    if (!DetachTail(detached, layout, tail) || !ReadLayout(detached, layout, error)) {
        error = "a program whose sections after the resources cannot be moved";
        return false;
    }
    // Only the padding to the file alignment may follow the section.
    const size_t end = layout.Raw + static_cast<size_t>(layout.RawSize);
    if (detached.size() > AlignUp(static_cast<uint32_t>(end), layout.FileAlignment) ||
        detached.find_first_not_of('\0', end) != std::string::npos) {
        error = "a program with data after its sections";
        return false;
    }
    if (resources.size() > MaxResources) {
        error = "more resources than any program has";
        return false;
    }
    const std::string section = SectionBytes(resources, layout.Address);
    const uint32_t rawSize = AlignUp(static_cast<uint32_t>(section.size()), layout.FileAlignment);
    std::string written = detached.substr(0, layout.Raw) + section;
    written.resize(layout.Raw + static_cast<size_t>(rawSize), '\0');
    SetDword(written, layout.Header + 8, static_cast<uint32_t>(section.size()));
    SetDword(written, layout.Header + 16, rawSize);
    SetDword(written, layout.Optional + 8, Dword(written, layout.Optional + 8) - layout.RawSize + rawSize);
    SetDword(written, layout.Optional + 56, AlignUp(layout.Address + static_cast<uint32_t>(section.size()),
                                                    layout.SectionAlignment));
    SetDword(written, layout.Directory, layout.Address);
    SetDword(written, layout.Directory + 4, static_cast<uint32_t>(section.size()));
    // A checksum the linker wrote stays true; an image without one keeps none.
    if (Dword(written, layout.Optional + 64))
        SetDword(written, layout.Optional + 64, ImageChecksum(written, layout.Optional + 64));
    if (!AttachTail(written, tail)) {
        error = "a program whose sections after the resources cannot be moved";
        return false;
    }
    image.swap(written);
    return true;
}

bool IsOfType(const TResource &resource, uint16_t type)
{
    return resource.Type.Text.empty() && resource.Type.Id == type;
}

const TResource *FirstResourceOf(const std::vector<TResource> &resources, uint16_t type)
{
    for (const TResource &r : resources)
        if (IsOfType(r, type))
            return &r;
    return nullptr;
}
