// Chunks of the entry arena.
#include "EntryArena.h"

#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define SITEFINCH_ARENA_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SITEFINCH_ARENA_CHECKED 1
#endif
#endif

#ifdef SITEFINCH_ARENA_CHECKED
#include <sanitizer/asan_interface.h>
#endif

namespace sitefinch {

namespace {

#ifdef SITEFINCH_ARENA_CHECKED
constexpr bool kOneBlockEach = true;
#else
constexpr bool kOneBlockEach = false;
#endif

// A block this large would leave too much of a chunk unused.
constexpr std::size_t kOwnBlockBytes = CEntryArena::kChunkBytes / 8;

void* NewBlock(std::size_t nBytes) {
    return ::operator new (nBytes, std::align_val_t{CEntryArena::kMaxAlign});
}

void DeleteBlock(void* pBlock) noexcept {
    ::operator delete (pBlock, std::align_val_t{CEntryArena::kMaxAlign});
}

}  // namespace

void* CEntryArena::AllocateSlowly(std::size_t nBytes) {
    if (kOneBlockEach || nBytes >= kOwnBlockBytes) {
        m_ownBlocks.reserve(m_ownBlocks.size() + 1);  // so that the push cannot throw and leak
        void* const pBlock = NewBlock(nBytes == 0 ? 1 : nBytes);
        m_ownBlocks.push_back(pBlock);
        m_nReserved += nBytes;
        return pBlock;
    }
    if (m_nChunksInUse == m_chunks.size()) {
        m_chunks.reserve(m_chunks.size() + 1);
        m_chunks.push_back(NewBlock(kChunkBytes));
    }
    char* const pChunk = static_cast<char*>(m_chunks[m_nChunksInUse++]);
    m_nReserved += kChunkBytes;
    m_pNext = pChunk + nBytes;
    m_pEnd = pChunk + kChunkBytes;
    return pChunk;
}

char* CEntryArena::CopyString(const char* p, std::size_t n) {
    char* const pCopy = static_cast<char*>(Allocate(n + 1, 1));
    std::memcpy(pCopy, p, n);
    pCopy[n] = '\0';
    return pCopy;
}

void CEntryArena::Poison(void* pBlock, std::size_t nBytes) noexcept {
#ifdef SITEFINCH_ARENA_CHECKED
    ASAN_POISON_MEMORY_REGION(pBlock, nBytes);
#else
    (void)pBlock;
    (void)nBytes;
#endif
}

void CEntryArena::Reset() noexcept {
    for (void* pBlock : m_ownBlocks) {
        DeleteBlock(pBlock);
    }
    m_ownBlocks.clear();
    m_ownBlocks.shrink_to_fit();
    m_nChunksInUse = 0;
    m_pNext = nullptr;
    m_pEnd = nullptr;
    m_nReserved = 0;
}

void CEntryArena::Release() noexcept {
    Reset();
    for (void* pChunk : m_chunks) {
        DeleteBlock(pChunk);
    }
    m_chunks.clear();
    m_chunks.shrink_to_fit();
}

}  // namespace sitefinch
