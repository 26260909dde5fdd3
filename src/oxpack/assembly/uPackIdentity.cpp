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
            if (!manifest && IsOfType(r, TypeManifest))
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
                                       [](const TResource &r) { return IsOfType(r, TypeVersion); }),
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
            return IsOfType(r, TypeGroupIcon) && r.Name.Id == group.Name.Id && r.Name.Text == group.Name.Text &&
                   r.Language == group.Language;
        };
        for (const TResource &r : resources)
            if (IsOfType(r, TypeGroupIcon) && !isOldGroup(r))
                for (uint16_t id : GroupImageIds(r.Bytes))
                    freed.erase(std::remove(freed.begin(), freed.end(), id), freed.end());
        resources.erase(std::remove_if(resources.begin(), resources.end(),
                                       [&](const TResource &r) {
                                           return isOldGroup(r) ||
                                                  (IsOfType(r, TypeIcon) && r.Name.Text.empty() &&
                                                   std::find(freed.begin(), freed.end(), r.Name.Id) != freed.end());
                                       }),
                        resources.end());
        uint32_t next = 1;
        for (const TResource &r : resources)
            if (IsOfType(r, TypeIcon) && r.Name.Text.empty() && r.Name.Id >= next)
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
    if (!ChangeResources(changed, identity, images, outputName, error))
        return false;
    extractor.swap(changed);
    return true;
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
