// A table of shared objects addressed by 32-bit handle values.
//
// A value is (kind tag << 28) | (generation << 16) | slot. The generation of a
// slot changes each time it is freed, so an old value of a reused slot no
// longer matches; freed slots are reused only once enough of them are free,
// which spreads reuse and keeps stale values from aliasing new objects. The
// values stay below 2^31, so they survive a trip through a 32-bit field.
// Not thread-safe: the owner of the table locks.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace platform {

template <class T>
class SlotTable {
public:
    explicit SlotTable(std::uint32_t kindTag) : kindTag_(kindTag) {}

    // 0 when the table is full.
    std::uint32_t Add(std::shared_ptr<T> object)
    {
        std::uint32_t slot;
        if (free_.size() >= kReuseThreshold || (slots_.size() >= kMaxSlots && !free_.empty())) {
            slot = free_.front();
            free_.pop_front();
        } else if (slots_.size() < kMaxSlots) {
            slot = static_cast<std::uint32_t>(slots_.size());
            slots_.push_back(Slot{});
        } else {
            return 0;
        }
        slots_[slot].object = std::move(object);
        ++count_;
        return Encode(slot, slots_[slot].generation);
    }

    std::shared_ptr<T> Lookup(std::uint32_t value) const
    {
        const Slot* s = Find(value);
        return s ? s->object : nullptr;
    }

    std::shared_ptr<T> Remove(std::uint32_t value)
    {
        Slot* s = const_cast<Slot*>(Find(value));
        if (!s) return nullptr;
        auto object = std::move(s->object);
        s->object.reset();
        s->generation = static_cast<std::uint16_t>(s->generation % kMaxGeneration + 1);
        free_.push_back(static_cast<std::uint32_t>(s - slots_.data()));
        --count_;
        return object;
    }

    size_t Count() const { return count_; }

    // Calls f(value, object) for every live entry.
    template <class F>
    void ForEach(F&& f) const
    {
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object) f(Encode(static_cast<std::uint32_t>(i), slots_[i].generation), slots_[i].object);
    }

private:
    static constexpr std::uint32_t kMaxSlots = 0x10000;
    static constexpr std::uint16_t kMaxGeneration = 0xFFF;
    static constexpr size_t kReuseThreshold = 1024;

    struct Slot {
        std::shared_ptr<T> object;
        std::uint16_t generation = 1;
    };

    std::uint32_t Encode(std::uint32_t slot, std::uint16_t generation) const
    {
        return (kindTag_ << 28) | (static_cast<std::uint32_t>(generation) << 16) | slot;
    }

    const Slot* Find(std::uint32_t value) const
    {
        if ((value >> 28) != kindTag_) return nullptr;
        std::uint32_t slot = value & 0xFFFF;
        auto generation = static_cast<std::uint16_t>((value >> 16) & 0xFFF);
        if (slot >= slots_.size() || slots_[slot].generation != generation || !slots_[slot].object) return nullptr;
        return &slots_[slot];
    }

    std::uint32_t kindTag_;
    std::vector<Slot> slots_;
    std::deque<std::uint32_t> free_;
    size_t count_ = 0;
};

// Handle values of the two tables.
constexpr std::uint32_t kKernelHandleTag = 1;
constexpr std::uint32_t kWindowHandleTag = 2;

// A handle value as the 32-bit table value; 0 for anything that cannot be one.
inline std::uint32_t HandleValue(const void* handle)
{
    auto v = reinterpret_cast<std::uintptr_t>(handle);
    return v > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(v);
}

}  // namespace platform
