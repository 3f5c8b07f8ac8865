// Several players of one shared table, each with a table and fake desktop of their own, and a
// network between them that delays, reorders, duplicates, drops (and then resends) and partitions.
#pragma once

#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/startup.h"
#include "app/table.h"
#include "cards/card_window.h"
#include "cards/gestures.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "deck/table_events.h"
#include "dialogs/takeout.h"
#include "share/message.h"
#include "share/shared_table.h"
#include "support/fake_desk.h"

namespace sim {

using share::CardId;

struct Player {
    Table table;
    fake::Desktop desktop;
    share::SharedTable shared;
};

struct Parcel {
    size_t to;
    uint64_t due;
    std::vector<uint8_t> bytes;
};

class Network {
public:
    explicit Network(uint64_t seed) : rng(seed) {}
    // Every player gets every message, the sender too, after a random delay; some twice, some
    // dropped on the way and sent again later, some lost for good (the repair finds them). A
    // player cut off from the broker hears nothing; what it sends meanwhile is kept and sent when
    // it is back (as the client keeps what the broker has not acknowledged), or lost.
    void publish(size_t from, size_t players, const std::vector<uint8_t>& bytes) {
        if (cutOff(from)) {
            if (keepWhileCut) kept[from].push_back(bytes);
            return;
        }
        Count& count = sent[share::kindOf(bytes.data(), bytes.size())];
        ++count.messages;
        count.bytes += bytes.size();
        for (size_t to = 0; to < players; ++to) {
            if (cutOff(to) || (lossy && rng() % 12 == 0)) continue;
            const int copies = rng() % 8 == 0 ? 2 : 1;
            for (int k = 0; k < copies; ++k) {
                uint64_t due = now + rng() % 20;
                if (rng() % 6 == 0) due += 30 + rng() % 50;  // dropped, then resent
                parcels.push_back({to, due, bytes});
            }
        }
    }
    bool cutOff(size_t player) const { return player < cutUntil.size() && now < cutUntil[player]; }
    std::mt19937_64 rng;
    bool lossy = true;
    std::deque<Parcel> parcels;
    uint64_t now = 0;
    std::vector<uint64_t> cutUntil;  // by player: cut off from the broker until then
    bool keepWhileCut = true;
    std::map<size_t, std::vector<std::vector<uint8_t>>> kept;  // by player, while cut off
    struct Count {
        uint64_t messages = 0, bytes = 0;
    };
    std::map<share::MessageKind, Count> sent;  // published, as the broker takes them in
};

class ShareSim {
public:
    ShareSim(uint64_t seed, size_t count) : net(seed), rng(seed * 7919 + 1) {
        fake::reset();
        installTableListeners();
        for (size_t i = 0; i < count; ++i) join();
    }

    // A player comes to the table: the first makes it from a fresh deck, the others join and start
    // from the state one of the players has (as from the retained state, which may be stale), or
    // from nothing yet.
    void join(bool withState = true) {
        const size_t i = players.size();
        players.push_back(std::make_unique<Player>());
        enter(i);
        table.panel = fake::addWindow(u"#32770", u"ルポネ", {400, 300, 600, 420});
        table.cardParent = fake::addWindow(u"CardParent", u"カードの親", {0, 0, 0, 0});
        const desk::Rect work{0, 0, 1024, 768};
        auto publish = [this, i](const std::vector<uint8_t>& bytes) { net.publish(i, players.size(), bytes); };
        share::SharedTable& shared = players[i]->shared;
        // A digest heard is answered with what differs.
        shared.digestHeard = [this, i](uint64_t, const share::Digest& theirs) {
            const uint64_t differ = share::differingBuckets(share::digestOf(players[i]->shared.replica), theirs);
            if (differ) net.publish(i, players.size(), share::cardsMessage(players[i]->shared, differ));
        };
        takeSnapshot();
        if (i == 0) {
            createDefaultDeck();
            takeSnapshot();
            share::startSharing(shared, 100 + i, work, table.cardParent, publish);
            leave(i);
            return;
        }
        share::joinSharing(shared, 100 + i, work, 1024, 768, table.cardParent, publish);
        leave(i);
        if (!withState) return;
        const std::vector<uint8_t> state = share::cardsMessage(players[rng() % i]->shared);
        net.parcels.push_back({i, net.now, state});
    }

    // Every player sends its digest until all agree; false when they never do. A card still hanging
    // from a player's pointer is let go first, as the user at last would.
    bool repair() {
        for (size_t i = 0; i < players.size(); ++i) {
            enter(i);
            if (desk::capture()) desk::releaseCapture();
            leave(i);
        }
        for (int round = 0; round < 20; ++round) {
            deliverDue(true);
            for (size_t i = 0; i < players.size(); ++i) {
                enter(i);
                share::showHeld(players[i]->shared);
                leave(i);
            }
            bool agree = true;
            for (size_t i = 1; i < players.size(); ++i)
                agree &= share::digestOf(players[i]->shared.replica) == share::digestOf(players[0]->shared.replica);
            if (agree) return true;
            for (size_t i = 0; i < players.size(); ++i) net.publish(i, players.size(), share::digestMessage(players[i]->shared));
        }
        return false;
    }
    ~ShareSim() {
        for (size_t i = 0; i < players.size(); ++i) {
            enter(i);
            share::stopSharing(players[i]->shared);
            releaseAllCards();
            leave(i);
        }
        table = Table{};
        fake::reset();
    }

    // The player's table and desktop become the ones the program works on.
    void enter(size_t i) {
        current = i;
        std::swap(table, players[i]->table);
        players[i]->desktop.swap();
        players[i]->shared.attached = true;
    }
    void leave(size_t i) {
        players[i]->shared.attached = false;
        players[i]->desktop.swap();
        std::swap(table, players[i]->table);
    }

    // The player loses the broker for a while; back, it sends what it kept and its digest, as
    // after every CONNACK.
    void cut(size_t i, uint64_t duration) {
        net.cutUntil.resize(players.size());
        net.cutUntil[i] = net.now + duration;
    }
    void rejoin(size_t i) {
        std::vector<std::vector<uint8_t>> kept;
        kept.swap(net.kept[i]);
        for (const auto& bytes : kept) net.publish(i, players.size(), bytes);
        net.publish(i, players.size(), share::digestMessage(players[i]->shared));
    }

    void deliverDue(bool all) { pass(all ? 1000 : 5); }
    void pass(uint64_t duration) {
        const uint64_t was = net.now;
        net.now += duration;
        for (size_t i = 0; i < net.cutUntil.size(); ++i)
            if (net.cutUntil[i] > was && net.cutUntil[i] <= net.now) rejoin(i);
        std::deque<Parcel> later;
        while (!net.parcels.empty()) {
            // Reordered: any due parcel may come first.
            size_t pick = net.rng() % net.parcels.size();
            Parcel p = std::move(net.parcels[pick]);
            net.parcels.erase(net.parcels.begin() + static_cast<std::ptrdiff_t>(pick));
            if (p.due > net.now) {
                later.push_back(std::move(p));
                continue;
            }
            enter(p.to);
            share::receive(players[p.to]->shared, p.bytes.data(), p.bytes.size());
            leave(p.to);
        }
        net.parcels = std::move(later);
    }

    Card* anyCard() {
        if (table.deck.empty()) return nullptr;
        Card* c = &table.deck.at(rng() % table.deck.count());
        return c->window && c->placed ? c : nullptr;
    }
    desk::Point anySpot() { return {static_cast<int32_t>(rng() % 900), static_cast<int32_t>(rng() % 650)}; }

    // One thing a player does with the table, as the user would.
    void act(size_t i) {
        enter(i);
        Card* c = anyCard();
        CardListSeam list;
        list.append = [](uint32_t) { return true; };
        list.remove = [](size_t) {};
        switch (rng() % 12) {
        case 0:
        case 1:
        case 2:
            if (c) carry(*c, anySpot());
            break;
        case 3:
            if (c) {
                const desk::Point p = centre(*c);
                fake::setPointer(p);
                onRightRelease(*c, table.cardWidth / 2, table.cardHeight / 2);  // turned
            }
            break;
        case 4: rng() % 2 ? turnAllFaceUp() : turnAllFaceDown(); break;
        case 5:
            if (c) {
                desk::activate(c->window);
                shufflePile();
            }
            break;
        case 6: rng() % 2 ? sequenceAll() : scatter(); break;
        case 7:
            fake::setPointer(anySpot());
            gather();
            break;
        case 8: takeOut({static_cast<int>(rng() % 4)}, {static_cast<int>(rng() % 13)}, list); break;
        case 9:
            if (table.deck.count() > 10) putAway({rng() % table.deck.count()}, list);
            break;
        case 10: undo(); break;
        case 11: redo(); break;
        }
        leave(i);
    }

    static desk::Point centre(const Card& c) { return {(c.rect.left + c.rect.right) / 2, (c.rect.top + c.rect.bottom) / 2}; }

    void carry(Card& c, desk::Point to) {
        const desk::Point from = centre(c);
        fake::setPointer(from);
        desk::activate(c.window);
        onLeftPress(c, 0, 0);
        onLeftRelease(c, 0, 0);
        Card* held = table.deck.find(desk::capture());
        if (!held) return;
        fake::setPointer({(from.x + to.x) / 2, (from.y + to.y) / 2});
        onMouseMove(*held, 0, 0);
        // Others' changes arrive while the card is carried.
        const size_t me = current;
        leave(me);
        deliverDue(false);
        enter(me);
        fake::setPointer(to);
        onMouseMove(*held, 0, 0);
        desk::activate(held->window);
        onLeftPress(*held, 0, 0);
        if (Card* still = table.deck.find(desk::capture())) onLeftRelease(*still, 0, 0);
    }

    // What the player sees, by card: top first, each with its centre in table units and face.
    std::string seen(size_t i) {
        enter(i);
        std::string out;
        const share::SharedTable& s = players[i]->shared;
        for (desk::Window w : listCardWindows()) {
            Card* c = table.deck.find(w);
            auto id = c ? s.ids.find(c) : s.ids.end();
            if (id == s.ids.end()) {
                out += "[a card no one else knows] ";
                continue;
            }
            const share::Place p = s.units.toUnits(c->rect);
            out += std::to_string(id->second.session) + "." + std::to_string(id->second.counter) + "." +
                   std::to_string(id->second.index) + "@" + std::to_string(p.x) + "," + std::to_string(p.y) +
                   (c->faceUp ? "^ " : "v ");
        }
        leave(i);
        return out;
    }

    Network net;
    std::mt19937_64 rng;
    size_t current = 0;
    std::vector<std::unique_ptr<Player>> players;
};

}  // namespace sim
