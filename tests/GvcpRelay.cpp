#include "GvcpRelay.h"

#include <gio/gio.h>

#include <deque>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr guint16 gvcpPort = 3956;

std::string commandName(const char* packet, gssize size)
{
    if (size < 8)
        return "short";
    const unsigned command =
        (static_cast<unsigned char>(packet[2]) << 8) | static_cast<unsigned char>(packet[3]);
    switch (command) {
    case 0x0002:
        return "DISCOVERY";
    case 0x0080:
        return "READREG";
    case 0x0082:
        return "WRITEREG";
    case 0x0084:
        return "READMEM";
    case 0x0086:
        return "WRITEMEM";
    default:
        return "command 0x" + std::to_string(command);
    }
}

GSocket* boundSocket(const std::string& address, guint16 port, std::string* error)
{
    GError* failure = nullptr;
    GSocket* socket =
        g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_DATAGRAM, G_SOCKET_PROTOCOL_UDP, &failure);
    GInetAddress* inet = g_inet_address_new_from_string(address.c_str());
    GSocketAddress* local = inet ? g_inet_socket_address_new(inet, port) : nullptr;
    if (socket && local && g_socket_bind(socket, local, FALSE, &failure))
        g_socket_set_blocking(socket, FALSE);
    else
        g_clear_object(&socket);
    if (!socket && error)
        *error = address + ":" + std::to_string(port) + ": " + (failure ? failure->message : "bad address");
    g_clear_error(&failure);
    g_clear_object(&local);
    g_clear_object(&inet);
    return socket;
}

bool sameAddress(GSocketAddress* a, GSocketAddress* b)
{
    auto* x = G_INET_SOCKET_ADDRESS(a);
    auto* y = G_INET_SOCKET_ADDRESS(b);
    return g_inet_socket_address_get_port(x) == g_inet_socket_address_get_port(y) &&
           g_inet_address_equal(g_inet_socket_address_get_address(x), g_inet_socket_address_get_address(y));
}

} // namespace

struct GvcpRelay::State
{
    struct Client
    {
        GSocketAddress* address;
        GSocket* upstream;
    };
    struct Packet
    {
        Clock::time_point due;
        GSocket* via;
        GSocketAddress* to;
        std::string bytes;
    };

    ~State()
    {
        for (Packet& packet : pending)
            g_object_unref(packet.to);
        for (Client& client : clients) {
            g_object_unref(client.address);
            g_object_unref(client.upstream);
        }
        g_clear_object(&listening);
        g_clear_object(&camera);
    }

    GSocket* listening = nullptr;
    GSocketAddress* camera = nullptr;
    std::vector<Client> clients;
    std::deque<Packet> pending;
};

GvcpRelay::GvcpRelay(std::string listenAddress, std::string cameraAddress)
    : m_listenAddress(std::move(listenAddress)), m_cameraAddress(std::move(cameraAddress))
{}

GvcpRelay::~GvcpRelay()
{
    stop();
}

bool GvcpRelay::start(std::string* error)
{
    auto state = std::make_unique<State>();
    state->listening = boundSocket(m_listenAddress, gvcpPort, error);
    GInetAddress* camera = g_inet_address_new_from_string(m_cameraAddress.c_str());
    if (!state->listening || !camera) {
        if (error && camera == nullptr)
            *error = "bad camera address " + m_cameraAddress;
        g_clear_object(&camera);
        return false;
    }
    state->camera = g_inet_socket_address_new(camera, gvcpPort);
    g_object_unref(camera);
    m_state = std::move(state);
    m_stopping = false;
    m_thread = std::thread(&GvcpRelay::loop, this);
    return true;
}

void GvcpRelay::stop()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    m_state.reset();
}

void GvcpRelay::setDelay(std::chrono::microseconds delay)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_delay = delay;
}

void GvcpRelay::setSwallowing(bool swallowing)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_swallowing = swallowing;
}

void GvcpRelay::dropCommands(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_toDrop = count;
}

std::map<std::string, uint64_t> GvcpRelay::counts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}

uint64_t GvcpRelay::total() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    uint64_t sum = 0;
    for (const auto& count : m_counts)
        sum += count.second;
    return sum;
}

void GvcpRelay::resetCounts()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_counts.clear();
}

// Runs on the relay's own thread; only it touches m_state.
void GvcpRelay::loop()
{
    State& state = *m_state;
    char buffer[2048];
    while (!m_stopping) {
        std::vector<GPollFD> fds;
        std::vector<GSocket*> sockets{state.listening};
        for (const State::Client& client : state.clients)
            sockets.push_back(client.upstream);
        for (GSocket* socket : sockets)
            fds.push_back(GPollFD{g_socket_get_fd(socket), G_IO_IN, 0});
        int timeout = 20;
        if (!state.pending.empty()) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                state.pending.front().due - Clock::now());
            timeout = static_cast<int>(std::max<long long>(0, std::min<long long>(timeout, wait.count())));
        }
        g_poll(fds.data(), static_cast<guint>(fds.size()), timeout);

        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & G_IO_IN))
                continue;
            GSocketAddress* from = nullptr;
            const gssize size =
                g_socket_receive_from(sockets[i], &from, buffer, sizeof buffer, nullptr, nullptr);
            if (size <= 0 || !from) {
                g_clear_object(&from);
                continue;
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto due = Clock::now() + m_delay;
            if (i == 0) {
                auto client = state.clients.begin();
                while (client != state.clients.end() && !sameAddress(client->address, from))
                    ++client;
                if (client == state.clients.end()) {
                    GSocket* upstream = boundSocket(m_listenAddress, 0, nullptr);
                    if (!upstream) {
                        g_object_unref(from);
                        continue;
                    }
                    state.clients.push_back({G_SOCKET_ADDRESS(g_object_ref(from)), upstream});
                    client = state.clients.end() - 1;
                }
                if (m_swallowing || m_toDrop > 0) {
                    m_toDrop = m_swallowing ? m_toDrop : m_toDrop - 1;
                } else {
                    ++m_counts[commandName(buffer, size)];
                    state.pending.push_back({due, client->upstream,
                                             G_SOCKET_ADDRESS(g_object_ref(state.camera)),
                                             std::string(buffer, static_cast<size_t>(size))});
                }
            } else if (!m_swallowing) {
                state.pending.push_back({due, state.listening,
                                         G_SOCKET_ADDRESS(g_object_ref(state.clients[i - 1].address)),
                                         std::string(buffer, static_cast<size_t>(size))});
            }
            g_object_unref(from);
        }

        while (!state.pending.empty() &&
               state.pending.front().due <= Clock::now() + std::chrono::microseconds(200)) {
            State::Packet packet = std::move(state.pending.front());
            state.pending.pop_front();
            std::this_thread::sleep_until(packet.due);
            g_socket_send_to(packet.via, packet.to, packet.bytes.data(), packet.bytes.size(), nullptr,
                             nullptr);
            g_object_unref(packet.to);
        }
    }
}
