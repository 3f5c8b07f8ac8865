// Draws a gallery of composed faces into a BMP file, to look at them as a player would:
//   face_gallery.exe out.bmp
#include "desk/windows_win32.h"

#include <cstdio>
#include <memory>

#include "app/app_win32.h"
#include "app/table.h"
#include "cards/card_window_win32.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "faces/render_win32.h"

namespace {

bool saveBmp(HDC dc, HBITMAP bm, int w, int h, const char* path) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    int stride = (w * 3 + 3) & ~3;
    std::unique_ptr<unsigned char[]> bits(new unsigned char[static_cast<size_t>(stride) * h]);
    if (!GetDIBits(dc, bm, 0, h, bits.get(), &bi, DIB_RGB_COLORS)) return false;
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + stride * h), 0, 0,
                        sizeof fh + sizeof bi.bmiHeader};
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    std::fwrite(bits.get(), 1, static_cast<size_t>(stride) * h, f);
    std::fclose(f);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    loadOptionalEntryPoints();
    registerCardClass();
    table.soundOn = 0;
    const int W = 900, H = 420;
    HDC screen = GetDC(nullptr);
    HDC out = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, W, H);
    SelectObject(out, bm);
    RECT all{0, 0, W, H};
    HBRUSH green = CreateSolidBrush(RGB(40, 110, 60));
    FillRect(out, &all, green);
    struct Face {
        char16_t suit;
        int rank;
        bool up, marked, focused;
    };
    const Face faces[] = {{u'j', 0, true, false, false}, {u'h', 1, true, false, false}, {u's', 10, true, false, false},
                          {u'd', 12, true, true, false}, {u'c', 13, true, false, true},  {u'h', 7, false, false, false},
                          {u'h', 7, false, true, true}};
    int x = 10;
    for (const Face& f : faces) {
        auto card = std::make_unique<Card>();
        createCardWindow(f.rank, card.get(), f.suit, 0);
        card->faceUp = f.up;
        card->marked = f.marked;
        composeFace(*card, f.up);
        RECT r{0, 0, table.cardWidth, table.cardHeight};
        HDC tile = CreateCompatibleDC(screen);
        HBITMAP tb = CreateCompatibleBitmap(screen, table.cardWidth, table.cardHeight);
        SelectObject(tile, tb);
        paintContent(*card, tile, r, f.focused);
        BitBlt(out, x, 10, table.cardWidth, table.cardHeight, tile, 0, 0, SRCCOPY);
        StretchBlt(out, x, 110, table.cardWidth * 2, table.cardHeight * 2, tile, 0, 0, table.cardWidth,
                   table.cardHeight, SRCCOPY);
        x += 125;
        table.deck.append(std::move(card));
    }
    for (int size : {16, 200}) {
        table.cardWidth = table.cardHeight = size;
        table.backDC = nullptr;
        x = size == 16 ? 10 : 400;
        for (const Face& f : {Face{u'h', 9, true, false, false}, Face{u'j', 0, true, false, false}, Face{u's', 1, false, false, false}}) {
            auto card = std::make_unique<Card>();
            createCardWindow(f.rank, card.get(), f.suit, 0);
            card->faceUp = f.up;
            composeFace(*card, f.up);
            BitBlt(out, x, size == 16 ? 300 : 205, size, size, static_cast<HDC>(f.up ? card->shell.frontDC : table.backDC), 0, 0, SRCCOPY);
            x += size + 10;
            table.deck.append(std::move(card));
        }
    }
    return saveBmp(out, bm, W, H, argv[1]) ? 0 : 1;
}
