#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <random>
#include <set>

#include "app/panel.h"
#include "cards/card_window.h"
#include "cards/gestures.h"
#include "deck/overlap.h"
#include "deck/deck.h"
#include "desk/winconst.h"
#include "support/table_fixture.h"

namespace {

class OverlapTest : public TableTest {
protected:
    // A shown card window of the table at (x, y), on top of the others.
    Card& lay(int32_t x, int32_t y, bool shown = true) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        c->window = desk::createCardWindow(c, x, y, table.cardWidth, table.cardHeight, table.cardParent);
        fake::setVisible(c->window, shown);
        table.deck.append(std::move(card));
        return *c;
    }
    Pile pileOf(const Card& c, bool itself = true) {
        Pile p;
        collectPile(c, itself, p);
        return p;
    }
};

TEST_F(OverlapTest, HalfTheAreaAtRatioFifty) {
    Card& a = lay(100, 100);
    Card& b = lay(130, 100);  // 30 of 60 columns in common: 30 x 88 = 2640 = half of 5280
    EXPECT_EQ(pileOf(a), (Pile{&a, &b}));
    desk::moveWindow(b.window, 131, 100);
    EXPECT_EQ(pileOf(a), (Pile{&a})) << "29 columns are not enough";
}

TEST_F(OverlapTest, RatioZeroCountsOnePixelButNotAnEdge) {
    table.overlapRatio = 0;
    Card& a = lay(100, 100);
    Card& b = lay(159, 187);  // one pixel in common
    EXPECT_EQ(pileOf(a), (Pile{&a, &b}));
    desk::moveWindow(b.window, 160, 100);  // touches along the right edge only
    EXPECT_EQ(pileOf(a), (Pile{&a}));
}

TEST_F(OverlapTest, RatioHundredOnlyAnExactCover) {
    table.overlapRatio = 100;
    Card& a = lay(100, 100);
    Card& b = lay(100, 100);
    Card& c = lay(101, 100);
    EXPECT_EQ(pileOf(a), (Pile{&a, &b}));
    (void)c;
}

TEST_F(OverlapTest, ChainsOnlyWithTheRecursiveSetting) {
    Card& a = lay(100, 100);
    Card& b = lay(130, 100);
    Card& c = lay(160, 100);
    EXPECT_EQ(pileOf(a), (Pile{&a, &b}));
    table.judgeRecursively = 1;
    EXPECT_EQ(pileOf(a), (Pile{&a, &b, &c}));
    EXPECT_EQ(pileOf(a, false), (Pile{&b, &c}));
    // Without itself, the card is never reached through the chain either.
    EXPECT_EQ(pileOf(c, false), (Pile{&b, &a}));
}

TEST_F(OverlapTest, HiddenCardsAreNeverInAPileNorALink) {
    table.judgeRecursively = 1;
    Card& a = lay(100, 100);
    Card& hidden = lay(130, 100, false);
    Card& c = lay(160, 100);
    EXPECT_EQ(pileOf(a), (Pile{&a})) << "the only link is hidden";
    (void)c;
    fake::setVisible(a.window, false);
    EXPECT_TRUE(pileOf(a).empty()) << "a hidden card is not in its own pile";
    fake::setVisible(hidden.window, true);
    EXPECT_EQ(pileOf(a), (Pile{&hidden, &c}));
}

TEST_F(OverlapTest, DestroyedWindowHasAnEmptyPile) {
    Card& a = lay(100, 100);
    lay(100, 100);
    fake::destroy(a.window);
    EXPECT_TRUE(pileOf(a).empty());
}

TEST_F(OverlapTest, SortPutsTheTopMostFirstFromThreeEntries) {
    Card& a = lay(100, 100);
    Card& b = lay(100, 100);
    Card& c = lay(100, 100);  // laid last: on top
    Pile two{&a, &b};
    sortByZOrder(two);
    EXPECT_EQ(two, (Pile{&a, &b})) << "two entries keep their order";
    Pile three{&a, &b, &c};
    sortByZOrder(three);
    EXPECT_EQ(three, (Pile{&c, &b, &a}));
}

// Whether the other card's shown window covers at least the ratio of the reference area, read from
// the window system.
bool cardsOverlap(const desk::Rect& ref, desk::Window other) {
    desk::Rect r;
    if (!other || !desk::isVisible(other) || !desk::windowRect(other, r)) return false;
    int32_t w = std::min(ref.right, r.right) - std::max(ref.left, r.left);
    int32_t h = std::min(ref.bottom, r.bottom) - std::max(ref.top, r.top);
    return w > 0 && h > 0 && w * h >= ref.width() * ref.height() * static_cast<int32_t>(table.overlapRatio) / 100;
}

// The pile as first described: deck order, a scratch list, every rectangle read when needed.
Pile referencePile(const Card& card, bool itself) {
    Pile out;
    desk::Rect ref;
    if (!desk::isAlive(card.window) || !desk::windowRect(card.window, ref)) return out;
    std::list<Card*> rest;
    for (const auto& c : table.deck.items()) {
        if (c.get() == &card && !itself)
            rest.push_back(c.get());
        else if (cardsOverlap(ref, c->window))
            out.push_back(c.get());
        else
            rest.push_back(c.get());
    }
    if (!table.judgeRecursively || out.empty() || out.size() >= table.deck.count()) return out;
    for (size_t i = 0; i < out.size(); ++i) {
        desk::windowRect(out[i]->window, ref);
        for (auto it = rest.begin(); it != rest.end();) {
            if (!(*it == &card && !itself) && cardsOverlap(ref, (*it)->window)) {
                out.push_back(*it);
                it = rest.erase(it);
            } else {
                ++it;
            }
        }
    }
    return out;
}

TEST_F(OverlapTest, SameResultsAsTheReferenceOnRandomTables) {
    std::mt19937 rng(2024);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    // Small and crowded tables, sparse ones, and two of the largest a table can be; every table is
    // then partly moved, hidden and shown again, so the kept places must follow the window system.
    for (int round = 0; round < 92; ++round) {
        SetUp();
        const bool largest = round >= 90;
        table.overlapRatio = largest ? 25 : static_cast<uint32_t>(pick(0, 100));
        table.judgeRecursively = round % 2;
        // The largest tables are heaps of about fifty cards each, many of them chained.
        int n = largest ? 10000 : pick(1, round % 3 == 0 ? 400 : 120);
        int spread = largest ? 12000 : pick(60, round % 3 == 0 ? 3000 : 600);
        std::vector<desk::Point> heaps(200);
        for (auto& h : heaps) h = {pick(0, spread), pick(0, spread)};
        auto spot = [&] {
            if (!largest) return desk::Point{pick(-spread / 4, spread), pick(-spread / 4, spread)};
            desk::Point h = heaps[static_cast<size_t>(pick(0, 199))];
            return desk::Point{h.x + pick(-90, 90), h.y + pick(-120, 120)};
        };
        for (int i = 0; i < n; ++i) {
            desk::Point p = spot();
            lay(p.x, p.y, rng() % 10 != 0);
        }
        for (int step = 0; step < 3; ++step) {
            for (int k = 0; k < 5; ++k) {
                Card& c = table.deck.at(static_cast<size_t>(pick(0, n - 1)));
                for (bool itself : {true, false})
                    ASSERT_EQ(pileOf(c, itself), referencePile(c, itself))
                        << "round " << round << " step " << step << " ratio " << table.overlapRatio;
            }
            desk::Batch b = desk::beginBatch(n / 10 + 1);
            for (int k = 0; k <= n / 10; ++k) {
                Card& c = table.deck.at(static_cast<size_t>(pick(0, n - 1)));
                const uint32_t show = rng() % 4 == 0 ? SWP_HIDEWINDOW : SWP_SHOWWINDOW;
                desk::Point p = spot();
                b = desk::defer(b, c.window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | show);
            }
            ASSERT_TRUE(desk::endBatch(b));
        }
    }
}

class MarksTest : public OverlapTest {};

TEST_F(MarksTest, CurrentCardsPileIsMarkedAndOnlyChangesRedraw) {
    Card& a = lay(100, 100);
    Card& b = lay(120, 100);
    Card& far = lay(600, 600);
    table.currentCard = &a;
    refreshMarks(a);
    EXPECT_EQ(a.marked, 1u);
    EXPECT_EQ(b.marked, 1u);
    EXPECT_EQ(far.marked, 0u);
    EXPECT_EQ(fake::invalidated(), (std::vector<desk::Window>{a.window, b.window}));
    fake::clearLogs();
    desk::setFocus(a.window);
    desk::setFocus(b.window);  // focus moves within the same pile
    EXPECT_TRUE(fake::invalidated().empty()) << "nothing changed, nothing redrawn";
    desk::moveWindow(far.window, 110, 100);  // the move handler refreshes the marks
    EXPECT_EQ(far.marked, 1u);
    EXPECT_EQ(fake::invalidated(), std::vector<desk::Window>{far.window});
    // The list of marked cards stays exact: a trail started on a marked card, a card that goes.
    auto listed = [] { return std::multiset<Card*>(table.markedCards.begin(), table.markedCards.end()); };
    markTrail(a, true);
    EXPECT_EQ(listed(), std::multiset<Card*>{&a});
    refreshMarks(a);
    fake::destroy(b.window);
    EXPECT_EQ(listed(), (std::multiset<Card*>{&a, &far}));
}

TEST_F(MarksTest, NoCurrentCardClearsEveryMark) {
    Card& a = lay(100, 100);
    Card& b = lay(120, 100);
    setMark(a, 1);
    setMark(b, 1);
    refreshMarks(b);
    EXPECT_EQ(a.marked, 0u);
    EXPECT_EQ(b.marked, 0u);
}

TEST_F(MarksTest, PutAwayCurrentCardLeavesNoMarks) {
    Card& a = lay(100, 100);
    Card& b = lay(120, 100);
    table.currentCard = &a;
    refreshMarks(a);
    fake::destroy(a.window);
    refreshMarks(b);
    EXPECT_EQ(b.marked, 0u);
}

TEST_F(MarksTest, ATrailDragOwnsTheMarks) {
    Card& a = lay(100, 100);
    Card& b = lay(400, 100);
    table.currentCard = &a;
    setMark(b, 1);  // as the trail set it
    a.gestureLog = {WM_LBUTTONDOWN, WM_MOUSEMOVE};
    refreshMarks(a);
    desk::setFocus(a.window);
    EXPECT_EQ(b.marked, 1u);
    EXPECT_EQ(a.marked, 0u);
    a.gestureLog = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE};  // carrying, not dragging
    refreshMarks(a);
    EXPECT_EQ(a.marked, 1u);
    EXPECT_EQ(b.marked, 0u);
}

TEST_F(MarksTest, OverlapControlsRefreshOnlyWithACurrentCardAndAChange) {
    Card& a = lay(100, 100);
    Card& b = lay(140, 100);  // 20 columns: a third of the card
    overlapRatioChanged(30);
    recursiveChanged(true);
    EXPECT_EQ(b.marked, 0u) << "no current card: only the values are stored";
    EXPECT_TRUE(fake::invalidated().empty());
    EXPECT_EQ(table.overlapRatio, 30u);
    table.currentCard = &a;
    overlapRatioChanged(30);
    EXPECT_TRUE(fake::invalidated().empty()) << "the same value changes nothing";
    overlapRatioChanged(33);
    EXPECT_EQ(b.marked, 1u) << "the marks follow the thumb";
    overlapRatioChanged(34);
    EXPECT_EQ(b.marked, 0u);
}

}  // namespace

namespace {

TEST_F(MarksTest, ABatchOfMovesMarksWhatLiesThereAtItsEnd) {
    Card& a = lay(100, 100);
    std::vector<Card*> far;
    for (int i = 0; i < 5; ++i) far.push_back(&lay(600 + 70 * i, 600));
    table.currentCard = &a;
    refreshMarks(a);
    fake::clearLogs();
    desk::Batch b = desk::beginBatch(5);
    for (Card* c : far) b = desk::defer(b, c->window, nullptr, 110, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(endBatchRefreshingMarks(b));
    for (Card* c : far) EXPECT_EQ(c->marked, 1u);
    EXPECT_EQ(fake::invalidated().size(), 5u) << "each newly marked card redrawn once";
}

}  // namespace
