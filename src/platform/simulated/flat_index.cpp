#include "platform/simulated/flat_index.h"

#include <utility>

namespace qb::simulated::detail {

namespace {

constexpr std::size_t kSmallestCapacity = 8;

} // namespace

void FlatIndex::Insert(std::uint32_t key, std::uint32_t value) {
    if (4 * (size_ + 1) > 3 * slots_.size())
        Rehash(slots_.empty() ? kSmallestCapacity : 2 * slots_.size());
    std::size_t i = Home(key);
    while (slots_[i].used != 0)
        i = Next(i);
    slots_[i] = Slot{key, value + 1};
    ++size_;
}

bool FlatIndex::Erase(std::uint32_t key, std::uint32_t value) {
    if (slots_.empty())
        return false;
    std::size_t hole = Home(key);
    while (slots_[hole].used != 0 && (slots_[hole].key != key || slots_[hole].value() != value))
        hole = Next(hole);
    if (slots_[hole].used == 0)
        return false;
    // The entries after the hole that could not take their home slot, or one nearer it,
    // move back into it, so that no search stops early at the emptied slot.
    for (std::size_t j = Next(hole); slots_[j].used != 0; j = Next(j)) {
        const std::size_t home = Home(slots_[j].key);
        // Whether home lies cyclically in (hole, j]: then the entry stays where it is.
        const bool stays = hole < j ? (home > hole && home <= j) : (home > hole || home <= j);
        if (!stays) {
            slots_[hole] = slots_[j];
            hole = j;
        }
    }
    slots_[hole] = Slot{};
    --size_;
    return true;
}

void FlatIndex::Reserve(std::size_t count) {
    std::size_t capacity = kSmallestCapacity;
    while (4 * count > 3 * capacity)
        capacity *= 2;
    if (capacity > slots_.size())
        Rehash(capacity);
}

void FlatIndex::Clear() {
    slots_ = std::vector<Slot>();
    size_ = 0;
    shift_ = 32;
}

void FlatIndex::Rehash(std::size_t capacity) {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(capacity));
    shift_ = 32;
    for (std::size_t c = capacity; c > 1; c /= 2)
        --shift_;
    size_ = 0;
    for (const Slot& slot : old)
        if (slot.used != 0)
            Insert(slot.key, slot.value());
}

} // namespace qb::simulated::detail
