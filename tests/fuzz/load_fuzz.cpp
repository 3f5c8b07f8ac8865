// libFuzzer target of the whole start-up path: the bytes as the state file on an empty fake desk.
// A file the reader takes must become that table (what it would save is what was read, with
// places the window system can hold); a refused one must be kept aside byte for byte, with the
// table left empty.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/table.h"
#include "app/keeping.h"
#include "deck/state_file.h"
#include "fuzz/compare.h"
#include "support/fake_desk.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StateData decoded;
    const bool accepted = decodeState(data, size, decoded);
    fake::reset();
    table = Table{};
    table.panel = fake::addWindow(u"#32770", u"ルポネ", {400, 300, 600, 420});
    table.cardParent = fake::addWindow(u"CardParent", u"カードの親", {0, 0, 0, 0});
    const std::u16string path = stateFilePath(fake::kModulePath);
    fake::files()[path].assign(data, data + size);
    check(loadState() == accepted);
    if (accepted) {
        check(table.deck.count() == decoded.cards.size());
        StateData back = collectState();
        for (StateCard& c : decoded.cards) {  // where the window system can put them
            c.x = std::clamp(c.x, -32768, 32767);
            c.y = std::clamp(c.y, -32768, 32767);
        }
        check(sameCards(back.cards, decoded.cards) && sameSettings(back, decoded));
    } else {
        check(table.deck.empty() && !fake::files().count(path));
        auto kept = fake::files().find(path + u".unreadable-" + fake::kTimeStamp);
        check(kept != fake::files().end() && kept->second.size() == size &&
              std::equal(kept->second.begin(), kept->second.end(), data));
    }
    table = Table{};
    return 0;
}
