// Mouse gestures on cards, and the operations the keyboard shares with them.
#pragma once

#include <cstdint>
#include <vector>

#include "deck/card.h"

// The gesture log's states: the left-button messages since the press that began the gesture.
enum class Gesture {
    None,          // no left gesture
    Held,          // D: button held, not yet moved
    Dragging,      // D M: dragging, collecting a trail
    PickedUp,      // D U: picked up by a click, follows the pointer
    Carried,       // D U M: carried after leaving the drag rectangle
    TrailHanging,  // D M U: trail released, hanging beneath the lead card
    TrailCarried,  // D M U M
    PileHeld,      // D U W: pile picked up by a double-click, button still held
    PileHanging,   // D U W U
    PileCarried,   // D U W U M
    Unexpected,
};

Gesture gestureOf(const std::vector<uint32_t>& log);

constexpr uintptr_t kKeySpreadTimer = 256;
constexpr uintptr_t kMouseSpreadTimer = 519;
constexpr uintptr_t kFollowPointerTimer = 0xF011;  // cards carried where moves may not come
constexpr uint32_t kFollowPointerMs = 15;

enum class SpreadMode { Mouse, Key };

void putDown(Card& card);
void flipCard(Card& card, int32_t x, int32_t y);
void flipPile(Card& card, int32_t x, int32_t y);
void beginGatherSpread(Card& card, SpreadMode mode, int32_t x = 0, int32_t y = 0);
void endGatherSpread(Card& card);
bool beyondDragRect(const Card& card, desk::Point pointer);
void markTrail(Card& card, bool start);
