#pragma once

#if defined(_WIN32)
#if defined(TOVRIK_BUILDING_SDK)
#define SIM_EXPORT __declspec(dllexport)
#else
#define SIM_EXPORT __declspec(dllimport)
#endif
#else
#define SIM_EXPORT __attribute__((visibility("default")))
#endif
