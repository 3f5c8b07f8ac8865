#include "deck/card_grid.h"

#include <algorithm>

void CardGrid::place(Card& card) {
    const int64_t cell = key(cellOf(card.rect.left), cellOf(card.rect.top));
    widest_ = std::max<int64_t>(widest_, card.rect.width());
    tallest_ = std::max<int64_t>(tallest_, card.rect.height());
    if (card.gridded && card.gridCell == cell) return;
    remove(card);
    std::vector<Card*>& bucket = cells_[cell];
    card.gridCell = cell;
    card.gridSlot = static_cast<uint32_t>(bucket.size());
    bucket.push_back(&card);
    card.gridded = true;
}

void CardGrid::remove(Card& card) {
    if (!card.gridded) return;
    card.gridded = false;
    auto cell = cells_.find(card.gridCell);
    if (cell == cells_.end()) return;
    std::vector<Card*>& bucket = cell->second;
    if (card.gridSlot >= bucket.size() || bucket[card.gridSlot] != &card) return;
    // The last card of the bucket takes the free slot.
    bucket[card.gridSlot] = bucket.back();
    bucket[card.gridSlot]->gridSlot = card.gridSlot;
    bucket.pop_back();
    if (bucket.empty()) cells_.erase(cell);
}

void CardGrid::clear() {
    for (auto& cell : cells_)
        for (Card* c : cell.second) c->gridded = false;
    cells_.clear();
    widest_ = tallest_ = 1;
}
