#pragma once

#include <chrono>
#include <cstdint>

typedef struct _GInetAddress GInetAddress; // NOLINT(bugprone-reserved-identifier): GLib type

// A GigE Vision camera asked directly on a socket of our own, unicast and within a bound, apart
// from Aravis (which waits seconds for a camera that is gone, and must not be called from two
// threads at once).
namespace GenicamGvcp {

// Whether whoever listens at address answers a discovery, asked a few times within timeout. On an
// answer, local is the address this machine reaches the camera from.
bool discover(GInetAddress* address, std::chrono::milliseconds timeout, GInetAddress** local = nullptr);
// Whether the camera at address answers a read of one of its registers within timeout (reading is
// allowed to any application, in control or not).
bool answersRead(GInetAddress* address, uint32_t registerAddress, std::chrono::milliseconds timeout);

} // namespace GenicamGvcp
