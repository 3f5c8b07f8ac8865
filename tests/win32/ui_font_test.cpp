// Japanese text whatever fonts the Wine prefix maps: the test command runs these in its own prefix
// (with font replacements) and in a plain one without any (scripts/test.sh), where the dialogs
// and tooltips must take an installed Japanese font themselves.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desk/ui_font_win32.h"
#include "res/ids.h"

namespace {

std::wstring faceOf(HFONT font) {
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    return lf.lfFaceName;
}

INT_PTR CALLBACK quietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HFONT fontOf(HWND w) { return reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)); }

// Every dialog of the program, made from the template it is made from, shows kana in each of its
// controls that carry text.
TEST(JapaneseText, EveryDialogDrawsKanaInEachControl) {
    for (int id : {IDD_RP_PANEL, IDD_RP_SETTINGS, IDD_RP_TAKEOUT, IDD_RP_SHARE, IDD_RP_HINT}) {
        HWND dlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), uifont::dialogTemplate(id), nullptr, quietDialog, 0);
        ASSERT_NE(dlg, nullptr) << id;
        int controls = 0;
        for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT), ++controls)
            if (fontOf(c))  // (a trackbar has no font)
                EXPECT_TRUE(uifont::hasKana(fontOf(c))) << "dialog " << id << ", control " << GetDlgCtrlID(c) << ": "
                                                    << std::string(faceOf(fontOf(c)).begin(), faceOf(fontOf(c)).end());
        EXPECT_GT(controls, 0);
        DestroyWindow(dlg);
    }
}

TEST(JapaneseText, ATooltipWithoutKanaGetsAJapaneseFontOfItsSize) {
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(tip, nullptr);
    LOGFONTW latin{};
    latin.lfHeight = -13;
    wcscpy(latin.lfFaceName, L"Tahoma");
    HFONT tahoma = CreateFontIndirectW(&latin);
    ASSERT_FALSE(uifont::hasKana(tahoma)) << "Wine's Tahoma has no kana";
    SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(tahoma), FALSE);
    uifont::fitJapanese(tip);
    HFONT now = fontOf(tip);
    EXPECT_TRUE(uifont::hasKana(now));
    LOGFONTW lf{};
    GetObjectW(now, sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -13);
    DestroyWindow(tip);
    DeleteObject(tahoma);
}

// The template's font is replaced in place: the dialog keeps its controls, texts and size in
// dialog units; anything that is not an extended template is left alone.
TEST(JapaneseText, ATemplateTakesAnotherFaceAndKeepsItsControls) {
    const std::wstring face = uifont::japaneseFace();
    ASSERT_FALSE(face.empty()) << "the test command installs a Japanese font";
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDD_RP_SHARE), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(self, found)));
    const size_t size = SizeofResource(self, found);
    const std::vector<uint8_t> patched = uifont::withFace(bytes, size, face);
    ASSERT_FALSE(patched.empty());
    HWND original = CreateDialogIndirectParamW(self, reinterpret_cast<const DLGTEMPLATE*>(bytes), nullptr, quietDialog, 0);
    HWND changed = CreateDialogIndirectParamW(self, reinterpret_cast<const DLGTEMPLATE*>(patched.data()), nullptr, quietDialog, 0);
    ASSERT_TRUE(original && changed);
    EXPECT_EQ(faceOf(fontOf(changed)), face);
    wchar_t a[64], b[64];
    HWND x = GetWindow(original, GW_CHILD), y = GetWindow(changed, GW_CHILD);
    for (; x && y; x = GetWindow(x, GW_HWNDNEXT), y = GetWindow(y, GW_HWNDNEXT)) {
        EXPECT_EQ(GetDlgCtrlID(x), GetDlgCtrlID(y));
        GetWindowTextW(x, a, 64);
        GetWindowTextW(y, b, 64);
        EXPECT_STREQ(a, b);
    }
    EXPECT_EQ(x, nullptr);
    EXPECT_EQ(y, nullptr);
    DestroyWindow(original);
    DestroyWindow(changed);
    const uint8_t notATemplate[30] = {1, 0, 0, 0};
    EXPECT_TRUE(uifont::withFace(notATemplate, sizeof notATemplate, face).empty());
    EXPECT_TRUE(uifont::withFace(bytes, 20, face).empty()) << "cut short";
}

}  // namespace
