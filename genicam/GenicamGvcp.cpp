#include <gio/gio.h>

#include "GenicamGvcp.h"

#include <algorithm>
#include <thread>

namespace GenicamGvcp {

namespace {

constexpr guint16 gvcpPort = 3956;
// A late answer to an earlier try still counts, so more tries cost nothing on a good link; on one
// that loses 5 % each way, three lost in a row happen once in a thousand opens, five once in 100000.
constexpr int attempts = 5;

// Sends command up to five times within timeout and waits for the acknowledge numbered ack.
bool ask(GInetAddress* address, const char* command, gsize size, char ack, std::chrono::milliseconds timeout,
         GInetAddress** local)
{
    GSocket* socket =
        g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_DATAGRAM, G_SOCKET_PROTOCOL_UDP, nullptr);
    GSocketAddress* remote = g_inet_socket_address_new(address, gvcpPort);
    bool answered = false;
    if (socket && g_socket_connect(socket, remote, nullptr, nullptr)) {
        g_socket_set_blocking(socket, FALSE);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (int attempt = 0; attempt < attempts && !answered; ++attempt) {
            const auto sliceEnd = std::chrono::steady_clock::now() + timeout / attempts;
            g_socket_send(socket, command, size, nullptr, nullptr);
            for (;;) {
                const auto left = std::min(sliceEnd, deadline) - std::chrono::steady_clock::now();
                const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
                if (micros <= 0 || !g_socket_condition_timed_wait(socket, G_IO_IN, micros, nullptr, nullptr))
                    break;
                char reply[1024];
                const gssize received = g_socket_receive(socket, reply, sizeof reply, nullptr, nullptr);
                if (received >= 8 && reply[2] == 0x00 && reply[3] == ack) {
                    answered = true;
                    break;
                }
                if (received < 0) // nobody listens (an ICMP answer): wait out the slice
                    std::this_thread::sleep_until(std::min(sliceEnd, deadline));
            }
        }
        if (answered && local) {
            GSocketAddress* own = g_socket_get_local_address(socket, nullptr);
            if (own)
                *local = G_INET_ADDRESS(
                    g_object_ref(g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(own))));
            g_clear_object(&own);
        }
    }
    g_clear_object(&remote);
    g_clear_object(&socket);
    return answered;
}

} // namespace

bool discover(GInetAddress* address, std::chrono::milliseconds timeout, GInetAddress** local)
{
    // Key 0x42, acknowledge wanted, DISCOVERY_CMD, no payload, request 1; DISCOVERY_ACK is 0x0003.
    const char discovery[] = {0x42, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01};
    return ask(address, discovery, sizeof discovery, 0x03, timeout, local);
}

bool answersRead(GInetAddress* address, uint32_t registerAddress, std::chrono::milliseconds timeout)
{
    // READREG_CMD (0x0080) of one address, request 2; READREG_ACK is 0x0081.
    const char read[] = {0x42,
                         0x01,
                         0x00,
                         char(0x80),
                         0x00,
                         0x04,
                         0x00,
                         0x02,
                         char(registerAddress >> 24),
                         char(registerAddress >> 16),
                         char(registerAddress >> 8),
                         char(registerAddress)};
    return ask(address, read, sizeof read, char(0x81), timeout, nullptr);
}

} // namespace GenicamGvcp
