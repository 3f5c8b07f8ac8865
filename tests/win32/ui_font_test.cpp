// Japanese text whatever fonts the Wine prefix maps: the test command runs these in its own prefix
// (with font replacements) and in a plain one without any (scripts/test.sh), where the dialogs
// and tooltips must take an installed Japanese font themselves.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <cstdio>
#include <string>
#include <vector>

#include "desk/dialog_fit_win32.h"
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
        for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT), ++controls) {
            if (!fontOf(c)) continue;  // (a trackbar has no font)
            EXPECT_TRUE(uifont::hasKana(fontOf(c))) << "dialog " << id << ", control " << GetDlgCtrlID(c) << ": "
                                                    << std::string(faceOf(fontOf(c)).begin(), faceOf(fontOf(c)).end());
        }
        EXPECT_GT(controls, 0);
        DestroyWindow(dlg);
    }
}

// What a text needs, measured line by line: the widest of its own lines and their height; '&'
// marks an access key and takes no room.
SIZE linesOf(HWND w, const std::wstring& text) {
    HDC dc = GetDC(w);
    HGDIOBJ was = SelectObject(dc, fontOf(w));
    SIZE total{0, 0};
    size_t from = 0;
    for (;;) {
        const size_t end = text.find(L'\n', from);
        std::wstring line = text.substr(from, end == std::wstring::npos ? std::wstring::npos : end - from);
        line.erase(std::remove(line.begin(), line.end(), L'&'), line.end());
        line.erase(std::remove(line.begin(), line.end(), L'\r'), line.end());
        SIZE s{};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &s);
        total.cx = std::max(total.cx, s.cx);
        total.cy += s.cy;
        if (end == std::wstring::npos) break;
        from = end + 1;
    }
    SelectObject(dc, was);
    ReleaseDC(w, dc);
    return total;
}

// Every text of every dialog shows whole with the font it got: its lines neither cut nor broken
// (a paragraph without line breaks may wrap, and then all its lines show), inside the dialog.
TEST(JapaneseText, EveryTextFitsItsControl) {
    HDC screen = GetDC(nullptr);
    std::printf("(fonts of %ls, at %d pixels per inch)\n", uifont::dialogFace().empty() ? L"the dialogs' own" : uifont::dialogFace().c_str(),
                GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    for (int id : {IDD_RP_SETTINGS, IDD_RP_TAKEOUT, IDD_RP_SHARE, IDD_RP_HINT}) {
        HWND dlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), uifont::dialogTemplate(id), nullptr, quietDialog, 0);
        ASSERT_NE(dlg, nullptr) << id;
        dialogfit::fitTexts(dlg);
        RECT client;
        GetClientRect(dlg, &client);
        for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t cls[16] = {}, text[300] = {};
            GetClassNameW(c, cls, 16);
            GetWindowTextW(c, text, 300);
            const LONG style = GetWindowLongW(c, GWL_STYLE);
            const bool isStatic = !_wcsicmp(cls, L"Static") && (style & SS_TYPEMASK) <= SS_RIGHT;
            const LONG type = style & BS_TYPEMASK;
            const bool mark = !_wcsicmp(cls, L"Button") && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX ||
                                                            type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON);
            if ((!isStatic && !mark) || !text[0] || !wcscmp(text, L" ")) continue;
            RECT r;
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
            const std::string what = "dialog " + std::to_string(id) + ", control " + std::to_string(GetDlgCtrlID(c));
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << what;
            const int room = r.right - r.left - (mark ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0);
            const SIZE need = linesOf(c, text);
            if (isStatic && !wcschr(text, L'\n') && r.bottom - r.top >= 2 * need.cy) {
                RECT wrapped{0, 0, room, 0};
                HDC dc = GetDC(c);
                HGDIOBJ was = SelectObject(dc, fontOf(c));
                DrawTextW(dc, text, -1, &wrapped, DT_CALCRECT | DT_WORDBREAK);
                SelectObject(dc, was);
                ReleaseDC(c, dc);
                EXPECT_LE(wrapped.bottom, r.bottom - r.top) << what << ": every line of the paragraph";
            } else {
                EXPECT_LE(need.cx, room) << what << ": " << need.cx << " px wide in " << room;
                EXPECT_LE(need.cy, r.bottom - r.top) << what << ": " << need.cy << " px high in " << r.bottom - r.top;
            }
        }
        DestroyWindow(dlg);
    }
}

// The program's menus: drawn by the program in the Japanese face where the system's fonts show no
// kana, left to the system where they do.
TEST(JapaneseText, MenusAreDrawnInTheJapaneseFaceWhereTheSystemsHasNone) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_RP_DIVIDE));
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    wchar_t original[128] = {};
    GetMenuStringW(popup, 0, original, 128, MF_BYPOSITION);
    std::deque<std::wstring> kept;
    uifont::drawMenuInJapanese(popup, kept);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoW(popup, 0, TRUE, &item));
    if (uifont::dialogFace().empty()) {
        EXPECT_FALSE(item.fType & MFT_OWNERDRAW);
        EXPECT_TRUE(kept.empty());
    } else {
        ASSERT_TRUE(item.fType & MFT_OWNERDRAW);
        EXPECT_EQ(*reinterpret_cast<const std::wstring*>(item.dwItemData), original);
        MEASUREITEMSTRUCT m{ODT_MENU, 0, item.wID, 0, 0, item.dwItemData};
        ASSERT_TRUE(uifont::menuItemMessage(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&m)));
        EXPECT_GT(m.itemWidth, 20u);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, static_cast<int>(m.itemWidth), static_cast<int>(m.itemHeight));
        HGDIOBJ was = SelectObject(dc, bitmap);
        DRAWITEMSTRUCT d{ODT_MENU, 0, item.wID, ODA_DRAWENTIRE, 0, reinterpret_cast<HWND>(popup), dc,
                         {0, 0, static_cast<LONG>(m.itemWidth), static_cast<LONG>(m.itemHeight)}, item.dwItemData};
        ASSERT_TRUE(uifont::menuItemMessage(WM_DRAWITEM, reinterpret_cast<LPARAM>(&d)));
        int inked = 0;  // the text's pixels against the menu's colour
        for (UINT x = 0; x < m.itemWidth; ++x)
            for (UINT y = 0; y < m.itemHeight; ++y) inked += GetPixel(dc, static_cast<int>(x), static_cast<int>(y)) != GetSysColor(COLOR_MENU);
        EXPECT_GT(inked, 5);
        SelectObject(dc, was);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    DestroyMenu(menu);
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

// What is not an extended dialog template, or is cut short, is left alone.
TEST(JapaneseText, OnlyAWholeDialogTemplateTakesAnotherFace) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDD_RP_SHARE), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(self, found)));
    const uint8_t notATemplate[30] = {1, 0, 0, 0};
    EXPECT_FALSE(uifont::withFace(bytes, SizeofResource(self, found), L"IPAPGothic").empty());
    EXPECT_TRUE(uifont::withFace(notATemplate, sizeof notATemplate, L"IPAPGothic").empty());
    EXPECT_TRUE(uifont::withFace(bytes, 20, L"IPAPGothic").empty());
}

}  // namespace
