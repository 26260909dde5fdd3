// mPackResources: reading and replacing the resources of a program file
// through the system's own resource calls. Only the Windows build has them
// (ResourcesAreChangeable); elsewhere every call fails.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A resource's name: an ordinal, or a name (UTF-8) when Name is not empty.
struct TResourceName {
    uint16_t Id = 0;
    std::string Name;
};

// One resource of a type, in the order the directory holds them, with its
// languages and the bytes of its first language.
struct TResourceItem {
    TResourceName Name;
    std::vector<uint16_t> Languages;
    std::string FirstBytes;
};

struct TResourceUpdate {
    uint16_t Type = 0;
    TResourceName Name;
    uint16_t Language = 0;
    std::string Bytes;
};

// Whether this build can change a program's resources at all.
bool ResourcesAreChangeable();
// Every resource of type in the program file at path; false when the file
// cannot be loaded as a program.
bool ReadResources(const std::string &path, uint16_t type, std::vector<TResourceItem> &items);
// Adds or replaces resources (same type, name and language) in the program
// file at path, all or none; false with the system's reason.
bool UpdateResources(const std::string &path, const std::vector<TResourceUpdate> &updates, std::string &reason);
// A new empty file in the temporary folder; false when none can be made.
bool MakeScratchFile(std::string &path);
