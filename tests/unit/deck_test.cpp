#include <gtest/gtest.h>

#include <algorithm>

#include "app/panel.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "desk/winconst.h"
#include "res/ids.h"
#include "support/table_fixture.h"

namespace {

using DeckTest = TableTest;

desk::Rect rectOf(desk::Window w) {
    desk::Rect r;
    EXPECT_TRUE(desk::windowRect(w, r));
    return r;
}

TEST_F(DeckTest, DefaultDeckIsJokerThenSuitsStackedInOrderNearTwoHundred) {
    createDefaultDeck();
    ASSERT_EQ(table.deck.count(), 53u);
    std::vector<desk::Window> order = listCardWindows();
    ASSERT_EQ(order.size(), 53u);
    const char16_t suits[] = {kHearts, kSpades, kClubs, kDiamonds};
    for (size_t i = 0; i < 53; ++i) {
        Card& c = table.deck.at(i);
        EXPECT_EQ(order[i], c.window) << "z-order follows creation order, joker on top";
        EXPECT_EQ(c.suit, i == 0 ? kJoker : suits[(i - 1) / 13]) << i;
        EXPECT_EQ(c.rank, i == 0 ? 0 : static_cast<int32_t>((i - 1) % 13 + 1)) << i;
        EXPECT_EQ(c.faceUp, 0u);
        EXPECT_TRUE(desk::isVisible(c.window));
        desk::Rect r = rectOf(c.window);
        int32_t at = 200 + static_cast<int32_t>(i / 10);
        EXPECT_EQ(r.left, at);
        EXPECT_EQ(r.top, at);
        EXPECT_EQ(r.width(), 60);
        EXPECT_EQ(r.height(), 88);
    }
    EXPECT_EQ(rectOf(table.deck.at(52).window).left, 205);
    EXPECT_EQ(table.currentCard, nullptr) << "no card is activated on a fresh table";
    EXPECT_EQ(fake::active(), nullptr);
}

TEST_F(DeckTest, CardSizeComesFromTheTable) {
    table.cardWidth = 16;
    table.cardHeight = 999;
    createDefaultDeck();
    desk::Rect r = rectOf(table.deck.at(0).window);
    EXPECT_EQ(r.width(), 16);
    EXPECT_EQ(r.height(), 999);
}

TEST_F(DeckTest, CardsWhoseWindowsFailAreStillDealtIn) {
    fake::failCardCreation(true);
    createDefaultDeck();
    EXPECT_EQ(table.deck.count(), 53u);
    EXPECT_TRUE(listCardWindows().empty());
}

TEST(DeckGrowth, CapacityGrowsByAnEighthBetweenFourAndTenTwentyFour) {
    Deck deck;
    std::vector<size_t> seen;
    size_t last = 0;
    for (int i = 0; i < 12000; ++i) {
        deck.append(std::make_unique<Card>());
        if (deck.capacity() != last) {
            last = deck.capacity();
            seen.push_back(last);
        }
    }
    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(seen[0], 4u);
    EXPECT_EQ(seen[1], 8u);
    EXPECT_EQ(seen[2], 12u);
    for (size_t i = 1; i < seen.size(); ++i) {
        size_t step = seen[i] - seen[i - 1];
        size_t expected = std::clamp<size_t>(seen[i - 1] / 8, 4, 1024);
        EXPECT_EQ(step, expected) << "after capacity " << seen[i - 1];
    }
    EXPECT_EQ(seen.back() - seen[seen.size() - 2], 1024u) << "the step stops at 1024";
}

TEST(DeckErrors, IndexOutsideTheDeckAndNullCardsRaiseInvalidArg) {
    Deck deck;
    auto code = [](auto&& f) {
        try {
            f();
        } catch (const ProgramError& e) {
            return e.code;
        }
        return 0;
    };
    EXPECT_EQ(code([&] { deck.at(0); }), kInvalidArg);
    EXPECT_EQ(code([&] { deck.remove(0); }), kInvalidArg);
    EXPECT_EQ(code([&] { deck.append(nullptr); }), kInvalidArg);
    deck.append(std::make_unique<Card>());
    deck.append(std::make_unique<Card>());
    Card* second = &deck.at(1);
    EXPECT_EQ(code([&] { deck.at(2); }), kInvalidArg);
    deck.remove(0);
    EXPECT_EQ(&deck.at(0), second) << "later entries move down";
    EXPECT_EQ(deck.count(), 1u);
}

TEST_F(DeckTest, ListCardWindowsKeepsOnlyThisThreadsCardClassAndTitle) {
    createDefaultDeck();
    desk::Window otherTitle = fake::addWindow(u"Card", u"カード2", {0, 0, 10, 10});
    desk::Window shortTitle = fake::addWindow(u"Card", u"カー", {0, 0, 10, 10});
    desk::Window otherClass = fake::addWindow(u"Cards", u"カード", {0, 0, 10, 10});
    desk::Window prefixClass = fake::addWindow(u"Car", u"カード", {0, 0, 10, 10});
    desk::Window otherThread = fake::addWindow(u"Card", u"カード", {0, 0, 10, 10}, 7);
    std::vector<desk::Window> found = listCardWindows();
    EXPECT_EQ(found.size(), 53u);
    for (desk::Window w : {otherTitle, shortTitle, otherClass, prefixClass, otherThread})
        EXPECT_EQ(std::count(found.begin(), found.end(), w), 0);
    // A card-like window of this thread that no deck card owns is still a card window.
    desk::Window stray = fake::addWindow(u"Card", u"カード", {0, 0, 10, 10});
    found = listCardWindows();
    ASSERT_EQ(found.size(), 54u);
    EXPECT_EQ(found.front(), stray);
}

TEST_F(DeckTest, RememberOrderTakesTheZOrderAndSounds) {
    rememberOrder();
    EXPECT_TRUE(table.cycleOrder.empty()) << "an empty deck leaves the order empty";
    EXPECT_TRUE(fake::sounds().empty()) << "and plays nothing";

    createDefaultDeck();
    rememberOrder();
    EXPECT_EQ(table.cycleOrder, listCardWindows());
    EXPECT_EQ(fake::sounds(), std::vector<int>{IDS_RP_ORDER});

    table.soundOn = 0;
    fake::clearLogs();
    rememberOrder();
    EXPECT_TRUE(fake::sounds().empty());
}

TEST_F(DeckTest, CycleCardWrapsAndTreatsAnAbsentCurrentCardAsOutside) {
    EXPECT_EQ(cycleCard(false), nullptr) << "empty order";
    EXPECT_EQ(cycleCard(true), nullptr);

    createDefaultDeck();
    rememberOrder();
    const auto& order = table.cycleOrder;
    EXPECT_EQ(cycleCard(false), order.front()) << "no current card: next is the first";
    EXPECT_EQ(cycleCard(true), order.back()) << "no current card: previous is the last";

    table.currentCard = &table.deck.at(0);
    EXPECT_EQ(cycleCard(false), order[1]);
    EXPECT_EQ(cycleCard(true), order.back()) << "previous of the first wraps to the last";
    table.currentCard = &table.deck.at(52);
    EXPECT_EQ(cycleCard(false), order.front()) << "next of the last wraps to the first";
    EXPECT_EQ(cycleCard(true), order[51]);

    // A card taken out after the order was remembered is not in it.
    Card late;
    late.window = fake::addWindow(u"Card", u"カード", {0, 0, 60, 88});
    table.currentCard = &late;
    EXPECT_EQ(cycleCard(false), order.front());
    EXPECT_EQ(cycleCard(true), order.back());
}

TEST_F(DeckTest, FaceButtonsFollowTheFaces) {
    updateFaceButtons();
    EXPECT_FALSE(fake::enabled(IDC_RP_FACEUP)) << "empty deck: both disabled";
    EXPECT_FALSE(fake::enabled(IDC_RP_FACEDOWN));

    createDefaultDeck();
    updateFaceButtons();
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEUP)) << "all face down";
    EXPECT_FALSE(fake::enabled(IDC_RP_FACEDOWN));

    table.deck.at(3).faceUp = 1;
    updateFaceButtons();
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEUP)) << "mixed faces: both enabled";
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEDOWN));

    for (auto& c : table.deck.items()) c->faceUp = 1;
    updateFaceButtons();
    EXPECT_FALSE(fake::enabled(IDC_RP_FACEUP));
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEDOWN));
}

TEST_F(DeckTest, ReleasingCardsCutsWindowsFromTheirRecords) {
    createDefaultDeck();
    desk::Window w = table.deck.at(0).window;
    table.currentCard = &table.deck.at(0);
    releaseAllCards();
    EXPECT_TRUE(table.deck.empty());
    EXPECT_EQ(table.currentCard, nullptr);
    EXPECT_EQ(fake::info(w).card, nullptr) << "no window can reach a freed record";
    fake::destroy(w);  // must not touch the freed record (ASan would see it)
}

}  // namespace
