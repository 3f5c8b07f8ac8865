// The cards' tooltips.
#pragma once

#include "deck/card.h"

// Shows the card's tooltip at once, after a gesture ends on it.
void popUpTip(Card& card);
