// The bake workers under load: many bakes in a row on one pool, with more and
// fewer chains than the bake before, empty steps and chains, and thread counts
// from one to more than the pool has started. Every job runs once, and a step's
// jobs only after all of the step before; the calling thread gets back the
// cores it had. Run under the thread sanitizer too.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <random>
#include <vector>

#include "LightMapWorkers.h"

namespace {

// One bake's record of what ran: a counter per job, and whether any job of a
// step started before its chain's step before was complete.
struct Ledger {
    std::vector<std::vector<uint32_t>> jobs;  // jobs[chain][step]
    std::vector<std::vector<std::unique_ptr<std::atomic<uint32_t>[]>>> runs;
    std::vector<std::vector<std::unique_ptr<std::atomic<uint32_t>>>> done;
    std::atomic<bool> early{false};

    std::vector<BakeChain> MakeChains(std::mt19937& rng, uint32_t chainCount) {
        std::vector<BakeChain> chains(chainCount);
        jobs.assign(chainCount, {});
        runs.resize(chainCount);
        done.resize(chainCount);
        for (uint32_t c = 0; c < chainCount; ++c) {
            const uint32_t steps = rng() % 4;  // an empty chain now and then
            runs[c].clear();
            done[c].clear();
            for (uint32_t s = 0; s < steps; ++s) {
                const uint32_t n = rng() % 3 == 0 ? 0 : 1 + rng() % 24;  // empty steps too
                jobs[c].push_back(n);
                runs[c].emplace_back(new std::atomic<uint32_t>[n + 1]());
                done[c].emplace_back(new std::atomic<uint32_t>(0));
            }
            for (uint32_t s = 0; s < steps; ++s) {
                std::atomic<uint32_t>* counts = runs[c][s].get();
                std::atomic<uint32_t>* finished = done[c][s].get();
                const std::atomic<uint32_t>* before = s ? done[c][s - 1].get() : nullptr;
                const uint32_t needed = s ? jobs[c][s - 1] : 0;
                chains[c].push_back({jobs[c][s], [=](uint32_t job) {
                                         if (before && before->load() != needed) early = true;
                                         counts[job].fetch_add(1);
                                         finished->fetch_add(1);
                                     }});
            }
        }
        return chains;
    }

    void Check(uint32_t bake) {
        EXPECT_FALSE(early.load()) << "bake " << bake << ": a step started before the one before it ended";
        for (size_t c = 0; c < jobs.size(); ++c)
            for (size_t s = 0; s < jobs[c].size(); ++s)
                for (uint32_t j = 0; j < jobs[c][s]; ++j)
                    ASSERT_EQ(runs[c][s][j].load(), 1u) << "bake " << bake << " chain " << c << " step " << s << " job " << j;
    }
};

TEST(LightMapWorkers, ManyBakesInARowWithChangingChainsAndThreads) {
    std::mt19937 rng(21);
    LightMapWorkers workers;
    cpu_set_t mine;
    ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof(mine), &mine), 0);
    uint32_t most = 0;
    for (uint32_t bake = 0; bake < 1500; ++bake) {
        // Chain counts rise and fall so that the bookkeeping of one bake is
        // made anew for the next, larger or smaller.
        const uint32_t chainCount = bake % 7 == 0 ? 0 : 1 + rng() % (bake % 2 ? 3 : 9);
        const uint32_t threads = 1 + rng() % 9;
        most = std::max(most, threads);
        Ledger ledger;
        const std::vector<BakeChain> chains = ledger.MakeChains(rng, chainCount);
        workers.Run(chains, threads);
        ledger.Check(bake);
        if (HasFatalFailure()) return;
        cpu_set_t after;
        ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof(after), &after), 0);
        ASSERT_TRUE(CPU_EQUAL(&mine, &after)) << "bake " << bake << " left the caller held to a core";
    }
    EXPECT_EQ(workers.GetStartedCount(), most - 1);
}

TEST(LightMapWorkers, PoolsComeAndGoBetweenAndAfterBakes) {
    std::mt19937 rng(7);
    for (uint32_t pool = 0; pool < 40; ++pool) {
        LightMapWorkers workers;
        for (uint32_t bake = 0; bake < 1 + pool % 4; ++bake) {
            Ledger ledger;
            const std::vector<BakeChain> chains = ledger.MakeChains(rng, 1 + rng() % 4);
            workers.Run(chains, 2 + rng() % 7);
            ledger.Check(bake);
        }
    }
}

// A forked child (a message box's) that ends through the exit path destroys
// the pool it copied, whose helpers it does not have: it must come back at
// once, neither waiting for them nor failing; the parent's pool still works.
TEST(LightMapWorkers, AForkedChildLetsGoOfThePoolItDidNotStart) {
    std::mt19937 rng(3);
    auto* workers = new LightMapWorkers;
    Ledger first;
    workers->Run(first.MakeChains(rng, 4), 4);
    ASSERT_EQ(workers->GetStartedCount(), 3u);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        delete workers;
        _exit(7);
    }
    int status = 0;
    pid_t ended = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        ADD_FAILURE() << "the child hung destroying the pool";
    } else {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << "the child failed, status " << status;
    }
    Ledger second;
    workers->Run(second.MakeChains(rng, 4), 4);
    second.Check(1);
    delete workers;
}

}  // namespace
