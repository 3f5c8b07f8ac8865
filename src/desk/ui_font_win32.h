// Japanese text in any Wine prefix. The dialogs name "MS Shell Dlg" and the tooltips take the
// system's status font; in a Wine prefix without font replacements both are Latin fonts, and every
// kana would be a box. Where the named font has no Japanese glyphs, the program puts an installed
// font that has them (found by its character set) in its place.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace uifont {

// Whether the font draws kana itself (font linking aside).
bool hasKana(HFONT font);
// An installed font with Japanese glyphs, the common UI ones first; empty when there is none.
std::wstring japaneseFace();
// The face the dialogs get instead of the one they name; empty when theirs draws Japanese.
const std::wstring& dialogFace();
// A dialog template (DIALOGEX) with its font's face replaced; empty when it is not one.
std::vector<uint8_t> withFace(const uint8_t* bytes, size_t size, const std::wstring& face);
// The program's dialog template id, with dialogFace() where needed: for DialogBoxIndirectParamW and
// CreateDialogIndirectParamW. Null when the resource is missing.
const DLGTEMPLATE* dialogTemplate(int id);
// Gives a window (a tooltip) a Japanese font of the same size where its own draws no kana.
void fitJapanese(HWND window);
// Menus are drawn with the system's menu font: where the dialogs need another face, the menu's
// items with text are drawn by the program in it (owner-drawn), their texts kept in keep while the
// menu lives. Nothing changes where the system's fonts show Japanese.
void drawMenuInJapanese(HMENU menu, std::deque<std::wstring>& keep);
// The menu owner's part: measures and draws those items; true when the message was one of them.
bool menuItemMessage(UINT msg, LPARAM lp);

}  // namespace uifont
