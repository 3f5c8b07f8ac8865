// An in-memory desktop for the native tests: windows with rectangle, visibility, liveness and
// owning thread in one z-order list; batches applied at their end; capture, focus, activation;
// timers fired on demand; logs of sounds and invalidations; failures on request. Card windows get
// the same handler calls the Win32 window procedure makes.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "desk/desk.h"

namespace fake {

struct Window {
    desk::Rect rect;
    bool visible = false;
    bool alive = true;
    desk::ThreadId thread = 1;
    std::u16string cls;
    std::u16string title;
    Card* card = nullptr;
};

constexpr desk::ThreadId kSelf = 1;

// Empties the desktop and every log; the work area becomes 0,0-1024,768 and the pointer 0,0.
void reset();
// A desktop of its own, for one player of a test with several: swap() exchanges it with the one the
// desk works on.
class Desktop {
public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    void swap();

private:
    struct Held;
    Held* held_;
};
desk::Window addWindow(const std::u16string& cls, const std::u16string& title, desk::Rect rect,
                       desk::ThreadId thread = kSelf, bool visible = true);
Window& info(desk::Window w);
// Shows or hides a window; a card window hears of it as from its show handler.
void setVisible(desk::Window w, bool visible);
// A card window hears where it lies now (after a test changed info(w) by hand).
void tellPlace(desk::Window w);
std::vector<desk::Window> zorder();  // every live top-level window, top first
void destroy(desk::Window w);        // as DestroyWindow: the card's destruction handler runs

// Logs.
const std::vector<int>& sounds();
const std::vector<desk::Window>& invalidated();
void clearLogs();
const std::vector<std::pair<desk::Window, desk::AccessEvent>>& accessEvents();  // what screen readers heard
int batchesEnded();

// Panel controls: enabled state and checkbox by id (all enabled and unchecked at first).
bool enabled(int id);
bool checked(int id);

// Settings of the fake world.
void setPointer(desk::Point p);
void setMovesReachCapture(bool reach);  // false: as under Wine, moves come only over own windows
void setWorkArea(desk::Rect r);
void failWorkArea(bool fail);
void setDpi(uint32_t dpi);
void failBatchAfter(int entries);  // the batch fails at its (entries + 1)-th deferred move; -1: never
void failCardCreation(bool fail);
void failCardCreationAfter(int windows);  // as a process out of windows
desk::Window active();
// The clock: each reading advances it by ms (0 at first: time stands still).
void setClockStep(uint32_t ms);
// The texts of the progress window so far, and whether it is open now.
const std::vector<std::u16string>& progressShown();
bool progressOpen();

// Timers: the interval of a running timer (0 when it is not running), and firing one.
uint32_t timer(desk::Window w, uintptr_t id);
void fireTimer(desk::Window w, uintptr_t id);
// Cursors: the resource id last set (0: none), and how many wait cursors are showing.
int cursorResource();
int waitCursors();
void setKeyDown(uint32_t vk, bool down);
void setDoubleClickTime(uint32_t ms);

// Files: an in-memory folder; the program lives at kModulePath.
extern const std::u16string kModulePath;
std::map<std::u16string, std::vector<uint8_t>>& files();
void failFileWrites(bool fail);  // replaceFile fails (access denied) and leaves the old file
void failRenames(bool fail);  // recycleFile fails too (the file is in use)
void failCopies(desk::FileError why);
void setModulePath(const std::u16string& path);  // empty: too long for the system to give
const std::vector<std::u16string>& pathsTouched();  // every path handed to the file functions  // copyFile fails so (None: it works)
// Another spelling of a file (a short name, a link, a mapped drive) that reaches the same file.
void linkFile(const std::u16string& link, const std::u16string& file);
// Files put in the Recycle Bin, with what they held.
const std::vector<std::pair<std::u16string, std::vector<uint8_t>>>& recycled();
int pictureDecodes();  // pictures decoded so far (a shared one counts once)

// Menus and messages: the answers the next menus get (0, dismissed, when they run out), and logs.
struct MenuShown {
    desk::Window owner;
    int menu;
    std::vector<std::pair<int, std::u16string>> texts;
};
void answerMenus(std::vector<int> ids);
const std::vector<MenuShown>& menusShown();
const std::vector<std::u16string>& warnings();
const std::u16string& logOffHold();  // the reason the end of the session is held up with; empty: none
const std::vector<std::pair<Card*, bool>>& recomposed();  // faces composed again: card, front
const std::vector<desk::Window>& tipsShown();              // cards whose tooltip popped up
bool tipsHeld();                                           // the tip is held down
// The fake's clock, as timeStamp gives it.
constexpr char16_t kTimeStamp[] = u"20261207-093015";
void setMinimized(desk::Window w, bool minimized, desk::Point restored = {});

}  // namespace fake
