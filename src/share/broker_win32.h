// The connection to an MQTT broker on a Winsock socket. Everything happens on the UI thread: the
// socket's events (WSAAsyncSelect) and the keep-alive and reconnection timers arrive as messages
// to a hidden window, so they go on inside modal loops (dialogs, menus, a window being moved).
#pragma once

#include "desk/windows_win32.h"

#include <winsock2.h>

#include <cstdint>
#include <string>

#include "share/mqtt.h"

namespace share {

struct BrokerConnection {
    std::string host;
    uint16_t port = 1883;
    mqtt::Client client;  // its options, topics and callbacks are the caller's to set
    HWND window = nullptr;
    SOCKET socket = INVALID_SOCKET;
    mqtt::Bytes unsent;        // what the socket would not take yet
    uint32_t retryMs = 0;      // the present wait before the next attempt: 0.5 s doubling to 30 s
    bool wanted = false;       // connect again after a loss
    int lastError = 0;         // Winsock's code of the last failed attempt
};

// Starts connecting (and reconnecting after every loss) to host:port; false when the name cannot
// be found or Winsock cannot start. The client's changed callback tells when the broker took us.
bool connectBroker(BrokerConnection& b, const std::string& host, uint16_t port);
// A clean end: DISCONNECT (the broker drops the will), then the socket closes; no reconnecting.
void disconnectBroker(BrokerConnection& b);
// Cuts the connection without a word, as a crash or a pulled cable would (for tests): the broker
// publishes the will. No reconnecting.
void dropBroker(BrokerConnection& b);

}  // namespace share
