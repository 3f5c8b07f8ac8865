// The state file: the table, the panel's place and the settings, as 32-bit little-endian fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "deck/keys.h"
#include "deck/suits.h"

constexpr uint32_t kMaxStateCards = 10000;          // the reader refuses more
constexpr size_t kMaxStateFileBytes = 10485760;     // 10 MiB
constexpr size_t kStateHeaderBytes = 52;
constexpr size_t kStateRecordBytes = 20;
constexpr size_t kStateTrailerBytes = 76;           // overwrite flag and the 18 keys
constexpr int32_t kMinCardSide = 16;                // card sides the table takes, in pixels
constexpr int32_t kMaxCardSide = 999;

extern const std::array<uint8_t, 16> kStateMagic;

struct StateCard {
    char16_t suit = 0;
    int32_t rank = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t faceUp = 0;
};

// Everything the file holds, with the reader's corrections applied.
struct StateData {
    int32_t panelX = 0;
    int32_t panelY = 0;
    uint32_t overlapRatio = 50;
    uint32_t judgeRecursively = 0;
    int32_t cardWidth = 60;
    int32_t cardHeight = 88;
    uint32_t drawIndex = 1;
    uint32_t soundOn = 1;
    std::vector<StateCard> cards;  // top of the z-order first
    uint32_t overwriteConflicts = 1;
    KeyTable keys = kDefaultKeys;
};


// Why the reader refuses a file (None: it does not).
enum class StateRefusal { None, TooShort, TooLarge, NotOurs, TooManyCards, SizeMismatch };
StateRefusal checkState(const uint8_t* bytes, size_t size);

std::vector<uint8_t> encodeState(const StateData& data);
// Checks everything first; on false, out is untouched.
bool decodeState(const uint8_t* bytes, size_t size, StateData& out);

// The state file's path: the program's path with its extension replaced by ".dat"; empty when
// that would not fit a 260-character path buffer.
std::u16string stateFilePath(const std::u16string& modulePath);
