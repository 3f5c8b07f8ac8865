// Handling cards with real mouse input, as a player would.
#include <gtest/gtest.h>

#include "deck/state_file.h"
#include "e2e/driver.h"
#include "res/ids.h"

// Points compare and print in test messages.
inline bool operator==(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }
inline std::ostream& operator<<(std::ostream& os, POINT p) { return os << "(" << p.x << ", " << p.y << ")"; }

namespace {

class MouseTest : public ::testing::Test {
protected:
    // Lays these cards (top first) and starts the table on them.
    void startWith(const std::vector<StateCard>& cards) {
        StateData d;
        d.panelX = 900;
        d.panelY = 800;
        d.soundOn = 0;
        d.cards = cards;
        std::vector<uint8_t> bytes = encodeState(d);
        HANDLE f = CreateFileW((folder + L"\\rupone.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD put = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
        CloseHandle(f);
        ASSERT_TRUE(e2e::start(table, folder));
        ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, cards.size(), 30000));
        for (const e2e::CardWindow& c : e2e::cards(table.pi.dwProcessId)) windows.push_back(c.hwnd);
        ASSERT_EQ(windows.size(), cards.size());
        panel = e2e::panel(table.pi.dwProcessId);
        Sleep(300);
    }
    void TearDown() override {
        if (e2e::alive(table)) {
            PostMessageW(panel, WM_CLOSE, 0, 0);
            if (e2e::waitExit(table, 10000) < 0) e2e::kill(table);
        }
    }

    static void send(DWORD flags, int x = 0, int y = 0) { e2e::sendMouse(flags, x, y); }
    static void moveTo(int x, int y) { send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y); }
    // Moves in steps, so the table sees the pointer pass.
    static void glide(POINT from, POINT to, int steps = 8) {
        for (int i = 1; i <= steps; ++i)
            moveTo(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    }
    static void leftClick() {
        send(MOUSEEVENTF_LEFTDOWN);
        send(MOUSEEVENTF_LEFTUP);
    }
    static void rightClick() {
        send(MOUSEEVENTF_RIGHTDOWN);
        send(MOUSEEVENTF_RIGHTUP);
    }
    static void settle() { Sleep(250); }
    // Presses on (310, 310), drags across (460, 310) and (610, 310), releases, carries the trail
    // 200 pixels down and puts it down.
    static void dragTrailFrom300To600AndPutItDown200Lower() {
    moveTo(310, 310);
    send(MOUSEEVENTF_LEFTDOWN);
    glide({310, 310}, {460, 310});
    glide({460, 310}, {610, 310});
    send(MOUSEEVENTF_LEFTUP);
    glide({610, 310}, {310, 510});
    leftClick();
    settle();
    }

    POINT at(int i) {
        RECT r;
        GetWindowRect(windows[static_cast<size_t>(i)], &r);
        return {r.left, r.top};
    }
    bool undoEnabled() { return IsWindowEnabled(GetDlgItem(panel, IDC_RP_UNDO)) != FALSE; }
    // The faces as the table would save them, top first (written through the log-off path).
    std::vector<uint32_t> faces() {
        StateData d;
        std::vector<uint32_t> out;
        if (!e2e::savedTable(panel, folder, d)) return out;
        for (const StateCard& c : d.cards) out.push_back(c.faceUp);
        return out;
    }
    // Where each card window stands in the z-order (0 = top).
    size_t depth(int i) {
        std::vector<e2e::CardWindow> now = e2e::cards(table.pi.dwProcessId);
        for (size_t k = 0; k < now.size(); ++k)
            if (now[k].hwnd == windows[static_cast<size_t>(i)]) return k;
        return now.size();
    }

    std::wstring folder = e2e::freshFolder();
    e2e::Running table;
    std::vector<HWND> windows;
    HWND panel = nullptr;
};

TEST_F(MouseTest, ClickMoveClickPutsTheCardDownAndEnablesUndo) {
    startWith({{u'h', 1, 300, 300, 1}});
    moveTo(310, 310);
    leftClick();
    glide({310, 310}, {410, 310});
    leftClick();
    settle();
    EXPECT_EQ(at(0), (POINT{400, 300}));
    EXPECT_TRUE(undoEnabled());
    glide({410, 310}, {600, 500});
    settle();
    EXPECT_EQ(at(0), (POINT{400, 300})) << "put down: it no longer follows";
}

// The user's real pointer, which reaches only the windows under it: moves of 40 pixels leave a
// 60-pixel card held by its middle before it can follow, and it must follow all the same.
TEST_F(MouseTest, ACardCarriedByTheRealPointerFollowsFastMoves) {
    startWith({{u'h', 1, 300, 300, 1}});
    // Taken by its middle: each step goes 10 pixels beyond the card's edge.
    std::wstring gesture = L"mousemove 330 344 sleep 0.2 click 1 sleep 0.2 ";
    for (int x = 370; x <= 730; x += 40) gesture += L"mousemove " + std::to_wstring(x) + L" 344 sleep 0.03 ";
    gesture += L"sleep 0.3 click 1";
    ASSERT_TRUE(e2e::xdotool(gesture, 1500));
    EXPECT_EQ(at(0), (POINT{700, 300})) << "followed to the end and put down there";
    EXPECT_TRUE(undoEnabled());
}

TEST_F(MouseTest, ClickAndClickAgainWithoutMovingPutsItBack) {
    startWith({{u'h', 1, 300, 300, 1}});
    moveTo(310, 310);
    leftClick();
    Sleep(GetDoubleClickTime() + 300);
    leftClick();
    settle();
    EXPECT_EQ(at(0), (POINT{300, 300}));
    EXPECT_FALSE(undoEnabled());
}

TEST_F(MouseTest, RightClickTurnsACardAndAPressReleasedElsewhereTurnsNothing) {
    startWith({{u'h', 1, 300, 300, 0}, {u's', 2, 500, 300, 0}});
    moveTo(320, 340);
    rightClick();
    settle();
    EXPECT_EQ(faces(), (std::vector<uint32_t>{1, 0}));
    EXPECT_TRUE(undoEnabled());
    Sleep(GetDoubleClickTime() + 100);
    send(MOUSEEVENTF_RIGHTDOWN);
    glide({320, 340}, {520, 340});
    send(MOUSEEVENTF_RIGHTUP);
    settle();
    EXPECT_EQ(faces(), (std::vector<uint32_t>{1, 0})) << "released over the other card: nothing turns";
}

TEST_F(MouseTest, DragAcrossCardsCollectsATrailThatHangsBeneathTheFirst) {
    // Top first: A, then B and C apart from it, and one more card below them all.
    startWith({{u'h', 1, 300, 300, 1}, {u'h', 2, 450, 300, 1}, {u'h', 3, 600, 300, 1}, {u'h', 4, 800, 600, 1}});
    dragTrailFrom300To600AndPutItDown200Lower();
    EXPECT_EQ(at(0), (POINT{300, 500}));
    EXPECT_EQ(at(1), (POINT{450, 500}));
    EXPECT_EQ(at(2), (POINT{600, 500}));
    EXPECT_EQ(at(3), (POINT{800, 600}));
    EXPECT_EQ(depth(1), depth(0) + 1) << "B directly beneath A";
    EXPECT_EQ(depth(2), depth(0) + 2) << "C directly beneath B";
}

TEST_F(MouseTest, DoubleClickLiftsThePileAndTheNextClickPutsItDown) {
    startWith({{u'h', 1, 310, 304, 1}, {u'h', 2, 305, 302, 1}, {u'h', 3, 300, 300, 1}, {u'h', 4, 700, 300, 1}});
    moveTo(330, 330);
    leftClick();
    leftClick();  // the second click arrives as a double-click
    glide({330, 330}, {530, 430});
    leftClick();
    settle();
    EXPECT_EQ(at(0), (POINT{510, 404}));
    EXPECT_EQ(at(1), (POINT{505, 402}));
    EXPECT_EQ(at(2), (POINT{500, 400}));
    EXPECT_EQ(at(3), (POINT{700, 300})) << "not in the pile";
}

TEST_F(MouseTest, RightDoubleClickTurnsThePileAndOneUndoRestoresIt) {
    startWith({{u'h', 1, 310, 304, 1}, {u'h', 2, 305, 302, 1}, {u'h', 3, 300, 300, 0}, {u'h', 4, 700, 300, 1}});
    moveTo(330, 330);
    rightClick();
    rightClick();
    settle();
    EXPECT_EQ(faces(), (std::vector<uint32_t>{0, 0, 1, 1}));
    SendMessageW(panel, WM_COMMAND, IDC_RP_UNDO, 0);
    settle();
    EXPECT_EQ(faces(), (std::vector<uint32_t>{1, 1, 0, 1}));
    EXPECT_FALSE(undoEnabled()) << "one step took it all back";
}

TEST_F(MouseTest, ATrailDraggedFromTheLowestCardHangsDirectlyBeneathIt) {
    // Top first: C, D, B, A; none overlaps another. The drag starts on A, the lowest card.
    startWith({{u'h', 3, 600, 300, 1}, {u'h', 4, 800, 600, 1}, {u'h', 2, 450, 300, 1}, {u'h', 1, 300, 300, 1}});
    const int A = 3, B = 2, C = 0, D = 1;
    dragTrailFrom300To600AndPutItDown200Lower();
    EXPECT_EQ(depth(A), 0u);
    EXPECT_EQ(depth(C), 1u);
    EXPECT_EQ(depth(B), 2u);
    EXPECT_EQ(depth(D), 3u);
    StateData d;
    ASSERT_TRUE(e2e::savedTable(panel, folder, d));
    ASSERT_EQ(d.cards.size(), 4u);
    EXPECT_EQ(d.cards[0].rank, 1);
    EXPECT_EQ(d.cards[1].rank, 3);
    EXPECT_EQ(d.cards[2].rank, 2);
    EXPECT_EQ(d.cards[3].rank, 4);
}

TEST_F(MouseTest, APileLiftedFromItsLowestCardHangsDirectlyBeneathIt) {
    // Top first: D apart, then C and B lying on A, the lowest card; the double-click hits A's
    // uncovered left edge. (Once overlapping cards have moved, Wine's stacking may follow stale
    // exposures, so it is asserted right after the lift.)
    startWith({{u'h', 4, 700, 300, 1}, {u'h', 3, 305, 302, 1}, {u'h', 2, 310, 304, 1}, {u'h', 1, 300, 300, 1}});
    const int A = 3, B = 2, C = 1, D = 0;
    moveTo(302, 340);
    leftClick();
    leftClick();
    settle();
    EXPECT_EQ(depth(A), 0u);
    EXPECT_EQ(depth(C), 1u);
    EXPECT_EQ(depth(B), 2u);
    EXPECT_EQ(depth(D), 3u);
    glide({302, 340}, {502, 440});
    leftClick();
    settle();
    EXPECT_EQ(at(A), (POINT{500, 400}));
    EXPECT_EQ(at(C), (POINT{505, 402}));
}

}  // namespace
