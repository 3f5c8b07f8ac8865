#include "cards/gestures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/table.h"
#include "cards/card_window.h"
#include "deck/keys.h"
#include "cards/movement.h"
#include "deck/overlap.h"
#include "deck/table_events.h"
#include "cards/tooltips.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "desk/winconst.h"
#include "res/ids.h"

namespace {

constexpr uint32_t D = WM_LBUTTONDOWN, M = WM_MOUSEMOVE, U = WM_LBUTTONUP, W = WM_LBUTTONDBLCLK;

bool hasCapture(const Card& card) { return card.window && desk::capture() == card.window; }

void clearLog(Card& card) {
    std::vector<uint32_t>().swap(card.gestureLog);
    holdCardTips(false);
    if (card.window) desk::killTimer(card.window, kFollowPointerTimer);
}

bool insideClient(int32_t x, int32_t y) { return x >= 0 && y >= 0 && x < table.cardWidth && y < table.cardHeight; }

desk::Point toScreen(const Card& card, int32_t x, int32_t y) {
    desk::Rect r;
    if (!desk::windowRect(card.window, r)) return {x, y};
    return {r.left + x, r.top + y};
}

}  // namespace

Gesture gestureOf(const std::vector<uint32_t>& log) {
    static const struct {
        std::vector<uint32_t> log;
        Gesture state;
    } states[] = {
        {{D}, Gesture::Held},           {{D, M}, Gesture::Dragging},          {{D, U}, Gesture::PickedUp},
        {{D, U, M}, Gesture::Carried},  {{D, M, U}, Gesture::TrailHanging},   {{D, M, U, M}, Gesture::TrailCarried},
        {{D, U, W}, Gesture::PileHeld}, {{D, U, W, U}, Gesture::PileHanging}, {{D, U, W, U, M}, Gesture::PileCarried},
    };
    if (log.empty()) return Gesture::None;
    for (const auto& s : states)
        if (s.log == log) return s.state;
    return Gesture::Unexpected;
}

bool beyondDragRect(const Card& card, desk::Point p) {
    desk::Point drag = desk::dragSize();
    return p.x < card.pressPoint.x - drag.x || p.x > card.pressPoint.x + drag.x || p.y < card.pressPoint.y - drag.y ||
           p.y > card.pressPoint.y + drag.y;
}

void markTrail(Card& card, bool start) {
    if (start) {
        std::vector<Card*> before;
        before.swap(table.markedCards);
        for (Card* c : before)
            if (c != &card) setMark(*c, false);
        if (card.marked)
            table.markedCards.push_back(&card);
        else
            setMark(card, true);
        return;
    }
    // The cards under the pointer join the trail in the Deck's order.
    const desk::Point p = desk::messagePos();
    Pile under;
    table.grid.visitNear({p.x, p.y, p.x + 1, p.y + 1}, [&](Card& c) {
        const desk::Rect& r = c.rect;
        if (&c != &card && p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) under.push_back(&c);
    });
    sortByDeckOrder(under);
    for (Card* c : under) {
        if (std::find(card.trail.begin(), card.trail.end(), c) == card.trail.end()) card.trail.push_back(c);
        setMark(*c, true);
    }
}

void putDown(Card& card) {
    if (card.trail.empty()) return;
    card.trail.clear();
    desk::tellAccessibility(card.window, desk::AccessEvent::StateChange);  // no longer carried
    popUpTip(card);
    cueTable(TableCue::PutDown);
    takeSnapshot();
    clearLog(card);
    desk::releaseCapture();
}

void flipCard(Card& card, int32_t x, int32_t y) {
    if (!hasCapture(card)) return;
    desk::releaseCapture();
    popUpTip(card);
    if (!insideClient(x, y)) return;
    cueTable(TableCue::Press);
    card.faceUp = card.faceUp ? 0 : 1;
    desk::invalidate(card.window);
    takeSnapshot();
}

void flipPile(Card& card, int32_t x, int32_t y) {
    if (hasCapture(card)) desk::releaseCapture();
    popUpTip(card);
    if (!insideClient(x, y)) return;
    cueTable(TableCue::PileFlip);
    Pile pile;
    collectPile(card, false, pile);
    for (Card* c : pile) {
        c->faceUp = c->faceUp ? 0 : 1;
        desk::invalidate(c->window);
    }
    // The double-click's first click already turned this card and recorded that; the pile turned
    // over replaces it, so one undo takes back the whole pile.
    replaceLatestSnapshot();
}

void beginGatherSpread(Card& card, SpreadMode mode, int32_t x, int32_t y) {
    if (card.spreadMode) return;
    if (mode == SpreadMode::Mouse) {
        card.pressPoint = toScreen(card, x, y);
        desk::setCapture(card.window);
    }
    card.spreadMode = true;
    card.spreadList.clear();
    desk::Rect centre;
    if (desk::windowRect(card.window, centre)) {
        for (const auto& c : table.deck.items()) {
            desk::Rect r;
            if (c->window == card.window || !desk::windowRect(c->window, r)) continue;
            int32_t dx = r.left - centre.left, dy = r.top - centre.top;
            double angle;
            if (dx == 0 && dy == 0) {
                int32_t degrees = std::min(table.random.next() * 360 / 32767, 359);
                angle = degrees * 0.017453292519943295;
            } else {
                angle = std::atan2(double(dy), double(dx));
            }
            card.spreadList.push_back({c->window, angle});
        }
    }
    desk::setTimer(card.window, mode == SpreadMode::Mouse ? kMouseSpreadTimer : kKeySpreadTimer,
                   desk::doubleClickTime());
}

void endGatherSpread(Card& card) {
    if (!card.spreadMode) return;
    card.spreadMode = false;
    if (hasCapture(card)) desk::releaseCapture();
    popUpTip(card);
    desk::killTimer(card.window, kMouseSpreadTimer);
    desk::killTimer(card.window, kKeySpreadTimer);
    cueTable(TableCue::Gather);
    takeSnapshot();
}

void onLeftPress(Card& card, int32_t, int32_t) {
    if (card.gestureLog.empty()) {
        card.pressPoint = desk::messagePos();
        desk::Rect r;
        if (!desk::windowRect(card.window, r)) return;
        card.grabOffset = {card.pressPoint.x - r.left, card.pressPoint.y - r.top};
        card.gestureLog.push_back(D);
        desk::setCapture(card.window);
        cueTable(TableCue::Press);
        card.trail.push_back(&card);
        return;
    }
    if (card.gestureLog.back() == M)
        putDown(card);
    else
        desk::releaseCapture();
}

namespace {

// The pointer is at p (a move message, or the pointer read while cards travel).
void pointerMovedTo(Card& card, desk::Point p) {
    card.lastPointer = p;
    auto& log = card.gestureLog;
    switch (gestureOf(log)) {
    case Gesture::Held:
        if (beyondDragRect(card, p)) {
            desk::setCursorResource(IDC_RP_TRAIL);
            log.push_back(M);
            markTrail(card, true);
        }
        break;
    case Gesture::Dragging: markTrail(card, false); break;
    case Gesture::PickedUp:
        if (beyondDragRect(card, p)) log.push_back(M);
        dragGroup(card, p);
        break;
    case Gesture::TrailHanging:
    case Gesture::PileHanging:
        log.push_back(M);
        dragGroup(card, p);
        break;
    case Gesture::Carried:
    case Gesture::TrailCarried:
    case Gesture::PileCarried: dragGroup(card, p); break;
    default: break;
    }
}

// Cards picked up by a click travel with no button held. Windows hands every move to the card
// holding the capture; Wine hands it the moves of the user's pointer only while that is over one of
// the program's windows, so a quick move leaves the cards behind. There the card reads the pointer
// itself while they travel.
void followPointer(Card& card) {
    if (desk::movesReachCapture()) return;
    card.lastPointer = desk::messagePos();
    desk::setTimer(card.window, kFollowPointerTimer, kFollowPointerMs);
}

// The press is let go and the cards follow the pointer until the next click puts them down.
void carryOn(Card& card) {
    card.gestureLog.push_back(U);
    followPointer(card);
    desk::tellAccessibility(card.window, desk::AccessEvent::StateChange);  // now carried
}

}  // namespace

void onMouseMove(Card& card, int32_t, int32_t) { pointerMovedTo(card, desk::messagePos()); }

void onLeftRelease(Card& card, int32_t, int32_t) {
    auto& log = card.gestureLog;
    switch (gestureOf(log)) {
    case Gesture::None: break;
    case Gesture::Held:
    case Gesture::PileHeld: carryOn(card); break;
    case Gesture::Dragging:
        stackUnder(card, false);
        carryOn(card);
        break;
    default: desk::releaseCapture(); break;
    }
}

void onLeftDoubleClick(Card& card, int32_t, int32_t) {
    Gesture g = gestureOf(card.gestureLog);
    if (g == Gesture::None) return;
    if (g != Gesture::PickedUp) {
        desk::releaseCapture();
        return;
    }
    card.gestureLog.push_back(W);
    stackUnder(card, true);
}

void onCaptureChanged(Card& card) {
    if (!card.gestureLog.empty()) {
        if (card.gestureLog.front() == D && !card.trail.empty()) {
            card.trail.clear();
            // The tip after the table is back: under Wine a restack takes a shown tip down.
            restoreCurrent();
            popUpTip(card);
        }
        clearLog(card);
    }
    if (card.spreadMode) endGatherSpread(card);
}

void onRightPress(Card& card, int32_t, int32_t) {
    if (hasCapture(card))
        desk::releaseCapture();
    else
        desk::setCapture(card.window);
}

void onRightRelease(Card& card, int32_t x, int32_t y) { flipCard(card, x, y); }
void onRightDoubleClick(Card& card, int32_t x, int32_t y) { flipPile(card, x, y); }

void onMiddlePress(Card& card, int32_t x, int32_t y) {
    if (hasCapture(card))
        desk::releaseCapture();
    else
        beginGatherSpread(card, SpreadMode::Mouse, x, y);
}

void onMiddleRelease(Card& card, int32_t x, int32_t y) {
    desk::Point p = toScreen(card, x, y);
    if (!beyondDragRect(card, p) && (card.spreadMode || !card.trail.empty())) return;
    endGatherSpread(card);
}

void onTimer(Card& card, uintptr_t id) {
    if (id == kFollowPointerTimer) {
        desk::Point p;
        if (card.gestureLog.empty()) {
            desk::killTimer(card.window, kFollowPointerTimer);
        } else if (desk::cursorPos(p) && (p.x != card.lastPointer.x || p.y != card.lastPointer.y)) {
            pointerMovedTo(card, p);
        }
    } else if (id == kMouseSpreadTimer) {
        desk::Point p;
        if (!desk::cursorPos(p)) return;
        const int32_t d = std::abs(p.x - card.pressPoint.x);
        if (d < table.cardWidth / 2) return;
        desk::killTimer(card.window, kMouseSpreadTimer);
        gatherSpreadStep(card, p.x < card.pressPoint.x);
        int32_t interval = 2 * (200 - (d - table.cardWidth / 4));
        desk::setTimer(card.window, kMouseSpreadTimer, static_cast<uint32_t>(interval <= 33 ? 33 : interval));
    } else if (id == kKeySpreadTimer) {
        desk::killTimer(card.window, kKeySpreadTimer);
        const KeyBinding spread = table.keys[static_cast<size_t>(KeyAction::Spread)];
        const uint32_t key = bindingKey(spread);
        const uint32_t mods = keyModifiers(key, desk::keyDown(VK_SHIFT), desk::keyDown(VK_CONTROL));
        const bool spreading = key && desk::keyDown(key) && bindingMods(spread) == mods;
        gatherSpreadStep(card, spreading);
        desk::setTimer(card.window, kKeySpreadTimer, 33);
    }
}
