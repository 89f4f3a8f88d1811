#pragma once
// Memory the DLL hands to its caller. Each result is one block; DismDelete
// accepts only blocks handed out and not yet released.
#include <cstddef>
#include <string>

namespace sim {

// Zero-filled, at least one byte. Null when memory is exhausted.
void* AllocateResultBlock(std::size_t bytes);
// False for a pointer that is not a live block of ours.
bool ReleaseResultBlock(void* block);
// Live blocks; the caller's leaks show here.
std::size_t LiveResultBlocks();

}  // namespace sim
