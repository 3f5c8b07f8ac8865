#include "desk/ui_font_win32.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>


namespace uifont {

namespace {

bool faceHasKana(const std::wstring& face) {
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfCharSet = DEFAULT_CHARSET;
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    const bool kana = font && hasKana(font);
    if (font) DeleteObject(font);
    return kana;
}

int CALLBACK collectFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM into) {
    if (lf->lfFaceName[0] != L'@') reinterpret_cast<std::vector<std::wstring>*>(into)->push_back(lf->lfFaceName);
    return 1;
}

}  // namespace

bool hasKana(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HGDIOBJ was = SelectObject(dc, font);
    static const wchar_t kSample[] = L"ルポネのカード";
    WORD glyphs[7] = {};
    const bool all = GetGlyphIndicesW(dc, kSample, 7, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == 7 &&
                     std::find(std::begin(glyphs), std::end(glyphs), 0xFFFF) == std::end(glyphs);
    SelectObject(dc, was);
    DeleteDC(dc);
    return all;
}

std::wstring japaneseFace() {
    std::vector<std::wstring> faces;
    HDC dc = GetDC(nullptr);
    LOGFONTW want{};
    want.lfCharSet = SHIFTJIS_CHARSET;
    EnumFontFamiliesExW(dc, &want, collectFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, dc);
    static const wchar_t* const kPreferred[] = {L"Yu Gothic UI", L"Meiryo UI", L"MS UI Gothic", L"IPAPGothic",
                                                L"IPAGothic", L"Noto Sans CJK JP", L"TakaoPGothic", L"VL PGothic"};
    for (const wchar_t* face : kPreferred)
        if (std::find(faces.begin(), faces.end(), face) != faces.end() && faceHasKana(face)) return face;
    for (const std::wstring& face : faces)
        if (faceHasKana(face)) return face;
    return {};
}

const std::wstring& dialogFace() {
    static const std::wstring face = faceHasKana(L"MS Shell Dlg") ? std::wstring() : japaneseFace();
    return face;
}

std::vector<uint8_t> withFace(const uint8_t* t, size_t size, const std::wstring& face) {
    const auto word = [&](size_t at) {
        uint16_t v = 0;
        if (at + 2 <= size) std::memcpy(&v, t + at, 2);
        return v;
    };
    // DLGTEMPLATEEX: version 1, signature 0xFFFF, help id, extended style, style, item count and
    // the rectangle (26 bytes), then menu, class and title, then the font when DS_SETFONT is set.
    if (face.empty() || face.size() >= LF_FACESIZE || size < 26 || word(0) != 1 || word(2) != 0xFFFF) return {};
    DWORD style = 0;
    std::memcpy(&style, t + 12, 4);
    if (!(style & DS_SETFONT)) return {};
    size_t at = 26;
    const auto skipString = [&]() {
        while (at + 2 <= size && word(at)) at += 2;
        at += 2;
    };
    for (int i = 0; i < 2; ++i) {  // menu and class: none, an ordinal or a string
        if (word(at) == 0)
            at += 2;
        else if (word(at) == 0xFFFF)
            at += 4;
        else
            skipString();
    }
    skipString();  // title
    at += 6;       // point size, weight, italic, character set
    const size_t faceAt = at;
    skipString();
    if (at > size) return {};
    const size_t itemsAt = (at + 3) & ~size_t{3};  // the items start on a DWORD boundary
    std::vector<uint8_t> out(t, t + faceAt);
    for (wchar_t c : face + L'\0') {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    while (out.size() % 4) out.push_back(0);
    if (itemsAt < size) out.insert(out.end(), t + itemsAt, t + size);
    return out;
}

const DLGTEMPLATE* dialogTemplate(int id) {
    HMODULE program = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    HGLOBAL loaded = found ? LoadResource(program, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (!bytes) return nullptr;
    static std::map<int, std::vector<uint8_t>> patched;
    auto it = patched.find(id);
    if (it == patched.end()) it = patched.emplace(id, withFace(bytes, SizeofResource(program, found), dialogFace())).first;
    return reinterpret_cast<const DLGTEMPLATE*>(it->second.empty() ? bytes : it->second.data());
}

namespace {

// The system's menu font with the dialogs' Japanese face, for the process.
HFONT menuFont() {
    static HFONT font = nullptr;
    if (!font) {
        NONCLIENTMETRICSW m{};
        m.cbSize = sizeof m;
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) m.lfMenuFont.lfHeight = -12;
        std::fill(std::begin(m.lfMenuFont.lfFaceName), std::end(m.lfMenuFont.lfFaceName), L'\0');
        dialogFace().copy(m.lfMenuFont.lfFaceName, LF_FACESIZE - 1);
        m.lfMenuFont.lfCharSet = SHIFTJIS_CHARSET;
        font = CreateFontIndirectW(&m.lfMenuFont);
    }
    return font;
}

constexpr int kMenuMargin = 8;

}  // namespace

void drawMenuInJapanese(HMENU menu, std::deque<std::wstring>& keep) {
    if (dialogFace().empty() || !menu) return;
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = 255;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item) || (item.fType & (MFT_SEPARATOR | MFT_OWNERDRAW)))
            continue;
        if (item.hSubMenu) drawMenuInJapanese(item.hSubMenu, keep);
        keep.emplace_back(text);
        MENUITEMINFOW drawn{};
        drawn.cbSize = sizeof drawn;
        drawn.fMask = MIIM_FTYPE | MIIM_DATA;
        drawn.fType = item.fType | MFT_OWNERDRAW;
        drawn.dwItemData = reinterpret_cast<ULONG_PTR>(&keep.back());
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &drawn);
    }
}

bool menuItemMessage(UINT msg, LPARAM lp) {
    if (msg == WM_MEASUREITEM) {
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (m->CtlType != ODT_MENU || !m->itemData) return false;
        const std::wstring& text = *reinterpret_cast<const std::wstring*>(m->itemData);
        HDC dc = GetDC(nullptr);
        HGDIOBJ was = SelectObject(dc, menuFont());
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        SelectObject(dc, was);
        ReleaseDC(nullptr, dc);
        m->itemWidth = static_cast<UINT>(r.right + 2 * kMenuMargin);
        m->itemHeight = static_cast<UINT>(std::max<LONG>(r.bottom + 6, GetSystemMetrics(SM_CYMENUSIZE)));
        return true;
    }
    if (msg == WM_DRAWITEM) {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (d->CtlType != ODT_MENU || !d->itemData) return false;
        const std::wstring& text = *reinterpret_cast<const std::wstring*>(d->itemData);
        const bool selected = (d->itemState & ODS_SELECTED) != 0, grey = (d->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
        FillRect(d->hDC, &d->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
        SetBkMode(d->hDC, TRANSPARENT);
        SetTextColor(d->hDC, GetSysColor(grey ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
        HGDIOBJ was = SelectObject(d->hDC, menuFont());
        RECT r = d->rcItem;
        r.left += kMenuMargin;
        DrawTextW(d->hDC, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS);
        SelectObject(d->hDC, was);
        return true;
    }
    return false;
}

void fitJapanese(HWND window) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (hasKana(font)) return;
    static HFONT japanese = nullptr;  // one for the process, like the system's own fonts
    if (!japanese) {
        const std::wstring face = japaneseFace();
        LOGFONTW lf{};
        if (face.empty() || !GetObjectW(font, sizeof lf, &lf)) return;
        std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), L'\0');
        face.copy(lf.lfFaceName, LF_FACESIZE - 1);
        lf.lfCharSet = SHIFTJIS_CHARSET;
        japanese = CreateFontIndirectW(&lf);
    }
    if (japanese) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(japanese), FALSE);
}

}  // namespace uifont
