// Keyboard operation of the focused card: which bound action a key press or release runs.
#pragma once

#include <cstdint>

#include "deck/keys.h"

constexpr int kNoKeyAction = -1;

// The action a key press runs, tried in the press order (moves of the card, moves of the pile,
// gather, spread); gather and spread start on the first press only. kNoKeyAction for none.
int keyDownAction(const KeyTable& keys, uint32_t vk, uint32_t mods, bool firstPress);
// The action a key release runs, tried in the release order; kNoKeyAction for none.
int keyUpAction(const KeyTable& keys, uint32_t vk, uint32_t mods);
