// What a card window does with its messages: the window procedure cracks them and calls these.
#pragma once

#include <cstdint>

#include "deck/card.h"
#include "desk/desk.h"

void onCardCreated(Card& card, desk::Window w);
void onCardDestroyed(Card& card);
// The window now lies at r and shows or not (from its move, size and show handlers).
void onCardPlaced(Card& card, const desk::Rect& r, bool shown);
// The card leaves the spatial index and the marked cards (its window goes or is cut off).
void forgetCardPlace(Card& card);
// Sets the card's mark and redraws it when the mark changes.
void setMark(Card& card, uint32_t mark);
void onCardMoved(Card& card);
void onCardActivated(Card& card, uint32_t state);
void onCardFocusGained(Card& card, desk::Window lost);
void onCardFocusLost(Card& card, desk::Window gained);
// Keeps Card.marked of every card equal to its membership of the current card's pile.
void refreshMarks(Card& card);
// Ends a batch of moves with one refresh of the marks for all its moves.
bool endBatchRefreshingMarks(desk::Batch batch);

// Gestures, keys, timers and drops: handled by the card's mouse and keyboard operations.
void onLeftPress(Card& card, int32_t x, int32_t y);
void onLeftRelease(Card& card, int32_t x, int32_t y);
void onLeftDoubleClick(Card& card, int32_t x, int32_t y);
void onRightPress(Card& card, int32_t x, int32_t y);
void onRightRelease(Card& card, int32_t x, int32_t y);
void onRightDoubleClick(Card& card, int32_t x, int32_t y);
void onMiddlePress(Card& card, int32_t x, int32_t y);
void onMiddleRelease(Card& card, int32_t x, int32_t y);
void onMouseMove(Card& card, int32_t x, int32_t y);
void onCaptureChanged(Card& card);
void onTimer(Card& card, uintptr_t id);
void onKeyDown(Card& card, uint32_t vk, uint32_t flags);
void onKeyUp(Card& card, uint32_t vk, uint32_t flags);
