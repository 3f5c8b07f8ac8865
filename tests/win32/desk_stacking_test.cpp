// Restacks through the desk leave the window list, the screen and the clicks in agreement.
#include "desk/windows_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "desk/desk.h"
#include "desk/winconst.h"
#include "support/win32_helpers.h"

namespace {

const COLORREF kColours[] = {RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255), RGB(200, 200, 0), RGB(0, 200, 200),
                             RGB(200, 0, 200)};
constexpr int kCount = 6;
int activations = 0;
std::map<HWND, int> restacks;  // z-order changes each window was told of

LRESULT CALLBACK swatchProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        HBRUSH b = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(h, GWLP_USERDATA)));
        FillRect(dc, &ps.rcPaint, b);
        DeleteObject(b);
        EndPaint(h, &ps);
        return 0;
    }
    if (msg == WM_WINDOWPOSCHANGED && !(reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_NOZORDER)) ++restacks[h];
    if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
        ++activations;
    }
    if (msg == WM_LBUTTONDOWN) {
        SetPropW(h, L"clicked", reinterpret_cast<HANDLE>(1));
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

class StackingTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = swatchProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Swatch";
        RegisterClassW(&wc);
        for (int i = 0; i < kCount; ++i) {
            HWND h = CreateWindowExW(0, L"Swatch", L"", WS_POPUP, 100 + 20 * i, 100 + 20 * i, 100, 100, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
            SetWindowLongPtrW(h, GWLP_USERDATA, static_cast<LONG_PTR>(kColours[i]));
            windows.push_back(h);
        }
    }
    void TearDown() override {
        for (HWND h : windows) DestroyWindow(h);
        pumpMessages();
    }

    // Lays the windows in this order, top first, as the table does: first to the top, each next
    // directly below the one before.
    void stack(const std::vector<int>& order, uint32_t extra = 0, uint32_t base = SWP_NOACTIVATE) {
        desk::Batch b = desk::beginBatch(kCount);
        desk::Window above = desk::kTop;
        for (int i : order) {
            b = desk::defer(b, toWindow(windows[i]), above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | base | extra);
            above = toWindow(windows[i]);
        }
        ASSERT_TRUE(desk::endBatch(b));
        settle();
    }

    void settle() {
        for (int i = 0; i < 10; ++i) pumpMessages();
    }

    std::vector<int> listed() {
        std::vector<int> out;
        for (desk::Window w : desk::topLevelWindows()) {
            auto it = std::find(windows.begin(), windows.end(), toHwnd(w));
            if (it != windows.end()) out.push_back(static_cast<int>(it - windows.begin()));
        }
        return out;
    }

    // The window on top at the k-th diagonal point, by the expected order.
    static int topAt(const std::vector<int>& order, int k) {
        for (int i : order)
            if (i <= k && i > k - 5) return i;
        return -1;
    }

    void expectScreenAndClicks(const std::vector<int>& order) {
        HDC screen = GetDC(nullptr);
        for (int k = 0; k < kCount; ++k) {
            int x = 105 + 20 * k, y = 105 + 20 * k;
            int want = topAt(order, k);
            EXPECT_EQ(GetPixel(screen, x, y), kColours[want]) << "screen at diagonal point " << k;
            EXPECT_EQ(WindowFromPoint(POINT{x, y}), windows[want]) << "hit test at diagonal point " << k;
        }
        ReleaseDC(nullptr, screen);
    }

    std::vector<HWND> windows;
};

TEST_F(StackingTest, AChainRestackShowsAndListsTheSameOrder) {
    std::vector<int> order = {3, 0, 5, 1, 4, 2};
    stack(order, SWP_SHOWWINDOW);
    EXPECT_EQ(listed(), order);
    expectScreenAndClicks(order);

    std::vector<int> reversed(order.rbegin(), order.rend());
    stack(reversed);
    EXPECT_EQ(listed(), reversed);
    expectScreenAndClicks(reversed);
}

TEST_F(StackingTest, CardsPutDirectlyBelowALeadCardStayThere) {
    std::vector<int> order = {0, 1, 2, 3, 4, 5};
    stack(order, SWP_SHOWWINDOW);
    restacks.clear();
    // Put 4 and then 5 directly beneath 0, which stays on top; 1, 2 and 3 keep their order and are
    // not raised.
    desk::Batch b = desk::beginBatch(2);
    b = desk::defer(b, toWindow(windows[4]), toWindow(windows[0]), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    b = desk::defer(b, toWindow(windows[5]), toWindow(windows[4]), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(desk::endBatch(b));
    settle();
    std::vector<int> want = {0, 4, 5, 1, 2, 3};
    EXPECT_EQ(listed(), want);
    expectScreenAndClicks(want);
    for (int i : {1, 2, 3}) EXPECT_EQ(restacks[windows[i]], 0) << i;
}

TEST_F(StackingTest, ABatchThatActivatesEveryWindowActivatesOnceAndKeepsItsOrder) {
    std::vector<int> order = {2, 5, 0, 4, 1, 3};
    stack(order, SWP_SHOWWINDOW);
    // Shuffled piles ask for every card to be activated; the order must survive whatever focus
    // reports come back afterwards.
    for (std::vector<int> next : {std::vector<int>{4, 1, 3, 0, 2, 5}, std::vector<int>{1, 0, 5, 3, 2, 4}}) {
        activations = 0;
        stack(next, 0, 0);
        EXPECT_EQ(listed(), next);
        EXPECT_EQ(GetActiveWindow(), windows[next.back()]) << "the last request holds, as in a deferred batch";
        EXPECT_EQ(activations, 1);
        expectScreenAndClicks(next);
    }
}

TEST_F(StackingTest, RestacksHoldWhileMessagesWaitInTheQueue) {
    std::vector<int> order = {0, 1, 2, 3, 4, 5};
    stack(order, SWP_SHOWWINDOW);
    // A command usually runs with messages queued behind it (paints, posted requests); what the
    // screen reported during the restack must not reorder the windows once they are handled.
    const std::vector<std::vector<int>> orders = {
        {5, 4, 3, 2, 1, 0}, {2, 0, 4, 1, 5, 3}, {1, 3, 5, 0, 2, 4}, {4, 5, 0, 3, 1, 2}, {0, 1, 2, 3, 4, 5}};
    for (const std::vector<int>& next : orders) {
        for (HWND h : windows) PostMessageW(h, WM_NULL, 0, 0);
        stack(next);
        EXPECT_EQ(listed(), next);
        expectScreenAndClicks(next);
    }
}

TEST_F(StackingTest, ARestackReachesTheScreenWhileATooltipIsUp) {
    stack({0, 1, 2, 3, 4, 5}, SWP_SHOWWINDOW);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(tip, nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.lpszText = const_cast<wchar_t*>(L"tip");
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(600, 600));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    settle();
    ASSERT_TRUE(IsWindowVisible(tip));
    // Under Wine a shown top-most window keeps raises off the screen.
    std::vector<int> next = {5, 4, 3, 2, 1, 0};
    stack(next);
    EXPECT_EQ(listed(), next);
    expectScreenAndClicks(next);
    EXPECT_FALSE(IsWindowVisible(tip));
    DestroyWindow(tip);
}

TEST_F(StackingTest, AFailedBatchReportsFailure) {
    desk::Batch b = desk::beginBatch(2);
    b = desk::defer(b, toWindow(windows[0]), desk::kTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    HWND gone = CreateWindowExW(0, L"Swatch", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    b = desk::defer(b, toWindow(gone), desk::kTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(b, nullptr);
    EXPECT_FALSE(desk::endBatch(b));
}

}  // namespace
