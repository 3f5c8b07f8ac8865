#include "faces/render_win32.h"

#include <algorithm>
#include <functional>
#include <string>
#include <unordered_map>

#include "app/app_win32.h"
#include "app/table.h"
#include "desk/gdi_win32.h"
#include "deck/suits.h"
#include "faces/face_text.h"
#include "faces/picture_win32.h"

namespace {

int W() { return table.cardWidth; }
int H() { return table.cardHeight; }

TRIVERTEX vertex(int x, int y, int r, int g, int b) {
    TRIVERTEX v;
    v.x = x;
    v.y = y;
    v.Red = static_cast<COLOR16>(r << 8);
    v.Green = static_cast<COLOR16>(g << 8);
    v.Blue = static_cast<COLOR16>(b << 8);
    v.Alpha = 0;
    return v;
}

// Two triangles 0-1-2 and 0-3-2; skipped when the system has no GradientFill.
void fourCornerGradient(HDC dc, const TRIVERTEX (&corners)[4]) {
    if (!gradientFillFn) return;
    TRIVERTEX v[4] = {corners[0], corners[1], corners[2], corners[3]};
    GRADIENT_TRIANGLE tri[2] = {{0, 1, 2}, {0, 3, 2}};
    gradientFillFn(dc, v, 4, tri, 2, GRADIENT_FILL_TRIANGLE);
}

void roundOutline(HDC dc, int left, int top, int right, int bottom) {
    RoundRect(dc, left, top, right, bottom, W() / 10, H() / 10);
}

// A decoded picture, the whole of it stretched over the rectangle.
bool drawWhole(HDC dc, const PictureRef& picture, int x, int y, int w, int h) {
    if (!picture || picture->empty()) return false;
    drawPicture(*picture, dc, x, y, w, h, 0, 0, picture->width, picture->height);
    return true;
}

void setCanvasModes(HDC dc) {
    if (GetGraphicsMode(dc) != GM_ADVANCED) SetGraphicsMode(dc, GM_ADVANCED);
    if (GetBkMode(dc) != TRANSPARENT) SetBkMode(dc, TRANSPARENT);
    if (GetROP2(dc) != R2_COPYPEN) SetROP2(dc, R2_COPYPEN);
    if (GetStretchBltMode(dc) != HALFTONE) {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
    }
}

bool seeThrough(const PictureRef& p) { return p && !p->empty() && p->hasAlpha; }

void whiteFront(HDC dc) {
    Selected pen(dc, GetStockObject(BLACK_PEN));
    Selected brush(dc, GetStockObject(WHITE_BRUSH));
    roundOutline(dc, 0, 0, W() - 1, H() - 1);
}

// Where a picture is transparent the face shows through it: the white front or the back's gradient
// is laid first (a fresh canvas is black).
void composeFront(HDC dc, Card& card) {
    const PictureRef& shown = card.picture && !card.picture->empty() ? card.picture : table.frontPicture;
    if (seeThrough(shown)) whiteFront(dc);
    bool picture = drawWhole(dc, card.picture, 0, 0, W(), H()) || drawWhole(dc, table.frontPicture, 0, 0, W(), H());
    Selected pen(dc, GetStockObject(BLACK_PEN));
    Selected brush(dc, GetStockObject(picture ? NULL_BRUSH : WHITE_BRUSH));
    roundOutline(dc, 0, 0, W() - 1, H() - 1);
    if (table.drawIndex) drawIndices(dc, card);
}

void composeBack(HDC dc) {
    const bool picture = table.backPicture && !table.backPicture->empty();
    if (!picture || seeThrough(table.backPicture)) {
        const TRIVERTEX corners[4] = {vertex(1, 1, 255, 255, 255), vertex(W() - 1, 1, 234, 247, 255),
                                      vertex(W() - 1, H() - 1, 180, 226, 255), vertex(1, H() - 1, 206, 236, 255)};
        fourCornerGradient(dc, corners);
    }
    drawWhole(dc, table.backPicture, 1, 1, W() - 2, H() - 2);
    Selected pen(dc, GetStockObject(BLACK_PEN));
    Selected brush(dc, GetStockObject(NULL_BRUSH));
    roundOutline(dc, 0, 0, W() - 1, H() - 1);
}

// The black outline takes the colours of a diagonal gradient: a mask of the outline picks the
// gradient's pixels, which are ORed onto the black outline pixels of the canvas.
bool colourFrame(HDC canvas) {
    Scratch mask(canvas, W(), H());
    Scratch gradient(canvas, W(), H());
    if (!mask.ok() || !gradient.ok()) return false;
    {
        GdiObject whitePen(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
        Selected pen(mask.dc(), whitePen.get());
        Selected brush(mask.dc(), GetStockObject(BLACK_BRUSH));
        SetROP2(mask.dc(), R2_COPYPEN);
        roundOutline(mask.dc(), 0, 0, W() - 1, H() - 1);
    }
    const TRIVERTEX corners[4] = {vertex(0, 0, 180, 226, 255), vertex(W(), 0, 138, 169, 205),
                                  vertex(W(), H(), 51, 51, 102), vertex(0, H(), 100, 117, 160)};
    fourCornerGradient(gradient.dc(), corners);
    BitBlt(gradient.dc(), 0, 0, W(), H(), mask.dc(), 0, 0, SRCAND);
    BitBlt(canvas, 0, 0, W(), H(), gradient.dc(), 0, 0, SRCPAINT);
    return true;
}

HFONT indexFont(int h, bool rotated) {
    int angle = rotated ? 1800 : 0;
    return CreateFontW(h, h / 2, angle, angle, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial");
}

int advance(HDC dc, wchar_t c) {
    INT w = 0;
    return GetCharWidth32W(dc, c, c, &w) ? w : 0;
}

int textAdvance(HDC dc, const std::wstring& text) {
    int sum = 0;
    for (wchar_t c : text) sum += advance(dc, c);
    return sum;
}

// The text in its colour over a white halo one pixel left, right, up and down.
void haloText(HDC dc, int x, int y, const std::wstring& text, COLORREF colour) {
    if (text.empty()) return;
    int n = static_cast<int>(text.size());
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, x - 1, y, text.c_str(), n);
    TextOutW(dc, x + 1, y, text.c_str(), n);
    TextOutW(dc, x, y - 1, text.c_str(), n);
    TextOutW(dc, x, y + 1, text.c_str(), n);
    SetTextColor(dc, colour);
    TextOutW(dc, x, y, text.c_str(), n);
}

std::wstring wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

}  // namespace

int widestGlyph(const wchar_t* text, HDC dc) {
    if (!text || !dc) return 0;
    int widest = 0;
    for (; *text; ++text) widest = std::max(widest, advance(dc, *text));
    return widest;
}

void drawIndices(HDC dc, const Card& card) {
    const bool joker = card.suit == u'j';
    const int h = joker ? W() / 6 : W() / 3;
    GdiObject upright(indexFont(h, false));
    GdiObject rotated(indexFont(h, true));
    Selected font(dc, upright.get());
    const int w = W(), ht = H();
    if (joker) {
        static const wchar_t kWord[] = L"JOKER";
        int m = widestGlyph(kWord, dc);
        int widths[5];
        for (int k = 0; k < 5; ++k) widths[k] = advance(dc, kWord[k]);
        for (int k = 0; k < 5; ++k) haloText(dc, (m - widths[k]) / 2 + 3, 3 + k * h, std::wstring(1, kWord[k]), RGB(0, 0, 0));
        SelectObject(dc, rotated.get());
        for (int k = 0; k < 5; ++k)
            haloText(dc, w - (m - widths[k]) / 2 - 3, ht - k * h - 3, std::wstring(1, kWord[k]), RGB(0, 0, 0));
        SelectObject(dc, upright.get());
        return;
    }
    std::wstring rank = wide(rankText(card.rank));
    char16_t glyph = suitOf(card.suit) ? suitOf(card.suit)->glyph : 0;
    std::wstring suit = glyph ? std::wstring(1, static_cast<wchar_t>(glyph)) : std::wstring();
    COLORREF colour = suitIsRed(card.suit) ? RGB(255, 0, 0) : RGB(0, 0, 0);
    int r = textAdvance(dc, rank), s = textAdvance(dc, suit), t = std::max(r, s);
    haloText(dc, (t - r) / 2 + 3, 3, rank, colour);
    haloText(dc, (t - s) / 2 + 3, h + 3, suit, colour);
    SelectObject(dc, rotated.get());
    haloText(dc, w - (t - r) / 2 - 3, ht - 3, rank, colour);
    haloText(dc, w - (t - s) / 2 - 3, ht - h - 3, suit, colour);
    SelectObject(dc, upright.get());
}

namespace {

// Cards that look the same share one composed front: the face depends only on the picture shown,
// the rank and suit when indices are drawn, the card size and the draw flag. Drawing objects and
// canvas memory thus grow with the distinct faces, not with the cards. The key holds the picture,
// so a picture's address is never taken up by another while a face made from it lives.
struct FaceKey {
    PictureRef picture;
    int32_t rank;
    char16_t suit;
    int32_t width, height;
    uint32_t drawIndex;
    bool operator==(const FaceKey& o) const {
        return picture == o.picture && rank == o.rank && suit == o.suit && width == o.width && height == o.height &&
               drawIndex == o.drawIndex;
    }
};

struct FaceKeyHash {
    size_t operator()(const FaceKey& k) const {
        size_t h = std::hash<const void*>()(k.picture.get());
        for (uint64_t v : {uint64_t(uint32_t(k.rank)), uint64_t(k.suit), uint64_t(uint32_t(k.width)),
                           uint64_t(uint32_t(k.height)), uint64_t(k.drawIndex)})
            h = h * 1000003u ^ std::hash<uint64_t>()(v);
        return h;
    }
};

struct SharedFront {
    HDC dc = nullptr;
    HGDIOBJ saved = nullptr;  // the context's own bitmap, put back before it goes
    size_t users = 0;
};

using FrontTable = std::unordered_map<FaceKey, SharedFront, FaceKeyHash>;
FrontTable fronts;  // its elements stay where they are while others come and go

FaceKey frontKey(const Card& card) {
    const PictureRef& shown = card.picture && !card.picture->empty() ? card.picture : table.frontPicture;
    FaceKey k{shown && !shown->empty() ? shown : nullptr, 0, 0, W(), H(), table.drawIndex ? 1u : 0u};
    if (k.drawIndex) {
        k.rank = card.rank;
        k.suit = card.suit;
    }
    return k;
}


// A canvas of the card size compatible with the card's window; false when it cannot be made.
bool newCanvas(const Card& card, HDC& dc, HGDIOBJ& saved) {
    HWND hwnd = toHwnd(card.window);
    HDC windowDC = GetDC(hwnd);
    if (!windowDC) return false;
    dc = CreateCompatibleDC(windowDC);
    HBITMAP bitmap = dc ? CreateCompatibleBitmap(windowDC, W(), H()) : nullptr;
    ReleaseDC(hwnd, windowDC);
    if (!bitmap) {
        if (dc) DeleteDC(dc);
        dc = nullptr;
        return false;
    }
    saved = SelectObject(dc, bitmap);
    return true;
}

// The card shows the front of its present look, composed now if no card shows it yet.
bool takeFront(Card& card) {
    const FaceKey key = frontKey(card);
    auto* held = static_cast<FrontTable::value_type*>(card.shell.frontFace);
    if (held && held->first == key) return true;
    auto [it, made] = fronts.try_emplace(key);
    if (made) {
        SharedFront& f = it->second;
        if (!newCanvas(card, f.dc, f.saved)) {
            fronts.erase(it);
            return false;
        }
        setCanvasModes(f.dc);
        composeFront(f.dc, card);
        colourFrame(f.dc);
    }
    ++it->second.users;
    releaseFront(card);
    card.shell.frontFace = &*it;
    card.shell.frontDC = it->second.dc;
    return true;
}

bool composeBackCanvas(const Card& card) {
    if (table.backDC) {
        BITMAP bm{};
        HGDIOBJ current = GetCurrentObject(static_cast<HDC>(table.backDC), OBJ_BITMAP);
        if (!current || !GetObjectW(current, sizeof bm, &bm) || bm.bmWidth != W() || bm.bmHeight != H()) {
            freeCanvas(static_cast<HDC>(table.backDC), static_cast<HGDIOBJ>(table.backOldBitmap));
            table.backDC = table.backOldBitmap = nullptr;
        }
    }
    if (!table.backDC) {
        HDC dc = nullptr;
        HGDIOBJ saved = nullptr;
        if (!newCanvas(card, dc, saved)) return false;
        table.backDC = dc;
        table.backOldBitmap = saved;
    }
    HDC dc = static_cast<HDC>(table.backDC);
    setCanvasModes(dc);
    composeBack(dc);
    colourFrame(dc);
    return true;
}

}  // namespace

void releaseFront(Card& card) {
    auto* held = static_cast<FrontTable::value_type*>(card.shell.frontFace);
    card.shell.frontFace = nullptr;
    card.shell.frontDC = nullptr;
    if (!held || --held->second.users) return;
    freeCanvas(held->second.dc, held->second.saved);
    fronts.erase(held->first);
}

size_t sharedFrontCount() { return fronts.size(); }

bool composeFace(Card& card, bool front) { return front ? takeFront(card) : composeBackCanvas(card); }

void drawMarkedFrame(HDC dc) {
    struct Stroke {
        int width;
        COLORREF colour;
        int rop;
    };
    const Stroke strokes[] = {{3, RGB(170, 170, 170), R2_MASKPEN},
                              {3, RGB(248, 179, 31), R2_MERGEPEN},
                              {1, RGB(246, 196, 86), R2_MERGEPEN}};
    int oldRop = GetROP2(dc);
    Selected brush(dc, GetStockObject(NULL_BRUSH));
    for (const Stroke& s : strokes) {
        GdiObject pen(CreatePen(PS_SOLID, s.width, s.colour));
        Selected use(dc, pen.get());
        SetROP2(dc, s.rop);
        roundOutline(dc, 1, 1, W() - 1, H() - 1);
    }
    SetROP2(dc, oldRop);
}

void drawFocusFrame(HDC dc) {
    LOGBRUSH lb{BS_SOLID, RGB(255, 255, 255), 0};
    GdiObject pen(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &lb, 0, nullptr));
    Selected use(dc, pen.get());
    Selected brush(dc, GetStockObject(NULL_BRUSH));
    int oldRop = SetROP2(dc, R2_XORPEN);
    roundOutline(dc, 1, 1, W() - 1, H() - 1);
    SetROP2(dc, oldRop);
}

void paintContent(const Card& card, HDC dc, const RECT& rect, bool focused) {
    HDC canvas = static_cast<HDC>(card.faceUp ? card.shell.frontDC : table.backDC);
    if (!canvas) return;
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, canvas, rect.left, rect.top,
           SRCCOPY);
    if (card.marked) drawMarkedFrame(dc);
    if (focused) drawFocusFrame(dc);
}

// A face not drawn yet is composed when it is first painted.
void recomposeFace(Card& card, bool front) {
    if (front ? card.shell.frontDC : table.backDC) composeFace(card, front);
}

void paintCard(Card& card) {
    HWND hwnd = toHwnd(card.window);
    bool front = card.faceUp;
    bool ready = (front ? card.shell.frontDC : table.backDC) || composeFace(card, front);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc && ready) paintContent(card, dc, ps.rcPaint, GetFocus() == hwnd);
    EndPaint(hwnd, &ps);
}
