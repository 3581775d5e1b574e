// A stand-in netapi32.dll with the exports the binding uses. It answers like Windows does
// (Wine's netapi32 cannot describe accounts nor take writes), hands out every answer as
// one allocated block as the real library does, and keeps a journal of the calls it
// received so that a test can see exactly what the binding passed.
//
// The same file doubles as the "planted" library: it is built as planted\netapi32.dll,
// a copy that the default DLL search order would find before the system's own.

#include <windows.h>

#include <lm.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#define FAKE_EXPORT extern "C" __declspec(dllexport)

namespace {

std::wstring journal;
std::vector<void*> liveBuffers;
LONG badReleases = 0;

void Log(const std::wstring& line) {
    journal += line;
    journal += L'\n';
}

std::wstring Text(LPCWSTR text) {
    return text != nullptr ? text : L"(null)";
}

// One block holding a structure array and everything it points to.
class Block {
public:
    static constexpr std::size_t Size = 4096;
    Block() : base_(static_cast<BYTE*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, Size))) {}

    template <typename T>
    T* New(std::size_t count) {
        return static_cast<T*>(Take(sizeof(T) * std::max<std::size_t>(count, 1)));
    }
    LPWSTR Copy(const wchar_t* text) {
        if (text == nullptr)
            return nullptr;
        const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
        auto* copy = static_cast<LPWSTR>(Take(bytes));
        std::memcpy(copy, text, bytes);
        return copy;
    }
    BYTE* Bytes(std::size_t count) { return static_cast<BYTE*>(Take(count)); }
    void* HandOut() {
        liveBuffers.push_back(base_);
        return base_;
    }

private:
    void* Take(std::size_t bytes) {
        used_ = (used_ + 7) & ~std::size_t{7};
        void* at = base_ + used_;
        used_ += bytes;
        return at;
    }
    BYTE* base_;
    std::size_t used_ = 0;
};

struct Account {
    const wchar_t* name;
    DWORD flags;
    DWORD rid;
};

// Listed in the order a Windows machine tends to list them, with a machine trust account
// among the normal ones.
const Account accounts[] = {
    {L"Administrator", 0x10201, 500}, {L"Guest", 0x10203, 501}, {L"alice", 0x0201, 1000},
    {L"bob", 0x0201, 1001},           {L"carol", 0x0203, 1002}, {L"HOST$", 0x1001, 1003},
    {L"dave", 0x0201, 1004},          {L"erin", 0x0201, 1005},
};
constexpr DWORD accountCount = sizeof(accounts) / sizeof(accounts[0]);
// Windows' next-index values are opaque; these are deliberately not positions.
constexpr DWORD indexBase = 100;

bool Known(LPCWSTR name) {
    return name != nullptr && (std::wcscmp(name, L"alice") == 0 || std::wcscmp(name, L"bob") == 0);
}

} // namespace

FAKE_EXPORT NET_API_STATUS WINAPI NetApiBufferFree(LPVOID buffer) {
    if (buffer == nullptr)
        return NERR_Success;
    auto it = std::find(liveBuffers.begin(), liveBuffers.end(), buffer);
    if (it == liveBuffers.end()) {
        ++badReleases;
        return ERROR_INVALID_PARAMETER;
    }
    liveBuffers.erase(it);
    // Whatever still points into the block reads garbage from now on.
    std::memset(buffer, 0xDD, Block::Size);
    ::HeapFree(::GetProcessHeap(), 0, buffer);
    return NERR_Success;
}

FAKE_EXPORT NET_API_STATUS WINAPI NetQueryDisplayInformation(LPCWSTR server, DWORD level,
                                                             DWORD index, DWORD requested,
                                                             DWORD preferred, LPDWORD returned,
                                                             PVOID* buffer) {
    Log(L"display server=" + Text(server) + L" level=" + std::to_wstring(level) + L" index=" +
        std::to_wstring(index) + L" requested=" + std::to_wstring(requested) + L" preferred=" +
        std::to_wstring(preferred));
    *returned = 0;
    *buffer = nullptr;
    if (level != 1)
        return ERROR_INVALID_LEVEL;
    const DWORD first = index == 0 ? 0 : index - indexBase;
    if (first > accountCount)
        return ERROR_INVALID_PARAMETER;
    const DWORD count = std::min(requested, accountCount - first);
    Block block;
    auto* users = block.New<NET_DISPLAY_USER>(count);
    for (DWORD i = 0; i < count; ++i) {
        const Account& account = accounts[first + i];
        const std::wstring name = account.name;
        users[i].usri1_name = block.Copy(account.name);
        users[i].usri1_comment = block.Copy((L"comment of " + name).c_str());
        users[i].usri1_flags = account.flags;
        users[i].usri1_full_name = block.Copy((L"Full " + name).c_str());
        users[i].usri1_user_id = account.rid;
        users[i].usri1_next_index = indexBase + first + i + 1;
    }
    *returned = count;
    *buffer = block.HandOut();
    return first + count < accountCount ? ERROR_MORE_DATA : NERR_Success;
}

FAKE_EXPORT NET_API_STATUS WINAPI NetUserGetInfo(LPCWSTR server, LPCWSTR user, DWORD level,
                                                 LPBYTE* buffer) {
    Log(L"getinfo server=" + Text(server) + L" user=" + Text(user) + L" level=" +
        std::to_wstring(level));
    *buffer = nullptr;
    if (level != 2)
        return ERROR_INVALID_LEVEL;
    if (!Known(user))
        return NERR_UserNotFound;
    Block block;
    auto* info = block.New<USER_INFO_2>(1);
    if (std::wcscmp(user, L"alice") == 0) {
        info->usri2_name = block.Copy(L"alice");
        info->usri2_password = block.Copy(L"secret");
        info->usri2_password_age = 11;
        info->usri2_priv = USER_PRIV_ADMIN;
        info->usri2_home_dir = block.Copy(L"C:\\Users\\alice");
        info->usri2_comment = block.Copy(L"Comment \u00e9");
        info->usri2_flags = 0x10203;
        info->usri2_script_path = block.Copy(L"logon.cmd");
        info->usri2_auth_flags = 3;
        info->usri2_full_name = block.Copy(L"Alice \u00dcnal");
        info->usri2_usr_comment = block.Copy(L"User comment");
        info->usri2_parms = block.Copy(L"parms");
        info->usri2_workstations = block.Copy(L"ws1,ws2");
        info->usri2_last_logon = 1700000000;
        info->usri2_last_logoff = 1700003600;
        info->usri2_acct_expires = 1800000000;
        info->usri2_max_storage = 0xFFFFFFFF;
        info->usri2_units_per_week = 168;
        info->usri2_logon_hours = block.Bytes(21);
        for (BYTE i = 0; i < 21; ++i)
            info->usri2_logon_hours[i] = static_cast<BYTE>(0x10 + i);
        info->usri2_bad_pw_count = 4;
        info->usri2_num_logons = 55;
        info->usri2_logon_server = block.Copy(L"\\\\QB");
        info->usri2_country_code = 49;
        info->usri2_code_page = 1252;
    } else {
        // Every pointer null, as for an account without any of these values.
        info->usri2_priv = USER_PRIV_USER;
        info->usri2_flags = 0x0201;
    }
    *buffer = static_cast<LPBYTE>(block.HandOut());
    return NERR_Success;
}

FAKE_EXPORT NET_API_STATUS WINAPI NetUserGetLocalGroups(LPCWSTR server, LPCWSTR user, DWORD level,
                                                        DWORD flags, LPBYTE* buffer,
                                                        DWORD preferred, LPDWORD read,
                                                        LPDWORD total) {
    Log(L"localgroups server=" + Text(server) + L" user=" + Text(user) + L" level=" +
        std::to_wstring(level) + L" flags=" + std::to_wstring(flags) + L" preferred=" +
        std::to_wstring(preferred));
    *buffer = nullptr;
    *read = *total = 0;
    if (level != 0)
        return ERROR_INVALID_LEVEL;
    if (!Known(user))
        return NERR_UserNotFound;
    // alice belongs to two groups; bob to none, which still comes as a (empty) buffer.
    const bool alice = std::wcscmp(user, L"alice") == 0;
    Block block;
    auto* groups = block.New<LOCALGROUP_USERS_INFO_0>(2);
    if (alice) {
        groups[0].lgrui0_name = block.Copy(L"Administrators");
        groups[1].lgrui0_name = block.Copy(L"Power Users");
        *read = *total = 2;
    }
    *buffer = static_cast<LPBYTE>(block.HandOut());
    return NERR_Success;
}

FAKE_EXPORT NET_API_STATUS WINAPI NetUserModalsGet(LPCWSTR server, DWORD level, LPBYTE* buffer) {
    Log(L"modals server=" + Text(server) + L" level=" + std::to_wstring(level));
    *buffer = nullptr;
    if (level != 2)
        return ERROR_INVALID_LEVEL;
    Block block;
    auto* info = block.New<USER_MODALS_INFO_2>(1);
    info->usrmod2_domain_name = block.Copy(L"FAKEDOM");
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = block.Bytes(::GetSidLengthRequired(4));
    ::InitializeSid(sid, &nt, 4);
    const DWORD subAuthorities[] = {21, 11, 22, 33};
    for (UCHAR i = 0; i < 4; ++i)
        *::GetSidSubAuthority(sid, i) = subAuthorities[i];
    info->usrmod2_domain_id = sid;
    *buffer = static_cast<LPBYTE>(block.HandOut());
    return NERR_Success;
}

FAKE_EXPORT NET_API_STATUS WINAPI NetUserSetInfo(LPCWSTR server, LPCWSTR user, DWORD level,
                                                 LPBYTE buffer, LPDWORD parameterError) {
    std::wstring line = L"set server=" + Text(server) + L" user=" + Text(user) + L" level=" +
                        std::to_wstring(level) + L" ";
    if (parameterError != nullptr)
        *parameterError = 0;
    switch (level) {
    case 0:
        line += L"name=" + Text(reinterpret_cast<USER_INFO_0*>(buffer)->usri0_name);
        break;
    case 1003:
        line += L"password=" + Text(reinterpret_cast<USER_INFO_1003*>(buffer)->usri1003_password);
        break;
    case 1007:
        line += L"comment=" + Text(reinterpret_cast<USER_INFO_1007*>(buffer)->usri1007_comment);
        break;
    case 1008:
        line +=
            L"flags=" + std::to_wstring(reinterpret_cast<USER_INFO_1008*>(buffer)->usri1008_flags);
        break;
    case 1011:
        line += L"fullname=" + Text(reinterpret_cast<USER_INFO_1011*>(buffer)->usri1011_full_name);
        break;
    case 1012:
        line +=
            L"usrcomment=" + Text(reinterpret_cast<USER_INFO_1012*>(buffer)->usri1012_usr_comment);
        break;
    case 1020: {
        const auto* hours = reinterpret_cast<USER_INFO_1020*>(buffer);
        line += L"units=" + std::to_wstring(hours->usri1020_units_per_week) + L" hours=";
        for (int i = 0; i < 21; ++i)
            line += (i ? L"," : L"") + std::to_wstring(hours->usri1020_logon_hours[i]);
        break;
    }
    default:
        Log(line + L"refused");
        return ERROR_INVALID_LEVEL;
    }
    Log(line);
    return Known(user) ? NERR_Success : NERR_UserNotFound;
}

namespace {

NET_API_STATUS Members(const wchar_t* verb, LPCWSTR server, LPCWSTR group, DWORD level,
                       LPBYTE buffer, DWORD entries) {
    std::wstring line = std::wstring(verb) + L" server=" + Text(server) + L" group=" + Text(group) +
                        L" level=" + std::to_wstring(level) + L" entries=" +
                        std::to_wstring(entries);
    if (level == 3)
        for (DWORD i = 0; i < entries; ++i)
            line +=
                L" member=" +
                Text(reinterpret_cast<LOCALGROUP_MEMBERS_INFO_3*>(buffer)[i].lgrmi3_domainandname);
    Log(line);
    return level == 3 ? NERR_Success : ERROR_INVALID_LEVEL;
}

} // namespace

FAKE_EXPORT NET_API_STATUS WINAPI NetLocalGroupAddMembers(LPCWSTR server, LPCWSTR group,
                                                          DWORD level, LPBYTE buffer,
                                                          DWORD entries) {
    return Members(L"add", server, group, level, buffer, entries);
}

FAKE_EXPORT NET_API_STATUS WINAPI NetLocalGroupDelMembers(LPCWSTR server, LPCWSTR group,
                                                          DWORD level, LPBYTE buffer,
                                                          DWORD entries) {
    return Members(L"del", server, group, level, buffer, entries);
}

// What the tests read back.
FAKE_EXPORT const wchar_t* FakeNetJournal() {
    return journal.c_str();
}
FAKE_EXPORT void FakeNetClearJournal() {
    journal.clear();
}
FAKE_EXPORT LONG FakeNetLiveBuffers() {
    return static_cast<LONG>(liveBuffers.size());
}
FAKE_EXPORT LONG FakeNetBadReleases() {
    return badReleases;
}
