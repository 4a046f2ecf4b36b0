// The C runtime's random numbers: the classic linear congruential generator,
// never seeded unless the program asks, so every run draws the same sequence on
// every machine. These definitions take the place of the C library's.
#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace {
std::atomic<uint32_t> g_randState{1};
}

extern "C" int rand(void) noexcept {
    uint32_t x = g_randState.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = x * 214013u + 2531011u;
    } while (!g_randState.compare_exchange_weak(x, next, std::memory_order_relaxed));
    return static_cast<int>((next >> 16) & 0x7FFF);
}

extern "C" void srand(unsigned int seed) noexcept { g_randState.store(seed, std::memory_order_relaxed); }
