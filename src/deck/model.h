// The table as a model: the cards and everything the table logic decides with, apart from the
// windows, fonts and dialogs the shell holds beside it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "deck/card.h"
#include "deck/card_grid.h"
#include "deck/keys.h"
#include "deck/random.h"
#include "deck/state_file.h"

struct TableModel {
    Deck deck;
    CardGrid grid;                   // every card whose window exists, by where it lies
    std::vector<Card*> markedCards;  // every card whose mark is set (and maybe some whose mark was cleared)
    Card* currentCard = nullptr;
    std::vector<desk::Window> cycleOrder;  // the order remembered for walking the cards with the keys
    int32_t cardWidth = 60;
    int32_t cardHeight = 88;
    uint32_t overlapRatio = 50;
    bool judgeRecursively = false;
    uint32_t drawIndex = 1;
    bool soundOn = true;
    uint32_t overwriteConflicts = 1;  // a flag, kept as the file has it: a table writes back what it read
    KeyTable keys = kDefaultKeys;
    uint32_t historyCapacity = kHistorySlots;
    uint32_t historyStart = 0;
    int32_t historyCurrent = -1;
    uint32_t redoCount = 0;
    Random random;
    // While the table is shared, undo and redo take back the player's own steps, kept beside the
    // shared copy (the snapshots would undo the others' changes too): whether a step can be taken
    // back (back: undo; else redo), and taking it. Empty: the snapshots serve.
    std::function<bool(bool back)> canTakeOwnStep;
    std::function<void(bool back)> takeOwnStep;
    // While a list names the cards by their place in the Deck (the take-out dialog's), changes
    // from outside wait, so that the list never points at another card than the user chose.
    bool outsideChangesWait = false;
    bool toldUndo = false;  // as the listeners were last told
    bool toldRedo = false;
    std::vector<StateCard> unshownCards;  // read from the file but given no window: saved as read
};

// The running table's model (the application object seen from the table logic).
extern TableModel& model;
