#pragma once
// A small office on a simulated machine, shared by the machine's tests.

#include "platform/simulated/simulated_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

namespace qb::simulated::testing {

// For messages: the text with every character outside ASCII as '?'.
inline std::string Narrow(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text)
        out.push_back(static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

inline AccountSpec NewAccount(std::wstring name, std::vector<std::wstring> groups) {
    AccountSpec wanted;
    wanted.name = std::move(name);
    wanted.groups = std::move(groups);
    return wanted;
}

// Administrator (500) and Guest (501) as every machine has them, then anna (an
// administrator, logged on), ben (a user), carla (a power user) and dora (a guest).
class Office : public ::testing::Test {
protected:
    Office() {
        m.AddAccount(NewAccount(L"anna", {L"Administrators", L"Users"}));
        m.AddAccount(NewAccount(L"ben", {L"Users"}));
        m.AddAccount(NewAccount(L"carla", {L"Users", L"Power Users"}));
        m.AddAccount(NewAccount(L"dora", {L"Guests"}));
        m.SetLoggedOnUser(L"anna");
    }

    std::size_t CountCalls(std::string_view function) const {
        return static_cast<std::size_t>(
            std::count_if(m.Calls().begin(), m.Calls().end(),
                          [&](const CallRecord& c) { return c.function == function; }));
    }

    SimulatedMachine m;
    platform::Netapi32& net = m.Netapi();
};

// A folder of its own under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("qb-simulated-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

} // namespace qb::simulated::testing
