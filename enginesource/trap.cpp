// Failure reports (Trap, TrapError) and the debug log file.
#include "trap.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include "windows.h"

namespace {
bool g_bLogging = false;
char g_szLogFormat[256];
char g_szLogLine[256];
char g_szTrapText[500];
char g_szTrapErrorText[500];

// Shows the standard arrow cursor so the box can be answered with the mouse.
void ShowArrowCursor() {
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    ShowCursor(TRUE);
}

// Breaks into the debugger when one is attached; without one, carries on.
void BreakIfDebugged() {
    if (IsDebuggerPresent()) DebugBreak();
}

// Formats into a fixed buffer, cutting what does not fit; a cut text keeps its
// final line break so the next line still starts on a line of its own.
void FormatCut(char* buffer, size_t size, const char* format, va_list args) {
    const int needed = std::vsnprintf(buffer, size, format, args);
    if (needed < 0) {
        buffer[0] = '\0';
        return;
    }
    if (static_cast<size_t>(needed) >= size) {
        const size_t flen = std::strlen(format);
        if (flen > 0 && format[flen - 1] == '\n') buffer[size - 2] = '\n';
    }
}

// Builds head + message + tail in a fixed buffer. When it does not fit, the
// message is cut, so the box still names its place and keeps its question.
void ComposeTrapText(char* buffer, size_t size, const char* head, const char* message, const char* tail) {
    const size_t room = size - 1;
    const size_t h = std::min(std::strlen(head), room);
    const size_t t = std::min(std::strlen(tail), room - h);
    const size_t m = std::min(std::strlen(message), room - h - t);
    std::memcpy(buffer, head, h);
    std::memcpy(buffer + h, message, m);
    std::memcpy(buffer + h + m, tail, t);
    buffer[h + m + t] = '\0';
}
}  // namespace

void DebugLog_Start() {
    FILE* file = std::fopen(DEBUG_LOG_FILE, "w");
    if (!file) return;
    std::fputs("Starting Debug Session\n\n", file);
    std::fclose(file);
    g_bLogging = true;
}

void DebugLog(const char* format, ...) {
    if (!g_bLogging || !format) return;
    va_list args;
    va_start(args, format);
    FormatCut(g_szLogFormat, sizeof(g_szLogFormat), format, args);
    va_end(args);
    std::memcpy(g_szLogLine, g_szLogFormat, sizeof(g_szLogLine));
    OutputDebugStringA(g_szLogLine);
    FILE* file = std::fopen(DEBUG_LOG_FILE, "a+");
    if (!file) return;
    std::fputs(g_szLogLine, file);
    std::fclose(file);
}

void Trap(const char* file, int line, const char* message) {
    ShowArrowCursor();
    char head[sizeof(g_szTrapText)];
    std::snprintf(head, sizeof(head), "%s(%d): Error: ", file ? file : "", line);
    ComposeTrapText(g_szTrapText, sizeof(g_szTrapText), head, message ? message : "FATAL ",
                    "\nDebug (Yes) Exit (No)");
    OutputDebugStringA(g_szTrapText);
    const int answer = MessageBoxA(nullptr, g_szTrapText, "TRAP Error",
                                   MB_YESNO | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_TOPMOST);
    if (answer != IDYES) ExitProcess(1);
    BreakIfDebugged();
}

void TrapError(const char* file, int line, const char* message) {
    if (!message) message = "TRAP ERROR ";
    if (!file) file = "";
    char head[sizeof(g_szTrapErrorText)];
    std::snprintf(head, sizeof(head), "%s(%d): Error: ", file, line);
    ComposeTrapText(g_szTrapErrorText, sizeof(g_szTrapErrorText), head, message, "\n");
    OutputDebugStringA(g_szTrapErrorText);
    std::snprintf(head, sizeof(head), "%s%s(%d)\n", file, "TRAP:", line);
    ComposeTrapText(g_szTrapErrorText, sizeof(g_szTrapErrorText), head, message, "\n");
    ShowArrowCursor();
    const int answer = MessageBoxA(nullptr, g_szTrapErrorText, "TRAP Error",
                                   MB_ABORTRETRYIGNORE | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_TOPMOST);
    if (answer == IDABORT) ExitProcess(1);
    if (answer == IDRETRY) BreakIfDebugged();
}
