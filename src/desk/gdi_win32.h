// Owners of drawing objects (and other handles), so that each has one and every way out frees it. Declare an owner
// before the Selected that puts its object in a context: the object is then taken out of the
// context before it is deleted.
#pragma once

#include "desk/windows_win32.h"

// A handle freed on the way out, unless it was handed over (a region a window took).
template <typename Handle, BOOL(WINAPI* Free)(Handle)>
class Owned {
public:
    explicit Owned(Handle h) : h_(h) {}
    ~Owned() {
        if (h_ && h_ != INVALID_HANDLE_VALUE) Free(h_);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Handle get() const { return h_; }
    Handle release() {
        Handle h = h_;
        h_ = nullptr;
        return h;
    }

private:
    Handle h_;
};

using GdiObject = Owned<HGDIOBJ, DeleteObject>;  // a drawing object
using OwnedDC = Owned<HDC, DeleteDC>;            // a context the program made
using OwnedHandle = Owned<HANDLE, CloseHandle>;  // a file or other kernel object

// Selects an object into a context and puts the previous one back.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (previous_) SelectObject(dc_, previous_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
    bool ok() const { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A memory context with a bitmap of its own, compatible with another context, both freed on the
// way out.
class Scratch {
public:
    Scratch(HDC like, int w, int h)
        : dc_(CreateCompatibleDC(like)), bitmap_(dc_.get() ? CreateCompatibleBitmap(like, w, h) : nullptr),
          selected_(dc_.get(), bitmap_.get()) {}
    bool ok() const { return selected_.ok(); }
    HDC dc() const { return dc_.get(); }

private:
    OwnedDC dc_;
    GdiObject bitmap_;
    Selected selected_;
};

// Frees a long-lived canvas: the bitmap it holds is taken out and deleted, then the context.
inline void freeCanvas(HDC dc, HGDIOBJ saved) {
    HGDIOBJ taken = SelectObject(dc, saved);
    if (taken) DeleteObject(taken);
    DeleteDC(dc);
}
