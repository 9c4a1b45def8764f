// A hash table from paths to small values, laid out for look-ups that mostly miss the cache.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace sitefinch {

// Maps paths (compared byte for byte) to values of TValue, a small copyable type. Open
// addressing with linear probing: a look-up reads one slot, which holds part of the path's hash,
// and reads the stored path only when that part agrees. A node-based map would follow a bucket,
// a node and the node's string, each a likely cache miss once a site has thousands of paths.
// The paths are copied into large blocks owned by the table.
template <class TValue>
class CPathTable {
public:
    // The value stored for sPath, or null. Valid until the next Add() or Clear().
    TValue* Find(std::string_view sPath) {
        if (m_nCount == 0) {
            return nullptr;
        }
        CSlot& slot = m_slots[FindSlot(sPath, std::hash<std::string_view>()(sPath))];
        return slot.pPath != nullptr ? &slot.value : nullptr;
    }

    const TValue* Find(std::string_view sPath) const {
        if (m_nCount == 0) {
            return nullptr;
        }
        const CSlot& slot = m_slots[FindSlot(sPath, std::hash<std::string_view>()(sPath))];
        return slot.pPath != nullptr ? &slot.value : nullptr;
    }

    // Stores value for sPath, which must not be in the table yet, and returns the stored value.
    // Valid until the next Add() or Clear().
    TValue& Add(std::string_view sPath, const TValue& value) {
        // At most half full, so that probe runs stay short and a free slot always ends them.
        if ((m_nCount + 1) * 2 > m_slots.size()) {
            Grow();
        }
        const std::size_t nHash = std::hash<std::string_view>()(sPath);
        CSlot& slot = m_slots[FindSlot(sPath, nHash)];
        slot.pPath = CopyPath(sPath);
        slot.nLength = sPath.size();
        slot.nHashTag = HashTag(nHash);
        slot.value = value;
        ++m_nCount;
        return slot.value;
    }

    void Clear() {
        m_slots.clear();
        m_blocks.clear();
        m_nBlockUsed = 0;
        m_nBlockSize = 0;
        m_nCount = 0;
    }

    std::size_t GetCount() const { return m_nCount; }

private:
    struct CSlot {
        const char* pPath = nullptr;  // null for a free slot
        std::size_t nLength = 0;
        std::uint32_t nHashTag = 0;
        TValue value{};
    };

    static constexpr std::size_t kInitialSlots = 1024;    // a power of two
    static constexpr std::size_t kBlockSize = 64 * 1024;  // bytes of paths per block

    static std::uint32_t HashTag(std::size_t nHash) {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(nHash) >> 32);
    }

    // The slot holding sPath, or the free slot where it would go.
    std::size_t FindSlot(std::string_view sPath, std::size_t nHash) const {
        const std::size_t nMask = m_slots.size() - 1;
        const std::uint32_t nTag = HashTag(nHash);
        for (std::size_t i = nHash & nMask;; i = (i + 1) & nMask) {
            const CSlot& slot = m_slots[i];
            if (slot.pPath == nullptr ||
                (slot.nHashTag == nTag && slot.nLength == sPath.size() &&
                 std::memcmp(slot.pPath, sPath.data(), sPath.size()) == 0)) {
                return i;
            }
        }
    }

    void Grow() {
        std::vector<CSlot> old(m_slots.empty() ? kInitialSlots : m_slots.size() * 2);
        old.swap(m_slots);
        for (const CSlot& slot : old) {
            if (slot.pPath != nullptr) {
                const std::string_view sPath(slot.pPath, slot.nLength);
                m_slots[FindSlot(sPath, std::hash<std::string_view>()(sPath))] = slot;
            }
        }
    }

    // A copy of sPath that lives until Clear(); a non-null pointer even for an empty path.
    const char* CopyPath(std::string_view sPath) {
        if (m_blocks.empty() || m_nBlockSize - m_nBlockUsed < sPath.size() + 1) {
            m_nBlockSize = std::max(kBlockSize, sPath.size() + 1);
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_nBlockSize));
            m_nBlockUsed = 0;
        }
        char* pCopy = m_blocks.back().get() + m_nBlockUsed;
        std::memcpy(pCopy, sPath.data(), sPath.size());
        pCopy[sPath.size()] = '\0';
        m_nBlockUsed += sPath.size() + 1;
        return pCopy;
    }

    std::vector<CSlot> m_slots;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_nBlockUsed = 0;  // bytes used in the last block
    std::size_t m_nBlockSize = 0;  // size of the last block
    std::size_t m_nCount = 0;
};

}  // namespace sitefinch
