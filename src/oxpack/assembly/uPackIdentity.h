// uPackIdentity: the package's own icon and version information. Both are
// resources of the extractor, changed in a copy of its bytes before the
// other pieces are appended, so the settings offsets follow the new size.
// The icon group Explorer shows for the file (the first in the resource
// directory) gets the given icon's images, all of them; a version
// resource replaces every version resource the extractor carries.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TPackIdentity {
    std::string IconPath;          // .ico file; empty: the extractor's icon
    std::string ProductName;
    std::string ProductVersion;    // "1.2.3.4"; the leading numbers also go
                                   // into the binary version fields
    std::string Company;
    std::string Description;
    std::string Copyright;
    bool Elevate = false;          // the manifest asks for an administrator
};

// True when any version field is given (the version resource is replaced).
bool HasVersionFields(const TPackIdentity &identity);
// True when anything is to change.
bool HasIdentity(const TPackIdentity &identity);

// Changes the resources of the extractor image in extractor (its bytes),
// through the system's resource update calls on a scratch copy.
// outputName is the package's file name, for the version resource. On
// failure returns false with a message naming the file or field, and
// leaves extractor unchanged.
bool ApplyIdentity(std::string &extractor, const TPackIdentity &identity, const std::string &outputName,
                   std::string &error);

// The version strings of a program or package file, in resource order
// ("ProductName", ...), with "FileVersion (binary)" first; false when it
// carries no version resource.
bool ReadFileVersionStrings(const std::string &path, std::vector<std::pair<std::string, std::string>> &strings);

// --- Pure routines, exposed for their tests. ---

#include "uIconResource.h"
#include "uVersionResource.h"

// The manifest with its requested execution level changed to an
// administrator's; false when it requests none.
bool ElevatedManifest(const std::string &manifest, std::string &elevated);
