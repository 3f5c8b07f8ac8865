#include "deck/history.h"

#include <unordered_map>

#include "app/table.h"
#include "cards/card_window.h"
#include "desk/winconst.h"
#include "deck/deck.h"
#include "deck/state.h"
#include "res/ids.h"

int32_t nextSnapshotSlot(uint32_t start, int32_t current) {
    if (current >= kHistorySlots - 1) return static_cast<int32_t>(start);
    int32_t s = static_cast<int32_t>(start) + current + 1;
    return s >= kHistorySlots ? s - kHistorySlots : s;
}

void writeSlot(int32_t slot, Card& card, desk::Window insertAfter) {
    if (slot < 0 || slot >= kHistorySlots) return;
    HistorySlot& h = card.history[static_cast<size_t>(slot)];
    h.faceUp = card.faceUp;
    h.x = h.y = 0;
    h.insertAfter = nullptr;
    if (card.window && card.placed) {
        h.x = card.rect.left;
        h.y = card.rect.top;
        h.insertAfter = insertAfter;
    }
}

void takeSnapshot() {
    int32_t slot = nextSnapshotSlot(table.historyStart, table.historyCurrent);
    if (slot < 0) return;
    std::vector<desk::Window> order = listCardWindows();
    // Position of each window in the z-order, so each card finds the one above it at once.
    std::unordered_map<desk::Window, size_t> place;
    place.reserve(order.size());
    for (size_t j = 0; j < order.size(); ++j) place.emplace(order[j], j);
    desk::Window current = table.currentCard ? table.currentCard->window : nullptr;
    for (const auto& card : table.deck.items()) {
        desk::Window above = nullptr;
        if (card->window && card->window != current) {
            auto it = place.find(card->window);
            if (it != place.end() && it->second >= 1) above = order[it->second - 1];
        }
        writeSlot(slot, *card, above);
    }
    if (table.historyCurrent < kHistorySlots - 1) {
        ++table.historyCurrent;
    } else if (++table.historyStart == kHistorySlots) {
        table.historyStart = 0;
    }
    table.redoCount = 0;
    if (table.historyCurrent > 0) desk::enableControl(table.panel, IDC_RP_UNDO, true);
    desk::enableControl(table.panel, IDC_RP_REDO, false);
    scheduleSave();
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
    if (table.historyCurrent >= 0) --table.historyCurrent;
    takeSnapshot();
}

namespace {

int32_t wrap(int64_t slot) {
    slot %= kHistorySlots;
    return static_cast<int32_t>(slot < 0 ? slot + kHistorySlots : slot);
}

void applyEachSlot(int32_t slot, desk::Batch batch, bool keepGoing) {
    for (const auto& card : table.deck.items()) {
        batch = applySlot(slot, *card, batch);
        if (!batch && !keepGoing) return;
    }
    if (batch) endBatchRefreshingMarks(batch);
}

// Moves, restacks and turns every card as the slot has it, in one batch; false when no batch could
// be begun. With keepGoing, a failed card does not stop the others from being tried (they then
// fail at once, without touching their faces). Faces may have turned, so the face buttons follow.
bool applySnapshot(int32_t slot, bool keepGoing) {
    desk::Batch batch = desk::beginBatch(static_cast<int>(table.deck.count()));
    if (!batch) return false;
    applyEachSlot(slot, batch, keepGoing);
    updateFaceButtons();
    return true;
}

}  // namespace

void undo() {
    desk::WaitCursor wait;
    if (table.historyCurrent <= 0) return;
    if (applySnapshot(wrap(int64_t{table.historyStart} + table.historyCurrent - 1), false)) {
        --table.historyCurrent;
        ++table.redoCount;
        scheduleSave();
    }
    if (table.historyCurrent == 0) desk::enableControl(table.panel, IDC_RP_UNDO, false);
    if (table.redoCount != 0) desk::enableControl(table.panel, IDC_RP_REDO, true);
}

void redo() {
    desk::WaitCursor wait;
    if (table.redoCount == 0) return;
    applySnapshot(wrap(int64_t{table.historyStart} + table.historyCurrent + 1), true);
    scheduleSave();
    --table.redoCount;
    ++table.historyCurrent;
    if (table.historyCurrent != 0) desk::enableControl(table.panel, IDC_RP_UNDO, true);
    if (table.redoCount == 0) desk::enableControl(table.panel, IDC_RP_REDO, false);
}

void restoreCurrent() {
    desk::WaitCursor wait;
    if (table.historyCurrent < 0) return;
    applySnapshot(wrap(int64_t{table.historyStart} + table.historyCurrent), false);
}
