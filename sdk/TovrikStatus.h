#pragma once

// The SDK's named status codes, -100 to -123: the one list every layer uses, so that a code is
// never written as a bare number. X(Name, code) expands once per status; the exception family
// adds "Exception" to each name.
#define TOVRIK_STATUS_CODES(X)                                                                               \
    X(NotInitialized, -100)                                                                                  \
    X(InvalidState, -101)                                                                                    \
    X(NotOpened, -102)                                                                                       \
    X(NoImageDataAvailable, -103)                                                                            \
    X(NotFound, -104)                                                                                        \
    X(InvalidParameter, -105)                                                                                \
    X(NotAvailable, -106)                                                                                    \
    X(FunctionNotAvailable, -107)                                                                            \
    X(Timeout, -108)                                                                                         \
    X(Aborted, -109)                                                                                         \
    X(FileOperationFailure, -110)                                                                            \
    X(FileOperationFatalError, -111)                                                                         \
    X(NoAccess, -112)                                                                                        \
    X(WrongBufferSize, -113)                                                                                 \
    X(InvalidBuffer, -114)                                                                                   \
    X(ResourceInUse, -115)                                                                                   \
    X(NotImplemented, -116)                                                                                  \
    X(InvalidHandle, -117)                                                                                   \
    X(IOError, -118)                                                                                         \
    X(ParsingError, -119)                                                                                    \
    X(InvalidValue, -120)                                                                                    \
    X(ResourceExhausted, -121)                                                                               \
    X(OutOfMemory, -122)                                                                                     \
    X(Busy, -123)

namespace Tovrik {
namespace Status {

// Every Tovrik::Feature operation returns 0 or one of these; other non-zero values are unnamed errors.
enum Code : int {
    Success = 0,
#define TOVRIK_STATUS_ENUMERATOR(Name, Value) Name = (Value),
    TOVRIK_STATUS_CODES(TOVRIK_STATUS_ENUMERATOR)
#undef TOVRIK_STATUS_ENUMERATOR
};

} // namespace Status
} // namespace Tovrik
