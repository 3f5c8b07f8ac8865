#include <gtest/gtest.h>

#include "app/keeping.h"
#include "deck/state.h"
#include "deck/table_events.h"
#include "dialogs/takeout.h"
#include "support/gesture_fixture.h"

namespace {

// What the table told one listener, call by call.
struct Told {
    std::vector<Card*> changed, came, went;
    bool canUndo, canRedo, settled;
    int from;
    std::vector<std::pair<char16_t, int32_t>> wentCards;  // read while the records still lived
};

class TableEventsTest : public GestureTest {
protected:
    void SetUp() override {
        GestureTest::SetUp();
        id = listenToTable({[this](const TableChange& c) { record(c, told); }, [this](TableCue cue) { cues.push_back(cue); }});
    }
    void TearDown() override {
        stopListening(id);
        GestureTest::TearDown();
    }
    static void record(const TableChange& c, std::vector<Told>& into) {
        Told t{c.changed, c.came, c.went, c.canUndo, c.canRedo, c.settled, c.from, {}};
        for (Card* w : c.went) t.wentCards.emplace_back(w->suit, w->rank);
        into.push_back(t);
    }
    // The history begun, and what that told forgotten.
    void begin() {
        startHistory();
        told.clear();
    }
    // Only what a change that ended told.
    std::vector<Told> settled() const {
        std::vector<Told> out;
        for (const Told& t : told)
            if (t.settled) out.push_back(t);
        return out;
    }

    int id = 0;
    std::vector<Told> told;
    std::vector<TableCue> cues;
};

using Cards = std::vector<Card*>;

TEST_F(TableEventsTest, EachEndedChangeIsToldOnceWithTheCardsItChanged) {
    Card& a = lay(100, 100);
    Card& b = lay(300, 100);
    startHistory();
    ASSERT_EQ(told.size(), 1u) << "a fresh history knows nothing before it: every card counts";
    EXPECT_EQ(told[0].changed, (Cards{&a, &b}));
    told.clear();

    desk::moveWindow(a.window, 150, 120);
    takeSnapshot();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].changed, Cards{&a});
    EXPECT_TRUE(told[0].canUndo);
    EXPECT_FALSE(told[0].canRedo);

    takeSnapshot();
    EXPECT_EQ(told.size(), 1u) << "a snapshot of an unchanged table tells nothing";

    b.faceUp = 1;
    takeSnapshot();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1].changed, Cards{&b}) << "a turned card";

    undo();
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[2].changed, Cards{&b});
    EXPECT_TRUE(told[2].canUndo);
    EXPECT_TRUE(told[2].canRedo);
    undo();
    EXPECT_EQ(told.size(), 3u) << "an undo over the unchanged snapshot changes nothing and tells nothing";
    undo();
    ASSERT_EQ(told.size(), 4u);
    EXPECT_EQ(told[3].changed, Cards{&a});
    EXPECT_FALSE(told[3].canUndo);
    redo();
    ASSERT_EQ(told.size(), 5u);
    EXPECT_EQ(told[4].changed, Cards{&a});
    EXPECT_EQ(at(a), (desk::Point{150, 120}));
}

TEST_F(TableEventsTest, AChangeOfStackingNamesTheCardsWhoseNeighbourAboveChanged) {
    Card& bottom = lay(100, 100);
    Card& middle = lay(110, 100);
    Card& top = lay(120, 100);
    begin();
    // The bottom card comes to the top: it has nothing above it now, and the former top card has
    // it above; the middle card keeps the same card above it and is not named.
    desk::Batch batch = desk::beginBatch(1);
    batch = desk::defer(batch, bottom.window, desk::kTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(desk::endBatch(batch));
    takeSnapshot();
    ASSERT_EQ(settled().size(), 1u);
    EXPECT_EQ(settled()[0].changed, (Cards{&bottom, &top}));
    EXPECT_EQ(desk::topLevelWindows()[2], middle.window);
}

TEST_F(TableEventsTest, ACarryIsToldAsItGoesAndOnceWhenItEnds) {
    Card& a = lay(100, 100);
    begin();
    click(a, {110, 110});
    moveTo(a, {160, 170});
    moveTo(a, {200, 210});
    leftDown(a, {200, 210});
    ASSERT_GE(told.size(), 2u);
    for (size_t i = 0; i + 1 < told.size(); ++i) {
        EXPECT_FALSE(told[i].settled) << "step " << i;
        EXPECT_EQ(told[i].changed, Cards{&a});
    }
    ASSERT_EQ(settled().size(), 1u);
    EXPECT_EQ(settled()[0].changed, Cards{&a});
    EXPECT_EQ(fake::sounds().back(), IDS_RP_PUTDOWN) << "the sounds are a listener too";
}

TEST_F(TableEventsTest, CardsThatComeAndGoAreNamedAndTheRecordsLiveWhileTheListenersHear) {
    lay(10, 10);
    begin();
    std::vector<uint32_t> items{cardItemData(table.deck.at(0))};
    CardListSeam seam;
    seam.append = [&](uint32_t d) {
        items.push_back(d);
        return true;
    };
    seam.remove = [&](size_t i) { items.erase(items.begin() + static_cast<std::ptrdiff_t>(i)); };
    takeOut({0}, {0, 1}, seam);  // the ace and two of hearts
    ASSERT_EQ(told.size(), 1u);
    ASSERT_EQ(told[0].came.size(), 2u);
    EXPECT_EQ(told[0].came[0]->rank, 1);
    EXPECT_EQ(told[0].came[1]->rank, 2);
    EXPECT_FALSE(told[0].canUndo) << "a take-out starts the history afresh";

    putAway({1}, seam);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1].wentCards, (std::vector<std::pair<char16_t, int32_t>>{{kHearts, 1}}));
    EXPECT_EQ(table.deck.count(), 2u);
}

TEST_F(TableEventsTest, ALoadedTableIsToldEvenWhenItHasNoCards) {
    StateData d;
    d.cards = {{kSpades, 3, 10, 10, 1}, {kClubs, 4, 40, 10, 0}};
    layTable(d, table.cardParent, [](size_t) {});
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].came.size(), 2u);
    EXPECT_EQ(cues, std::vector<TableCue>{TableCue::All});

    releaseAllCards();
    told.clear();
    layTable(StateData{}, table.cardParent, [](size_t) {});
    EXPECT_EQ(told.size(), 1u);
}

TEST_F(TableEventsTest, AChangeAppliedForAListenerIsNotToldBackToIt) {
    Card& a = lay(100, 100);
    begin();
    std::vector<Told> other;
    const int otherId = listenToTable({[&](const TableChange& c) { record(c, other); }, {}});
    {
        ChangesFrom outside(otherId);
        desk::moveWindow(a.window, 400, 300);
        takeSnapshot();
    }
    EXPECT_TRUE(other.empty()) << "no echo";
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].from, otherId);
    EXPECT_EQ(told[0].changed, Cards{&a});

    undo();  // the player's own again
    EXPECT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].from, 0);
    stopListening(otherId);
}

}  // namespace
