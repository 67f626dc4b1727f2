// Owning holders for Windows handles: one template, one alias per handle kind.
#pragma once

#include <windows.h>

#include <utility>

namespace Windows {

// Owns one handle described by Traits (its type, its empty value and its close
// call). Movable, not copyable; closes in the destructor and swallows a failed
// close there, because a destructor must not throw.
template <typename Traits>
class OwnedHandle {
public:
    using Type = typename Traits::Type;

    OwnedHandle() noexcept : value_(Traits::Empty()) {}
    explicit OwnedHandle(Type value) noexcept : value_(value) {}
    ~OwnedHandle() { reset(); }

    OwnedHandle(OwnedHandle&& other) noexcept : value_(other.release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    Type get() const noexcept { return value_; }
    bool valid() const noexcept { return value_ != Traits::Empty(); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept
    {
        Type value = value_;
        value_ = Traits::Empty();
        return value;
    }

    void reset(Type value = Traits::Empty()) noexcept
    {
        if (valid())
            Traits::Close(value_);
        value_ = value;
    }

    // Closes now and reports whether the close call succeeded; the holder is
    // empty afterwards either way. For callers that must notice a failed close.
    bool close() noexcept
    {
        if (!valid())
            return true;
        bool closed = Traits::Close(value_);
        value_ = Traits::Empty();
        return closed;
    }

    // For out-parameters of Win32 calls: empties the holder and hands out the slot.
    Type* put() noexcept
    {
        reset();
        return &value_;
    }

private:
    Type value_;
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Empty() noexcept { return nullptr; }
    static bool Close(Type key) noexcept { return RegCloseKey(key) == ERROR_SUCCESS; }
};

// Kernel objects whose "no handle" is null: processes, threads, jobs, ports, events.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() noexcept { return nullptr; }
    static bool Close(Type handle) noexcept { return CloseHandle(handle) != FALSE; }
};

// CreateFileA answers INVALID_HANDLE_VALUE, not null, when it fails.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Close(Type handle) noexcept { return CloseHandle(handle) != FALSE; }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Close(Type handle) noexcept { return FindClose(handle) != FALSE; }
};

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Empty() noexcept { return nullptr; }
    static bool Close(Type handle) noexcept { return CloseServiceHandle(handle) != FALSE; }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Empty() noexcept { return nullptr; }
    static bool Close(Type module) noexcept { return FreeLibrary(module) != FALSE; }
};

// Buffers the system allocated for us (FormatMessageA, SetEntriesInAclA, ...).
struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Empty() noexcept { return nullptr; }
    static bool Close(Type memory) noexcept { return LocalFree(memory) == nullptr; }
};

// Fonts, brushes and other GDI objects we created.
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Empty() noexcept { return nullptr; }
    static bool Close(Type object) noexcept { return DeleteObject(object) != FALSE; }
};

using UniqueRegistryKey = OwnedHandle<RegistryKeyTraits>;
using UniqueKernelHandle = OwnedHandle<KernelHandleTraits>;
using UniqueFileHandle = OwnedHandle<FileHandleTraits>;
using UniqueFindHandle = OwnedHandle<FindHandleTraits>;
using UniqueServiceHandle = OwnedHandle<ServiceHandleTraits>;
using UniqueModule = OwnedHandle<ModuleTraits>;
using UniqueLocalMemory = OwnedHandle<LocalMemoryTraits>;
using UniqueGdiObject = OwnedHandle<GdiObjectTraits>;

// Runs a clean-up once when the scope ends, unless dismissed.
template <typename Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ~ScopeExit()
    {
        if (armed_)
            action_();
    }
    ScopeExit(ScopeExit&& other) noexcept : action_(std::move(other.action_)), armed_(other.armed_)
    {
        other.armed_ = false;
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ScopeExit& operator=(ScopeExit&&) = delete;

    void dismiss() noexcept { armed_ = false; }

private:
    Action action_;
    bool armed_ = true;
};

template <typename Action>
ScopeExit<Action> MakeScopeExit(Action action)
{
    return ScopeExit<Action>(std::move(action));
}

} // namespace Windows
