// uPackIdentity: the package's icon and version resource. The resource
// section is rewritten by byte work (uResourceSection), the same in every
// build of the builder; the resource formats themselves (icon file, icon
// group, VS_VERSIONINFO) are written and read here, by pure routines that
// the tests drive directly.
#include "uPackIdentity.h"
#include "uResourceSection.h"
#include "uLittleEndian.h"
#include "mPackFiles.h"
#include "mPackText.h"

#include <algorithm>
#include <cstring>

namespace {

// The resource types by number.
const uint16_t TypeIcon = 3;
const uint16_t TypeGroupIcon = 14;
const uint16_t TypeVersion = 16;
const uint16_t TypeManifest = 24;
// The name a version resource takes when the program has none.
const uint16_t VersionInfoId = 1;

// --- The sections after the resources. ---
// The system's update calls rewrite the resource section in place and can
// grow it only when it is the image's last section (Wine's refuses any
// other layout); the linker puts the relocations after it. They are taken
// off for the update and put back after the new resource section, their
// addresses moved with them. Their contents hold addresses of the code and
// data before them, which do not move.

struct TPeLayout {
    size_t NtHeaders = 0;      // offset of the PE signature
    size_t Directories = 0;    // offset of the data directories
    size_t Sections = 0;       // offset of the first section header
    uint16_t Count = 0;
    uint32_t SectionAlignment = 0, FileAlignment = 0;
    int Resources = -1;        // index of .rsrc
};

const size_t SectionHeaderSize = 40;
const size_t OptionalHeaderAt = 24;     // from the PE signature
// The data directories, from the optional header: 96 in a 32-bit image,
// 112 in a 64-bit one (whose other fields used here sit where they do in
// a 32-bit one).
size_t DirectoriesAt(uint16_t magic)
{
    return magic == 0x20B ? 112 : 96;
}

uint32_t AlignUp(uint32_t value, uint32_t alignment)
{
    return alignment ? (value + alignment - 1) / alignment * alignment : value;
}

bool ReadLayout(const std::string &image, TPeLayout &layout)
{
    if (image.size() < 64 || Word(image, 0) != 0x5A4D)
        return false;
    layout.NtHeaders = Dword(image, 60);
    if (layout.NtHeaders > image.size() || image.size() - layout.NtHeaders < OptionalHeaderAt + 112 + 16 * 8 ||
        Dword(image, layout.NtHeaders) != 0x4550)
        return false;
    const uint16_t magic = Word(image, layout.NtHeaders + OptionalHeaderAt);
    if (magic != 0x10B && magic != 0x20B)
        return false;
    layout.Directories = layout.NtHeaders + OptionalHeaderAt + DirectoriesAt(magic);
    layout.Count = Word(image, layout.NtHeaders + 6);
    layout.Sections = layout.NtHeaders + OptionalHeaderAt + Word(image, layout.NtHeaders + 20);
    layout.SectionAlignment = Dword(image, layout.NtHeaders + OptionalHeaderAt + 32);
    layout.FileAlignment = Dword(image, layout.NtHeaders + OptionalHeaderAt + 36);
    if (layout.Sections + SectionHeaderSize * layout.Count > image.size() || layout.SectionAlignment == 0 ||
        layout.FileAlignment == 0)
        return false;
    for (uint16_t i = 0; i < layout.Count; ++i)
        if (image.compare(layout.Sections + SectionHeaderSize * i, 6, std::string(".rsrc\0", 6)) == 0)
            layout.Resources = i;
    return true;
}

// The section headers and raw data taken off after .rsrc.
struct TTail {
    std::vector<std::string> Headers;
    std::vector<std::string> Data;
};

bool DetachTail(std::string &image, TTail &tail)
{
    TPeLayout layout;
    if (!ReadLayout(image, layout) || layout.Resources < 0)
        return false;
    const size_t resources = layout.Sections + SectionHeaderSize * layout.Resources;
    const uint32_t resourcesEnd = Dword(image, resources + 20) + Dword(image, resources + 16);
    for (uint16_t i = static_cast<uint16_t>(layout.Resources + 1); i < layout.Count; ++i) {
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
    SetWord(image, layout.NtHeaders + 6, static_cast<uint16_t>(layout.Resources + 1));
    const uint32_t end = Dword(image, resources + 12) +
                         std::max(Dword(image, resources + 8), Dword(image, resources + 16));
    SetDword(image, layout.NtHeaders + OptionalHeaderAt + 56, AlignUp(end, layout.SectionAlignment));
    return true;
}

bool AttachTail(std::string &image, const TTail &tail)
{
    if (tail.Headers.empty())
        return true;
    TPeLayout layout;
    if (!ReadLayout(image, layout) || layout.Resources != layout.Count - 1)
        return false;
    const size_t resources = layout.Sections + SectionHeaderSize * layout.Resources;
    uint32_t address = AlignUp(Dword(image, resources + 12) +
                                   std::max(Dword(image, resources + 8), Dword(image, resources + 16)),
                               layout.SectionAlignment);
    image.resize(AlignUp(static_cast<uint32_t>(image.size()), layout.FileAlignment), '\0');
    const size_t directories = layout.Directories;
    const uint32_t directoryCount = std::min<uint32_t>(16, Dword(image, directories - 4));
    for (size_t k = 0; k < tail.Headers.size(); ++k) {
        std::string header = tail.Headers[k];
        const uint32_t oldAddress = Dword(header, 12);
        const uint32_t virtualSize = std::max(Dword(header, 8), Dword(header, 16));
        // Directories inside the moved section (the relocations) move too.
        for (uint32_t d = 0; d < directoryCount; ++d) {
            const uint32_t rva = Dword(image, directories + 8 * d);
            if (rva >= oldAddress && rva < oldAddress + virtualSize)
                SetDword(image, directories + 8 * d, rva - oldAddress + address);
        }
        SetDword(header, 12, address);
        SetDword(header, 20, tail.Data[k].empty() ? 0 : static_cast<uint32_t>(image.size()));
        image += tail.Data[k];
        image.resize(AlignUp(static_cast<uint32_t>(image.size()), layout.FileAlignment), '\0');
        const size_t at = layout.Sections + SectionHeaderSize * (layout.Count + k);
        if (at + SectionHeaderSize > Dword(image, layout.NtHeaders + OptionalHeaderAt + 60))
            return false;  // no room left among the headers
        image.replace(at, SectionHeaderSize, header);
        address = AlignUp(address + virtualSize, layout.SectionAlignment);
    }
    SetWord(image, layout.NtHeaders + 6, static_cast<uint16_t>(layout.Count + tail.Headers.size()));
    SetDword(image, layout.NtHeaders + OptionalHeaderAt + 56, address);   // SizeOfImage
    SetDword(image, layout.NtHeaders + OptionalHeaderAt + 64, 0);         // CheckSum: not kept
    return true;
}

bool ReadFileBytes(const std::string &path, std::string &bytes)
{
    std::string error;
    return ReadFileRange(path, 0, 0x40000000, bytes, error) && FileSizeOf(path) == static_cast<int64_t>(bytes.size());
}

// The icon numbers a group resource (GRPICONDIR) refers to.
std::vector<uint16_t> GroupImageIds(const std::string &group)
{
    std::vector<uint16_t> ids;
    const size_t count = group.size() >= 6 ? Word(group, 4) : 0;
    for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i)
        ids.push_back(Word(group, 6 + 14 * i + 12));
    return ids;
}

bool IsNumbered(const TResource &r, uint16_t type)
{
    return r.Type.Text.empty() && r.Type.Id == type;
}

// The new identity in place of the old, in the resources of image (its
// resource section the last section):
// - the first icon group, the one Explorer shows, keeps its name and
//   language, so whatever refers to it (the dialogs' program icon) shows
//   the package's icon too; it gets the new images, which take the numbers
//   of its old images first, and old images no other group uses go;
// - one version resource replaces every version resource, under the
//   first's name and language;
// - --elevate changes the program's own manifest.
bool ChangeResources(std::string &image, const TPackIdentity &identity, const std::vector<TIconImage> &images,
                     const std::string &outputName, std::string &error)
{
    std::vector<TResource> resources;
    std::string reason;
    if (!ReadImageResources(image, resources, reason)) {
        error = "The extractor's resources cannot be read: " + reason;
        return false;
    }
    if (identity.Elevate) {
        TResource *manifest = nullptr;
        for (TResource &r : resources)
            if (!manifest && IsNumbered(r, TypeManifest))
                manifest = &r;
        std::string elevated;
        if (!manifest || !ElevatedManifest(manifest->Bytes, elevated)) {
            error = "--elevate: the extractor's manifest requests no execution level to change";
            return false;
        }
        manifest->Bytes = elevated;
    }
    if (HasVersionFields(identity)) {
        TResource version;
        version.Type.Id = TypeVersion;
        version.Name.Id = VersionInfoId;
        version.Language = 0x0409;  // US English
        if (const TResource *first = FirstResourceOf(resources, TypeVersion))
            version = *first;
        version.CodePage = 0;
        version.Bytes = VersionResource(identity, outputName);
        resources.erase(std::remove_if(resources.begin(), resources.end(),
                                       [](const TResource &r) { return IsNumbered(r, TypeVersion); }),
                        resources.end());
        resources.push_back(version);
    }
    if (!images.empty()) {
        TResource group;
        group.Type.Id = TypeGroupIcon;
        group.Name.Id = 1;
        std::vector<uint16_t> freed;
        if (const TResource *first = FirstResourceOf(resources, TypeGroupIcon)) {
            group = *first;
            freed = GroupImageIds(first->Bytes);
        }
        auto isOldGroup = [&](const TResource &r) {
            return IsNumbered(r, TypeGroupIcon) && r.Name.Id == group.Name.Id && r.Name.Text == group.Name.Text &&
                   r.Language == group.Language;
        };
        for (const TResource &r : resources)
            if (IsNumbered(r, TypeGroupIcon) && !isOldGroup(r))
                for (uint16_t id : GroupImageIds(r.Bytes))
                    freed.erase(std::remove(freed.begin(), freed.end(), id), freed.end());
        resources.erase(std::remove_if(resources.begin(), resources.end(),
                                       [&](const TResource &r) {
                                           return isOldGroup(r) ||
                                                  (IsNumbered(r, TypeIcon) && r.Name.Text.empty() &&
                                                   std::find(freed.begin(), freed.end(), r.Name.Id) != freed.end());
                                       }),
                        resources.end());
        uint32_t next = 1;
        for (const TResource &r : resources)
            if (IsNumbered(r, TypeIcon) && r.Name.Text.empty() && r.Name.Id >= next)
                next = r.Name.Id + 1u;
        std::vector<uint16_t> ids;
        for (size_t i = 0; i < images.size(); ++i) {
            if (i < freed.size()) {
                ids.push_back(freed[i]);
            } else if (next > 0xFFFF) {
                error = "The extractor has no free icon numbers left for " + identity.IconPath;
                return false;
            } else {
                ids.push_back(static_cast<uint16_t>(next++));
            }
            TResource icon;
            icon.Type.Id = TypeIcon;
            icon.Name.Id = ids.back();
            icon.Language = group.Language;
            icon.Bytes = images[i].Bytes;
            resources.push_back(icon);
        }
        group.CodePage = 0;
        group.Bytes = IconGroupResource(images, ids);
        resources.push_back(group);
    }
    if (!WriteImageResources(image, resources, reason)) {
        error = "The extractor's resources cannot be changed: " + reason;
        return false;
    }
    return true;
}

} // namespace

bool HasVersionFields(const TPackIdentity &identity)
{
    return !identity.ProductName.empty() || !identity.ProductVersion.empty() || !identity.Company.empty() ||
           !identity.Description.empty() || !identity.Copyright.empty();
}

bool HasIdentity(const TPackIdentity &identity)
{
    return !identity.IconPath.empty() || HasVersionFields(identity) || identity.Elevate;
}

bool ElevatedManifest(const std::string &manifest, std::string &elevated)
{
    const std::string key = "requestedExecutionLevel";
    const size_t element = manifest.find(key);
    const size_t level = element == std::string::npos ? element : manifest.find("level=\"", element + key.size());
    const size_t end = level == std::string::npos ? level : manifest.find('"', level + 7);
    if (end == std::string::npos || manifest.find('>', element) < end)
        return false;
    elevated = manifest.substr(0, level + 7) + "requireAdministrator" + manifest.substr(end);
    return true;
}

bool ApplyIdentity(std::string &extractor, const TPackIdentity &identity, const std::string &outputName,
                   std::string &error)
{
    if (!HasIdentity(identity))
        return true;
    std::vector<TIconImage> images;
    if (!identity.IconPath.empty()) {
        std::string iconBytes;
        std::string reason;
        if (!ReadFileBytes(identity.IconPath, iconBytes)) {
            error = "The icon file is missing or unreadable: " + identity.IconPath;
            return false;
        }
        if (!ParseIconFile(iconBytes, images, reason)) {
            error = "--icon needs an icon (.ico) file; " + identity.IconPath + " is " + reason;
            return false;
        }
    }
    uint16_t numbers[4];
    if (!ParseVersionNumbers(identity.ProductVersion, numbers)) {
        error = "--product-version: each number of the version is at most 65535: " + identity.ProductVersion;
        return false;
    }

    std::string changed = extractor;
    TTail tail;
    if (!DetachTail(changed, tail)) {
        error = "The extractor is not a program whose resources can be changed (no resource section, or sections "
                "after it that cannot be moved)";
        return false;
    }
    bool ok = ChangeResources(changed, identity, images, outputName, error);
    if (ok && !AttachTail(changed, tail)) {
        error = "The relocations of the extractor cannot be put back after its new resources";
        ok = false;
    }
    if (ok)
        extractor.swap(changed);
    return ok;
}

bool ReadFileVersionStrings(const std::string &path, std::vector<std::pair<std::string, std::string>> &strings)
{
    strings.clear();
    // A program's resources lie well within its first 16 MiB; a package's
    // cabinet after them is never read for this.
    std::string image, error;
    std::vector<TResource> resources;
    if (!ReadFileRange(path, 0, 16 << 20, image, error) || !ReadImageResources(image, resources, error))
        return false;
    const TResource *version = FirstResourceOf(resources, TypeVersion);
    return version && ParseVersionResource(version->Bytes, strings);
}
