#include "app/keeping.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "app/panel.h"
#include "app/table.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "deck/state.h"
#include "deck/table_events.h"
#include "desk/winconst.h"
#include "faces/face_text.h"
#include "res/ids.h"
#include "share/share_request.h"

StateData collectState() {
    StateData d = collectTable();
    desk::Point panel;
    if (table.panel && desk::restoredPosition(table.panel, panel)) {
        d.panelX = panel.x;
        d.panelY = panel.y;
    }
    return d;
}

namespace {

std::u16string fileName(const std::u16string& path) { return path.substr(path.find_last_of(u"\\/") + 1); }

std::u16string refusalText(StateRefusal why) {
    switch (why) {
    case StateRefusal::TooShort: return u"ファイルが短すぎます";
    case StateRefusal::TooLarge: return u"ファイルが大きすぎます（10 MiB を超えています）";
    case StateRefusal::NotOurs: return u"ルポネの状態ファイルではないか、別の版のファイルです";
    case StateRefusal::TooManyCards: return u"カードの枚数が上限の 10000 枚を超えています";
    case StateRefusal::SizeMismatch:
        return u"ファイルの大きさがカードの枚数と合いません。途中までしか書かれていないか、壊れています";
    case StateRefusal::None: break;
    }
    return u"ファイルの中身を読み取れませんでした";
}

std::u16string fileErrorText(desk::FileError e) {
    switch (e) {
    case desk::FileError::AccessDenied:
        return u"書き込みが許可されていません。ファイルかフォルダーが読み取り専用かもしれません";
    case desk::FileError::InUse: return u"ほかのプログラムがファイルを使っています";
    case desk::FileError::DiskFull: return u"ディスクの空き容量が足りません";
    case desk::FileError::NoFolder: return u"フォルダーが見つかりません";
    case desk::FileError::TooLarge: return refusalText(StateRefusal::TooLarge);
    default: return u"ファイルを読み書きできませんでした";
    }
}

enum class Read { Loaded, Missing, Refused };

struct Attempt {
    Read result = Read::Refused;
    std::u16string why;
    StateData data;
};

Attempt tryRead(const std::u16string& path) {
    Attempt a;
    std::vector<uint8_t> bytes;
    if (!desk::readFile(path, kMaxStateFileBytes, bytes)) {
        desk::FileError e = desk::lastFileError();
        if (e == desk::FileError::Missing)
            a.result = Read::Missing;
        else
            a.why = fileErrorText(e);
        return a;
    }
    StateRefusal why = checkState(bytes.data(), bytes.size());
    if (why == StateRefusal::None && decodeState(bytes.data(), bytes.size(), a.data))
        a.result = Read::Loaded;
    else
        a.why = refusalText(why);
    return a;
}

void notice(std::u16string text) { table.startNotices.push_back(std::move(text)); }

// A file the program could not read goes out of the way under a name that says so; when no such
// name can be had, it stays where it is and the table is never written over it.
void keepUnreadable(const std::u16string& path, const std::u16string& why, bool recovered) {
    const std::u16string base = path + u".unreadable-" + desk::timeStamp();
    std::u16string kept;
    for (int i = 1; i <= 9 && kept.empty(); ++i) {
        std::u16string name = i == 1 ? base : base + u"-" + std::u16string(1, static_cast<char16_t>(u'0' + i));
        if (desk::renameFile(path, name)) kept = name;
    }
    std::u16string text = u"ルポネの状態ファイル「" + fileName(path) + u"」を読み込めませんでした（" + why + u"）。\r\n";
    if (kept.empty()) {
        table.keepStateFile = true;
        text += u"ファイルの名前を変えられなかったので、このファイルはそのまま残し、上書きしません。"
                u"このテーブルは保存されません。";
    } else {
        text += u"ファイルは「" + fileName(kept) + u"」という名前で同じフォルダーに残してあります。";
    }
    if (!recovered) text += u"\r\n新しいテーブルを並べました。";
    notice(text);
}

std::u16string unsavedMarker(const std::u16string& path) { return path + u".unsaved"; }

// A save at log-off that failed left a note; the user hears of it at this start.
void tellOfUnsavedLogOff(const std::u16string& path) {
    std::vector<uint8_t> note;
    if (!desk::readFile(unsavedMarker(path), 16, note)) return;
    auto error = note.size() == 1 ? static_cast<desk::FileError>(note[0]) : desk::FileError::Other;
    notice(u"前回ログオフしたときに、テーブルを保存できませんでした（" + fileErrorText(error) + u"）。\r\nファイル: " +
           path + u"\r\nそれより前に保存したテーブルを並べています。");
    desk::removeFile(unsavedMarker(path));
}

// Places the panel as a fresh start does when nothing of it is left on any monitor.
void bringPanelWithinReach() {
    desk::Rect r, work;
    desk::Point pointer;
    if (!table.panel || !desk::windowRect(table.panel, r) || desk::meetsWorkArea(r)) return;
    if (!desk::cursorPos(pointer) || !workArea(work)) return;
    desk::Point at = placePanel(pointer, r.width(), r.height(), work);
    desk::moveWindow(table.panel, at.x, at.y);
}

void tellWhenNoCardIsInSight() {
    if (table.deck.empty()) return;
    for (const auto& c : table.deck.items()) {
        desk::Rect r;
        if (c->window && desk::windowRect(c->window, r) && desk::meetsWorkArea(r)) return;
    }
    notice(u"カードがどれも画面の外にあります。「まとめる」ボタンを押すと、カードを画面の中に集められます。");
}

}  // namespace

desk::FileError saveState() {
    // While shared, the file keeps the player's own table, saved as sharing began.
    if (table.keepStateFile || table.sharing) return desk::FileError::None;
    std::u16string path = tableFilePath();
    if (path.empty()) return desk::FileError::NoFolder;
    std::vector<uint8_t> bytes;
    try {
        bytes = encodeState(collectState());
    } catch (const std::bad_alloc&) {
        return desk::FileError::Other;
    }
    return desk::replaceFile(path, bytes) ? desk::FileError::None : desk::lastFileError();
}

namespace {

std::u16string failedSaveText(desk::FileError e) {
    return u"テーブルを保存できませんでした（" + fileErrorText(e) + u"）。\r\n\r\nファイル: " + tableFilePath() +
           u"\r\n\r\n前に保存したファイルはそのまま残っています。";
}

// A save that worked lets a held log-off go on again.
desk::FileError saveAndNote() {
    desk::FileError e = saveState();
    if (e == desk::FileError::None) {
        table.saveFailureTold = false;
        if (table.logOffHeld) {
            table.logOffHeld = false;
            desk::holdLogOff(table.panel, {});
        }
    }
    return e;
}

}  // namespace

std::u16string saveOrAsk(SaveBefore what) {
    desk::FileError e = saveAndNote();
    if (e == desk::FileError::None) return {};
    const bool closing = what == SaveBefore::Closing;
    return failedSaveText(e) + u"\r\n\r\nもう一度保存しますか？\r\n" +
           u"「はい」: もう一度保存します（空きを作るか、書き込みを許可してから押してください）。\r\n" +
           (closing ? u"「いいえ」: 保存せずに終了します。" : u"「いいえ」: 保存せずにほかのテーブルにします。") +
           u"前に保存したあとの変更はなくなります。\r\n" +
           (closing ? u"「キャンセル」: 終了せずに、テーブルに戻ります。" : u"「キャンセル」: 今のテーブルに戻ります。");
}

bool saveBeforeLogOff() {
    desk::FileError e = saveAndNote();
    if (e == desk::FileError::None) return true;
    table.logOffHeld = true;
    desk::holdLogOff(table.panel, u"テーブルを保存できませんでした（" + fileErrorText(e) +
                                      u"）。空きを作るか書き込みを許可してから、もう一度ログオフしてください。");
    return false;
}

void saveAtLogOff() {
    desk::FileError e = saveAndNote();
    if (e == desk::FileError::None) return;
    std::u16string path = tableFilePath();
    if (!path.empty()) desk::replaceFile(unsavedMarker(path), {static_cast<uint8_t>(e)});
}

// The first change after a save sets the clock; later ones ride along, so that a user who never
// pauses is saved every two seconds all the same.
void scheduleSave() {
    if (!table.panel || table.savePending) return;
    table.savePending = true;
    desk::setTimer(table.panel, kSaveTimer, kSaveDelayMs);
}

void listenForSaving() {
    listenToTable({[](const TableChange& change) {
                       if (change.settled) scheduleSave();
                   },
                   {}});
}

void onSaveTimer() {
    desk::killTimer(table.panel, kSaveTimer);
    // A gesture under way should not stutter: the save comes soon after it. But a card carried by
    // click holds the mouse until the next click, however long the user waits: by then the save
    // goes ahead with the table as it shows.
    if (desk::capture() && table.saveDeferrals < kSaveMostDeferrals) {
        ++table.saveDeferrals;
        desk::setTimer(table.panel, kSaveTimer, kSaveRetryMs);
        return;
    }
    table.saveDeferrals = 0;
    table.savePending = false;
    desk::FileError e = saveAndNote();
    if (e == desk::FileError::None) return;
    // Tried again quietly, so that once the user has made room the table is saved; told once.
    table.savePending = true;
    desk::setTimer(table.panel, kSaveTimer, kSaveFailedRetryMs);
    if (table.saveFailureTold) return;
    table.saveFailureTold = true;
    desk::warn(table.panel, failedSaveText(e) +
                                u"\r\n\r\n空きを作るか書き込みを許可すると、次の自動保存で保存されます。"
                                u"このまま終了すると、前に保存したあとの変更はなくなります。");
}

namespace {

// A table that takes more than a second to lay tells the user how many of its cards are ready.
class LoadProgress {
public:
    explicit LoadProgress(size_t total) : total_(total), start_(desk::tickCount()) {}
    ~LoadProgress() {
        if (shown_) desk::endProgress();
    }
    LoadProgress(const LoadProgress&) = delete;
    LoadProgress& operator=(const LoadProgress&) = delete;
    void made(size_t done) {
        if (shown_ ? done % kEvery != 0 : desk::tickCount() - start_ < kAfterMs) return;
        shown_ = true;
        desk::showProgress(u"カードを並べています… " + decimalText(done) + u" / " + decimalText(total_) + u" 枚");
    }

private:
    static constexpr size_t kEvery = 50;
    static constexpr uint32_t kAfterMs = 1000;
    size_t total_;
    uint32_t start_;
    bool shown_ = false;
};

}  // namespace

std::u16string tableFilePath() {
    return table.tableFile.empty() ? stateFilePath(desk::modulePath()) : table.tableFile;
}

std::u16string lastTableMarker() {
    const std::u16string state = stateFilePath(desk::modulePath());
    return state.size() < 4 ? std::u16string() : state.substr(0, state.size() - 4) + u".last";
}

void rememberLastTable() {
    const std::u16string marker = lastTableMarker();
    if (marker.empty()) return;
    const std::string utf8 = share::toUtf8(table.tableFile);
    desk::replaceFile(marker, std::vector<uint8_t>(utf8.begin(), utf8.end()));
}

void takeUpLastTable() {
    std::vector<uint8_t> bytes;
    const std::u16string marker = lastTableMarker();
    if (marker.empty() || !desk::readFile(marker, 4096, bytes) || bytes.empty()) return;
    const std::u16string path = share::fromUtf8(std::string(bytes.begin(), bytes.end()));
    std::vector<uint8_t> probe;
    // A table on a stick that is not plugged in now: the state file beside the program serves.
    if (!path.empty() && (desk::readFile(path, kMaxStateFileBytes, probe) || desk::lastFileError() != desk::FileError::Missing))
        table.tableFile = path;
}

std::u16string readTableFile(const std::u16string& path, StateData& data) {
    Attempt a = tryRead(path);
    if (a.result == Read::Loaded) {
        data = std::move(a.data);
        return {};
    }
    return a.result == Read::Missing ? u"ファイルが見つかりません" : a.why;
}

std::u16string saveTableAs(const std::u16string& path) {
    const std::u16string was = table.tableFile;
    const bool kept = table.keepStateFile;
    table.tableFile = path;
    table.keepStateFile = false;
    const desk::FileError e = saveState();
    if (e != desk::FileError::None) {
        table.tableFile = was;
        table.keepStateFile = kept;
        return u"テーブルを「" + fileName(path) + u"」に保存できませんでした（" + fileErrorText(e) + u"）。";
    }
    rememberLastTable();
    return {};
}

void applyState(const StateData& d) {
    desk::WaitCursor wait;  // thousands of cards take a while
    LoadProgress progress(d.cards.size());
    desk::Rect work{};
    if (!workArea(work)) work = {};
    if (table.panel) desk::moveWindow(table.panel, std::max(d.panelX, work.left), std::max(d.panelY, work.top));
    bringPanelWithinReach();
    layTable(d, table.cardParent, [&](size_t made) { progress.made(made); });
    desk::setCheck(table.panel, IDC_RP_RECURSIVE, table.judgeRecursively);
    if (!table.unshownCards.empty())
        notice(u"カード " + decimalText(table.unshownCards.size()) +
               u" 枚は、Windows がこれ以上ウィンドウを作れなかったため表示できません"
               u"（ひとつのプログラムが使えるウィンドウの数には上限があります）。\r\n"
               u"これらのカードは読み込んだときのまま、状態ファイルに残して保存します。");
    tellWhenNoCardIsInSight();
}

bool loadState() {
    std::u16string path = tableFilePath();
    if (path.empty()) return false;
    tellOfUnsavedLogOff(path);
    Attempt main = tryRead(path);
    if (main.result == Read::Loaded) {
        applyState(main.data);
        return true;
    }
    // A save interrupted between writing the new file and putting it in place leaves it whole.
    Attempt spare = tryRead(path + u".new");
    const bool recovered = spare.result == Read::Loaded;
    if (main.result == Read::Refused) keepUnreadable(path, main.why, recovered);
    if (!recovered) return false;
    applyState(spare.data);
    notice(u"前回の保存が途中で終わっていたので、「" + fileName(path) + u".new」からテーブルを戻しました。");
    return true;
}
