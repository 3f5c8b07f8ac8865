#include <gtest/gtest.h>

#include "res/ids.h"
#include "support/gesture_fixture.h"

namespace {

TEST_F(GestureTest, ClickMoveClickPutsTheCardDownWithASnapshot) {
    Card& a = lay(100, 100);
    startHistory();
    click(a, {110, 110});
    EXPECT_EQ(gestureOf(a.gestureLog), Gesture::PickedUp);
    EXPECT_EQ(desk::capture(), a.window);
    EXPECT_EQ(soundsOf(IDS_RP_PRESS), 1);
    EXPECT_FALSE(fake::tipsHeld());
    moveTo(a, {210, 150});
    EXPECT_EQ(at(a), (desk::Point{200, 140})) << "the grab point stays under the pointer";
    EXPECT_EQ(gestureOf(a.gestureLog), Gesture::Carried);
    EXPECT_TRUE(fake::tipsHeld()) << "the tip does not stay behind at the pick-up spot";
    leftDown(a, {210, 150});
    EXPECT_FALSE(fake::tipsHeld()) << "it comes back where the card is put down";
    ASSERT_FALSE(fake::tipsShown().empty());
    EXPECT_EQ(fake::tipsShown().back(), a.window);
    EXPECT_EQ(at(a), (desk::Point{200, 140}));
    EXPECT_EQ(soundsOf(IDS_RP_PUTDOWN), 1);
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_TRUE(fake::enabled(IDC_RP_UNDO));
    EXPECT_EQ(desk::capture(), nullptr);
    EXPECT_TRUE(a.gestureLog.empty());
    EXPECT_TRUE(a.trail.empty());
    // The release of the putting-down click finds no gesture.
    leftUp(a, {210, 150});
    EXPECT_TRUE(a.gestureLog.empty());
}

// Under Wine the user's pointer sends no moves once it is off the program's windows: the card reads
// the pointer itself while it travels without a button held, and only then.
TEST_F(GestureTest, ACarriedCardFollowsThePointerWhereNoMovesCome) {
    fake::setMovesReachCapture(false);
    Card& a = lay(100, 100);
    Card& b = lay(400, 100);
    click(a, {110, 110});
    ASSERT_EQ(fake::timer(a.window, kFollowPointerTimer), kFollowPointerMs);
    fake::setPointer({160, 110});  // 50 pixels in one report: off the card, no move arrives
    fake::fireTimer(a.window, kFollowPointerTimer);
    EXPECT_EQ(at(a), (desk::Point{150, 100}));
    EXPECT_EQ(gestureOf(a.gestureLog), Gesture::Carried);
    fake::setPointer({300, 300});
    fake::fireTimer(a.window, kFollowPointerTimer);
    EXPECT_EQ(at(a), (desk::Point{290, 290}));
    leftDown(a, {300, 300});
    EXPECT_EQ(fake::timer(a.window, kFollowPointerTimer), 0u) << "put down: no more reading";

    fake::setMovesReachCapture(true);  // Windows: the moves come, nothing is read
    click(b, {410, 110});
    EXPECT_EQ(fake::timer(b.window, kFollowPointerTimer), 0u);
}

TEST_F(GestureTest, SecondClickWithoutLeavingTheDragRectangleCancels) {
    Card& a = lay(100, 100);
    startHistory();
    click(a, {110, 110});
    moveTo(a, {112, 113});  // inside the drag rectangle: the card follows, nothing is armed
    EXPECT_EQ(at(a), (desk::Point{102, 103}));
    EXPECT_EQ(gestureOf(a.gestureLog), Gesture::PickedUp);
    leftDown(a, {112, 113});
    EXPECT_EQ(at(a), (desk::Point{100, 100})) << "back where the snapshot had it";
    EXPECT_EQ(table.historyCurrent, 0) << "nothing recorded";
    EXPECT_FALSE(fake::enabled(IDC_RP_UNDO));
    EXPECT_EQ(soundsOf(IDS_RP_PUTDOWN), 0);
    EXPECT_TRUE(a.gestureLog.empty());
    EXPECT_TRUE(a.trail.empty());
}

TEST_F(GestureTest, CarryingIsNotKeptOnTheScreen) {
    Card& a = lay(10, 10);
    startHistory();
    click(a, {20, 20});
    moveTo(a, {-200, -300});
    EXPECT_EQ(at(a), (desk::Point{-210, -310}));
}

TEST_F(GestureTest, TrailDragCollectsCardsAndHangsThemBeneathTheFirst) {
    Card& c = lay(400, 100);
    Card& b = lay(250, 100);
    Card& other = lay(700, 500);
    Card& a = lay(100, 100);  // on top
    startHistory();
    leftDown(a, {110, 110});
    moveTo(a, {130, 110});  // leaves the drag rectangle: the trail starts
    EXPECT_EQ(gestureOf(a.gestureLog), Gesture::Dragging);
    EXPECT_EQ(fake::cursorResource(), IDC_RP_TRAIL);
    EXPECT_EQ(a.marked, 1u);
    moveTo(a, {260, 110});  // over B
    moveTo(a, {410, 110});  // over C
    moveTo(a, {410, 111});
    EXPECT_EQ(a.trail, (std::list<Card*>{&a, &b, &c}));
    EXPECT_EQ(b.marked, 1u);
    EXPECT_EQ(c.marked, 1u);
    EXPECT_EQ(other.marked, 0u);
    EXPECT_EQ(at(a), (desk::Point{100, 100})) << "nothing moves while collecting";
    leftUp(a, {410, 111});
    EXPECT_EQ(gestureOf(a.gestureLog), Gesture::TrailHanging);
    EXPECT_EQ(depth(a), 0u);
    EXPECT_EQ(depth(b), 1u) << "B directly beneath A";
    EXPECT_EQ(depth(c), 2u) << "then C, in their former order";
    moveTo(a, {500, 300});
    EXPECT_EQ(at(a), (desk::Point{490, 290}));
    EXPECT_EQ(at(b), (desk::Point{640, 290})) << "the trail keeps its shape";
    EXPECT_EQ(at(c), (desk::Point{790, 290}));
    leftDown(a, {500, 300});
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_EQ(at(c), (desk::Point{790, 290}));
    EXPECT_EQ(fake::cursorResource(), IDC_RP_TRAIL) << "the trail cursor stays until the pointer moves on";
}

TEST_F(GestureTest, DoubleClickLiftsThePileAndTheNextClickPutsItDown) {
    Card& bottom = lay(100, 100);
    Card& middle = lay(110, 105);
    Card& far = lay(600, 600);
    Card& top = lay(105, 102);
    startHistory();
    click(top, {120, 120});
    leftDouble(top, {120, 120});
    EXPECT_EQ(gestureOf(top.gestureLog), Gesture::PileHeld);
    EXPECT_EQ(top.trail, (std::list<Card*>{&top, &middle, &bottom})) << "the pile, top-most first";
    leftUp(top, {120, 120});
    EXPECT_EQ(gestureOf(top.gestureLog), Gesture::PileHanging);
    moveTo(top, {320, 220});
    EXPECT_EQ(gestureOf(top.gestureLog), Gesture::PileCarried);
    EXPECT_EQ(at(bottom), (desk::Point{300, 200}));
    EXPECT_EQ(at(middle), (desk::Point{310, 205}));
    EXPECT_EQ(at(far), (desk::Point{600, 600}));
    leftDown(top, {320, 220});
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_EQ(at(top), (desk::Point{305, 202}));
}

TEST_F(GestureTest, CancelsPutEverythingBackAndRecordNothing) {
    struct Cancel {
        const char* name;
        void (*act)(GestureTest&, Card&, Card&);
    };
    const Cancel cancels[] = {
        {"right press while carrying", [](GestureTest& t, Card& a, Card&) { t.rightDown(a, {300, 300}); }},
        {"middle press while carrying", [](GestureTest& t, Card& a, Card&) { t.middleDown(a, {300, 300}); }},
        {"capture taken by another window", [](GestureTest&, Card&, Card& b) { desk::setCapture(b.window); }},
        {"double-click while carried", [](GestureTest& t, Card& a, Card&) { t.leftDouble(a, {300, 300}); }},
    };
    for (const Cancel& cancel : cancels) {
        SetUp();
        Card& b = lay(500, 500);
        Card& a = lay(100, 100);
        a.faceUp = 1;
        startHistory();
        click(a, {110, 110});
        moveTo(a, {300, 300});
        ASSERT_EQ(at(a), (desk::Point{290, 290}));
        cancel.act(*this, a, b);
        EXPECT_EQ(at(a), (desk::Point{100, 100})) << cancel.name;
        EXPECT_EQ(table.historyCurrent, 0) << cancel.name;
        EXPECT_TRUE(a.gestureLog.empty()) << cancel.name;
        EXPECT_TRUE(a.trail.empty()) << cancel.name;
        EXPECT_EQ(fake::waitCursors(), 0) << cancel.name;
    }
}

TEST_F(GestureTest, RightClickTurnsTheCardReleasedElsewhereNothing) {
    Card& b = lay(300, 100);
    Card& a = lay(100, 100);
    startHistory();
    rightDown(a, {110, 110});
    EXPECT_EQ(desk::capture(), a.window);
    rightUp(a, {110, 110});
    EXPECT_EQ(a.faceUp, 1u);
    EXPECT_EQ(soundsOf(IDS_RP_PRESS), 1);
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEDOWN));
    EXPECT_EQ(desk::capture(), nullptr);

    rightDown(a, {110, 110});
    rightUp(b, {310, 110});  // released over B: the message still goes to A, outside its rectangle
    EXPECT_EQ(a.faceUp, 1u);
    EXPECT_EQ(b.faceUp, 0u);
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_EQ(desk::capture(), nullptr);
}

TEST_F(GestureTest, RightDoubleClickTurnsThePileAndOneUndoTakesItBack) {
    Card& p1 = lay(100, 100);
    Card& p2 = lay(105, 100);
    Card& p3 = lay(110, 100);
    Card& top = lay(115, 100);
    p1.faceUp = p2.faceUp = top.faceUp = 1;  // three up, one down, the clicked card up
    startHistory();
    rightDown(top, {130, 130});
    rightUp(top, {130, 130});
    EXPECT_EQ(table.historyCurrent, 1);
    rightDouble(top, {130, 130});
    rightUp(top, {130, 130});  // no capture: nothing
    EXPECT_EQ(top.faceUp, 0u);
    EXPECT_EQ(p1.faceUp, 0u);
    EXPECT_EQ(p2.faceUp, 0u);
    EXPECT_EQ(p3.faceUp, 1u);
    EXPECT_EQ(table.historyCurrent, 1) << "the pile turn replaced the single turn's snapshot";
    EXPECT_EQ(soundsOf(IDS_RP_PILEFLIP), 1);
    undo();
    EXPECT_EQ(top.faceUp, 1u);
    EXPECT_EQ(p1.faceUp, 1u);
    EXPECT_EQ(p2.faceUp, 1u);
    EXPECT_EQ(p3.faceUp, 0u);
}

TEST_F(GestureTest, MiddleDragSpreadsWhileAwayAndEndsAtTheRelease) {
    Card& b = lay(600, 300);
    Card& twin = lay(300, 300);
    Card& a = lay(300, 300);
    startHistory();
    table.random.seed(1);
    middleDown(a, {310, 310});
    EXPECT_EQ(a.spreadMode, 1u);
    EXPECT_EQ(desk::capture(), a.window);
    EXPECT_EQ(fake::timer(a.window, kMouseSpreadTimer), desk::doubleClickTime());
    ASSERT_EQ(a.spreadList.size(), 2u);
    EXPECT_EQ(a.spreadList.front().window, b.window);
    EXPECT_DOUBLE_EQ(a.spreadList.front().angle, 0.0);
    double twinAngle = a.spreadList.back().angle;
    EXPECT_GE(twinAngle, 0.0) << "a card on the same place gets a random whole degree";
    EXPECT_LE(twinAngle, 359 * 0.017453292519943295 + 1e-9);

    fake::setPointer({305, 310});
    fake::fireTimer(a.window, kMouseSpreadTimer);
    EXPECT_EQ(at(b), (desk::Point{600, 300})) << "closer than half a card: no step";
    fake::setPointer({210, 310});  // 100 to the left: spreading
    fake::fireTimer(a.window, kMouseSpreadTimer);
    EXPECT_GT(at(b).x, 600);
    EXPECT_FALSE(at(twin) == (desk::Point{300, 300})) << "the twin leaves the centre";
    EXPECT_EQ(fake::timer(a.window, kMouseSpreadTimer), 2u * (200 - (100 - 15)));
    middleUp(a, {210, 310});
    EXPECT_EQ(a.spreadMode, 0u);
    EXPECT_EQ(soundsOf(IDS_RP_GATHER), 1);
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_EQ(fake::timer(a.window, kMouseSpreadTimer), 0u);
    EXPECT_EQ(desk::capture(), nullptr);
}

TEST_F(GestureTest, MiddleClickKeepsTheModeUntilTheNextPress) {
    Card& b = lay(700, 300);
    Card& a = lay(300, 300);
    startHistory();
    middleDown(a, {310, 310});
    middleUp(a, {311, 310});
    EXPECT_EQ(a.spreadMode, 1u) << "a click without moving leaves the mode on";
    fake::setPointer({340, 310});  // half a card to the right: gathering
    fake::fireTimer(a.window, kMouseSpreadTimer);
    EXPECT_LT(at(b).x, 700);
    EXPECT_EQ(fake::timer(a.window, kMouseSpreadTimer), 370u);
    middleDown(a, {340, 310});
    EXPECT_EQ(a.spreadMode, 0u);
    EXPECT_EQ(table.historyCurrent, 1);
}

TEST_F(GestureTest, UnexpectedMessagesCancel) {
    Card& a = lay(100, 100);
    startHistory();
    a.gestureLog = {WM_LBUTTONUP};  // not starting with a press
    desk::setCapture(a.window);
    leftUp(a, {110, 110});
    EXPECT_EQ(desk::capture(), nullptr);
    EXPECT_TRUE(a.gestureLog.empty());
    EXPECT_EQ(table.historyCurrent, 0);
}

TEST_F(GestureTest, MarkingATrailTestsRectanglesOnlySoHiddenCardsJoin) {
    Card& hidden = lay(300, 100);
    fake::setVisible(hidden.window, false);
    Card& a = lay(100, 100);
    startHistory();
    leftDown(a, {110, 110});
    moveTo(a, {130, 110});
    moveTo(a, {310, 110});
    EXPECT_EQ(a.trail, (std::list<Card*>{&a, &hidden}));
    size_t invalidated = fake::invalidated().size();
    moveTo(a, {311, 110});
    EXPECT_EQ(fake::invalidated().size(), invalidated) << "marks that stay are not redrawn";
}

}  // namespace
