#include <gtest/gtest.h>

#include "cards/movement.h"
#include "res/ids.h"
#include "support/gesture_fixture.h"

namespace {

using MovementTest = GestureTest;

void startSpread(Card& centre) { beginGatherSpread(centre, SpreadMode::Key); }

TEST_F(MovementTest, WorkedExampleOfOneSpreadAndOneGatherStep) {
    Card& straight = lay(600, 300);  // 100 px to the right
    Card& slant = lay(560, 380);     // 100 px away at (60, 80)
    Card& centre = lay(500, 300);
    startSpread(centre);
    gatherSpreadStep(centre, true);
    // 7.4 + (1 - 6.4 / 768) x 100 = 106.57, truncated per axis.
    EXPECT_EQ(at(straight), (desk::Point{606, 300}));
    EXPECT_EQ(at(slant), (desk::Point{563, 385}));
    desk::moveWindow(straight.window, 600, 300);
    desk::moveWindow(slant.window, 560, 380);
    gatherSpreadStep(centre, false);
    // 100 - (7.4 - 6.4 / 768 x 100) = 93.43.
    EXPECT_EQ(at(straight), (desk::Point{593, 300}));
    EXPECT_EQ(at(slant), (desk::Point{556, 374}));
    EXPECT_EQ(at(centre), (desk::Point{500, 300})) << "the centre card never moves";
}

TEST_F(MovementTest, SpreadingStopsAtTheEdgeAndLeavesEdgeCardsAlone) {
    Card& edge = lay(0, 300);
    Card& right = lay(950, 300);
    Card& centre = lay(500, 300);
    startSpread(centre);
    for (int i = 0; i < 50; ++i) gatherSpreadStep(centre, true);
    EXPECT_EQ(at(edge), (desk::Point{0, 300}));
    EXPECT_EQ(at(right), (desk::Point{1024 - 60, 300})) << "kept on the work area";
}

TEST_F(MovementTest, CardsOnTheCentreLeaveItOnePerStep) {
    Card& one = lay(500, 300);
    Card& two = lay(500, 300);
    Card& centre = lay(500, 300);
    table.random.seed(7);
    startSpread(centre);
    gatherSpreadStep(centre, true);
    int moved = !(at(one) == desk::Point{500, 300}) + !(at(two) == desk::Point{500, 300});
    EXPECT_EQ(moved, 1);
    gatherSpreadStep(centre, true);
    moved = !(at(one) == desk::Point{500, 300}) + !(at(two) == desk::Point{500, 300});
    EXPECT_EQ(moved, 2);
}

TEST_F(MovementTest, GatheringLongEnoughEndsOnTheCentre) {
    Card& a = lay(900, 650);
    Card& b = lay(20, 40);
    Card& centre = lay(500, 300);
    startSpread(centre);
    for (int i = 0; i < 400; ++i) gatherSpreadStep(centre, false);
    EXPECT_EQ(at(a), (desk::Point{500, 300}));
    EXPECT_EQ(at(b), (desk::Point{500, 300}));
}

TEST_F(MovementTest, GatherSpreadWithoutAWorkAreaDoesNothing) {
    Card& a = lay(600, 300);
    Card& centre = lay(500, 300);
    startSpread(centre);
    fake::failWorkArea(true);
    gatherSpreadStep(centre, true);
    EXPECT_EQ(at(a), (desk::Point{600, 300}));
}

TEST_F(MovementTest, KeyMovesStopAtTheWorkAreaEdge) {
    Card& a = lay(1024 - 60 - 10, 100);
    moveCardByKey(a, VK_RIGHT, true);
    EXPECT_EQ(at(a), (desk::Point{1024 - 60, 100}));
    EXPECT_EQ(soundsOf(IDS_RP_PRESS), 1);
    moveCardByKey(a, VK_RIGHT, false);
    EXPECT_EQ(at(a), (desk::Point{1024 - 60, 100}));
    EXPECT_EQ(soundsOf(IDS_RP_PRESS), 1) << "auto-repeat is silent";
    moveCardByKey(a, VK_UP, false);
    EXPECT_EQ(at(a), (desk::Point{1024 - 60, 12}));
    moveCardByKey(a, VK_LEFT, false);
    EXPECT_EQ(at(a), (desk::Point{1024 - 120, 12}));
    moveCardByKey(a, VK_DOWN, false);
    EXPECT_EQ(at(a), (desk::Point{1024 - 120, 100}));
    fake::failWorkArea(true);
    moveCardByKey(a, VK_DOWN, false);
    EXPECT_EQ(at(a), (desk::Point{0, 0})) << "without a work area the all-zero one is used";
}

TEST_F(MovementTest, PileKeyMoveIsBlockedWhenOneCardTouchesTheEdge) {
    Card& low = lay(110, 0);  // touches the top
    Card& top = lay(100, 20);
    movePileByKey(top, VK_UP, true);
    EXPECT_EQ(at(top), (desk::Point{100, 20}));
    EXPECT_EQ(at(low), (desk::Point{110, 0}));
    EXPECT_EQ(top.trail, (std::list<Card*>{&low, &top})) << "a pile of two keeps the deck order";
    EXPECT_EQ(depth(low), depth(top) + 1) << "stacked beneath the card";
    movePileByKey(top, VK_DOWN, false);
    EXPECT_EQ(at(top), (desk::Point{100, 108}));
    EXPECT_EQ(at(low), (desk::Point{110, 88}));
    movePileByKey(top, VK_LEFT, false);
    EXPECT_EQ(at(top), (desk::Point{40, 108}));
    movePileByKey(top, VK_LEFT, false);
    EXPECT_EQ(at(top), (desk::Point{0, 108})) << "shortened to reach the edge";
    EXPECT_EQ(at(low), (desk::Point{10, 88}));
}

TEST_F(MovementTest, StackUnderKeepsTheLeadAndOrdersTheRest) {
    Card& c = lay(100, 100);
    Card& b = lay(110, 100);
    Card& lead = lay(500, 500);
    Card& top = lay(800, 100);
    lead.trail = {&lead, &c, &b};
    stackUnder(lead, false);
    EXPECT_EQ(depth(top), 0u);
    EXPECT_EQ(depth(lead), 1u) << "the lead keeps its place";
    EXPECT_EQ(depth(b), 2u);
    EXPECT_EQ(depth(c), 3u);
}

}  // namespace
