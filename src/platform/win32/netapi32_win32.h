#pragma once
// The account database port bound to the real netapi32.
//
// netapi32 is loaded at run time from the system directory only, never through the
// default DLL search order: an administrator may well start this tool from a downloads
// folder, and a netapi32.dll planted there must not run with their rights. For the same
// reason the program does not import netapi32 at link time.

#include "platform/netapi32.h"
#include "platform/win32/handles.h"

#include <windows.h>

namespace qb::win32 {

// Status of every call when netapi32 itself could not be loaded.
constexpr platform::NetApiStatus LibraryMissingStatus = ERROR_MOD_NOT_FOUND; // 126
// Status of a call whose function the loaded library does not export (or, for calls that
// return a buffer, when NetApiBufferFree is missing and the buffer could not be released).
constexpr platform::NetApiStatus FunctionMissingStatus = ERROR_PROC_NOT_FOUND; // 127

class Win32Netapi32 final : public platform::Netapi32 {
public:
    // Loads netapi32 from the system directory.
    Win32Netapi32();
    // Binds to the netapi32 functions that `module` exports. An empty module behaves like
    // a library that could not be loaded.
    explicit Win32Netapi32(UniqueModule module);

    Win32Netapi32(const Win32Netapi32&) = delete;
    Win32Netapi32& operator=(const Win32Netapi32&) = delete;
    ~Win32Netapi32() override = default;

    // The library in use, or null when it could not be loaded.
    HMODULE Module() const noexcept { return module_.Get(); }

    platform::NetApiStatus
    QueryDisplayInformation(std::uint32_t index, std::uint32_t entriesRequested,
                            std::uint32_t preferredMaximumLength,
                            std::vector<platform::NetDisplayUser>& entries) override;
    platform::NetApiStatus UserGetInfo(std::wstring_view userName,
                                       platform::UserInfo2& info) override;
    platform::NetApiStatus UserGetLocalGroups(std::wstring_view userName, std::uint32_t flags,
                                              std::uint32_t preferredMaximumLength,
                                              std::vector<std::wstring>& groupNames) override;
    platform::NetApiStatus UserModalsGet(platform::UserModalsInfo2& info) override;
    platform::NetApiStatus UserSetInfo(std::wstring_view userName,
                                       const platform::UserSetInfoData& data) override;
    platform::NetApiStatus LocalGroupAddMember(std::wstring_view groupName,
                                               std::wstring_view memberName) override;
    platform::NetApiStatus LocalGroupDelMember(std::wstring_view groupName,
                                               std::wstring_view memberName) override;

private:
    using QueryDisplayInformationFunction = DWORD(WINAPI*)(LPCWSTR, DWORD, DWORD, DWORD, DWORD,
                                                           LPDWORD, PVOID*);
    using UserGetInfoFunction = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
    using UserGetLocalGroupsFunction = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, DWORD, LPBYTE*,
                                                      DWORD, LPDWORD, LPDWORD);
    using UserModalsGetFunction = DWORD(WINAPI*)(LPCWSTR, DWORD, LPBYTE*);
    using UserSetInfoFunction = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE, LPDWORD);
    using LocalGroupMembersFunction = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE, DWORD);

    // Status for a call whose function is not `present` (or, with `returnsBuffer`, whose
    // buffer could not be released); 0 when the call can be made.
    platform::NetApiStatus Unavailable(bool present, bool returnsBuffer) const noexcept;
    NetApiBuffer Adopt(void* buffer) const noexcept;
    platform::NetApiStatus LocalGroupMembers(LocalGroupMembersFunction function,
                                             std::wstring_view groupName,
                                             std::wstring_view memberName) const;

    UniqueModule module_;
    QueryDisplayInformationFunction queryDisplayInformation_ = nullptr;
    UserGetInfoFunction userGetInfo_ = nullptr;
    UserGetLocalGroupsFunction userGetLocalGroups_ = nullptr;
    UserModalsGetFunction userModalsGet_ = nullptr;
    UserSetInfoFunction userSetInfo_ = nullptr;
    LocalGroupMembersFunction localGroupAddMembers_ = nullptr;
    LocalGroupMembersFunction localGroupDelMembers_ = nullptr;
    NetApiBufferFreeFunction apiBufferFree_ = nullptr;
};

} // namespace qb::win32
