#include "share/seal_win32.h"

#include "desk/windows_win32.h"

#include <bcrypt.h>

#include <cstring>

namespace share {

namespace {

bool succeeded(NTSTATUS s) { return s >= 0; }

// An algorithm provider that closes itself.
class Provider {
public:
    Provider(const wchar_t* algorithm, ULONG flags) {
        if (!succeeded(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, flags))) handle_ = nullptr;
    }
    ~Provider() {
        if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

// An AES-GCM key that destroys itself.
class GcmKey {
public:
    explicit GcmKey(const TableKey& key) : aes_(BCRYPT_AES_ALGORITHM, 0) {
        if (!aes_.get()) return;
        auto* mode = const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM);
        if (!succeeded(BCryptSetProperty(aes_.get(), BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(mode),
                                         static_cast<ULONG>((wcslen(mode) + 1) * sizeof(wchar_t)), 0)))
            return;
        if (!succeeded(BCryptGenerateSymmetricKey(aes_.get(), &key_, nullptr, 0, const_cast<PUCHAR>(key.aes.data()),
                                                  static_cast<ULONG>(key.aes.size()), 0)))
            key_ = nullptr;
    }
    ~GcmKey() {
        if (key_) BCryptDestroyKey(key_);
    }
    GcmKey(const GcmKey&) = delete;
    GcmKey& operator=(const GcmKey&) = delete;
    BCRYPT_KEY_HANDLE get() const { return key_; }

private:
    Provider aes_;
    BCRYPT_KEY_HANDLE key_ = nullptr;
};

bool hmac(const uint8_t* key, size_t keySize, const char* label, uint8_t (&out)[32]) {
    Provider sha(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!sha.get() || !succeeded(BCryptCreateHash(sha.get(), &hash, nullptr, 0, const_cast<PUCHAR>(key),
                                                  static_cast<ULONG>(keySize), 0)))
        return false;
    const bool ok = succeeded(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(label)),
                                             static_cast<ULONG>(std::strlen(label)), 0)) &&
                    succeeded(BCryptFinishHash(hash, out, sizeof out, 0));
    BCryptDestroyHash(hash);
    return ok;
}

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO modeInfo(uint8_t* nonce, const std::vector<uint8_t>& associated, uint8_t* tag) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = nonce;
    info.cbNonce = kNonceBytes;
    info.pbAuthData = const_cast<PUCHAR>(associated.data());
    info.cbAuthData = static_cast<ULONG>(associated.size());
    info.pbTag = tag;
    info.cbTag = kTagBytes;
    return info;
}

}  // namespace

std::string canonicalText(const std::u16string& text) {
    if (text.empty()) return {};
    const auto* in = reinterpret_cast<const wchar_t*>(text.c_str());
    // Compatibility composition: full-width letters become the ordinary ones, accents compose.
    int n = NormalizeString(NormalizationKC, in, static_cast<int>(text.size()), nullptr, 0);
    std::wstring folded;
    for (int tries = 0; n > 0 && tries < 4; ++tries) {
        folded.resize(static_cast<size_t>(n));
        n = NormalizeString(NormalizationKC, in, static_cast<int>(text.size()), folded.data(), n);
        if (n > 0) {
            folded.resize(static_cast<size_t>(n));
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        n = -n;
    }
    if (n <= 0) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, folded.data(), static_cast<int>(folded.size()),
                                          nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, folded.data(), static_cast<int>(folded.size()), out.data(), bytes,
                        nullptr, nullptr);
    return out;
}

bool deriveTableKey(const std::string& tableName, const std::string& passphrase, TableKey& out, uint32_t iterations) {
    Provider sha(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    if (!sha.get() || passphrase.empty()) return false;
    std::string salt("rupone/1", 9);  // with its terminating zero
    salt += tableName;
    uint8_t master[32];
    if (!succeeded(BCryptDeriveKeyPBKDF2(sha.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(passphrase.data())),
                                         static_cast<ULONG>(passphrase.size()),
                                         reinterpret_cast<PUCHAR>(salt.data()), static_cast<ULONG>(salt.size()),
                                         iterations, master, sizeof master, 0)))
        return false;
    uint8_t aes[32], id[32];
    const bool ok = hmac(master, sizeof master, "rupone/1 key", aes) && hmac(master, sizeof master, "rupone/1 table", id);
    SecureZeroMemory(master, sizeof master);
    if (!ok) return false;
    std::memcpy(out.aes.data(), aes, out.aes.size());
    std::memcpy(out.tableId.data(), id, out.tableId.size());
    SecureZeroMemory(aes, sizeof aes);
    return true;
}

std::vector<uint8_t> seal(const TableKey& key, uint64_t session, uint32_t count, const std::vector<uint8_t>& associated,
                          const std::vector<uint8_t>& plain) {
    GcmKey gcm(key);
    if (!gcm.get()) return {};
    std::vector<uint8_t> out(kNonceBytes + plain.size() + kTagBytes);
    for (int i = 0; i < 8; ++i) out[static_cast<size_t>(i)] = static_cast<uint8_t>(session >> (8 * i));
    for (int i = 0; i < 4; ++i) out[static_cast<size_t>(8 + i)] = static_cast<uint8_t>(count >> (8 * i));
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = modeInfo(out.data(), associated, out.data() + kNonceBytes + plain.size());
    ULONG written = 0;
    if (!succeeded(BCryptEncrypt(gcm.get(), const_cast<PUCHAR>(plain.data()), static_cast<ULONG>(plain.size()), &info,
                                 nullptr, 0, out.data() + kNonceBytes, static_cast<ULONG>(plain.size()), &written, 0)) ||
        written != plain.size())
        return {};
    return out;
}

bool openSealed(const TableKey& key, const std::vector<uint8_t>& associated, const uint8_t* sealed, size_t size,
                std::vector<uint8_t>& plain) {
    if (!sealed || size < kNonceBytes + kTagBytes) return false;
    GcmKey gcm(key);
    if (!gcm.get()) return false;
    uint8_t nonce[kNonceBytes], tag[kTagBytes];
    std::memcpy(nonce, sealed, kNonceBytes);
    std::memcpy(tag, sealed + size - kTagBytes, kTagBytes);
    const size_t n = size - kNonceBytes - kTagBytes;
    std::vector<uint8_t> out(n);
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = modeInfo(nonce, associated, tag);
    ULONG written = 0;
    if (!succeeded(BCryptDecrypt(gcm.get(), const_cast<PUCHAR>(sealed + kNonceBytes), static_cast<ULONG>(n), &info, nullptr,
                                 0, out.data(), static_cast<ULONG>(n), &written, 0)) ||
        written != n)
        return false;
    plain = std::move(out);
    return true;
}

bool randomBytes(void* out, size_t size) {
    return succeeded(BCryptGenRandom(nullptr, static_cast<PUCHAR>(out), static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

}  // namespace share
