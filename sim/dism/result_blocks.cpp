#include "result_blocks.h"

#include <cstdlib>
#include <mutex>
#include <set>

namespace sim {

namespace {

std::mutex g_blocksMutex;
std::set<void*> g_blocks;

}  // namespace

void* AllocateResultBlock(std::size_t bytes) {
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (block == nullptr) return nullptr;
    std::lock_guard lock(g_blocksMutex);
    g_blocks.insert(block);
    return block;
}

bool ReleaseResultBlock(void* block) {
    {
        std::lock_guard lock(g_blocksMutex);
        if (g_blocks.erase(block) == 0) return false;
    }
    std::free(block);
    return true;
}

std::size_t LiveResultBlocks() {
    std::lock_guard lock(g_blocksMutex);
    return g_blocks.size();
}

}  // namespace sim
