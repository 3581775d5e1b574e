#include "platform/simulated/machine_state.h"

#include "platform/simulated/text.h"

#include <algorithm>

namespace qb::simulated::detail {

namespace {

constexpr std::wstring_view ForbiddenInNames = L"\"/\\[]:;|=,+*?<>";

// The key of a name in the name index: its hash, folded to the index's 32 bits.
std::uint32_t NameKey(std::wstring_view name) {
    const std::uint64_t hash = std::hash<std::wstring_view>{}(name);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

std::uint32_t PositionValue(std::size_t position) {
    return static_cast<std::uint32_t>(position);
}

} // namespace

platform::Sid BuiltinSid(std::uint32_t rid) {
    platform::Sid sid;
    sid.identifierAuthority = NtAuthority;
    sid.subAuthorities = {BuiltinDomainRid, rid};
    return sid;
}

std::wstring_view DefaultBuiltinName(BuiltinAlias alias) {
    switch (alias) {
    case BuiltinAlias::Administrators:
        return L"Administrators";
    case BuiltinAlias::Users:
        return L"Users";
    case BuiltinAlias::Guests:
        return L"Guests";
    case BuiltinAlias::PowerUsers:
        return L"Power Users";
    }
    return L"";
}

bool IsValidAccountName(std::wstring_view name) {
    if (name.empty() || name.back() == L'.')
        return false;
    if (name.find_first_not_of(L' ') == std::wstring_view::npos)
        return false;
    // One bit for each ASCII character a name may not hold: names are checked by the
    // thousand when a machine is read.
    static constexpr auto forbidden = [] {
        std::array<bool, 0x80> table{};
        for (std::size_t c = 0; c < 0x20; ++c)
            table[c] = true;
        for (const wchar_t c : ForbiddenInNames)
            table[static_cast<std::size_t>(static_cast<char32_t>(c))] = true;
        return table;
    }();
    for (const wchar_t c : name) {
        const auto code = static_cast<std::uint32_t>(static_cast<char32_t>(c));
        if (code < forbidden.size() && forbidden[code])
            return false;
    }
    return true;
}

bool LocalGroup::Add(std::uint32_t accountRid) {
    if (memberSet_.Contains(accountRid))
        return false;
    memberSet_.Insert(accountRid, 0);
    members.push_back(accountRid);
    return true;
}

bool LocalGroup::Remove(std::uint32_t accountRid) {
    if (!memberSet_.Erase(accountRid, 0))
        return false;
    members.erase(std::find(members.begin(), members.end(), accountRid));
    return true;
}

void LocalGroup::Clear() {
    members.clear();
    memberSet_.Clear();
}

MachineState::MachineState(SimulatedMachine& machine) : owner(machine) {
    domainSid.identifierAuthority = NtAuthority;
    domainSid.subAuthorities = {21, 2718281828u, 3141592653u, 1414213562u};
    ResetGroups();
    netapi_ = MakeNetapiPort(*this);
    security_ = MakeSecurityPort(*this);
    kernel_ = MakeKernelPort(*this);
}

MachineState::~MachineState() = default;

// --- Accounts ---
//
// Names and rids are indexed in hash maps so that every look-up costs the same on a
// machine of ten or of ten thousand accounts. An account handed out changeable (tests
// set fields through FindAccount) may get another name behind the index's back; a hit
// is therefore checked against the account itself, and a miss also looks at the few
// accounts that were handed out.

std::optional<std::size_t> MachineState::PositionOf(std::wstring_view name) const {
    if (const auto position = byName_.Find(NameKey(name), [&](std::uint32_t candidate) {
            return accounts_[candidate].name == name;
        }))
        return *position;
    for (std::size_t position : handedOut_) {
        if (accounts_[position].name == name)
            return position;
    }
    return std::nullopt;
}

SimAccount* MachineState::Find(std::wstring_view name) {
    auto position = PositionOf(name);
    return position ? &accounts_[*position] : nullptr;
}

const SimAccount* MachineState::Find(std::wstring_view name) const {
    auto position = PositionOf(name);
    return position ? &accounts_[*position] : nullptr;
}

const SimAccount* MachineState::FindByRid(std::uint32_t rid) const {
    if (const auto position = byRid_.Find(
            rid, [&](std::uint32_t candidate) { return accounts_[candidate].rid == rid; }))
        return &accounts_[*position];
    for (std::size_t position : handedOut_) {
        if (accounts_[position].rid == rid)
            return &accounts_[position];
    }
    return nullptr;
}

void MachineState::HandOut(std::size_t position) {
    if (handedOutSet_.insert(position).second)
        handedOut_.push_back(position);
}

std::size_t MachineState::Insert(SimAccount account) {
    const std::size_t position = accounts_.size();
    byName_.Insert(NameKey(account.name), PositionValue(position));
    // A rid has one position: an account that held it before (changed behind the index's
    // back) is no longer found by it.
    while (const auto earlier = byRid_.Find(account.rid, [](std::uint32_t) { return true; }))
        byRid_.Erase(account.rid, *earlier);
    byRid_.Insert(account.rid, PositionValue(position));
    accounts_.push_back(std::move(account));
    return position;
}

void MachineState::ReserveAccounts(std::size_t count) {
    accounts_.reserve(count);
    byName_.Reserve(count);
    byRid_.Reserve(count);
}

void MachineState::Rename(std::size_t position, std::wstring newName) {
    SimAccount& account = accounts_[position];
    byName_.Erase(NameKey(account.name), PositionValue(position));
    byName_.Insert(NameKey(newName), PositionValue(position));
    account.name = std::move(newName);
}

void MachineState::ClearAccounts() {
    accounts_.clear();
    byName_.Clear();
    byRid_.Clear();
    handedOut_.clear();
    handedOutSet_.clear();
    nextRid_ = 1000;
    for (LocalGroup& group : groups)
        group.Clear();
}

bool MachineState::RidInUse(std::uint32_t rid) const {
    if (FindByRid(rid))
        return true;
    return std::any_of(groups.begin(), groups.end(), [&](const LocalGroup& group) {
        return !group.builtinDomain && group.rid == rid;
    });
}

std::uint32_t MachineState::TakeRid() {
    while (RidInUse(nextRid_))
        ++nextRid_;
    return nextRid_++;
}

std::optional<std::size_t> MachineState::ResolveMember(std::wstring_view name) const {
    const auto slash = name.find(L'\\');
    if (slash != std::wstring_view::npos) {
        // Domain names, unlike account names in this model, compare without case.
        const std::wstring_view domain = name.substr(0, slash);
        auto upper = [](wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - 32) : c; };
        if (domain.size() != domainName.size() ||
            !std::equal(domain.begin(), domain.end(), domainName.begin(),
                        [&](wchar_t a, wchar_t b) { return upper(a) == upper(b); }))
            return std::nullopt;
        name.remove_prefix(slash + 1);
    }
    return PositionOf(name);
}

// --- Groups ---

LocalGroup* MachineState::FindGroup(std::wstring_view name) {
    for (LocalGroup& group : groups) {
        if (group.name == name)
            return &group;
    }
    return nullptr;
}

const LocalGroup* MachineState::FindGroup(std::wstring_view name) const {
    return const_cast<MachineState*>(this)->FindGroup(name);
}

const LocalGroup* MachineState::FindGroupBySid(const platform::Sid& sid) const {
    for (const LocalGroup& group : groups) {
        if (group.sid == sid)
            return &group;
    }
    return nullptr;
}

LocalGroup& MachineState::Builtin(BuiltinAlias alias) {
    for (LocalGroup& group : groups) {
        if (group.builtinDomain && group.rid == static_cast<std::uint32_t>(alias))
            return group;
    }
    // The four are created with the machine and can be renamed but never removed.
    LocalGroup& group = groups.emplace_back();
    group.rid = static_cast<std::uint32_t>(alias);
    group.sid = BuiltinSid(group.rid);
    group.builtinDomain = true;
    group.name = std::wstring(DefaultBuiltinName(alias));
    return group;
}

const LocalGroup& MachineState::Builtin(BuiltinAlias alias) const {
    return const_cast<MachineState*>(this)->Builtin(alias);
}

void MachineState::ResetGroups() {
    groups.clear();
    for (BuiltinAlias alias : {BuiltinAlias::Administrators, BuiltinAlias::Users,
                               BuiltinAlias::Guests, BuiltinAlias::PowerUsers})
        Builtin(alias);
}

bool MachineState::NameTaken(std::wstring_view name) const {
    return PositionOf(name).has_value() || FindGroup(name) != nullptr;
}

std::uint32_t MachineState::PrivilegeOf(std::uint32_t rid) const {
    if (Builtin(BuiltinAlias::Administrators).Has(rid))
        return platform::user_priv::Admin;
    if (Builtin(BuiltinAlias::Users).Has(rid) || Builtin(BuiltinAlias::PowerUsers).Has(rid))
        return platform::user_priv::User;
    return platform::user_priv::Guest;
}

bool MachineState::IsAdministrator(std::wstring_view name) const {
    const SimAccount* account = Find(name);
    return account && Builtin(BuiltinAlias::Administrators).Has(account->rid);
}

bool MachineState::CallerIsAdministrator() {
    if (!callerToken)
        callerToken = IsAdministrator(loggedOnUser);
    return *callerToken;
}

void MachineState::Logon(std::wstring name) {
    loggedOnUser = std::move(name);
    callerToken.reset();
}

// --- The machine as a whole ---

std::wstring MachineState::ThroughCodePage(std::wstring_view text) const {
    return DecodeCodePage(codePage, EncodeCodePage(codePage, text, '?'));
}

std::optional<std::pair<std::wstring, std::wstring>>
MachineState::NameOfSid(const platform::Sid& sid) const {
    if (sid.identifierAuthority == NtAuthority && sid.subAuthorities.size() == 1 &&
        sid.subAuthorities[0] == BuiltinDomainRid)
        return std::pair{std::wstring(L"BUILTIN"), std::wstring(L"BUILTIN")};
    if (const LocalGroup* group = FindGroupBySid(sid))
        return std::pair{group->name, group->builtinDomain ? std::wstring(L"BUILTIN") : domainName};
    if (sid == domainSid)
        return std::pair{domainName, domainName};
    if (sid.revision == domainSid.revision &&
        sid.identifierAuthority == domainSid.identifierAuthority &&
        sid.subAuthorities.size() == domainSid.subAuthorities.size() + 1 &&
        std::equal(domainSid.subAuthorities.begin(), domainSid.subAuthorities.end(),
                   sid.subAuthorities.begin())) {
        if (const SimAccount* account = FindByRid(sid.subAuthorities.back()))
            return std::pair{account->name, domainName};
    }
    return std::nullopt;
}

// --- Calls ---

std::optional<NetApiStatus> MachineState::TakeFault(const CallRecord& call) {
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        if (it->times == 0 || it->function != call.function ||
            (it->target && *it->target != call.target) || (it->level && *it->level != call.level) ||
            (it->argument && *it->argument != call.argument))
            continue;
        const NetApiStatus status = it->status;
        if (it->times > 0 && --it->times == 0)
            faults.erase(it);
        return status;
    }
    return std::nullopt;
}

CallRecord MachineState::Call(const char* function, std::wstring_view target, std::uint32_t level,
                              const std::function<std::wstring()>& argument) const {
    CallRecord call{{}, {}, level, {}, 0};
    if (keepCalls || !faults.empty()) {
        call.function = function;
        call.target = std::wstring(target);
        call.argument = argument();
    }
    return call;
}

NetApiStatus MachineState::Log(CallRecord call, NetApiStatus status) {
    CallerIsAdministrator(); // the program's first call is its start
    call.status = status;
    if (keepCalls)
        calls.push_back(std::move(call));
    return status;
}

// --- Persistence ---

bool MachineState::Persist() const {
    if (!persistFile)
        return true;
    try {
        WriteFileAtomically(*persistFile, WriteMachineJson(*this));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace qb::simulated::detail
