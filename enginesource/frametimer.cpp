// The application timer over the performance counter, or the millisecond
// multimedia timer where there is no counter.
#include "frametimer.h"
#include "windows.h"

namespace {
struct TimerState {
    bool initialised = false;
    bool usesCounter = false;
    bool counterAllowed = true;
    int64_t ticksPerSecond = 0;
    bool stopped = true;
    // Counter mode, in ticks; a stop time of 0 means running.
    int64_t stopTime = 0, lastElapsed = 0, baseTime = 0;
    // Millisecond fallback, in seconds.
    double stopTimeS = 0.0, lastElapsedS = 0.0, baseTimeS = 0.0;
};
TimerState g_timer;

float CounterCommand(uint32_t command) {
    TimerState& t = g_timer;
    int64_t now;
    if (t.stopTime != 0 && command != FT_START && command != FT_ABSOLUTE) {
        now = t.stopTime;
    } else {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        now = count.QuadPart;
    }
    const double tps = static_cast<double>(t.ticksPerSecond);
    switch (command) {
        case FT_RESET:
            t.baseTime = now;
            t.lastElapsed = now;
            t.stopTime = 0;
            t.stopped = false;
            return 0.0f;
        case FT_START:
            if (t.stopped) t.baseTime += now - t.stopTime;
            t.stopTime = 0;
            t.lastElapsed = now;
            t.stopped = false;
            return 0.0f;
        case FT_STOP:
            t.stopTime = now;
            t.lastElapsed = now;
            t.stopped = true;
            return 0.0f;
        case FT_ADVANCE:
            t.stopTime += t.ticksPerSecond / 10;
            return 0.0f;
        case FT_ABSOLUTE:
            return static_cast<float>(static_cast<double>(now) / tps);
        case FT_APPTIME:
            return static_cast<float>(static_cast<double>(now - t.baseTime) / tps);
        case FT_ELAPSED: {
            const double elapsed = static_cast<double>(now - t.lastElapsed) / tps;
            t.lastElapsed = now;
            return static_cast<float>(elapsed);
        }
        default:
            return -1.0f;
    }
}

float FallbackCommand(uint32_t command) {
    TimerState& t = g_timer;
    double now;
    if (t.stopTimeS != 0.0 && command != FT_START && command != FT_ABSOLUTE)
        now = t.stopTimeS;
    else
        now = static_cast<double>(timeGetTime()) * 0.001;
    switch (command) {
        case FT_RESET:
            t.baseTimeS = now;
            t.lastElapsedS = now;
            t.stopTimeS = 0.0;
            t.stopped = false;
            return 0.0f;
        case FT_START:
            if (t.stopped) t.baseTimeS += now - t.stopTimeS;
            t.stopTimeS = 0.0;
            t.lastElapsedS = now;
            t.stopped = false;
            return 0.0f;
        case FT_STOP:
            t.stopTimeS = now;
            t.lastElapsedS = now;
            t.stopped = true;
            return 0.0f;
        case FT_ADVANCE:
            t.stopTimeS += 0.1;
            return 0.0f;
        case FT_ABSOLUTE:
            return static_cast<float>(now);
        case FT_APPTIME:
            return static_cast<float>(now - t.baseTimeS);
        case FT_ELAPSED: {
            const double elapsed = now - t.lastElapsedS;
            t.lastElapsedS = now;
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
        t.usesCounter = t.counterAllowed && QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0;
        if (t.usesCounter) t.ticksPerSecond = frequency.QuadPart;
    }
    return t.usesCounter ? CounterCommand(command) : FallbackCommand(command);
}

void FrameTimer_ResetState(bool useCounter) {
    g_timer = TimerState();
    g_timer.counterAllowed = useCounter;
}
