// Failure reports and the debug log.
#pragma once

// Name of the debug log file, written in the working directory.
#define DEBUG_LOG_FILE "DebugOutput.Dbg"

// Creates the log file anew ("Starting Debug Session") and switches logging on.
void DebugLog_Start();
// printf-style: one formatted text (cut to 255 characters) to the debugger output
// and appended to the log file. Does nothing until DebugLog_Start succeeded.
void DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Fatal failure: Yes/No box; No ends the process with exit code 1.
void Trap(const char* file, int line, const char* message);
// Non-fatal failure: Abort/Retry/Ignore box; Abort ends the process with exit code 1.
void TrapError(const char* file, int line, const char* message);
