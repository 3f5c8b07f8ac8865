#include "app/commands.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/panel.h"
#include "app/table.h"
#include "cards/card_window.h"
#include "deck/overlap.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "deck/suits.h"
#include "deck/table_events.h"
#include "app/keeping.h"
#include "desk/winconst.h"
#include "res/ids.h"

namespace {

constexpr double kDegree = 0.017453292519943295;
constexpr int32_t kEdgeMargin = 10;  // kept between a gathered pile and the work area's edge
constexpr int32_t kPanelGap = 30;    // between a gathered pile and the panel it would cover
// A gathered pile slants down to the right by a quarter of the card's shorter side.
constexpr int32_t kSlantShare = 4;
constexpr double kTurn = 6.283185307179586;

void bringCurrentForward() {
    if (table.currentCard && table.currentCard->window) desk::setForeground(table.currentCard->window);
}

void turnAll(bool faceUp) {
    desk::WaitCursor wait;  // thousands of cards take a while
    cueTable(TableCue::All);
    for (const auto& c : table.deck.items()) {
        if (c->faceUp == faceUp) continue;
        c->faceUp = faceUp;
        if (c->window) desk::invalidate(c->window);
    }
    bringCurrentForward();
    takeSnapshot();
}

}  // namespace

void turnAllFaceUp() { turnAll(true); }
void turnAllFaceDown() { turnAll(false); }

void scatter() {
    desk::WaitCursor wait;  // thousands of cards take a while
    desk::Rect wa;
    if (!workArea(wa)) return;
    desk::Batch batch = desk::beginBatch(static_cast<int>(table.deck.count()));
    if (!batch) return;
    const int32_t gx = wa.width() / 2, gy = wa.height() / 2;
    int32_t l = std::min(gx, gy) - std::max(table.cardWidth / 2, table.cardHeight / 2);
    if (l <= 0) l = 1;
    for (const auto& c : table.deck.items()) {
        const int32_t d = table.random.pick(l + 1);
        const double a = table.random.pick(360) * kDegree;
        const int32_t x = static_cast<int32_t>(d * std::cos(a)) + wa.left + gx - table.cardWidth / 2;
        const int32_t y = static_cast<int32_t>(d * std::sin(a)) + wa.top + gy - table.cardHeight / 2;
        batch = desk::defer(batch, c->window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (!batch) return;
    }
    if (!endBatchRefreshingMarks(batch)) return;
    cueTable(TableCue::All);
    bringCurrentForward();
    takeSnapshot();
}

void gather() {
    desk::WaitCursor wait;  // thousands of cards take a while
    desk::Point pointer;
    desk::Rect panel, wa;
    if (!desk::cursorPos(pointer) || !desk::windowRect(table.panel, panel) || !workArea(wa)) return;
    desk::Batch batch = desk::beginBatch(static_cast<int>(table.deck.count()));
    if (!batch) return;
    cueTable(TableCue::Gather);
    const int32_t w = table.cardWidth, h = table.cardHeight;
    int32_t x = pointer.x - w / 2, y = pointer.y - h / 2;
    // Not under the panel: beside it, on the side with more room.
    const bool overPanel = x < panel.right && x + w - 1 > panel.left && y < panel.bottom && y + h - 1 > panel.top;
    if (overPanel)
        x = (panel.left - wa.left) > (wa.right - panel.right) ? panel.left - w / kSlantShare - w - kPanelGap
                                                              : panel.right + kPanelGap;
    x = std::max(x, wa.left + kEdgeMargin);
    y = std::max(y, wa.top + kEdgeMargin);
    x = std::min(x, wa.right - w - kEdgeMargin);
    y = std::min(y, wa.bottom - h - kEdgeMargin);
    int64_t q = static_cast<int64_t>(table.deck.count()) * kSlantShare / std::min(w, h);
    if (q <= 0) q = 1;
    std::vector<desk::Window> windows = listCardWindows();
    // The moves are handed over from the top card down: a window system that applies them one at
    // a time then slides each card under those already gathered, where nothing of it shows and
    // nothing needs repainting (from the bottom card up it costs Wine five times as much).
    for (size_t n = 0; n < windows.size(); ++n) {
        const auto offset = static_cast<int32_t>(static_cast<int64_t>(n) / q);
        // No size: a card keeps the card size anyway, and a move that passes one makes every card
        // build and compare its shape again.
        batch = desk::defer(batch, windows[n], nullptr, x + offset, y + offset, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (!batch) return;
    }
    // The moves repaint what they uncover and the mark refresh what it marks; nothing else changed.
    if (!endBatchRefreshingMarks(batch)) return;
    bringCurrentForward();
    takeSnapshot();
}

void divide(int32_t piles) {
    desk::WaitCursor wait;  // thousands of cards take a while
    desk::Rect wa;
    if (!workArea(wa)) return;
    const int32_t width = wa.width(), height = wa.height();
    std::vector<desk::Window> windows = listCardWindows();
    const auto n = static_cast<int32_t>(windows.size());
    const int32_t k = std::min(piles, n);
    if (k < 2) return;
    desk::Batch batch = desk::beginBatch(n);
    if (!batch) return;
    cueTable(TableCue::Gather);
    const double radius = std::min(width, height) * 0.25;
    const int32_t x0 = wa.left + width / 2 - table.cardWidth / 2;
    const int32_t y0 = wa.top + height / 2 - table.cardHeight / 2;
    const double step = kTurn / k;
    // Dealt from the bottom of the table up: the deal reverses the stacking.
    desk::Window previous = nullptr;
    for (int32_t j = 0; j < n; ++j) {
        desk::Window w = windows[static_cast<size_t>(n - 1 - j)];
        const double t = j * step;
        const int32_t o = 10 * j / n;
        const int32_t x = static_cast<int32_t>(radius * std::cos(t)) + o + x0;
        const int32_t y = static_cast<int32_t>(radius * std::sin(t)) + o + y0;
        batch = desk::defer(batch, w, previous ? previous : desk::kTop, x, y, 0, 0,
                            SWP_NOSIZE | (previous ? SWP_NOACTIVATE : 0));
        if (!batch) return;
        previous = w;
    }
    if (!endBatchRefreshingMarks(batch)) return;
    bringCurrentForward();
    takeSnapshot();
}

void shufflePile() {
    desk::WaitCursor wait;
    if (!table.currentCard) return;
    Pile pile;
    collectPile(*table.currentCard, true, pile);
    if (pile.empty()) return;
    std::vector<desk::Point> places;
    for (Card* c : pile) {
        desk::Rect r;
        desk::windowRect(c->window, r);
        places.push_back({r.left, r.top});
    }
    desk::Batch batch = desk::beginBatch(static_cast<int>(pile.size()));
    if (!batch) return;
    desk::Window previous = nullptr;
    for (size_t i = 0; i < places.size(); ++i) {
        // One card of those not yet placed, chosen in the pile's order.
        const auto chosen = static_cast<size_t>(table.random.pick(static_cast<int32_t>(pile.size())));
        Card* c = pile[chosen];
        pile.erase(pile.begin() + static_cast<std::ptrdiff_t>(chosen));
        batch = desk::defer(batch, c->window, previous ? previous : desk::kTop, places[i].x, places[i].y, 0, 0,
                            SWP_NOSIZE);
        if (!batch) return;
        previous = c->window;
    }
    if (!endBatchRefreshingMarks(batch)) return;
    cueTable(TableCue::All);
    takeSnapshot();
}

uint32_t sequenceKey(char16_t suit, int32_t rank) {
    const Suit* s = suitOf(suit);
    return (s ? s->sortNumber : 0) * 65536u + (static_cast<uint32_t>(rank) & 0xFFFFu);
}

void sequenceAll() {
    desk::WaitCursor wait;  // thousands of cards take a while
    auto& cards = table.deck.items();
    if (cards.size() < 2) return;
    // A stable sort gives exactly the order of repeated neighbour exchanges, in n log n.
    std::stable_sort(cards.begin(), cards.end(), [](const std::unique_ptr<Card>& a, const std::unique_ptr<Card>& b) {
        return sequenceKey(a->suit, a->rank) < sequenceKey(b->suit, b->rank);
    });
    desk::Batch batch = desk::beginBatch(static_cast<int>(cards.size()));
    if (!batch) return;
    desk::Window previous = nullptr;
    for (const auto& c : cards) {
        if (!c->window) continue;
        batch = desk::defer(batch, c->window, previous ? previous : desk::kTop, 0, 0, 0, 0,
                            SWP_NOMOVE | SWP_NOSIZE | (previous ? SWP_NOACTIVATE : 0));
        if (!batch) return;
        previous = c->window;
    }
    cueTable(TableCue::All);
    if (!endBatchRefreshingMarks(batch)) return;
    takeSnapshot();
}

void applySettings() {
    SettingsBlock& pending = table.settingsBlock;
    const bool drawChanged = pending.drawIndex != table.drawIndex;
    const bool sizeChanged = pending.width != table.cardWidth || pending.height != table.cardHeight;
    if (sizeChanged) {
        desk::WaitCursor wait;
        table.cardWidth = pending.width;
        table.cardHeight = pending.height;
        desk::Batch batch = desk::beginBatch(static_cast<int>(table.deck.count()));
        // Last to first, as the cards were laid; the stacking stays exactly as it is.
        const auto& cards = table.deck.items();
        for (auto c = cards.rbegin(); c != cards.rend(); ++c) {
            if (!(*c)->window) continue;
            if (!drawChanged) desk::recompose(**c, true);
            batch = desk::defer(batch, (*c)->window, nullptr, 0, 0, table.cardWidth, table.cardHeight,
                                SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (table.deck.count()) desk::recompose(*cards.front(), false);
        endBatchRefreshingMarks(batch);
        for (const auto& c : cards)
            if (c->window) desk::invalidate(c->window);
    }
    if (drawChanged) {
        table.drawIndex = pending.drawIndex;
        for (const auto& c : table.deck.items()) {
            if (!c->window) continue;
            desk::recompose(*c, true);
            if (c->faceUp && !sizeChanged) desk::invalidate(c->window);  // a new size repainted them all
        }
    }
    table.soundOn = pending.soundOn;
    saveState();
    bringCurrentForward();
}
