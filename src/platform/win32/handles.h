#pragma once
// Move-only owners of platform resources. A resource kind is described by a small traits
// type: the handle type, the value that means "nothing owned", and how to release one:
//
//     struct KeyTraits {
//         using Type = HKEY;
//         static Type Invalid() noexcept { return nullptr; }
//         void Close(Type key) const noexcept { ::RegCloseKey(key); }
//     };
//     using UniqueKey = Unique<KeyTraits>;
//
// Traits may carry state (a window for a DC, a dynamically loaded release function):
// the owner keeps its own copy and moves it along with the resource.

#include <windows.h>

#include <utility>

namespace qb::win32 {

template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type value, Traits traits = Traits()) noexcept
        : value_(value), traits_(std::move(traits)) {}
    ~Unique() { Reset(); }

    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Unique(Unique&& other) noexcept : value_(other.Release()), traits_(std::move(other.traits_)) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
            traits_ = std::move(other.traits_);
        }
        return *this;
    }

    Type Get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
    const Traits& GetTraits() const noexcept { return traits_; }

    // Gives up ownership without releasing.
    [[nodiscard]] Type Release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    // Releases what is owned and takes `value` instead.
    void Reset(Type value = Traits::Invalid()) noexcept {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid())
            traits_.Close(old);
    }

    // For platform calls that hand out a new resource through an out parameter: releases
    // what is owned and returns where the call should store the new one.
    [[nodiscard]] Type* Receive() noexcept {
        Reset();
        return &value_;
    }

private:
    Type value_ = Traits::Invalid();
    Traits traits_{};
};

// Kernel objects whose creation reports failure as a null handle (mutexes, events,
// processes, threads). CreateFile's INVALID_HANDLE_VALUE needs traits of its own.
struct HandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type handle) const noexcept { ::CloseHandle(handle); }
};
using UniqueHandle = Unique<HandleTraits>;

// A file opened with CreateFile, which reports failure as INVALID_HANDLE_VALUE.
struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    void Close(Type file) const noexcept { ::CloseHandle(file); }
};
using UniqueFile = Unique<FileTraits>;

// A library loaded with LoadLibrary(Ex).
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type module) const noexcept { ::FreeLibrary(module); }
};
using UniqueModule = Unique<ModuleTraits>;

// Memory the platform allocated with LocalAlloc on our behalf (ConvertStringSidToSid,
// FormatMessage with ALLOCATE_BUFFER, ...). `Pointer` is the type the call hands out.
template <typename Pointer>
struct LocalTraits {
    using Type = Pointer;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type memory) const noexcept { ::LocalFree(static_cast<HLOCAL>(memory)); }
};
template <typename Pointer>
using UniqueLocal = Unique<LocalTraits<Pointer>>;

// A buffer returned by a netapi32 call. netapi32 is loaded at run time, so the traits
// carry the library's NetApiBufferFree; without one the buffer cannot be released.
using NetApiBufferFreeFunction = DWORD(WINAPI*)(LPVOID);
struct NetApiBufferTraits {
    using Type = void*;
    NetApiBufferFreeFunction free = nullptr;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type buffer) const noexcept {
        if (free != nullptr)
            free(buffer);
    }
};
using NetApiBuffer = Unique<NetApiBufferTraits>;

// A registry key opened or created with RegOpenKeyEx / RegCreateKeyEx. Predefined keys
// (HKEY_LOCAL_MACHINE, ...) are never owned.
struct KeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type key) const noexcept { ::RegCloseKey(key); }
};
using UniqueKey = Unique<KeyTraits>;

} // namespace qb::win32
