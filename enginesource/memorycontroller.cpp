// Tagged heap blocks, with a record of the live blocks for leak reports.
#include "memorycontroller.h"
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include "trap.h"

namespace {
struct Block {
    size_t size;
    std::string tag;
};

std::unordered_map<void*, Block>& LiveBlocks() {
    static std::unordered_map<void*, Block> blocks;
    return blocks;
}

bool TagMatches(const Block& block, const char* tag) { return !tag || block.tag == tag; }
}  // namespace

int MemoryController::Init() {
    DebugLog("Initialising Memory controller\n");
    return 0;
}

int MemoryController::Destroy() {
    DebugLog("Destroying Memory controller\n");
    const uint32_t count = GetBlockCount();
    if (count != 0)
        DebugLog("Memory controller: %u blocks (%zu bytes) still allocated\n", count, GetBytesInUse());
    return 0;
}

void* MemoryController::Alloc(uint32_t size, const char* tag) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (!block) return nullptr;
    LiveBlocks()[block] = Block{size, tag ? tag : ""};
    return block;
}

void MemoryController::Free(void** p) {
    if (!p || !*p) return;
    LiveBlocks().erase(*p);
    std::free(*p);
    *p = nullptr;
}

uint32_t MemoryController::GetBlockCount(const char* tag) {
    uint32_t count = 0;
    for (const auto& entry : LiveBlocks())
        if (TagMatches(entry.second, tag)) ++count;
    return count;
}

size_t MemoryController::GetBytesInUse(const char* tag) {
    size_t bytes = 0;
    for (const auto& entry : LiveBlocks())
        if (TagMatches(entry.second, tag)) bytes += entry.second.size;
    return bytes;
}
