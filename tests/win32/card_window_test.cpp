// Real card windows in this process: class, styles, shape, fixed size, hit-testing, activation.
#include "desk/windows_win32.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/table.h"
#include "cards/card_window_win32.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "support/win32_helpers.h"

namespace {

class CardWindowTest : public ::testing::Test {
protected:
    void SetUp() override { freshTable(); }
    void TearDown() override { clearTable(); }

    Card& makeCard(int index = 0) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        createCardWindow(5, c, kSpades, index);
        table.deck.append(std::move(card));
        return *c;
    }
};

TEST_F(CardWindowTest, ClassAndWindowStylesAreExactlyACards) {
    Card& c = makeCard();
    HWND w = toHwnd(c.window);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetClassLongPtrW(w, GCL_STYLE), 0x0A0B);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(w, GCLP_HCURSOR)), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(GetClassLongPtrW(w, GCLP_HBRBACKGROUND), 0);
    EXPECT_EQ(GetWindowLongPtrW(w, GWL_EXSTYLE) & ~WS_EX_LAYERED, WS_EX_ACCEPTFILES);
    EXPECT_EQ(GetWindowLongPtrW(w, GWL_STYLE) & ~WS_CLIPSIBLINGS, static_cast<LONG_PTR>(WS_POPUP));
    EXPECT_EQ(GetWindow(w, GW_OWNER), toHwnd(table.cardParent));
    EXPECT_EQ(cardOf(w), &c) << "the record pointer is kept from WM_CREATE";
    EXPECT_EQ(c.rank, 5);
    EXPECT_EQ(c.suit, kSpades);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 200);
    EXPECT_FALSE(IsWindowVisible(w)) << "the caller shows it";
    EXPECT_EQ(ImmGetContext(w), nullptr) << "no input method on a card";
}

TEST_F(CardWindowTest, RegionIsTheRoundedCardShapeForEverySize) {
    for (auto [w, h] : {std::pair{60, 88}, std::pair{16, 16}, std::pair{999, 999}}) {
        table.cardWidth = w;
        table.cardHeight = h;
        Card& c = makeCard();
        HWND hwnd = toHwnd(c.window);
        HRGN got = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(hwnd, got), ERROR) << w << "x" << h;
        HRGN want = CreateRoundRectRgn(0, 0, w + 1, h + 1, w / 10, h / 10);
        EXPECT_TRUE(sameRegion(got, want)) << w << "x" << h;
        RECT box;
        GetRgnBox(got, &box);
        EXPECT_EQ(box.left, 0);
        EXPECT_EQ(box.top, 0);
        EXPECT_GE(box.right, w);
        EXPECT_LE(box.right, w + 1);
        DeleteObject(got);
        DeleteObject(want);
    }
}

TEST_F(CardWindowTest, ResizeRequestsAreIgnoredAndMovesKeepTheRegion) {
    Card& c = makeCard();
    HWND w = toHwnd(c.window);
    SetWindowPos(w, nullptr, 0, 0, 300, 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveWindow(w, 10, 20, 5, 5, TRUE);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 60);
    EXPECT_EQ(r.bottom - r.top, 88);
    EXPECT_EQ(r.left, 10) << "the move itself goes through";
    HRGN got = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(w, got);
    HRGN want = createCardRegion(60, 88);
    EXPECT_TRUE(sameRegion(got, want));
    DeleteObject(got);
    DeleteObject(want);
}

TEST_F(CardWindowTest, EveryPointIsClientArea) {
    Card& c = makeCard();
    HWND w = toHwnd(c.window);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    for (POINT p : {POINT{200, 200}, POINT{259, 287}, POINT{230, 240}, POINT{0, 0}})
        EXPECT_EQ(SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLIENT);
}

TEST_F(CardWindowTest, MessagesBeforeCreationGetDefaultProcessing) {
    // A window of the card class created without a record stays a plain window.
    HWND w = CreateWindowExW(0, L"Card", L"x", WS_POPUP, 0, 0, 30, 30, nullptr, nullptr, GetModuleHandleW(nullptr),
                             nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(cardOf(w), nullptr);
    EXPECT_NE(SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(5000, 5000)), HTCLIENT);
    DestroyWindow(w);
}

TEST_F(CardWindowTest, CurrentCardFollowsActivation) {
    Card& a = makeCard(0);
    Card& b = makeCard(100);
    ShowWindow(toHwnd(a.window), SW_SHOWNOACTIVATE);
    ShowWindow(toHwnd(b.window), SW_SHOWNOACTIVATE);
    EXPECT_EQ(table.currentCard, nullptr);
    SetActiveWindow(toHwnd(b.window));
    pumpMessages();
    EXPECT_EQ(table.currentCard, &b);
    SetActiveWindow(toHwnd(a.window));
    pumpMessages();
    EXPECT_EQ(table.currentCard, &a);
}

TEST_F(CardWindowTest, ListingFindsOnlyThisThreadsCardsInZOrder) {
    createDefaultDeck();
    pumpMessages();
    HWND otherTitle = CreateWindowExW(0, L"Card", L"カードX", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    HWND otherThread = nullptr;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread t([&] {
        otherThread = CreateWindowExW(0, L"Card", L"カード", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        SetEvent(ready);
        WaitForSingleObject(done, 10000);
        DestroyWindow(otherThread);
    });
    WaitForSingleObject(ready, 10000);
    std::vector<desk::Window> found = listCardWindows();
    SetEvent(done);
    t.join();
    DestroyWindow(otherTitle);
    ASSERT_EQ(found.size(), 53u);
    for (size_t i = 0; i < 53; ++i) EXPECT_EQ(found[i], table.deck.at(i).window) << i;
    CloseHandle(ready);
    CloseHandle(done);
}

}  // namespace
