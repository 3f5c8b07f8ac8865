// This program's part in a shared table: the replica beside the table, the cards' identities, and
// the two points where they meet. Out: every change the table tells of becomes one message of
// writes (only what really changed, new order keys only for the fewest cards). In: a message from
// another player is applied to the replica and then to the table as one batch that activates
// nothing and is never told back.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>
#include <vector>

#include "deck/card.h"
#include "desk/desk.h"
#include "share/replica.h"

namespace share {

// Table units onto this program's work area: the table's size is the creating player's work area,
// and each program fits it into its own with one uniform scale, fixed when sharing starts.
struct UnitMap {
    desk::Rect work;
    int32_t width = 1;  // the table's size in units
    int32_t height = 1;
    double scale() const;  // pixels per unit
    Place toUnits(const desk::Rect& card) const;  // the card's centre
    desk::Point toPixels(Place centre, int32_t cardWidth, int32_t cardHeight) const;  // its top-left
};

// One step of this player's (a gesture, a command, a take-out or put-away), undone alone: every
// register it wrote, as it was before (none for a card it made, but for its presence) and after.
struct StepWrite {
    Write before;
    bool hadBefore = false;
    Write after;
};
struct OwnStep {
    std::vector<StepWrite> writes;
    std::map<std::pair<CardId, Register>, size_t> at;  // where each register's write is in it
};

struct SharedTable {
    uint64_t session = 0;
    Replica replica;
    UnitMap units;
    desk::Window owner = nullptr;  // of the windows of cards that others take out
    std::map<CardId, Card*> cards;
    std::unordered_map<const Card*, CardId> ids;
    std::unordered_map<const Card*, desk::Point> shownAt;  // where the replica last put each card
    std::function<void(const std::vector<uint8_t>&)> publish;
    std::function<void(uint64_t session, const Digest& digest)> digestHeard;  // another player's
    int listener = 0;
    bool attached = true;       // hears the table (a test of several players detaches all but one)
    uint32_t lastStepTick = 0;  // of the last carry step sent
    std::vector<CardId> unsentStep;  // the cards of the last carry step, until a change ends the gesture
    uint32_t refused = 0;       // messages that could not be read
    std::vector<std::vector<uint8_t>> held;  // arrived while a gesture of this player's was under way
    OwnStep step;                            // the steps' writes so far, until the change that ends it
    std::vector<OwnStep> undoSteps, redoSteps;  // the newest last
};

// Makes the table as it lies a shared table: its cards become cards 1..n of it, and the message
// that creates it is published.
void startSharing(SharedTable& s, uint64_t session, const desk::Rect& work, desk::Window owner,
                  std::function<void(const std::vector<uint8_t>&)> publish);
// Joins a shared table whose size is given: the cards of this table leave it (their windows are
// closed), and the table is laid from the messages that arrive.
void joinSharing(SharedTable& s, uint64_t session, const desk::Rect& work, int32_t tableWidth, int32_t tableHeight,
                 desk::Window owner, std::function<void(const std::vector<uint8_t>&)> publish);
// A message from the broker (the player's own ones come back too, and change nothing); false when
// it could not be read. While a gesture holds the mouse (or a list names cards by their place) it
// waits, and shows when that is over.
bool receive(SharedTable& s, const uint8_t* bytes, size_t size);
// Messages heard together (what arrived before the table was joined): merged first, then shown at
// once.
void receiveAll(SharedTable& s, std::vector<std::vector<uint8_t>> messages);
// Shows what waited for a gesture, once none holds the mouse (the next message does it too), and
// sends a carry step the pace held back when the gesture ended without a change of its own (the
// mouse taken away mid-carry). Not from inside a change of the table: the gesture's own code may
// still hold its cards.
void showHeld(SharedTable& s);
// This player's digest, and an answer with the cards of the buckets given (bit b: bucket b), or of
// every bucket for a joining player.
std::vector<uint8_t> digestMessage(const SharedTable& s);
std::vector<uint8_t> cardsMessage(const SharedTable& s, uint64_t buckets = ~uint64_t{0});
// The table stays as it is; it no longer hears or tells.
void stopSharing(SharedTable& s);

}  // namespace share
