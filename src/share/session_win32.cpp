#include "share/session_win32.h"

#include <algorithm>
#include <ctime>

#include "deck/byte_codec.h"
#include "share/message.h"
#include "share/share_request.h"

namespace share {

namespace {

constexpr UINT kTickMs = 250;

Session* running = nullptr;  // the one the timer serves

void publishSealed(Session& s, Topic kind, uint64_t part, const std::vector<uint8_t>& payload, bool retain) {
    const std::vector<uint8_t> env = sealEnvelope(s.key, s.instance, kind, s.session, ++s.sealedCount, payload);
    if (!env.empty()) mqtt::publish(s.broker.client, topicOf(s.key, kind, part), env, 1, retain, GetTickCount());
}

void clearRetained(Session& s, Topic kind, uint64_t part) {
    mqtt::publish(s.broker.client, topicOf(s.key, kind, part), {}, 1, true, GetTickCount());
}

// The table as state chunks: the table's size, then a part of its cards whole.
void publishState(Session& s) {
    const std::vector<CardState> all = cardsIn(s.shared.replica, ~uint64_t{0});
    for (size_t from = 0, part = 0; from < all.size() || part == 0; from += kCardsPerStateChunk, ++part) {
        const std::vector<CardState> some(all.begin() + static_cast<std::ptrdiff_t>(from),
                                          all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), from + kCardsPerStateChunk)));
        ByteWriter w;
        w.i32(s.tableWidth);
        w.i32(s.tableHeight);
        const std::vector<uint8_t> cards = encodeCards(s.session, some);
        w.raw(cards.data(), cards.size());
        publishSealed(s, Topic::State, part, w.take(), true);
        if (all.empty()) break;
    }
}

void publishPresence(Session& s) {
    const std::string name = canonicalText(s.settings.player);
    publishSealed(s, Topic::Presence, s.session, std::vector<uint8_t>(name.begin(), name.end()), true);
}

void publishDigest(Session& s) {
    s.lastDigest = GetTickCount();
    publishSealed(s, Topic::Digests, 0, digestMessage(s.shared), false);
}

void tell(Session& s) {
    if (s.changed) s.changed();
}

bool shared(const Session& s) { return s.state == SessionState::Created || s.state == SessionState::Joined; }

// A state chunk's cards, after the table's size it begins with; false for a chunk that cannot be
// read.
bool stateCards(Session& s, const std::vector<uint8_t>& payload, std::vector<uint8_t>& cards) {
    ByteReader r(payload.data(), payload.size());
    const int32_t width = r.i32(), height = r.i32();
    if (!r.ok() || width <= 0 || height <= 0 || width > kMostUnits || height > kMostUnits) return false;
    if (!s.tableWidth) {
        s.tableWidth = width;
        s.tableHeight = height;
    }
    cards.assign(payload.begin() + 8, payload.end());
    return true;
}

void take(Session& s, Topic kind, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> cards;
    switch (kind) {
    case Topic::State:
        if (stateCards(s, payload, cards)) receive(s.shared, cards.data(), cards.size());
        break;
    case Topic::Moves:
    case Topic::Digests: receive(s.shared, payload.data(), payload.size()); break;
    case Topic::Presence: break;
    }
}

// The table is decided: joined when someone answered while we listened, made by us otherwise.
void decide(Session& s) {
    auto publish = [&s](const std::vector<uint8_t>& bytes) { publishSealed(s, Topic::Moves, 0, bytes, false); };
    // A digest that differs is answered after a random wait, so that answers from several players
    // spread out. None is left out because another's came first: that one may carry older cards.
    s.shared.digestHeard = [&s](uint64_t, const Digest& theirs) {
        const uint64_t differ = differingBuckets(digestOf(s.shared.replica), theirs);
        if (!differ) return;
        if (!s.answerBuckets) {
            uint32_t random = 0;
            randomBytes(&random, sizeof random);
            s.answerAt = GetTickCount() + random % (kMostAnswerDelayMs + 1);
        }
        s.answerBuckets |= differ;
    };
    if (s.instanceKnown) {
        if (!s.tableWidth) {
            s.tableWidth = std::max(s.work.width(), 1);
            s.tableHeight = std::max(s.work.height(), 1);
        }
        joinSharing(s.shared, s.session, s.work, s.tableWidth, s.tableHeight, s.owner, publish);
        s.state = SessionState::Joined;
        // What was heard while listening is laid in one go: the state's chunks, then the rest.
        std::vector<std::vector<uint8_t>> heard;
        for (auto& [kind, payload] : s.early) {
            std::vector<uint8_t> cards;
            if (kind != Topic::State)
                heard.push_back(std::move(payload));
            else if (stateCards(s, payload, cards))
                heard.push_back(std::move(cards));
        }
        s.early.clear();
        receiveAll(s.shared, std::move(heard));
        publishDigest(s);
    } else {
        uint64_t random = 0;
        randomBytes(&random, sizeof random);
        s.instance = {static_cast<uint64_t>(std::time(nullptr)), random};
        s.instanceKnown = true;
        s.tableWidth = std::clamp(s.work.width(), 1, kMostUnits);
        s.tableHeight = std::clamp(s.work.height(), 1, kMostUnits);
        startSharing(s.shared, s.session, s.work, s.owner, publish);
        s.state = SessionState::Created;
        publishState(s);
    }
    publishPresence(s);
    s.decidedAt = GetTickCount();
    tell(s);
}

// Another table of the same name: within this player's first 10 s at ours (or while still
// listening), an older one wins and this player goes over to it, laid afresh from what it sends;
// a younger one is refused, and if it wrote its state over ours, ours is published again (a player
// who joins later takes the table the retained state names). True when the message is to be taken.
bool rival(Session& s, const Instance& theirs, Topic kind) {
    const bool early = s.state == SessionState::Listening || (shared(s) && GetTickCount() - s.decidedAt < kRivalMs);
    if (!(theirs < s.instance) || !early) {
        if (kind == Topic::State && shared(s) && s.instance < theirs) publishState(s);
        return false;
    }
    s.instance = theirs;
    s.players.clear();
    s.early.clear();
    s.tableWidth = s.tableHeight = 0;
    if (shared(s)) {
        stopSharing(s.shared);
        s.shared = SharedTable();
        s.state = SessionState::Listening;
        s.listenSince = GetTickCount();  // the winner's state, published again over ours, is on its way
    }
    tell(s);
    return true;
}

void heard(Session& s, const mqtt::Message& m) {
    const std::string root = topicRoot(s.key) + "/";
    if (m.topic.compare(0, root.size(), root) != 0 || m.topic.size() <= root.size()) return;
    const char letter = m.topic[root.size()];
    const Topic kind = static_cast<Topic>(letter);
    if (letter != 'm' && letter != 'd' && letter != 's' && letter != 'p') return;
    if (m.payload.empty()) {
        // A cleared presence is a player gone; a state that vanished is published again.
        if (kind == Topic::Presence) {
            for (auto it = s.players.begin(); it != s.players.end(); ++it)
                if (m.topic == topicOf(s.key, Topic::Presence, it->first)) {
                    s.players.erase(it);
                    tell(s);
                    break;
                }
        } else if (kind == Topic::State && shared(s)) {
            publishState(s);
        }
        return;
    }
    Instance instance;
    uint64_t from = 0;
    std::vector<uint8_t> payload;
    if (!openEnvelope(s.key, kind, m.payload.data(), m.payload.size(), instance, from, payload)) {
        ++s.refused;
        return;
    }
    if (kind == Topic::State) s.stateSeen = true;
    if (from == s.session) return;  // our own, back from the broker
    if (!s.instanceKnown) {
        s.instance = instance;
        s.instanceKnown = true;
    } else if (!(instance == s.instance) && !rival(s, instance, kind)) {
        return;
    }
    if (kind == Topic::Presence) {
        s.players[from].assign(payload.begin(), payload.end());
        tell(s);
        return;
    }
    if (s.state == SessionState::Listening) {
        std::vector<uint8_t> cards;
        if (kind == Topic::State) stateCards(s, payload, cards);  // the table's size, before deciding
        s.early.emplace_back(kind, std::move(payload));
        return;
    }
    if (shared(s)) take(s, kind, payload);
}

void CALLBACK onTick(HWND, UINT, UINT_PTR, DWORD) {
    Session* s = running;
    if (!s) return;
    const uint32_t now = GetTickCount();
    if (s->state == SessionState::Listening && now - s->listenSince >= s->settings.listenMs) decide(*s);
    if (shared(*s)) {
        showHeld(s->shared);
        if (s->connected && now - s->lastDigest >= kDigestEveryMs) publishDigest(*s);
        if (s->connected && s->answerBuckets && static_cast<int32_t>(now - s->answerAt) >= 0) {
            publishSealed(*s, Topic::Moves, 0, cardsMessage(s->shared, s->answerBuckets), false);
            s->answerBuckets = 0;
        }
        // A broker that came back without the retained state (one that keeps nothing on disk) has
        // it again from whoever notices first.
        if (s->connected && !s->stateSeen && now - s->connectedAt >= s->stateWaitMs) {
            s->stateSeen = true;
            publishState(*s);
        }
    }
}

}  // namespace

bool startSession(Session& s, const SessionSettings& settings, desk::Window owner, const desk::Rect& work,
                  std::u16string& why) {
    if (running) {
        why = u"テーブルはすでに共有しています。";
        return false;
    }
    const std::string name = canonicalText(settings.table), passphrase = canonicalText(settings.passphrase);
    if (name.empty() || passphrase.empty()) {
        why = u"テーブルの名前と合言葉を入れてください。";
        return false;
    }
    s.settings = settings;
    s.owner = owner;
    s.work = work;
    {
        desk::WaitCursor wait;  // the key takes most of a second
        if (!deriveTableKey(name, passphrase, s.key, settings.keyIterations) || !randomBytes(&s.session, sizeof s.session)) {
            why = u"暗号の仕組みを使えませんでした。";
            return false;
        }
    }
    mqtt::ConnectOptions& o = s.broker.client.options;
    o.clientId = topicOf(s.key, Topic::Presence, s.session).substr(topicRoot(s.key).size() + 3);
    o.keepAliveSeconds = 30;
    o.user = toUtf8(settings.brokerUser);
    o.password = o.user.empty() ? std::string() : toUtf8(settings.brokerPassword);
    o.hasWill = true;
    o.will = {topicOf(s.key, Topic::Presence, s.session), {}, true};
    s.broker.client.topics = {topicRoot(s.key) + "/#"};
    s.broker.client.delivered = [&s](const mqtt::Message& m) { heard(s, m); };
    s.broker.client.changed = [&s](bool up) {
        s.connected = up;
        if (up && s.state == SessionState::Connecting) {
            s.state = SessionState::Listening;
            s.listenSince = GetTickCount();
        } else if (up && shared(s)) {
            publishPresence(s);
            publishDigest(s);
            s.connectedAt = GetTickCount();
            s.stateSeen = false;
            uint32_t random = 0;
            randomBytes(&random, sizeof random);
            s.stateWaitMs = kStateLookMs + random % 1000;
        }
        tell(s);
    };
    s.state = SessionState::Connecting;
    if (!connectBroker(s.broker, settings.host, settings.port)) {
        s.state = SessionState::Off;
        why = u"共有サーバー「" + std::u16string(settings.host.begin(), settings.host.end()) + u"」が見つかりません。";
        return false;
    }
    running = &s;
    s.timer = SetTimer(nullptr, 0, kTickMs, onTick);
    tell(s);
    return true;
}

void stopSession(Session& s) {
    if (running != &s) return;
    if (s.timer) KillTimer(nullptr, s.timer);
    s.timer = 0;
    running = nullptr;
    if (s.connected) clearRetained(s, Topic::Presence, s.session);
    disconnectBroker(s.broker);
    if (s.shared.listener) stopSharing(s.shared);
    s.state = SessionState::Off;
    s.connected = false;
    tell(s);
}

}  // namespace share
