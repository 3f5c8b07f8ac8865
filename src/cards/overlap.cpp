#include "cards/overlap.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "app/table.h"
#include "deck/deck.h"

namespace {

// The overlap arithmetic on two rectangles, in 32-bit signed integers as the ratio rule has it.
bool rectsOverlap(const desk::Rect& ref, const desk::Rect& r) {
    int32_t left = std::max(ref.left, r.left), right = std::min(ref.right, r.right);
    int32_t top = std::max(ref.top, r.top), bottom = std::min(ref.bottom, r.bottom);
    if (left >= right || top >= bottom) return false;
    int32_t area = ref.width() * ref.height();
    int32_t needed = area * static_cast<int32_t>(table.overlapRatio) / 100;
    return (right - left) * (bottom - top) >= needed;
}

// A visible card window and its rectangle.
bool shownRect(desk::Window w, desk::Rect& r) { return w && desk::isVisible(w) && desk::windowRect(w, r); }

}  // namespace

bool cardsOverlap(const desk::Rect& ref, desk::Window other) {
    desk::Rect r;
    return shownRect(other, r) && rectsOverlap(ref, r);
}

namespace {

struct Candidate {
    Card* card;
    desk::Rect rect;
};

int64_t floorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The chain rule: every card of rest that overlaps a member joins the pile, members taken in
// order, each one's finds in rest's order. Rest is bucketed by the cell of its top-left corner, so
// a member looks only at the few cells a card touching it can start in; for small tables the
// plain scan is quicker.
void chainRest(Pile& out, std::vector<Candidate>& rest) {
    if (rest.size() < 64) {
        for (size_t i = 0; i < out.size() && !rest.empty(); ++i) {
            desk::Rect link;
            if (!desk::windowRect(out[i]->window, link)) continue;
            auto kept = rest.begin();
            for (auto it = rest.begin(); it != rest.end(); ++it) {
                if (rectsOverlap(link, it->rect))
                    out.push_back(it->card);
                else
                    *kept++ = *it;
            }
            rest.erase(kept, rest.end());
        }
        return;
    }
    int64_t cellW = 1, cellH = 1;
    for (const Candidate& c : rest) {
        cellW = std::max<int64_t>(cellW, c.rect.width());
        cellH = std::max<int64_t>(cellH, c.rect.height());
    }
    auto cellKey = [](int64_t cx, int64_t cy) {
        return static_cast<int64_t>((static_cast<uint64_t>(cx) << 32) ^ static_cast<uint32_t>(cy));
    };
    std::unordered_map<int64_t, std::vector<uint32_t>> grid;
    grid.reserve(rest.size());
    for (uint32_t i = 0; i < rest.size(); ++i)
        grid[cellKey(floorDiv(rest[i].rect.left, cellW), floorDiv(rest[i].rect.top, cellH))].push_back(i);
    std::vector<char> taken(rest.size(), 0);
    size_t left = rest.size();
    std::vector<uint32_t> near;
    for (size_t i = 0; i < out.size() && left; ++i) {
        desk::Rect link;
        if (!desk::windowRect(out[i]->window, link)) continue;
        // A card of at most cellW x cellH meets the link only if it starts in these cells.
        near.clear();
        for (int64_t cx = floorDiv(int64_t{link.left} - cellW + 1, cellW); cx <= floorDiv(int64_t{link.right} - 1, cellW); ++cx)
            for (int64_t cy = floorDiv(int64_t{link.top} - cellH + 1, cellH); cy <= floorDiv(int64_t{link.bottom} - 1, cellH);
                 ++cy) {
                auto cell = grid.find(cellKey(cx, cy));
                if (cell == grid.end()) continue;
                for (uint32_t k : cell->second)
                    if (!taken[k]) near.push_back(k);
            }
        std::sort(near.begin(), near.end());
        for (uint32_t k : near) {
            if (!rectsOverlap(link, rest[k].rect)) continue;
            taken[k] = 1;
            --left;
            out.push_back(rest[k].card);
        }
    }
}

}  // namespace

void collectPile(const Card& card, bool includeItself, Pile& out) {
    out.clear();
    desk::Rect ref;
    if (!card.window || !desk::isAlive(card.window) || !desk::windowRect(card.window, ref)) return;

    // Each other card's rectangle is read once; hidden cards take no part, not even as links.
    std::vector<Candidate> rest;
    const auto& cards = table.deck.items();
    for (const auto& c : cards) {
        Card* q = c.get();
        if (q == &card && !includeItself) continue;
        desk::Rect r;
        if (!shownRect(q->window, r)) continue;
        if (rectsOverlap(ref, r))
            out.push_back(q);
        else
            rest.push_back({q, r});
    }
    if (table.judgeRecursively && !out.empty() && out.size() < cards.size()) chainRest(out, rest);
}

void sortByZOrder(Pile& pile) {
    if (pile.size() < 3) return;
    std::unordered_map<desk::Window, size_t> depth;
    std::vector<desk::Window> order = listCardWindows();
    depth.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i) depth.emplace(order[i], i);
    auto place = [&](const Card* c) {
        auto it = c ? depth.find(c->window) : depth.end();
        return it == depth.end() ? std::numeric_limits<size_t>::max() : it->second;
    };
    std::stable_sort(pile.begin(), pile.end(), [&](const Card* a, const Card* b) { return place(a) < place(b); });
}
