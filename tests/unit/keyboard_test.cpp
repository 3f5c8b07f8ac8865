#include <gtest/gtest.h>

#include "cards/keyboard.h"
#include "res/ids.h"
#include "support/gesture_fixture.h"

namespace {

using A = KeyAction;
constexpr uint32_t S = kModShift, C = kModCtrl;
constexpr uint32_t kRepeat = 1u << 30;

int act(A a) { return static_cast<int>(a); }

TEST(KeyDispatch, PressAndReleaseRowsInTheirOrderWithExactModifiers) {
    const struct {
        uint32_t vk, mods;
        int press, pressRepeated, release;
    } cases[] = {
        {38, 0, act(A::SingleUp), act(A::SingleUp), act(A::SingleUp)},
        {40, 0, act(A::SingleDown), act(A::SingleDown), act(A::SingleDown)},
        {37, 0, act(A::SingleLeft), act(A::SingleLeft), act(A::SingleLeft)},
        {39, 0, act(A::SingleRight), act(A::SingleRight), act(A::SingleRight)},
        {'W', 0, act(A::MultiUp), act(A::MultiUp), act(A::MultiUp)},
        {'X', 0, act(A::MultiDown), act(A::MultiDown), act(A::MultiDown)},
        {'A', 0, act(A::MultiLeft), act(A::MultiLeft), act(A::MultiLeft)},
        {'D', 0, act(A::MultiRight), act(A::MultiRight), act(A::MultiRight)},
        {13, 0, act(A::Gather), kNoKeyAction, act(A::Gather)},
        {13, S, act(A::Spread), kNoKeyAction, act(A::Spread)},
        {32, 0, kNoKeyAction, kNoKeyAction, act(A::SingleFlip)},
        {32, S, kNoKeyAction, kNoKeyAction, act(A::MultiFlip)},
        {9, 0, kNoKeyAction, kNoKeyAction, act(A::Next)},
        {9, S, kNoKeyAction, kNoKeyAction, act(A::Previous)},
        {'N', 0, kNoKeyAction, kNoKeyAction, act(A::RememberOrder)},
        {'Z', 0, kNoKeyAction, kNoKeyAction, act(A::Back)},
        {'R', 0, kNoKeyAction, kNoKeyAction, act(A::Forward)},
        {'S', 0, kNoKeyAction, kNoKeyAction, act(A::ToolOrCard)},
        {32, S | C, kNoKeyAction, kNoKeyAction, kNoKeyAction},  // Shift binding, Shift+Ctrl held
        {9, C, kNoKeyAction, kNoKeyAction, kNoKeyAction},
        {38, S, kNoKeyAction, kNoKeyAction, kNoKeyAction},
        {'Q', 0, kNoKeyAction, kNoKeyAction, kNoKeyAction},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(keyDownAction(kDefaultKeys, k.vk, k.mods, true), k.press) << k.vk << "+" << k.mods;
        EXPECT_EQ(keyDownAction(kDefaultKeys, k.vk, k.mods, false), k.pressRepeated) << k.vk << "+" << k.mods;
        EXPECT_EQ(keyUpAction(kDefaultKeys, k.vk, k.mods), k.release) << k.vk << "+" << k.mods;
    }
    KeyTable keys = kDefaultKeys;
    keys[act(A::SingleUp)] = VK_SHIFT;  // Shift alone: matched with Shift itself not counted
    EXPECT_EQ(keyDownAction(keys, VK_SHIFT, keyModifiers(VK_SHIFT, true, false), true), act(A::SingleUp));
    keys[act(A::Next)] = makeBinding(0, 0);  // "none" never matches, not even key 0
    EXPECT_EQ(keyUpAction(keys, 0, 0), kNoKeyAction);
    keys[act(A::Back)] = 32;  // the same key on two rows: the earlier row of the order wins
    EXPECT_EQ(keyUpAction(keys, 32, 0), act(A::SingleFlip));
    EXPECT_EQ(keyModifiers('A', true, true), S | C);
    EXPECT_EQ(keyModifiers(VK_CONTROL, true, true), S);
}

class KeyboardTest : public GestureTest {
protected:
    void press(Card& c, uint32_t vk, bool repeated = false) { onKeyDown(c, vk, repeated ? kRepeat : 0); }
    void release(Card& c, uint32_t vk) { onKeyUp(c, vk, 0xC0000000u); }
    void withShift(bool down) { fake::setKeyDown(VK_SHIFT, down); }
};

TEST_F(KeyboardTest, ACardMovesByItsSizeAndItsPileMovesAsOneUndoStep) {
    Card& low = lay(110, 100);
    Card& top = lay(100, 120);
    Card& apart = lay(600, 500);
    startHistory();
    press(apart, VK_RIGHT);
    press(apart, VK_RIGHT, true);
    release(apart, VK_RIGHT);
    EXPECT_EQ(at(apart), (desk::Point{720, 500}));
    EXPECT_EQ(soundsOf(IDS_RP_PRESS), 1);
    EXPECT_EQ(table.historyCurrent, 0) << "a card's key move records nothing of its own";

    fake::clearLogs();
    press(top, 'D');
    press(top, 'D', true);
    press(top, 'X', true);
    EXPECT_EQ(top.trail.size(), 2u) << "collected on the first press only";
    release(top, 'X');
    EXPECT_EQ(at(top), (desk::Point{220, 208}));
    EXPECT_EQ(at(low), (desk::Point{230, 188}));
    EXPECT_EQ(soundsOf(IDS_RP_PUTDOWN), 1);
    EXPECT_EQ(table.historyCurrent, 1) << "one step for the whole press";
    undo();
    EXPECT_EQ(at(top), (desk::Point{100, 120}));
    EXPECT_EQ(at(low), (desk::Point{110, 100}));

    fake::clearLogs();
    release(apart, 'W');  // the press went to another card
    EXPECT_TRUE(fake::sounds().empty());
}

TEST_F(KeyboardTest, TurningOnTheReleaseACardOrItsPileInOneStep) {
    Card& low = lay(110, 100);
    Card& top = lay(100, 120);
    startHistory();
    press(top, 32);
    EXPECT_EQ(top.faceUp, 0u) << "turned on the release";
    release(top, 32);
    EXPECT_EQ(top.faceUp, 1u);
    EXPECT_EQ(low.faceUp, 0u);
    EXPECT_EQ(table.historyCurrent, 1);
    withShift(true);
    release(top, 32);
    withShift(false);
    EXPECT_EQ(top.faceUp, 0u);
    EXPECT_EQ(low.faceUp, 1u);
    EXPECT_EQ(soundsOf(IDS_RP_PILEFLIP), 1);
    EXPECT_EQ(table.historyCurrent, 2) << "card and pile: one step";
    release(top, 'Z');
    EXPECT_EQ(top.faceUp, 1u);
    EXPECT_EQ(low.faceUp, 0u);
    release(top, 'R');
    EXPECT_EQ(low.faceUp, 1u);
    EXPECT_EQ(desk::capture(), nullptr);
}

TEST_F(KeyboardTest, TabWalksTheRememberedOrderAndSHandsTheFocusToThePanel) {
    Card& a = lay(100, 100);
    Card& b = lay(300, 100);
    Card& c = lay(500, 100);
    startHistory();
    release(a, 9);
    EXPECT_EQ(fake::active(), table.panel) << "nothing remembered: the panel";
    EXPECT_EQ(table.historyCurrent, 1) << "recorded all the same";
    release(a, 'N');
    EXPECT_EQ(table.cycleOrder, (std::vector<desk::Window>{c.window, b.window, a.window}));
    table.currentCard = &a;
    release(a, 9);
    EXPECT_EQ(fake::active(), c.window) << "wraps to the first";
    table.currentCard = &c;
    withShift(true);
    release(c, 9);
    withShift(false);
    EXPECT_EQ(fake::active(), a.window) << "wraps to the last";
    release(a, 'S');
    EXPECT_EQ(desk::focus(), table.panel);
}

TEST_F(KeyboardTest, EnterGathersShiftEnterSpreadsUntilTheRelease) {
    Card& centre = lay(500, 400);
    Card& other = lay(300, 400);
    startHistory();
    press(centre, 13);
    press(centre, 13, true);
    EXPECT_EQ(centre.spreadMode, 1u);
    EXPECT_NE(fake::timer(centre.window, kKeySpreadTimer), 0u);
    fake::setKeyDown(13, true);
    withShift(true);
    fake::fireTimer(centre.window, kKeySpreadTimer);
    EXPECT_LT(at(other).x, 300) << "Spread held: away from the centre";
    withShift(false);
    fake::fireTimer(centre.window, kKeySpreadTimer);
    fake::fireTimer(centre.window, kKeySpreadTimer);
    EXPECT_GT(at(other).x, 300 - 20) << "Enter alone: back towards it";
    fake::setKeyDown(13, false);
    release(centre, 13);
    EXPECT_EQ(centre.spreadMode, 0u);
    EXPECT_EQ(soundsOf(IDS_RP_GATHER), 1);
    EXPECT_EQ(table.historyCurrent, 1);
    release(centre, 13);
    EXPECT_EQ(soundsOf(IDS_RP_GATHER), 1) << "a second release finds the mode off";
}

}  // namespace
