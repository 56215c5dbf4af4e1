// SettingsNameIndex: positions of names by their hash (see settings_name.h),
// in one open-addressed table. A hash added twice keeps its first position,
// so look-ups find the first of equal names. The table is built on the first
// look-up in a list longer than kScanLimit (shorter lists are scanned), and
// dropped whenever positions move.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "storage/settings_name.h"

class SettingsNameIndex {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    // Up to this many names a scan beats an index.
    static constexpr size_t kScanLimit = 16;

    // Forgets every position (the list changed other than at its end).
    void Clear()
    {
        m_slots.clear();
        m_count = 0;
        m_built = false;
    }
    bool Built() const { return m_built; }
    // Records an appended name, when the table is in use.
    void Appended(std::uint64_t hash, std::uint32_t position)
    {
        if (m_built) Add(hash, position);
    }

    // The position of the first name equal to name among count names
    // (nameAt(i) gives the i-th), or -1. hash is name's hash, or null to have
    // it computed when needed.
    template <class NameAt>
    std::ptrdiff_t Lookup(size_t count, NameAt nameAt, std::u16string_view name, const std::uint64_t* hash = nullptr)
    {
        // A table built once holds every name, however short the list is now.
        if (m_built || count > kScanLimit) {
            if (!m_built) {
                Clear();
                // Sized once for every name, so that it does not grow on the way.
                size_t slots = 64;
                while (slots < 2 * count) slots *= 2;
                m_slots.assign(slots, Slot{});
                for (size_t i = 0; i < count; ++i) Add(settings::NameHash(nameAt(i)), static_cast<std::uint32_t>(i));
                m_built = true;
            }
            std::uint32_t at = Find(hash ? *hash : settings::NameHash(name));
            if (at == kNone) return -1;
            if (settings::NamesEqual(nameAt(at), name)) return at;
            // Two names share a hash: the scan below decides.
        }
        for (size_t i = 0; i < count; ++i) {
            if (settings::NamesEqual(nameAt(i), name)) return static_cast<std::ptrdiff_t>(i);
        }
        return -1;
    }

private:
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
    bool m_built = false;
};
