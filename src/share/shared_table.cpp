#include "share/shared_table.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "deck/deck.h"
#include "deck/history.h"
#include "deck/marks.h"
#include "deck/model.h"
#include "deck/table_events.h"
#include "desk/winconst.h"
#include "share/message.h"

namespace share {

double UnitMap::scale() const {
    const double sx = static_cast<double>(work.width()) / std::max(width, 1);
    const double sy = static_cast<double>(work.height()) / std::max(height, 1);
    return std::max(std::min(sx, sy), 1e-6);
}

Place UnitMap::toUnits(const desk::Rect& card) const {
    const auto units = [&](int32_t twice, int32_t origin) {
        const double u = std::round((twice / 2.0 - origin) / scale());
        return static_cast<int32_t>(std::clamp(u, double{-kMostUnits}, double{kMostUnits}));
    };
    return {units(card.left + card.right, work.left), units(card.top + card.bottom, work.top)};
}

desk::Point UnitMap::toPixels(Place centre, int32_t cardWidth, int32_t cardHeight) const {
    const auto pixels = [&](int32_t u, int32_t origin, int32_t side) {
        return static_cast<int32_t>(std::lround(u * scale() + origin - side / 2.0));
    };
    return {pixels(centre.x, work.left, cardWidth), pixels(centre.y, work.top, cardHeight)};
}

namespace {

// A carried card's places go out at most this often; the last one always goes, as the change that
// ends the carry.
constexpr uint32_t kStepMs = 33;

void bind(SharedTable& s, Card* card, const CardId& id) {
    s.cards[id] = card;
    s.ids[card] = id;
}

void unbind(SharedTable& s, const Card* card) {
    auto it = s.ids.find(card);
    if (it == s.ids.end()) return;
    s.cards.erase(it->second);
    s.ids.erase(it);
    s.shownAt.erase(card);
}

bool sameSpot(desk::Point a, desk::Point b) { return a.x == b.x && a.y == b.y; }

void writePlace(SharedTable& s, Changes& out, const CardId& id, const Card& card) {
    out.writes.push_back({id, Register::Place, s.units.toUnits(card.rect), false, {}});
    s.shownAt[&card] = {card.rect.left, card.rect.top};
}

// The shared cards bottom first, as their windows stand.
std::vector<std::pair<CardId, Card*>> stackedBottomUp(const SharedTable& s) {
    std::unordered_map<desk::Window, std::pair<CardId, Card*>> byWindow;
    for (const auto& [id, card] : s.cards)
        if (card->window && card->placed) byWindow.emplace(card->window, std::make_pair(id, card));
    std::vector<std::pair<CardId, Card*>> out;
    const std::vector<desk::Window> order = listCardWindows();
    for (auto w = order.rbegin(); w != order.rend(); ++w) {
        auto it = byWindow.find(*w);
        if (it != byWindow.end()) out.push_back(it->second);
    }
    return out;
}

// The longest run of cards, bottom up, whose keys already rise: they keep them.
std::vector<bool> keptOrder(const std::vector<const OrderKey*>& keys) {
    std::vector<size_t> tails, previous(keys.size(), SIZE_MAX);
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!keys[i]) continue;
        auto at = std::lower_bound(tails.begin(), tails.end(), i, [&](size_t t, size_t k) { return *keys[t] < *keys[k]; });
        if (at != tails.begin()) previous[i] = *std::prev(at);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<bool> kept(keys.size(), false);
    for (size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = previous[i]) kept[i] = true;
    return kept;
}

// New order keys for the fewest cards, those outside the longest run that kept its order, each
// between its neighbours; the whole table afresh when a key would grow too long.
void writeOrder(SharedTable& s, Changes& out) {
    const auto cards = stackedBottomUp(s);
    std::vector<const OrderKey*> keys;
    keys.reserve(cards.size());
    for (const auto& c : cards) {
        auto it = s.replica.cards.find(c.first);
        keys.push_back(it != s.replica.cards.end() && !it->second.order.empty() ? &it->second.order : nullptr);
    }
    const std::vector<bool> kept = keptOrder(keys);
    std::vector<size_t> nextKept(cards.size() + 1, SIZE_MAX);
    for (size_t i = cards.size(); i-- > 0;) nextKept[i] = kept[i] ? i : nextKept[i + 1];
    std::vector<std::pair<size_t, OrderKey>> fresh;
    OrderKey below;
    bool tooLong = false;
    for (size_t i = 0; i < cards.size() && !tooLong; ++i) {
        if (kept[i]) {
            below = *keys[i];
            continue;
        }
        const size_t above = nextKept[i];
        OrderKey key = keyBetween(below, above == SIZE_MAX ? OrderKey{} : *keys[above], s.session, out.stamp.counter,
                                  static_cast<uint16_t>(fresh.size()));
        tooLong = key.empty() || key.size() > kMostOrderKeyBytes;
        below = key;
        fresh.emplace_back(i, std::move(key));
    }
    if (tooLong) {
        std::vector<OrderKey> all = freshKeys(cards.size(), s.session, out.stamp.counter);
        fresh.clear();
        for (size_t i = 0; i < cards.size(); ++i) fresh.emplace_back(i, std::move(all[i]));
    }
    for (auto& [i, key] : fresh) out.writes.push_back({cards[i].first, Register::Order, {}, false, std::move(key)});
}

std::vector<CardId> send(SharedTable& s, const Changes& out) {
    std::vector<CardId> touched = applyChanges(s.replica, out);
    if (s.publish) s.publish(encodeChanges(out));
    return touched;
}

// What a register of a card holds now; false when it holds nothing (a card not made yet is
// absent, and has no place, face or order to go back to).
bool heldNow(const Replica& replica, const CardId& id, Register reg, Write& out) {
    out = {id, reg, {}, false, {}};
    auto it = replica.cards.find(id);
    if (it == replica.cards.end()) return reg == Register::Present;
    const SharedCard& c = it->second;
    switch (reg) {
    case Register::Place: out.place = c.place; return true;
    case Register::Face: out.on = c.faceUp; return true;
    case Register::Order: out.order = c.order; return !c.order.empty();
    case Register::Present: out.on = c.present; return true;
    }
    return false;
}

// The writes of this player's own step, each register with what it held before the step began.
void record(SharedTable& s, const Changes& out) {
    for (const Write& w : out.writes) {
        auto [at, fresh] = s.step.at.emplace(std::make_pair(w.card, w.reg), s.step.writes.size());
        if (!fresh) {
            s.step.writes[at->second].after = w;
            continue;
        }
        StepWrite sw;
        sw.hadBefore = heldNow(s.replica, w.card, w.reg, sw.before);
        sw.after = w;
        s.step.writes.push_back(std::move(sw));
    }
}

// The change that ends a step makes it the newest to undo; a new step leaves nothing to redo.
void endStep(SharedTable& s) {
    if (s.step.writes.empty()) return;
    s.undoSteps.push_back(std::move(s.step));
    s.step = {};
    s.redoSteps.clear();
    if (s.undoSteps.size() > model.historyCapacity) s.undoSteps.erase(s.undoSteps.begin());
    announce({});  // the undo button lights up, redo goes dark (told only when that is news)
}

void tableChanged(SharedTable& s, const TableChange& change) {
    if (!s.attached) return;
    // A gesture's last step is kept until a change ends it: a gesture that ends without one (the
    // mouse taken away mid-carry) still sends its last places and its stacking (showHeld).
    s.unsentStep.clear();
    if (!change.settled) {
        for (Card* card : change.changed) {
            auto it = s.ids.find(card);
            if (it != s.ids.end()) s.unsentStep.push_back(it->second);
        }
        const uint32_t now = desk::tickCount();
        if (now - s.lastStepTick < kStepMs) return;
        s.lastStepTick = now;
    }
    Changes out;
    // The next counter, taken only when something is sent (applying it moves the clock on).
    out.stamp = {s.replica.clock + 1, s.session};
    for (Card* card : change.came) {
        const CardId id{s.session, out.stamp.counter, static_cast<uint32_t>(out.creations.size())};
        bind(s, card, id);
        out.creations.push_back({id, card->suit, card->rank});
        out.writes.push_back({id, Register::Present, {}, true, {}});
        out.writes.push_back({id, Register::Face, {}, card->faceUp, {}});
        if (card->placed) writePlace(s, out, id, *card);
    }
    for (Card* card : change.went) {
        auto it = s.ids.find(card);
        if (it == s.ids.end()) continue;
        out.writes.push_back({it->second, Register::Present, {}, false, {}});
        unbind(s, card);
    }
    for (Card* card : change.changed) {
        auto it = s.ids.find(card);
        if (it == s.ids.end()) continue;
        const CardId id = it->second;
        auto shown = s.shownAt.find(card);
        if (card->placed && (shown == s.shownAt.end() || !sameSpot(shown->second, {card->rect.left, card->rect.top})))
            writePlace(s, out, id, *card);
        auto held = s.replica.cards.find(id);
        if (held == s.replica.cards.end() || held->second.faceUp != card->faceUp)
            out.writes.push_back({id, Register::Face, {}, card->faceUp, {}});
    }
    // The stacking goes with the change that ends a gesture, not with every step of a carry.
    if (change.settled && (!change.changed.empty() || !change.came.empty())) writeOrder(s, out);
    if (!out.creations.empty() || !out.writes.empty()) {
        record(s, out);
        send(s, out);
    }
    if (change.settled) endStep(s);
}

void showShared(SharedTable& s, const std::vector<CardId>& touched);

// Undo writes what the step's registers held before it, redo what they held after, both as new
// writes of this player's (over anyone's later change to the same card, as the one who undoes
// expects). Shown at once, and never recorded as a step of its own.
void takeOwnStep(SharedTable& s, bool back) {
    std::vector<OwnStep>& from = back ? s.undoSteps : s.redoSteps;
    if (from.empty()) return;
    OwnStep step = std::move(from.back());
    from.pop_back();
    Changes out;
    out.stamp = {s.replica.clock + 1, s.session};
    for (const StepWrite& w : step.writes)
        if (!back || w.hadBefore) out.writes.push_back(back ? w.before : w.after);
    (back ? s.redoSteps : s.undoSteps).push_back(std::move(step));
    const std::vector<CardId> touched = send(s, out);
    if (touched.empty())
        announce({});
    else
        showShared(s, touched);
}

void listen(SharedTable& s) {
    s.listener = listenToTable({[&s](const TableChange& change) { tableChanged(s, change); }, {}});
    model.canTakeOwnStep = [&s](bool back) { return !(back ? s.undoSteps : s.redoSteps).empty(); };
    model.takeOwnStep = [&s](bool back) { takeOwnStep(s, back); };
    announce({});  // the undo and redo buttons follow the own steps
}

// Stacks the shared cards' windows as the replica orders them, top first, activating nothing.
void restackAsShared(SharedTable& s) {
    std::vector<desk::Window> target;
    for (const CardId& id : stacking(s.replica)) {
        auto it = s.cards.find(id);
        if (it != s.cards.end() && it->second->window) target.push_back(it->second->window);
    }
    std::vector<desk::Window> now;
    for (const auto& c : stackedBottomUp(s)) now.push_back(c.second->window);
    std::reverse(now.begin(), now.end());
    if (now == target) return;
    desk::Batch batch = desk::beginBatch(static_cast<int>(target.size()));
    desk::Window above = desk::kTop;
    for (desk::Window w : target) {
        batch = desk::defer(batch, w, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = w;
    }
    endBatchRefreshingMarks(batch);
}

}  // namespace

void startSharing(SharedTable& s, uint64_t session, const desk::Rect& work, desk::Window owner,
                  std::function<void(const std::vector<uint8_t>&)> publish) {
    s.session = session;
    s.units = {work, std::max(work.width(), 1), std::max(work.height(), 1)};
    s.owner = owner;
    s.publish = std::move(publish);
    Changes out;
    out.stamp = {nextCounter(s.replica), session};
    uint32_t index = 0;
    for (const auto& card : model.deck.items()) {
        if (!card->window || !card->placed) continue;
        const CardId id{0, 0, ++index};
        bind(s, card.get(), id);
        out.creations.push_back({id, card->suit, card->rank});
        out.writes.push_back({id, Register::Present, {}, true, {}});
        out.writes.push_back({id, Register::Face, {}, card->faceUp, {}});
        writePlace(s, out, id, *card);
    }
    const auto cards = stackedBottomUp(s);
    std::vector<OrderKey> keys = freshKeys(cards.size(), session, out.stamp.counter);
    for (size_t i = 0; i < cards.size(); ++i)
        out.writes.push_back({cards[i].first, Register::Order, {}, false, std::move(keys[i])});
    send(s, out);
    listen(s);
}

void joinSharing(SharedTable& s, uint64_t session, const desk::Rect& work, int32_t tableWidth, int32_t tableHeight,
                 desk::Window owner, std::function<void(const std::vector<uint8_t>&)> publish) {
    s.session = session;
    s.units = {work, std::max(tableWidth, 1), std::max(tableHeight, 1)};
    s.owner = owner;
    s.publish = std::move(publish);
    closeAllCards();  // the player's own table makes way for the shared one
    listen(s);
}

namespace {

// Shows what the replica now holds for these cards: one batch that activates nothing, windows
// made and closed, the stacking as the replica orders it; never told back.
void showShared(SharedTable& s, const std::vector<CardId>& touched) {
    ChangesFrom fromThem(s.listener);
    TableChange change;
    std::vector<std::unique_ptr<Card>> gone;
    // Bottom first: a window made comes up on top of those made before it, so a table laid by a
    // join is made in its stacking and leaves nothing to restack (under Wine, restacking thousands
    // of windows one raise at a time costs minutes).
    std::vector<const CardId*> bottomUp;
    bottomUp.reserve(touched.size());
    for (const CardId& id : touched) bottomUp.push_back(&id);
    std::sort(bottomUp.begin(), bottomUp.end(), [&s](const CardId* a, const CardId* b) {
        const OrderKey &ka = s.replica.cards.at(*a).order, &kb = s.replica.cards.at(*b).order;
        return ka < kb || (ka == kb && *a < *b);
    });
    struct Shown {
        desk::Window window;
        desk::Point at;
        uint32_t flags;
    };
    std::vector<Shown> shown;
    shown.reserve(touched.size());
    for (const CardId* each : bottomUp) {
        const CardId& id = *each;
        const SharedCard& shared = s.replica.cards.at(id);
        auto it = s.cards.find(id);
        Card* card = it == s.cards.end() ? nullptr : it->second;
        if (!shared.present) {
            if (!card) continue;
            forgetCards({card});
            if (card->window) desk::closeWindow(card->window);
            unbind(s, card);
            change.went.push_back(card);
            gone.push_back(model.deck.remove(model.deck.indexOf(*card)));
            continue;
        }
        uint32_t show = 0;
        if (!card) {
            auto made = std::make_unique<Card>();
            made->suit = shared.suit;
            made->rank = shared.rank;
            made->faceUp = shared.faceUp;
            desk::createCardWindow(made.get(), 0, 0, model.cardWidth, model.cardHeight, s.owner);
            if (!made->window) continue;
            card = made.get();
            model.deck.append(std::move(made));
            bind(s, card, id);
            change.came.push_back(card);
            show = SWP_SHOWWINDOW;
        } else {
            change.changed.push_back(card);
            if (card->faceUp != shared.faceUp) {
                card->faceUp = shared.faceUp;
                desk::invalidate(card->window);
            }
        }
        const desk::Point at = s.units.toPixels(shared.place, model.cardWidth, model.cardHeight);
        s.shownAt[card] = at;
        shown.push_back({card->window, at, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | show});
    }
    // Placed and shown from the top down, as the table is laid from its file: the window system
    // then shows each by its move, one call a card.
    desk::Batch batch = desk::beginBatch(static_cast<int>(shown.size()));
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        batch = desk::defer(batch, it->window, nullptr, it->at.x, it->at.y, 0, 0, it->flags);
    endBatchRefreshingMarks(batch);
    restackAsShared(s);
    takeInOutsideChange();
    announce(std::move(change));
    for (const auto& record : gone) releaseCard(*record);
}

}  // namespace

namespace {

// Merges a message into the replica and adds the cards it changed to those to show; false when it
// could not be read.
bool merge(SharedTable& s, const uint8_t* bytes, size_t size, std::vector<CardId>& touched) {
    std::vector<CardId> now;
    switch (kindOf(bytes, size)) {
    case MessageKind::Summary: {
        uint64_t from = 0;
        Digest digest{};
        if (!decodeDigest(bytes, size, from, digest)) break;
        if (from != s.session && s.digestHeard) s.digestHeard(from, digest);
        return true;
    }
    case MessageKind::Cards: {
        uint64_t from = 0;
        std::vector<CardState> cards;
        if (!decodeCards(bytes, size, from, cards)) break;
        now = mergeCards(s.replica, cards);
        touched.insert(touched.end(), now.begin(), now.end());
        return true;
    }
    default: {
        Changes in;
        if (!decodeChanges(bytes, size, in)) break;
        now = applyChanges(s.replica, in);
        touched.insert(touched.end(), now.begin(), now.end());
        return true;
    }
    }
    ++s.refused;
    return false;
}

// Shows the cards several merges changed, each once, in one batch: a table joined from many state
// chunks is made in one pass, in its stacking, instead of restacked after every chunk.
void showMerged(SharedTable& s, std::vector<CardId>& touched) {
    if (touched.empty()) return;
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    showShared(s, touched);
}

bool take(SharedTable& s, const uint8_t* bytes, size_t size) {
    std::vector<CardId> touched;
    const bool read = merge(s, bytes, size, touched);
    showMerged(s, touched);
    return read;
}

bool mustWait() { return desk::capture() || model.outsideChangesWait; }

void takeHeld(SharedTable& s) {
    std::vector<std::vector<uint8_t>> held;
    held.swap(s.held);
    std::vector<CardId> touched;
    for (const auto& bytes : held) merge(s, bytes.data(), bytes.size(), touched);
    showMerged(s, touched);
}

}  // namespace

void showHeld(SharedTable& s) {
    if (mustWait()) return;
    if (!s.unsentStep.empty()) {
        TableChange step;
        for (const CardId& id : s.unsentStep) {
            auto it = s.cards.find(id);
            if (it != s.cards.end()) step.changed.push_back(it->second);
        }
        tableChanged(s, step);
    }
    takeHeld(s);
}

bool receive(SharedTable& s, const uint8_t* bytes, size_t size) {
    // While a gesture holds the mouse, what others did waits: no card moves under the pointer that
    // carries it, and the gesture's cards are not pulled out of it. It shows when the gesture ends.
    if (mustWait()) {
        s.held.emplace_back(bytes, bytes + size);
        return true;
    }
    showHeld(s);
    return take(s, bytes, size);
}

void receiveAll(SharedTable& s, std::vector<std::vector<uint8_t>> messages) {
    s.held.insert(s.held.end(), std::make_move_iterator(messages.begin()), std::make_move_iterator(messages.end()));
    if (!mustWait()) showHeld(s);
}

std::vector<uint8_t> digestMessage(const SharedTable& s) { return encodeDigest(s.session, digestOf(s.replica)); }

std::vector<uint8_t> cardsMessage(const SharedTable& s, uint64_t buckets) {
    return encodeCards(s.session, cardsIn(s.replica, buckets));
}

void stopSharing(SharedTable& s) {
    stopListening(s.listener);
    s.listener = 0;
    s.attached = false;
    model.canTakeOwnStep = nullptr;
    model.takeOwnStep = nullptr;
    announce({});
}

}  // namespace share
