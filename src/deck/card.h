// The record of one card on the table, and the Deck that owns all of them.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "desk/desk.h"

// Suit codes as the card record keeps them.
constexpr char16_t kHearts = u'h';
constexpr char16_t kSpades = u's';
constexpr char16_t kClubs = u'c';
constexpr char16_t kDiamonds = u'd';
constexpr char16_t kJoker = u'j';

constexpr int kHistorySlots = 101;

// This card's part of one snapshot of the table.
struct HistorySlot {
    bool faceUp = false;
    int32_t x = 0;
    int32_t y = 0;
    desk::Window insertAfter = nullptr;  // the window directly above; null at the top
};

// One target of a gather or spread: a card window and its direction from the centre card.
struct SpreadEntry {
    desk::Window window = nullptr;
    double angle = 0.0;
};

using Handle = void*;  // a drawing object or context owned by the Win32 shell

// A decoded face picture (the shell's), shared by every card that shows the same file.
struct Picture;
using PictureRef = std::shared_ptr<Picture>;

// What the Win32 shell keeps for a card's window: the composed front it draws from, the input
// context it put aside, and the tooltip control the window is registered with.
struct CardWindowParts {
    Handle frontDC = nullptr;
    Handle frontFace = nullptr;  // the shared composed front that frontDC belongs to
    Handle savedImeContext = nullptr;
    desk::Window tooltip = nullptr;
};

struct Card {
    bool marked = false;      // in the current card's pile
    bool spreadMode = false;  // a gather or spread of the mouse is under way
    desk::Point grabOffset;
    desk::Point pressPoint;
    desk::Point lastPointer;  // where the pointer was last seen during a gesture
    uint32_t conflictChoice = 0;
    std::vector<uint32_t> gestureLog;
    std::array<HistorySlot, kHistorySlots> history{};
    char16_t suit = 0;
    std::list<Card*> trail;
    int32_t rank = 0;
    std::list<SpreadEntry> spreadList;
    bool faceUp = false;
    int8_t spokenFaceUp = -1;  // the face screen readers last heard of; -1: none yet
    PictureRef picture;
    desk::Window window = nullptr;
    std::u16string picturePath;
    CardWindowParts shell;
    // Where the window stands and whether it shows, as its own move and show handlers last told;
    // pile work reads these instead of asking the window system. placed is false until the window
    // exists and once it is gone.
    desk::Rect rect;
    bool shown = false;
    bool placed = false;
    uint32_t deckIndex = 0;  // its place in the Deck, kept by the Deck
    uint32_t seen = 0;       // scratch stamp of a pile search
    bool gridded = false;    // filed in the spatial index, under gridCell at gridSlot
    int64_t gridCell = 0;
    uint32_t gridSlot = 0;
};

// The ordered, growable array of all cards; it owns the records.
class Deck {
public:
    size_t append(std::unique_ptr<Card> card);  // returns the new card's index
    std::unique_ptr<Card> remove(size_t index);  // later entries move down by one
    Card& at(size_t index) const;
    size_t count() const { return cards_.size(); }
    size_t capacity() const { return cards_.capacity(); }
    bool empty() const { return cards_.empty(); }
    Card* find(desk::Window w) const;  // the card whose window this is, or null
    std::vector<std::unique_ptr<Card>>& items() { return cards_; }
    const std::vector<std::unique_ptr<Card>>& items() const { return cards_; }
    // The card's place in the Deck (kNotInDeck for a record it does not hold); renumbers every card
    // first when the order was changed by hand (a sort of items()).
    static constexpr size_t kNotInDeck = ~size_t{0};
    size_t indexOf(const Card& card) const;

private:
    std::vector<std::unique_ptr<Card>> cards_;
};

