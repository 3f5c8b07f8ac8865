// Working the table from the keyboard with real key input, as a player would.
#include <gtest/gtest.h>

#include "deck/state_file.h"
#include "e2e/driver.h"
#include "res/ids.h"

namespace {

class KeyboardTest : public ::testing::Test {
protected:
    // A lone card at (300, 300) and a pile of two at (600, 300), top first: lone, pile top, pile bottom.
    void start(const KeyTable& keys = kDefaultKeys) {
        StateData d;
        d.panelX = 900;
        d.panelY = 800;
        d.soundOn = 0;
        d.keys = keys;
        d.cards = {{u'h', 1, 300, 300, 0}, {u's', 2, 600, 300, 0}, {u's', 3, 610, 310, 0}};
        panel = e2e::startTable(table, folder, 3, &d);
        ASSERT_TRUE(panel);
        for (const e2e::CardWindow& c : e2e::cards(table.pi.dwProcessId)) windows.push_back(c.hwnd);
    }
    void TearDown() override { e2e::closeTable(table, panel); }
    // Turns the card over twice with the right button: clicked, it has the focus, face as before.
    void focus(int i) {
        POINT p = at(i);
        e2e::movePointer(p.x + 20, p.y + 20);
        for (int k = 0; k < 2; ++k) {
            e2e::sendMouse(MOUSEEVENTF_RIGHTDOWN);
            e2e::sendMouse(MOUSEEVENTF_RIGHTUP);
            Sleep(GetDoubleClickTime() + 50);
        }
        e2e::movePointer(1270, 20);
        ASSERT_EQ(focused(), windows[static_cast<size_t>(i)]);
    }
    HWND focused() {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(table.pi.dwThreadId, &gui);
        return gui.hwndFocus;
    }
    POINT at(int i) {
        RECT r;
        GetWindowRect(windows[static_cast<size_t>(i)], &r);
        return {r.left, r.top};
    }
    // Face up or down of the lone card, the pile's top and its bottom (by rank, whatever the stacking).
    std::vector<uint32_t> faces() {
        StateData d;
        EXPECT_TRUE(e2e::savedTable(panel, folder, d));
        std::vector<uint32_t> out(3);
        for (const StateCard& c : d.cards)
            if (c.rank >= 1 && c.rank <= 3) out[static_cast<size_t>(c.rank - 1)] = c.faceUp;
        return out;
    }
    static void keys(std::vector<WORD> chord) {
        e2e::pressChord(chord);
        Sleep(150);
    }

    std::wstring folder = e2e::freshFolder();
    e2e::Running table;
    HWND panel = nullptr;
    std::vector<HWND> windows;
};

bool samePoint(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

TEST_F(KeyboardTest, ArrowsMoveTheCardByItsSizeAndStopAtTheEdge) {
    start();
    focus(0);
    keys({VK_RIGHT});
    EXPECT_TRUE(samePoint(at(0), {360, 300})) << at(0).x << ", " << at(0).y;
    keys({VK_DOWN});
    EXPECT_TRUE(samePoint(at(0), {360, 388})) << at(0).x << ", " << at(0).y;
    for (int i = 0; i < 7; ++i) keys({VK_LEFT});
    EXPECT_TRUE(samePoint(at(0), {0, 388})) << "stops at the work area's edge: " << at(0).x;
}

TEST_F(KeyboardTest, SpaceTurnsTheCardShiftSpaceItsPile) {
    start();
    focus(1);
    keys({VK_SPACE});
    EXPECT_EQ(faces(), (std::vector<uint32_t>{0, 1, 0}));
    keys({VK_SHIFT, VK_SPACE});
    EXPECT_EQ(faces(), (std::vector<uint32_t>{0, 0, 1})) << "the card and the rest of its pile";
}

TEST_F(KeyboardTest, WXADCarryThePileAndOneUndoPutsItBack) {
    start();
    focus(1);
    keys({'D'});
    keys({'X'});
    EXPECT_TRUE(samePoint(at(1), {660, 388}));
    EXPECT_TRUE(samePoint(at(2), {670, 398}));
    EXPECT_TRUE(samePoint(at(0), {300, 300})) << "the lone card stays";
    keys({'A'});
    keys({'W'});
    EXPECT_TRUE(samePoint(at(1), {600, 300}));
    keys({'D'});
    keys({'Z'});
    EXPECT_TRUE(samePoint(at(1), {600, 300})) << "one undo for the last press";
    EXPECT_TRUE(samePoint(at(2), {610, 310}));
}

TEST_F(KeyboardTest, TabWalksTheRememberedOrderAndSHandsTheFocusBackAndForth) {
    start();
    focus(0);
    keys({'N'});  // remembers the order as it stands, top first
    keys({VK_TAB});
    EXPECT_EQ(GetForegroundWindow(), windows[1]);
    keys({VK_SHIFT, VK_TAB});
    EXPECT_EQ(GetForegroundWindow(), windows[0]);
    keys({'S'});
    EXPECT_TRUE(focused() == panel || IsChild(panel, focused())) << "to the panel";
    keys({'S'});
    EXPECT_EQ(focused(), windows[0]) << "and back to the current card";
}

TEST_F(KeyboardTest, ARebindingFromTheStateFileTakesTheKeyOver) {
    KeyTable rebound = kDefaultKeys;
    rebound[static_cast<size_t>(KeyAction::SingleRight)] = 'L';
    start(rebound);
    focus(0);
    keys({VK_RIGHT});
    EXPECT_TRUE(samePoint(at(0), {300, 300})) << "the old key does nothing";
    keys({'L'});
    EXPECT_TRUE(samePoint(at(0), {360, 300}));
}

}  // namespace
