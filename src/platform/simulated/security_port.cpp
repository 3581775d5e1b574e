// advapi32 on the simulated machine: the logged-on user and SID look-ups. The real "A"
// functions hand back ANSI text, so every text they give passes through the machine's
// code page first: a character that the code page cannot hold arrives as '?'.

#include "platform/simulated/machine_state.h"

#include "platform/simulated/text.h"

#include <array>

namespace qb::simulated::detail {

namespace {

// GetUserNameA is told that its buffer holds 256 characters, the terminating NUL included.
constexpr std::size_t UserNameBufferSize = 256;

class SecurityPort final : public platform::AccountSecurity {
public:
    explicit SecurityPort(MachineState& state) : state_(state) {}

    bool QueryUserName(std::wstring& name) override {
        CallRecord call{"GetUserNameA", L"", 0, L"", 0};
        if (auto fault = state_.TakeFault(call))
            return Fail(std::move(call), *fault);
        if (state_.loggedOnUser.empty())
            return Fail(std::move(call), win_error::NoSuchLogonSession);
        const std::string ansi = EncodeCodePage(state_.codePage, state_.loggedOnUser, '?');
        if (ansi.size() + 1 > UserNameBufferSize)
            return Fail(std::move(call), win_error::InsufficientBuffer);
        name = DecodeCodePage(state_.codePage, ansi);
        state_.Log(std::move(call), 0);
        return true;
    }

    // Besides the "S-1-..." form, the conversion knows the SDDL abbreviations of the
    // accounts and groups a local machine has.
    std::optional<platform::Sid> StringToSid(std::string_view text) override {
        const std::wstring wide = DecodeCodePage(state_.codePage, text);
        CallRecord call{"ConvertStringSidToSidA", wide, 0, wide, 0};
        if (auto fault = state_.TakeFault(call)) {
            state_.Log(std::move(call), *fault);
            return std::nullopt;
        }
        std::optional<platform::Sid> sid = FromAbbreviation(text);
        if (!sid)
            sid = platform::ParseSidString(text);
        state_.Log(std::move(call), sid ? 0 : win_error::InvalidSid);
        return sid;
    }

    // The call is logged with the SID text as both its target and its argument: the
    // SID is what it addresses.
    bool LookupSidName(const platform::Sid& sid, std::wstring& name,
                       std::wstring& domain) override {
        name.clear();
        domain.clear();
        const std::wstring text = Utf8ToWide(platform::SidToString(sid));
        CallRecord call{"LookupAccountSidA", text, 0, text, 0};
        if (auto fault = state_.TakeFault(call))
            return Fail(std::move(call), *fault);
        auto found = state_.NameOfSid(sid);
        if (!found)
            return Fail(std::move(call), win_error::NoneMapped);
        name = state_.ThroughCodePage(found->first);
        domain = state_.ThroughCodePage(found->second);
        state_.Log(std::move(call), 0);
        return true;
    }

private:
    bool Fail(CallRecord call, NetApiStatus error) {
        state_.Log(std::move(call), error);
        return false;
    }

    std::optional<platform::Sid> FromAbbreviation(std::string_view text) const {
        struct Abbreviation {
            std::string_view text;
            std::uint32_t rid;
        };
        constexpr std::array<Abbreviation, 4> builtins{
            {{"BA", 544}, {"BU", 545}, {"BG", 546}, {"PU", 547}}};
        for (const Abbreviation& a : builtins) {
            if (text == a.text)
                return BuiltinSid(a.rid);
        }
        if (text == "LA" || text == "LG") {
            platform::Sid sid = state_.domainSid;
            sid.subAuthorities.push_back(text == "LA" ? 500u : 501u);
            return sid;
        }
        if (text == "WD")
            return platform::ParseSidString("S-1-1-0");
        if (text == "SY")
            return platform::ParseSidString("S-1-5-18");
        return std::nullopt;
    }

    MachineState& state_;
};

} // namespace

std::unique_ptr<platform::AccountSecurity> MakeSecurityPort(MachineState& state) {
    return std::make_unique<SecurityPort>(state);
}

} // namespace qb::simulated::detail
