#include "deck/history.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "deck/deck.h"
#include "deck/marks.h"
#include "deck/model.h"
#include "deck/table_events.h"
#include "desk/winconst.h"

int32_t nextSnapshotSlot(uint32_t start, int32_t current) {
    if (current >= kHistorySlots - 1) return static_cast<int32_t>(start);
    int32_t s = static_cast<int32_t>(start) + current + 1;
    return s >= kHistorySlots ? s - kHistorySlots : s;
}

namespace {

HistorySlot slotOf(const Card& card, desk::Window insertAfter) {
    HistorySlot h;
    h.faceUp = card.faceUp;
    if (card.window && card.placed) {
        h.x = card.rect.left;
        h.y = card.rect.top;
        h.insertAfter = insertAfter;
    }
    return h;
}

}  // namespace

void writeSlot(int32_t slot, Card& card, desk::Window insertAfter) {
    if (slot < 0 || slot >= kHistorySlots) return;
    card.history[static_cast<size_t>(slot)] = slotOf(card, insertAfter);
}

namespace {

bool sameSlot(const HistorySlot& a, const HistorySlot& b) {
    return a.faceUp == b.faceUp && a.x == b.x && a.y == b.y && a.insertAfter == b.insertAfter;
}

// The present table as one snapshot: each card's face and place, and the window directly above it
// (none for the current card, which comes to the top when the snapshot is applied).
std::vector<HistorySlot> presentSlots() {
    std::vector<desk::Window> order = listCardWindows();
    // Position of each window in the z-order, so each card finds the one above it at once.
    std::unordered_map<desk::Window, size_t> place;
    place.reserve(order.size());
    for (size_t j = 0; j < order.size(); ++j) place.emplace(order[j], j);
    desk::Window current = model.currentCard ? model.currentCard->window : nullptr;
    std::vector<HistorySlot> slots;
    slots.reserve(model.deck.count());
    for (const auto& card : model.deck.items()) {
        desk::Window above = nullptr;
        if (card->window && card->window != current) {
            auto it = place.find(card->window);
            if (it != place.end() && it->second >= 1) above = order[it->second - 1];
        }
        slots.push_back(slotOf(*card, above));
    }
    return slots;
}

// Records the present table in the slot; the cards that differ from what the reference slot holds
// (read before the slot is written, so it may be the slot itself).
std::vector<Card*> recordSnapshot(int32_t slot, int32_t reference) {
    std::vector<HistorySlot> present = presentSlots();
    std::vector<Card*> changed;
    const auto& items = model.deck.items();
    for (size_t i = 0; i < items.size(); ++i) {
        Card& card = *items[i];
        // Without a snapshot before (a fresh history), nothing says what stayed: every card counts.
        if (reference < 0 || !sameSlot(card.history[static_cast<size_t>(reference)], present[i])) changed.push_back(&card);
        card.history[static_cast<size_t>(slot)] = present[i];
    }
    return changed;
}

int32_t wrap(int64_t slot) {
    slot %= kHistorySlots;
    return static_cast<int32_t>(slot < 0 ? slot + kHistorySlots : slot);
}

int32_t currentSlot() {
    return model.historyCurrent < 0 ? -1 : wrap(int64_t{model.historyStart} + model.historyCurrent);
}

void tellChanged(std::vector<Card*> changed) {
    TableChange change;
    change.changed = std::move(changed);
    announce(std::move(change));
}

}  // namespace

void takeSnapshot() {
    int32_t slot = nextSnapshotSlot(model.historyStart, model.historyCurrent);
    if (slot < 0) return;
    std::vector<Card*> changed = recordSnapshot(slot, currentSlot());
    if (model.historyCurrent < kHistorySlots - 1) {
        ++model.historyCurrent;
    } else if (++model.historyStart == kHistorySlots) {
        model.historyStart = 0;
    }
    model.redoCount = 0;
    tellChanged(std::move(changed));
}

desk::Batch applySlot(int32_t slot, Card& card, desk::Batch batch) {
    if (slot < 0 || slot >= kHistorySlots || !batch) return nullptr;
    const HistorySlot& h = card.history[static_cast<size_t>(slot)];
    if (card.faceUp != h.faceUp) {
        card.faceUp = h.faceUp;
        if (card.window) desk::invalidate(card.window);
    }
    // The card above stays above; the top card and the one that was current come to the top and
    // may take the activation, so the current card of that moment is current again.
    uint32_t flags = SWP_NOSIZE | (h.insertAfter ? SWP_NOACTIVATE : 0);
    return desk::defer(batch, card.window, h.insertAfter, h.x, h.y, 0, 0, flags);
}

void replaceLatestSnapshot() {
    const int32_t slot = currentSlot();
    if (slot < 0) {
        takeSnapshot();
        return;
    }
    model.redoCount = 0;
    tellChanged(recordSnapshot(slot, slot));
}

void takeInOutsideChange() {
    const int32_t slot = currentSlot();
    if (slot >= 0) recordSnapshot(slot, slot);
}

namespace {

void applyEachSlot(int32_t slot, desk::Batch batch, bool keepGoing) {
    for (const auto& card : model.deck.items()) {
        batch = applySlot(slot, *card, batch);
        if (!batch && !keepGoing) return;
    }
    if (batch) endBatchRefreshingMarks(batch);
}

// The cards the slot would change: in face, place or stacking.
std::vector<Card*> differFrom(int32_t slot) {
    std::vector<HistorySlot> present = presentSlots();
    std::vector<Card*> changed;
    const auto& items = model.deck.items();
    for (size_t i = 0; i < items.size(); ++i)
        if (!sameSlot(items[i]->history[static_cast<size_t>(slot)], present[i])) changed.push_back(items[i].get());
    return changed;
}

// Moves, restacks and turns every card as the slot has it, in one batch; false when no batch could
// be begun. With keepGoing, a failed card does not stop the others from being tried (they then
// fail at once, without touching their faces).
bool applySnapshot(int32_t slot, bool keepGoing) {
    desk::Batch batch = desk::beginBatch(static_cast<int>(model.deck.count()));
    if (!batch) return false;
    applyEachSlot(slot, batch, keepGoing);
    return true;
}

}  // namespace

void undo() {
    desk::WaitCursor wait;
    if (!canUndo()) return;
    if (model.takeOwnStep) return model.takeOwnStep(true);
    const int32_t slot = wrap(int64_t{model.historyStart} + model.historyCurrent - 1);
    std::vector<Card*> changed = differFrom(slot);
    if (!applySnapshot(slot, false)) return;
    --model.historyCurrent;
    ++model.redoCount;
    tellChanged(std::move(changed));
}

void redo() {
    desk::WaitCursor wait;
    if (!canRedo()) return;
    if (model.takeOwnStep) return model.takeOwnStep(false);
    const int32_t slot = wrap(int64_t{model.historyStart} + model.historyCurrent + 1);
    std::vector<Card*> changed = differFrom(slot);
    applySnapshot(slot, true);
    --model.redoCount;
    ++model.historyCurrent;
    tellChanged(std::move(changed));
}

void restoreCurrent() {
    desk::WaitCursor wait;
    const int32_t slot = currentSlot();
    if (slot < 0) return;
    std::vector<Card*> changed = differFrom(slot);
    if (applySnapshot(slot, false)) tellChanged(std::move(changed));
}

// Every snapshot that had a leaving card directly above a staying one puts the staying card
// beneath whatever was above the leaving one, so an undo restacks only windows that exist; no
// trail, remembered order or current card keeps it.
void forgetCards(const std::vector<Card*>& leaving) {
    std::unordered_set<const Card*> gone(leaving.begin(), leaving.end());
    std::unordered_map<desk::Window, desk::Window> above;
    for (size_t slot = 0; slot < kHistorySlots; ++slot) {
        above.clear();
        for (Card* c : leaving)
            if (c->window) above[c->window] = c->history[slot].insertAfter;
        for (const auto& c : model.deck.items()) {
            if (gone.count(c.get())) continue;
            desk::Window w = c->history[slot].insertAfter;
            for (size_t hops = 0; w && hops <= leaving.size(); ++hops) {
                auto it = above.find(w);
                if (it == above.end()) break;
                w = it->second;
            }
            c->history[slot].insertAfter = w;
        }
    }
    for (const auto& c : model.deck.items())
        c->trail.remove_if([&](Card* t) { return gone.count(t) != 0; });
    std::unordered_set<desk::Window> windows;
    for (Card* c : leaving) windows.insert(c->window);
    auto& order = model.cycleOrder;
    order.erase(std::remove_if(order.begin(), order.end(), [&](desk::Window w) { return windows.count(w) != 0; }),
                order.end());
    if (gone.count(model.currentCard)) model.currentCard = nullptr;
}
