#include <gtest/gtest.h>

#include "deck/state_file.h"
#include "dialogs/takeout.h"
#include "support/gesture_fixture.h"

namespace {

// The dialog's card list as plain item data, refusing items once it holds `room`.
class TakeOutTest : public GestureTest {
protected:
    void SetUp() override {
        GestureTest::SetUp();
        seam.append = [this](uint32_t data) {
            if (items.size() >= room || data == refused) return false;
            items.push_back(data);
            return true;
        };
        seam.remove = [this](size_t i) { items.erase(items.begin() + static_cast<std::ptrdiff_t>(i)); };
    }
    // Cards without windows, as many as the limit tests need.
    void fill(size_t n) {
        for (size_t i = 0; i < n; ++i) table.deck.append(std::make_unique<Card>());
    }

    std::vector<uint32_t> items;
    size_t room = SIZE_MAX;
    uint32_t refused = 0;
    CardListSeam seam;
};

uint32_t data(char16_t suit, uint32_t rank) { return rank << 16 | suit; }

TEST_F(TakeOutTest, SuitsTimesRanksInListOrderFaceUpWithAFreshHistory) {
    lay(10, 10);
    startHistory();
    takeSnapshot();
    desk::enableControl(table.panel, IDC_RP_REDO, true);
    const TakeOutResult r = takeOut({0, 1}, {0, 12}, seam);  // ♥ ♠ × A K
    EXPECT_EQ(r.made, 4u);
    EXPECT_FALSE(r.limited);
    const std::vector<uint32_t> want = {data(kHearts, 1), data(kHearts, 13), data(kSpades, 1), data(kSpades, 13)};
    EXPECT_EQ(items, want);
    ASSERT_EQ(table.deck.count(), 5u);
    for (size_t i = 1; i < 5; ++i) {
        const Card& c = table.deck.at(i);
        EXPECT_EQ(cardItemData(c), want[i - 1]);
        EXPECT_EQ(c.faceUp, 1u);
        EXPECT_TRUE(fake::info(c.window).visible);
        EXPECT_EQ(at(c), (desk::Point{200, 200})) << "200 + count / 10";
    }
    EXPECT_EQ(table.historyCurrent, -1);
    EXPECT_EQ(table.redoCount, 0u);
    EXPECT_FALSE(fake::enabled(IDC_RP_UNDO));
    EXPECT_FALSE(fake::enabled(IDC_RP_REDO));
    for (int id : {IDC_RP_GATHER, IDC_RP_SCATTER, IDC_RP_SEQUENCE, IDC_RP_SHUFFLE}) EXPECT_TRUE(fake::enabled(id));
    EXPECT_EQ(table.cycleOrder.size(), 5u) << "the order is remembered";
    EXPECT_TRUE(table.savePending);

    EXPECT_EQ(takeOutJoker(seam).made, 1u);
    EXPECT_EQ(items.back(), 106u);
    EXPECT_EQ(table.deck.at(5).suit, kJoker);
    EXPECT_EQ(takeOut({}, {0}, seam).made, 0u) << "nothing chosen";
}

TEST_F(TakeOutTest, ARefusedItemSkipsTheRestOfItsSuitOnly) {
    refused = data(kHearts, 1);
    EXPECT_EQ(takeOut({0, 3}, {0, 1}, seam).made, 2u) << "♥A refused, ♥2 skipped, ♦A and ♦2 made";
    EXPECT_EQ(items, (std::vector<uint32_t>{data(kDiamonds, 1), data(kDiamonds, 2)}));
    refused = 0;
    room = 3;
    EXPECT_EQ(takeOut({0}, {0, 1}, seam).made, 1u);
    EXPECT_EQ(table.deck.count(), 3u);
    size_t alive = 0;
    for (desk::Window w : fake::zorder()) alive += table.deck.find(w) != nullptr;
    EXPECT_EQ(alive, 3u) << "the refused cards' windows are closed";
}

TEST_F(TakeOutTest, TheTableStopsAtItsMaximumAndSaysHowManyWereMade) {
    fill(kMaxStateCards - 1);
    TakeOutResult r = takeOut({0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, seam);
    EXPECT_EQ(r.made, 1u);
    EXPECT_TRUE(r.limited);
    EXPECT_EQ(table.deck.count(), kMaxStateCards);
    // A take-out that makes no card changes nothing: the history and the order stay.
    table.historyCurrent = 3;
    table.redoCount = 1;
    table.cycleOrder = {table.deck.at(0).window};
    r = takeOut({0}, {0}, seam);
    EXPECT_EQ(r.made, 0u);
    EXPECT_TRUE(r.limited);
    EXPECT_EQ(table.historyCurrent, 3);
    EXPECT_EQ(table.redoCount, 1u);
    EXPECT_EQ(table.cycleOrder.size(), 1u);
    EXPECT_TRUE(takeOutJoker(seam).limited);
    EXPECT_EQ(table.deck.count(), kMaxStateCards);
    EXPECT_NE(takeOutLimitText(1).find(u"1 枚"), std::u16string::npos);
}

TEST_F(TakeOutTest, PutAwayFromTheLastKeepsListAndDeckInStepAndTheButtons) {
    takeOut({0}, {0, 1, 2, 3, 4}, seam);  // ♥A..♥5
    desk::Window second = table.deck.at(1).window;
    putAway({1, 3}, seam);
    EXPECT_EQ(items, (std::vector<uint32_t>{data(kHearts, 1), data(kHearts, 3), data(kHearts, 5)}));
    ASSERT_EQ(table.deck.count(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(cardItemData(table.deck.at(i)), items[i]);
    EXPECT_FALSE(fake::info(second).alive);
    EXPECT_TRUE(fake::enabled(IDC_RP_GATHER));
    putAway({0, 2}, seam);
    EXPECT_FALSE(fake::enabled(IDC_RP_GATHER)) << "one card left";
    EXPECT_FALSE(fake::enabled(IDC_RP_SHUFFLE));
    desk::enableControl(table.panel, IDC_RP_UNDO, true);
    putAway({0}, seam);
    EXPECT_TRUE(items.empty());
    EXPECT_FALSE(fake::enabled(IDC_RP_UNDO));
    EXPECT_TRUE(table.cycleOrder.empty());
}

// Undo after a put-away moves only the cards still there, and a card that lay beneath a card put
// away goes beneath the one that was above that.
TEST_F(TakeOutTest, UndoAfterPutAwayTouchesOnlyTheCardsThatStay) {
    Card& t = lay(100, 100);
    Card& p = lay(110, 110);
    Card& c = lay(120, 120);
    Card& u = lay(130, 130);
    desk::Batch b = desk::beginBatch(4);
    desk::Window above = desk::kTop;
    for (Card* card : {&t, &p, &c, &u}) {
        b = desk::defer(b, card->window, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = card->window;
    }
    ASSERT_TRUE(desk::endBatch(b));
    table.currentCard = &t;
    startHistory();  // t, p, c, u from the top
    for (Card* card : {&t, &p, &c, &u}) desk::moveWindow(card->window, 500, 500);
    b = desk::beginBatch(1);
    b = desk::defer(b, u.window, desk::kTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(desk::endBatch(b));
    takeSnapshot();
    const desk::Window gone = p.window;
    for (const auto& card : table.deck.items()) items.push_back(cardItemData(*card));
    putAway({1}, seam);
    undo();
    EXPECT_EQ(at(c), (desk::Point{120, 120}));
    EXPECT_EQ(listCardWindows(), (std::vector<desk::Window>{t.window, c.window, u.window}));
    EXPECT_FALSE(fake::info(gone).alive);
    redo();
    EXPECT_EQ(at(c), (desk::Point{500, 500}));
}

TEST(CardItemTextTest, SymbolAndPaddedRankRedForHeartsAndDiamonds) {
    const struct {
        uint32_t data;
        const char16_t *symbol, *rank;
        bool red, joker;
    } cases[] = {
        {data(kHearts, 1), u"♥", u" A", true, false},   {data(kDiamonds, 10), u"♦", u"10", true, false},
        {data(kSpades, 13), u"♠", u" K", false, false}, {data(kClubs, 11), u"♣", u" J", false, false},
        {106, u"Joker", u"", false, true},              {data(u'x', 99), u"♦", u"", false, false},
    };
    for (const auto& c : cases) {
        const CardItemText t = cardItemText(c.data);
        EXPECT_EQ(t.symbol, c.symbol);
        EXPECT_EQ(t.rank, c.rank);
        EXPECT_EQ(t.red, c.red);
        EXPECT_EQ(t.joker, c.joker);
    }
}

}  // namespace
