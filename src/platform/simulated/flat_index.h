#pragma once
// A table from 32-bit keys to 32-bit values, all in one array probed linearly: what the
// machine's indexes need of a hash map. A machine of ten thousand accounts fills three of
// them at every start, and a map that allocates each entry on its own costs ten thousand
// allocations apiece, scattered over memory that every look-up then has to reach.
//
// A key may be stored with several values (names are indexed by their hash, and two names
// may share one). Values are anything but 0xFFFFFFFF.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qb::simulated::detail {

class FlatIndex {
public:
    // The first value stored under `key` that `accept` takes, or none.
    template <class Accept>
    std::optional<std::uint32_t> Find(std::uint32_t key, const Accept& accept) const {
        if (slots_.empty())
            return std::nullopt;
        for (std::size_t i = Home(key); slots_[i].used != 0; i = Next(i))
            if (slots_[i].key == key && accept(slots_[i].value()))
                return slots_[i].value();
        return std::nullopt;
    }
    bool Contains(std::uint32_t key) const {
        return Find(key, [](std::uint32_t) { return true; }).has_value();
    }

    // Adds `value` under `key`, beside any values the key has already.
    void Insert(std::uint32_t key, std::uint32_t value);
    // Removes one entry of `key` with `value`; false when there is none.
    bool Erase(std::uint32_t key, std::uint32_t value);
    // Room for `count` entries in all without growing.
    void Reserve(std::size_t count);
    void Clear();
    std::size_t Size() const { return size_; }

private:
    struct Slot {
        std::uint32_t key = 0;
        std::uint32_t used = 0; // the value + 1; 0 marks an empty slot
        std::uint32_t value() const { return used - 1; }
    };

    std::size_t Home(std::uint32_t key) const {
        // Fibonacci hashing: keys that follow each other (identifiers) spread out.
        return static_cast<std::size_t>((key * 0x9E3779B1u) >> shift_);
    }
    std::size_t Next(std::size_t i) const { return (i + 1) & (slots_.size() - 1); }
    void Rehash(std::size_t capacity);

    std::vector<Slot> slots_; // a power of two of them, at most three quarters used
    std::size_t size_ = 0;
    unsigned shift_ = 32;
};

} // namespace qb::simulated::detail
