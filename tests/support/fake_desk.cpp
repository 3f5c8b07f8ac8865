#include "support/fake_desk.h"

#include <algorithm>
#include <list>
#include <memory>
#include <set>
#include <unordered_map>

#include "app/table.h"
#include "cards/card_window.h"
#include "desk/winconst.h"
#include "faces/picture_size.h"

namespace {

struct World {
    std::unordered_map<uintptr_t, fake::Window> windows;
    std::list<desk::Window> order;  // top first
    std::unordered_map<desk::Window, std::list<desk::Window>::iterator> where;
    uintptr_t nextId = 0x100;
    std::vector<int> sounds;
    std::vector<desk::Window> invalidated;
    std::vector<std::pair<desk::Window, desk::AccessEvent>> accessEvents;
    std::map<int, bool> disabled;
    std::map<int, bool> checks;
    desk::Point pointer;
    desk::Rect work{0, 0, 1024, 768};
    uint32_t dpi = 96;
    uint32_t clock = 0, tick = 0;  // every reading of the clock advances it by tick
    std::vector<std::u16string> progress;
    bool progressShown = false;
    bool failWork = false;
    int failAfter = -1;
    int createBudget = -1;  // card windows that can still be made; -1: any number
    int batchesEnded = 0;
    desk::Window active = nullptr;
    desk::Window focus = nullptr;
    desk::Window capture = nullptr;
    std::map<std::u16string, std::vector<uint8_t>> files;
    bool failWrites = false;
    bool failRenames = false;
    desk::FileError failCopies = desk::FileError::None;
    std::map<std::u16string, std::u16string> links;  // another spelling of a file -> its own path
    std::vector<std::pair<std::u16string, std::vector<uint8_t>>> recycled;
    int pictureDecodes = 0;
    std::vector<int> menuAnswers;
    std::vector<fake::MenuShown> menus;
    std::vector<std::u16string> warnings;
    std::u16string logOffHold;
    std::u16string modulePath = fake::kModulePath;
    std::vector<std::u16string> pathsTouched;
    std::vector<std::pair<Card*, bool>> recomposed;
    std::vector<desk::Window> tipsShown;
    bool tipsHeld = false;
    bool movesReachCapture = true;
    std::map<std::u16string, std::pair<std::weak_ptr<Picture>, std::vector<uint8_t>>> decoded;
    desk::FileError fileError = desk::FileError::None;
    std::map<uintptr_t, desk::Point> minimized;
    std::map<std::pair<uintptr_t, uintptr_t>, uint32_t> timers;
    int cursor = 0;
    int waiting = 0;
    std::set<uint32_t> keysDown;
    uint32_t doubleClick = 500;
};

World world;

uintptr_t key(desk::Window w) { return reinterpret_cast<uintptr_t>(w); }

fake::Window* find(desk::Window w) {
    auto it = world.windows.find(key(w));
    return it == world.windows.end() || !it->second.alive ? nullptr : &it->second;
}

void unlink(desk::Window w) {
    auto it = world.where.find(w);
    if (it == world.where.end()) return;
    world.order.erase(it->second);
    world.where.erase(it);
}

void placeBelow(desk::Window w, desk::Window after) {
    if (w == after) return;
    unlink(w);
    auto at = world.order.begin();
    if (after == desk::kBottom) {
        at = world.order.end();
    } else if (after != desk::kTop) {
        auto a = world.where.find(after);
        if (a != world.where.end()) at = std::next(a->second);
    }
    world.where[w] = world.order.insert(at, w);
}

// Window positions are kept within 16 bits, as the window system keeps them.
void place(fake::Window& f, int32_t x, int32_t y) {
    x = std::clamp(x, -32768, 32767);
    y = std::clamp(y, -32768, 32767);
    f.rect = {x, y, x + f.rect.width(), y + f.rect.height()};
}

void activateWindow(desk::Window w) {
    if (world.active == w) return;
    world.active = w;
    if (fake::Window* f = find(w); f && f->card) onCardActivated(*f->card, WA_ACTIVE);
}

}  // namespace

struct desk::BatchTag {
    struct Entry {
        desk::Window w, after;
        int32_t x, y, cx, cy;
        uint32_t flags;
    };
    std::vector<Entry> entries;
};

namespace desk {

Window const kBottom = reinterpret_cast<Window>(1);

std::vector<Window> topLevelWindows() { return {world.order.begin(), world.order.end()}; }
ThreadId currentThread() { return fake::kSelf; }
ThreadId windowThread(Window w) {
    fake::Window* f = find(w);
    return f ? f->thread : 0;
}

static size_t copyText(const std::u16string& s, char16_t* buf, size_t cap) {
    if (cap == 0) return 0;
    size_t n = std::min(s.size(), cap - 1);
    std::copy_n(s.begin(), n, buf);
    buf[n] = 0;
    return n;
}

size_t windowText(Window w, char16_t* buf, size_t cap) {
    fake::Window* f = find(w);
    return copyText(f ? f->title : std::u16string(), buf, cap);
}

size_t className(Window w, char16_t* buf, size_t cap) {
    fake::Window* f = find(w);
    return copyText(f ? f->cls : std::u16string(), buf, cap);
}

bool windowRect(Window w, Rect& out) {
    fake::Window* f = find(w);
    if (!f) return false;
    out = f->rect;
    return true;
}

bool isVisible(Window w) {
    fake::Window* f = find(w);
    return f && f->visible;
}

bool isAlive(Window w) { return find(w) != nullptr; }

Window createCardWindow(Card* card, int32_t x, int32_t y, int32_t width, int32_t height, Window) {
    if (world.createBudget == 0) return nullptr;
    if (world.createBudget > 0) --world.createBudget;
    Window w = fake::addWindow(u"Card", u"カード", {x, y, x + width, y + height}, fake::kSelf, false);
    fake::info(w).card = card;
    onCardCreated(*card, w);
    fake::tellPlace(w);
    return w;
}

void detachCard(Window w) {
    if (fake::Window* f = find(w)) f->card = nullptr;
}

void detachAllCards() {
    for (auto& w : world.windows) w.second.card = nullptr;
}

void closeWindow(Window w) { fake::destroy(w); }

void showTip(Window card) {
    if (!world.tipsHeld) world.tipsShown.push_back(card);
}
void holdTips(bool hold) { world.tipsHeld = hold; }

void showWindow(Window w) { fake::setVisible(w, true); }

Batch beginBatch(int count) {
    auto* b = new BatchTag();
    b->entries.reserve(static_cast<size_t>(std::max(count, 0)));
    return b;
}

Batch defer(Batch b, Window w, Window insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t flags) {
    if (!b) return nullptr;
    if (!find(w) || (world.failAfter >= 0 && static_cast<int>(b->entries.size()) >= world.failAfter)) {
        delete b;
        return nullptr;
    }
    b->entries.push_back({w, insertAfter, x, y, cx, cy, flags});
    return b;
}

bool endBatch(Batch b) {
    if (!b) return false;
    std::unique_ptr<BatchTag> own(b);
    ++world.batchesEnded;
    std::vector<Card*> moved;
    for (const auto& e : b->entries) {
        fake::Window* f = find(e.w);
        if (!f) continue;
        desk::Rect before = f->rect;
        if (!(e.flags & SWP_NOMOVE)) place(*f, e.x, e.y);
        if (!(e.flags & SWP_NOSIZE)) {
            // A card window keeps the card size whatever is asked for.
            f->rect.right = f->rect.left + (f->card ? table.cardWidth : e.cx);
            f->rect.bottom = f->rect.top + (f->card ? table.cardHeight : e.cy);
        }
        if (e.flags & SWP_SHOWWINDOW) f->visible = true;
        if (e.flags & SWP_HIDEWINDOW) f->visible = false;
        if (!(e.flags & SWP_NOZORDER)) placeBelow(e.w, e.after);
        fake::tellPlace(e.w);
        if (f->card && (before.left != f->rect.left || before.top != f->rect.top)) moved.push_back(f->card);
        if (!(e.flags & SWP_NOACTIVATE) && f->visible) activateWindow(e.w);
    }
    // The moved windows hear of it after the batch, as they do from EndDeferWindowPos.
    for (Card* c : moved) onCardMoved(*c);
    return true;
}

// Activating a card brings it to the top, as a click does.
void activate(Window w) {
    if (!find(w)) return;
    placeBelow(w, kTop);
    activateWindow(w);
}
void setForeground(Window w) { activate(w); }

void setFocus(Window w) {
    Window old = world.focus;
    if (old == w) return;
    world.focus = find(w) ? w : nullptr;
    if (fake::Window* f = find(old); f && f->card) onCardFocusLost(*f->card, world.focus);
    if (fake::Window* f = find(world.focus); f && f->card) onCardFocusGained(*f->card, old);
}

Window focus() { return world.focus; }

void setCapture(Window w) {
    Window old = world.capture;
    world.capture = w;
    if (old && old != w)
        if (fake::Window* f = find(old); f && f->card) onCaptureChanged(*f->card);
}

void releaseCapture() { setCapture(nullptr); }
Window capture() { return world.capture; }
Point messagePos() { return world.pointer; }
bool movesReachCapture() { return world.movesReachCapture; }
bool cursorPos(Point& out) {
    out = world.pointer;
    return true;
}

void setTimer(Window w, uintptr_t id, uint32_t ms) { world.timers[{key(w), id}] = ms; }
void killTimer(Window w, uintptr_t id) { world.timers.erase({key(w), id}); }
uint32_t doubleClickTime() { return world.doubleClick; }

void setCursorResource(int id) { world.cursor = id; }
void* showWaitCursor() {
    ++world.waiting;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(world.cursor + 1));
}
void restoreCursor(void* previous) {
    --world.waiting;
    world.cursor = static_cast<int>(reinterpret_cast<uintptr_t>(previous)) - 1;
}
bool keyDown(uint32_t vk) { return world.keysDown.count(vk) != 0; }
Point dragSize() { return {4, 4}; }

bool workAreaNear(Window, Rect& out) {
    if (world.failWork) return false;
    out = world.work;
    return true;
}

uint32_t displayDpi(Window) { return world.dpi; }

bool meetsWorkArea(const Rect& r) {
    const Rect& w = world.work;
    return r.left < w.right && w.left < r.right && r.top < w.bottom && w.top < r.bottom;
}

int popupMenu(Window owner, int menu, const std::vector<std::pair<int, std::u16string>>& texts) {
    world.menus.push_back({owner, menu, texts});
    if (world.menuAnswers.empty()) return 0;
    int answer = world.menuAnswers.front();
    world.menuAnswers.erase(world.menuAnswers.begin());
    return answer;
}

void warn(Window, const std::u16string& text) { world.warnings.push_back(text); }
void holdLogOff(Window, const std::u16string& reason) { world.logOffHold = reason; }
void recompose(Card& card, bool front) { world.recomposed.push_back({&card, front}); }

uint32_t tickCount() { return world.clock += world.tick; }
void showProgress(const std::u16string& text) {
    world.progress.push_back(text);
    world.progressShown = true;
}
void endProgress() { world.progressShown = false; }

void playSound(int id) { world.sounds.push_back(id); }
void invalidate(Window w) { world.invalidated.push_back(w); }
void tellAccessibility(Window w, AccessEvent e) { world.accessEvents.push_back({w, e}); }
void enableControl(Window, int id, bool enabled) { world.disabled[id] = !enabled; }
bool isControlEnabled(Window, int id) { return !world.disabled[id]; }
void setCheck(Window, int id, bool checked) { world.checks[id] = checked; }

void moveWindow(Window w, int32_t x, int32_t y) {
    if (fake::Window* f = find(w)) {
        place(*f, x, y);
        fake::tellPlace(w);
        if (f->card) onCardMoved(*f->card);
    }
}

bool restoredPosition(Window w, Point& out) {
    fake::Window* f = find(w);
    if (!f) return false;
    auto m = world.minimized.find(key(w));
    out = m != world.minimized.end() ? m->second : Point{f->rect.left, f->rect.top};
    return true;
}

std::u16string modulePath() { return world.modulePath; }

static bool fileFails(FileError e) {
    world.fileError = e;
    return false;
}

bool readFile(const std::u16string& path, size_t limit, std::vector<uint8_t>& out) {
    world.pathsTouched.push_back(path);
    auto it = world.files.find(path);
    if (it == world.files.end()) return fileFails(FileError::Missing);
    if (it->second.size() > limit) return fileFails(FileError::TooLarge);
    out = it->second;
    return true;
}

bool replaceFile(const std::u16string& path, const std::vector<uint8_t>& bytes) {
    world.pathsTouched.push_back(path);
    if (world.failWrites) return fileFails(FileError::AccessDenied);
    world.files[path] = bytes;
    return true;
}

bool renameFile(const std::u16string& from, const std::u16string& to) {
    world.pathsTouched.insert(world.pathsTouched.end(), {from, to});
    auto it = world.files.find(from);
    if (it == world.files.end()) return fileFails(FileError::Missing);
    if (world.failRenames || world.files.count(to)) return fileFails(FileError::AccessDenied);
    world.files[to] = std::move(it->second);
    world.files.erase(from);
    return true;
}

bool removeFile(const std::u16string& path) {
    world.pathsTouched.push_back(path);
    return world.files.erase(path) ? true : fileFails(FileError::Missing);
}

FileError lastFileError() { return world.fileError; }

std::u16string folded(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

bool findFile(const std::u16string& path, std::u16string& out) {
    world.pathsTouched.push_back(path);
    const std::u16string want = folded(path);
    for (const auto& f : world.files)
        if (folded(f.first) == want) {
            out = f.first;
            return true;
        }
    return false;
}

// The path a link or another spelling stands for.
static std::u16string resolved(const std::u16string& path) {
    auto link = world.links.find(folded(path));
    if (link != world.links.end()) return link->second;
    std::u16string found;
    return findFile(path, found) ? found : path;
}

bool sameFile(const std::u16string& a, const std::u16string& b) {
    const std::u16string x = resolved(a);
    return world.files.count(x) && x == resolved(b);
}

bool recycleFile(const std::u16string& path) {
    world.pathsTouched.push_back(path);
    if (world.failRenames) return fileFails(FileError::InUse);  // held open by another program
    auto it = world.files.find(resolved(path));
    if (it == world.files.end()) return fileFails(FileError::Missing);
    world.recycled.emplace_back(it->first, it->second);
    world.files.erase(it);
    return true;
}

bool copyFile(const std::u16string& from, const std::u16string& to) {
    world.pathsTouched.insert(world.pathsTouched.end(), {from, to});
    std::u16string existing;
    if (world.failCopies != FileError::None) return fileFails(world.failCopies);
    auto it = world.files.find(resolved(from));
    if (it == world.files.end()) return fileFails(FileError::Missing);
    if (findFile(to, existing)) return fileFails(FileError::AccessDenied);
    world.files[to] = it->second;
    return true;
}

}  // namespace desk

// The shell's pictures, from the fake files.
bool readPictureSize(const std::u16string& path, uint32_t& width, uint32_t& height) {
    world.pathsTouched.push_back(path);
    auto it = world.files.find(desk::resolved(path));
    return it != world.files.end() && pictureSize(it->second.data(), it->second.size(), width, height);
}

// A file decodes unless it is empty or starts with "bad"; its picture is as wide as the file is long.
PictureRef loadPicture(const std::u16string& path) {
    std::u16string name;
    if (!desk::findFile(path, name)) return nullptr;
    const std::vector<uint8_t>& bytes = world.files[name];
    auto& cached = world.decoded[desk::folded(name)];
    if (PictureRef held = cached.first.lock(); held && cached.second == bytes) return held;
    if (bytes.empty() || (bytes.size() >= 3 && bytes[0] == 'b' && bytes[1] == 'a' && bytes[2] == 'd')) return nullptr;
    ++world.pictureDecodes;
    auto picture = std::make_shared<Picture>();
    picture->bitmap = reinterpret_cast<void*>(uintptr_t{1});
    picture->width = static_cast<int32_t>(bytes.size());
    picture->height = 1;
    cached = {picture, bytes};
    return picture;
}
std::u16string desk::timeStamp() { return fake::kTimeStamp; }

namespace fake {

const std::u16string kModulePath = u"C:\\Games\\rupone.exe";
std::map<std::u16string, std::vector<uint8_t>>& files() { return world.files; }
void failFileWrites(bool fail) { world.failWrites = fail; }
void failRenames(bool fail) { world.failRenames = fail; }
void failCopies(desk::FileError why) { world.failCopies = why; }
void setModulePath(const std::u16string& path) { world.modulePath = path; }
const std::vector<std::u16string>& pathsTouched() { return world.pathsTouched; }
void linkFile(const std::u16string& link, const std::u16string& file) { world.links[desk::folded(link)] = file; }
const std::vector<std::pair<std::u16string, std::vector<uint8_t>>>& recycled() { return world.recycled; }
int pictureDecodes() { return world.pictureDecodes; }
void answerMenus(std::vector<int> ids) { world.menuAnswers = std::move(ids); }
const std::vector<MenuShown>& menusShown() { return world.menus; }
const std::vector<std::u16string>& warnings() { return world.warnings; }
const std::u16string& logOffHold() { return world.logOffHold; }
const std::vector<std::pair<Card*, bool>>& recomposed() { return world.recomposed; }
const std::vector<desk::Window>& tipsShown() { return world.tipsShown; }
bool tipsHeld() { return world.tipsHeld; }

uint32_t timer(desk::Window w, uintptr_t id) {
    auto it = world.timers.find({key(w), id});
    return it == world.timers.end() ? 0 : it->second;
}

void fireTimer(desk::Window w, uintptr_t id) {
    if (Window* f = find(w); f && f->card) onTimer(*f->card, id);
}

int cursorResource() { return world.cursor; }
int waitCursors() { return world.waiting; }
void setKeyDown(uint32_t vk, bool down) {
    if (down)
        world.keysDown.insert(vk);
    else
        world.keysDown.erase(vk);
}
void setDoubleClickTime(uint32_t ms) { world.doubleClick = ms; }
void setMinimized(desk::Window w, bool minimized, desk::Point restored) {
    if (minimized)
        world.minimized[key(w)] = restored;
    else
        world.minimized.erase(key(w));
}


void reset() { world = World{}; }

struct Desktop::Held {
    World world;
};
Desktop::Desktop() : held_(new Held) {}
Desktop::~Desktop() { delete held_; }
void Desktop::swap() { std::swap(world, held_->world); }

desk::Window addWindow(const std::u16string& cls, const std::u16string& title, desk::Rect rect, desk::ThreadId thread,
                       bool visible) {
    auto w = reinterpret_cast<desk::Window>(world.nextId);
    world.nextId += 0x10;
    Window& f = world.windows[key(w)];
    f.rect = rect;
    f.visible = visible;
    f.thread = thread;
    f.cls = cls;
    f.title = title;
    placeBelow(w, desk::kTop);
    return w;
}

Window& info(desk::Window w) { return world.windows.at(key(w)); }

void tellPlace(desk::Window w) {
    if (Window* f = find(w); f && f->card) onCardPlaced(*f->card, f->rect, f->visible);
}

void setVisible(desk::Window w, bool visible) {
    if (Window* f = find(w)) {
        f->visible = visible;
        tellPlace(w);
    }
}
std::vector<desk::Window> zorder() { return {world.order.begin(), world.order.end()}; }

void destroy(desk::Window w) {
    Window* f = find(w);
    if (!f) return;
    if (f->card) onCardDestroyed(*f->card);
    f->alive = false;
    unlink(w);
    if (world.active == w) world.active = nullptr;
    if (world.focus == w) world.focus = nullptr;
    if (world.capture == w) world.capture = nullptr;
}

const std::vector<int>& sounds() { return world.sounds; }
const std::vector<desk::Window>& invalidated() { return world.invalidated; }
void clearLogs() {
    world.sounds.clear();
    world.invalidated.clear();
    world.accessEvents.clear();
}
const std::vector<std::pair<desk::Window, desk::AccessEvent>>& accessEvents() { return world.accessEvents; }
int batchesEnded() { return world.batchesEnded; }
bool enabled(int id) { return !world.disabled[id]; }
bool checked(int id) { return world.checks[id]; }
void setMovesReachCapture(bool reach) { world.movesReachCapture = reach; }
void setPointer(desk::Point p) { world.pointer = p; }
void setWorkArea(desk::Rect r) { world.work = r; }
void failWorkArea(bool fail) { world.failWork = fail; }
void setDpi(uint32_t dpi) { world.dpi = dpi; }
void failBatchAfter(int entries) { world.failAfter = entries; }
void failCardCreation(bool fail) { world.createBudget = fail ? 0 : -1; }
void failCardCreationAfter(int windows) { world.createBudget = windows; }
desk::Window active() { return world.active; }
void setClockStep(uint32_t ms) { world.tick = ms; }
const std::vector<std::u16string>& progressShown() { return world.progress; }
bool progressOpen() { return world.progressShown; }

}  // namespace fake
