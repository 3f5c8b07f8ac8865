// What screen readers read of a window: a Microsoft Active Accessibility object for its client
// area, answering name, description, role, state and place from a function asked at each call
// (so it always tells the window as it is now). A window answers WM_GETOBJECT with it.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>

namespace a11y {

struct Facts {
    std::wstring name;
    std::wstring description;
    std::wstring value;  // a slider's position
    long role = ROLE_SYSTEM_CLIENT;
    long state = 0;
};

// A new object for the window's client area (one reference, the caller's).
IAccessible* makeObject(HWND window, std::function<Facts()> facts);
// The answer to WM_GETOBJECT: the object for OBJID_CLIENT; every other object id is left to
// default processing (handled is false then).
LRESULT answerGetObject(HWND window, WPARAM wp, LPARAM lp, std::function<Facts()> facts, bool& handled);

}  // namespace a11y
