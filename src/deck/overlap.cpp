#include "deck/overlap.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "deck/model.h"
#include "deck/deck.h"

namespace {

// The overlap arithmetic on two rectangles, in 32-bit signed integers as the ratio rule has it.
bool rectsOverlap(const desk::Rect& ref, const desk::Rect& r) {
    int32_t left = std::max(ref.left, r.left), right = std::min(ref.right, r.right);
    int32_t top = std::max(ref.top, r.top), bottom = std::min(ref.bottom, r.bottom);
    if (left >= right || top >= bottom) return false;
    int32_t area = ref.width() * ref.height();
    int32_t needed = area * static_cast<int32_t>(model.overlapRatio) / 100;
    return (right - left) * (bottom - top) >= needed;
}

}  // namespace

void sortByDeckOrder(Pile& pile) {
    std::vector<std::pair<size_t, Card*>> keyed;
    keyed.reserve(pile.size());
    for (Card* c : pile) {
        size_t i = model.deck.indexOf(*c);
        if (i != Deck::kNotInDeck) keyed.emplace_back(i, c);
    }
    std::sort(keyed.begin(), keyed.end());
    pile.clear();
    for (const auto& k : keyed) pile.push_back(k.second);
}

namespace {

uint32_t searchStamp = 0;

// The shown cards of the Deck not yet seen that meet rect by the ratio, in the Deck's order, each
// now seen. Only the cards the spatial index files near rect are visited.
void collectNear(const desk::Rect& rect, Pile& found) {
    const size_t first = found.size();
    model.grid.visitNear(rect, [&](Card& c) {
        if (c.seen == searchStamp || !c.shown || !c.window || !rectsOverlap(rect, c.rect)) return;
        c.seen = searchStamp;
        found.push_back(&c);
    });
    Pile fresh(found.begin() + static_cast<std::ptrdiff_t>(first), found.end());
    sortByDeckOrder(fresh);
    found.resize(first);
    found.insert(found.end(), fresh.begin(), fresh.end());
}

}  // namespace

void collectPile(const Card& card, bool includeItself, Pile& out) {
    out.clear();
    if (!card.window || !card.placed) return;
    if (++searchStamp == 0) {
        // The stamp came round: no card may look seen by an earlier search.
        for (const auto& c : model.deck.items()) c->seen = 0;
        searchStamp = 1;
    }
    // A card left out is never reached through the chain either; hidden cards take no part at all.
    if (!includeItself) const_cast<Card&>(card).seen = searchStamp;
    collectNear(card.rect, out);
    if (!model.judgeRecursively || out.empty() || out.size() >= model.deck.count()) return;
    // The chain: every card overlapping a member joins, members taken in order, each one's finds
    // in the Deck's order.
    for (size_t i = 0; i < out.size(); ++i) collectNear(out[i]->rect, out);
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
