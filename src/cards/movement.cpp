#include "cards/movement.h"

#include <algorithm>
#include <cmath>

#include "app/table.h"
#include "cards/card_window.h"
#include "deck/overlap.h"
#include "deck/table_events.h"
#include "cards/tooltips.h"
#include "desk/winconst.h"
#include "res/ids.h"

namespace {

constexpr uint32_t kLeadMove = SWP_NOSIZE | SWP_NOZORDER;                        // 5
constexpr uint32_t kFollowerMove = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;   // 0x15
constexpr uint32_t kKeyMove = SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER;     // 0x205
constexpr uint32_t kRestack = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;          // 0x13

// Ends a batch of a gesture under way; the listeners hear of the cards it moved, with more to come.
void endCarryStep(desk::Batch batch, std::vector<Card*> moved) {
    if (!endBatchRefreshingMarks(batch)) return;
    TableChange change;
    moved.erase(std::remove(moved.begin(), moved.end(), nullptr), moved.end());
    change.changed = std::move(moved);
    change.settled = false;
    announce(std::move(change));
}

// Moves every card of the group by the same shift in one batch; nothing moves if a step fails.
void shiftGroup(Card& lead, int32_t dx, int32_t dy) {
    desk::Batch batch = desk::beginBatch(static_cast<int>(lead.trail.size()));
    if (!batch) return;
    for (Card* c : lead.trail) {
        desk::Rect r;
        if (!c || !desk::windowRect(c->window, r)) continue;
        batch = desk::defer(batch, c->window, nullptr, r.left + dx, r.top + dy, 0, 0,
                            c == &lead ? kLeadMove : kFollowerMove);
        if (!batch) return;
    }
    endCarryStep(batch, {lead.trail.begin(), lead.trail.end()});
}

// The trail, top-most first, directly beneath the lead card, one after the other.
void restackBeneath(Card& lead) {
    desk::Batch batch = desk::beginBatch(static_cast<int>(lead.trail.size()));
    desk::Window above = lead.window;
    for (Card* c : lead.trail) {
        if (!c || c == &lead) continue;
        batch = desk::defer(batch, c->window, above, 0, 0, 0, 0, kRestack);
        above = c->window;
    }
    endCarryStep(batch, {lead.trail.begin(), lead.trail.end()});
}

void moveOne(const Card& card, int32_t x, int32_t y, uint32_t flags) {
    desk::Batch batch = desk::beginBatch(1);
    batch = desk::defer(batch, card.window, nullptr, x, y, 0, 0, flags);
    endBatchRefreshingMarks(batch);
}

desk::Point keyShift(uint32_t direction) {
    switch (direction) {
    case VK_LEFT: return {-table.cardWidth, 0};
    case VK_RIGHT: return {table.cardWidth, 0};
    case VK_UP: return {0, -table.cardHeight};
    case VK_DOWN: return {0, table.cardHeight};
    default: return {0, 0};
    }
}

int32_t sign(double v) { return v < 0 ? -1 : 1; }

}  // namespace

bool cardWorkArea(const Card& card, desk::Rect& out) { return card.window && desk::workAreaNear(card.window, out); }

void dragGroup(Card& lead, desk::Point p) {
    if (lead.trail.empty()) return;
    desk::Rect r;
    if (!desk::windowRect(lead.window, r)) return;
    holdCardTips(true);
    shiftGroup(lead, p.x - lead.grabOffset.x - r.left, p.y - lead.grabOffset.y - r.top);
}

void stackUnder(Card& lead, bool recompute) {
    if (recompute) {
        Pile pile;
        collectPile(lead, true, pile);
        lead.trail.assign(pile.begin(), pile.end());
    }
    Pile ordered(lead.trail.begin(), lead.trail.end());
    sortByZOrder(ordered);
    lead.trail.assign(ordered.begin(), ordered.end());
    restackBeneath(lead);
}

void moveCardByKey(Card& card, uint32_t direction, bool firstPress) {
    if (firstPress) cueTable(TableCue::Press);
    desk::Rect r;
    if (!desk::windowRect(card.window, r)) return;
    desk::Point shift = keyShift(direction);
    int32_t x = r.left + shift.x, y = r.top + shift.y;
    desk::Rect wa{};
    if (!cardWorkArea(card, wa)) wa = {};
    if (x + table.cardWidth > wa.right) x = wa.right - table.cardWidth;
    if (x < wa.left) x = wa.left;
    if (y + table.cardHeight > wa.bottom) y = wa.bottom - table.cardHeight;
    if (y < wa.top) y = wa.top;
    moveOne(card, x, y, kKeyMove);
}

void movePileByKey(Card& card, uint32_t direction, bool firstPress) {
    if (firstPress) {
        cueTable(TableCue::Press);
        stackUnder(card, true);
    }
    desk::Rect wa{};
    if (!cardWorkArea(card, wa)) wa = {};
    desk::Point shift = keyShift(direction);
    for (Card* c : card.trail) {
        desk::Rect r;
        if (!c || !desk::windowRect(c->window, r)) continue;
        if (r.right + shift.x > wa.right) shift.x = wa.right - r.right;
        if (r.left + shift.x < wa.left) shift.x = wa.left - r.left;
        if (r.bottom + shift.y > wa.bottom) shift.y = wa.bottom - r.bottom;
        if (r.top + shift.y < wa.top) shift.y = wa.top - r.top;
    }
    shiftGroup(card, shift.x, shift.y);
}

void gatherSpreadStep(Card& centre, bool spread) {
    desk::Rect r0, wa;
    if (!desk::windowRect(centre.window, r0) || !cardWorkArea(centre, wa)) return;
    const double m = std::min(wa.width(), wa.height());
    desk::Batch batch = desk::beginBatch(static_cast<int>(centre.spreadList.size()));
    if (!batch) return;
    const int32_t avg = (table.cardWidth + table.cardHeight) / 2;
    const double step = avg * 0.1;
    const double k = (1 - step) / m;
    bool movedFromCentre = false;
    for (const SpreadEntry& e : centre.spreadList) {
        desk::Rect r1;
        if (!desk::windowRect(e.window, r1)) continue;
        const double d = std::sqrt(double(r1.left - r0.left) * (r1.left - r0.left) +
                                   double(r1.top - r0.top) * (r1.top - r0.top));
        int32_t x, y;
        if (spread) {
            if (r1.left == wa.left || r1.right == wa.right || r1.top == wa.top || r1.bottom == wa.bottom) continue;
            double r;
            if (d == 0) {
                // Cards on the centre card's place leave it one per step.
                if (movedFromCentre) continue;
                movedFromCentre = true;
                r = step;
            } else {
                r = step + (1 + k) * d;
            }
            const double fx = std::cos(e.angle) * r, fy = std::sin(e.angle) * r;
            const int32_t ox = static_cast<int32_t>(fx), oy = static_cast<int32_t>(fy);
            x = r0.left + ox;
            y = r0.top + oy;
            if (ox == 0 && oy == 0) {
                if (fx == fy) {
                    x = r0.left + sign(fx);
                    y = r0.top + sign(fy);
                } else if (std::fabs(fy) >= std::fabs(fx)) {
                    x = r1.left;
                    y = r0.top + sign(fy);
                } else {
                    x = r0.left + sign(fx);
                    y = r1.top;
                }
            }
        } else {
            if (d == 0) continue;
            const double r = std::max(0.0, d - (step + k * d));
            x = r0.left + static_cast<int32_t>(std::cos(e.angle) * r);
            y = r0.top + static_cast<int32_t>(std::sin(e.angle) * r);
        }
        x = std::min(std::max(x, wa.left), wa.right - table.cardWidth);
        y = std::min(std::max(y, wa.top), wa.bottom - table.cardHeight);
        batch = desk::defer(batch, e.window, nullptr, x, y, 0, 0, kFollowerMove);
        if (!batch) return;
    }
    endBatchRefreshingMarks(batch);
}
