#include "dialogs/takeout.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "app/table.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "cards/card_window.h"
#include "deck/suits.h"
#include "deck/table_events.h"
#include "deck/state_file.h"
#include "desk/winconst.h"
#include "faces/face_text.h"
#include "res/ids.h"

namespace {

constexpr int kTableButtons[] = {IDC_RP_GATHER, IDC_RP_SCATTER, IDC_RP_SEQUENCE, IDC_RP_SHUFFLE};

bool roomForOneMore() { return table.deck.count() + table.unshownCards.size() < kMaxStateCards; }

// A new face-up card, shown and appended to the Deck and the list; false when it cannot be made.
bool makeCard(char16_t suit, int32_t rank, CardListSeam& list) {
    auto card = std::unique_ptr<Card>(new (std::nothrow) Card());
    if (!card) return false;
    card->faceUp = true;
    if (!createCardWindow(rank, card.get(), suit, static_cast<int32_t>(table.deck.count()))) return false;
    if (!list.append(cardItemData(*card))) {
        desk::closeWindow(card->window);
        return false;
    }
    desk::showWindow(card->window);
    table.deck.append(std::move(card));
    return true;
}

void setTableButtons(bool enabled) {
    for (int id : kTableButtons) desk::enableControl(table.panel, id, enabled);
}

// A take-out starts the history afresh: the cards made (the last ones of the Deck) have no earlier
// place to go back to.
void afterTakeOut(size_t made) {
    table.historyStart = 0;
    table.historyCurrent = -1;
    table.redoCount = 0;
    if (table.deck.count() >= 2) {
        setTableButtons(true);
        rememberOrder();
    }
    TableChange change;
    for (size_t i = table.deck.count() - made; i < table.deck.count(); ++i) change.came.push_back(&table.deck.at(i));
    announce(std::move(change));
}

}  // namespace

uint32_t cardItemData(const Card& card) {
    return (static_cast<uint32_t>(card.rank) << 16) | (static_cast<uint32_t>(card.suit) & 0xFFFFu);
}

TakeOutResult takeOut(const std::vector<int>& suitIndices, const std::vector<int>& rankIndices, CardListSeam& list) {
    TakeOutResult result;
    if (suitIndices.empty() || rankIndices.empty()) return result;
    desk::WaitCursor wait;
    for (int s : suitIndices) {
        if (s < 0 || s > 3) continue;
        for (int r : rankIndices) {
            if (r < 0 || r > 12) continue;
            if (!roomForOneMore()) {
                result.limited = true;
                break;
            }
            if (!makeCard(kDealtSuits[s], r + 1, list)) break;  // the rest of this suit is skipped
            ++result.made;
        }
        if (result.limited) break;
    }
    if (result.made) afterTakeOut(result.made);  // one that made nothing leaves the history and the order
    return result;
}

TakeOutResult takeOutJoker(CardListSeam& list) {
    TakeOutResult result;
    if (!roomForOneMore()) {
        result.limited = true;
        return result;
    }
    if (!makeCard(kJoker, 0, list)) return result;
    result.made = 1;
    afterTakeOut(1);
    return result;
}

std::u16string takeOutLimitText(size_t made) {
    return u"カードを " + decimalText(made) + u" 枚出しました。\r\n\r\nテーブルのカードが上限の 10,000 枚になったため、"
                               u"残りは出していません。";
}

void putAway(const std::vector<size_t>& ascending, CardListSeam& list) {
    if (ascending.empty()) return;
    desk::WaitCursor wait;
    std::vector<Card*> leaving;
    for (size_t i : ascending)
        if (i < table.deck.count()) leaving.push_back(&table.deck.at(i));
    forgetCards(leaving);
    // The records live until the listeners have heard that they went.
    std::vector<std::unique_ptr<Card>> gone;
    for (auto i = ascending.rbegin(); i != ascending.rend(); ++i) {
        if (*i >= table.deck.count()) continue;
        Card& card = table.deck.at(*i);
        if (card.window) desk::closeWindow(card.window);
        gone.push_back(table.deck.remove(*i));
        releaseCard(*gone.back());
        list.remove(*i);
    }
    if (table.deck.count() <= 1) setTableButtons(false);
    if (table.deck.empty()) rememberOrder();
    TableChange change;
    for (auto c = gone.rbegin(); c != gone.rend(); ++c) change.went.push_back(c->get());
    announce(std::move(change));
}

CardItemText cardItemText(uint32_t itemData) {
    const char16_t suit = static_cast<char16_t>(itemData & 0xFFFF);
    const uint32_t rank = itemData >> 16;
    CardItemText t;
    if (suit == kJoker) {
        t.joker = true;
        t.symbol = u"Joker";
        return t;
    }
    const Suit* s = isSuit(suit) ? suitOf(suit) : suitOf(kDiamonds);  // an unknown code shows as ♦, in black
    t.symbol = std::u16string(1, s->glyph);
    t.red = suitIsRed(suit);
    static const char16_t* const ranks[] = {u" A", u" 2", u" 3", u" 4", u" 5", u" 6", u" 7",
                                            u" 8", u" 9", u"10", u" J", u" Q", u" K"};
    if (rank >= 1 && rank <= 13) t.rank = ranks[rank - 1];
    return t;
}
