// Kernel-side services: timers, debugger output, modules, files.
#pragma once
#include "windef.h"
#include "winerror.h"

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
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

// Resources compiled into the program (icon, menus, dialog, bitmap, RCDATA blocks).
HRSRC   FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID  LockResource(HGLOBAL data);
DWORD   SizeofResource(HMODULE module, HRSRC resource);

// Files: enough to open a file, read it and close it again.
#define GENERIC_READ    0x80000000L
#define GENERIC_WRITE   0x40000000L
#define FILE_SHARE_READ  0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define CREATE_NEW        1
#define CREATE_ALWAYS     2
#define OPEN_EXISTING     3
#define OPEN_ALWAYS       4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
typedef struct _SECURITY_ATTRIBUTES {
    DWORD  nLength;
    LPVOID lpSecurityDescriptor;
    BOOL   bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
BOOL   ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
DWORD  GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL   CloseHandle(HANDLE object);
// The absolute form of a path; '\\' and '/' both separate; returns the length
// written, or the size needed (terminator included) when the buffer is too small.
DWORD  GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart);

#define GetModuleHandle GetModuleHandleA
#define FindResource FindResourceA
#define CreateFile CreateFileA
#define GetFullPathName GetFullPathNameA
#define OutputDebugString OutputDebugStringA
