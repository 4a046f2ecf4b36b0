// How many times a process or a drawable stands in the engine's lists: the
// game tests' check that activating twice joins once and that deactivating
// leaves nothing behind.
#pragma once
#include "gameengine.h"
#include "process.h"
#include "renderer.h"

namespace quiltest {

// Lists are walked for at most this many entries, so that a list broken into
// a loop fails the test instead of hanging it.
constexpr int kMaxListWalk = 1000;

// Times p stands in the engine's process list.
inline int TimesInProcessList(const Process* p) {
    int times = 0, walked = 0;
    for (Process* q = GetGameEngine()->GetProcessList(); q && walked < kMaxListWalk; q = q->GetNext(), ++walked)
        times += q == p;
    return times;
}

// Times o stands in the drawable list that starts at head (the renderer's
// object or overlay list).
inline int TimesInObjectList(Object* head, const Object* o) {
    int times = 0, walked = 0;
    for (Object* q = head; q && walked < kMaxListWalk; q = q->GetNextObject(), ++walked) times += q == o;
    return times;
}

}  // namespace quiltest
