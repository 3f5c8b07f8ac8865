#include "deck/history.h"

#include <unordered_map>

#include "app/table.h"
#include "deck/deck.h"
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
    desk::Rect r;
    if (card.window && desk::isAlive(card.window) && desk::windowRect(card.window, r)) {
        h.x = r.left;
        h.y = r.top;
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
}
