#include "cards/spoken.h"

#include <algorithm>

#include "app/table.h"
#include "deck/deck.h"
#include "deck/overlap.h"
#include "deck/suits.h"
#include "deck/table_events.h"
#include "desk/desk.h"
#include "faces/face_text.h"

namespace {

std::u16string rankWord(int32_t rank) {
    switch (rank) {
    case 1: return u"エース";
    case 11: return u"ジャック";
    case 12: return u"クイーン";
    case 13: return u"キング";
    default: return decimalText(static_cast<size_t>(rank));
    }
}

}  // namespace

std::u16string spokenName(const Card& card) {
    if (!card.faceUp) return u"裏向きのカード";
    const Suit* suit = suitOf(card.suit);
    if (!suit) return u"カード";
    if (card.suit == kJoker) return suit->spoken;
    return std::u16string(suit->spoken) + u"の " + rankWord(card.rank);
}

std::u16string spokenPile(const Card& card) {
    Pile pile;
    collectPile(card, false, pile);
    return pile.empty() ? std::u16string() : u"ほか " + decimalText(pile.size()) + u" 枚";
}

SpokenState spokenState(const Card& card) {
    SpokenState s;
    s.current = table.currentCard == &card;
    s.marked = card.marked != 0;
    // Carried: in the group that follows the pointer, which the card holding the mouse leads.
    const Card* lead = table.deck.find(desk::capture());
    s.carried = lead && std::find(lead->trail.begin(), lead->trail.end(), &card) != lead->trail.end();
    return s;
}

void listenForSpeech() {
    listenToTable({[](const TableChange& change) {
                       for (Card* c : change.came) c->spokenFaceUp = c->faceUp;
                       if (change.laid)
                           for (const auto& c : table.deck.items()) c->spokenFaceUp = c->faceUp;
                       for (Card* c : change.changed) {
                           if (c->spokenFaceUp == static_cast<int8_t>(c->faceUp)) continue;
                           const bool known = c->spokenFaceUp >= 0;
                           c->spokenFaceUp = c->faceUp;
                           if (known && c->window) desk::tellAccessibility(c->window, desk::AccessEvent::NameChange);
                       }
                   },
                   {}});
}
