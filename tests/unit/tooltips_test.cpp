#include <gtest/gtest.h>

#include "cards/tooltips.h"
#include "support/gesture_fixture.h"

namespace {

class TooltipTest : public GestureTest {};

TEST_F(TooltipTest, TextAndColourForEachKindOfCard) {
    constexpr uint32_t kRed = 0x0034FF, kBlue = 0x690000;
    const struct {
        char16_t suit;
        int32_t rank;
        uint32_t faceUp;
        int others;  // cards beneath it in one pile
        const char16_t* text;
        uint32_t colour;
    } cases[] = {
        {kHearts, 7, 1, 0, u"♥ 7", kRed},          {kHearts, 7, 1, 3, u"♥ 7 ほか 3 枚", kRed},
        {kDiamonds, 10, 1, 1, u"♦ 10 ほか 1 枚", kRed}, {kSpades, 1, 1, 0, u"♠ A", kBlue},
        {kClubs, 13, 1, 0, u"♣ K", kBlue},         {kJoker, 0, 1, 0, u"JOKER", kBlue},
        {kJoker, 0, 1, 2, u"JOKER ほか 2 枚", kBlue}, {kHearts, 12, 0, 4, u"5 枚", kBlue},
        {kHearts, 99, 1, 0, u"♥", kRed},            {u'x', -5, 1, 1, u" ほか 1 枚", kBlue},
    };
    for (const auto& k : cases) {
        SetUp();
        for (int i = 0; i < k.others; ++i) lay(100 + i, 100 + i);
        Card& c = lay(100, 100, k.suit, k.rank);
        c.faceUp = k.faceUp;
        lay(600, 500);  // apart: not counted
        const CardTip tip = tipText(c);
        EXPECT_EQ(tip.text, k.text);
        EXPECT_EQ(tip.colour, k.colour) << static_cast<int>(k.suit) << k.rank;
    }
}

TEST_F(TooltipTest, TheCountFollowsTheRatioAndLeavesHiddenCardsOut) {
    Card& under = lay(130, 100);  // overlaps the top card by half its width
    Card& hidden = lay(100, 110);
    fake::setVisible(hidden.window, false);
    Card& top = lay(100, 100, kSpades, 2);
    top.faceUp = 1;
    table.overlapRatio = 40;
    EXPECT_EQ(tipText(top).text, u"♠ 2 ほか 1 枚");
    table.overlapRatio = 60;
    EXPECT_EQ(tipText(top).text, u"♠ 2");
    (void)under;
    rightDown(top, {110, 110});
    rightUp(top, {110, 110});
    EXPECT_EQ(fake::tipsShown(), std::vector<desk::Window>{top.window}) << "the tip pops up as the gesture ends";
}

}  // namespace
