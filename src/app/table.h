// The one application object: everything the running table holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/random.h"
#include "deck/card.h"
#include "deck/card_grid.h"
#include "deck/state_file.h"
#include "desk/desk.h"
#include "dialogs/keys.h"
#include "faces/picture.h"

// Exchange block of the take-out/put-away dialog: the dialog while it is open and its list fonts.
struct TakeOutBlock {
    desk::Window dialog = nullptr;
    Handle suitFont = nullptr;
    Handle rankFont = nullptr;
    Handle cardFont = nullptr;
};

// Exchange block of the settings dialog: pending values until they are applied.
struct SettingsBlock {
    desk::Window dialog = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t drawIndex = 0;
    uint32_t soundOn = 0;
    std::vector<std::u16string> keyNames;
};

struct Table {
    uint32_t firstShowPending = 1;
    std::vector<desk::Window> cycleOrder;
    TakeOutBlock takeOutBlock;
    SettingsBlock settingsBlock;
    Card* currentCard = nullptr;
    uint32_t drawIndex = 1;
    uint32_t judgeRecursively = 0;
    uint32_t soundOn = 1;
    void* buttonBaseProc = nullptr;
    Deck deck;
    CardGrid grid;                   // every card whose window exists, by where it lies
    std::vector<Card*> markedCards;  // every card whose mark is set (and maybe some whose mark was cleared)
    int32_t cardWidth = 60;
    int32_t cardHeight = 88;
    PictureRef frontPicture;
    desk::Window cardParent = nullptr;
    desk::Window cardTip = nullptr;  // the one tooltip control of all cards, owned by cardParent
    void* keyboardHook = nullptr;
    desk::Window panelTooltip = nullptr;
    desk::Window panel = nullptr;
    Handle backOldBitmap = nullptr;
    uint32_t overlapRatio = 50;
    Handle backDC = nullptr;
    PictureRef backPicture;
    uint32_t overwriteConflicts = 1;
    KeyTable keys = kDefaultKeys;
    uint32_t historyCapacity = kHistorySlots;
    uint32_t historyStart = 0;
    int32_t historyCurrent = -1;
    uint32_t redoCount = 0;
    std::u16string frontPicturePath;
    std::u16string backPicturePath;
    Random random;
    // What start-up has to tell the user once the table shows (the state file's fate, cards out of
    // sight), and whether the state file is one that could not be read and must not be written.
    std::vector<std::u16string> startNotices;
    std::vector<StateCard> unshownCards;  // read from the file but given no window: saved as read
    bool keepStateFile = false;
    bool savePending = false;  // a save is due on the panel's timer
    uint32_t saveDeferrals = 0;    // times the due save waited for a gesture
    bool saveFailureTold = false;  // since the last save that worked
    bool logOffHeld = false;
    bool tipsHeld = false;  // while cards travel under the pointer       // a log-off was held up because the table could not be saved
};

extern Table table;

// Plays a sound resource when sound is on.
void playTableSound(int id);
