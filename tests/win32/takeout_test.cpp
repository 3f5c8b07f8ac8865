// The take-out dialog in-process: its fonts, lists and the drawing of their items.
#include "desk/windows_win32.h"

#include <gtest/gtest.h>

#include "app/app_win32.h"
#include "cards/card_window.h"
#include "dialogs/takeout_win32.h"
#include "res/ids.h"
#include "support/win32_helpers.h"

namespace {

class TakeOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        appInstance = GetModuleHandleW(nullptr);
        freshTable();
        table.keepStateFile = true;
        for (int i = 0; i < 3; ++i) {
            auto card = std::make_unique<Card>();
            createCardWindow(i + 1, card.get(), u'd', i);
            table.deck.append(std::move(card));
        }
        dialog = CreateDialogParamW(appInstance, MAKEINTRESOURCEW(IDD_RP_TAKEOUT), nullptr, takeOutDialogProc,
                                    reinterpret_cast<LPARAM>(&table.takeOutBlock));
    }
    void TearDown() override {
        if (IsWindow(dialog)) DestroyWindow(dialog);
        clearTable();
    }
    LRESULT send(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return SendDlgItemMessageW(dialog, id, msg, wp, lp); }
    // Pixels of the item's own drawing, read from the screen.
    COLORREF pixel(int id, int item, int dx, int dy) {
        RECT r;
        send(id, LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
        HWND list = GetDlgItem(dialog, id);
        HDC dc = GetDC(list);
        COLORREF c = GetPixel(dc, r.left + dx, r.top + dy);
        ReleaseDC(list, dc);
        return c;
    }
    int count(int id, int item, COLORREF colour) {
        RECT r;
        send(id, LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
        HWND list = GetDlgItem(dialog, id);
        HDC dc = GetDC(list);
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) == colour;
        ReleaseDC(list, dc);
        return n;
    }

    HWND dialog = nullptr;
};

TEST_F(TakeOutTest, ListsHoldTheirItemsInTheirFontsAndTheFontsGoWithTheDialog) {
    ASSERT_TRUE(dialog);
    wchar_t caption[64];
    GetWindowTextW(dialog, caption, 64);
    EXPECT_STREQ(caption, L"ルポネ 1.0.0 - カードの出し入れ");
    const TakeOutBlock& b = table.takeOutBlock;
    HDC screen = GetDC(GetDesktopWindow());
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(GetDesktopWindow(), screen);
    const struct {
        int id;
        Handle font;
        int points, items;
    } lists[] = {{IDC_RP_SUITS, b.suitFont, 33, 4}, {IDC_RP_RANKS, b.rankFont, 12, 13}, {IDC_RP_CARDS, b.cardFont, 12, 3}};
    for (const auto& l : lists) {
        EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(l.font)), static_cast<DWORD>(OBJ_FONT));
        EXPECT_EQ(send(l.id, WM_GETFONT), reinterpret_cast<LRESULT>(l.font));
        EXPECT_EQ(send(l.id, LB_GETITEMHEIGHT), l.points * dpi / 72);
        EXPECT_EQ(send(l.id, LB_GETCOUNT), l.items);
    }
    EXPECT_EQ(send(IDC_RP_CARDS, LB_GETITEMDATA, 2), (3 << 16) | 'd');
    const HGDIOBJ suitFont = static_cast<HGDIOBJ>(b.suitFont);
    DestroyWindow(dialog);
    EXPECT_EQ(GetObjectType(suitFont), 0u) << "deleted";
    EXPECT_EQ(b.suitFont, nullptr);
    EXPECT_EQ(b.cardFont, nullptr);
}

TEST_F(TakeOutTest, ItemsAreDrawnInTheirColoursSelectedOrNot) {
    SetWindowPos(dialog, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    send(IDC_RP_SUITS, LB_SETSEL, TRUE, 0);
    send(IDC_RP_CARDS, LB_SETSEL, TRUE, 1);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpMessages();
    EXPECT_EQ(pixel(IDC_RP_SUITS, 0, 2, 2), RGB(160, 160, 240)) << "selected";
    EXPECT_EQ(pixel(IDC_RP_SUITS, 2, 2, 2), RGB(240, 240, 240)) << "not selected";
    EXPECT_GT(count(IDC_RP_SUITS, 0, RGB(255, 52, 0)), 20) << "the heart in orange-red";
    EXPECT_GT(count(IDC_RP_SUITS, 1, RGB(0, 0, 105)), 20) << "the spade in dark blue";
    EXPECT_GT(count(IDC_RP_RANKS, 0, RGB(16, 16, 16)), 5);
    EXPECT_EQ(pixel(IDC_RP_CARDS, 1, 1, 1), RGB(160, 160, 240));
    EXPECT_GT(count(IDC_RP_CARDS, 1, RGB(255, 0, 0)), 5) << "diamonds in red";
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RP_CARDS, LBN_SELCHANGE), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_RP_PUTAWAY)));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RP_SUITS, LBN_SELCHANGE), 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RP_TAKE))) << "no rank chosen";
}

}  // namespace
