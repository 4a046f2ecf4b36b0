// The threads lightmap bakes run on: started when a bake first needs them,
// kept idle between bakes and joined when the pool goes.
#pragma once
#include <sched.h>
#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Jobs that may run in any order and on any thread, job i by run(i).
struct BakeStep {
    uint32_t jobs;
    std::function<void(uint32_t)> run;
};
// Steps of which each starts when every job of the one before it is done.
using BakeChain = std::vector<BakeStep>;

// One turn of a wait that polls memory another core writes: tells the core
// this thread is spinning.
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

class LightMapWorkers {
public:
    LightMapWorkers() = default;
    LightMapWorkers(const LightMapWorkers&) = delete;
    LightMapWorkers& operator=(const LightMapWorkers&) = delete;
    ~LightMapWorkers();

    // Runs the chains side by side over threads workers, the calling thread
    // one of them (an earlier chain's jobs are taken first), and returns when
    // every chain is done. One bake at a time.
    void Run(const std::vector<BakeChain>& chains, uint32_t threads);
    // Threads started so far (never more than the largest bake asked for, less one).
    uint32_t GetStartedCount();
    // Cores this process may run on.
    static uint32_t CoresAvailable();

private:
    // Written at every job taken: a cache line each, so that nothing the
    // jobs read shares a line with them.
    struct alignas(64) Progress {
        size_t step;     // the chain's step whose jobs are handed out
        uint32_t next;   // its next job
        uint32_t left;   // its jobs not yet finished
    };
    void WorkerLoop(uint32_t index);
    // Takes free jobs one at a time, each run unlocked and booked as the next
    // is taken, until none is free; false when it ran none.
    bool RunJobs(std::unique_lock<std::mutex>& lock);
    // Moves the chain past its finished and empty steps.
    void Advance(size_t chain);
    // Waits until jobs are freed or the bake ends: polls a short while first,
    // since a woken thread takes longer to start than most steps last.
    void AwaitJobs(std::unique_lock<std::mutex>& lock);
    // Holds the calling thread to its core and gives each helper taking part
    // a core of its own among those allowed, none the caller's (placed again
    // when the caller has moved or the number taking part changed since the
    // last bake).
    void PlaceHelpers(const cpu_set_t& allowed);

    std::mutex m_Mutex;
    // Jobs freed, a bake done, or the end. Held apart from the pool: a forked
    // child leaves it behind, as it counts waiters that are not in the child.
    std::unique_ptr<std::condition_variable> m_pChanged = std::make_unique<std::condition_variable>();
    std::vector<std::thread> m_Threads;
    pid_t m_Owner = 0;  // the process that started the threads
    const std::vector<BakeChain>* m_pChains = nullptr;
    std::vector<Progress> m_Progress;
    size_t m_uChainsLeft = 0;
    uint32_t m_uHelpers = 0;  // workers taking part in the bake in progress
    std::atomic<uint32_t> m_uFreed{0};  // bumped under the lock as a bake begins, a step finishes, the pool ends
    bool m_bStop = false;
    int m_iCallerCpu = -1;     // the caller's core when the helpers were placed
    size_t m_uPlaced = 0;      // helpers taking part then
};
