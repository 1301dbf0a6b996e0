#pragma once

#include <string>

typedef struct _GError GError; // NOLINT(bugprone-reserved-identifier): GLib type

// The SDK's status (Tovrik::Status) for what Aravis reports.
namespace GenicamStatus {

// The status for an Aravis error; 0 for none.
int fromError(const GError* error);

// Whether the error means the link to the camera failed: a timeout, a transfer error, a lost
// connection.
bool isLinkFailure(const GError* error);

// Whether the camera refused because another application controls it.
bool isNotController(const GError* error);

// Takes the error's status and message and frees it; 0 for none. For errors outside a call on
// the worker (opening, closing), where the link is not at stake.
int take(GError** error, std::string* message = nullptr);

} // namespace GenicamStatus
