// What a screen reader says of a card: its name in words, how many cards its pile holds (as the
// tooltip counts them), and its state.
#pragma once

#include <string>

#include "deck/card.h"

// "ハートの 5", "スペードの クイーン", "ジョーカー"; "裏向きのカード" for a face-down card.
std::u16string spokenName(const Card& card);
// "ほか 3 枚" for a card with three others in its pile; empty for a card alone.
std::u16string spokenPile(const Card& card);

struct SpokenState {
    bool current = false;  // the card the keys act on
    bool marked = false;   // part of a trail
    bool carried = false;  // following the pointer
};
SpokenState spokenState(const Card& card);

// Screen readers hear of a card turned over (its name changed), whatever turned it: a gesture, a
// command, undo, another player.
void listenForSpeech();
