// libFuzzer target of the shared table's messages: any bytes must be refused or read without a
// fault; what is read must write back to the same bytes, and applying it twice to a replica must
// leave what applying it once left.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "share/message.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void sameBytes(const std::vector<uint8_t>& written, const uint8_t* data, size_t size) {
    check(written.size() == size && std::equal(written.begin(), written.end(), data));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace share;
    Changes changes;
    if (decodeChanges(data, size, changes)) {
        sameBytes(encodeChanges(changes), data, size);
        Replica once, twice;
        applyChanges(once, changes);
        applyChanges(twice, changes);
        applyChanges(twice, changes);
        check(sameTable(once, twice) && digestOf(once) == digestOf(twice));
    }
    uint64_t session = 0;
    Digest digest{};
    if (decodeDigest(data, size, session, digest)) sameBytes(encodeDigest(session, digest), data, size);
    std::vector<CardState> cards;
    if (decodeCards(data, size, session, cards)) {
        sameBytes(encodeCards(session, cards), data, size);
        Replica once, twice;
        mergeCards(once, cards);
        mergeCards(twice, cards);
        mergeCards(twice, cards);
        check(digestOf(once) == digestOf(twice));
    }
    return 0;
}
