// What a screen reader hears of a card: names, piles and states.
#include <gtest/gtest.h>

#include "cards/card_window.h"
#include "app/commands.h"
#include "cards/gestures.h"
#include "cards/keyboard.h"
#include "cards/spoken.h"
#include "deck/deck.h"
#include "desk/winconst.h"
#include "support/table_fixture.h"

namespace {

class SpokenTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        createDefaultDeck();
        // Four cards in a pile of their own, apart from the deck; one card alone.
        for (size_t i = 1; i <= 4; ++i) desk::moveWindow(table.deck.at(i).window, 600 + static_cast<int32_t>(i), 400);
        desk::moveWindow(table.deck.at(12).window, 900, 100);
        rememberOrder();  // the order Tab walks
    }
};

TEST_F(SpokenTest, ACardIsNamedInWordsAndItsPileCountedAsTheTipCountsIt) {
    struct Case {
        size_t card;
        bool faceUp;
        std::u16string name, pile;
    } cases[] = {
        {0, true, u"ジョーカー", u"ほか 47 枚"},
        {1, true, u"ハートの エース", u"ほか 3 枚"},
        {4, true, u"ハートの 4", u"ほか 3 枚"},
        {4, false, u"裏向きのカード", u"ほか 3 枚"},
        {12, true, u"ハートの クイーン", u""},
        {13, true, u"ハートの キング", u"ほか 47 枚"},
        {14 + 11, true, u"スペードの クイーン", u"ほか 47 枚"},
        {40, true, u"ダイヤの エース", u"ほか 47 枚"},
    };
    for (const Case& c : cases) {
        Card& card = table.deck.at(c.card);
        card.faceUp = c.faceUp;
        EXPECT_EQ(spokenName(card), c.name) << c.card;
        EXPECT_EQ(spokenPile(card), c.pile) << c.card;
    }
}

// A screen reader hears at once of the card the keys moved to, of cards turned (by a gesture or
// a command) and of a card picked up and put down; the state it reads follows.
TEST_F(SpokenTest, ScreenReadersHearOfFocusTurnsAndCarries) {
    using E = desk::AccessEvent;
    const auto heard = [](desk::Window w, E e) {
        for (const auto& [window, event] : fake::accessEvents())
            if (window == w && event == e) return true;
        return false;
    };
    Card& first = table.deck.at(1);
    Card& second = table.deck.at(2);
    fake::clearLogs();
    desk::activate(first.window);
    EXPECT_TRUE(heard(first.window, E::Focus));
    fake::clearLogs();
    onKeyDown(first, 9, 0);  // Tab: the next card
    onKeyUp(first, 9, 0);
    ASSERT_NE(table.currentCard, &first);
    EXPECT_TRUE(heard(table.currentCard->window, E::Focus));

    fake::clearLogs();
    fake::setPointer({630, 440});
    desk::activate(second.window);
    onRightPress(second, 10, 10);
    onRightRelease(second, 10, 10);  // turned
    EXPECT_TRUE(heard(second.window, E::NameChange));
    EXPECT_FALSE(heard(first.window, E::NameChange));
    fake::clearLogs();
    turnAllFaceUp();
    EXPECT_TRUE(heard(first.window, E::NameChange));
    EXPECT_FALSE(heard(second.window, E::NameChange)) << "already face up";

    fake::clearLogs();
    desk::activate(first.window);
    onLeftPress(first, 0, 0);
    onLeftRelease(first, 0, 0);
    EXPECT_TRUE(heard(first.window, E::StateChange)) << "picked up";
    EXPECT_TRUE(spokenState(first).current && spokenState(first).carried);
    EXPECT_FALSE(spokenState(second).carried);
    fake::setPointer({800, 500});
    onMouseMove(first, 0, 0);
    fake::clearLogs();
    onLeftPress(first, 0, 0);
    EXPECT_TRUE(heard(first.window, E::StateChange)) << "put down";
    EXPECT_FALSE(spokenState(first).carried);
    first.marked = 1;
    EXPECT_TRUE(spokenState(first).marked);
}

}  // namespace
