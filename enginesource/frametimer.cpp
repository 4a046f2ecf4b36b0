// The application timer over the performance counter, or the millisecond
// multimedia timer where there is no counter.
#include "frametimer.h"
#include "windows.h"

namespace {
// The three moments one clock mode keeps; a stop time of 0 means running.
template <typename T>
struct Moments {
    T stopTime = 0, lastElapsed = 0, baseTime = 0;
};

struct TimerState {
    bool initialised = false;
    bool usesCounter = false;
    int64_t ticksPerSecond = 0;
    bool stopped = true;
    Moments<int64_t> ticks;   // counter mode, in ticks
    Moments<double> seconds;  // millisecond fallback, in seconds
};
TimerState g_timer;

// One command in either mode: times in the mode's units, perSecond of them to a
// second and `tenth` of them to 0.1 s. Readings other than start and absolute
// time stand still at the stop time while stopped.
template <typename T>
float RunCommand(Moments<T>& m, bool& stopped, uint32_t command, T reading, T tenth, double perSecond) {
    const T now = (m.stopTime != 0 && command != FT_START && command != FT_ABSOLUTE) ? m.stopTime : reading;
    switch (command) {
        case FT_RESET:
            m.baseTime = now;
            m.lastElapsed = now;
            m.stopTime = 0;
            stopped = false;
            return 0.0f;
        case FT_START:
            if (stopped) m.baseTime += now - m.stopTime;
            m.stopTime = 0;
            m.lastElapsed = now;
            stopped = false;
            return 0.0f;
        case FT_STOP:
            m.stopTime = now;
            m.lastElapsed = now;
            stopped = true;
            return 0.0f;
        case FT_ADVANCE:
            m.stopTime += tenth;
            return 0.0f;
        case FT_ABSOLUTE:
            return static_cast<float>(static_cast<double>(now) / perSecond);
        case FT_APPTIME:
            return static_cast<float>(static_cast<double>(now - m.baseTime) / perSecond);
        case FT_ELAPSED: {
            const double elapsed = static_cast<double>(now - m.lastElapsed) / perSecond;
            m.lastElapsed = now;
            return static_cast<float>(elapsed);
        }
        default:
            return -1.0f;
    }
}
}  // namespace

float FrameTimer(uint32_t command) {
    TimerState& t = g_timer;
    if (!t.initialised) {
        t.initialised = true;
        LARGE_INTEGER frequency;
        t.usesCounter = QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0;
        if (t.usesCounter) t.ticksPerSecond = frequency.QuadPart;
    }
    if (t.usesCounter) {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        return RunCommand(t.ticks, t.stopped, command, static_cast<int64_t>(count.QuadPart), t.ticksPerSecond / 10,
                          static_cast<double>(t.ticksPerSecond));
    }
    return RunCommand(t.seconds, t.stopped, command, static_cast<double>(timeGetTime()) * 0.001, 0.1, 1.0);
}

void FrameTimer_ResetState() { g_timer = TimerState(); }
