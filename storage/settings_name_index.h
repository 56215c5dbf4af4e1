// SettingsNameIndex: positions of names by their hash (see settings_name.h),
// in one open-addressed table. A hash added twice keeps its first position,
// so look-ups find the first of equal names; callers compare the name at the
// position found and fall back to a scan when two names share a hash.
#pragma once

#include <cstdint>
#include <vector>

class SettingsNameIndex {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    void Clear()
    {
        m_slots.clear();
        m_count = 0;
    }
    std::uint32_t Find(std::uint64_t hash) const
    {
        if (m_slots.empty()) return kNone;
        size_t mask = m_slots.size() - 1;
        for (size_t i = Start(hash, mask);; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.position == kNone) return kNone;
            if (slot.hash == hash) return slot.position;
        }
    }
    void Add(std::uint64_t hash, std::uint32_t position)
    {
        if ((m_count + 1) * 2 > m_slots.size()) Grow();
        size_t mask = m_slots.size() - 1;
        for (size_t i = Start(hash, mask);; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.position == kNone) {
                slot = Slot{hash, position};
                ++m_count;
                return;
            }
            if (slot.hash == hash) return;  // the first position stays
        }
    }

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t position = kNone;
    };
    static size_t Start(std::uint64_t hash, size_t mask) { return static_cast<size_t>(hash ^ (hash >> 32)) & mask; }
    void Grow()
    {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        m_count = 0;
        for (const Slot& slot : old) {
            if (slot.position != kNone) Add(slot.hash, slot.position);
        }
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};
