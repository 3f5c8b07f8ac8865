// The one door from the table logic to the window system. Two implementations exist:
// desk_win32.cpp (user32/gdi32) and the in-memory fake of the native tests; the linker picks one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Card;

namespace desk {

struct WindowTag;
using Window = WindowTag*;  // an HWND on Windows, an id in the fake

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
};

using ThreadId = uint32_t;

// Special insert-after values of a restack, as the platform spells them.
Window const kTop = nullptr;
extern Window const kBottom;

// ---- windows ----
std::vector<Window> topLevelWindows();  // z-order, top first
ThreadId currentThread();
ThreadId windowThread(Window w);
// Copies at most cap - 1 characters and a terminating zero; returns the characters copied.
size_t windowText(Window w, char16_t* buf, size_t cap);
size_t className(Window w, char16_t* buf, size_t cap);
bool windowRect(Window w, Rect& out);
bool isVisible(Window w);
bool isAlive(Window w);

// A hidden card window of class "Card" (created with the record as its creation parameter;
// its creation handler runs before this returns). Null on failure.
Window createCardWindow(Card* card, int32_t x, int32_t y, int32_t width, int32_t height, Window owner);
// Cuts the tie between a window and its record, so that nothing reaches a freed record.
void detachCard(Window w);
// Closes a window for good (a card's destruction handler runs before this returns).
void closeWindow(Window w);
// Shows a window where it is, without activating it.
void showWindow(Window w);

// ---- batched moves and restacks ----
// One entry: move/size/show/restack as SetWindowPos flags say; insertAfter is kTop, kBottom or a window.
struct BatchTag;
using Batch = BatchTag*;
Batch beginBatch(int count);
Batch defer(Batch b, Window w, Window insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t flags);
bool endBatch(Batch b);

// ---- activation, focus, capture, pointer ----
void activate(Window w);
void setForeground(Window w);
void setFocus(Window w);
Window focus();
void setCapture(Window w);
void releaseCapture();
Window capture();
Point messagePos();  // screen position of the pointer when the current message was posted
// Whether the pointer's moves reach the window holding the capture wherever the pointer is
// (Windows); under Wine the user's pointer reaches only the windows under it.
bool movesReachCapture();
bool cursorPos(Point& out);

// ---- timers, system metrics ----
void setTimer(Window w, uintptr_t id, uint32_t ms);
void killTimer(Window w, uintptr_t id);
uint32_t doubleClickTime();
Point dragSize();  // the drag rectangle's width and height

// ---- cursors and keys ----
void setCursorResource(int id);  // a cursor of the program's resources, until the pointer moves on
void* showWaitCursor();          // returns the cursor to put back
void restoreCursor(void* previous);
// Shows the wait cursor while it lives.
class WaitCursor {
public:
    WaitCursor() : previous_(showWaitCursor()) {}
    ~WaitCursor() { restoreCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    void* previous_;
};
bool keyDown(uint32_t vk);        // asynchronous key state

// ---- monitors ----
bool workAreaNear(Window w, Rect& out);
// Whether some part of the rectangle lies on the work area of an attached monitor.
bool meetsWorkArea(const Rect& r);
// Dots per inch of the display a window is on (96 at 100 % scale).
uint32_t displayDpi(Window w);

// ---- menus, messages, faces ----
// Popup 0 of a menu resource, opened at the window's left edge one pixel below it with the window
// kept clear, item texts replaced by id; the chosen id, 0 when dismissed, -1 when it cannot load.
int popupMenu(Window owner, int menuResource, const std::vector<std::pair<int, std::u16string>>& texts = {});
// Holds up the end of the session with this reason shown by the system; an empty one lets it go.
void holdLogOff(Window w, const std::u16string& reason);
// A message box owned by the window: caption "ルポネ", warning icon, OK.
void warn(Window owner, const std::u16string& text);

// ---- what the shell does with its card windows and faces ----
// Registered by the shell with its card window class; until then these do nothing.
struct CardShell {
    void (*showTip)(Window card) = nullptr;
    void (*holdTips)(bool hold) = nullptr;
    void (*detachAll)() = nullptr;
    void (*recompose)(Card& card, bool front) = nullptr;
};
void registerCardShell(const CardShell& shell);
// Shows the tooltip of a card's window at once, at the pointer.
void showTip(Window card);
// While held, the cards' tip is down and does not show (cards are travelling under the pointer).
void holdTips(bool hold);
// Cuts every card window's tie at once (at shutdown, before the records go).
void detachAllCards();
// Composes the card's front or the shared back again from the pictures and settings, at the
// present card size (a face not drawn yet waits for its first paint).
void recompose(Card& card, bool front);

// ---- long work ----
uint32_t tickCount();  // milliseconds since some moment; wraps
// Shows a small window with this text over the desktop's work area (or changes its text), painted
// at once: long work that runs before any message is handled can still tell how far it is.
void showProgress(const std::u16string& text);
void endProgress();  // closes that window, if any

// ---- output ----
void playSound(int resourceId);  // asynchronous, cuts off the sound still playing
void invalidate(Window w);        // whole window, no erase
// Screen readers hear of a card window: it took the focus, its name changed (turned), its state
// changed (picked up, put down). Raised as the system's accessibility events.
enum class AccessEvent { Focus, NameChange, StateChange };
void tellAccessibility(Window w, AccessEvent e);
void enableControl(Window dialog, int id, bool enabled);
bool isControlEnabled(Window dialog, int id);
void setCheck(Window dialog, int id, bool checked);
void moveWindow(Window w, int32_t x, int32_t y);  // no size, no z-order, no activation
// Top-left corner of a window; of its restored place when it is minimized (0, 0 when unknown).
bool restoredPosition(Window w, Point& out);

// ---- pictures ----
// Whether a file exists under this name, its letter case aside; out gets the name as it is on disk.
bool findFile(const std::u16string& path, std::u16string& out);
bool copyFile(const std::u16string& from, const std::u16string& to);  // fails when to exists
// Whether two paths name one file, by what the file system knows of it rather than by spelling
// (a short name, another letter case, a link or a mapped drive); false when either is missing.
bool sameFile(const std::u16string& a, const std::u16string& b);
// Puts a file in the Recycle Bin without asking; false when it is still where it was.
bool recycleFile(const std::u16string& path);

// ---- files ----
// Stored in a note for the next start: new values go at the end.
enum class FileError { None, Missing, TooLarge, AccessDenied, InUse, DiskFull, NoFolder, Other, IsFolder };
std::u16string modulePath();
// The whole file; false when it is missing, unreadable or larger than limit bytes.
bool readFile(const std::u16string& path, size_t limit, std::vector<uint8_t>& out);
// Writes the file beside the old one and replaces the old one only once the new one is complete:
// on false the old file is as it was.
bool replaceFile(const std::u16string& path, const std::vector<uint8_t>& bytes);
// Gives a file another name in its folder; never replaces a file that has the new name.
bool renameFile(const std::u16string& from, const std::u16string& to);
bool removeFile(const std::u16string& path);
// Why the last of the file calls above failed.
FileError lastFileError();
// The local date and time as YYYYMMDD-HHMMSS.
std::u16string timeStamp();

}  // namespace desk
