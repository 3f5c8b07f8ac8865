#include "deck/state.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "app/panel.h"
#include "app/table.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "desk/winconst.h"
#include "res/ids.h"

StateData collectState() {
    StateData d;
    desk::Point panel;
    if (table.panel && desk::restoredPosition(table.panel, panel)) {
        d.panelX = panel.x;
        d.panelY = panel.y;
    }
    d.overlapRatio = table.overlapRatio;
    d.judgeRecursively = table.judgeRecursively;
    d.cardWidth = table.cardWidth;
    d.cardHeight = table.cardHeight;
    d.drawIndex = table.drawIndex;
    d.soundOn = table.soundOn;
    d.overwriteConflicts = table.overwriteConflicts;
    d.keys = table.keys;
    if (table.deck.empty()) return d;

    std::unordered_map<desk::Window, const Card*> byWindow;
    byWindow.reserve(table.deck.count());
    for (const auto& c : table.deck.items())
        if (c->window) byWindow.emplace(c->window, c.get());
    // Top first; a card window that belongs to no card is left out, and so is a card without a
    // window, so the count always matches the records. Never more than the reader takes.
    for (desk::Window w : listCardWindows()) {
        auto it = byWindow.find(w);
        desk::Rect r;
        if (it == byWindow.end() || !desk::windowRect(w, r)) continue;
        const Card& c = *it->second;
        d.cards.push_back({c.suit, c.rank, r.left, r.top, c.faceUp});
        if (d.cards.size() == kMaxStateCards) break;
    }
    return d;
}

void saveState() {
    std::u16string path = stateFilePath(desk::modulePath());
    if (path.empty()) return;
    std::vector<uint8_t> bytes;
    try {
        bytes = encodeState(collectState());
    } catch (const std::bad_alloc&) {
        return;
    }
    desk::replaceFile(path, bytes);
}

void applyState(const StateData& d) {
    desk::Rect work{};
    if (!workArea(work)) work = {};
    if (table.panel) desk::moveWindow(table.panel, std::max(d.panelX, work.left), std::max(d.panelY, work.top));
    table.overlapRatio = d.overlapRatio;
    table.judgeRecursively = d.judgeRecursively;
    table.cardWidth = d.cardWidth;
    table.cardHeight = d.cardHeight;
    table.drawIndex = d.drawIndex;
    table.soundOn = d.soundOn;
    desk::setCheck(table.panel, IDC_RP_RECURSIVE, table.judgeRecursively != 0);

    std::vector<Card*> made;
    made.reserve(d.cards.size());
    for (size_t i = 0; i < d.cards.size(); ++i) {
        const StateCard& s = d.cards[i];
        auto card = std::make_unique<Card>();
        card->faceUp = s.faceUp;
        createCardWindow(s.rank, card.get(), s.suit, static_cast<int32_t>(i));
        made.push_back(card.get());
        table.deck.append(std::move(card));
    }
    // Placed, shown and stacked in file order in one batch; the first is shown activated, so it
    // becomes the current card.
    desk::Batch batch = desk::beginBatch(static_cast<int>(made.size()));
    desk::Window above = desk::kTop;
    for (size_t i = 0; i < made.size(); ++i) {
        Card* card = made[i];
        if (!card->window) continue;
        uint32_t flags = SWP_SHOWWINDOW | (i == 0 ? 0 : SWP_NOACTIVATE);
        batch = desk::defer(batch, card->window, above, d.cards[i].x, d.cards[i].y, table.cardWidth,
                            table.cardHeight, flags);
        above = card->window;
    }
    endBatchRefreshingMarks(batch);
    playTableSound(IDS_RP_ALL);
    table.overwriteConflicts = d.overwriteConflicts;
    table.keys = d.keys;
    updateFaceButtons();
}

bool loadState() {
    std::u16string path = stateFilePath(desk::modulePath());
    std::vector<uint8_t> bytes;
    StateData d;
    if (path.empty() || !desk::readFile(path, kMaxStateFileBytes, bytes)) return false;
    if (!decodeState(bytes.data(), bytes.size(), d)) return false;
    applyState(d);
    return true;
}
