// uIconResource: an icon (.ico) file's images, and the group resource
// (GRPICONDIR) that lists them where a program stores them. Pure.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TIconImage {
    uint8_t Width = 0, Height = 0, ColorCount = 0;
    uint16_t Planes = 0, BitCount = 0;
    std::string Bytes;             // the image as stored: DIB or PNG
};
// Parses an .ico file; false with the reason when it is not an icon (a
// cursor, a bitmap, a truncated file, an image outside the file).
bool ParseIconFile(const std::string &bytes, std::vector<TIconImage> &images, std::string &error);
// The group resource (GRPICONDIR) for images stored under ids, in order.
std::string IconGroupResource(const std::vector<TIconImage> &images, const std::vector<uint16_t> &ids);
