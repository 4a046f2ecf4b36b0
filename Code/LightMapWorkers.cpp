#include "LightMapWorkers.h"

LightMapWorkers::~LightMapWorkers() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bStop = true;
    }
    m_Changed.notify_all();
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
    while (m_Threads.size() < m_uHelpers) {
        const uint32_t index = static_cast<uint32_t>(m_Threads.size());
        m_Threads.emplace_back([this, index] { WorkerLoop(index); });
    }
    m_Changed.notify_all();
    while (m_uChainsLeft != 0)
        if (!RunJobs(lock)) m_Changed.wait(lock);
    m_pChains = nullptr;
    m_uHelpers = 0;
}

void LightMapWorkers::WorkerLoop(uint32_t index) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    while (!m_bStop)
        if (index >= m_uHelpers || !RunJobs(lock)) m_Changed.wait(lock);
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
            m_Changed.notify_all();
        }
    }
    return ran;
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
