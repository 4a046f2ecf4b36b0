// Test-only control of the platform: a virtual clock, scripted answers to message
// boxes, and a record of what the boxes showed. The game never calls these.
#pragma once
#include <string>
#include <vector>
#include "windef.h"

namespace quil_automation {

// Virtual clock: once enabled, QueryPerformanceCounter and timeGetTime read this
// clock, which moves only when AdvanceClock is called.
void UseVirtualClock(bool on);
void AdvanceClock(double seconds);

// Message boxes: queued answers are used first; without one a box answers its
// default (IDNO for Yes/No, IDIGNORE for Abort/Retry/Ignore, IDOK otherwise) when
// no display is there or headless mode is on.
void SetHeadless(bool on);
bool IsHeadless();
void QueueMessageBoxAnswer(int answer);
struct ShownMessageBox { std::string text; std::string caption; UINT type; int answer; };
const std::vector<ShownMessageBox>& MessageBoxesShown();
void ClearMessageBoxesShown();

}  // namespace quil_automation
