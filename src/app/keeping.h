// Saving the table to the state file and building it again from there, without ever losing a
// table: files that cannot be read are kept aside, failed saves are told, the table is saved as
// the user plays, and what an interrupted save left is taken up.
#pragma once

#include <cstdint>
#include <string>

#include "deck/state_file.h"
#include "desk/desk.h"

constexpr uintptr_t kSaveTimer = 0x5A7E;  // on the panel
constexpr uint32_t kSaveDelayMs = 2000;   // from the first unsaved change
constexpr uint32_t kSaveRetryMs = 250;    // while a gesture holds the mouse
constexpr uint32_t kSaveMostDeferrals = 4;  // a second at most
constexpr uint32_t kSaveFailedRetryMs = 10000;  // after a save that failed

StateData collectState();
// Writes the state file (unless it is one that could not be read); the reason when that failed.
desk::FileError saveState();
// The save before the table closes, or before another table takes its place; when it failed,
// what to tell the user and ask (retry, go on without saving, or stay); empty when it did not fail.
enum class SaveBefore { Closing, Switching };
std::u16string saveOrAsk(SaveBefore what);
// The save when the session is about to end; when it fails the log-off is held up with the reason
// (until a later save works). Whether the session may end.
bool saveBeforeLogOff();
// The save at log-off, where no message may be shown: a failure is noted for the next start.
void saveAtLogOff();
// Tables under names. The file the table is kept in: the one last opened or saved under a name,
// else the state file beside the program.
std::u16string tableFilePath();
// Where the table last opened is remembered: beside the state file, as its path in UTF-8.
std::u16string lastTableMarker();
// At start-up: the table last opened becomes the one kept, when its file is still there.
void takeUpLastTable();
// Why a table file cannot be opened (a plain reason), or empty when it reads; data holds it then.
std::u16string readTableFile(const std::u16string& path, StateData& data);
// Remembers the table's file for the next start.
void rememberLastTable();
// Keeps the table in path from now on (saved there at once); what to tell the user when the save
// failed (and then nothing changed), else empty.
std::u16string saveTableAs(const std::u16string& path);
// Reads the table at start-up: the state file, or what an interrupted save left beside it. A
// file that cannot be read is renamed so that nothing overwrites it. False when no table was
// read; what the user must hear of is added to Table.startNotices.
bool loadState();
// Builds the table from checked file contents, with the panel where the file has it.
void applyState(const StateData& data);

// Saving as the user plays: a change asks for a save two seconds later, and changes until then
// ride along (a burst costs one write); the save waits while a gesture holds the mouse, for a
// second at most.
void scheduleSave();
// Every change the table tells of asks for a save.
void listenForSaving();
void onSaveTimer();
