#pragma once
// One case of the main window checked against a reference of what it must ask, write, send
// and show: a random small machine, a random sequence of what an administrator does in the
// window, random answers and refused writes, every choice taken from `Choices`, so that a
// seeded generator (the property test) or a fuzzer's bytes (the fuzz target) can drive it.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace qb::testing {

// Where a case's choices come from.
class Choices {
public:
    virtual ~Choices() = default;
    // A whole number from 0 to `most`, both included.
    virtual std::uint32_t Next(std::uint32_t most) = 0;

    int Between(int low, int high);
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    template <class T>
    const T& Pick(const std::vector<T>& from) {
        return from[static_cast<std::size_t>(Between(0, static_cast<int>(from.size()) - 1))];
    }
    template <class T>
    void Shuffle(std::vector<T>& v) {
        for (std::size_t i = v.size(); i > 1; --i)
            std::swap(v[i - 1], v[static_cast<std::size_t>(Between(0, static_cast<int>(i) - 1))]);
    }
};

class SeededChoices final : public Choices {
public:
    explicit SeededChoices(std::uint64_t seed) : engine_(seed) {}
    std::uint32_t Next(std::uint32_t most) override {
        return std::uniform_int_distribution<std::uint32_t>(0, most)(engine_);
    }

private:
    std::mt19937_64 engine_;
};

class ClosingCase {
public:
    // `name` starts every failure message ("seed 17").
    ClosingCase(std::string name, Choices& choices);
    ~ClosingCase();
    void Run();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace qb::testing
