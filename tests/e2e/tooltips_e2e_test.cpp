// The cards' tooltips on the real table, read from the shown tip.
#include <gtest/gtest.h>

#include "deck/state_file.h"
#include "e2e/driver.h"
#include "res/ids.h"

namespace {

struct Tips {
    DWORD pid = 0;
    HWND cardParent = nullptr;
    std::vector<HWND> all;
};

Tips tooltipsOf(DWORD pid) {
    Tips t;
    t.pid = pid;
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* found = reinterpret_cast<Tips*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != found->pid) return TRUE;
            wchar_t cls[32] = {};
            GetClassNameW(h, cls, 32);
            if (!wcscmp(cls, L"tooltips_class32")) found->all.push_back(h);
            if (!wcscmp(cls, L"CardParent")) found->cardParent = h;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&t));
    return t;
}

class TooltipTest : public ::testing::Test {
protected:
    void start(const std::vector<StateCard>& cards) {
        StateData d;
        d.panelX = 900;
        d.panelY = 800;
        d.soundOn = 0;
        d.cards = cards;
        e2e::movePointer(1270, 20);
        panel = e2e::startTable(table, folder, cards.size(), &d, 120000);
        ASSERT_TRUE(panel);
    }
    void TearDown() override { e2e::closeTable(table, panel); }
    // The text of the card tip once it shows (empty when none does within a few seconds). Asked
    // with WM_GETTEXT: GetWindowText of another process's window reads only a stored caption.
    std::wstring shownTip() {
        for (int i = 0; i < 80; ++i) {
            for (HWND h : tooltipsOf(table.pi.dwProcessId).all) {
                wchar_t text[128] = {};
                if (IsWindowVisible(h) && GetWindow(h, GW_OWNER) == tooltipsOf(table.pi.dwProcessId).cardParent &&
                    SendMessageW(h, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text)) > 0) {
                    colour = static_cast<COLORREF>(SendMessageW(h, TTM_GETTIPTEXTCOLOR, 0, 0));
                    return text;
                }
            }
            Sleep(50);
        }
        return L"";
    }
    size_t cardTips() {
        Tips t = tooltipsOf(table.pi.dwProcessId);
        size_t n = 0;
        for (HWND h : t.all) n += GetWindow(h, GW_OWNER) == t.cardParent;
        return n;
    }

    std::wstring folder = e2e::freshFolder();
    e2e::Running table;
    HWND panel = nullptr;
    COLORREF colour = 0;
};

TEST_F(TooltipTest, RestingOnACardShowsWhichItIsAndItsPileAndAGestureShowsItAgain) {
    start({{u'h', 7, 300, 300, 1},
           {u's', 1, 301, 301, 0},
           {u's', 2, 302, 302, 0},
           {u's', 3, 303, 303, 0},
           {u'j', 0, 600, 300, 1},
           {u'd', 5, 300, 600, 0},
           {u'c', 5, 301, 601, 0}});
    e2e::movePointer(320, 330);
    EXPECT_EQ(shownTip(), L"♥ 7 ほか 3 枚");
    EXPECT_EQ(colour, RGB(255, 52, 0));
    e2e::movePointer(620, 330);
    EXPECT_EQ(shownTip(), L"JOKER");
    EXPECT_EQ(colour, RGB(0, 0, 105));
    e2e::movePointer(320, 630);
    EXPECT_EQ(shownTip(), L"2 枚");

    e2e::movePointer(620, 330);  // pick the joker up, carry it onto the pile, put it down there
    e2e::sendMouse(MOUSEEVENTF_LEFTDOWN);
    e2e::sendMouse(MOUSEEVENTF_LEFTUP);
    for (int i = 1; i <= 6; ++i) e2e::sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 620 - 50 * i, 330);
    e2e::sendMouse(MOUSEEVENTF_LEFTDOWN);
    e2e::sendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(shownTip(), L"JOKER ほか 4 枚") << "shown as the card is put down";
    EXPECT_EQ(cardTips(), 1u) << "one tooltip for all cards";
}

TEST_F(TooltipTest, AThousandCardsShareOneTooltip) {
    std::vector<StateCard> cards;
    for (int i = 0; i < 1000; ++i) cards.push_back({u"hscd"[i % 4], i % 13 + 1, 50 + (i % 40) * 25, 50 + (i / 40) * 30, 1});
    start(cards);
    EXPECT_EQ(cardTips(), 1u);
    e2e::movePointer(60, 60);
    EXPECT_FALSE(shownTip().empty());
}

}  // namespace
