// The application's clock: application time that can be stopped and restarted,
// the time since the previous elapsed query, and absolute time.
#pragma once
#include <cstdint>

// FrameTimer commands.
enum FrameTimerCommand : uint32_t {
    FT_RESET = 0,     // application time restarts at 0, running
    FT_START = 1,     // runs again; a stopped interval is left out of application time
    FT_STOP = 2,      // application time stands still
    FT_ADVANCE = 3,   // moves the stop moment on by 0.1 s
    FT_ABSOLUTE = 4,  // seconds since the clock's origin (always runs)
    FT_APPTIME = 5,   // application time
    FT_ELAPSED = 6,   // seconds since the previous elapsed query
};

// Runs one command; returns its time in seconds (0 for the commands that change
// state, -1 for an unknown command).
float FrameTimer(uint32_t command);

// Test support: returns the clock to its never-called state.
void FrameTimer_ResetState();
