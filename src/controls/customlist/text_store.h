#pragma once
// The texts of a list's rows, kept in blocks that never move, so that a row can hold its
// text as a view: a list of thousands of rows then makes a few blocks rather than a text
// of its own for every row.
//
// A text that is replaced goes on taking its room; the owner says so (Abandon) and, once
// more is abandoned than in use (Wasteful), copies the texts it still shows into a new
// store, so that a list renamed without end does not grow without end.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace qb::controls {

class TextStore {
public:
    // A copy of `text` that lives as long as the store.
    std::wstring_view Keep(std::wstring_view text) {
        if (text.empty())
            return {};
        if (free_ < text.size()) {
            lastBlockSize_ = std::max(kBlockSize, text.size());
            blocks_.push_back(std::make_unique_for_overwrite<wchar_t[]>(lastBlockSize_));
            free_ = lastBlockSize_;
        }
        wchar_t* at = blocks_.back().get() + (lastBlockSize_ - free_);
        std::copy(text.begin(), text.end(), at);
        free_ -= text.size();
        used_ += text.size();
        return {at, text.size()};
    }
    // A text kept here is no longer shown.
    void Abandon(std::wstring_view text) {
        used_ -= text.size();
        abandoned_ += text.size();
    }
    bool Wasteful() const { return abandoned_ > std::max(used_, kBlockSize); }

private:
    static constexpr std::size_t kBlockSize = 2048; // characters

    std::vector<std::unique_ptr<wchar_t[]>> blocks_;
    std::size_t lastBlockSize_ = 0;
    std::size_t free_ = 0;      // in the last block
    std::size_t used_ = 0;      // by the texts shown
    std::size_t abandoned_ = 0; // by texts replaced
};

} // namespace qb::controls
