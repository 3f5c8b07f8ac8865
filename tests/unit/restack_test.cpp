#include <gtest/gtest.h>

#include "desk/restack.h"
#include "desk/winconst.h"

namespace {

using desk::BatchEntry;
using desk::RestackMove;
using desk::StackedWindow;

desk::Window win(uintptr_t n) { return reinterpret_cast<desk::Window>(n * 16); }

const desk::Window A = win(1), B = win(2), C = win(3), D = win(4), Panel = win(8), Tip = win(9), Other = win(10);

constexpr uint32_t kRestack = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
constexpr uint32_t kShow = SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE;

// Card windows of this thread, shown, 60 x 88 at the origin; the tip is top-most, Other is not ours.
std::vector<StackedWindow> stack(std::vector<desk::Window> order, bool shown = true) {
    std::vector<StackedWindow> out;
    for (desk::Window w : order) out.push_back({w, w == Tip, w != Other, shown || w == Panel, {0, 0, 60, 88}});
    return out;
}

std::vector<desk::Window> windows(const std::vector<RestackMove>& moves) {
    std::vector<desk::Window> out;
    for (const RestackMove& m : moves) out.push_back(m.w);
    return out;
}

using Order = std::vector<desk::Window>;

TEST(RestackPlan, OnlyTheFewestTopWindowsAreRaised) {
    struct Case {
        const char* what;
        std::vector<StackedWindow> now;
        std::vector<BatchEntry> entries;
        Order raised;
    } cases[] = {
        {"a table already in order", stack({A, B, C, D}),
         {{A, desk::kTop, 0, 0, 0, 0, kRestack}, {B, A, 0, 0, 0, 0, kRestack}, {C, B, 0, 0, 0, 0, kRestack}}, {}},
        {"a card to the top passes the panel without raising it", stack({Panel, A, B, C}),
         {{C, desk::kTop, 0, 0, 0, 0, kRestack}}, {C}},
        // A, D, C, B: only B keeps its place at the bottom; the three above it go up, A last.
        {"a pile brought up beneath the top card", stack({A, B, C, D}),
         {{D, A, 0, 0, 0, 0, kRestack}, {C, D, 0, 0, 0, 0, kRestack}}, {A, D, C}},
        {"a top-most tip stays above without a raise", stack({Tip, A, B}), {{B, desk::kTop, 0, 0, 0, 0, kRestack}}, {B}},
        {"another program's window is never raised", stack({Other, A, B}),
         {{B, desk::kTop, 0, 0, 0, 0, kRestack}, {A, desk::kBottom, 0, 0, 0, 0, kRestack}}, {B}},
        {"to the bottom costs no raise of its own", stack({A, B, C}), {{A, desk::kBottom, 0, 0, 0, 0, kRestack}}, {B, C}},
    };
    for (const Case& c : cases) {
        const desk::RestackPlan plan = desk::planRestack(c.entries, c.now);
        // Raised lowest first, so the target order's top reads in reverse.
        Order raised = windows(plan.raises);
        EXPECT_EQ(Order(raised.rbegin(), raised.rend()), c.raised) << c.what;
        EXPECT_TRUE(plan.takeDownTips) << c.what;
        for (const RestackMove& m : plan.raises) EXPECT_TRUE(m.flags & SWP_NOACTIVATE) << c.what;
        EXPECT_TRUE(plan.inPlace.empty()) << c.what << ": the rest is where it should be";
    }
}

TEST(RestackPlan, MovesThatKeepTheOrderAndRestackNothingAreNotPlanned) {
    const auto plan = desk::planRestack({{A, desk::kTop, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER}}, stack({A, B}));
    EXPECT_FALSE(plan.takeDownTips);
    EXPECT_TRUE(plan.raises.empty() && plan.inPlace.empty() && plan.shows.empty());
}

TEST(RestackPlan, WindowsAppearFromTheTopDown) {
    // Listed top first, they are shown by their own moves; listed bottom first, they are shown one
    // by one afterwards, the top first.
    const auto hidden = stack({A, B, C}, false);
    const auto topFirst = desk::planRestack(
        {{A, desk::kTop, 1, 1, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE}, {B, A, 2, 2, 0, 0, kShow & ~SWP_NOMOVE}, {C, B, 3, 3, 0, 0, kShow & ~SWP_NOMOVE}},
        hidden);
    EXPECT_TRUE(topFirst.raises.empty());
    EXPECT_EQ(windows(topFirst.inPlace), (Order{A, B, C}));
    for (const RestackMove& m : topFirst.inPlace) EXPECT_TRUE(m.flags & SWP_SHOWWINDOW);
    EXPECT_FALSE(topFirst.inPlace[0].flags & SWP_NOACTIVATE) << "the first one comes up activated";
    EXPECT_TRUE(topFirst.shownByMoves && topFirst.shows.empty());

    const auto bottomFirst =
        desk::planRestack({{C, B, 0, 0, 0, 0, kShow}, {B, A, 0, 0, 0, 0, kShow}, {A, desk::kTop, 0, 0, 0, 0, kShow}}, hidden);
    EXPECT_EQ(windows(bottomFirst.shows), (Order{A, B, C}));
    EXPECT_FALSE(bottomFirst.shownByMoves);
    EXPECT_TRUE(bottomFirst.inPlace.empty()) << "hidden, unmoved windows have nothing else to do";

    // A window raised while hidden is shown after every raise.
    const auto raisedHidden = desk::planRestack({{C, desk::kTop, 0, 0, 0, 0, kShow}}, stack({A, B, C}, false));
    EXPECT_EQ(windows(raisedHidden.raises), Order{C});
    EXPECT_FALSE(raisedHidden.raises[0].flags & SWP_SHOWWINDOW);
    EXPECT_EQ(windows(raisedHidden.shows), Order{C});
}

TEST(RestackPlan, TheLastActivationHoldsAndIsRaisedWhereItStands) {
    const auto plan = desk::planRestack(
        {{A, desk::kTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE}, {B, A, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE}}, stack({A, B, C}));
    ASSERT_EQ(windows(plan.raises), (Order{B, A}));
    EXPECT_FALSE(plan.raises[0].flags & SWP_NOACTIVATE) << "B asked last";
    EXPECT_TRUE(plan.raises[1].flags & SWP_NOACTIVATE);
}

}  // namespace
