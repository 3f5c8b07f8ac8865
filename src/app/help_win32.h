// The manual, "ルポネ.chm", looked up along the system's search path. The help viewer shows it;
// where there is none that can (Wine without its browser engine), its pages are copied out of the
// file into a folder of their own and opened in the user's browser instead.
#pragma once

#include <windows.h>

#include <string>

namespace help {

// The manual's full path, however long; false when it is nowhere along the search path.
bool find(std::wstring& path, const wchar_t* name = nullptr);  // (a test looks for another name)
// Opens the manual found at path for the user; false when neither way could open it.
bool open(HWND owner, const std::wstring& path);
// Copies every page and picture of a compiled manual into folder (made when missing); false when
// the file cannot be read, a page cannot be written or there is no index.html.
bool extractPages(const std::wstring& chm, const std::wstring& folder);
// Whether the system's help viewer can show a manual here.
bool viewerCanShow();

}  // namespace help
