#include "platform/simulated/simulated_machine.h"

#include "platform/simulated/machine_state.h"
#include "platform/simulated/text.h"

namespace qb::simulated {

namespace uf = platform::user_flags;

struct SimulatedMachine::Impl : detail::MachineState {
    using MachineState::MachineState;
};

namespace {

[[noreturn]] void Refuse(const std::string& problem) {
    throw std::invalid_argument("simulated machine: " + problem);
}

std::string Quoted(std::wstring_view text) {
    return "\"" + detail::WideToUtf8(text) + "\"";
}

} // namespace

SimulatedMachine::SimulatedMachine() : impl_(std::make_unique<Impl>(*this)) {
    AccountSpec administrator;
    administrator.rid = 500;
    administrator.name = L"Administrator";
    administrator.comment = L"Built-in account for administering the computer/domain";
    administrator.flags = uf::Script | uf::NormalAccount | uf::DontExpirePassword;
    administrator.groups = {BuiltinGroupName(BuiltinAlias::Administrators)};
    AddAccount(administrator);

    AccountSpec guest;
    guest.rid = 501;
    guest.name = L"Guest";
    guest.comment = L"Built-in account for guest access to the computer/domain";
    guest.flags = uf::Script | uf::AccountDisable | uf::PasswordNotRequired |
                  uf::PasswordCantChange | uf::NormalAccount | uf::DontExpirePassword;
    guest.groups = {BuiltinGroupName(BuiltinAlias::Guests)};
    AddAccount(guest);
}

SimulatedMachine::~SimulatedMachine() = default;

std::unique_ptr<SimulatedMachine> SimulatedMachine::Bare() {
    auto machine = std::make_unique<SimulatedMachine>();
    machine->impl_->ClearAccounts();
    return machine;
}

std::unique_ptr<SimulatedMachine> SimulatedMachine::LoadFile(const std::filesystem::path& file) {
    const std::string text = detail::ReadWholeFile(file);
    return FromJsonText(text, detail::PathText(file));
}

std::unique_ptr<SimulatedMachine> SimulatedMachine::FromJsonText(std::string_view text,
                                                                 std::string_view source) {
    auto machine = Bare();
    detail::ReadMachineJson(text, std::string(source), *machine->impl_);
    return machine;
}

std::string SimulatedMachine::ToJsonText() const {
    return detail::WriteMachineJson(*impl_);
}

void SimulatedMachine::SaveFile(const std::filesystem::path& file) const {
    detail::WriteFileAtomically(file, ToJsonText());
}

void SimulatedMachine::PersistTo(std::filesystem::path file) {
    impl_->persistFile = std::move(file);
}

// --- The machine's content ---

std::uint32_t SimulatedMachine::AddAccount(const AccountSpec& wanted) {
    if (!detail::IsValidAccountName(wanted.name))
        Refuse(Quoted(wanted.name) + " is not a valid account name");
    if (impl_->NameTaken(wanted.name))
        Refuse("the name " + Quoted(wanted.name) + " is taken");
    if (wanted.rid && (*wanted.rid < 500 || impl_->RidInUse(*wanted.rid)))
        Refuse("the rid " + std::to_string(*wanted.rid) + " is reserved or taken");
    std::vector<detail::LocalGroup*> groups;
    for (const std::wstring& name : wanted.groups) {
        detail::LocalGroup* group = impl_->FindGroup(name);
        if (!group)
            Refuse("there is no group " + Quoted(name));
        groups.push_back(group);
    }
    SimAccount account;
    account.rid = wanted.rid ? *wanted.rid : impl_->TakeRid();
    account.name = wanted.name;
    account.fullName = wanted.fullName;
    account.comment = wanted.comment;
    account.userComment = wanted.userComment;
    account.password = wanted.password;
    account.flags = wanted.flags;
    account.lastLogon = wanted.lastLogon;
    account.logonHours = wanted.logonHours;
    const std::uint32_t rid = account.rid;
    impl_->Insert(std::move(account));
    for (detail::LocalGroup* group : groups)
        group->Add(rid);
    return rid;
}

SimAccount* SimulatedMachine::FindAccount(std::wstring_view name) {
    auto position = impl_->PositionOf(name);
    if (!position)
        return nullptr;
    impl_->HandOut(*position);
    return &impl_->AccountAt(*position);
}

const SimAccount* SimulatedMachine::FindAccount(std::wstring_view name) const {
    return impl_->Find(name);
}

const SimAccount* SimulatedMachine::FindAccountByRid(std::uint32_t rid) const {
    return impl_->FindByRid(rid);
}

std::vector<const SimAccount*> SimulatedMachine::AccountsInOrder() const {
    std::vector<const SimAccount*> accounts;
    accounts.reserve(impl_->AccountCount());
    for (std::size_t i = 0; i < impl_->AccountCount(); ++i)
        accounts.push_back(&impl_->AccountAt(i));
    return accounts;
}

std::size_t SimulatedMachine::AccountCount() const {
    return impl_->AccountCount();
}

void SimulatedMachine::RenameBuiltinGroup(BuiltinAlias alias, std::wstring name) {
    detail::LocalGroup& group = impl_->Builtin(alias);
    if (group.name == name)
        return;
    if (!detail::IsValidAccountName(name) || impl_->NameTaken(name))
        Refuse("a group cannot be named " + Quoted(name));
    group.name = std::move(name);
}

std::wstring SimulatedMachine::BuiltinGroupName(BuiltinAlias alias) const {
    return impl_->Builtin(alias).name;
}

void SimulatedMachine::AddLocalGroup(std::wstring name) {
    if (!detail::IsValidAccountName(name) || impl_->NameTaken(name))
        Refuse("a group cannot be named " + Quoted(name));
    detail::LocalGroup group;
    group.rid = impl_->TakeRid();
    group.sid = impl_->domainSid;
    group.sid.subAuthorities.push_back(group.rid);
    group.name = std::move(name);
    impl_->groups.push_back(std::move(group));
}

void SimulatedMachine::AddMember(std::wstring_view group, std::wstring_view account) {
    detail::LocalGroup* found = impl_->FindGroup(group);
    const SimAccount* member = impl_->Find(account);
    if (!found || !member)
        Refuse("no group " + Quoted(group) + " or no account " + Quoted(account));
    found->Add(member->rid);
}

void SimulatedMachine::RemoveMember(std::wstring_view group, std::wstring_view account) {
    detail::LocalGroup* found = impl_->FindGroup(group);
    const SimAccount* member = impl_->Find(account);
    if (found && member)
        found->Remove(member->rid);
}

bool SimulatedMachine::IsMember(std::wstring_view group, std::wstring_view account) const {
    const detail::LocalGroup* found = impl_->FindGroup(group);
    const SimAccount* member = impl_->Find(account);
    return found && member && found->Has(member->rid);
}

std::vector<std::wstring> SimulatedMachine::GroupsOf(std::wstring_view account) const {
    std::vector<std::wstring> names;
    if (const SimAccount* member = impl_->Find(account)) {
        for (const detail::LocalGroup& group : impl_->groups) {
            if (group.Has(member->rid))
                names.push_back(group.name);
        }
    }
    return names;
}

std::uint32_t SimulatedMachine::PrivilegeOf(std::wstring_view account) const {
    const SimAccount* found = impl_->Find(account);
    return found ? impl_->PrivilegeOf(found->rid) : platform::user_priv::Guest;
}

void SimulatedMachine::SetLoggedOnUser(std::wstring name) {
    impl_->Logon(std::move(name));
}
const std::wstring& SimulatedMachine::LoggedOnUser() const {
    return impl_->loggedOnUser;
}

void SimulatedMachine::SetTimeZone(std::uint32_t id, platform::TimeZoneInformation info) {
    impl_->timeZoneId = id;
    impl_->timeZone = info;
}
std::uint32_t SimulatedMachine::TimeZoneId() const {
    return impl_->timeZoneId;
}
const platform::TimeZoneInformation& SimulatedMachine::TimeZone() const {
    return impl_->timeZone;
}

void SimulatedMachine::SetCodePage(std::uint32_t codePage) {
    if (!detail::IsKnownCodePage(codePage))
        Refuse("code page " + std::to_string(codePage) + " is not one the machine knows");
    impl_->codePage = codePage;
}
std::uint32_t SimulatedMachine::CodePage() const {
    return impl_->codePage;
}
const platform::Sid& SimulatedMachine::DomainSid() const {
    return impl_->domainSid;
}
const std::wstring& SimulatedMachine::DomainName() const {
    return impl_->domainName;
}

// --- Observation and fault injection ---

const std::vector<CallRecord>& SimulatedMachine::Calls() const {
    return impl_->calls;
}
void SimulatedMachine::ClearCalls() {
    impl_->calls.clear();
}
void SimulatedMachine::KeepCalls(bool keep) {
    impl_->keepCalls = keep;
    if (!keep)
        impl_->calls.clear();
}
void SimulatedMachine::FailCall(FaultRule rule) {
    if (rule.times != 0)
        impl_->faults.push_back(std::move(rule));
}
void SimulatedMachine::ClearFaults() {
    impl_->faults.clear();
}

// --- Ports ---

platform::Netapi32& SimulatedMachine::Netapi() {
    return impl_->netapi();
}
platform::AccountSecurity& SimulatedMachine::Security() {
    return impl_->security();
}
MachineKernel& SimulatedMachine::Kernel() {
    return impl_->kernel();
}

} // namespace qb::simulated
