#include "share/envelope_win32.h"

#include "deck/byte_codec.h"

namespace share {

namespace {

constexpr uint8_t kEnvelopeVersion = 1;
constexpr size_t kInstanceBytes = 16;

std::string hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

std::vector<uint8_t> associated(const TableKey& key, const Instance& instance, Topic kind, uint64_t session) {
    ByteWriter w(1 + key.tableId.size() + kInstanceBytes + 1 + 8);
    w.u8(kEnvelopeVersion);
    w.raw(key.tableId.data(), key.tableId.size());
    w.u64(instance.createdAt);
    w.u64(instance.random);
    w.u8(static_cast<uint8_t>(kind));
    w.u64(session);
    return w.take();
}

}  // namespace

std::string topicRoot(const TableKey& key) { return "rupone/1/" + hex(key.tableId.data(), key.tableId.size()); }

std::string topicOf(const TableKey& key, Topic kind, uint64_t part) {
    std::string topic = topicRoot(key) + "/" + static_cast<char>(kind);
    if (kind == Topic::State) topic += "/" + std::to_string(part);
    if (kind == Topic::Presence) {
        uint8_t b[8];
        for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(part >> (56 - 8 * i));
        topic += "/" + hex(b, 8);
    }
    return topic;
}

std::vector<uint8_t> sealEnvelope(const TableKey& key, const Instance& instance, Topic kind, uint64_t session,
                                  uint32_t count, const std::vector<uint8_t>& payload) {
    const std::vector<uint8_t> sealed = seal(key, session, count, associated(key, instance, kind, session), payload);
    if (sealed.empty()) return {};
    ByteWriter w(1 + kInstanceBytes + sealed.size());
    w.u8(kEnvelopeVersion);
    w.u64(instance.createdAt);
    w.u64(instance.random);
    w.raw(sealed.data(), sealed.size());
    return w.take();
}

bool openEnvelope(const TableKey& key, Topic kind, const uint8_t* bytes, size_t size, Instance& instance,
                  uint64_t& session, std::vector<uint8_t>& payload) {
    ByteReader r(bytes, size);
    if (r.u8() != kEnvelopeVersion) return false;
    Instance in;
    in.createdAt = r.u64();
    in.random = r.u64();
    if (!r.ok() || r.left() < kNonceBytes + kTagBytes) return false;
    const uint8_t* sealed = bytes + 1 + kInstanceBytes;
    // The sender is the session the nonce begins with; the associated data binds it.
    uint64_t from = 0;
    for (int i = 0; i < 8; ++i) from |= static_cast<uint64_t>(sealed[i]) << (8 * i);
    std::vector<uint8_t> plain;
    if (!openSealed(key, associated(key, in, kind, from), sealed, r.left(), plain)) return false;
    instance = in;
    session = from;
    payload = std::move(plain);
    return true;
}

}  // namespace share
