#include "faces/drop.h"

#include "app/table.h"
#include "faces/face_lookup.h"
#include "faces/face_text.h"
#include "faces/picture_size.h"
#include "res/ids.h"

const char16_t kDroppedPathTooLong[] =
    u"ファイルの場所を表す文字列が長すぎるため、この絵は使えません。\r\n短い場所に置いてからドロップしてください。";

namespace {

constexpr size_t kMostConflicts = 71;
const char16_t kSuitLetters[] = {u's', u'h', u'd', u'c'};

// Adds every existing file of the base name (all four extensions), while there is room.
void addExisting(std::vector<std::u16string>& list, const std::u16string& name) {
    const std::u16string folder = pictureFolder();
    if (folder.empty()) return;
    for (const char16_t* ext : kPictureExtensions) {
        std::u16string found;
        if (list.size() < kMostConflicts && desk::findFile(folder + u"\\" + name + ext, found))
            list.push_back(found);
    }
}

std::u16string letter(char16_t suit) { return std::u16string(1, suit); }

// The last component's extension from its last dot, as the user spelled it.
std::u16string extensionOf(const std::u16string& path) {
    size_t slash = path.find_last_of(u"\\/");
    size_t dot = path.find_last_of(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
    return path.substr(dot);
}

bool supported(const std::u16string& ext) {
    for (const char16_t* known : kPictureExtensions)
        if (foldCase(ext) == known) return true;
    return false;
}

// Looks the card's picture up anew, composes its front and shows it when it is up.
void showNewFront(Card& card) {
    card.picturePath.clear();
    refreshCardPicture(card);
    desk::recompose(card, true);
    if (card.faceUp && card.window) desk::invalidate(card.window);
}

// Why a dropped picture was not taken, in the user's words.
std::u16string notTakenText(desk::FileError why) {
    std::u16string reason;
    switch (why) {
    case desk::FileError::IsFolder: reason = u"ドロップされたのはフォルダーです。絵のファイルをドロップしてください。"; break;
    case desk::FileError::DiskFull: reason = u"ディスクの空き容量が足りません。空きを作ってからもう一度ドロップしてください。"; break;
    case desk::FileError::AccessDenied:
        reason = u"ルポネのフォルダーに書き込む権限がないか、ファイルを読む権限がありません。";
        break;
    case desk::FileError::InUse:
        reason = u"ファイルをほかのプログラムが使っています。そのプログラムを閉じてからもう一度ドロップしてください。";
        break;
    case desk::FileError::Missing:
    case desk::FileError::NoFolder: reason = u"ファイルが見つかりません。"; break;
    default: reason = u"ファイルを読み書きできませんでした。"; break;
    }
    return u"この絵は取り込めませんでした。\r\n" + reason + u"\r\nカードの絵も、フォルダーのファイルも変わっていません。";
}

// Copies the dropped file in under the target's name: first whole under a temporary name beside
// it, then the conflicts go to the Recycle Bin (never the dropped file itself, however its path is
// spelled), then the copy takes the target's name. Whatever fails, nothing of the user's is lost.
// False when the cards have nothing new to show.
bool takeDroppedFile(Card& card, uint32_t choice, const std::u16string& dropped, const std::u16string& target) {
    const std::u16string temp = target + u".rupone-new";
    desk::removeFile(temp);  // left by an interrupted drop
    if (!desk::copyFile(dropped, temp)) {
        const desk::FileError why = desk::lastFileError();
        desk::removeFile(temp);
        desk::warn(card.window, notTakenText(why));
        return false;
    }
    desk::FileError stayed = desk::FileError::None;  // why a file to be put away is still there
    for (const std::u16string& path : collectConflicts(card, choice)) {
        if (desk::sameFile(path, dropped)) continue;
        if ((table.overwriteConflicts || askConflict(card, path) == IDM_RP_DELETE) && !desk::recycleFile(path))
            stayed = desk::lastFileError();
    }
    std::u16string existing;
    if (desk::findFile(target, existing)) {
        // The dropped file already lies there (under another spelling), the user kept the file, or
        // it could not be put away.
        desk::removeFile(temp);
        if (desk::sameFile(existing, dropped)) return true;
        if (stayed != desk::FileError::None) desk::warn(card.window, notTakenText(stayed));
        return false;
    }
    if (!desk::renameFile(temp, target)) {
        const desk::FileError why = desk::lastFileError();
        desk::removeFile(temp);
        desk::warn(card.window, notTakenText(why));
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::u16string> collectConflicts(const Card& card, uint32_t choice) {
    std::vector<std::u16string> list;
    const bool joker = card.suit == kJoker;
    if (choice == 0) {
        addExisting(list, u"裏");
    } else if (choice == IDM_RP_FOR_CARD || (joker && choice != IDM_RP_FOR_ALL)) {
        std::u16string base = faceBaseName(card.rank, card.suit);
        if (!base.empty()) addExisting(list, base.substr(base.find_last_of(u"\\/") + 1));
    } else if (choice == IDM_RP_FOR_RANK) {
        for (char16_t s : kSuitLetters) addExisting(list, rankText(card.rank) + letter(s));
        addExisting(list, rankText(card.rank));
    } else if (choice == IDM_RP_FOR_SUIT) {
        for (int32_t r = 1; r <= 13; ++r) addExisting(list, rankText(r) + letter(card.suit));
        addExisting(list, letter(card.suit));
    } else if (choice == IDM_RP_FOR_ALL) {
        addExisting(list, u"joker");
        for (int32_t r = 1; r <= 13; ++r)
            for (char16_t s : kSuitLetters) addExisting(list, rankText(r) + letter(s));
        for (int32_t r = 1; r <= 13; ++r) addExisting(list, rankText(r));
        for (char16_t s : kSuitLetters) addExisting(list, letter(s));
        addExisting(list, u"表");
    }
    return list;
}

uint32_t askConflict(Card& card, const std::u16string& path) {
    if (card.conflictChoice == IDM_RP_ALWAYS_DELETE) return IDM_RP_DELETE;
    if (card.conflictChoice == IDM_RP_NEVER_DELETE) return IDM_RP_KEEP;
    const std::u16string name = path.substr(path.find_last_of(u"\\/") + 1);
    int chosen = desk::popupMenu(card.window, IDM_RP_CONFLICT, {{IDM_RP_CONFLICT_FILE, name}});
    switch (chosen) {
    case IDM_RP_ALWAYS_DELETE: card.conflictChoice = IDM_RP_ALWAYS_DELETE; return IDM_RP_DELETE;
    case IDM_RP_NEVER_DELETE: card.conflictChoice = IDM_RP_NEVER_DELETE; return IDM_RP_KEEP;
    case IDM_RP_DELETE: return IDM_RP_DELETE;
    default: return IDM_RP_KEEP;
    }
}

void dropPicture(Card& card, const std::u16string& dropped) {
    desk::WaitCursor wait;
    const std::u16string ext = extensionOf(dropped);
    if (ext.empty()) {
        desk::warn(card.window, u"拡張子(ファイルの種類)を検出できませんでした。");
        return;
    }
    if (!supported(ext)) {
        desk::warn(card.window, u"非対応の拡張子(ファイルの種類)です。\n.jpg, .gif, .bmp, .png のいずれかが名前についているファイルをドロップしてください");
        return;
    }
    if (pictureFolder().empty()) {
        desk::warn(card.window, u"ルポネのフォルダーの場所を表す文字列が長すぎるため、絵を置けません。\r\n"
                                u"ルポネを短い場所に移してから、もう一度ドロップしてください。");
        return;
    }
    uint32_t width = 0, height = 0;
    if (readPictureSize(dropped, width, height) && pictureTooLarge(width, height)) {
        desk::warn(card.window, u"この絵は大きすぎるため使えません（" + decimalText(width) + u" × " + decimalText(height) +
                                    u" ピクセル）。\r\n1 億ピクセルまでの絵をドロップしてください。");
        return;
    }
    const bool joker = card.suit == kJoker;
    uint32_t choice = 0;
    std::u16string target = pictureFolder() + u"\\";
    if (card.faceUp) {
        int chosen = desk::popupMenu(card.window, IDM_RP_ASSIGN);
        if (chosen < 0) return;
        choice = static_cast<uint32_t>(chosen);
        if (choice == IDM_RP_FOR_CARD) {
            target = faceBaseName(card.rank, card.suit);
            if (target.empty()) return;
        } else if (choice == IDM_RP_FOR_RANK) {
            if (joker || rankText(card.rank).empty()) return;
            target += rankText(card.rank);
        } else if (choice == IDM_RP_FOR_SUIT) {
            target += joker ? u"joker" : letter(card.suit);
        } else if (choice == IDM_RP_FOR_ALL) {
            target += u"表";
        } else {
            return;
        }
    } else {
        target += u"裏";
    }
    target += ext;

    if (!takeDroppedFile(card, choice, dropped, target)) return;

    if (!card.faceUp) {
        table.backPicture.reset();
        table.backPicturePath = target;
        table.backPicture = loadPicture(target);
        desk::recompose(card, false);
        for (const auto& c : table.deck.items())
            if (!c->faceUp && c->window) desk::invalidate(c->window);
    } else if (choice == IDM_RP_FOR_ALL) {
        table.frontPicture.reset();
        table.frontPicturePath = target;
        table.frontPicture = loadPicture(target);
        for (const auto& c : table.deck.items()) {
            c->picture.reset();
            c->picturePath.clear();
            desk::recompose(*c, true);
            if (c->faceUp && c->window) desk::invalidate(c->window);
        }
    } else if (choice == IDM_RP_FOR_CARD || joker) {
        showNewFront(card);
    } else {
        for (const auto& c : table.deck.items())
            if ((choice == IDM_RP_FOR_RANK && c->rank == card.rank) || (choice == IDM_RP_FOR_SUIT && c->suit == card.suit))
                showNewFront(*c);
    }
}
