#pragma once
// A hash map for a number of keys known in advance, in one array: open
// addressing with linear probing, at most half full, nothing allocated per
// key and nothing ever erased. Matching two channel lists looks up every
// record a few times; a node per key (std::unordered_map) made that lookup
// and its allocations most of the work.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvex {

// Spreads the bits of a key over the whole word (the finaliser of MurmurHash3).
constexpr std::uint64_t MixBits(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

template <typename Key, typename Value, typename Hash>
class FlatMap {
public:
    FlatMap() : FlatMap(0) {}

    // Room for `keys` different keys.
    explicit FlatMap(std::size_t keys)
    {
        std::size_t capacity = 16;
        while (capacity < 2 * keys)
            capacity *= 2;
        slots_.resize(capacity);
        mask_ = capacity - 1;
    }

    // The value of key; when the key is new, it is added with `initial`.
    // More keys than the map was made for are still taken, the map growing.
    Value& At(const Key& key, const Value& initial)
    {
        if (2 * (used_ + 1) > slots_.size())
            Grow();
        Slot& slot = slots_[Find(key)];
        if (!slot.used) {
            slot = {key, initial, true};
            ++used_;
        }
        return slot.value;
    }

    // The value of key, or nothing.
    const Value* Get(const Key& key) const
    {
        const Slot& slot = slots_[Find(key)];
        return slot.used ? &slot.value : nullptr;
    }

private:
    struct Slot {
        Key key{};
        Value value{};
        bool used = false;
    };

    std::size_t Find(const Key& key) const
    {
        std::size_t i = Hash{}(key) & mask_;
        while (slots_[i].used && !(slots_[i].key == key))
            i = (i + 1) & mask_;
        return i;
    }

    void Grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        mask_ = slots_.size() - 1;
        for (const Slot& slot : old)
            if (slot.used)
                slots_[Find(slot.key)] = slot;
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
};

} // namespace korvex
