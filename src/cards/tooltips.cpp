#include "cards/tooltips.h"

#include "app/table.h"
#include "deck/overlap.h"
#include "deck/suits.h"
#include "faces/face_text.h"

namespace {

constexpr uint32_t kRedText = 0x0034FF;   // a face-up heart or diamond
constexpr uint32_t kBlueText = 0x690000;  // everything else, face-down cards included

}  // namespace

CardTip tipText(const Card& card) {
    Pile pile;
    collectPile(card, false, pile);
    const size_t n = pile.size();
    CardTip tip;
    const bool red = card.faceUp && suitIsRed(card.suit);
    tip.colour = red ? kRedText : kBlueText;
    if (!card.faceUp) {
        tip.text = decimalText(n + 1) + u" 枚";
        return tip;
    }
    tip.text = suitOf(card.suit) ? suitOf(card.suit)->tip : u"";
    const std::u16string rank = rankText(card.rank);
    if (!rank.empty()) tip.text += u" " + rank;
    if (n > 0) tip.text += u" ほか " + decimalText(n) + u" 枚";
    return tip;
}

void holdCardTips(bool hold) {
    if (table.tipsHeld == hold) return;
    table.tipsHeld = hold;
    desk::holdTips(hold);
}

void popUpTip(Card& card) {
    holdCardTips(false);
    if (card.window) desk::showTip(card.window);
}
