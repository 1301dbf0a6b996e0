#pragma once

#include <string>

typedef struct _GError GError;

// The SDK's status codes for what Aravis reports.
namespace GenicamStatus {

constexpr int notOpened = -102;
constexpr int notFound = -104;
constexpr int invalidParameter = -105;
constexpr int notAvailable = -106;
constexpr int functionNotAvailable = -107;
constexpr int timeout = -108;
constexpr int noAccess = -112;
constexpr int notImplemented = -116;
constexpr int ioError = -118;
constexpr int parsingError = -119;
constexpr int invalidValue = -120;
constexpr int busy = -123;

// The status for an Aravis error; 0 for none.
int fromError(const GError* error);

// Takes the error's status and message and frees it; 0 for none.
int take(GError** error, std::string* message = nullptr);

} // namespace GenicamStatus
