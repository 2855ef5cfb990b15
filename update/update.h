#pragma once
// The update library's one entry point, called by the program once, five seconds after start:
// window is the main window's native handle, address the update notice's URL as a NUL-terminated
// single-byte string, valid only during the call. DoUpdate returns at once; the check goes on in
// the background on the caller's Qt event loop and shows a notice only when a newer version is
// offered.

#include <cstdint>

#if defined(_WIN32)
#define KORVELLA_UPDATE_EXPORT __declspec(dllexport)
#else
#define KORVELLA_UPDATE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" KORVELLA_UPDATE_EXPORT void DoUpdate(std::int32_t window, const char* address);
