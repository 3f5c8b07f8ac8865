// Writes seed messages for the message fuzz target into the folder given: what a shared table of 53
// cards really sends (its creation, a carry, a turn of all, a shuffle, a take-out, a put-away), a
// digest, and the cards of every bucket.
#include <cstdio>
#include <string>

#include "app/commands.h"
#include "app/startup.h"
#include "app/table.h"
#include "cards/card_window.h"
#include "deck/history.h"
#include "dialogs/takeout.h"
#include "share/shared_table.h"
#include "support/fake_desk.h"

namespace {

bool write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string folder = argv[1];
    std::vector<std::vector<uint8_t>> sent;
    fake::reset();
    installTableListeners();
    table.panel = fake::addWindow(u"#32770", u"ルポネ", {400, 300, 600, 420});
    table.cardParent = fake::addWindow(u"CardParent", u"カードの親", {0, 0, 0, 0});
    createDefaultDeck();
    takeSnapshot();
    share::SharedTable shared;
    share::startSharing(shared, 7, {0, 0, 1024, 768}, table.cardParent, [&](const std::vector<uint8_t>& b) { sent.push_back(b); });
    desk::moveWindow(table.deck.at(5).window, 300, 200);
    takeSnapshot();
    turnAllFaceUp();
    desk::activate(table.deck.at(0).window);
    shufflePile();
    CardListSeam list;
    list.append = [](uint32_t) { return true; };
    list.remove = [](size_t) {};
    takeOut({0, 3}, {0, 12}, list);
    putAway({2, 40}, list);
    sent.push_back(share::digestMessage(shared));
    sent.push_back(share::cardsMessage(shared));
    bool ok = true;
    for (size_t i = 0; i < sent.size(); ++i) ok &= write(folder + "/message-" + std::to_string(i), sent[i]);
    share::stopSharing(shared);
    return ok ? 0 : 1;
}
