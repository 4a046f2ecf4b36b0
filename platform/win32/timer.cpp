// Performance counter and multimedia timer over the monotonic clock, with the
// virtual clock that tests drive.
#include <atomic>
#include <chrono>
#include <thread>
#include "winbase.h"
#include "mmsystem.h"
#include "quil_automation.h"

namespace {
using Clock = std::chrono::steady_clock;
const Clock::time_point g_start = Clock::now();
std::atomic<bool> g_virtual{false};
std::atomic<int64_t> g_virtualNs{0};
constexpr int64_t kFrequency = 1000000000;  // counts per second: nanoseconds

int64_t NowNs() {
    if (g_virtual.load()) return g_virtualNs.load();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - g_start).count();
}
}  // namespace

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) return FALSE;
    frequency->QuadPart = kFrequency;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count) return FALSE;
    count->QuadPart = NowNs();
    return TRUE;
}

DWORD timeGetTime() { return static_cast<DWORD>(static_cast<uint64_t>(NowNs() / 1000000)); }
UINT timeBeginPeriod(UINT) { return TIMERR_NOERROR; }
UINT timeEndPeriod(UINT) { return TIMERR_NOERROR; }

void Sleep(DWORD milliseconds) {
    if (g_virtual.load()) {
        g_virtualNs.fetch_add(static_cast<int64_t>(milliseconds) * 1000000);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace quil_automation {
void UseVirtualClock(bool on) {
    if (on && !g_virtual.load()) g_virtualNs.store(NowNs());
    g_virtual.store(on);
}
void AdvanceClock(double seconds) { g_virtualNs.fetch_add(static_cast<int64_t>(seconds * 1e9)); }
}  // namespace quil_automation
