#pragma once
// A list that grows at its end in blocks of elements: an element keeps its address however
// long the list grows, and also when the list is moved, as it would in a vector of
// pointers to elements made one by one; but a list of thousands of accounts takes a
// hundred allocations to fill rather than one per account, and its elements lie together.

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace qb::platform {

template <class T, std::size_t BlockSize = 64>
class BlockList {
public:
    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return blocks_[i / BlockSize][i % BlockSize]; }
    const T& operator[](std::size_t i) const { return blocks_[i / BlockSize][i % BlockSize]; }

    // Adds `value` at the end; gives the element it became.
    T& push_back(T value) {
        T& element = Spare();
        element = std::move(value);
        ++size_;
        return element;
    }
    // The element after the last, as its type makes it, to be filled where it lies; it is
    // not in the list until Grow() adds it.
    T& Spare() {
        if (size_ / BlockSize == blocks_.size())
            blocks_.push_back(std::make_unique<T[]>(BlockSize));
        return (*this)[size_];
    }
    void Grow() { ++size_; }
    // Room for the blocks of `count` elements in all.
    void reserve(std::size_t count) { blocks_.reserve((count + BlockSize - 1) / BlockSize); }
    void clear() {
        blocks_.clear();
        size_ = 0;
    }

private:
    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t size_ = 0;
};

} // namespace qb::platform
