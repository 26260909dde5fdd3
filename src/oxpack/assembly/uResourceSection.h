// uResourceSection: the resources of a program image, read from and written
// into its resource section by plain byte work, so that every build of the
// builder gives a package the same bytes. Pure: no system call.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A type or name of the resource directory: an ordinal, or a name (UTF-16
// code units) when Text is not empty.
struct TResourceKey {
    uint16_t Id = 0;
    std::u16string Text;
};

struct TResource {
    TResourceKey Type, Name;
    uint16_t Language = 0;
    uint32_t CodePage = 0;
    std::string Bytes;
};

// Every resource of the image, in directory order (named before numbered,
// each kind in order); false with the reason when the image or its
// resource directory is malformed. An image without resources gives none.
bool ReadImageResources(const std::string &image, std::vector<TResource> &resources, std::string &error);

// Replaces the image's resource section by one holding resources (in the
// order the directory requires, whatever their order here); the image
// grows or shrinks with it. Sections after it (the relocations, where the
// linker puts them there) move with its end. False with the reason, image
// unchanged, when the image has no resource section, or data after its
// sections, or sections after it that cannot be moved.
bool WriteImageResources(std::string &image, const std::vector<TResource> &resources, std::string &error);

// True for a resource of the numbered type.
bool IsOfType(const TResource &resource, uint16_t type);
// The first resource of type (in directory order), or null.
const TResource *FirstResourceOf(const std::vector<TResource> &resources, uint16_t type);
