// Sealing a shared table's payloads, all through the system's CNG (bcrypt.dll): the table's key
// from its name and passphrase with PBKDF2-HMAC-SHA-256, and AES-256-GCM per payload. The broker
// carries nothing but sealed envelopes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace share {

constexpr uint32_t kKeyIterations = 600000;
constexpr size_t kNonceBytes = 12;
constexpr size_t kTagBytes = 16;

struct TableKey {
    std::array<uint8_t, 32> aes{};
    std::array<uint8_t, 16> tableId{};  // names the table's topics: the same for the same name and passphrase
};

// The name and passphrase as typed: made canonical (full-width and half-width letters and digits,
// composed and decomposed accents alike) and encoded as UTF-8. Empty when the system cannot.
std::string canonicalText(const std::u16string& text);
// PBKDF2-HMAC-SHA-256 over the passphrase, salted with "rupone/1\0" and the table name, gives a
// master secret; the AES key and the table id are two HMACs of it. False when CNG fails.
bool deriveTableKey(const std::string& tableName, const std::string& passphrase, TableKey& out,
                    uint32_t iterations = kKeyIterations);
// The nonce (the session, then the count of payloads it sealed), the ciphertext and the tag.
std::vector<uint8_t> seal(const TableKey& key, uint64_t session, uint32_t count, const std::vector<uint8_t>& associated,
                          const std::vector<uint8_t>& plain);
// False, and nothing in plain, for a payload that was not sealed with this key and these data.
bool openSealed(const TableKey& key, const std::vector<uint8_t>& associated, const uint8_t* sealed, size_t size,
                std::vector<uint8_t>& plain);
// Random bytes from the system (session ids, generated passphrases).
bool randomBytes(void* out, size_t size);

}  // namespace share
