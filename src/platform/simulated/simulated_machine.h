#pragma once
// A simulated Windows machine: the local account database with its built-in groups,
// the logged-on user, the time zone and the system code page. It answers the
// account-database ports with the platform's status codes and paging, logs every call
// it receives and can be told to fail chosen calls. It is kept in a readable JSON file.
//
// Account and group names are looked up exactly and case-sensitively, as the program
// compares them; a real machine would also find "ANNA" for "anna", which the program
// never relies on. Accounts keep the order in which they were added: that is the
// platform's order of the user display list.

#include "platform/advapi32.h"
#include "platform/kernel32.h"
#include "platform/netapi32.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qb::simulated {

using platform::LogonHoursBytes;
using platform::NetApiStatus;

// The four built-in local groups, by the relative identifier of their well-known
// security identifier S-1-5-32-<rid>.
enum class BuiltinAlias : std::uint32_t {
    Administrators = 544,
    Users = 545,
    Guests = 546,
    PowerUsers = 547,
};

// A malformed, truncated or unreadable machine file. what() names the file and the problem.
class MachineFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One account as the machine holds it. Through FindAccount a test may change any field;
// the rid is the account's identity (its group memberships hang on it) and should stay.
struct SimAccount {
    std::uint32_t rid = 0;
    std::wstring name;
    std::wstring fullName;
    std::wstring comment;
    std::wstring userComment;
    std::wstring password;
    std::uint32_t flags = platform::user_flags::Script | platform::user_flags::NormalAccount;
    std::uint32_t lastLogon = 0;               // seconds since 1970 UTC, 0 = never
    std::optional<LogonHoursBytes> logonHours; // none: no restrictions, read as a null pointer
};

// What a new account looks like; groups are joined by name.
struct AccountSpec {
    std::wstring name;
    std::wstring fullName;
    std::wstring comment;
    std::wstring userComment;
    std::wstring password;
    std::uint32_t flags = platform::user_flags::Script | platform::user_flags::NormalAccount;
    std::uint32_t lastLogon = 0;
    std::optional<LogonHoursBytes> logonHours;
    std::vector<std::wstring> groups;
    std::optional<std::uint32_t> rid; // default: the next free identifier from 1000
};

// One call the machine received, with the status it answered. The advapi32 functions
// log the Win32 error code they would leave (0 on success). The SID functions log the
// SID text as both target and argument; NetQueryDisplayInformation logs level 1, no
// target, and the index it was asked from as the argument.
struct CallRecord {
    std::string function;    // the platform's name: "NetUserSetInfo", "LookupAccountSidA", ...
    std::wstring target;     // the account or group addressed; empty where none
    std::uint32_t level = 0; // the information level where the call has one
    std::wstring argument;   // the group member, new name or SID text where the call has one
    NetApiStatus status = 0;
};

// A call to fail: every field that is set must match. `times` < 0 fails every match.
struct FaultRule {
    std::string function;
    std::optional<std::wstring> target;
    std::optional<std::uint32_t> level;
    std::uint32_t status = platform::net_status::AccessDenied;
    int times = -1;
    std::optional<std::wstring> argument;
};

// kernel32 as the machine plays it: every role at once.
class MachineKernel : public platform::SingleInstanceApi,
                      public platform::ClockApi,
                      public platform::TimeZoneApi,
                      public platform::TextApi,
                      public platform::PathsApi,
                      public platform::ProgramsApi {};

// A program the machine was asked to start.
struct StartedProgram {
    std::wstring path;
    std::uint32_t showCommand = 0;
    bool operator==(const StartedProgram&) const = default;
};

class SimulatedMachine {
public:
    // An empty machine: the four built-in groups with their English names, a built-in
    // Administrator (500, in Administrators) and a disabled Guest (501, in Guests),
    // domain "QUILLBAY-PC" with a fixed S-1-5-21-... identifier, no one logged on, UTC,
    // code page 1252.
    SimulatedMachine();
    ~SimulatedMachine();
    SimulatedMachine(const SimulatedMachine&) = delete;
    SimulatedMachine& operator=(const SimulatedMachine&) = delete;

    // A machine without any account (only the four built-in groups).
    static std::unique_ptr<SimulatedMachine> Bare();
    // Reads a machine file; throws MachineFileError naming the file and the problem.
    static std::unique_ptr<SimulatedMachine> LoadFile(const std::filesystem::path& file);
    // Parses machine JSON; `source` names it in error messages.
    static std::unique_ptr<SimulatedMachine> FromJsonText(std::string_view text,
                                                          std::string_view source);
    std::string ToJsonText() const;
    // Writes the machine file atomically (a new file renamed over the old one).
    void SaveFile(const std::filesystem::path& file) const;
    // From now on every change made through the ports is saved to `file`. A change that
    // cannot be saved is undone, and the call fails with 29 (ERROR_WRITE_FAULT).
    void PersistTo(std::filesystem::path file);

    // --- The machine's content ---
    // These set up a machine; a name that is invalid or taken, a rid below 500 or taken,
    // or an unknown group throws std::invalid_argument.
    std::uint32_t AddAccount(const AccountSpec& wanted);
    SimAccount* FindAccount(std::wstring_view name);
    const SimAccount* FindAccount(std::wstring_view name) const;
    const SimAccount* FindAccountByRid(std::uint32_t rid) const;
    std::vector<const SimAccount*> AccountsInOrder() const;
    std::size_t AccountCount() const;

    // Groups, by their current names. Built-in groups may be renamed or localized.
    void RenameBuiltinGroup(BuiltinAlias alias, std::wstring name);
    std::wstring BuiltinGroupName(BuiltinAlias alias) const;
    void AddLocalGroup(std::wstring name); // a further group with a domain identifier
    // Membership changes that bypass the ports: nothing is logged or checked for rights.
    void AddMember(std::wstring_view group, std::wstring_view account);
    void RemoveMember(std::wstring_view group, std::wstring_view account);
    bool IsMember(std::wstring_view group, std::wstring_view account) const;
    std::vector<std::wstring> GroupsOf(std::wstring_view account) const; // machine order

    // The account privilege the platform reports: 2 in Administrators, else 1 in Users or
    // Power Users, else 0.
    std::uint32_t PrivilegeOf(std::wstring_view account) const;

    void SetLoggedOnUser(std::wstring name); // empty: the user name cannot be read
    const std::wstring& LoggedOnUser() const;
    void SetTimeZone(std::uint32_t id, platform::TimeZoneInformation info);
    std::uint32_t TimeZoneId() const;
    const platform::TimeZoneInformation& TimeZone() const;
    void SetCodePage(std::uint32_t codePage); // 932, 1250, 1252 or 65001 (UTF-8)
    std::uint32_t CodePage() const;
    const platform::Sid& DomainSid() const;
    const std::wstring& DomainName() const;

    // --- Observation and fault injection ---
    const std::vector<CallRecord>& Calls() const;
    void ClearCalls();
    // Whether calls are logged (they are from the start). A program that runs on the
    // machine has no use for the log, which would grow with every account it reads.
    void KeepCalls(bool keep);
    void FailCall(FaultRule rule);
    void ClearFaults();

    // --- Ports onto this machine ---
    platform::Netapi32& Netapi();
    platform::AccountSecurity& Security();
    // kernel32 as the machine's clock, version, time zone, code page, environment and
    // program path. Its named mutexes belong to the machine: two programs on one machine
    // see each other's.
    MachineKernel& Kernel();

    // The simulated kernel32 state that tests set.
    std::uint32_t tickCount = 0;
    platform::SystemTime localTime{2026, 12, 6, 5, 12, 0, 0, 0}; // Saturday 5 December 2026
    platform::OsVersionInfo version{10, 0, 19045, platform::platform_id::WindowsNt, ""};
    bool failExtendedVersion = false;
    bool failVersion = false;
    std::wstring programPath = L"C:\\Program Files\\Quill Bay\\quillbay.exe";
    std::map<std::string, std::string> environment{{"SystemRoot", "C:\\windows"}};
    // Every program started through the kernel port, in order; starting one always works.
    std::vector<StartedProgram> startedPrograms;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace qb::simulated
