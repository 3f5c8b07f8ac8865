// Card faces as composed into their canvases, and the overlays painted over them, pixel by pixel.
#include "desk/windows_win32.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/app_win32.h"
#include "cards/card_window.h"
#include "faces/render_win32.h"
#include "support/win32_helpers.h"

namespace {

struct Rgb {
    int r, g, b;
};

Rgb rgb(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

::testing::AssertionResult closeTo(COLORREF got, Rgb want, int tolerance) {
    Rgb g = rgb(got);
    if (std::abs(g.r - want.r) <= tolerance && std::abs(g.g - want.g) <= tolerance &&
        std::abs(g.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << g.r << ", " << g.g << ", " << g.b << ") want (" << want.r << ", "
                                         << want.g << ", " << want.b << ")";
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        freshTable();
        msimg = loadOptionalEntryPoints();
    }
    void TearDown() override {
        clearTable();
        freeOptionalEntryPoints(msimg);
    }
    Card& make(char16_t suit, int32_t rank) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        createCardWindow(rank, c, suit, 0);
        table.deck.append(std::move(card));
        return *c;
    }
    HDC front(Card& c) {
        EXPECT_TRUE(composeFace(c, true));
        return static_cast<HDC>(c.shell.frontDC);
    }
    HDC back(Card& c) {
        EXPECT_TRUE(composeFace(c, false));
        return static_cast<HDC>(table.backDC);
    }
    // Pixels of exactly this colour in the rectangle.
    static int count(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += GetPixel(dc, x, y) == colour;
        return n;
    }
    HMODULE msimg = nullptr;
};

TEST_F(RenderTest, BackHasItsCornerGradientAndAColouredOutline) {
    Card& c = make(u's', 1);
    HDC dc = back(c);
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(closeTo(GetPixel(dc, 3, 3), {255, 255, 255}, 8)) << "white at the top-left";
    EXPECT_TRUE(closeTo(GetPixel(dc, 56, 84), {180, 226, 255}, 8)) << "towards (180, 226, 255) at the bottom-right";
    EXPECT_TRUE(closeTo(GetPixel(dc, 56, 3), {234, 247, 255}, 8));
    EXPECT_TRUE(closeTo(GetPixel(dc, 3, 84), {206, 236, 255}, 8));
    // The outline takes the frame gradient: on the top edge between (180, 226, 255) and (138, 169, 205).
    EXPECT_TRUE(closeTo(GetPixel(dc, 30, 0), {159, 197, 230}, 8));
    EXPECT_TRUE(closeTo(GetPixel(dc, 0, 44), {140, 171, 207}, 10)) << "left edge, half way down";
    EXPECT_EQ(count(dc, 6, 0, 54, 1, RGB(0, 0, 0)), 0) << "no black left on the outline";
}

TEST_F(RenderTest, FrontWithoutPictureIsWhiteInsideItsOutline) {
    table.drawIndex = 0;
    Card& c = make(u'h', 5);
    HDC dc = front(c);
    EXPECT_EQ(count(dc, 3, 3, 57, 85, RGB(255, 255, 255)), 54 * 82) << "all white inside";
    EXPECT_TRUE(closeTo(GetPixel(dc, 30, 0), {159, 197, 230}, 8));
    EXPECT_EQ(GetPixel(dc, 59, 44), RGB(0, 0, 0)) << "the last column lies outside the outline and stays as it was";
}

TEST_F(RenderTest, WhereAPictureIsTransparentTheFaceShowsThrough) {
    // An RGBA picture of PngSuite, made half red, half transparent.
    wchar_t module[MAX_PATH];
    std::wstring here(module, GetModuleFileNameW(nullptr, module, MAX_PATH));
    std::wstring path = here.substr(0, here.find_last_of(L"\\/")) + L"\\..\\..\\tests\\data\\pngsuite\\png\\basn6a08.png";
    auto picture = loadPicture(std::u16string(path.begin(), path.end()));
    ASSERT_TRUE(picture && picture->hasAlpha);
    for (int y = 0; y < picture->height; ++y)
        for (int x = 0; x < picture->width; ++x) {
            uint8_t* px = picture->bits + static_cast<ptrdiff_t>(y) * picture->pitch + x * 4;
            px[0] = 0, px[1] = 0, px[2] = 255, px[3] = x < picture->width / 2 ? 255 : 0;
        }
    table.drawIndex = 0;
    Card& c = make(kHearts, 5);
    c.picture = picture;
    HDC dc = front(c);
    EXPECT_TRUE(closeTo(GetPixel(dc, 10, 44), {255, 0, 0}, 0)) << "opaque: the picture";
    EXPECT_TRUE(closeTo(GetPixel(dc, 50, 44), {255, 255, 255}, 0)) << "transparent: the white face";
    table.backPicture = picture;
    HDC backDc = back(c);
    Rgb behind = rgb(GetPixel(backDc, 50, 44));
    EXPECT_GT(behind.b, 180) << "transparent: the back's gradient, not black";
    table.backPicture.reset();
}

TEST_F(RenderTest, HeartIndicesAreRedWithAWhiteHaloSpadesBlack) {
    Card& heart = make(u'h', 10);
    HDC dc = front(heart);
    int redTop = count(dc, 1, 1, 30, 44, RGB(255, 0, 0));
    int redBottom = count(dc, 30, 44, 59, 87, RGB(255, 0, 0));
    EXPECT_GT(redTop, 20);
    EXPECT_GT(redBottom, 20) << "the index turned half round in the bottom-right corner";
    EXPECT_EQ(count(dc, 3, 3, 57, 85, RGB(0, 0, 0)), 0) << "nothing black on a heart";

    Card& spade = make(u's', 1);
    dc = front(spade);
    EXPECT_GT(count(dc, 1, 1, 30, 44, RGB(0, 0, 0)), 20);
    EXPECT_EQ(count(dc, 1, 1, 59, 87, RGB(255, 0, 0)), 0);
}

TEST_F(RenderTest, IndicesCarryAWhiteHalo) {
    // Drawn over black, the halo shows: white pixels border the red ones.
    Card& heart = make(u'h', 8);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, 60, 88);
    HGDIOBJ old = SelectObject(dc, bm);
    SetBkMode(dc, TRANSPARENT);
    drawIndices(dc, heart);
    int red = 0, redBesideWhite = 0, redBesideBlack = 0;
    for (int y = 1; y < 87; ++y)
        for (int x = 1; x < 59; ++x) {
            if (GetPixel(dc, x, y) != RGB(255, 0, 0)) continue;
            ++red;
            for (POINT n : {POINT{x - 1, y}, POINT{x + 1, y}, POINT{x, y - 1}, POINT{x, y + 1}}) {
                COLORREF c = GetPixel(dc, n.x, n.y);
                redBesideWhite += c == RGB(255, 255, 255);
                redBesideBlack += c == RGB(0, 0, 0);
            }
        }
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(red, 20);
    EXPECT_GT(redBesideWhite, 10);
    EXPECT_EQ(redBesideBlack, 0) << "the halo keeps the background away from the index";
}

TEST_F(RenderTest, JokerLettersRunDownTheTopLeftAndUpFromTheBottomRight) {
    Card& joker = make(u'j', 0);
    HDC dc = front(joker);
    // Letters 10 pixels high, 5 wide: five of them fill 3..53 down the left edge.
    EXPECT_GT(count(dc, 1, 2, 14, 54, RGB(0, 0, 0)), 30);
    EXPECT_GT(count(dc, 46, 34, 59, 86, RGB(0, 0, 0)), 30);
    EXPECT_EQ(count(dc, 20, 2, 57, 30, RGB(0, 0, 0)), 0) << "nothing in the top-right";
    for (int k = 0; k < 5; ++k)
        EXPECT_GT(count(dc, 1, 3 + 10 * k, 14, 13 + 10 * k, RGB(0, 0, 0)), 0) << "letter " << k;
}

TEST_F(RenderTest, SmallestAndLargestCardsCompose) {
    for (auto [w, h] : {std::pair{16, 16}, std::pair{999, 999}}) {
        table.cardWidth = w;
        table.cardHeight = h;
        Card& c = make(u'd', 12);
        HDC f = front(c);
        BITMAP bm{};
        GetObjectW(GetCurrentObject(f, OBJ_BITMAP), sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, w);
        EXPECT_EQ(bm.bmHeight, h);
        int reddish = 0;
        for (int y = 1; y < h / 2; ++y)
            for (int x = 1; x < w / 2; ++x) {
                Rgb p = rgb(GetPixel(f, x, y));
                reddish += p.r > 200 && p.g < 140 && p.b < 140;
            }
        if (w > 16) {
            EXPECT_GT(reddish, 0) << "a 5-pixel index on a 16-pixel card may show nothing";
        }
        HDC b = back(c);
        EXPECT_TRUE(closeTo(GetPixel(b, w - 3, h - 3), {180, 226, 255}, 12)) << w;
        EXPECT_TRUE(closeTo(GetPixel(b, w / 2, 0), {159, 197, 230}, 12)) << w;
    }
}

TEST_F(RenderTest, UnexpectedRanksAndSuitsDrawWithoutIndex) {
    for (int32_t rank : {-3, 0, 14, 2147483647}) {
        Card& c = make(u'h', rank);
        HDC dc = front(c);
        EXPECT_EQ(count(dc, 1, 1, 30, 20, RGB(255, 0, 0)), 0) << "no rank text for " << rank;
    }
    Card& odd = make(u'x', 5);
    EXPECT_NE(front(odd), nullptr);
}

TEST_F(RenderTest, NewCardSizeGivesANewCanvas) {
    Card& c = make(u'c', 3);
    front(c);
    table.cardWidth = 70;
    table.cardHeight = 100;
    HDC dc = front(c);
    BITMAP bm{};
    GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 70);
    EXPECT_EQ(bm.bmHeight, 100);
}

// Cards that look alike show one composed front; it goes with the last card that shows it.
TEST_F(RenderTest, CardsThatLookAlikeShareOneFront) {
    const size_t before = sharedFrontCount();
    std::vector<Card*> cards;
    for (int i = 0; i < 40; ++i) cards.push_back(&make(u"hs"[i % 2], i / 2 % 4 + 1));
    for (Card* c : cards) front(*c);
    EXPECT_EQ(sharedFrontCount() - before, 8u) << "two suits x four ranks";
    EXPECT_EQ(cards[0]->shell.frontDC, cards[8]->shell.frontDC);
    EXPECT_NE(cards[0]->shell.frontDC, cards[1]->shell.frontDC);
    table.drawIndex = 0;
    for (Card* c : cards) front(*c);
    EXPECT_EQ(sharedFrontCount() - before, 1u) << "without indices every plain front is the same";
    HDC kept = static_cast<HDC>(cards[1]->shell.frontDC);
    DestroyWindow(toHwnd(cards[0]->window));
    EXPECT_EQ(GetObjectType(kept), static_cast<DWORD>(OBJ_MEMDC)) << "still shown by the others";
    for (size_t i = 1; i < cards.size(); ++i) DestroyWindow(toHwnd(cards[i]->window));
    EXPECT_EQ(sharedFrontCount(), before);
    EXPECT_EQ(GetObjectType(kept), 0u) << "freed with the last";
}

TEST_F(RenderTest, WithoutGradientFillTheRestIsStillDrawn) {
    freeOptionalEntryPoints(msimg);
    msimg = nullptr;
    Card& c = make(u'h', 1);
    HDC b = back(c);
    EXPECT_EQ(GetPixel(b, 30, 44), RGB(0, 0, 0)) << "no back gradient";
    HDC f = front(c);
    EXPECT_EQ(GetPixel(f, 30, 44), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(f, 30, 0), RGB(0, 0, 0)) << "the outline stays black";
    EXPECT_GT(count(f, 1, 1, 30, 44, RGB(255, 0, 0)), 0);
}

class OverlayTest : public RenderTest {
protected:
    // The card painted into a memory context as the screen would show it.
    COLORREF paintedAt(Card& c, bool focused, int x, int y) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bm = CreateCompatibleBitmap(screen, 60, 88);
        HGDIOBJ old = SelectObject(dc, bm);
        RECT all{0, 0, 60, 88};
        paintContent(c, dc, all, focused);
        COLORREF p = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteObject(bm);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return p;
    }
};

TEST_F(OverlayTest, MarkedCardShowsTheOrangeFrame) {
    Card& c = make(u's', 4);
    c.faceUp = 1;
    HDC canvas = front(c);
    c.marked = 1;
    for (int y : {0, 1, 2}) {
        COLORREF before = GetPixel(canvas, 30, y);
        COLORREF want = (before & RGB(170, 170, 170)) | RGB(248, 179, 31);
        if (y == 1) want |= RGB(246, 196, 86);
        EXPECT_EQ(paintedAt(c, false, 30, y), want) << "row " << y;
    }
    EXPECT_EQ(paintedAt(c, false, 30, 44), GetPixel(canvas, 30, 44)) << "the middle is untouched";
}

TEST_F(OverlayTest, FocusedCardShowsADottedInvertedFrame) {
    Card& c = make(u's', 4);
    c.faceUp = 1;
    HDC canvas = front(c);
    int inverted = 0, adjacent = 0;
    bool last = false;
    for (int x = 10; x < 50; ++x) {
        bool flipped = paintedAt(c, true, x, 1) == (GetPixel(canvas, x, 1) ^ RGB(255, 255, 255));
        inverted += flipped;
        adjacent += flipped && last;
        last = flipped;
    }
    EXPECT_GE(inverted, 18);
    EXPECT_LE(inverted, 22);
    EXPECT_EQ(adjacent, 0) << "every other pixel";
    c.marked = 1;
    COLORREF markedOnly = paintedAt(c, false, 11, 1), both = paintedAt(c, true, 11, 1);
    COLORREF markedNext = paintedAt(c, false, 12, 1), bothNext = paintedAt(c, true, 12, 1);
    EXPECT_TRUE(both == (markedOnly ^ RGB(255, 255, 255)) || bothNext == (markedNext ^ RGB(255, 255, 255)))
        << "the dotted frame goes over the orange one";
}

}  // namespace
