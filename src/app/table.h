// The one application object: everything the running table holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "deck/model.h"
#include "desk/desk.h"
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
    bool soundOn = false;
    std::vector<std::u16string> keyNames;
};

// The application object: the model, and beside it what the shell holds for it.
struct Table : TableModel {
    bool firstShowPending = true;
    TakeOutBlock takeOutBlock;
    SettingsBlock settingsBlock;
    void* buttonBaseProc = nullptr;
    PictureRef frontPicture;
    PictureRef backPicture;
    std::u16string frontPicturePath;
    std::u16string backPicturePath;
    desk::Window cardParent = nullptr;
    desk::Window cardTip = nullptr;  // the one tooltip control of all cards, owned by cardParent
    void* keyboardHook = nullptr;
    desk::Window panelTooltip = nullptr;
    desk::Window panel = nullptr;
    Handle backOldBitmap = nullptr;
    Handle backDC = nullptr;
    // What start-up has to tell the user once the table shows (the state file's fate, cards out of
    // sight), and whether the state file is one that could not be read and must not be written.
    std::vector<std::u16string> startNotices;
    bool keepStateFile = false;
    bool savePending = false;      // a save is due on the panel's timer
    uint32_t saveDeferrals = 0;    // times the due save waited for a gesture
    bool saveFailureTold = false;  // since the last save that worked
    bool logOffHeld = false;       // a log-off was held up because the table could not be saved
    bool tipsHeld = false;         // while cards travel under the pointer
    bool sharing = false;          // the table shown is a shared one: the state file keeps the own
    // The file this table is kept in when the player opened or saved one under a name; empty: the
    // state file beside the program.
    std::u16string tableFile;
};

extern Table table;

// Plays a sound resource when sound is on.
void playTableSound(int id);
