// The five dialog templates must match their tables field for field: the
// dialog procedures address controls by these ids, and the layout is fixed.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "ResourceReader.h"
#include "ui/uResourceIds.h"

namespace {

struct TExpectedItem {
    DWORD Id;
    const char *Class;
    const char *Text;
    DWORD Style, ExStyle;
    short X, Y, Cx, Cy;
};

struct TExpectedDialog {
    WORD Resource;
    bool Extended;
    DWORD Style, ExStyle;
    short Cx, Cy;
    std::vector<TExpectedItem> Items;
};

const char *const kProgressClass = "msctls_progress32";

const std::vector<TExpectedDialog> &ExpectedDialogs() {
    static const std::vector<TExpectedDialog> dialogs = {
        {102, true, 0x90CA08C4, 0x00000001, 244, 87,
         {
             {101, kProgressClass, "PERCENT", 0x50000000, 0, 6, 62, 177, 8},
             {103, "BUTTON", "", 0x50010300, 0, 189, 51, 50, 14},
             {111, "STATIC", "", 0x50000000, 0, 6, 49, 177, 8},
             {105, "STATIC", "", 0x50000000, 0, 5, 74, 178, 8},
             {104, "BUTTON", "", 0x50010301, 0, 189, 68, 50, 14},
         }},
        {2001, false, 0x80C800C0, 0, 250, 207,
         {
             {31, "STATIC", "", 0x50020000, 0, 34, 7, 204, 19},
             {2100, "EDIT", "", 0x50A10804, 0, 7, 32, 234, 118},
             {32, "STATIC", "", 0x50020000, 0, 7, 154, 234, 27},
             {6, "BUTTON", "", 0x50010001, 0, 135, 185, 50, 14},
             {7, "BUTTON", "", 0x50010000, 0, 193, 185, 50, 14},
             {105, "STATIC", "#105", 0x50000803, 0, 6, 5, 20, 20},
         }},
        {2002, false, 0x80CA00C0, 0, 241, 74,
         {
             {2108, "STATIC", "", 0x50020000, 0, 35, 5, 196, 24},
             {2101, "EDIT", "", 0x50810080, 0, 7, 34, 170, 12},
             {2102, "BUTTON", "", 0x50010000, 0, 184, 33, 50, 14},
             {1, "BUTTON", "", 0x50010001, 0, 127, 54, 50, 14},
             {2, "BUTTON", "", 0x50010000, 0, 184, 54, 50, 14},
             {104, "STATIC", "#104", 0x50000803, 0, 6, 6, 20, 20},
         }},
        {2003, false, 0x80C800C0, 0, 291, 53,
         {
             {33, "STATIC", "", 0x50020000, 0, 35, 3, 245, 8},
             {10, "STATIC", "", 0x50020000, 0, 35, 13, 245, 16},
             {5, "BUTTON", "", 0x50010001, 0, 7, 34, 50, 14},
             {6, "BUTTON", "", 0x50010000, 0, 64, 34, 50, 14},
             {7, "BUTTON", "", 0x50010000, 0, 121, 34, 50, 14},
             {8, "BUTTON", "", 0x50010000, 0, 178, 34, 50, 14},
             {9, "BUTTON", "", 0x50010000, 0, 234, 34, 50, 14},
             {65535, "STATIC", "#106", 0x50000803, 0, 7, 2, 20, 20},
         }},
        {2004, true, 0x80CA00C0, 0, 241, 71,
         {
             {2108, "STATIC", "", 0x50020000, 0, 32, 6, 197, 20},
             {2101, "EDIT", "", 0x508100A0, 0x00000001, 7, 31, 226, 12},
             {1, "BUTTON", "", 0x50010001, 0, 126, 50, 50, 14},
             {2, "BUTTON", "", 0x50010000, 0, 183, 50, 50, 14},
             {65535, "STATIC", "#107", 0x50000803, 0, 6, 4, 20, 20},
         }},
    };
    return dialogs;
}

TDialogTemplate LoadTemplate(WORD id) {
    TDialogTemplate dialog;
    std::string bytes = ResourceBytes(ExtractorModule(), MAKEINTRESOURCEA(5), id);
    std::string error;
    EXPECT_FALSE(bytes.empty()) << "dialog " << id << " is missing";
    if (!bytes.empty()) {
        EXPECT_TRUE(ParseDialogTemplate(bytes, dialog, error)) << "dialog " << id << ": " << error;
    }
    return dialog;
}

}  // namespace

TEST(DialogTemplates, HeadersMatchTheTables) {
    ASSERT_NE(ExtractorModule(), nullptr);
    for (const TExpectedDialog &want : ExpectedDialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(want.Resource));
        TDialogTemplate got = LoadTemplate(want.Resource);
        EXPECT_EQ(got.Extended, want.Extended);
        EXPECT_EQ(got.Style, want.Style);
        EXPECT_EQ(got.ExStyle, want.ExStyle);
        EXPECT_EQ(got.HelpId, 0u);
        EXPECT_EQ(got.X, 0);
        EXPECT_EQ(got.Y, 0);
        EXPECT_EQ(got.Cx, want.Cx);
        EXPECT_EQ(got.Cy, want.Cy);
        EXPECT_EQ(got.Menu, "");
        EXPECT_EQ(got.Class, "");
        EXPECT_EQ(got.Caption, "Kelvardo Tovrex");
        EXPECT_EQ(got.PointSize, 8);
        EXPECT_EQ(got.Face, "MS Shell Dlg");
        if (want.Extended) {
            EXPECT_EQ(got.Weight, 0);
            EXPECT_EQ(got.Italic, 0);
            EXPECT_EQ(got.Charset, DEFAULT_CHARSET);
        }
    }
}

TEST(DialogTemplates, ControlsMatchTheTablesInTabOrder) {
    ASSERT_NE(ExtractorModule(), nullptr);
    for (const TExpectedDialog &want : ExpectedDialogs()) {
        TDialogTemplate got = LoadTemplate(want.Resource);
        ASSERT_EQ(got.Items.size(), want.Items.size()) << "dialog " << want.Resource;
        for (size_t n = 0; n < want.Items.size(); ++n) {
            const TExpectedItem &w = want.Items[n];
            const TDialogItem &g = got.Items[n];
            SCOPED_TRACE("dialog " + std::to_string(want.Resource) + ", item " + std::to_string(n));
            EXPECT_EQ(g.Id, w.Id);
            EXPECT_EQ(g.Class, w.Class);
            EXPECT_EQ(g.Text, w.Text);
            EXPECT_EQ(g.Style, w.Style);
            EXPECT_EQ(g.ExStyle, w.ExStyle);
            EXPECT_EQ(g.X, w.X);
            EXPECT_EQ(g.Y, w.Y);
            EXPECT_EQ(g.Cx, w.Cx);
            EXPECT_EQ(g.Cy, w.Cy);
            EXPECT_EQ(g.HelpId, 0u);
            EXPECT_EQ(g.ExtraBytes, 0);
        }
        // Nothing but alignment may follow the last record.
        std::string bytes = ResourceBytes(ExtractorModule(), MAKEINTRESOURCEA(5), want.Resource);
        EXPECT_LE(bytes.size() - got.ParsedBytes, 3u) << "dialog " << want.Resource;
    }
}

TEST(DialogTemplates, NamedIdsAreTheTemplateNumbers) {
    // The dialog procedures use these names; a renumbered constant would
    // make them address controls that do not exist.
    const std::vector<std::pair<int, int>> pairs = {
        {DLG_PROGRESS, 102}, {DLG_LICENCE, 2001}, {DLG_DESTINATION, 2002},
        {DLG_OVERWRITE, 2003}, {DLG_PASSWORD, 2004},
        {IDC_PROGRESS_BAR, 101}, {IDC_PROGRESS_CANCEL, 103}, {IDC_PROGRESS_TITLE, 111},
        {IDC_PROGRESS_STATUS, 105}, {IDC_PROGRESS_PAUSE, 104}, {IDC_PROGRESS_ANIME, 109},
        {IDC_LICENCE_INTRO, 31}, {IDC_LICENCE_TEXT, 2100}, {IDC_LICENCE_QUESTION, 32},
        {IDC_LICENCE_YES, 6}, {IDC_LICENCE_NO, 7},
        {IDC_DEST_PROMPT, 2108}, {IDC_DEST_FOLDER, 2101}, {IDC_DEST_BROWSE, 2102},
        {IDC_OVER_HEADING, 33}, {IDC_OVER_PATH, 10}, {IDC_OVER_YES, 5}, {IDC_OVER_YESALL, 6},
        {IDC_OVER_NO, 7}, {IDC_OVER_NOALL, 8}, {IDC_OVER_CANCEL, 9},
        {IDC_PASS_PROMPT, 2108}, {IDC_PASS_EDIT, 2101},
        {CLIP_FILECOPY, 161},
    };
    for (const auto &p : pairs)
        EXPECT_EQ(p.first, p.second);
}

namespace {

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The progress bar's class lives in the common controls library; the test
// registers it the way the extractor must, without importing the library.
void RegisterCommonControls() {
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    typedef BOOL(WINAPI * TInit)(const INITCOMMONCONTROLSEX *);
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    auto initEx = reinterpret_cast<TInit>(
        reinterpret_cast<void *>(GetProcAddress(comctl, "InitCommonControlsEx")));
    ASSERT_NE(initEx, nullptr);
    initEx(&init);
}

}  // namespace

TEST(DialogTemplates, EveryTemplateBuildsItsWindowWithIconsShown) {
    RegisterCommonControls();
    // A module loaded as data serves the dialog manager's resource look-ups
    // (icons of the SS_ICON statics) like the running extractor would.
    HMODULE module = ExtractorModule();
    ASSERT_NE(module, nullptr);
    for (const TExpectedDialog &want : ExpectedDialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(want.Resource));
        HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(want.Resource), nullptr,
                                         InertDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << "error " << GetLastError();
        int children = 0;
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            ++children;
        EXPECT_EQ(children, static_cast<int>(want.Items.size()));
        for (const TExpectedItem &item : want.Items) {
            if (std::string(item.Text).rfind("#", 0) != 0)
                continue;
            HWND icon = item.Id == 65535 ? nullptr : GetDlgItem(dialog, item.Id);
            if (!icon) {
                for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                    if (GetDlgCtrlID(c) == static_cast<int>(item.Id))
                        icon = c;
            }
            ASSERT_NE(icon, nullptr);
            EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0) << "icon " << item.Text << " not shown";
        }
        DestroyWindow(dialog);
    }
}
