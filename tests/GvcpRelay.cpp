#include "GvcpRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <utility>
#include <vector>

// The tests run where the fake camera runs, on Linux: plain POSIX sockets keep the relay short.
namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in addressOf(const std::string& host, uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    return address;
}

int boundSocket(const std::string& host, uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    const sockaddr_in address = addressOf(host, port);
    if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        close(fd);
    return -1;
}

std::string commandName(const unsigned char* packet, ssize_t size)
{
    const std::map<unsigned, std::string> names{{0x0002, "DISCOVERY"},
                                                {0x0080, "READREG"},
                                                {0x0082, "WRITEREG"},
                                                {0x0084, "READMEM"},
                                                {0x0086, "WRITEMEM"}};
    const unsigned command = size < 8 ? 0 : (packet[2] << 8) | packet[3];
    const auto name = names.find(command);
    return name != names.end() ? name->second : "command " + std::to_string(command);
}

} // namespace

struct GvcpRelay::State
{
    struct Client
    {
        sockaddr_in address;
        int upstream;
        bool silenced = false;
    };
    struct Packet
    {
        Clock::time_point due;
        int via;
        sockaddr_in to;
        std::vector<unsigned char> bytes;
    };

    // Whether to lose this packet, at the relay's drop rate; seeded, so that runs repeat.
    bool lose(int percent) { return percent > 0 && static_cast<int>(random() % 100) < percent; }

    ~State()
    {
        for (const Client& client : clients)
            close(client.upstream);
        if (listening >= 0)
            close(listening);
    }

    int listening = -1;
    sockaddr_in camera{};
    std::vector<Client> clients;
    std::deque<Packet> pending;
    std::minstd_rand random{20261206};
    int apart = 0; // the last address a client was given apart from the others
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
    state->listening = boundSocket(m_listenAddress, 3956);
    if (state->listening < 0) {
        *error = "cannot listen on " + m_listenAddress + ":3956: " + std::strerror(errno);
        return false;
    }
    state->camera = addressOf(m_cameraAddress, 3956);
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

void GvcpRelay::silenceClients()
{
    m_silencing = true;
}

GvcpRelay::Counts GvcpRelay::takeCounts()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_counts.addressesRead = m_addressesRead.size();
    m_addressesRead.clear();
    return std::exchange(m_counts, {});
}

// Runs on the relay's own thread; only it touches m_state.
void GvcpRelay::loop()
{
    State& state = *m_state;
    while (!m_stopping) {
        if (m_silencing.exchange(false)) {
            for (State::Client& client : state.clients)
                client.silenced = true;
        }
        std::vector<pollfd> fds{{state.listening, POLLIN, 0}};
        for (const State::Client& client : state.clients)
            fds.push_back({client.upstream, POLLIN, 0});
        int timeout = 20;
        if (!state.pending.empty()) {
            const auto wait = state.pending.front().due - Clock::now();
            timeout = std::max(
                0,
                std::min(timeout, int(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count())));
        }
        poll(fds.data(), fds.size(), timeout);
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents & POLLIN)
                receive(fds[i].fd, i == 0 ? nullptr : &state.clients[i - 1]);
        }
        while (!state.pending.empty() &&
               state.pending.front().due <= Clock::now() + std::chrono::microseconds(200)) {
            const State::Packet& packet = state.pending.front();
            std::this_thread::sleep_until(packet.due);
            sendto(packet.via, packet.bytes.data(), packet.bytes.size(), 0,
                   reinterpret_cast<const sockaddr*>(&packet.to), sizeof packet.to);
            state.pending.pop_front();
        }
    }
}

// A packet on fd: from a client, or the camera's answer to client.
void GvcpRelay::receive(int fd, const void* answeredClient)
{
    State& state = *m_state;
    unsigned char buffer[2048];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t size = recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (size <= 0)
        return;
    const auto due = Clock::now() + std::chrono::microseconds(delayMicroseconds);
    std::vector<unsigned char> bytes(buffer, buffer + size);
    if (const auto* answered = static_cast<const State::Client*>(answeredClient)) {
        if (!swallowing && !answered->silenced && !state.lose(dropPercent))
            state.pending.push_back({due, state.listening, answered->address, bytes});
        return;
    }
    auto client = state.clients.begin();
    while (client != state.clients.end() && (client->address.sin_port != from.sin_port ||
                                             client->address.sin_addr.s_addr != from.sin_addr.s_addr))
        ++client;
    if (client == state.clients.end())
        client = state.clients.insert(
            client,
            {from,
             boundSocket(clientsApart ? "127.0.1." + std::to_string(++state.apart) : m_listenAddress, 0)});
    if (swallowing || client->silenced || (commandsToDrop > 0 && commandsToDrop--) || state.lose(dropPercent))
        return;
    const std::string command = commandName(buffer, size);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_counts.byType[command];
        ++m_counts.total;
        if (size >= 12 && (command == "READMEM" || command == "READREG"))
            m_addressesRead.insert(uint32_t(buffer[8]) << 24 | uint32_t(buffer[9]) << 16 |
                                   uint32_t(buffer[10]) << 8 | buffer[11]);
    }
    state.pending.push_back({due, client->upstream, state.camera, bytes});
}
