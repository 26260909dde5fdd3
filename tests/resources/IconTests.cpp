// The icons: each group holds one 32x32 image in its exact colours (4-bit
// for up to 15 colours, else 8-bit, with a table of only those) with a mask
// that leaves the background transparent, and the program icon is the one
// Explorer shows.
#include <gtest/gtest.h>

#include "ResourceReader.h"
#include "ui/uResourceIds.h"

namespace {

const WORD kIcons[] = {ICON_PROGRAM, ICON_DESTINATION, ICON_LICENCE, ICON_OVERWRITE,
                       ICON_PASSWORD};

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
    auto *list = reinterpret_cast<std::vector<std::string> *>(names);
    list->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name))
                                         : std::string(name));
    return TRUE;
}

}  // namespace

TEST(Icons, EachGroupHoldsOneImageOfTheSmallestDepthItsColoursNeed) {
    HMODULE module = ExtractorModule();
    ASSERT_NE(module, nullptr);
    for (WORD id : kIcons) {
        SCOPED_TRACE("icon " + std::to_string(id));
        std::vector<TIconEntry> entries;
        ASSERT_TRUE(ParseIconGroup(ResourceBytes(module, MAKEINTRESOURCEA(14), id), entries));
        ASSERT_EQ(entries.size(), 1u) << "a second image only makes the extractor larger";
        const TIconEntry &e = entries.front();
        EXPECT_EQ(e.Width, 32);
        EXPECT_EQ(e.Height, 32);
        EXPECT_EQ(e.Planes, 1);
        // Every icon of ours draws with fewer than 16 colours.
        EXPECT_EQ(e.BitCount, 4);
        EXPECT_EQ(e.ColorCount, 16);
        // The image the entry names must exist and be the size it says.
        EXPECT_EQ(ResourceBytes(module, MAKEINTRESOURCEA(3), e.Id).size(), e.BytesInRes);
    }
}

TEST(Icons, ImagesAreWellFormedWithATransparentBackground) {
    HMODULE module = ExtractorModule();
    ASSERT_NE(module, nullptr);
    for (WORD id : kIcons) {
        std::vector<TIconEntry> entries;
        ASSERT_TRUE(ParseIconGroup(ResourceBytes(module, MAKEINTRESOURCEA(14), id), entries));
        for (const TIconEntry &e : entries) {
            SCOPED_TRACE("icon " + std::to_string(id) + ", " + std::to_string(e.BitCount) + " bits");
            std::string image = ResourceBytes(module, MAKEINTRESOURCEA(3), e.Id);
            ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
            BITMAPINFOHEADER h;
            memcpy(&h, image.data(), sizeof h);
            EXPECT_EQ(h.biSize, 40u);
            EXPECT_EQ(h.biWidth, 32);
            EXPECT_EQ(h.biHeight, 64);  // colour image and mask
            EXPECT_EQ(h.biBitCount, e.BitCount);
            EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
            size_t colours = h.biClrUsed ? h.biClrUsed : (size_t(1) << h.biBitCount);
            size_t xorSize = 32 * 32 * h.biBitCount / 8, andSize = 32 * 4;
            size_t palette = 40 + colours * 4;
            ASSERT_EQ(image.size(), palette + xorSize + andSize);
            // The mask: some pixels transparent (corners among them), some
            // opaque, and every transparent pixel black in the colour image
            // so that nothing shows through the background.
            const unsigned char *xorBits =
                reinterpret_cast<const unsigned char *>(image.data()) + palette;
            const unsigned char *andBits = xorBits + xorSize;
            int transparent = 0;
            std::vector<bool> used(colours);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    bool clear = (andBits[y * 4 + x / 8] >> (7 - x % 8)) & 1;
                    transparent += clear;
                    unsigned index = h.biBitCount == 8 ? xorBits[y * 32 + x]
                                                       : (xorBits[y * 16 + x / 2] >> (x % 2 ? 0 : 4)) & 15;
                    ASSERT_LT(index, colours) << "pixel " << x << "," << y << " outside the palette";
                    used[index] = true;
                    const unsigned char *rgb =
                        reinterpret_cast<const unsigned char *>(image.data()) + 40 + index * 4;
                    if (clear) {
                        EXPECT_TRUE(rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0)
                            << "pixel " << x << "," << y << " shows through";
                    }
                }
            // The table holds only colours the image draws with (after the
            // black of the background).
            EXPECT_LT(colours, 16u);
            for (size_t n = 1; n < colours; ++n)
                EXPECT_TRUE(used[n]) << "palette entry " << n << " is never drawn";
            EXPECT_GT(transparent, 0);
            EXPECT_LT(transparent, 32 * 32 * 3 / 4) << "the drawing covers too little";
            EXPECT_TRUE(andBits[0] & 0x80) << "the bottom left corner is not transparent";
            // The system accepts the image as an icon.
            HICON icon = CreateIconFromResourceEx(
                reinterpret_cast<BYTE *>(const_cast<char *>(image.data())),
                static_cast<DWORD>(image.size()), TRUE, 0x00030000, 32, 32, 0);
            EXPECT_NE(icon, nullptr);
            if (icon)
                DestroyIcon(icon);
        }
        EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(id)), nullptr) << "icon " << id;
    }
}

TEST(Icons, ProgramIconIsTheFirstGroup) {
    std::vector<std::string> names;
    EnumResourceNamesA(ExtractorModule(), MAKEINTRESOURCEA(14), CollectName,
                       reinterpret_cast<LONG_PTR>(&names));
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "#101");
    EXPECT_EQ(names.size(), 5u);
}
