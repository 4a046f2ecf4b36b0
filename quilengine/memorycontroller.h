// Tagged heap blocks: every large block is asked for with a tag that names its
// user, and freed through the owner's pointer, which is cleared at once.
#pragma once
#include <cstdint>
#include <cstddef>

class MemoryController {
public:
    static int Init();
    static int Destroy();

    // A block of size bytes (a zero size still gives a distinct block), or null
    // when the heap has none.
    static void* Alloc(uint32_t size, const char* tag);
    // Frees *p and sets it to null; a null *p does nothing.
    static void Free(void** p);
    template <typename T>
    static void Free(T** p) {
        void* block = *p;
        Free(&block);
        *p = static_cast<T*>(block);
    }

    // Diagnostics: blocks and bytes currently held, in all or under one tag.
    static uint32_t GetBlockCount(const char* tag = nullptr);
    static size_t GetBytesInUse(const char* tag = nullptr);
};
