// MQTT 3.1.1, the part a shared table needs, without any transport: packets to bytes and back, and
// a client that keeps one connection's state (the handshake, subscriptions, QoS 1 publishes kept
// until acknowledged and sent again, the keep-alive). The Win32 shell carries its bytes on a socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace mqtt {

using Bytes = std::vector<uint8_t>;

enum class Type : uint8_t {
    Connect = 1, Connack = 2, Publish = 3, Puback = 4, Subscribe = 8, Suback = 9, Pingreq = 12, Pingresp = 13, Disconnect = 14
};

constexpr size_t kMostPacketBytes = 4 << 20;  // larger packets end the connection

struct Will {
    std::string topic;
    Bytes message;
    bool retain = false;
};

struct ConnectOptions {
    std::string clientId;
    uint16_t keepAliveSeconds = 30;
    bool hasWill = false;
    Will will;  // sent with QoS 1
    std::string user;      // none when empty
    std::string password;  // only with a user
};

Bytes connectPacket(const ConnectOptions& options);
Bytes publishPacket(const std::string& topic, const Bytes& payload, int qos, bool retain, uint16_t id, bool again = false);
Bytes subscribePacket(uint16_t id, const std::vector<std::string>& topics);  // each at QoS 1
Bytes pubackPacket(uint16_t id);
Bytes pingPacket();
Bytes disconnectPacket();

struct Packet {
    Type type = Type::Connect;
    uint8_t flags = 0;
    Bytes body;
};

// Cuts a byte stream into packets.
class PacketReader {
public:
    enum class Result { Incomplete, Packet, Bad };
    void feed(const uint8_t* data, size_t size) { buffer_.insert(buffer_.end(), data, data + size); }
    Result next(Packet& out);

private:
    Bytes buffer_;
};

struct Message {
    std::string topic;
    Bytes payload;
    int qos = 0;
    bool retain = false;
    uint16_t id = 0;
};
bool parsePublish(const Packet& packet, Message& out);

// One connection's state. The transport calls opened, received and closed, and tick now and then;
// the client writes through write (false: the bytes could not be sent).
struct Client {
    enum class State { Closed, Waiting, Up };
    ConnectOptions options;
    std::vector<std::string> topics;  // subscribed at every connection
    std::function<bool(const Bytes&)> write;
    std::function<void(const Message&)> delivered;
    std::function<void(bool up)> changed;  // the connection is up (CONNACK accepted), lost or refused

    State state = State::Closed;
    uint8_t refusal = 0;  // the broker's CONNACK code when it refused
    PacketReader reader;
    uint16_t lastId = 0;
    struct Pending {
        Bytes bytes;
        uint32_t sentAt = 0;
    };
    std::map<uint16_t, Pending> unacknowledged;  // QoS 1 publishes, sent again until acknowledged
    uint32_t lastSent = 0, lastHeard = 0;
};

constexpr uint32_t kResendMs = 5000;

void opened(Client& c, uint32_t now);
// False when the bytes are not MQTT or the broker refused: the transport closes the connection.
bool received(Client& c, const uint8_t* data, size_t size, uint32_t now);
void closed(Client& c);
// Pings when nothing was sent for most of the keep-alive; false when the broker has not been heard
// for one and a half keep-alives (the connection is dead).
bool tick(Client& c, uint32_t now);
// QoS 1 is kept and sent again until acknowledged (also across a reconnection); QoS 0 goes only
// while the connection is up.
void publish(Client& c, const std::string& topic, const Bytes& payload, int qos, bool retain, uint32_t now);
// A clean end: DISCONNECT (the broker then drops the will).
void disconnect(Client& c);

}  // namespace mqtt
