// What the table tells when a change of it has ended: the cards it touched, and whether undo and
// redo are possible. The panel, the autosave and the sounds listen; so does anything that keeps a
// copy of the table elsewhere.
#pragma once

#include <functional>
#include <vector>

#include "deck/card.h"

// The table's cues for the ear: a card taken up or put down, a pile turned, cards gathered, the
// whole table laid, the order remembered, a fresh table.
enum class TableCue { Press, PutDown, PileFlip, Gather, All, Order, Fresh };

struct TableChange {
    std::vector<Card*> changed;  // place, face or stacking changed, in the Deck's order
    std::vector<Card*> came;     // new in the Deck
    std::vector<Card*> went;     // left the Deck: the records live until the listeners return
    bool canUndo = false;
    bool canRedo = false;
    bool laid = false;    // the table was laid anew (a load): told even when it has no cards
    bool settled = true;  // false while a gesture still carries the cards: more follows
    int from = 0;         // the listener the change was applied for (0: this player's own)
    bool touchesCards() const { return laid || !changed.empty() || !came.empty() || !went.empty(); }
};

struct TableListener {
    std::function<void(const TableChange&)> changed;
    std::function<void(TableCue)> cue;  // may be empty
};

// The listener's id (from 1 on), for stopListening and ChangesFrom.
int listenToTable(TableListener listener);
void stopListening(int id);
// Tells every listener once, but not the one the change was applied for; fills in undo and redo.
// A change that touched no card and left undo and redo as last told is not told.
void announce(TableChange change);
void cueTable(TableCue cue);
bool canUndo();
bool canRedo();

// While it lives, the changes the table makes are applied for the listener given (they came from
// it), so that they are not told back to it.
class ChangesFrom {
public:
    explicit ChangesFrom(int listener);
    ~ChangesFrom();
    ChangesFrom(const ChangesFrom&) = delete;
    ChangesFrom& operator=(const ChangesFrom&) = delete;

private:
    int previous_;
};
