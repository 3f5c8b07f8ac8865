#include "cards/card_window.h"

#include <algorithm>
#include <new>
#include <unordered_set>

#include "app/table.h"
#include "deck/deck.h"
#include "deck/suits.h"
#include "deck/overlap.h"
#include "deck/table_events.h"
#include "faces/face_lookup.h"
#include "desk/winconst.h"

void onCardCreated(Card& card, desk::Window w) {
    card.window = w;
    refreshCardPicture(card);
}

void onCardDestroyed(Card& card) {
    card.spreadList.clear();
    forgetCardPlace(card);
}

void onCardActivated(Card& card, uint32_t state) {
    if (state != WA_ACTIVE && state != WA_CLICKACTIVE) return;
    table.currentCard = &card;
    desk::tellAccessibility(card.window, desk::AccessEvent::Focus);  // a screen reader says the new card
}

void onCardFocusGained(Card& card, desk::Window lost) {
    if (lost != card.window) refreshMarks(card);
}

void onCardFocusLost(Card& card, desk::Window gained) {
    if (gained != card.window) refreshMarks(card);
}

desk::Window createCardWindow(int32_t rank, Card* card, char16_t suit, int32_t index) {
    card->rank = rank;
    card->suit = suit;
    int32_t at = index / 10 + 200;
    return desk::createCardWindow(card, at, at, table.cardWidth, table.cardHeight, table.cardParent);
}

void createDefaultDeck() {
    std::vector<Card*> made;
    for (int32_t i = 0; i < 53; ++i) {
        auto card = std::unique_ptr<Card>(new (std::nothrow) Card());
        if (!card) break;
        made.push_back(card.get());
        table.deck.append(std::move(card));
    }
    // From the bottom card up, so that each new window comes on top and the pile stands in order.
    for (size_t i = made.size(); i-- > 0;) {
        const auto n = static_cast<int32_t>(i);
        createCardWindow(n == 0 ? 0 : (n - 1) % 13 + 1, made[i], n == 0 ? kJoker : kDealtSuits[(n - 1) / 13], n);
    }
    // Show every window and stack each directly below the one before, the joker on top. One batch,
    // so the desk can lay the whole pile in one pass.
    desk::Batch batch = desk::beginBatch(static_cast<int>(made.size()));
    desk::Window above = desk::kTop;
    for (Card* card : made) {
        if (!card->window) continue;
        batch = desk::defer(batch, card->window, above, 0, 0, 0, 0,
                            SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        above = card->window;
    }
    endBatchRefreshingMarks(batch);
    TableChange change;
    change.came = std::move(made);
    announce(std::move(change));
}

void rememberOrder() {
    std::vector<desk::Window>().swap(table.cycleOrder);
    if (table.deck.empty()) return;
    table.cycleOrder = listCardWindows();
    cueTable(TableCue::Order);
}

desk::Window cycleCard(bool previous) {
    const auto& order = table.cycleOrder;
    if (order.empty()) return nullptr;
    desk::Window current = table.currentCard ? table.currentCard->window : nullptr;
    auto it = current ? std::find(order.begin(), order.end(), current) : order.end();
    std::ptrdiff_t p = it == order.end() ? -1 : it - order.begin();
    auto n = static_cast<std::ptrdiff_t>(order.size());
    if (previous) return p - 1 >= 0 ? order[static_cast<size_t>(p - 1)] : order.back();
    return p + 1 < n ? order[static_cast<size_t>(p + 1)] : order.front();
}
