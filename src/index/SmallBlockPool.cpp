// Per-thread free lists of small blocks, refilled in chunks.
#include "SmallBlockPool.h"

#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define SITEFINCH_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SITEFINCH_POOL_DISABLED 1
#endif
#endif

namespace sitefinch {

#ifndef SITEFINCH_POOL_DISABLED
namespace {

constexpr std::size_t kClassCount = CSmallBlockPool::kMaxPooled / CSmallBlockPool::kGranularity;
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kCacheLine = 64;

struct CFreeBlock {
    CFreeBlock* pNext;
};

struct CPoolState {
    CFreeBlock* heads[kClassCount] = {};
    std::vector<void*> chunks;  // kept so the memory stays reachable; never released
};

// Created once per thread and deliberately never destroyed: objects with static lifetime may
// still give blocks back while the program shuts down. A plain pointer needs no per-access guard.
thread_local CPoolState* t_pState = nullptr;

CPoolState& State() {
    if (t_pState == nullptr) {
        t_pState = new CPoolState;
    }
    return *t_pState;
}

std::size_t ClassOf(std::size_t nBytes) {
    return (nBytes + CSmallBlockPool::kGranularity - 1) / CSmallBlockPool::kGranularity - 1;
}

void Refill(CPoolState& state, std::size_t nClass) {
    const std::size_t nBlock = (nClass + 1) * CSmallBlockPool::kGranularity;
    // Chunks start on a cache line, so that a block of a multiple of its size (a tree node)
    // sits on whole lines and a descent of the tree misses once per node rather than twice.
    char* pChunk = static_cast<char*>(::operator new (kChunkBytes, std::align_val_t{kCacheLine}));
    state.chunks.push_back(pChunk);
    for (std::size_t nOffset = 0; nOffset + nBlock <= kChunkBytes; nOffset += nBlock) {
        auto* pBlock = reinterpret_cast<CFreeBlock*>(pChunk + nOffset);
        pBlock->pNext = state.heads[nClass];
        state.heads[nClass] = pBlock;
    }
}

}  // namespace
#endif

void* CSmallBlockPool::Allocate(std::size_t nBytes) {
#ifdef SITEFINCH_POOL_DISABLED
    return ::operator new(nBytes);
#else
    if (nBytes == 0) {
        nBytes = 1;
    }
    if (nBytes > kMaxPooled) {
        return ::operator new(nBytes);
    }
    CPoolState& state = State();
    const std::size_t nClass = ClassOf(nBytes);
    if (state.heads[nClass] == nullptr) {
        Refill(state, nClass);
    }
    CFreeBlock* pBlock = state.heads[nClass];
    state.heads[nClass] = pBlock->pNext;
    // The next allocation of this class reads the new head's link; fetch it ahead of time, since
    // recycled blocks lie scattered in the order their objects were freed.
    if (pBlock->pNext != nullptr) {
        __builtin_prefetch(pBlock->pNext);
    }
    return pBlock;
#endif
}

void CSmallBlockPool::Free(void* pBlock, std::size_t nBytes) noexcept {
    if (pBlock == nullptr) {
        return;
    }
#ifdef SITEFINCH_POOL_DISABLED
    (void)nBytes;
    ::operator delete(pBlock);
#else
    if (nBytes == 0) {
        nBytes = 1;
    }
    if (nBytes > kMaxPooled) {
        ::operator delete(pBlock);
        return;
    }
    CPoolState& state = State();
    const std::size_t nClass = ClassOf(nBytes);
    auto* pFree = static_cast<CFreeBlock*>(pBlock);
    pFree->pNext = state.heads[nClass];
    state.heads[nClass] = pFree;
#endif
}

}  // namespace sitefinch
