#pragma once

#include <string>

typedef struct _GError GError; // NOLINT(bugprone-reserved-identifier): GLib type

// The SDK's status (Tovrik::Status) for what Aravis reports.
namespace GenicamStatus {

// The status for an Aravis error; 0 for none.
int fromError(const GError* error);

// Takes the error's status and message and frees it; 0 for none. An error that means the link to
// the camera failed (a timeout, a transfer error, a lost connection) is also remembered for
// takeLinkFailure on the same thread.
int take(GError** error, std::string* message = nullptr);

// The message of the last link failure taken on this thread since the last call; empty if none.
std::string takeLinkFailure();

} // namespace GenicamStatus
