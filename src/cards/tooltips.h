// The cards' tooltips: which card it is and how many cards its pile holds.
#pragma once

#include <cstdint>
#include <string>

#include "deck/card.h"

struct CardTip {
    std::u16string text;
    uint32_t colour = 0;  // text colour as 0x00BBGGRR, on white
};
// The tip of a card as it lies now (one pile collection, at the present ratio and setting).
CardTip tipText(const Card& card);
// Shows the card's tooltip at once at the pointer, after a gesture ends on it.
void popUpTip(Card& card);  // lets a held tip go first
// A tip over travelling cards would stay where they were picked up: it is held down while they move.
void holdCardTips(bool hold);
