// netapi32 on the simulated machine: the user display list, account information, local
// groups, and the writes, with the platform's status codes.

#include "platform/simulated/machine_state.h"

#include <algorithm>
#include <functional>

namespace qb::simulated::detail {

namespace {

namespace st = platform::net_status;
namespace uf = platform::user_flags;

constexpr std::uint32_t AccountTypeBits = uf::NormalAccount | uf::InterdomainTrustAccount |
                                          uf::WorkstationTrustAccount | uf::ServerTrustAccount;
// The platform hands out at most this many display entries per call.
constexpr std::uint32_t MaxDisplayEntries = 100;
constexpr std::uint32_t UnitsPerWeek = 168;
constexpr std::uint32_t TimeqForever = 0xFFFFFFFF;
constexpr std::uint32_t MaxStorageUnlimited = 0xFFFFFFFF;

// The bytes a display entry takes in the platform's buffer: the fixed part and its texts.
std::uint64_t DisplayEntrySize(const SimAccount& account) {
    constexpr std::uint64_t fixedPart = 24;
    return fixedPart +
           2 * (account.name.size() + account.comment.size() + account.fullName.size() + 3);
}

class NetapiPort final : public platform::Netapi32 {
public:
    explicit NetapiPort(MachineState& state) : state_(state) {}

    // The next index of an entry is not its position but the account's relative
    // identifier, as the platform's display list hands it out: a caller that counts
    // entries instead of passing back the last entry's next index starts over. Index 0
    // starts at the first account; an index names the account after which to go on. An
    // index that names no account (one that never existed, or has gone since) goes on at
    // the first account with a larger identifier, and past the largest one there is
    // nothing more.
    NetApiStatus QueryDisplayInformation(std::uint32_t index, std::uint32_t entriesRequested,
                                         std::uint32_t preferredMaximumLength,
                                         std::vector<platform::NetDisplayUser>& entries) override {
        CallRecord call = state_.Call("NetQueryDisplayInformation", {}, 1,
                                      [&] { return std::to_wstring(index); });
        if (auto fault = state_.TakeFault(call)) {
            entries.clear();
            return state_.Log(std::move(call), *fault);
        }

        const std::size_t count = state_.AccountCount();
        const std::uint32_t wanted = std::min(entriesRequested, MaxDisplayEntries);
        std::size_t position = ResumePosition(index);
        std::uint64_t bytes = 0;
        // The entries are written over those the caller passed in, whose texts keep their
        // room: a caller that reads thousands of accounts batch by batch into one list then
        // does not make their texts anew for every batch.
        std::size_t filled = 0;
        while (position < count && filled < wanted) {
            const SimAccount& account = state_.AccountAt(position);
            // The buffer grows to the preferred length, but always holds one entry.
            bytes += DisplayEntrySize(account);
            if (filled != 0 && bytes > preferredMaximumLength)
                break;
            if (filled == entries.size())
                entries.emplace_back();
            platform::NetDisplayUser& entry = entries[filled++];
            entry.name = account.name;
            entry.comment = account.comment;
            entry.flags = account.flags;
            entry.fullName = account.fullName;
            entry.userId = account.rid;
            entry.nextIndex = account.rid;
            ++position;
        }
        entries.resize(filled);
        return state_.Log(std::move(call), position < count ? st::MoreData : st::Success);
    }

    NetApiStatus UserGetInfo(std::wstring_view userName, platform::UserInfo2& info) override {
        CallRecord call = state_.Call("NetUserGetInfo", userName, 2);
        if (auto fault = state_.TakeFault(call))
            return state_.Log(std::move(call), *fault);
        const SimAccount* account = state_.Find(userName);
        if (!account)
            return state_.Log(std::move(call), st::UserNotFound);

        info = platform::UserInfo2{};
        info.name = account->name;
        // The password is write-only: the platform never gives it back.
        info.priv = state_.PrivilegeOf(account->rid);
        info.comment = account->comment;
        info.flags = account->flags;
        info.fullName = account->fullName;
        info.usrComment = account->userComment;
        info.lastLogon = account->lastLogon;
        info.acctExpires = TimeqForever;
        info.maxStorage = MaxStorageUnlimited;
        info.unitsPerWeek = UnitsPerWeek;
        info.logonHours = account->logonHours;
        info.logonServer = L"\\\\*";
        return state_.Log(std::move(call), st::Success);
    }

    // No global groups exist on a stand-alone machine, so indirect memberships add
    // nothing; every group fits the buffer whatever the preferred length.
    NetApiStatus UserGetLocalGroups(std::wstring_view userName, std::uint32_t /*flags*/,
                                    std::uint32_t /*preferredMaximumLength*/,
                                    std::vector<std::wstring>& groupNames) override {
        groupNames.clear();
        CallRecord call = state_.Call("NetUserGetLocalGroups", userName, 0);
        if (auto fault = state_.TakeFault(call))
            return state_.Log(std::move(call), *fault);
        auto position = state_.ResolveMember(userName);
        if (!position)
            return state_.Log(std::move(call), st::UserNotFound);
        const std::uint32_t rid = state_.AccountAt(*position).rid;
        for (const LocalGroup& group : state_.groups) {
            if (group.Has(rid))
                groupNames.push_back(group.name);
        }
        return state_.Log(std::move(call), st::Success);
    }

    NetApiStatus UserModalsGet(platform::UserModalsInfo2& info) override {
        CallRecord call{"NetUserModalsGet", L"", 2, L"", 0};
        if (auto fault = state_.TakeFault(call))
            return state_.Log(std::move(call), *fault);
        info.domainName = state_.domainName;
        info.domainId = state_.domainSid;
        return state_.Log(std::move(call), st::Success);
    }

    NetApiStatus UserSetInfo(std::wstring_view userName,
                             const platform::UserSetInfoData& data) override {
        CallRecord call{"NetUserSetInfo", std::wstring(userName), platform::InfoLevel(data), L"",
                        0};
        if (const auto* rename = std::get_if<platform::UserInfo0>(&data))
            call.argument = rename->name;
        if (auto fault = state_.TakeFault(call))
            return state_.Log(std::move(call), *fault);

        // The platform looks the account up before it opens it for writing.
        auto position = state_.PositionOf(userName);
        if (!position)
            return state_.Log(std::move(call), st::UserNotFound);
        if (!state_.CallerIsAdministrator())
            return state_.Log(std::move(call), st::AccessDenied);

        SimAccount& account = state_.AccountAt(*position);
        const SimAccount before = account;
        const NetApiStatus status =
            std::visit([&](const auto& value) { return Apply(*position, account, value); }, data);
        if (status != st::Success)
            return state_.Log(std::move(call), status);
        return Commit(std::move(call), [&] {
            if (account.name != before.name)
                state_.Rename(*position, before.name);
            account = before;
        });
    }

    NetApiStatus LocalGroupAddMember(std::wstring_view groupName,
                                     std::wstring_view memberName) override {
        return ChangeMember("NetLocalGroupAddMembers", groupName, memberName, true);
    }

    NetApiStatus LocalGroupDelMember(std::wstring_view groupName,
                                     std::wstring_view memberName) override {
        return ChangeMember("NetLocalGroupDelMembers", groupName, memberName, false);
    }

private:
    // Where the display list goes on after `index` (see QueryDisplayInformation).
    std::size_t ResumePosition(std::uint32_t index) const {
        if (index == 0)
            return 0;
        if (const SimAccount* last = state_.FindByRid(index)) {
            if (auto position = state_.PositionOf(last->name))
                return *position + 1;
        }
        const std::size_t count = state_.AccountCount();
        for (std::size_t position = 0; position < count; ++position) {
            if (state_.AccountAt(position).rid > index)
                return position;
        }
        return count;
    }

    NetApiStatus Apply(std::size_t position, SimAccount& account, const platform::UserInfo0& v) {
        if (!IsValidAccountName(v.name))
            return st::BadUsername;
        if (v.name == account.name)
            return st::Success;
        if (state_.PositionOf(v.name))
            return st::UserExists;
        if (state_.FindGroup(v.name))
            return GroupExists;
        // Memberships belong to the account's identifier, so they follow the rename.
        state_.Rename(position, v.name);
        return st::Success;
    }
    NetApiStatus Apply(std::size_t, SimAccount& account, const platform::UserInfo1003& v) {
        account.password = v.password;
        return st::Success;
    }
    NetApiStatus Apply(std::size_t, SimAccount& account, const platform::UserInfo1007& v) {
        account.comment = v.comment;
        return st::Success;
    }
    NetApiStatus Apply(std::size_t, SimAccount& account, const platform::UserInfo1008& v) {
        std::uint32_t flags = v.flags;
        // A flag word without an account type leaves the type as it is.
        if ((flags & AccountTypeBits) == 0)
            flags |= account.flags & AccountTypeBits;
        // The lockout bit can be cleared to unlock an account, but never set by a caller.
        if ((account.flags & uf::Lockout) == 0)
            flags &= ~uf::Lockout;
        account.flags = flags;
        return st::Success;
    }
    NetApiStatus Apply(std::size_t, SimAccount& account, const platform::UserInfo1011& v) {
        account.fullName = v.fullName;
        return st::Success;
    }
    NetApiStatus Apply(std::size_t, SimAccount& account, const platform::UserInfo1012& v) {
        account.userComment = v.usrComment;
        return st::Success;
    }
    NetApiStatus Apply(std::size_t, SimAccount& account, const platform::UserInfo1020& v) {
        if (v.unitsPerWeek != UnitsPerWeek)
            return st::InvalidParameter;
        account.logonHours = v.logonHours;
        return st::Success;
    }

    NetApiStatus ChangeMember(const char* function, std::wstring_view groupName,
                              std::wstring_view memberName, bool add) {
        CallRecord call{function, std::wstring(groupName), 3, std::wstring(memberName), 0};
        if (auto fault = state_.TakeFault(call))
            return state_.Log(std::move(call), *fault);
        LocalGroup* group = state_.FindGroup(groupName);
        if (!group)
            return state_.Log(std::move(call), st::GroupNotFound);
        if (!state_.CallerIsAdministrator())
            return state_.Log(std::move(call), st::AccessDenied);
        auto position = state_.ResolveMember(memberName);
        if (!position) {
            // A local group cannot hold another local group.
            const bool isGroup = state_.FindGroup(memberName) != nullptr;
            return state_.Log(std::move(call), isGroup ? st::InvalidMember : st::NoSuchMember);
        }
        const std::uint32_t rid = state_.AccountAt(*position).rid;
        if (add ? !group->Add(rid) : !group->Remove(rid))
            return state_.Log(std::move(call), add ? st::MemberInAlias : st::MemberNotInAlias);
        return Commit(std::move(call), [&] { add ? group->Remove(rid) : group->Add(rid); });
    }

    // A change that the machine could not save is undone and reported as failed, so
    // that what the caller reads back is what a restart would find.
    NetApiStatus Commit(CallRecord call, const std::function<void()>& undo) {
        if (!state_.Persist()) {
            undo();
            return state_.Log(std::move(call), win_error::WriteFault);
        }
        return state_.Log(std::move(call), st::Success);
    }

    MachineState& state_;
};

} // namespace

std::unique_ptr<platform::Netapi32> MakeNetapiPort(MachineState& state) {
    return std::make_unique<NetapiPort>(state);
}

} // namespace qb::simulated::detail
