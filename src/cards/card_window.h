// What a card window does with its messages: the window procedure cracks them and calls these.
#pragma once

#include <cstdint>

#include "deck/card.h"
#include "deck/marks.h"
#include "desk/desk.h"

// Makes the card's window (hidden, on top, at the default place of the card made index-th).
desk::Window createCardWindow(int32_t rank, Card* card, char16_t suit, int32_t index);
// The 53 cards of a fresh table, stacked in one pile with the joker on top.
void createDefaultDeck();
// Remembers the cards' present z-order for cycling through them with the keys.
void rememberOrder();
desk::Window cycleCard(bool previous);

void onCardCreated(Card& card, desk::Window w);
void onCardDestroyed(Card& card);
void onCardActivated(Card& card, uint32_t state);
void onCardFocusGained(Card& card, desk::Window lost);
void onCardFocusLost(Card& card, desk::Window gained);

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
