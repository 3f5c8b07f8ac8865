#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "app/commands.h"
#include "res/ids.h"
#include "support/gesture_fixture.h"

namespace {

class CommandsTest : public GestureTest {
public:
    void SetUp() override {
        GestureTest::SetUp();
        table.random.seed(12345);
    }
    void freshTable() {
        createDefaultDeck();
        takeSnapshot();
    }
    std::vector<desk::Point> places() {
        std::vector<desk::Point> out;
        for (const auto& c : table.deck.items()) out.push_back(at(*c));
        return out;
    }
};

TEST_F(CommandsTest, TurningAllSoundsSetsTheButtonsAndRecordsEvenWhenNothingChanges) {
    freshTable();
    turnAllFaceUp();
    for (const auto& c : table.deck.items()) EXPECT_EQ(c->faceUp, 1u);
    EXPECT_EQ(fake::invalidated().size(), 53u);
    EXPECT_FALSE(fake::enabled(IDC_RP_FACEUP));
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEDOWN));
    EXPECT_EQ(table.historyCurrent, 1);
    fake::clearLogs();
    turnAllFaceUp();
    EXPECT_TRUE(fake::invalidated().empty()) << "nothing to redraw";
    EXPECT_EQ(fake::sounds(), std::vector<int>{IDS_RP_ALL});
    EXPECT_EQ(table.historyCurrent, 2);
    turnAllFaceDown();
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEUP));
    EXPECT_FALSE(fake::enabled(IDC_RP_FACEDOWN));
    undo();
    for (const auto& c : table.deck.items()) EXPECT_EQ(c->faceUp, 1u);
}

TEST_F(CommandsTest, ScatterKeepsEveryCentreInTheDiscAndLeavesStackingAndSize) {
    freshTable();
    std::vector<desk::Window> before = listCardWindows();
    scatter();
    const double gx = 512, gy = 384, l = 384 - 44;
    std::set<std::pair<int, int>> distinct;
    for (const auto& c : table.deck.items()) {
        desk::Rect r = rect(*c);
        double cx = r.left + 30, cy = r.top + 44;
        EXPECT_LE(std::hypot(cx - gx, cy - gy), l + 1.5);
        EXPECT_EQ(r.width(), 60);
        distinct.insert({r.left, r.top});
    }
    EXPECT_GT(distinct.size(), 40u) << "thrown apart";
    EXPECT_EQ(listCardWindows(), before);
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_EQ(fake::sounds().back(), IDS_RP_ALL);
    undo();
    for (size_t i = 0; i < 53; ++i) EXPECT_EQ(at(table.deck.at(i)).x, 200 + static_cast<int32_t>(i / 10));
}

TEST_F(CommandsTest, ScatterWithSeedIsRepeatable) {
    freshTable();
    table.random.seed(99);
    scatter();
    std::vector<desk::Point> first = places();
    table.random.seed(99);
    scatter();
    EXPECT_EQ(places(), first);
}

TEST_F(CommandsTest, ScatterOnATinyWorkAreaLandsWithinAPixelOfTheCentre) {
    freshTable();
    fake::setWorkArea({100, 100, 140, 140});
    scatter();
    for (const auto& c : table.deck.items()) {
        desk::Point p = at(*c);
        EXPECT_LE(std::abs(p.x - (120 - 30)), 1);
        EXPECT_LE(std::abs(p.y - (120 - 44)), 1);
    }
}

TEST_F(CommandsTest, FailedBatchStopsWithoutSoundOrSnapshot) {
    freshTable();
    fake::clearLogs();
    fake::failBatchAfter(10);
    scatter();
    gather();
    divide(4);
    EXPECT_TRUE(fake::sounds().empty() || fake::sounds() == std::vector<int>(fake::sounds().size(), IDS_RP_GATHER))
        << "gather and divide sound before their batch";
    EXPECT_EQ(table.historyCurrent, 0);
    EXPECT_EQ(at(table.deck.at(0)), (desk::Point{200, 200})) << "an abandoned batch moves nothing";
    fake::failWorkArea(true);
    fake::failBatchAfter(-1);
    scatter();
    EXPECT_EQ(table.historyCurrent, 0);
}

TEST_F(CommandsTest, GatherStacksTheTableAtThePointerSkewedByAQuarterCard) {
    freshTable();
    scatter();
    std::vector<desk::Window> order = listCardWindows();
    fake::setPointer({300, 500});
    gather();
    const Card& top = *table.deck.find(order.front());
    const Card& bottom = *table.deck.find(order.back());
    EXPECT_EQ(at(top), (desk::Point{270, 456}));
    EXPECT_EQ(at(bottom), (desk::Point{270 + 17, 456 + 17})) << "q = 3: 52 / 3 = 17";
    EXPECT_EQ(at(*table.deck.find(order[3])), (desk::Point{271, 457}));
    EXPECT_EQ(listCardWindows(), order) << "the pile keeps the stacking";
    EXPECT_EQ(table.historyCurrent, 2);
}

TEST_F(CommandsTest, GatherOverThePanelGoesBesideItOnTheRoomierSide) {
    freshTable();
    // The panel at 400..600: more room on the right.
    fake::setPointer({450, 350});
    gather();
    EXPECT_EQ(at(*table.deck.find(listCardWindows().front())).x, 600 + 30);
    // The panel near the right edge: the pile goes to its left, a quarter card plus 30 away.
    desk::moveWindow(table.panel, 800, 300);
    fake::setPointer({850, 350});
    gather();
    EXPECT_EQ(at(*table.deck.find(listCardWindows().front())).x, 800 - 15 - 60 - 30);
    // The margin wins over the side rule.
    desk::moveWindow(table.panel, 20, 300);
    fake::setWorkArea({0, 0, 300, 768});
    fake::setPointer({60, 350});
    gather();
    EXPECT_EQ(at(*table.deck.find(listCardWindows().front())).x, 300 - 60 - 10);
}

TEST_F(CommandsTest, DivideDealsInReversedOrderOntoACircle) {
    freshTable();
    std::vector<desk::Window> before = listCardWindows();
    divide(4);
    std::vector<desk::Window> after = listCardWindows();
    std::vector<desk::Window> reversed(before.rbegin(), before.rend());
    EXPECT_EQ(after, reversed) << "the bottom card is dealt first and ends on top";
    // Card j of the deal goes to pile j mod 4, at angle j x 90 degrees, drifting (10 j) / 53 pixels.
    const int32_t x0 = 512 - 30, y0 = 384 - 44, radius = 192;
    for (int j = 0; j < 53; ++j) {
        const Card& c = *table.deck.find(before[static_cast<size_t>(52 - j)]);
        const double t = j * 6.283185307179586 / 4;
        const int32_t o = 10 * j / 53;
        EXPECT_EQ(at(c), (desk::Point{static_cast<int32_t>(radius * std::cos(t)) + o + x0,
                                      static_cast<int32_t>(radius * std::sin(t)) + o + y0}))
            << "card " << j;
    }
    EXPECT_EQ(fake::sounds().back(), IDS_RP_GATHER);
    EXPECT_EQ(table.historyCurrent, 1);
}

TEST_F(CommandsTest, DivideNeverMakesMorePilesThanCards) {
    for (int i = 0; i < 6; ++i) lay(100 * i, 100);
    takeSnapshot();
    divide(10);
    std::set<std::pair<int, int>> piles;
    for (const auto& c : table.deck.items()) piles.insert({at(*c).x, at(*c).y});
    EXPECT_EQ(piles.size(), 6u);
    for (int k = 2; k <= 10; ++k) {
        SetUp();
        createDefaultDeck();
        divide(k);
        // Every card lies within the drift of one of k places on the circle, and every place is used.
        std::set<int> used;
        for (const auto& c : table.deck.items()) {
            desk::Point p = at(*c);
            for (int pile = 0; pile < k; ++pile) {
                const double t = pile * 6.283185307179586 / k;
                const double dx = p.x - (192 * std::cos(t) + 482), dy = p.y - (192 * std::sin(t) + 340);
                if (dx > -2 && dx < 12 && dy > -2 && dy < 12) used.insert(pile);
            }
        }
        EXPECT_EQ(used.size(), static_cast<size_t>(k)) << "the item for " << k << " deals " << k << " piles";
    }
    SetUp();
    Card& one = lay(100, 100);
    divide(3);
    EXPECT_EQ(at(one), (desk::Point{100, 100})) << "one card: nothing to deal";
    EXPECT_EQ(table.historyCurrent, -1);
}

TEST_F(CommandsTest, ShuffleKeepsThePilesPlacesAndPermutesItsCards) {
    freshTable();
    Card& far = lay(700, 500);
    desk::activate(table.deck.at(0).window);
    std::vector<desk::Point> before = places();
    std::set<std::pair<int, int>> placesBefore;
    for (size_t i = 0; i < 53; ++i) placesBefore.insert({before[i].x, before[i].y});
    shufflePile();
    std::multiset<std::pair<int, int>> after;
    int moved = 0;
    for (size_t i = 0; i < 53; ++i) {
        desk::Point p = at(table.deck.at(i));
        after.insert({p.x, p.y});
        moved += !(p == before[i]);
    }
    std::set<std::pair<int, int>> placesAfter(after.begin(), after.end());
    EXPECT_EQ(placesAfter, placesBefore);
    EXPECT_GT(moved, 10);
    EXPECT_EQ(at(far), (desk::Point{700, 500})) << "not in the pile";
    EXPECT_EQ(fake::sounds().back(), IDS_RP_ALL);
    EXPECT_EQ(table.historyCurrent, 1);
    EXPECT_EQ(fake::waitCursors(), 0);
}

TEST_F(CommandsTest, ShuffleOfOneCardPutsItBackOnTop) {
    Card& b = lay(100, 100);
    Card& a = lay(500, 500);
    desk::activate(b.window);
    desk::activate(a.window);
    takeSnapshot();
    table.currentCard = &b;
    shufflePile();
    EXPECT_EQ(at(b), (desk::Point{100, 100}));
    EXPECT_EQ(depth(b), 0u);
    table.currentCard = nullptr;
    shufflePile();
    EXPECT_EQ(table.historyCurrent, 1) << "no current card: nothing";
}

TEST_F(CommandsTest, SequenceRestoresTheFreshOrderWithoutMovingAnything) {
    freshTable();
    std::vector<desk::Window> fresh = listCardWindows();
    scatter();
    divide(5);
    std::vector<desk::Point> before;
    for (desk::Window w : fresh) before.push_back(at(*table.deck.find(w)));
    sequenceAll();
    EXPECT_EQ(listCardWindows(), fresh);
    for (size_t i = 0; i < fresh.size(); ++i) EXPECT_EQ(at(*table.deck.find(fresh[i])), before[i]);
    EXPECT_EQ(table.deck.at(0).suit, kJoker) << "the deck keeps the new order";
    EXPECT_EQ(table.deck.at(14).suit, kSpades);
    EXPECT_EQ(table.deck.at(14).rank, 1);
    EXPECT_EQ(fake::sounds().back(), IDS_RP_ALL);
}

TEST_F(CommandsTest, SequenceIsStableAndOneCardDoesNothing) {
    Card& a1 = lay(0, 0, kHearts, 5);
    Card& j = lay(0, 0, kJoker, 0);
    Card& a2 = lay(0, 0, kHearts, 5);
    takeSnapshot();
    sequenceAll();
    EXPECT_EQ(&table.deck.at(0), &j);
    EXPECT_EQ(&table.deck.at(1), &a1) << "equal cards keep their order";
    EXPECT_EQ(&table.deck.at(2), &a2);
    EXPECT_LT(sequenceKey(kHearts, 13), sequenceKey(kSpades, 1));
    EXPECT_LT(sequenceKey(kClubs, 13), sequenceKey(kDiamonds, 1));
    EXPECT_EQ(sequenceKey(kHearts, -1), 65536u + 0xFFFFu) << "rank compared as its low 16 bits";

    SetUp();
    lay(10, 10);
    takeSnapshot();
    sequenceAll();
    EXPECT_EQ(table.historyCurrent, 0) << "one card: nothing recorded";
    EXPECT_TRUE(fake::sounds().empty());
}

// What the settings dialog leaves pending takes effect: the size without touching the stacking,
// the faces composed again only where the drawing did not change too, and the table saved.
TEST_F(CommandsTest, AppliedSettingsResizeInPlaceComposeWhatChangedAndSave) {
    Card& a = lay(10, 10, kHearts, 1);
    Card& b = lay(30, 30, kHearts, 2);
    Card& c = lay(50, 50, kHearts, 3);
    b.faceUp = 1;
    takeSnapshot();
    table.currentCard = &a;
    sequenceAll();  // the table's order now differs from the stacking
    const std::vector<desk::Window> stacking = listCardWindows();
    struct Case {
        int32_t width, height;
        uint32_t drawIndex;
        size_t fronts, backs, repainted;
    } cases[] = {
        {80, 100, 1, 3, 1, 3},  // size: every front and the back, every card repainted
        {80, 100, 0, 3, 0, 1},  // drawing: every front, the face-up card repainted
        {64, 90, 1, 3, 1, 3},   // both: the fronts once, at the new size
        {64, 90, 1, 0, 0, 0},   // nothing: nothing composed or resized, saved all the same
    };
    for (const Case& k : cases) {
        fake::clearLogs();
        fake::files().clear();
        table.settingsBlock.width = k.width;
        table.settingsBlock.height = k.height;
        table.settingsBlock.drawIndex = k.drawIndex;
        table.settingsBlock.soundOn = 0;
        const size_t composedBefore = fake::recomposed().size();
        applySettings();
        size_t fronts = 0, backs = 0;
        for (size_t i = composedBefore; i < fake::recomposed().size(); ++i) (fake::recomposed()[i].second ? fronts : backs) += 1;
        EXPECT_EQ(fronts, k.fronts) << k.width << " " << k.drawIndex;
        EXPECT_EQ(backs, k.backs) << k.width << " " << k.drawIndex;
        EXPECT_EQ(fake::invalidated().size(), k.repainted) << k.width << " " << k.drawIndex;
        EXPECT_EQ(listCardWindows(), stacking);
        for (Card* card : {&a, &b, &c}) {
            EXPECT_EQ(rect(*card).width(), k.width);
            EXPECT_EQ(rect(*card).height(), k.height);
        }
        EXPECT_EQ(at(c), (desk::Point{50, 50})) << "resized in place";
        EXPECT_EQ(table.drawIndex, k.drawIndex);
        EXPECT_EQ(table.soundOn, 0u);
        EXPECT_EQ(fake::files().size(), 1u) << "saved";
        EXPECT_EQ(fake::active(), a.window) << "the current card comes forward";
    }
    EXPECT_EQ(table.historyCurrent, 1) << "no snapshot for settings";
}

}  // namespace
