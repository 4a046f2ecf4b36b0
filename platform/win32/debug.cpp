// Debugger output and breaks, process-level services.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include "winbase.h"

namespace {
thread_local DWORD g_lastError = 0;
}

void OutputDebugStringA(LPCSTR text) {
    if (!text) return;
    std::fputs(text, stderr);
    std::fflush(stderr);
}

BOOL IsDebuggerPresent() {
    // Linux reports the tracing process in /proc/self/status.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) return std::atoi(line.c_str() + 10) != 0 ? TRUE : FALSE;
    }
    return FALSE;
}

void DebugBreak() {
    if (IsDebuggerPresent()) std::raise(SIGTRAP);
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    // Only the program itself is a module here.
    static int self;
    if (moduleName) return nullptr;
    return reinterpret_cast<HMODULE>(&self);
}

DWORD GetLastError() { return g_lastError; }
void SetLastError(DWORD error) { g_lastError = error; }
// Ends the process at once, as the system's process exit does: static objects
// are not destroyed (the engine's process list would still point at them while
// they go), so the C streams are flushed here; the debug log is closed after
// every line and needs nothing.
void ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    ::_exit(static_cast<int>(exitCode));
}
