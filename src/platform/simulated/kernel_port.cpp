// kernel32 on the simulated machine: its clock, version, time zone, code page,
// environment, named mutexes and the programs it was asked to start.

#include "platform/simulated/machine_state.h"

#include "platform/simulated/text.h"

#include <unordered_map>

namespace qb::simulated::detail {

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool SameVariableName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

class KernelPort final : public MachineKernel {
public:
    explicit KernelPort(MachineState& state) : state_(state) {}

    // Mutex names are case-sensitive kernel object names; "Local\" is the session's own
    // name space, which an unprefixed name already lives in.
    platform::Handle CreateNamedMutex(bool /*initialOwner*/, std::string_view name,
                                      std::uint32_t& lastError) override {
        std::string key(name);
        if (key.rfind("Local\\", 0) == 0)
            key.erase(0, 6);
        const platform::Handle handle = nextHandle_;
        nextHandle_ += 4;
        lastError = 0;
        if (!key.empty() && openHandles_[key]++ > 0)
            lastError = platform::ErrorAlreadyExists;
        handles_.emplace(handle, key);
        return handle;
    }

    bool CloseHandle(platform::Handle handle) override {
        auto it = handles_.find(handle);
        if (it == handles_.end())
            return false;
        if (!it->second.empty()) {
            auto open = openHandles_.find(it->second);
            if (--open->second == 0)
                openHandles_.erase(open);
        }
        handles_.erase(it);
        return true;
    }

    std::uint32_t GetTickCount() override { return state_.owner.tickCount; }
    platform::SystemTime GetLocalTime() override { return state_.owner.localTime; }

    bool QueryVersion(platform::OsVersionInfo& info, bool extended) override {
        if (state_.owner.failVersion || (extended && state_.owner.failExtendedVersion))
            return false;
        info = state_.owner.version;
        return true;
    }

    std::uint32_t GetTimeZoneInformation(platform::TimeZoneInformation& info) override {
        info = state_.timeZone;
        return state_.timeZoneId;
    }

    // An unknown code page fails, which the port reports as empty text.
    std::string WideCharToMultiByte(std::uint32_t codePage, std::wstring_view text,
                                    char defaultChar) override {
        const std::uint32_t cp = codePage == platform::CpAcp ? state_.codePage : codePage;
        return IsKnownCodePage(cp) ? EncodeCodePage(cp, text, defaultChar) : std::string();
    }

    std::wstring MultiByteToWideChar(std::uint32_t codePage, std::string_view text) override {
        const std::uint32_t cp = codePage == platform::CpAcp ? state_.codePage : codePage;
        return IsKnownCodePage(cp) ? DecodeCodePage(cp, text) : std::wstring();
    }

    // %NAME% becomes the variable's value, its name compared without case; a reference to
    // an unknown variable, or an unclosed one, stays as written.
    bool ExpandEnvironment(std::string_view text, std::string& expanded) override {
        expanded.clear();
        std::size_t i = 0;
        while (i < text.size()) {
            const std::size_t open = text.find('%', i);
            if (open == std::string_view::npos) {
                expanded.append(text.substr(i));
                break;
            }
            expanded.append(text.substr(i, open - i));
            const std::size_t close = text.find('%', open + 1);
            if (close == std::string_view::npos) {
                expanded.append(text.substr(open));
                break;
            }
            const std::string_view name = text.substr(open + 1, close - open - 1);
            if (const std::string* value = Variable(name))
                expanded.append(*value);
            else
                expanded.append(text.substr(open, close - open + 1));
            i = close + 1;
        }
        return true;
    }

    std::wstring ProgramPath() override { return state_.owner.programPath; }

    bool StartProgram(std::wstring_view path, std::uint32_t showCommand) override {
        state_.owner.startedPrograms.push_back(StartedProgram{std::wstring(path), showCommand});
        return true;
    }

private:
    const std::string* Variable(std::string_view name) const {
        if (name.empty())
            return nullptr;
        for (const auto& [key, value] : state_.owner.environment) {
            if (SameVariableName(key, name))
                return &value;
        }
        return nullptr;
    }

    MachineState& state_;
    platform::Handle nextHandle_ = 0x104;
    std::unordered_map<platform::Handle, std::string> handles_; // "" for an unnamed mutex
    std::unordered_map<std::string, int> openHandles_;
};

} // namespace

std::unique_ptr<MachineKernel> MakeKernelPort(MachineState& state) {
    return std::make_unique<KernelPort>(state);
}

} // namespace qb::simulated::detail
