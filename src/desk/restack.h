// How a batch of moves and restacks reaches the screen, planned as plain data so that the rules can
// be checked without a window system: the fewest windows are raised (each raise costs Wine a pass
// over all windows), the windows already in order only move, in one deferred batch, windows that
// appear are shown from the top down (so X reports only what really is visible), and tooltips are
// taken down first (a top-most tip would keep a raise from reaching the screen under Wine).
#pragma once

#include <cstdint>
#include <vector>

#include "desk/desk.h"

namespace desk {

// One request of a batch: move, size, show and restack as SetWindowPos flags say.
struct BatchEntry {
    Window w = nullptr;
    Window after = nullptr;  // kTop, kBottom or a window
    int32_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t flags = 0;
};

// A top-level window as it stands before the batch.
struct StackedWindow {
    Window w = nullptr;
    bool topMost = false;
    bool ours = false;  // this thread's
    bool visible = false;
    Rect rect;
};

// One window-system call of the plan.
struct RestackMove {
    Window w = nullptr;
    int32_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t flags = 0;
};

struct RestackPlan {
    bool takeDownTips = false;
    std::vector<RestackMove> raises;   // each to the top, in this order (the lowest first)
    std::vector<RestackMove> inPlace;  // then one deferred batch that keeps the z-order
    std::vector<RestackMove> shows;    // then shown one by one, the top first
    bool shownByMoves = false;         // some of the in-place moves show their window
};

// The plan for the entries that restack (those without SWP_NOZORDER), given the z-order as it
// stands, top first. Entries that only move are not part of it.
RestackPlan planRestack(const std::vector<BatchEntry>& entries, const std::vector<StackedWindow>& now);

}  // namespace desk
