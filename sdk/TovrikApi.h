#pragma once

#include <cstddef>

// The camera SDK is a shared library ("Tovrik"); its feature interfaces are implemented there
// and used here, so their type information has to be visible across the boundary.
#if defined(_WIN32)
#if defined(TOVRIK_BUILDING_SDK)
#define TOVRIK_API __declspec(dllexport)
#else
#define TOVRIK_API __declspec(dllimport)
#endif
#define TOVRIK_API_TYPE
#else
#define TOVRIK_API __attribute__((visibility("default")))
#define TOVRIK_API_TYPE __attribute__((visibility("default")))
#endif

// Writes the SDK's NUL-terminated description of an error code into buffer. Returns 0 on success.
extern "C" TOVRIK_API int tovrikGetErrorDescription(int code, char* buffer, size_t bufferSize);
