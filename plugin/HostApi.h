#pragma once

// The host's interfaces are implemented in the host executable and cast at run time inside the
// plug-in, so their type information stays visible under hidden symbol visibility.
#if defined(_WIN32)
#define HOST_API_TYPE
#else
#define HOST_API_TYPE __attribute__((visibility("default")))
#endif
