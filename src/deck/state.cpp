#include "deck/state.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "deck/deck.h"
#include "deck/marks.h"
#include "deck/model.h"
#include "deck/table_events.h"
#include "desk/winconst.h"

StateData collectTable() {
    StateData d;
    d.overlapRatio = model.overlapRatio;
    d.judgeRecursively = model.judgeRecursively;
    d.cardWidth = model.cardWidth;
    d.cardHeight = model.cardHeight;
    d.drawIndex = model.drawIndex;
    d.soundOn = model.soundOn;
    d.overwriteConflicts = model.overwriteConflicts;
    d.keys = model.keys;
    if (model.deck.empty()) return d;

    std::unordered_map<desk::Window, const Card*> byWindow;
    byWindow.reserve(model.deck.count());
    for (const auto& c : model.deck.items())
        if (c->window) byWindow.emplace(c->window, c.get());
    // Cards read from the file that never got a window (the system had no more to give) are kept
    // as they were read; they were the top ones, made last.
    for (const StateCard& c : model.unshownCards) {
        if (d.cards.size() == kMaxStateCards) return d;
        d.cards.push_back(c);
    }
    // Top first; a card window that belongs to no card is left out, and so is a card without a
    // window, so the count always matches the records. Never more than the reader takes.
    for (desk::Window w : listCardWindows()) {
        auto it = byWindow.find(w);
        if (it == byWindow.end() || !it->second->placed) continue;
        const Card& c = *it->second;
        d.cards.push_back({c.suit, c.rank, c.rect.left, c.rect.top, c.faceUp});
        if (d.cards.size() == kMaxStateCards) break;
    }
    return d;
}

namespace {

// Windows gives a process a limited number of windows (10,000 by default, the panel and dialogs
// among them): cards read beyond that get none. They leave the Deck but are kept as read, so the
// next save writes them again.
void keepCardsWithoutWindows(const StateData& d, std::vector<Card*>& made) {
    model.unshownCards.clear();
    for (size_t i = 0; i < made.size(); ++i) {
        if (made[i]->window) continue;
        model.unshownCards.push_back(d.cards[i]);
        made[i] = nullptr;  // its record goes below
    }
    if (model.unshownCards.empty()) return;
    auto& items = model.deck.items();
    items.erase(std::remove_if(items.begin(), items.end(), [](const std::unique_ptr<Card>& c) { return !c->window; }),
                items.end());
}

}  // namespace

void layTable(const StateData& d, desk::Window owner, const std::function<void(size_t)>& madeSoFar) {
    model.overlapRatio = d.overlapRatio;
    model.judgeRecursively = d.judgeRecursively != 0;
    model.cardWidth = d.cardWidth;
    model.cardHeight = d.cardHeight;
    model.drawIndex = d.drawIndex;
    model.soundOn = d.soundOn != 0;
    model.overwriteConflicts = d.overwriteConflicts;
    model.keys = d.keys;

    std::vector<Card*> made;
    made.reserve(d.cards.size());
    for (size_t i = 0; i < d.cards.size(); ++i) {
        auto card = std::make_unique<Card>();
        card->faceUp = d.cards[i].faceUp != 0;
        card->rank = d.cards[i].rank;
        card->suit = d.cards[i].suit;
        made.push_back(card.get());
        model.deck.append(std::move(card));
    }
    // The windows are made from the bottom card up: each new window comes on top, so they stand
    // in file order already and the batch below only places and shows them.
    for (size_t i = made.size(); i-- > 0;) {
        const int32_t at = static_cast<int32_t>(i) / 10 + 200;
        desk::createCardWindow(made[i], at, at, model.cardWidth, model.cardHeight, owner);
        madeSoFar(made.size() - i);
    }
    keepCardsWithoutWindows(d, made);
    // Placed, shown and stacked in file order in one batch; the first is shown activated, so it
    // becomes the current card.
    desk::Batch batch = desk::beginBatch(static_cast<int>(made.size()));
    desk::Window above = desk::kTop;
    for (size_t i = 0; i < made.size(); ++i) {
        Card* card = made[i];
        if (!card) continue;
        uint32_t flags = SWP_SHOWWINDOW | (above == desk::kTop ? 0 : SWP_NOACTIVATE);
        batch = desk::defer(batch, card->window, above, d.cards[i].x, d.cards[i].y, model.cardWidth,
                            model.cardHeight, flags);
        above = card->window;
    }
    endBatchRefreshingMarks(batch);
    TableChange change;
    change.laid = true;
    for (Card* card : made)
        if (card) change.came.push_back(card);
    cueTable(TableCue::All);
    announce(std::move(change));
}
