#include "faces/face_lookup.h"

#include "app/table.h"
#include "deck/suits.h"
#include "faces/face_text.h"

namespace {

// Empty when the folder is not known: a name without one would be looked for at the drive's root.
std::u16string inFolder(const std::u16string& name) {
    const std::u16string folder = pictureFolder();
    return folder.empty() ? std::u16string() : folder + u"\\" + name;
}

}  // namespace

const char16_t* const kPictureExtensions[4] = {u".jpg", u".gif", u".bmp", u".png"};

std::u16string foldCase(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

std::u16string pictureFolder() {
    std::u16string module = desk::modulePath();
    size_t slash = module.find_last_of(u"\\/");
    return slash == std::u16string::npos ? std::u16string() : module.substr(0, slash);
}

std::u16string faceBaseName(int32_t rank, char16_t suit) {
    if (suit == kJoker) return inFolder(u"joker");
    if (!isSuit(suit) || rankText(rank).empty()) return {};
    return inFolder(rankText(rank) + std::u16string(1, suit));
}

bool probeExtensions(std::u16string& path) {
    if (path.empty()) return false;
    for (const char16_t* ext : kPictureExtensions) {
        std::u16string found;
        if (desk::findFile(path + ext, found)) {
            path = found;
            return true;
        }
    }
    return false;
}

std::u16string findFacePicture(const Card& card) {
    std::u16string names[3];
    if (card.suit == kJoker) {
        names[0] = u"joker";
    } else if (isSuit(card.suit) && !rankText(card.rank).empty()) {
        names[0] = rankText(card.rank) + std::u16string(1, card.suit);
        names[1] = rankText(card.rank);
        names[2] = std::u16string(1, card.suit);
    }
    for (const std::u16string& name : names) {
        std::u16string path = name.empty() ? std::u16string() : inFolder(name);
        if (probeExtensions(path)) return path;
    }
    return {};
}

void refreshCardPicture(Card& card) {
    std::u16string path = findFacePicture(card);
    if (path == card.picturePath) return;
    card.picturePath = path;
    card.picture = path.empty() ? nullptr : loadPicture(path);
}

void loadTablePictures() {
    table.frontPicturePath = inFolder(u"表");
    if (!probeExtensions(table.frontPicturePath)) table.frontPicturePath.clear();
    table.backPicturePath = inFolder(u"裏");
    if (!probeExtensions(table.backPicturePath)) table.backPicturePath.clear();
    table.frontPicture = table.frontPicturePath.empty() ? nullptr : loadPicture(table.frontPicturePath);
    table.backPicture = table.backPicturePath.empty() ? nullptr : loadPicture(table.backPicturePath);
}
