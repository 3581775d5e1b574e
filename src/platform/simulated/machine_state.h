#pragma once
// The inside of a simulated machine: its accounts, groups and settings, the rules that
// every port applies to them, the call log and the fault rules. SimulatedMachine is the
// public face of this state; the ports and the machine file work on it directly.

#include "platform/block_list.h"
#include "platform/simulated/flat_index.h"
#include "platform/simulated/simulated_machine.h"

#include <array>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qb::simulated::detail {

// Win32 error codes that the advapi32 functions and the machine's own storage answer with.
namespace win_error {
constexpr NetApiStatus WriteFault = 29;
constexpr NetApiStatus InsufficientBuffer = 122;
constexpr NetApiStatus NoSuchLogonSession = 1312;
constexpr NetApiStatus NoneMapped = 1332;
constexpr NetApiStatus InvalidSid = 1337;
} // namespace win_error

// NERR_GroupExists: accounts and groups share one name space on a machine, so an account
// cannot take a group's name.
constexpr NetApiStatus GroupExists = 2223;

// The second sub-authority of S-1-5-32-<rid>, the machine's BUILTIN domain.
constexpr std::uint32_t BuiltinDomainRid = 32;
constexpr std::array<std::uint8_t, 6> NtAuthority{0, 0, 0, 0, 0, 5};

platform::Sid BuiltinSid(std::uint32_t rid);
std::wstring_view DefaultBuiltinName(BuiltinAlias alias);

// An account or group name the platform accepts: not empty, not only spaces, no control
// characters, none of " / \ [ ] : ; | = , + * ? < >, and not ending in a period.
bool IsValidAccountName(std::wstring_view name);

// A local group: one of the BUILTIN domain (S-1-5-32-<rid>) or of the machine's own
// account domain (its SID + <rid>).
struct LocalGroup {
    platform::Sid sid;
    std::uint32_t rid = 0;
    bool builtinDomain = false;
    std::wstring name;
    std::vector<std::uint32_t> members; // account rids, in the order they joined

    bool Has(std::uint32_t accountRid) const { return memberSet_.Contains(accountRid); }
    void Reserve(std::size_t count) {
        members.reserve(count);
        memberSet_.Reserve(count);
    }
    bool Add(std::uint32_t accountRid);
    bool Remove(std::uint32_t accountRid);
    void Clear();

private:
    FlatIndex memberSet_; // the members' rids, each with the value 0
};

class MachineState {
public:
    explicit MachineState(SimulatedMachine& machine);
    ~MachineState();
    MachineState(const MachineState&) = delete;
    MachineState& operator=(const MachineState&) = delete;

    SimulatedMachine& owner; // for the kernel32 settings it keeps in public fields

    // --- Accounts, in the platform's (insertion) order ---
    std::size_t AccountCount() const { return accounts_.size(); }
    SimAccount& AccountAt(std::size_t position) { return accounts_[position]; }
    const SimAccount& AccountAt(std::size_t position) const { return accounts_[position]; }
    // Exact, case-sensitive look-ups in constant time.
    std::optional<std::size_t> PositionOf(std::wstring_view name) const;
    SimAccount* Find(std::wstring_view name);
    const SimAccount* Find(std::wstring_view name) const;
    const SimAccount* FindByRid(std::uint32_t rid) const;
    // Notes that the caller got a changeable account: its name or rid may change behind
    // the indexes, so look-ups check it as well.
    void HandOut(std::size_t position);
    // Adds an account whose name and rid are free; returns its position.
    std::size_t Insert(SimAccount account);
    // Makes room for `count` accounts in all, as many as a file about to be read holds.
    void ReserveAccounts(std::size_t count);
    void Rename(std::size_t position, std::wstring newName);
    void ClearAccounts();
    bool RidInUse(std::uint32_t rid) const;
    // The next unused relative identifier from 1000 on, shared by accounts and groups.
    std::uint32_t TakeRid();
    // Accepts "name" and "DOMAIN\name" with the machine's own domain.
    std::optional<std::size_t> ResolveMember(std::wstring_view name) const;

    // --- Groups, in the machine's order ---
    std::deque<LocalGroup> groups;
    LocalGroup* FindGroup(std::wstring_view name);
    const LocalGroup* FindGroup(std::wstring_view name) const;
    const LocalGroup* FindGroupBySid(const platform::Sid& sid) const;
    LocalGroup& Builtin(BuiltinAlias alias);
    const LocalGroup& Builtin(BuiltinAlias alias) const;
    void ResetGroups(); // the four built-in groups with their English names, no members
    bool NameTaken(std::wstring_view name) const; // by an account or a group
    std::uint32_t PrivilegeOf(std::uint32_t rid) const;
    bool IsAdministrator(std::wstring_view name) const;
    // Whether the caller may change the account database. Windows decides this from the
    // access token made at logon, so it is taken once, at the first call the program
    // makes, and holds until the next logon, whatever the program changes meanwhile.
    bool CallerIsAdministrator();
    void Logon(std::wstring name);

    // --- The machine as a whole ---
    std::wstring domainName = L"QUILLBAY-PC";
    platform::Sid domainSid;
    std::wstring loggedOnUser;
    std::optional<bool> callerToken; // the caller's rights, once taken
    std::uint32_t timeZoneId = platform::time_zone_id::Unknown;
    platform::TimeZoneInformation timeZone{};
    std::uint32_t codePage = 1252;
    // A text as it comes back from an "A" function: through the machine's code page.
    std::wstring ThroughCodePage(std::wstring_view text) const;
    // The name and domain of a SID, as LookupAccountSid gives them.
    std::optional<std::pair<std::wstring, std::wstring>> NameOfSid(const platform::Sid& sid) const;

    // --- Calls ---
    std::vector<CallRecord> calls;
    bool keepCalls = true;
    std::vector<FaultRule> faults;
    // The record of a call for the log and the fault rules. Its texts, the function's name
    // among them, are only made while either wants them: a program that reads thousands of
    // accounts would otherwise copy each name for nothing, several times.
    CallRecord Call(
        const char* function, std::wstring_view target, std::uint32_t level,
        const std::function<std::wstring()>& argument = [] { return std::wstring(); }) const;
    // The status of the first fault rule that matches `call` (and counts it), or none.
    std::optional<NetApiStatus> TakeFault(const CallRecord& call);
    // Logs `call` with `status`; returns the status.
    NetApiStatus Log(CallRecord call, NetApiStatus status);

    // --- Persistence ---
    std::optional<std::filesystem::path> persistFile;
    // Saves to the persist file, if there is one. False when that fails.
    bool Persist() const;

    // --- Ports ---
    platform::Netapi32& netapi() { return *netapi_; }
    platform::AccountSecurity& security() { return *security_; }
    MachineKernel& kernel() { return *kernel_; }

private:
    platform::BlockList<SimAccount> accounts_;
    // Positions by their name's hash: the names themselves are the accounts', and a hit is
    // checked against them (above), so the index keeps no copy of thousands of names.
    FlatIndex byName_;
    FlatIndex byRid_;
    std::vector<std::size_t> handedOut_;
    std::unordered_set<std::size_t> handedOutSet_;
    std::uint32_t nextRid_ = 1000;

    std::unique_ptr<platform::Netapi32> netapi_;
    std::unique_ptr<platform::AccountSecurity> security_;
    std::unique_ptr<MachineKernel> kernel_;
};

// The ports onto a machine's state (one file each).
std::unique_ptr<platform::Netapi32> MakeNetapiPort(MachineState& state);
std::unique_ptr<platform::AccountSecurity> MakeSecurityPort(MachineState& state);
std::unique_ptr<MachineKernel> MakeKernelPort(MachineState& state);

// The machine file.
std::string WriteMachineJson(const MachineState& state);
// Fills a machine without accounts from the file's text; throws MachineFileError.
void ReadMachineJson(std::string_view text, const std::string& source, MachineState& state);
std::string ReadWholeFile(const std::filesystem::path& file);
// Writes a new file beside `file` and renames it over; throws MachineFileError.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view text);
std::string PathText(const std::filesystem::path& file);

} // namespace qb::simulated::detail
