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

    Card& makeCard(int index = 0, int32_t rank = 5, char16_t suit = kSpades, bool faceUp = false) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        c->faceUp = faceUp;
        createCardWindow(rank, c, suit, index);
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

// Screen readers: the card's accessible object, asked directly (Wine cannot hand it across
// through LresultFromObject), and the window's answer to WM_GETOBJECT.
TEST_F(CardWindowTest, ACardSaysItsNameItsPileItsRoleAndItsState) {
    // Four cards in a pile (index 0..3 lie one pixel apart), a joker and a card alone elsewhere.
    Card& five = makeCard(0, 5, kHearts, true);
    Card& queen = makeCard(1, 12, kSpades, true);
    Card& back = makeCard(2, 3, kClubs, false);
    makeCard(3, 1, kDiamonds, true);
    Card& joker = makeCard(300, 0, kJoker, true);
    for (const auto& c : table.deck.items()) desk::showWindow(c->window);
    pumpMessages();
    const auto factsOfCard = [](HWND w) { return cardOf(w) ? cardFacts(*cardOf(w)) : a11y::Facts{}; };
    struct Case {
        Card* card;
        std::wstring name, description;
    } cases[] = {
        {&five, L"ハートの 5", L"ほか 3 枚"},
        {&queen, L"スペードの クイーン", L"ほか 3 枚"},
        {&back, L"裏向きのカード", L"ほか 3 枚"},
        {&joker, L"ジョーカー", L""},
    };
    for (const Case& c : cases) {
        const Read r = askWindow(toHwnd(c.card->window), +factsOfCard);
        EXPECT_EQ(r.name, c.name);
        EXPECT_EQ(r.description, c.description) << std::string(c.name.begin(), c.name.end());
        EXPECT_EQ(r.role, ROLE_SYSTEM_LISTITEM);
    }
    five.faceUp = false;  // turned: the name follows at once
    EXPECT_EQ(askWindow(toHwnd(five.window), +factsOfCard).name, L"裏向きのカード");
    five.marked = 1;
    table.currentCard = &five;
    const long state = askWindow(toHwnd(five.window), +factsOfCard).state;
    EXPECT_TRUE(state & STATE_SYSTEM_SELECTED) << "marked";
    EXPECT_TRUE(state & STATE_SYSTEM_FOCUSED) << "the current card";
    EXPECT_FALSE(askWindow(toHwnd(queen.window), +factsOfCard).state & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED));

    // The window answers for its client area and leaves every other object to the system.
    HWND w = toHwnd(queen.window);
    EXPECT_NE(SendMessageW(w, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0) << "the object is offered";
    EXPECT_EQ(SendMessageW(w, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_WINDOW)),
              DefWindowProcW(w, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_WINDOW)));
    wchar_t title[16];
    GetWindowTextW(w, title, 16);
    EXPECT_STREQ(title, L"カード") << "the title stays";
}

}  // namespace
