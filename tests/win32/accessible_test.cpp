// Screen readers: the accessible objects of the cards and of the panel's controls, asked directly
// (Wine cannot hand them across through LresultFromObject), and the window's answer to WM_GETOBJECT.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_win32.h"
#include "app/table.h"
#include "cards/card_window.h"
#include "cards/card_window_win32.h"
#include "deck/state_file.h"
#include "res/ids.h"
#include "support/win32_helpers.h"

namespace {

struct Read {
    std::wstring name, description, value;
    long role = 0, state = 0;
};

Read ask(IAccessible* a) {
    Read r;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR s = nullptr;
    if (a->get_accName(self, &s) == S_OK) r.name = s;
    SysFreeString(s);
    s = nullptr;
    if (a->get_accDescription(self, &s) == S_OK) r.description = s;
    SysFreeString(s);
    s = nullptr;
    if (a->get_accValue(self, &s) == S_OK) r.value = s;
    SysFreeString(s);
    VARIANT v;
    if (a->get_accRole(self, &v) == S_OK && v.vt == VT_I4) r.role = v.lVal;
    if (a->get_accState(self, &v) == S_OK && v.vt == VT_I4) r.state = v.lVal;
    return r;
}

Read askWindow(HWND w, a11y::Facts (*facts)(HWND)) {
    IAccessible* a = a11y::makeObject(w, [w, facts] { return facts(w); });
    Read r = ask(a);
    a->Release();
    return r;
}

a11y::Facts factsOfCard(HWND w) { return cardOf(w) ? cardFacts(*cardOf(w)) : a11y::Facts{}; }

class Speaking : public ::testing::Test {
protected:
    void SetUp() override { freshTable(); }
    void TearDown() override { clearTable(); }
    Card& makeCard(int32_t rank, char16_t suit, int index, bool faceUp) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        c->faceUp = faceUp;
        createCardWindow(rank, c, suit, index);
        desk::showWindow(c->window);
        table.deck.append(std::move(card));
        pumpMessages();
        return *c;
    }
};

TEST_F(Speaking, ACardSaysItsNameItsPileItsRoleAndItsState) {
    // Four cards in a pile (index 0..3 lie one pixel apart), a joker and a card alone elsewhere.
    Card& five = makeCard(5, kHearts, 0, true);
    Card& queen = makeCard(12, kSpades, 1, true);
    Card& back = makeCard(3, kClubs, 2, false);
    makeCard(1, kDiamonds, 3, true);
    Card& joker = makeCard(0, kJoker, 300, true);
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
        const Read r = askWindow(toHwnd(c.card->window), factsOfCard);
        EXPECT_EQ(r.name, c.name);
        EXPECT_EQ(r.description, c.description) << std::string(c.name.begin(), c.name.end());
        EXPECT_EQ(r.role, ROLE_SYSTEM_LISTITEM);
    }
    five.faceUp = false;  // turned: the name follows at once
    EXPECT_EQ(askWindow(toHwnd(five.window), factsOfCard).name, L"裏向きのカード");
    five.marked = 1;
    table.currentCard = &five;
    const long state = askWindow(toHwnd(five.window), factsOfCard).state;
    EXPECT_TRUE(state & STATE_SYSTEM_SELECTED) << "marked";
    EXPECT_TRUE(state & STATE_SYSTEM_FOCUSED) << "the current card";
    EXPECT_FALSE(askWindow(toHwnd(queen.window), factsOfCard).state & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED));

    // The window answers for its client area and leaves every other object to the system.
    HWND w = toHwnd(queen.window);
    EXPECT_NE(SendMessageW(w, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0) << "the object is offered";
    EXPECT_EQ(SendMessageW(w, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_WINDOW)),
              DefWindowProcW(w, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_WINDOW)));
    wchar_t title[16];
    GetWindowTextW(w, title, 16);
    EXPECT_STREQ(title, L"カード") << "the title stays";
}

class SpeakingPanel : public ::testing::Test {
protected:
    void SetUp() override {
        table = Table{};
        table.soundOn = 0;
        appInstance = GetModuleHandleW(nullptr);
        DeleteFileW(reinterpret_cast<const wchar_t*>(stateFilePath(desk::modulePath()).c_str()));
        panel = CreateDialogParamW(appInstance, MAKEINTRESOURCEW(IDD_RP_PANEL), nullptr, panelDialogProc, 0);
        ASSERT_NE(panel, nullptr);
        pumpMessages();
    }
    void TearDown() override {
        if (IsWindow(panel)) DestroyWindow(panel);
        for (auto& c : table.deck.items())
            if (c->window) DestroyWindow(toHwnd(c->window));
        if (table.cardParent) DestroyWindow(toHwnd(table.cardParent));
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        table = Table{};
    }
    HWND panel = nullptr;
};

TEST_F(SpeakingPanel, TheControlsSayTheirTooltipsAndWhetherTheyCanBeUsed) {
    struct Case {
        int id;
        std::wstring name;
        long role;
        bool usable;
    } cases[] = {
        {IDC_RP_SEQUENCE, L"すべてシーケンス", ROLE_SYSTEM_PUSHBUTTON, true},
        {IDC_RP_UNDO, L"元に戻す", ROLE_SYSTEM_PUSHBUTTON, false},  // nothing to undo yet
        {IDC_RP_SHARE, L"テーブルを共有 ...", ROLE_SYSTEM_PUSHBUTTON, true},
        {IDC_RP_HELP, L"ヘルプ", ROLE_SYSTEM_PUSHBUTTON, true},
        {IDC_RP_RATIO, L"重なり判定の割合", ROLE_SYSTEM_SLIDER, true},
        {IDC_RP_RECURSIVE, L"重なりを再帰的に判定", ROLE_SYSTEM_CHECKBUTTON, true},
    };
    for (const Case& c : cases) {
        HWND control = GetDlgItem(panel, c.id);
        const Read r = askWindow(control, panelControlFacts);
        EXPECT_EQ(r.name, c.name) << c.id;
        EXPECT_EQ(r.role, c.role) << c.id;
        EXPECT_EQ((r.state & STATE_SYSTEM_UNAVAILABLE) == 0, c.usable) << c.id;
        EXPECT_NE(SendMessageW(control, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0) << c.id;
    }
    EXPECT_EQ(askWindow(GetDlgItem(panel, IDC_RP_RATIO), panelControlFacts).value, L"50");
    CheckDlgButton(panel, IDC_RP_RECURSIVE, BST_CHECKED);
    EXPECT_TRUE(askWindow(GetDlgItem(panel, IDC_RP_RECURSIVE), panelControlFacts).state & STATE_SYSTEM_CHECKED);
    wchar_t text[8];
    GetWindowTextW(GetDlgItem(panel, IDC_RP_SEQUENCE), text, 8);
    EXPECT_STREQ(text, L" ") << "the buttons keep their text";
}

}  // namespace
