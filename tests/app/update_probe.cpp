// Stand-in update libraries for the tests, both built as libupdate.so in folders of their own:
// with PROBE_DO_UPDATE, DoUpdate records its arguments; without, the library lacks DoUpdate.

#include <cstdint>
#include <string>
#include <vector>

#define EXPORT extern "C" __attribute__((visibility("default")))

#ifdef PROBE_DO_UPDATE
namespace {
struct Call {
    std::int32_t window;
    std::string address;
};
std::vector<Call> calls;
} // namespace

EXPORT void DoUpdate(std::int32_t window, const char* address) {
    calls.push_back({window, address});
}
EXPORT int ProbeCallCount() {
    return static_cast<int>(calls.size());
}
EXPORT std::int32_t ProbeWindow(int i) {
    return calls.at(i).window;
}
EXPORT const char* ProbeAddress(int i) {
    return calls.at(i).address.c_str();
}
#else
EXPORT void CheckForUpdates(std::int32_t, const char*) {}
#endif
