#include "cards/keyboard.h"

#include "app/table.h"
#include "cards/card_window.h"
#include "cards/gestures.h"
#include "cards/movement.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "desk/winconst.h"

namespace {

using A = KeyAction;

constexpr A kPressOrder[] = {A::SingleUp, A::SingleDown, A::SingleLeft, A::SingleRight, A::MultiUp,
                             A::MultiDown, A::MultiLeft, A::MultiRight, A::Gather,      A::Spread};
constexpr A kReleaseOrder[] = {A::SingleUp,  A::SingleDown, A::SingleLeft,    A::SingleRight, A::MultiUp,
                               A::MultiDown, A::MultiLeft,  A::MultiRight,    A::SingleFlip,  A::MultiFlip,
                               A::Next,      A::Previous,   A::Gather,        A::Spread,      A::RememberOrder,
                               A::Back,      A::Forward,    A::ToolOrCard};

template <size_t N>
int firstMatch(const A (&order)[N], const KeyTable& keys, uint32_t vk, uint32_t mods) {
    for (A a : order)
        if (keyMatches(keys[static_cast<size_t>(a)], vk, mods)) return static_cast<int>(a);
    return kNoKeyAction;
}

// The arrow a move row stands for, whichever key it is bound to.
uint32_t direction(A a) {
    switch (a) {
    case A::SingleUp:
    case A::MultiUp: return VK_UP;
    case A::SingleDown:
    case A::MultiDown: return VK_DOWN;
    case A::SingleLeft:
    case A::MultiLeft: return VK_LEFT;
    default: return VK_RIGHT;
    }
}

uint32_t heldModifiers(uint32_t vk) { return keyModifiers(vk, desk::keyDown(VK_SHIFT), desk::keyDown(VK_CONTROL)); }

// Next or previous card of the remembered order comes forward (the panel when there is none).
void walkOrder(bool previous) {
    desk::Window next = cycleCard(previous);
    desk::setForeground(next ? next : table.panel);
    takeSnapshot();
}

}  // namespace

int keyDownAction(const KeyTable& keys, uint32_t vk, uint32_t mods, bool firstPress) {
    const int a = firstMatch(kPressOrder, keys, vk, mods);
    if ((a == static_cast<int>(A::Gather) || a == static_cast<int>(A::Spread)) && !firstPress) return kNoKeyAction;
    return a;
}

int keyUpAction(const KeyTable& keys, uint32_t vk, uint32_t mods) { return firstMatch(kReleaseOrder, keys, vk, mods); }

void onKeyDown(Card& card, uint32_t vk, uint32_t flags) {
    const bool firstPress = (flags & (1u << 30)) == 0;
    const int action = keyDownAction(table.keys, vk, heldModifiers(vk), firstPress);
    if (action == kNoKeyAction) return;
    const A a = A(action);
    switch (a) {
    case A::SingleUp:
    case A::SingleDown:
    case A::SingleLeft:
    case A::SingleRight: moveCardByKey(card, direction(a), firstPress); break;
    case A::Gather:
    case A::Spread: beginGatherSpread(card, SpreadMode::Key); break;
    default: movePileByKey(card, direction(a), firstPress); break;
    }
}

void onKeyUp(Card& card, uint32_t vk, uint32_t) {
    const int action = keyUpAction(table.keys, vk, heldModifiers(vk));
    if (action == kNoKeyAction) return;
    switch (A(action)) {
    case A::SingleFlip:
        desk::setCapture(card.window);
        flipCard(card, 0, 0);
        break;
    case A::MultiFlip:  // as a right double-click: the card, then the rest of its pile, one undo step
        desk::setCapture(card.window);
        flipCard(card, 0, 0);
        desk::setCapture(card.window);
        flipPile(card, 0, 0);
        break;
    case A::Next: walkOrder(false); break;
    case A::Previous: walkOrder(true); break;
    case A::Gather:
    case A::Spread: endGatherSpread(card); break;
    case A::RememberOrder: rememberOrder(); break;
    case A::Back: undo(); break;
    case A::Forward: redo(); break;
    case A::ToolOrCard: desk::setFocus(table.panel); break;
    default: putDown(card); break;  // the eight moves
    }
}
