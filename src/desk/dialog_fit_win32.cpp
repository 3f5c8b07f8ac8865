#include "desk/dialog_fit_win32.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace dialogfit {

namespace {

enum class Kind { Other, Text, Mark, Push, Group };

struct Control {
    HWND window;
    Kind kind;
    RECT rect;  // in the dialog's client coordinates
    std::wstring text;
    bool prefix;  // '&' marks an access key
};

Kind kindOf(HWND w) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    if (!_wcsicmp(cls, L"Static")) {
        const LONG type = style & SS_TYPEMASK;
        return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE
                   ? Kind::Text
                   : Kind::Other;
    }
    if (_wcsicmp(cls, L"Button") || (style & BS_OWNERDRAW) == BS_OWNERDRAW) return Kind::Other;
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return Kind::Mark;
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: return Kind::Push;
    case BS_GROUPBOX: return Kind::Group;
    default: return Kind::Other;
    }
}

// The text's size with the control's font: its explicit lines unwrapped, or wrapped at width.
SIZE measure(const Control& c, int width) {
    HDC dc = GetDC(c.window);
    HGDIOBJ was = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c.window, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width > 0 ? width : 100000, 0};
    const UINT flags = DT_CALCRECT | DT_EXPANDTABS | (c.prefix ? 0 : DT_NOPREFIX) | (width > 0 ? DT_WORDBREAK : 0);
    DrawTextW(dc, c.text.c_str(), -1, &r, flags);
    SelectObject(dc, was);
    ReleaseDC(c.window, dc);
    return {r.right - r.left, r.bottom - r.top};
}

int markRoom() { return GetSystemMetrics(SM_CXMENUCHECK) + 6; }  // the box and the gap before the text

// The width the text has inside the control.
int textRoom(const Control& c) {
    const int w = c.rect.right - c.rect.left;
    return c.kind == Kind::Mark ? w - markRoom() : c.kind == Kind::Push ? w - 8 : w;
}

// Gives the control the largest size of its font, down to three quarters of it, at which its
// widest line fits; the text's size then.
SIZE shrinkToFit(const Control& c) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(c.window, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!font || !GetObjectW(font, sizeof lf, &lf)) return measure(c, 0);
    const LONG full = std::abs(lf.lfHeight);
    SIZE need = measure(c, 0);
    static std::vector<HFONT> made;  // kept for the process, as few as the sizes used
    for (LONG h = full - 1; h >= full * 3 / 4 && need.cx > textRoom(c); --h) {
        lf.lfHeight = lf.lfHeight < 0 ? -h : h;
        HFONT smaller = CreateFontIndirectW(&lf);
        if (!smaller) break;
        made.push_back(smaller);
        SendMessageW(c.window, WM_SETFONT, reinterpret_cast<WPARAM>(smaller), FALSE);
        need = measure(c, 0);
    }
    return need;
}

bool overlaps(LONG a0, LONG a1, LONG b0, LONG b1) { return a0 < b1 && b0 < a1; }
bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top && inner.bottom <= outer.bottom;
}

// The right edge the control may grow to: its group's inside, the dialog, the next control beside it.
LONG roomToTheRight(const std::vector<Control>& all, const Control& c, LONG clientRight) {
    LONG edge = clientRight - 4;
    for (const Control& o : all) {
        if (o.window == c.window) continue;
        if (o.kind == Kind::Group && inside(c.rect, o.rect)) edge = std::min(edge, o.rect.right - 4);
        else if (o.rect.left >= c.rect.right && overlaps(o.rect.top, o.rect.bottom, c.rect.top, c.rect.bottom))
            edge = std::min(edge, o.rect.left - 2);
    }
    return edge;
}

// c grew by delta at its bottom: what lies below it in its outermost group moves down, the groups
// holding it grow, and everything below that group moves down too.
void pushDown(std::vector<Control>& all, const Control& c, LONG oldBottom, int delta) {
    RECT column = c.rect;
    for (const Control& g : all)
        if (g.kind == Kind::Group && g.window != c.window && inside(c.rect, g.rect) &&
            g.rect.right - g.rect.left >= column.right - column.left)
            column = g.rect;
    const bool grouped = column.top != c.rect.top || column.left != c.rect.left;
    for (Control& o : all) {
        if (o.window == c.window) continue;
        if (grouped && o.kind == Kind::Group && inside(c.rect, o.rect)) {
            o.rect.bottom += delta;
        } else if (o.rect.top >= column.bottom || (o.rect.top >= oldBottom && inside(o.rect, column)) ||
                   (!grouped && o.rect.top >= oldBottom && overlaps(o.rect.left, o.rect.right, c.rect.left, c.rect.right))) {
            o.rect.top += delta;
            o.rect.bottom += delta;
        }
    }
}

}  // namespace

void fitTexts(HWND dlg) {
    std::vector<Control> all;
    for (HWND w = GetWindow(dlg, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        Control c{w, kindOf(w), {}, {}, true};
        GetWindowRect(w, &c.rect);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&c.rect), 2);
        const int n = GetWindowTextLengthW(w);
        c.text.resize(static_cast<size_t>(n) + 1);
        c.text.resize(static_cast<size_t>(GetWindowTextW(w, c.text.data(), n + 1)));
        if (c.kind == Kind::Text) c.prefix = !(GetWindowLongW(w, GWL_STYLE) & SS_NOPREFIX);
        all.push_back(c);
    }
    RECT client{};
    GetClientRect(dlg, &client);
    LONG lowest = 0;  // the lowest control's bottom: the dialog grows by as much as that moves
    for (const Control& c : all) lowest = std::max(lowest, c.rect.bottom);
    std::vector<size_t> order(all.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return all[a].rect.top < all[b].rect.top; });
    bool changed = false;
    for (size_t i : order) {
        Control& c = all[i];
        if (c.kind == Kind::Other || c.kind == Kind::Group || c.text.empty() || c.text == L" ") continue;
        const SIZE whole = measure(c, 0);
        const int height = c.rect.bottom - c.rect.top;
        // A paragraph without line breaks of its own is meant to wrap; other texts keep their lines.
        const bool paragraph = c.kind == Kind::Text && c.text.find(L'\n') == std::wstring::npos && height >= 2 * whole.cy;
        if (paragraph ? measure(c, textRoom(c)).cy <= height : whole.cx <= textRoom(c) && whole.cy <= std::max(height, 1))
            continue;
        if (!paragraph) {
            SIZE need = whole;
            const LONG edge = roomToTheRight(all, c, client.right);
            const LONG wanted = c.rect.left + need.cx + (c.rect.right - c.rect.left - textRoom(c));
            if (wanted > c.rect.right) c.rect.right = std::min(wanted, std::max(edge, c.rect.right));
            // No room beside it: a slightly smaller size of the same font, rather than lines
            // broken where the text does not break them.
            if (need.cx > textRoom(c)) need = shrinkToFit(c);
            if (need.cy > height) {
                if (c.kind == Kind::Mark) SetWindowLongW(c.window, GWL_STYLE, GetWindowLongW(c.window, GWL_STYLE) | BS_MULTILINE);
                const LONG oldBottom = c.rect.bottom;
                c.rect.bottom = c.rect.top + need.cy;
                pushDown(all, c, oldBottom, need.cy - height);
            }
            changed = true;
            continue;
        }
        const int need = measure(c, textRoom(c)).cy;
        if (need > height) {
            const LONG oldBottom = c.rect.bottom;
            c.rect.bottom = c.rect.top + need;
            pushDown(all, c, oldBottom, need - height);
        }
        changed = true;
    }
    if (!changed) return;
    LONG lowestNow = 0;
    for (const Control& c : all) {
        SetWindowPos(c.window, nullptr, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        lowestNow = std::max(lowestNow, c.rect.bottom);
    }
    if (lowestNow > lowest) {
        RECT outer{};
        GetWindowRect(dlg, &outer);
        SetWindowPos(dlg, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + lowestNow - lowest,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace dialogfit
