// Where the cards lie: every placed card by the cell of its top-left corner, so that the cards
// near a rectangle are found without visiting the whole table.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "deck/card.h"
#include "desk/desk.h"

class CardGrid {
public:
    // Files the card under its rectangle (card.rect), or moves it there.
    void place(Card& card);
    void remove(Card& card);
    void clear();
    // Every placed card whose rectangle may meet r (a superset: the caller checks each rectangle).
    template <typename Visit>
    void visitNear(const desk::Rect& r, Visit visit) const {
        if (cells_.empty()) return;
        for (int64_t cx = cellOf(int64_t{r.left} - widest_ + 1); cx <= cellOf(int64_t{r.right} - 1); ++cx)
            for (int64_t cy = cellOf(int64_t{r.top} - tallest_ + 1); cy <= cellOf(int64_t{r.bottom} - 1); ++cy) {
                auto cell = cells_.find(key(cx, cy));
                if (cell == cells_.end()) continue;
                for (Card* c : cell->second) visit(*c);
            }
    }

private:
    static constexpr int64_t kCell = 64;
    static int64_t cellOf(int64_t v) { return v >= 0 ? v / kCell : -((-v + kCell - 1) / kCell); }
    static int64_t key(int64_t cx, int64_t cy) {
        return static_cast<int64_t>((static_cast<uint64_t>(cx) << 32) ^ static_cast<uint32_t>(cy));
    }
    std::unordered_map<int64_t, std::vector<Card*>> cells_;
    int64_t widest_ = 1;   // the largest card ever filed: a card starting further off cannot meet r
    int64_t tallest_ = 1;
};
