#include <gtest/gtest.h>

#include "app/panel.h"
#include "app/startup.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "desk/winconst.h"
#include "res/ids.h"
#include "support/table_fixture.h"

namespace {

using StartupTest = TableTest;

TEST(PanelPlacement, CentredOnThePointerInsideTheMargin) {
    desk::Rect work{0, 0, 1024, 768};
    desk::Point p = placePanel({500, 400}, 201, 121, work);
    EXPECT_EQ(p.x, 500 - 100);
    EXPECT_EQ(p.y, 400 - 60);
    p = placePanel({0, 0}, 200, 120, work);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 10);
    p = placePanel({1023, 767}, 200, 120, work);
    EXPECT_EQ(p.x, 1024 - 200 - 10);
    EXPECT_EQ(p.y, 768 - 120 - 10);
    // A work area that does not start at the origin.
    p = placePanel({-1500, 90}, 200, 120, {-1920, 40, 0, 1080});
    EXPECT_EQ(p.x, -1600);
    EXPECT_EQ(p.y, 50);
}

TEST(PanelPlacement, RightAndBottomLimitsWinOnATinyWorkArea) {
    desk::Point p = placePanel({50, 50}, 200, 120, {0, 0, 100, 100});
    EXPECT_EQ(p.x, 100 - 200 - 10);
    EXPECT_EQ(p.y, 100 - 120 - 10);
}

TEST_F(StartupTest, FreshTableSoundsDealsRemembersAndRecordsOneSnapshot) {
    buildTable(false);
    EXPECT_EQ(table.deck.count(), 53u);
    EXPECT_EQ(fake::sounds(), (std::vector<int>{IDS_RP_FRESH, IDS_RP_ORDER})) << "the order sound cuts the fresh one";
    EXPECT_EQ(table.cycleOrder.size(), 53u);
    EXPECT_EQ(table.historyCurrent, 0);
    EXPECT_EQ(table.historyStart, 0u);
    EXPECT_EQ(table.redoCount, 0u);
    EXPECT_FALSE(fake::enabled(IDC_RP_UNDO)) << "the first snapshot cannot be undone";
    EXPECT_FALSE(fake::enabled(IDC_RP_REDO));
    // Every card's slot 0 holds its place and the window above it.
    std::vector<desk::Window> order = listCardWindows();
    for (size_t i = 0; i < 53; ++i) {
        const HistorySlot& s = table.deck.at(i).history[0];
        EXPECT_EQ(s.x, 200 + static_cast<int32_t>(i / 10));
        EXPECT_EQ(s.insertAfter, i == 0 ? nullptr : order[i - 1]);
    }
}

TEST_F(StartupTest, QuietTableFromTheStateFileOnlyRemembersAndRecords) {
    table.soundOn = 0;
    buildTable(true);
    EXPECT_TRUE(table.deck.empty()) << "the state file made the cards";
    EXPECT_TRUE(fake::sounds().empty());
    EXPECT_TRUE(table.cycleOrder.empty());
    EXPECT_EQ(table.historyCurrent, 0);
}

TEST_F(StartupTest, SnapshotsEnableUndoAndWrapAroundTheRing) {
    buildTable(false);
    takeSnapshot();
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_TRUE(fake::enabled(IDC_RP_UNDO));
    EXPECT_FALSE(fake::enabled(IDC_RP_REDO));
    for (int i = 0; i < 99; ++i) takeSnapshot();
    EXPECT_EQ(table.historyCurrent, 100);
    EXPECT_EQ(table.historyStart, 0u);
    EXPECT_EQ(nextSnapshotSlot(table.historyStart, table.historyCurrent), 0) << "full ring: the oldest goes";
    takeSnapshot();
    EXPECT_EQ(table.historyCurrent, 100);
    EXPECT_EQ(table.historyStart, 1u);
    EXPECT_EQ(nextSnapshotSlot(100, 100), 100);
    EXPECT_EQ(nextSnapshotSlot(100, 0), 0) << "slot 101 wraps to 0";
    EXPECT_EQ(nextSnapshotSlot(5, 95), 0);
}

TEST_F(StartupTest, CurrentCardFollowsActivationOnly) {
    buildTable(false);
    Card& c = table.deck.at(7);
    onCardActivated(c, WA_INACTIVE);
    EXPECT_EQ(table.currentCard, nullptr);
    onCardActivated(c, WA_CLICKACTIVE);
    EXPECT_EQ(table.currentCard, &c);
    desk::activate(table.deck.at(9).window);
    EXPECT_EQ(table.currentCard, &table.deck.at(9)) << "the desk delivers activation to the card";
    onCardActivated(c, WA_INACTIVE);
    EXPECT_EQ(table.currentCard, &table.deck.at(9)) << "deactivation never clears it";
}

TEST_F(StartupTest, SwitchKeyHandsTheFocusToTheCardOnlyOnReleaseWithExactModifiers) {
    constexpr uint32_t kReleased = 0xC0000001u, kPressed = 0x00000001u;
    EXPECT_TRUE(hookSwitchesToCard(HC_ACTION, 'S', kReleased, 0, true));
    EXPECT_FALSE(hookSwitchesToCard(HC_ACTION, 'S', kPressed, 0, true)) << "the press alone does nothing";
    EXPECT_FALSE(hookSwitchesToCard(HC_ACTION, 'S', kReleased, kModShift, true)) << "Shift+S is another key";
    EXPECT_FALSE(hookSwitchesToCard(HC_ACTION, 'S', kReleased, 0, false)) << "focus on a card: not the hook's";
    EXPECT_FALSE(hookSwitchesToCard(3, 'S', kReleased, 0, true)) << "not HC_ACTION";
    table.keys[static_cast<size_t>(KeyAction::ToolOrCard)] = makeBinding('S', kModShift);
    EXPECT_FALSE(hookSwitchesToCard(HC_ACTION, 'S', kReleased, 0, true));
    EXPECT_TRUE(hookSwitchesToCard(HC_ACTION, 'S', kReleased, kModShift, true)) << "a new row counts at once";
    table.keys[static_cast<size_t>(KeyAction::ToolOrCard)] = 0;
    EXPECT_FALSE(hookSwitchesToCard(HC_ACTION, 0, kReleased, 0, true)) << "no key never matches";
}

TEST_F(StartupTest, OverlapControlsStoreClampedValues) {
    overlapRatioChanged(30);
    EXPECT_EQ(table.overlapRatio, 30u);
    overlapRatioChanged(101);
    EXPECT_EQ(table.overlapRatio, 100u);
    overlapRatioChanged(static_cast<uint32_t>(-1));
    EXPECT_EQ(table.overlapRatio, 100u) << "negative reads as a large unsigned value";
    EXPECT_FALSE(trackbarNeedsRatio(100));
    EXPECT_TRUE(trackbarNeedsRatio(0));
    recursiveChanged(true);
    EXPECT_EQ(table.judgeRecursively, 1u);
    recursiveChanged(false);
    EXPECT_EQ(table.judgeRecursively, 0u);
}

TEST_F(StartupTest, WorkAreaIsThePanelsAndFailsWithoutIt) {
    desk::Rect r;
    fake::setWorkArea({0, 0, 800, 600});
    ASSERT_TRUE(workArea(r));
    EXPECT_EQ(r.right, 800);
    fake::failWorkArea(true);
    EXPECT_FALSE(workArea(r));
    fake::failWorkArea(false);
    table.panel = nullptr;
    EXPECT_FALSE(workArea(r));
}

TEST_F(StartupTest, FreshCardsFollowTheDisplayScaleAndStoredSizesStayPixels) {
    const struct {
        uint32_t dpi;
        int32_t width, height;
    } cases[] = {{96, 60, 88}, {120, 75, 110}, {144, 90, 132}, {192, 120, 176}, {1, 16, 16}, {2000, 999, 999}};
    for (const auto& c : cases) {
        CardSize size = freshCardSize(c.dpi);
        EXPECT_EQ(size.width, c.width) << c.dpi;
        EXPECT_EQ(size.height, c.height) << c.dpi;
    }
    fake::setDpi(192);
    table.cardWidth = 50;
    buildTable(true);
    EXPECT_EQ(table.cardWidth, 50) << "a table from the state file keeps its size";
    buildTable(false);
    desk::Rect r;
    ASSERT_TRUE(desk::windowRect(table.deck.at(0).window, r));
    EXPECT_EQ(r.width(), 120);
    EXPECT_EQ(r.height(), 176);
}

TEST(RandomGenerator, StepsAndPicksAsTheTableExpects) {
    Random r;
    r.seed(0);
    EXPECT_EQ(r.next(), 38);     // (2531011 >> 16) & 0x7FFF
    EXPECT_EQ(r.next(), 7719);
    r.seed(12345);
    for (int i = 0; i < 1000; ++i) {
        int32_t v = r.pick(7);
        EXPECT_GE(v, 0);
        EXPECT_LT(v, 7);
    }
    // The top draw, 32767, would be n; it is held at n - 1.
    r.state = 0;
    while (((r.state * 214013u + 2531011u) >> 16 & 0x7FFF) != 32767) r.next();
    EXPECT_EQ(r.pick(10), 9);
    EXPECT_EQ(Random{}.pick(1), 0);
}

}  // namespace
