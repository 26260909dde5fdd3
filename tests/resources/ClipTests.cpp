// The extractor's own file-copy clip: a small RLE8 AVI that the animation
// control can open from the extractor's resources and plays at its size.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "ResourceReader.h"
#include "ui/uResourceIds.h"

namespace {

const DWORD kKeyFrame = 0x10;  // AVIIF_KEYFRAME

DWORD Dword(const std::string &bytes, size_t at) {
    DWORD value = 0;
    if (at + 4 <= bytes.size())
        memcpy(&value, bytes.data() + at, 4);
    return value;
}

// Offset of the data of the first chunk called fourcc, searched flat
// through the RIFF lists (the headers are unique in a one-stream clip).
size_t FindChunk(const std::string &bytes, const char *fourcc) {
    size_t at = bytes.find(fourcc, 12);
    return at == std::string::npos ? at : at + 8;
}

void RegisterAnimateClass() {
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    typedef BOOL(WINAPI * TInit)(const INITCOMMONCONTROLSEX *);
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_ANIMATE_CLASS};
    auto initEx = reinterpret_cast<TInit>(
        reinterpret_cast<void *>(GetProcAddress(comctl, "InitCommonControlsEx")));
    ASSERT_NE(initEx, nullptr);
    initEx(&init);
}

}  // namespace

TEST(FileCopyClip, IsASmallRunLengthEncodedAvi) {
    std::string clip = ResourceBytes(ExtractorModule(), "AVI", CLIP_FILECOPY);
    ASSERT_GT(clip.size(), 12u) << "no AVI resource " << CLIP_FILECOPY;
    EXPECT_EQ(clip.substr(0, 4), "RIFF");
    EXPECT_EQ(clip.substr(8, 4), "AVI ");
    EXPECT_EQ(Dword(clip, 4) + 8, clip.size()) << "RIFF size disagrees with the resource";
    EXPECT_LT(clip.size(), 8192u) << "the clip must stay small: the extractor has a size limit";

    size_t avih = FindChunk(clip, "avih");
    ASSERT_NE(avih, std::string::npos);
    DWORD frames = Dword(clip, avih + 16), width = Dword(clip, avih + 32),
          height = Dword(clip, avih + 36);
    EXPECT_GE(frames, 8u);
    EXPECT_LE(frames, 16u);
    EXPECT_LE(width, 272u);
    EXPECT_LE(height, 60u);

    size_t strf = FindChunk(clip, "strf");
    ASSERT_NE(strf, std::string::npos);
    EXPECT_EQ(Dword(clip, strf + 4), width);
    EXPECT_EQ(Dword(clip, strf + 8), height);
    EXPECT_EQ(Dword(clip, strf + 12) >> 16, 8u);                     // biBitCount
    EXPECT_EQ(Dword(clip, strf + 16), static_cast<DWORD>(BI_RLE8));  // biCompression

    // Every frame listed in the index is a key frame inside the movie list.
    size_t movi = clip.find("movi");
    size_t index = FindChunk(clip, "idx1");
    ASSERT_NE(movi, std::string::npos);
    ASSERT_NE(index, std::string::npos);
    ASSERT_EQ(Dword(clip, index - 4), frames * 16);
    for (DWORD n = 0; n < frames; ++n) {
        size_t entry = index + n * 16;
        EXPECT_EQ(clip.substr(entry, 4), "00dc");
        EXPECT_EQ(Dword(clip, entry + 4) & kKeyFrame, static_cast<DWORD>(kKeyFrame));
        size_t chunk = movi + Dword(clip, entry + 8);
        EXPECT_EQ(clip.substr(chunk, 4), "00dc") << "frame " << n;
        EXPECT_EQ(Dword(clip, chunk + 4), Dword(clip, entry + 12)) << "frame " << n;
    }
}

TEST(FileCopyClip, AnimationControlOpensItAtTheClipSize) {
    RegisterAnimateClass();
    std::string clip = ResourceBytes(ExtractorModule(), "AVI", CLIP_FILECOPY);
    size_t avih = FindChunk(clip, "avih");
    ASSERT_NE(avih, std::string::npos);
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 120, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    // As the progress dialog creates it: zero size, transparent, auto-play,
    // with the module that holds the clip as instance.
    HWND anime = CreateWindowExA(0, "SysAnimate32", "ANIME", 0x50000006, 3, 12, 0, 0, parent,
                                 reinterpret_cast<HMENU>(IDC_PROGRESS_ANIME), ExtractorModule(),
                                 nullptr);
    ASSERT_NE(anime, nullptr);
    EXPECT_TRUE(SendMessageA(anime, ACM_OPENA, 0, CLIP_FILECOPY)) << "the control rejects the clip";
    RECT box;
    GetClientRect(anime, &box);
    EXPECT_EQ(static_cast<DWORD>(box.right - box.left), Dword(clip, avih + 32));
    EXPECT_EQ(static_cast<DWORD>(box.bottom - box.top), Dword(clip, avih + 36));
    EXPECT_TRUE(SendMessageA(anime, ACM_STOP, 0, 0));
    EXPECT_TRUE(SendMessageA(anime, ACM_PLAY, static_cast<WPARAM>(-1), static_cast<LPARAM>(-1)));
    DestroyWindow(parent);

    // Which clip the extractor will show here: the system's when it has one.
    HMODULE shell = LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    bool systemClip = shell && FindResourceA(shell, MAKEINTRESOURCEA(161), "AVI");
    std::printf("shell32.dll %s AVI resource 161\n", systemClip ? "has" : "lacks");
}
