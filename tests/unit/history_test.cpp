#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/panel.h"
#include "res/ids.h"
#include "support/gesture_fixture.h"

namespace {

using HistoryTest = GestureTest;

void moveCard(Card& c, int32_t x, int32_t y) { desk::moveWindow(c.window, x, y); }

TEST_F(HistoryTest, UndoRedoAndANewMoveAfterUndo) {
    Card& a = lay(100, 100);
    startHistory();
    EXPECT_FALSE(fake::enabled(IDC_RP_UNDO));
    moveCard(a, 300, 200);
    takeSnapshot();
    undo();
    EXPECT_EQ(at(a), (desk::Point{100, 100}));
    EXPECT_FALSE(fake::enabled(IDC_RP_UNDO));
    EXPECT_TRUE(fake::enabled(IDC_RP_REDO));
    redo();
    EXPECT_EQ(at(a), (desk::Point{300, 200}));
    EXPECT_TRUE(fake::enabled(IDC_RP_UNDO));
    EXPECT_FALSE(fake::enabled(IDC_RP_REDO));
    undo();
    moveCard(a, 50, 60);
    takeSnapshot();
    EXPECT_FALSE(fake::enabled(IDC_RP_REDO)) << "a new change drops the redo steps";
    EXPECT_EQ(table.redoCount, 0u);
    redo();
    EXPECT_EQ(at(a), (desk::Point{50, 60})) << "nothing to redo";
    EXPECT_EQ(fake::waitCursors(), 0) << "the wait cursor is always put back";
}

TEST_F(HistoryTest, OneHundredUndoStepsAtMost) {
    Card& a = lay(0, 0);
    startHistory();
    for (int i = 1; i <= 150; ++i) {
        moveCard(a, i, i);
        takeSnapshot();
    }
    int steps = 0;
    while (fake::enabled(IDC_RP_UNDO) && steps < 200) {
        undo();
        ++steps;
    }
    EXPECT_EQ(steps, 100);
    EXPECT_EQ(at(a), (desk::Point{50, 50}));
    undo();
    EXPECT_EQ(at(a), (desk::Point{50, 50})) << "the 101st undo is refused";
    for (int i = 0; i < 100; ++i) redo();
    EXPECT_EQ(at(a), (desk::Point{150, 150}));
    EXPECT_FALSE(fake::enabled(IDC_RP_REDO));
}

TEST_F(HistoryTest, UndoRestoresFacesStackingAndTheCurrentCard) {
    Card& c = lay(120, 100);
    Card& b = lay(110, 100);
    Card& a = lay(100, 100);
    desk::activate(b.window);  // B is current: it comes back on top
    startHistory();
    a.faceUp = 1;
    c.faceUp = 1;
    desk::Batch batch = desk::beginBatch(1);
    batch = desk::defer(batch, c.window, desk::kTop, 500, 500, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    desk::endBatch(batch);
    desk::activate(c.window);
    takeSnapshot();
    undo();
    EXPECT_EQ(a.faceUp, 0u);
    EXPECT_EQ(c.faceUp, 0u);
    EXPECT_EQ(at(c), (desk::Point{120, 100}));
    EXPECT_EQ(depth(b), 0u) << "the card current at that snapshot is raised";
    EXPECT_EQ(table.currentCard, &b);
    EXPECT_EQ(depth(a), 1u);
    EXPECT_EQ(depth(c), 2u);
}

TEST_F(HistoryTest, ReplacingTheLatestSnapshotKeepsTheSteps) {
    Card& a = lay(100, 100);
    replaceLatestSnapshot();
    EXPECT_EQ(table.historyCurrent, 0) << "with no snapshot yet it records an ordinary first one";
    moveCard(a, 200, 200);
    takeSnapshot();
    moveCard(a, 300, 300);
    replaceLatestSnapshot();
    EXPECT_EQ(table.historyCurrent, 1);
    undo();
    EXPECT_EQ(at(a), (desk::Point{100, 100}));
    redo();
    EXPECT_EQ(at(a), (desk::Point{300, 300}));
}

TEST_F(HistoryTest, UndoWithAFailingBatchStillCountsTheStep) {
    Card& a = lay(100, 100);
    lay(200, 200);
    startHistory();
    moveCard(a, 400, 400);
    takeSnapshot();
    fake::failBatchAfter(1);
    undo();
    fake::failBatchAfter(-1);
    EXPECT_EQ(at(a), (desk::Point{400, 400})) << "the abandoned batch moved nothing";
    EXPECT_EQ(table.historyCurrent, 0);
    EXPECT_EQ(table.redoCount, 1u);
}

TEST_F(HistoryTest, CardsWithoutWindowsAreRecordedAtTheOrigin) {
    Card& a = lay(100, 100);
    fake::destroy(a.window);
    startHistory();
    EXPECT_EQ(a.history[0].x, 0);
    EXPECT_EQ(a.history[0].insertAfter, nullptr);
}


TEST_F(HistoryTest, UndoRedoAndRestoreLeaveTheFaceButtonsInStep) {
    lay(100, 100);
    lay(200, 200);
    updateFaceButtons();
    startHistory();
    turnAllFaceUp();
    auto faceButtons = [] { return std::make_pair(fake::enabled(IDC_RP_FACEUP), fake::enabled(IDC_RP_FACEDOWN)); };
    const auto allDown = std::make_pair(true, false), allUp = std::make_pair(false, true);
    EXPECT_EQ(faceButtons(), allUp);
    undo();
    EXPECT_EQ(faceButtons(), allDown) << "every card is face down again";
    redo();
    EXPECT_EQ(faceButtons(), allUp);
    for (const auto& c : table.deck.items()) c->faceUp = 0;  // turned, not yet recorded
    updateFaceButtons();
    restoreCurrent();
    EXPECT_EQ(faceButtons(), allUp);
}

}  // namespace
