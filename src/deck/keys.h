// The 18 configurable key bindings: virtual-key code in bits 0-15, modifier flags in bits 16-23.
#pragma once

#include <array>
#include <cstdint>

#include "desk/winconst.h"

using KeyBinding = uint32_t;

constexpr uint32_t kModShift = 4;
constexpr uint32_t kModCtrl = 8;

enum class KeyAction : int {
    SingleUp, SingleDown, SingleRight, SingleLeft, SingleFlip,
    MultiUp, MultiDown, MultiRight, MultiLeft, MultiFlip,
    Next, Previous, Gather, Spread, RememberOrder, Back, Forward, ToolOrCard,
};
constexpr int kKeyActions = 18;

using KeyTable = std::array<KeyBinding, kKeyActions>;

constexpr KeyBinding makeBinding(uint32_t vk, uint32_t mods) { return (vk & 0xFFFF) | (mods << 16); }
constexpr uint32_t bindingKey(KeyBinding b) { return b & 0xFFFF; }
constexpr uint32_t bindingMods(KeyBinding b) { return b >> 16; }

// Shift (4) and Ctrl (8) as they are held, not counting Shift for the Shift key itself nor Ctrl
// for the Ctrl key.
constexpr uint32_t keyModifiers(uint32_t vk, bool shiftDown, bool ctrlDown) {
    return (shiftDown && vk != VK_SHIFT ? kModShift : 0) | (ctrlDown && vk != VK_CONTROL ? kModCtrl : 0);
}

// A press matches when its key equals the row's and the modifiers are exactly the row's.
constexpr bool keyMatches(KeyBinding b, uint32_t vk, uint32_t mods) {
    return bindingKey(b) != 0 && bindingKey(b) == vk && bindingMods(b) == mods;
}

constexpr KeyTable kDefaultKeys = {
    38, 40, 39, 37, 32,                      // single card: up, down, right, left, flip
    87, 88, 68, 65, makeBinding(32, kModShift),  // several cards: W X D A, Shift+Space
    9, makeBinding(9, kModShift),            // next, previous
    13, makeBinding(13, kModShift),          // gather, spread
    78, 90, 82, 83,                          // remember order, undo, redo, panel/card
};
