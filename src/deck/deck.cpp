#include "deck/deck.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_set>

#include "deck/model.h"
#include "desk/winconst.h"

namespace {

constexpr char16_t kCardTitle[] = u"カード";
constexpr char16_t kCardClass[] = u"Card";

// The next capacity when an append finds the array full.
size_t grownCapacity(size_t count, size_t needed) {
    size_t step = std::clamp<size_t>(count / 8, 4, 1024);
    return std::max(count + step, needed);
}

}  // namespace

size_t Deck::append(std::unique_ptr<Card> card) {
    if (!card) throw ProgramError{kInvalidArg};
    try {
        if (cards_.size() == cards_.capacity()) cards_.reserve(grownCapacity(cards_.size(), cards_.size() + 1));
        card->deckIndex = static_cast<uint32_t>(cards_.size());
        cards_.push_back(std::move(card));
    } catch (const std::bad_alloc&) {
        throw ProgramError{kOutOfMemory};
    }
    return cards_.size() - 1;
}

std::unique_ptr<Card> Deck::remove(size_t index) {
    if (index >= cards_.size()) throw ProgramError{kInvalidArg};
    std::unique_ptr<Card> card = std::move(cards_[index]);
    cards_.erase(cards_.begin() + static_cast<std::ptrdiff_t>(index));
    for (size_t i = index; i < cards_.size(); ++i) cards_[i]->deckIndex = static_cast<uint32_t>(i);
    return card;
}

size_t Deck::indexOf(const Card& card) const {
    auto holds = [&] { return card.deckIndex < cards_.size() && cards_[card.deckIndex].get() == &card; };
    if (holds()) return card.deckIndex;
    for (size_t i = 0; i < cards_.size(); ++i) cards_[i]->deckIndex = static_cast<uint32_t>(i);
    return holds() ? card.deckIndex : kNotInDeck;
}

Card& Deck::at(size_t index) const {
    if (index >= cards_.size()) throw ProgramError{kInvalidArg};
    return *cards_[index];
}

Card* Deck::find(desk::Window w) const {
    if (!w) return nullptr;
    for (const auto& c : cards_)
        if (c->window == w) return c.get();
    return nullptr;
}

bool isCardWindowTitle(const char16_t* title, size_t length) {
    return length == 3 && std::memcmp(title, kCardTitle, 3 * sizeof(char16_t)) == 0;
}

std::vector<desk::Window> listCardWindows() {
    std::vector<desk::Window> found;
    std::unordered_set<desk::Window> ours;
    try {
        found.reserve(model.deck.count());
        ours.reserve(model.deck.count());
        for (const auto& c : model.deck.items())
            if (c->window && c->placed) ours.insert(c->window);
    } catch (const std::bad_alloc&) {
        return found;
    }
    desk::ThreadId self = desk::currentThread();
    // One character more than the longest name compared, so that a longer name never passes as equal.
    char16_t text[6];
    for (desk::Window w : desk::topLevelWindows()) {
        // The Deck's own live windows are card windows; any other window is asked what it is.
        if (!ours.count(w)) {
            if (desk::windowThread(w) != self) continue;
            if (!isCardWindowTitle(text, desk::windowText(w, text, 6))) continue;
            if (desk::className(w, text, 6) != 4 || std::memcmp(text, kCardClass, 4 * sizeof(char16_t)) != 0) continue;
        }
        try {
            found.push_back(w);
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    return found;
}

