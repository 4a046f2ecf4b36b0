#include "LightMapWorkers.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

LightMapWorkers::~LightMapWorkers() {
    // A forked child (a message box's, say) that ends through the exit path
    // copied the pool but not its threads: it neither wakes nor joins them, and
    // leaves their handles and the condition they wait on alone, since the
    // condition's end would wait for those waiters forever and a join of a
    // thread that is not there fails.
    if (!m_Threads.empty() && getpid() != m_Owner) {
        new std::vector<std::thread>(std::move(m_Threads));
        m_pChanged.release();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bStop = true;
        m_uFreed.fetch_add(1, std::memory_order_relaxed);  // wakes a helper polling in AwaitJobs
    }
    m_pChanged->notify_all();
    for (std::thread& thread : m_Threads) thread.join();
}

uint32_t LightMapWorkers::GetStartedCount() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return static_cast<uint32_t>(m_Threads.size());
}

void LightMapWorkers::Run(const std::vector<BakeChain>& chains, uint32_t threads) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_pChains = &chains;
    m_Progress.assign(chains.size(), Progress{0, 0, 0});
    m_uChainsLeft = chains.size();
    for (size_t c = 0; c < chains.size(); ++c) Advance(c);
    m_uHelpers = threads > 1 ? threads - 1 : 0;
    if (m_Threads.empty()) m_Owner = getpid();
    while (m_Threads.size() < m_uHelpers) {
        const uint32_t index = static_cast<uint32_t>(m_Threads.size());
        m_Threads.emplace_back([this, index] { WorkerLoop(index); });
    }
    // The caller stays on its core for the bake, so that it does not move
    // onto a helper's and queue behind it.
    cpu_set_t callerMask;
    const bool held = m_uHelpers > 0 && pthread_getaffinity_np(pthread_self(), sizeof(callerMask), &callerMask) == 0;
    if (held) PlaceHelpers(callerMask);
    m_uFreed.fetch_add(1, std::memory_order_relaxed);
    m_pChanged->notify_all();
    while (m_uChainsLeft != 0)
        if (!RunJobs(lock)) AwaitJobs(lock);
    m_pChains = nullptr;
    m_uHelpers = 0;
    if (held) pthread_setaffinity_np(pthread_self(), sizeof(callerMask), &callerMask);
}

void LightMapWorkers::WorkerLoop(uint32_t index) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    while (!m_bStop) {
        if (index >= m_uHelpers)
            m_pChanged->wait(lock);
        else if (!RunJobs(lock))
            AwaitJobs(lock);
    }
}

bool LightMapWorkers::RunJobs(std::unique_lock<std::mutex>& lock) {
    bool ran = false;
    while (m_pChains) {
        size_t c = 0;
        while (c < m_Progress.size() && (m_Progress[c].step >= (*m_pChains)[c].size() ||
                                         m_Progress[c].next >= (*m_pChains)[c][m_Progress[c].step].jobs))
            ++c;
        if (c == m_Progress.size()) break;
        Progress& p = m_Progress[c];
        const BakeStep& step = (*m_pChains)[c][p.step];
        const uint32_t job = p.next++;
        lock.unlock();
        step.run(job);
        lock.lock();
        ran = true;
        if (--p.left == 0) {
            ++p.step;
            Advance(c);
            m_uFreed.fetch_add(1, std::memory_order_relaxed);
            m_pChanged->notify_all();
        }
    }
    return ran;
}

void LightMapWorkers::AwaitJobs(std::unique_lock<std::mutex>& lock) {
    const uint32_t seen = m_uFreed.load(std::memory_order_relaxed);
    lock.unlock();
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
    for (uint32_t spins = 1; m_uFreed.load(std::memory_order_relaxed) == seen; ++spins) {
        CpuRelax();
        if (spins % 64 == 0 && std::chrono::steady_clock::now() > until) break;
    }
    lock.lock();
    // The count changes under the lock only, so no step can finish unseen
    // between this test and the wait.
    if (m_uFreed.load(std::memory_order_relaxed) == seen) m_pChanged->wait(lock);
}

void LightMapWorkers::Advance(size_t chain) {
    const BakeChain& steps = (*m_pChains)[chain];
    Progress& p = m_Progress[chain];
    while (p.step < steps.size() && steps[p.step].jobs == 0) ++p.step;
    if (p.step < steps.size()) {
        p.next = 0;
        p.left = steps[p.step].jobs;
    } else {
        --m_uChainsLeft;
    }
}

uint32_t LightMapWorkers::CoresAvailable() {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof(allowed), &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return static_cast<uint32_t>(CPU_COUNT(&allowed));
    return std::max(std::thread::hardware_concurrency(), 1u);
}

// Threads woken together are often queued on one core while another stays
// idle, and wait there a whole time slice (milliseconds, a bake's length).
// A helper held to a core of its own starts at once; the calling thread is
// held to its core and the helpers are kept off it. With more helpers than
// other cores, all are left to the scheduler.
void LightMapWorkers::PlaceHelpers(const cpu_set_t& allowed) {
    const int caller = sched_getcpu();
    if (caller < 0) return;
    std::vector<int> cores;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &allowed) && cpu != caller) cores.push_back(cpu);
    const bool pin = m_uHelpers <= cores.size();
    if (pin) {
        cpu_set_t own;
        CPU_ZERO(&own);
        CPU_SET(caller, &own);
        pthread_setaffinity_np(pthread_self(), sizeof(own), &own);
    }
    if (caller == m_iCallerCpu && m_uHelpers == m_uPlaced) return;
    m_iCallerCpu = caller;
    m_uPlaced = m_uHelpers;
    // Helpers sitting this bake out are left free.
    for (size_t i = 0; i < m_Threads.size(); ++i) {
        cpu_set_t set = allowed;
        if (pin && i < m_uHelpers) {
            CPU_ZERO(&set);
            CPU_SET(cores[i], &set);
        }
        pthread_setaffinity_np(m_Threads[i].native_handle(), sizeof(set), &set);
    }
}
