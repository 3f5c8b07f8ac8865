// The decisions of the settings dialog, apart from its window: the checks of a new card size, the
// key rows (which keys can be chosen, what they are called, how a row reads), the caption's
// version text, and where a printed picture of the dialog goes on the page.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "desk/desk.h"
#include "deck/keys.h"

// ---- card size ----
struct SizeCheck {
    bool ok = true;
    std::u16string message;  // shown when not ok
    int field = 0;           // the field reset (1003 width, 1004 height), 0 for none
    uint32_t resetTo = 0;
};
// The seven checks in their order; the first that fails decides. A failed work-area read leaves
// the area 16 x 16.
SizeCheck checkCardSize(uint32_t width, uint32_t height, const desk::Rect& work);
// "≦ " and the work area's side, at most 999.
std::u16string workAreaLimitText(int32_t side);

// ---- key rows ----
constexpr int kSelectableKeys = 92;
struct SelectableKey {
    uint16_t vk;
    bool extended;  // the extended-key flag of the name lookup
};
extern const std::array<SelectableKey, kSelectableKeys> kSelectableKeyList;
// The name shown for a key: the layout's name with left, up, right, down and space replaced.
std::u16string displayKeyName(const std::u16string& layoutName);
// The dialog controls of a row, in storage order: combo box, Shift box, Ctrl box.
struct KeyRowControls {
    int combo, shift, ctrl;
};
extern const std::array<KeyRowControls, kKeyActions> kKeyRows;
// The order the dialog fills its rows in (↑ ↓ ← → in both groups).
extern const std::array<KeyAction, kKeyActions> kKeyRowFillOrder;
// A row read back: the selected item's key (0 for none), Shift and Ctrl.
KeyBinding readKeyRow(bool selected, uint32_t itemKey, bool shift, bool ctrl);
// The list item to select for a binding: its index among "なし" and the 92 keys, or -1 (shows empty).
int keyRowItem(KeyBinding binding, bool withKeys);

// ---- caption ----
// "2011, 7, 13, 0" -> "2011.7.13": spaces dropped, commas become dots, ends at the third comma.
std::u16string versionText(const std::u16string& productVersion);

// ---- printing ----
struct PrintPlacement {
    int32_t scale, x, y, width, height;
};
// A whole-number enlargement that fits the page (never a reduction), centred.
PrintPlacement placePrint(int32_t pageWidth, int32_t pageHeight, int32_t windowWidth, int32_t windowHeight);
// The message for a failed print dialog, by its result code.
std::u16string printErrorText(uint32_t resultCode);
