// Piles: which cards lie on or under a card closely enough to count as one heap.
#pragma once

#include <vector>

#include "deck/card.h"
#include "desk/desk.h"

using Pile = std::vector<Card*>;

// The card's pile: deck order for the cards on the card itself, then order of discovery.
void collectPile(const Card& card, bool includeItself, Pile& out);
// The Deck's order; records the Deck does not hold are dropped.
void sortByDeckOrder(Pile& pile);
// Top-most card window first; lists under three entries keep their order.
void sortByZOrder(Pile& pile);
