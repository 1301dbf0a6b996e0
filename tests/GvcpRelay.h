#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

// A GigE Vision control-channel (GVCP, UDP 3956) relay between Aravis and a camera, both on
// loopback: counts the commands it forwards by type and can delay, drop or swallow traffic. Each
// client gets its own upstream socket, so the camera tells clients apart as on a network.
class GvcpRelay
{
public:
    // Commands forwarded to the camera, by type ("READMEM", "WRITEREG", "DISCOVERY", ...), and how
    // many different addresses were read.
    struct Counts
    {
        std::map<std::string, uint64_t> byType;
        uint64_t total = 0;
        size_t addressesRead = 0;
        uint64_t of(const char* type) const { return byType.count(type) ? byType.at(type) : 0; }
    };

    GvcpRelay(std::string listenAddress, std::string cameraAddress);
    ~GvcpRelay();

    bool start(std::string* error);
    void stop();
    // The counts since the last call.
    Counts takeCounts();
    // Nothing of the clients known now passes any more, either way: their connections are dead,
    // new ones work.
    void silenceClients();

    // Each packet is held this long in each direction.
    std::atomic<int> delayMicroseconds{0};
    // While swallowing, nothing passes either way: a pulled cable.
    std::atomic<bool> swallowing{false};
    // The next this many commands from clients are dropped.
    std::atomic<int> commandsToDrop{0};
    // Each packet, either way, is lost with this chance in percent: a poor network.
    std::atomic<int> dropPercent{0};
    // Each new client reaches the camera from an address of its own (127.0.1.N), as a new
    // connection does on a network; otherwise all come from the relay's address.
    std::atomic<bool> clientsApart{false};

private:
    struct State;
    void loop();
    void receive(int fd, const void* answeredClient);

    const std::string m_listenAddress;
    const std::string m_cameraAddress;
    std::unique_ptr<State> m_state; // the relay thread's own
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_silencing{false};

    std::mutex m_mutex; // guards the counts
    Counts m_counts;
    std::set<uint32_t> m_addressesRead;
};
