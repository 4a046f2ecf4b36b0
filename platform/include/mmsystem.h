// The multimedia timer.
#pragma once
#include "windef.h"

// Milliseconds since the platform started (wraps after 49.7 days, as on Win32).
DWORD timeGetTime();
UINT timeBeginPeriod(UINT period);
UINT timeEndPeriod(UINT period);
#define TIMERR_NOERROR 0
