#include "platform/win32/netapi32_win32.h"

#include "platform/win32/security_win32.h"

#include <lm.h>

#include <algorithm>
#include <type_traits>

namespace qb::win32 {

namespace {

using platform::NetApiStatus;

// The current directory and PATH are never searched; the application directory neither.
HMODULE LoadFromSystemDirectory() {
    HMODULE module = ::LoadLibraryExW(L"netapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // Windows 7 without the loader update (KB2533623) does not know the search flag.
    // A full path into the system directory is just as safe there.
    wchar_t directory[MAX_PATH];
    UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(directory, length);
    path += L"\\netapi32.dll";
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function>
Function Resolve(HMODULE module, const char* name) {
    if (module == nullptr)
        return nullptr;
    // Through the generic function pointer type, which any function pointer converts to
    // and from without the compiler suspecting a mismatched call.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

std::wstring Text(LPCWSTR text) {
    return text != nullptr ? std::wstring(text) : std::wstring();
}

platform::NetDisplayUser Copy(const NET_DISPLAY_USER& entry) {
    platform::NetDisplayUser user;
    user.name = Text(entry.usri1_name);
    user.comment = Text(entry.usri1_comment);
    user.flags = entry.usri1_flags;
    user.fullName = Text(entry.usri1_full_name);
    user.userId = entry.usri1_user_id;
    user.nextIndex = entry.usri1_next_index;
    return user;
}

platform::UserInfo2 Copy(const USER_INFO_2& source) {
    platform::UserInfo2 info;
    info.name = Text(source.usri2_name);
    info.password = Text(source.usri2_password);
    info.passwordAge = source.usri2_password_age;
    info.priv = source.usri2_priv;
    info.homeDir = Text(source.usri2_home_dir);
    info.comment = Text(source.usri2_comment);
    info.flags = source.usri2_flags;
    info.scriptPath = Text(source.usri2_script_path);
    info.authFlags = source.usri2_auth_flags;
    info.fullName = Text(source.usri2_full_name);
    info.usrComment = Text(source.usri2_usr_comment);
    info.parms = Text(source.usri2_parms);
    info.workstations = Text(source.usri2_workstations);
    info.lastLogon = source.usri2_last_logon;
    info.lastLogoff = source.usri2_last_logoff;
    info.acctExpires = source.usri2_acct_expires;
    info.maxStorage = source.usri2_max_storage;
    info.unitsPerWeek = source.usri2_units_per_week;
    // A null bitmap is the platform's way of saying "no restrictions"; otherwise the
    // bitmap always has 21 bytes, whatever the units per week say.
    if (source.usri2_logon_hours != nullptr) {
        platform::LogonHoursBytes hours{};
        std::copy_n(source.usri2_logon_hours, hours.size(), hours.begin());
        info.logonHours = hours;
    }
    info.badPwCount = source.usri2_bad_pw_count;
    info.numLogons = source.usri2_num_logons;
    info.logonServer = Text(source.usri2_logon_server);
    info.countryCode = source.usri2_country_code;
    info.codePage = source.usri2_code_page;
    return info;
}

// The structure NetUserSetInfo expects for one level, and the text and bytes it points
// to. The structure points into this object, hence neither copies nor moves.
class SetInfoRequest {
public:
    explicit SetInfoRequest(const platform::UserSetInfoData& data)
        : level_(platform::InfoLevel(data)) {
        std::visit([this](const auto& fields) { Fill(fields); }, data);
    }
    SetInfoRequest(const SetInfoRequest&) = delete;
    SetInfoRequest& operator=(const SetInfoRequest&) = delete;
    ~SetInfoRequest() = default;

    DWORD Level() const noexcept { return level_; }
    LPBYTE Buffer() {
        return std::visit([](auto& info) { return reinterpret_cast<LPBYTE>(&info); }, info_);
    }

private:
    void Fill(const platform::UserInfo0& fields) {
        text_ = fields.name;
        info_ = USER_INFO_0{text_.data()};
    }
    void Fill(const platform::UserInfo1003& fields) {
        text_ = fields.password;
        info_ = USER_INFO_1003{text_.data()};
    }
    void Fill(const platform::UserInfo1007& fields) {
        text_ = fields.comment;
        info_ = USER_INFO_1007{text_.data()};
    }
    void Fill(const platform::UserInfo1008& fields) { info_ = USER_INFO_1008{fields.flags}; }
    void Fill(const platform::UserInfo1011& fields) {
        text_ = fields.fullName;
        info_ = USER_INFO_1011{text_.data()};
    }
    void Fill(const platform::UserInfo1012& fields) {
        text_ = fields.usrComment;
        info_ = USER_INFO_1012{text_.data()};
    }
    void Fill(const platform::UserInfo1020& fields) {
        hours_ = fields.logonHours;
        info_ = USER_INFO_1020{fields.unitsPerWeek, hours_.data()};
    }

    DWORD level_;
    std::wstring text_;
    platform::LogonHoursBytes hours_{};
    std::variant<USER_INFO_0, USER_INFO_1003, USER_INFO_1007, USER_INFO_1008, USER_INFO_1011,
                 USER_INFO_1012, USER_INFO_1020>
        info_;
};

} // namespace

// The function types are spelled out in the headers so that they need no <lm.h>; they
// must stay the platform's own.
static_assert(std::is_same_v<NetApiBufferFreeFunction, decltype(&::NetApiBufferFree)>);

Win32Netapi32::Win32Netapi32() : Win32Netapi32(UniqueModule(LoadFromSystemDirectory())) {}

Win32Netapi32::Win32Netapi32(UniqueModule module) : module_(std::move(module)) {
    static_assert(
        std::is_same_v<QueryDisplayInformationFunction, decltype(&::NetQueryDisplayInformation)>);
    static_assert(std::is_same_v<UserGetInfoFunction, decltype(&::NetUserGetInfo)>);
    static_assert(std::is_same_v<UserGetLocalGroupsFunction, decltype(&::NetUserGetLocalGroups)>);
    static_assert(std::is_same_v<UserModalsGetFunction, decltype(&::NetUserModalsGet)>);
    static_assert(std::is_same_v<UserSetInfoFunction, decltype(&::NetUserSetInfo)>);
    static_assert(std::is_same_v<LocalGroupMembersFunction, decltype(&::NetLocalGroupAddMembers)>);
    static_assert(std::is_same_v<LocalGroupMembersFunction, decltype(&::NetLocalGroupDelMembers)>);

    HMODULE library = module_.Get();
    queryDisplayInformation_ =
        Resolve<QueryDisplayInformationFunction>(library, "NetQueryDisplayInformation");
    userGetInfo_ = Resolve<UserGetInfoFunction>(library, "NetUserGetInfo");
    userGetLocalGroups_ = Resolve<UserGetLocalGroupsFunction>(library, "NetUserGetLocalGroups");
    userModalsGet_ = Resolve<UserModalsGetFunction>(library, "NetUserModalsGet");
    userSetInfo_ = Resolve<UserSetInfoFunction>(library, "NetUserSetInfo");
    localGroupAddMembers_ = Resolve<LocalGroupMembersFunction>(library, "NetLocalGroupAddMembers");
    localGroupDelMembers_ = Resolve<LocalGroupMembersFunction>(library, "NetLocalGroupDelMembers");
    apiBufferFree_ = Resolve<NetApiBufferFreeFunction>(library, "NetApiBufferFree");
}

NetApiStatus Win32Netapi32::Unavailable(bool present, bool returnsBuffer) const noexcept {
    if (!module_)
        return LibraryMissingStatus;
    if (!present || (returnsBuffer && apiBufferFree_ == nullptr))
        return FunctionMissingStatus;
    return platform::net_status::Success;
}

NetApiBuffer Win32Netapi32::Adopt(void* buffer) const noexcept {
    return NetApiBuffer(buffer, NetApiBufferTraits{apiBufferFree_});
}

NetApiStatus
Win32Netapi32::QueryDisplayInformation(std::uint32_t index, std::uint32_t entriesRequested,
                                       std::uint32_t preferredMaximumLength,
                                       std::vector<platform::NetDisplayUser>& entries) {
    entries.clear();
    if (NetApiStatus missing = Unavailable(queryDisplayInformation_ != nullptr, true))
        return missing;
    DWORD returned = 0;
    void* raw = nullptr;
    NetApiStatus status = queryDisplayInformation_(nullptr, 1, index, entriesRequested,
                                                   preferredMaximumLength, &returned, &raw);
    NetApiBuffer buffer = Adopt(raw);
    if ((status == platform::net_status::Success || status == platform::net_status::MoreData) &&
        buffer) {
        const auto* users = static_cast<const NET_DISPLAY_USER*>(buffer.Get());
        entries.reserve(returned);
        for (DWORD i = 0; i < returned; ++i)
            entries.push_back(Copy(users[i]));
    }
    return status;
}

NetApiStatus Win32Netapi32::UserGetInfo(std::wstring_view userName, platform::UserInfo2& info) {
    if (NetApiStatus missing = Unavailable(userGetInfo_ != nullptr, true))
        return missing;
    const std::wstring name(userName);
    LPBYTE raw = nullptr;
    NetApiStatus status = userGetInfo_(nullptr, name.c_str(), 2, &raw);
    NetApiBuffer buffer = Adopt(raw);
    if (status == platform::net_status::Success && buffer)
        info = Copy(*static_cast<const USER_INFO_2*>(buffer.Get()));
    return status;
}

NetApiStatus Win32Netapi32::UserGetLocalGroups(std::wstring_view userName, std::uint32_t flags,
                                               std::uint32_t preferredMaximumLength,
                                               std::vector<std::wstring>& groupNames) {
    groupNames.clear();
    if (NetApiStatus missing = Unavailable(userGetLocalGroups_ != nullptr, true))
        return missing;
    const std::wstring name(userName);
    LPBYTE raw = nullptr;
    DWORD read = 0;
    DWORD total = 0;
    NetApiStatus status = userGetLocalGroups_(nullptr, name.c_str(), 0, flags, &raw,
                                              preferredMaximumLength, &read, &total);
    NetApiBuffer buffer = Adopt(raw);
    if ((status == platform::net_status::Success || status == platform::net_status::MoreData) &&
        buffer) {
        const auto* groups = static_cast<const LOCALGROUP_USERS_INFO_0*>(buffer.Get());
        groupNames.reserve(read);
        for (DWORD i = 0; i < read; ++i)
            groupNames.push_back(Text(groups[i].lgrui0_name));
    }
    return status;
}

NetApiStatus Win32Netapi32::UserModalsGet(platform::UserModalsInfo2& info) {
    if (NetApiStatus missing = Unavailable(userModalsGet_ != nullptr, true))
        return missing;
    LPBYTE raw = nullptr;
    NetApiStatus status = userModalsGet_(nullptr, 2, &raw);
    NetApiBuffer buffer = Adopt(raw);
    if (status != platform::net_status::Success || !buffer)
        return status;
    const auto& modals = *static_cast<const USER_MODALS_INFO_2*>(buffer.Get());
    std::optional<platform::Sid> domainId = SidFromPlatform(modals.usrmod2_domain_id);
    // The account domain's identifier is what the caller asks for; an answer without a
    // usable one is no answer.
    if (!domainId)
        return ERROR_INVALID_SID;
    info.domainName = Text(modals.usrmod2_domain_name);
    info.domainId = std::move(*domainId);
    return status;
}

NetApiStatus Win32Netapi32::UserSetInfo(std::wstring_view userName,
                                        const platform::UserSetInfoData& data) {
    if (NetApiStatus missing = Unavailable(userSetInfo_ != nullptr, false))
        return missing;
    const std::wstring name(userName);
    SetInfoRequest request(data);
    DWORD parameterError = 0;
    return userSetInfo_(nullptr, name.c_str(), request.Level(), request.Buffer(), &parameterError);
}

NetApiStatus Win32Netapi32::LocalGroupAddMember(std::wstring_view groupName,
                                                std::wstring_view memberName) {
    return LocalGroupMembers(localGroupAddMembers_, groupName, memberName);
}

NetApiStatus Win32Netapi32::LocalGroupDelMember(std::wstring_view groupName,
                                                std::wstring_view memberName) {
    return LocalGroupMembers(localGroupDelMembers_, groupName, memberName);
}

NetApiStatus Win32Netapi32::LocalGroupMembers(LocalGroupMembersFunction function,
                                              std::wstring_view groupName,
                                              std::wstring_view memberName) const {
    if (NetApiStatus missing = Unavailable(function != nullptr, false))
        return missing;
    const std::wstring group(groupName);
    std::wstring member(memberName);
    LOCALGROUP_MEMBERS_INFO_3 entry{member.data()};
    return function(nullptr, group.c_str(), 3, reinterpret_cast<LPBYTE>(&entry), 1);
}

} // namespace qb::win32
