// Owners of drawing objects, so that each has one and every way out frees it. Declare an owner
// before the Selected that puts its object in a context: the object is then taken out of the
// context before it is deleted.
#pragma once

#include "desk/windows_win32.h"

// Deletes a drawing object on the way out, unless it was handed over (a region a window took).
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() {
        if (object_) DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }
    HGDIOBJ release() {
        HGDIOBJ o = object_;
        object_ = nullptr;
        return o;
    }

private:
    HGDIOBJ object_;
};

// A context made by the program (a memory or printer context), deleted on the way out.
class OwnedDC {
public:
    explicit OwnedDC(HDC dc) : dc_(dc) {}
    ~OwnedDC() {
        if (dc_) DeleteDC(dc_);
    }
    OwnedDC(const OwnedDC&) = delete;
    OwnedDC& operator=(const OwnedDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

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
