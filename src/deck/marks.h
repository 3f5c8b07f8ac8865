// Where the cards lie and which are marked: the spatial index follows each window's moves, and the
// marks follow the current card's pile.
#pragma once

#include <cstdint>

#include "deck/card.h"
#include "desk/desk.h"

// The window now lies at r and shows or not (from its move, size and show handlers).
void onCardPlaced(Card& card, const desk::Rect& r, bool shown);
// The card leaves the spatial index and the marked cards (its window goes or is cut off).
void forgetCardPlace(Card& card);
// Sets the card's mark and redraws it when the mark changes.
void setMark(Card& card, bool mark);
// The card's window moved: the marks follow at once, or at the end of the batch under way.
void onCardMoved(Card& card);
// Keeps Card.marked of every card equal to its membership of the current card's pile.
void refreshMarks(Card& card);
// Ends a batch of moves with one refresh of the marks for all its moves.
bool endBatchRefreshingMarks(desk::Batch batch);
// Releases what the record holds (cutting its window's tie unless all were cut); the caller then
// frees it.
void releaseCard(Card& card, bool detach = true);
// Releases every card, last first (shutdown).
void releaseAllCards();
// Closes every card's window and lets the records go, while the program goes on (another table
// takes the place of this one).
void closeAllCards();
