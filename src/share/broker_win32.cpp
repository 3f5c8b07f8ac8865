#include "share/broker_win32.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace share {

namespace {

constexpr UINT kSocketEvent = WM_APP + 0x51;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT_PTR kRetryTimer = 2;
constexpr UINT kTickMs = 500;
constexpr uint32_t kFirstRetryMs = 500;
constexpr uint32_t kLongestRetryMs = 30000;

bool startWinsock() {
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// Writes what it can now; the rest waits for the socket's FD_WRITE.
bool flush(BrokerConnection& b) {
    while (!b.unsent.empty()) {
        const int n = send(b.socket, reinterpret_cast<const char*>(b.unsent.data()),
                           static_cast<int>(std::min<size_t>(b.unsent.size(), 1 << 16)), 0);
        if (n == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK;
        b.unsent.erase(b.unsent.begin(), b.unsent.begin() + n);
    }
    return true;
}

void closeSocket(BrokerConnection& b) {
    if (b.socket != INVALID_SOCKET) closesocket(b.socket);
    b.socket = INVALID_SOCKET;
    b.unsent.clear();
    KillTimer(b.window, kTickTimer);
    mqtt::closed(b.client);
}

void attempt(BrokerConnection& b);

// After a loss: again after the present wait, which doubles up to half a minute.
void lost(BrokerConnection& b, int error) {
    b.lastError = error;
    closeSocket(b);
    if (!b.wanted) return;
    SetTimer(b.window, kRetryTimer, b.retryMs, nullptr);
    b.retryMs = std::min(b.retryMs * 2, kLongestRetryMs);
}

void attempt(BrokerConnection& b) {
    KillTimer(b.window, kRetryTimer);
    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    const std::string port = std::to_string(b.port);
    if (getaddrinfo(b.host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
        lost(b, WSAGetLastError());
        return;
    }
    b.socket = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    int error = 0;
    if (b.socket == INVALID_SOCKET) {
        error = WSAGetLastError();
    } else if (WSAAsyncSelect(b.socket, b.window, kSocketEvent, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
        error = WSAGetLastError();
    } else if (connect(b.socket, found->ai_addr, static_cast<int>(found->ai_addrlen)) == SOCKET_ERROR &&
               WSAGetLastError() != WSAEWOULDBLOCK) {
        error = WSAGetLastError();
    }
    freeaddrinfo(found);
    if (error) lost(b, error);
}

void socketEvent(BrokerConnection& b, WPARAM wp, LPARAM lp) {
    if (static_cast<SOCKET>(wp) != b.socket) return;  // an event of a socket already closed
    const int error = WSAGETSELECTERROR(lp);
    switch (WSAGETSELECTEVENT(lp)) {
    case FD_CONNECT:
        if (error) {
            lost(b, error);
            return;
        }
        b.client.write = [&b](const mqtt::Bytes& bytes) {
            b.unsent.insert(b.unsent.end(), bytes.begin(), bytes.end());
            return flush(b);
        };
        SetTimer(b.window, kTickTimer, kTickMs, nullptr);
        mqtt::opened(b.client, GetTickCount());
        return;
    case FD_READ: {
        char buffer[16384];
        const int n = recv(b.socket, buffer, sizeof buffer, 0);
        if (n == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) lost(b, WSAGetLastError());
            return;
        }
        if (n == 0 || !mqtt::received(b.client, reinterpret_cast<uint8_t*>(buffer), static_cast<size_t>(n), GetTickCount())) {
            lost(b, n == 0 ? WSAECONNRESET : WSAEPROTONOSUPPORT);
            return;
        }
        if (b.client.state == mqtt::Client::State::Up) b.retryMs = kFirstRetryMs;
        return;
    }
    case FD_WRITE:
        if (!flush(b)) lost(b, WSAGetLastError());
        return;
    case FD_CLOSE: lost(b, error ? error : WSAECONNRESET); return;
    }
}

LRESULT CALLBACK brokerProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* b = reinterpret_cast<BrokerConnection*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!b) return DefWindowProcW(h, msg, wp, lp);
    switch (msg) {
    case kSocketEvent: socketEvent(*b, wp, lp); return 0;
    case WM_TIMER:
        if (wp == kRetryTimer) {
            attempt(*b);
        } else if (wp == kTickTimer && !mqtt::tick(b->client, GetTickCount())) {
            lost(*b, WSAETIMEDOUT);
        }
        return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
    }
}

HWND makeWindow(BrokerConnection& b) {
    static const ATOM cls = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = brokerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RuponeBroker";
        return RegisterClassExW(&wc);
    }();
    if (!cls) return nullptr;
    HWND h = CreateWindowExW(0, L"RuponeBroker", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (h) SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&b));
    return h;
}

}  // namespace

bool connectBroker(BrokerConnection& b, const std::string& host, uint16_t port) {
    if (host.empty() || port == 0 || !startWinsock()) return false;
    // A name that cannot be found is told at once; a broker not there yet is waited for.
    addrinfo hints{}, *found = nullptr;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) {
        b.lastError = WSAGetLastError();
        return false;
    }
    freeaddrinfo(found);
    if (!b.window && !(b.window = makeWindow(b))) return false;
    b.host = host;
    b.port = port;
    b.wanted = true;
    b.retryMs = kFirstRetryMs;
    attempt(b);
    return true;
}

void disconnectBroker(BrokerConnection& b) {
    b.wanted = false;
    KillTimer(b.window, kRetryTimer);
    if (b.socket != INVALID_SOCKET) {
        mqtt::disconnect(b.client);
        // The DISCONNECT goes before the socket closes; a linger would wait, a shutdown sends it.
        shutdown(b.socket, SD_SEND);
    }
    closeSocket(b);
    if (b.window) DestroyWindow(b.window);
    b.window = nullptr;
}

void dropBroker(BrokerConnection& b) {
    b.wanted = false;
    KillTimer(b.window, kRetryTimer);
    if (b.socket != INVALID_SOCKET) {
        // A reset, not an orderly close: the broker sees a connection that died.
        linger hard{1, 0};
        setsockopt(b.socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    }
    closeSocket(b);
    if (b.window) DestroyWindow(b.window);
    b.window = nullptr;
}

}  // namespace share
