#include "share/mqtt.h"

namespace mqtt {

namespace {

void putLength(Bytes& out, size_t n) {
    do {
        uint8_t b = n % 128;
        n /= 128;
        if (n) b |= 0x80;
        out.push_back(b);
    } while (n);
}

void putU16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void putString(Bytes& out, const std::string& s) {
    putU16(out, static_cast<uint16_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

Bytes packet(Type type, uint8_t flags, const Bytes& body) {
    Bytes out{static_cast<uint8_t>(static_cast<uint8_t>(type) << 4 | flags)};
    putLength(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

bool readU16(const Bytes& b, size_t& at, uint16_t& v) {
    if (b.size() - at < 2) return false;
    v = static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
    at += 2;
    return true;
}

bool send(Client& c, const Bytes& bytes, uint32_t now) {
    if (!c.write || !c.write(bytes)) return false;
    c.lastSent = now;
    return true;
}

uint16_t nextId(Client& c) {
    do ++c.lastId;
    while (c.lastId == 0 || c.unacknowledged.count(c.lastId));
    return c.lastId;
}

// Sends again, marked as sent before, what waited longer than olderThan for its acknowledgement.
void resend(Client& c, uint32_t now, uint32_t olderThan) {
    for (auto& [id, p] : c.unacknowledged) {
        if (now - p.sentAt < olderThan) continue;
        p.bytes[0] |= 0x08;
        if (send(c, p.bytes, now)) p.sentAt = now;
    }
}

}  // namespace

Bytes connectPacket(const ConnectOptions& o) {
    Bytes body;
    putString(body, "MQTT");
    body.push_back(4);  // 3.1.1
    uint8_t flags = 0x02;  // a clean session: the repair covers what a session would keep
    if (o.hasWill) flags |= 0x04 | 0x08 | (o.will.retain ? 0x20 : 0);  // will QoS 1
    if (!o.user.empty()) flags |= 0x80 | (o.password.empty() ? 0 : 0x40);
    body.push_back(flags);
    putU16(body, o.keepAliveSeconds);
    putString(body, o.clientId);
    if (o.hasWill) {
        putString(body, o.will.topic);
        putU16(body, static_cast<uint16_t>(o.will.message.size()));
        body.insert(body.end(), o.will.message.begin(), o.will.message.end());
    }
    if (!o.user.empty()) {
        putString(body, o.user);
        if (!o.password.empty()) putString(body, o.password);
    }
    return packet(Type::Connect, 0, body);
}

Bytes publishPacket(const std::string& topic, const Bytes& payload, int qos, bool retain, uint16_t id, bool again) {
    Bytes body;
    putString(body, topic);
    if (qos > 0) putU16(body, id);
    body.insert(body.end(), payload.begin(), payload.end());
    return packet(Type::Publish, static_cast<uint8_t>((again ? 0x08 : 0) | (qos > 0 ? 0x02 : 0) | (retain ? 0x01 : 0)), body);
}

Bytes subscribePacket(uint16_t id, const std::vector<std::string>& topics) {
    Bytes body;
    putU16(body, id);
    for (const std::string& t : topics) {
        putString(body, t);
        body.push_back(1);
    }
    return packet(Type::Subscribe, 0x02, body);
}

Bytes pubackPacket(uint16_t id) {
    Bytes body;
    putU16(body, id);
    return packet(Type::Puback, 0, body);
}

Bytes pingPacket() { return packet(Type::Pingreq, 0, {}); }
Bytes disconnectPacket() { return packet(Type::Disconnect, 0, {}); }

PacketReader::Result PacketReader::next(Packet& out) {
    if (buffer_.empty()) return Result::Incomplete;
    size_t length = 0, at = 1;
    for (int shift = 0;; shift += 7) {
        if (at >= buffer_.size()) return Result::Incomplete;
        if (shift > 21) return Result::Bad;  // four bytes at most
        const uint8_t b = buffer_[at++];
        length |= static_cast<size_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) break;
    }
    if (length > kMostPacketBytes) return Result::Bad;
    if (buffer_.size() - at < length) return Result::Incomplete;
    const uint8_t type = buffer_[0] >> 4;
    if (type == 0 || type == 15) return Result::Bad;
    out.type = static_cast<Type>(type);
    out.flags = buffer_[0] & 0x0F;
    out.body.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(at), buffer_.begin() + static_cast<std::ptrdiff_t>(at + length));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(at + length));
    return Result::Packet;
}

bool parsePublish(const Packet& p, Message& out) {
    if (p.type != Type::Publish) return false;
    const int qos = (p.flags >> 1) & 3;
    if (qos > 1) return false;  // we subscribe at QoS 1: a broker never sends more
    size_t at = 0;
    uint16_t n = 0;
    if (!readU16(p.body, at, n) || p.body.size() - at < n) return false;
    Message m;
    m.topic.assign(p.body.begin() + static_cast<std::ptrdiff_t>(at), p.body.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    if (qos > 0 && !readU16(p.body, at, m.id)) return false;
    m.qos = qos;
    m.retain = p.flags & 1;
    m.payload.assign(p.body.begin() + static_cast<std::ptrdiff_t>(at), p.body.end());
    out = std::move(m);
    return true;
}

void opened(Client& c, uint32_t now) {
    c.state = Client::State::Waiting;
    c.reader = PacketReader();
    c.lastHeard = now;
    send(c, connectPacket(c.options), now);
}

bool received(Client& c, const uint8_t* data, size_t size, uint32_t now) {
    c.reader.feed(data, size);
    c.lastHeard = now;
    Packet p;
    for (;;) {
        const PacketReader::Result r = c.reader.next(p);
        if (r == PacketReader::Result::Incomplete) return true;
        if (r == PacketReader::Result::Bad) return false;
        switch (p.type) {
        case Type::Connack:
            if (c.state != Client::State::Waiting || p.body.size() != 2) return false;
            c.refusal = p.body[1];
            if (c.refusal != 0) return false;
            c.state = Client::State::Up;
            if (!c.topics.empty()) send(c, subscribePacket(nextId(c), c.topics), now);
            resend(c, now, 0);  // what the last connection left unacknowledged
            if (c.changed) c.changed(true);
            break;
        case Type::Publish: {
            Message m;
            if (c.state != Client::State::Up || !parsePublish(p, m)) return false;
            if (m.qos == 1) send(c, pubackPacket(m.id), now);
            if (c.delivered) c.delivered(m);
            break;
        }
        case Type::Puback: {
            size_t at = 0;
            uint16_t id = 0;
            if (!readU16(p.body, at, id)) return false;
            c.unacknowledged.erase(id);
            break;
        }
        case Type::Suback:
        case Type::Pingresp: break;
        default: return false;  // nothing else comes from a broker
        }
    }
}

void closed(Client& c) {
    const bool wasUp = c.state == Client::State::Up;
    c.state = Client::State::Closed;
    // A refusal is told too, so that the owner can say why (refusal holds the broker's code).
    if ((wasUp || c.refusal) && c.changed) c.changed(false);
}

bool tick(Client& c, uint32_t now) {
    if (c.state == Client::State::Closed) return true;
    const uint32_t keepAlive = c.options.keepAliveSeconds * 1000u;
    if (keepAlive && now - c.lastHeard > keepAlive + keepAlive / 2) return false;
    if (c.state == Client::State::Up) {
        resend(c, now, kResendMs);
        if (keepAlive && now - c.lastSent >= keepAlive * 3 / 4) send(c, pingPacket(), now);
    }
    return true;
}

void publish(Client& c, const std::string& topic, const Bytes& payload, int qos, bool retain, uint32_t now) {
    if (qos == 0) {
        if (c.state == Client::State::Up) send(c, publishPacket(topic, payload, 0, retain, 0), now);
        return;
    }
    const uint16_t id = nextId(c);
    Client::Pending& p = c.unacknowledged[id];
    p.bytes = publishPacket(topic, payload, 1, retain, id);
    p.sentAt = now;
    if (c.state == Client::State::Up) send(c, p.bytes, now);
}

void disconnect(Client& c) {
    if (c.state != Client::State::Closed) send(c, disconnectPacket(), c.lastSent);
    closed(c);
}

}  // namespace mqtt
