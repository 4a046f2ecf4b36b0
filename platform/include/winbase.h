// Kernel-side services: timers, debugger output, modules, files.
#pragma once
#include "windef.h"
#include "winerror.h"

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
DWORD GetTickCount();
void Sleep(DWORD milliseconds);

// Debugger output goes to standard error.
void OutputDebugStringA(LPCSTR text);
// Breaks into an attached debugger; does nothing when none is attached.
void DebugBreak();
// True while a debugger is attached to the process.
BOOL IsDebuggerPresent();

HMODULE GetModuleHandleA(LPCSTR moduleName);
DWORD GetLastError();
void SetLastError(DWORD error);
void ExitProcess(UINT exitCode);

#define GetModuleHandle GetModuleHandleA
#define OutputDebugString OutputDebugStringA
