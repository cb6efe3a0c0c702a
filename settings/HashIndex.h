// An open-addressing hash index of entry numbers, as compact as the hive's
// key tree needs: four bytes a slot, at most three quarters of them used.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace jostle {

// Numbers of entries, found by hash; whether an entry is the one sought is
// up to the caller, so the index holds nothing but the numbers.
class HashIndex {
public:
    template <typename Matches>
    std::optional<std::uint32_t> Find(std::size_t hash, const Matches& matches) const {
        if (m_slots.empty()) {
            return std::nullopt;
        }
        for (std::size_t slot = hash & Mask(); m_slots[slot] != kEmpty;
             slot = (slot + 1) & Mask()) {
            if (matches(m_slots[slot])) {
                return m_slots[slot];
            }
        }
        return std::nullopt;
    }
    // hashOf gives the hash of any entry added before, for a regrowth.
    template <typename HashOf>
    void Add(std::uint32_t entry, std::size_t hash, const HashOf& hashOf) {
        if (4 * (m_count + 1) > 3 * m_slots.size()) {
            std::vector<std::uint32_t> old(std::max<std::size_t>(16, 2 * m_slots.size()), kEmpty);
            old.swap(m_slots);
            for (const std::uint32_t kept : old) {
                if (kept != kEmpty) {
                    Place(kept, hashOf(kept));
                }
            }
        }
        Place(entry, hash);
        ++m_count;
    }

private:
    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    std::size_t Mask() const { return m_slots.size() - 1; }
    void Place(std::uint32_t entry, std::size_t hash) {
        std::size_t slot = hash & Mask();
        while (m_slots[slot] != kEmpty) {
            slot = (slot + 1) & Mask();
        }
        m_slots[slot] = entry;
    }
    std::vector<std::uint32_t> m_slots; // a power of two of them, at most 3/4 used
    std::size_t m_count = 0;
};

} // namespace jostle
