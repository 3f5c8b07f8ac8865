// A table of cards on the fake desk, and a hand that works the mouse on it: each call sets the
// pointer and delivers the message to the window that would get it (the capture holder first).
#pragma once

#include <ostream>

#include "cards/card_window.h"
#include "cards/gestures.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "desk/winconst.h"
#include "support/table_fixture.h"

namespace desk {
inline bool operator==(Point a, Point b) { return a.x == b.x && a.y == b.y; }
inline std::ostream& operator<<(std::ostream& os, Point p) { return os << "(" << p.x << ", " << p.y << ")"; }
}  // namespace desk

class GestureTest : public TableTest {
public:
    void SetUp() override {
        TableTest::SetUp();
        fake::setWorkArea({0, 0, 1024, 768});
    }

    // A shown card on top of the others.
    Card& lay(int32_t x, int32_t y, char16_t suit = kSpades, int32_t rank = 1) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        c->suit = suit;
        c->rank = rank;
        desk::createCardWindow(c, x, y, table.cardWidth, table.cardHeight, table.cardParent);
        fake::setVisible(c->window, true);
        table.deck.append(std::move(card));
        return *c;
    }
    // The table as it is becomes the first snapshot, as at start-up.
    void startHistory() { takeSnapshot(); }

    Card& target(Card& over) {
        desk::Window cap = desk::capture();
        if (cap)
            if (Card* c = table.deck.find(cap)) return *c;
        return over;
    }
    desk::Point clientOf(Card& c, desk::Point p) {
        desk::Rect r = rect(c);
        return {p.x - r.left, p.y - r.top};
    }
    void leftDown(Card& over, desk::Point p) {
        fake::setPointer(p);
        Card& t = target(over);
        desk::activate(t.window);
        onLeftPress(t, 0, 0);
    }
    void leftUp(Card& over, desk::Point p) {
        fake::setPointer(p);
        onLeftRelease(target(over), 0, 0);
    }
    void leftDouble(Card& over, desk::Point p) {
        fake::setPointer(p);
        onLeftDoubleClick(target(over), 0, 0);
    }
    void moveTo(Card& over, desk::Point p) {
        fake::setPointer(p);
        onMouseMove(target(over), 0, 0);
    }
    void click(Card& over, desk::Point p) {
        leftDown(over, p);
        leftUp(over, p);
    }
    void rightDown(Card& over, desk::Point p) {
        fake::setPointer(p);
        Card& t = target(over);
        desk::Point c = clientOf(t, p);
        onRightPress(t, c.x, c.y);
    }
    void rightUp(Card& over, desk::Point p) {
        fake::setPointer(p);
        Card& t = target(over);
        desk::Point c = clientOf(t, p);
        onRightRelease(t, c.x, c.y);
    }
    void rightDouble(Card& over, desk::Point p) {
        fake::setPointer(p);
        Card& t = target(over);
        desk::Point c = clientOf(t, p);
        onRightDoubleClick(t, c.x, c.y);
    }
    void middleDown(Card& over, desk::Point p) {
        fake::setPointer(p);
        Card& t = target(over);
        desk::Point c = clientOf(t, p);
        onMiddlePress(t, c.x, c.y);
    }
    void middleUp(Card& over, desk::Point p) {
        fake::setPointer(p);
        Card& t = target(over);
        desk::Point c = clientOf(t, p);
        onMiddleRelease(t, c.x, c.y);
    }

    static desk::Rect rect(const Card& c) {
        desk::Rect r;
        desk::windowRect(c.window, r);
        return r;
    }
    static desk::Point at(const Card& c) {
        desk::Rect r = rect(c);
        return {r.left, r.top};
    }
    // Where this card lies in the z-order among card windows (0 = top).
    static size_t depth(const Card& c) {
        std::vector<desk::Window> order = listCardWindows();
        return static_cast<size_t>(std::find(order.begin(), order.end(), c.window) - order.begin());
    }
    static int soundsOf(int id) {
        int n = 0;
        for (int s : fake::sounds()) n += s == id;
        return n;
    }
};

