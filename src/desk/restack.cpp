#include "desk/restack.h"

#include <algorithm>
#include <iterator>
#include <list>
#include <unordered_map>

#include "desk/winconst.h"

namespace desk {

namespace {

using Info = std::unordered_map<Window, const StackedWindow*>;

const StackedWindow* find(const Info& info, Window w) {
    auto it = info.find(w);
    return it == info.end() ? nullptr : it->second;
}

bool topMost(const Info& info, Window w) {
    const StackedWindow* s = find(info, w);
    return s && s->topMost;
}

bool visible(const Info& info, Window w) {
    const StackedWindow* s = find(info, w);
    return s && s->visible;
}

// The z-order once the batch's restacks are applied, top first.
std::list<Window> stackedOrder(const std::vector<StackedWindow>& now, const std::vector<BatchEntry>& entries,
                               const Info& info) {
    std::list<Window> order;
    std::unordered_map<Window, std::list<Window>::iterator> where;
    for (const StackedWindow& s : now) where[s.w] = order.insert(order.end(), s.w);
    for (const BatchEntry& e : entries) {
        if (e.flags & SWP_NOZORDER) continue;
        auto self = where.find(e.w);
        if (self != where.end()) order.erase(self->second);
        // The top of a window that is not top-most is beneath the top-most windows (tooltips).
        auto at = order.begin();
        if (!topMost(info, e.w))
            while (at != order.end() && topMost(info, *at)) ++at;
        if (e.after == kBottom) {
            at = order.end();
        } else if (e.after != kTop) {
            auto anchor = where.find(e.after);
            if (anchor != where.end() && anchor->first != e.w) at = std::next(anchor->second);
        }
        where[e.w] = order.insert(at, e.w);
    }
    return order;
}

// Whether a move asks for nothing that is not so already (no activation, no change of place, size
// or visibility).
bool alreadyThere(const BatchEntry& e, uint32_t flags, const Info& info) {
    const StackedWindow* s = find(info, e.w);
    if (!s || !(flags & SWP_NOACTIVATE) || (flags & SWP_HIDEWINDOW)) return false;
    if ((flags & SWP_SHOWWINDOW) && !s->visible) return false;
    if (!(flags & SWP_NOMOVE) && (s->rect.left != e.x || s->rect.top != e.y)) return false;
    return (flags & SWP_NOSIZE) || (s->rect.width() == e.cx && s->rect.height() == e.cy);
}

}  // namespace

RestackPlan planRestack(const std::vector<BatchEntry>& entries, const std::vector<StackedWindow>& now) {
    RestackPlan plan;
    // The last restack asked of a window is the one that holds.
    std::unordered_map<Window, size_t> last;
    for (size_t i = 0; i < entries.size(); ++i)
        if (!(entries[i].flags & SWP_NOZORDER)) last[entries[i].w] = i;
    if (last.empty()) return plan;
    plan.takeDownTips = true;
    Info info;
    for (const StackedWindow& s : now) info.emplace(s.w, &s);
    const std::list<Window> target = stackedOrder(now, entries, info);

    // Only the fewest top windows of the target order are raised: those beneath them that keep
    // their order among themselves are only moved and shown (raising a whole table that is already
    // in order was quadratic under Wine, and a pile brought up beneath a card need not raise the
    // panel it passes).
    std::unordered_map<Window, size_t> was, place;
    for (size_t i = 0; i < now.size(); ++i) was.emplace(now[i].w, i);
    size_t depth = target.size(), under = now.size();
    for (auto t = target.rbegin(); t != target.rend(); ++t, --depth) {
        auto w = was.find(*t);
        if (w == was.end() || w->second >= under) break;
        under = w->second;
    }
    size_t i = 0;
    for (Window w : target) place.emplace(w, i++);
    const auto isLast = [&](size_t k) { return !(entries[k].flags & SWP_NOZORDER) && last.at(entries[k].w) == k; };
    const auto appears = [&](const BatchEntry& e) { return (e.flags & SWP_SHOWWINDOW) && !visible(info, e.w); };
    // As in a deferred batch, the last request to activate is the one that holds; only that one is
    // made, since the others would each make a new current card and refresh the marks for nothing.
    Window activated = nullptr;
    for (size_t k = 0; k < entries.size(); ++k)
        if (isLast(k) && !(entries[k].flags & SWP_NOACTIVATE) && !appears(entries[k])) activated = entries[k].w;
    // Under Wine a window activated where it stands is not raised on screen: it is raised too.
    if (activated) depth = std::max(depth, place.at(activated) + 1);

    std::vector<size_t> toShow;  // entries whose window appears after the moves
    std::vector<Window> raised(target.begin(), std::next(target.begin(), static_cast<std::ptrdiff_t>(depth)));
    for (auto it = raised.rbegin(); it != raised.rend(); ++it) {
        RestackMove m{*it, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE};
        auto e = last.find(m.w);
        if (e == last.end()) {
            // Top-most windows stay above the others without being raised; others' are not ours.
            const StackedWindow* s = find(info, m.w);
            if (!s || !s->ours || s->topMost) continue;
        } else {
            const BatchEntry& en = entries[e->second];
            m = {en.w, en.x, en.y, en.cx, en.cy, (en.flags & ~static_cast<uint32_t>(SWP_NOZORDER | SWP_SHOWWINDOW)) | SWP_NOACTIVATE};
            if (appears(en))
                toShow.push_back(e->second);
            else if (en.flags & SWP_SHOWWINDOW)
                m.flags |= SWP_SHOWWINDOW;
            if (m.w == activated) m.flags &= ~static_cast<uint32_t>(SWP_NOACTIVATE);
        }
        plan.raises.push_back(m);
    }

    // The windows already in their place move in one deferred batch, in the batch's order; one that
    // is already where and as the entry wants it is left alone. When no raised window waits to be
    // shown and the batch lists the ones to show from the top down, each is shown by its move
    // (laying a table then costs one window-system call a card, not two).
    const auto inPlace = [&](size_t k) { return isLast(k) && place.at(entries[k].w) >= depth; };
    bool showByMoves = toShow.empty();
    size_t lastShown = 0;
    for (size_t k = 0; k < entries.size() && showByMoves; ++k) {
        if (!inPlace(k) || !appears(entries[k])) continue;
        showByMoves = place.at(entries[k].w) >= lastShown;
        lastShown = place.at(entries[k].w);
    }
    for (size_t k = 0; k < entries.size(); ++k) {
        if (!inPlace(k)) continue;
        const BatchEntry& en = entries[k];
        uint32_t flags = (en.flags & ~static_cast<uint32_t>(SWP_SHOWWINDOW)) | SWP_NOZORDER | SWP_NOACTIVATE;
        if (appears(en) && showByMoves) {
            flags |= SWP_SHOWWINDOW;
            if (!(en.flags & SWP_NOACTIVATE)) flags &= ~static_cast<uint32_t>(SWP_NOACTIVATE);
            plan.shownByMoves = true;
        } else if (appears(en)) {
            toShow.push_back(k);
        } else if (en.flags & SWP_SHOWWINDOW) {
            flags |= SWP_SHOWWINDOW;
        }
        if (en.w == activated) flags &= ~static_cast<uint32_t>(SWP_NOACTIVATE);
        if (!alreadyThere(en, flags, info)) plan.inPlace.push_back({en.w, en.x, en.y, en.cx, en.cy, flags});
    }
    std::sort(toShow.begin(), toShow.end(),
              [&](size_t p, size_t q) { return place.at(entries[p].w) < place.at(entries[q].w); });
    for (size_t k : toShow)
        plan.shows.push_back({entries[k].w, 0, 0, 0, 0,
                              SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | (entries[k].flags & SWP_NOACTIVATE)});
    return plan;
}

}  // namespace desk
