#include "cards/card_window.h"

#include "app/table.h"
#include "desk/winconst.h"

void onCardCreated(Card& card, desk::Window w) { card.window = w; }

void onCardDestroyed(Card& card) { card.spreadList.clear(); }

void onCardMoved(Card& card) { refreshMarks(card); }

void onCardActivated(Card& card, uint32_t state) {
    if (state == WA_ACTIVE || state == WA_CLICKACTIVE) table.currentCard = &card;
}

void onCardFocusGained(Card& card, desk::Window lost) {
    if (lost != card.window) refreshMarks(card);
}

void onCardFocusLost(Card& card, desk::Window gained) {
    if (gained != card.window) refreshMarks(card);
}

// Piles and their marks arrive with overlap detection; until then no card is marked.
void refreshMarks(Card&) {}
