// The decisions of the take-out and put-away dialog, apart from its window: making cards from the
// chosen suits and ranks within the table's limit, putting chosen cards away for good, and what
// the dialog's card list shows for an item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "deck/card.h"

// The dialog's list of the Deck's cards, item i standing for Deck entry i.
struct CardListSeam {
    std::function<bool(uint32_t itemData)> append;  // false when the list refuses the item
    std::function<void(size_t index)> remove;
};

// Rank in bits 16-31, suit code in bits 0-15.
uint32_t cardItemData(const Card& card);

struct TakeOutResult {
    size_t made = 0;
    bool limited = false;  // stopped at the table's maximum before everything chosen was made
};
// One face-up card for every chosen suit and rank, suits first, in list order (suit indices 0-3:
// ♥ ♠ ♣ ♦; rank indices 0-12: A to K), as long as the table holds fewer than its maximum.
TakeOutResult takeOut(const std::vector<int>& suitIndices, const std::vector<int>& rankIndices, CardListSeam& list);
TakeOutResult takeOutJoker(CardListSeam& list);
// What the user is told when a take-out stops at the maximum.
std::u16string takeOutLimitText(size_t made);

// Puts the cards of these list items (ascending) away, the last first: window closed, record gone,
// and nothing left that refers to it (the history's stacking, the remembered order).
void putAway(const std::vector<size_t>& ascending, CardListSeam& list);

// What an item of the card list shows: the suit's symbol and the rank padded to two characters,
// red for hearts and diamonds; "Joker" alone for the joker.
struct CardItemText {
    std::u16string symbol;
    std::u16string rank;
    bool red = false;
    bool joker = false;
};
CardItemText cardItemText(uint32_t itemData);
