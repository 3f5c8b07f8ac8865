// Deck-wide operations: building the default table, finding card windows, the cycling order.
#pragma once

#include <cstdint>
#include <vector>

#include "deck/card.h"
#include "desk/desk.h"

desk::Window createCardWindow(int32_t rank, Card* card, char16_t suit, int32_t index);
void createDefaultDeck();
// This program's card windows in z-order, top first.
std::vector<desk::Window> listCardWindows();
bool isCardWindowTitle(const char16_t* title, size_t length);
void rememberOrder();
desk::Window cycleCard(bool previous);
void updateFaceButtons();
// Releases every card, last first (shutdown).
void releaseAllCards();
