// uIconResource: the images are kept as the file stores them, DIB or PNG;
// the sizes and depths the directory gives are checked against them.
#include "uIconResource.h"
#include "uLittleEndian.h"

namespace {

const char PngSignature[] = "\x89PNG\r\n\x1a\n";


} // namespace

bool ParseIconFile(const std::string &bytes, std::vector<TIconImage> &images, std::string &error)
{
    images.clear();
    if (bytes.size() < 6 || Word(bytes, 0) != 0 || Word(bytes, 2) != 1) {
        error = bytes.size() >= 6 && Word(bytes, 0) == 0 && Word(bytes, 2) == 2
                    ? "a cursor, not an icon"
                    : "not an icon file";
        return false;
    }
    const size_t count = Word(bytes, 4);
    if (count == 0) {
        error = "an icon file without images";
        return false;
    }
    if (6 + 16 * count > bytes.size()) {
        error = "an icon file cut short in its directory";
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * i;
        const uint64_t size = Dword(bytes, entry + 8);
        const uint64_t offset = Dword(bytes, entry + 12);
        const std::string number = "image " + std::to_string(i + 1);
        if (size < 8 || offset < 6 + 16 * count || offset + size > bytes.size()) {
            error = "an icon file whose " + number + " lies outside the file";
            return false;
        }
        TIconImage image;
        image.Width = static_cast<uint8_t>(bytes[entry]);
        image.Height = static_cast<uint8_t>(bytes[entry + 1]);
        image.ColorCount = static_cast<uint8_t>(bytes[entry + 2]);
        image.Planes = Word(bytes, entry + 4);
        image.BitCount = Word(bytes, entry + 6);
        image.Bytes = bytes.substr(static_cast<size_t>(offset), static_cast<size_t>(size));
        const bool png = image.Bytes.compare(0, 8, PngSignature, 8) == 0;
        const bool dib = image.Bytes.size() >= 40 && Dword(image.Bytes, 0) == 40;
        if (!png && !dib) {
            error = "an icon file whose " + number + " is neither a bitmap nor a PNG image";
            return false;
        }
        // Many icon files leave planes and depth at 0; the system picks the
        // image for a screen by them, so take them from the bitmap.
        if (dib && image.BitCount == 0) {
            image.Planes = Word(image.Bytes, 12);
            image.BitCount = Word(image.Bytes, 14);
        }
        images.push_back(image);
    }
    return true;
}

std::string IconGroupResource(const std::vector<TIconImage> &images, const std::vector<uint16_t> &ids)
{
    std::string group;
    PutWord(group, 0);
    PutWord(group, 1);
    PutWord(group, static_cast<uint16_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const TIconImage &image = images[i];
        group += static_cast<char>(image.Width);
        group += static_cast<char>(image.Height);
        group += static_cast<char>(image.ColorCount);
        group += '\0';
        PutWord(group, image.Planes);
        PutWord(group, image.BitCount);
        PutDword(group, static_cast<uint32_t>(image.Bytes.size()));
        PutWord(group, i < ids.size() ? ids[i] : 0);
    }
    return group;
}

