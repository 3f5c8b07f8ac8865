// A shared table as the program runs it: the key, the broker connection, the envelopes and the
// shared layer together. Starting listens for a while: a table that answers (its state, a player
// there, a digest) is joined; silence makes this player's table the shared one. Who is there comes
// from the retained presence, which the broker clears through the will when a connection dies.
#pragma once

#include "share/broker_win32.h"

#include <functional>
#include <map>
#include <string>

#include "share/envelope_win32.h"
#include "share/shared_table.h"

namespace share {

struct SessionSettings {
    std::string host;
    uint16_t port = 1883;
    std::u16string table;
    std::u16string passphrase;
    std::u16string player;
    std::u16string brokerUser, brokerPassword;  // for a broker that asks; none when empty
    uint32_t keyIterations = kKeyIterations;
    uint32_t listenMs = 3000;  // before a silent table is created
};

enum class SessionState { Off, Connecting, Listening, Created, Joined };

constexpr uint8_t kRefusedCredentials = 4;  // CONNACK: bad user name or password
constexpr uint8_t kRefusedNotAuthorised = 5;

struct Session {
    SessionSettings settings;
    TableKey key;
    Instance instance;
    bool instanceKnown = false;
    uint64_t session = 0;
    uint32_t sealedCount = 0;
    BrokerConnection broker;
    SharedTable shared;
    SessionState state = SessionState::Off;
    bool connected = false;
    uint32_t listenSince = 0;
    uint32_t decidedAt = 0;  // when this player took its place at the table
    uint32_t lastDigest = 0;
    desk::Window owner = nullptr;
    desk::Rect work;
    int32_t tableWidth = 0, tableHeight = 0;  // in units, as a state chunk tells
    std::map<uint64_t, std::string> players;  // the others at the table, by session: their names
    std::vector<std::pair<Topic, std::vector<uint8_t>>> early;  // heard while listening
    uint32_t refused = 0;  // envelopes that did not open (another passphrase, forged, replayed)
    uint64_t answerBuckets = 0;  // a repair answer due: the buckets another player's digest lacks
    uint32_t answerAt = 0;       // when it goes
    uint32_t connectedAt = 0;    // since when the broker is there again; the retained state is looked for
    bool stateSeen = true;       // the retained state came back after connecting (else it is published)
    uint32_t stateWaitMs = 0;    // how long this player looks for it (a little apart from the others)
    std::function<void()> changed;  // state, players or connection: the caption follows
    UINT_PTR timer = 0;
};

constexpr uint32_t kDigestEveryMs = 30000;
constexpr uint32_t kRivalMs = 10000;  // a player's first time at a table, in which an older one wins
constexpr uint32_t kMostAnswerDelayMs = 500;  // several players answering one digest spread out
constexpr uint32_t kStateLookMs = 2000;       // a retained state not back by then is published again
constexpr size_t kCardsPerStateChunk = 400;  // about 56 KB a chunk: under the brokers' 64 KB

// Starts sharing; false with the reason in plain words when it cannot start.
bool startSession(Session& s, const SessionSettings& settings, desk::Window owner, const desk::Rect& work,
                  std::u16string& why);
// Leaves the table: the presence is cleared and the connection ends cleanly.
void stopSession(Session& s);

}  // namespace share
