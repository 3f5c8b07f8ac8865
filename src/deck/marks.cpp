#include "deck/marks.h"

#include <algorithm>
#include <unordered_set>

#include "deck/model.h"
#include "deck/overlap.h"
#include "desk/winconst.h"

// While a left drag collects a trail, the trail owns the marks.
static bool collectingTrail(const Card& card) {
    const auto& log = card.gestureLog;
    return log.size() >= 2 && log[0] == WM_LBUTTONDOWN && log[1] == WM_MOUSEMOVE;
}

void onCardPlaced(Card& card, const desk::Rect& r, bool shown) {
    card.rect = r;
    card.shown = shown;
    card.placed = true;
    model.grid.place(card);
}

void forgetCardPlace(Card& card) {
    card.placed = false;
    card.shown = false;
    model.grid.remove(card);
    // Only a marked card is in the list (a refresh rebuilds it from the marks it sets).
    if (!card.marked) return;
    card.marked = false;
    auto& marked = model.markedCards;
    marked.erase(std::remove(marked.begin(), marked.end(), &card), marked.end());
}

void setMark(Card& card, bool mark) {
    if (card.marked == mark) return;
    card.marked = mark;
    if (mark) model.markedCards.push_back(&card);
    if (card.window) desk::invalidate(card.window);
}

namespace {

// While a batch is applied its moves only note that the marks need a refresh; the batch's end
// refreshes them once, so a batch of k moves costs one pile search instead of k.
int batchDepth = 0;
Card* refreshAfterBatch = nullptr;

}  // namespace

bool endBatchRefreshingMarks(desk::Batch batch) {
    ++batchDepth;
    bool ok = desk::endBatch(batch);
    if (--batchDepth == 0 && refreshAfterBatch) {
        Card* card = refreshAfterBatch;
        refreshAfterBatch = nullptr;
        refreshMarks(*card);
    }
    return ok;
}

void onCardMoved(Card& card) {
    if (batchDepth == 0)
        refreshMarks(card);
    else if (!collectingTrail(card))
        refreshAfterBatch = &card;
}

void refreshMarks(Card& card) {
    if (collectingTrail(card)) return;
    Pile pile;
    if (model.currentCard) collectPile(*model.currentCard, true, pile);
    // Only the cards marked before and the pile can change: the rest of the table is not visited.
    std::vector<Card*> before;
    before.swap(model.markedCards);
    std::unordered_set<const Card*> inPile(pile.begin(), pile.end());
    for (Card* c : before)
        if (!inPile.count(c)) setMark(*c, false);
    for (Card* c : pile) {
        if (c->marked)
            model.markedCards.push_back(c);
        else
            setMark(*c, true);
    }
}

void releaseCard(Card& card, bool detach) {
    forgetCardPlace(card);
    if (card.window && detach) desk::detachCard(card.window);
    card.picture.reset();
    card.spreadList.clear();
    card.trail.clear();
    std::vector<uint32_t>().swap(card.gestureLog);
}

void releaseAllCards() {
    auto& items = model.deck.items();
    // Every card goes: nothing is left to look up, so nothing is taken out of the lists one by one.
    model.markedCards.clear();
    for (const auto& c : items) c->marked = false;
    model.grid.clear();
    desk::detachAllCards();  // one step, not a window-system call per card
    while (!items.empty()) {
        std::unique_ptr<Card> card = model.deck.remove(items.size() - 1);
        if (model.currentCard == card.get()) model.currentCard = nullptr;
        releaseCard(*card, false);
    }
}

void closeAllCards() {
    auto& items = model.deck.items();
    while (!items.empty()) {
        Card& card = *items.back();
        if (card.window) desk::closeWindow(card.window);
        std::unique_ptr<Card> record = model.deck.remove(items.size() - 1);
        releaseCard(*record);
    }
    model.currentCard = nullptr;
}
