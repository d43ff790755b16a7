// Move-only owners for the handles the engine opens, each closed through the seam so that
// every path out of a scope releases what it holds.
#pragma once

#include <utility>

#include "windows_api.h"

namespace velmora {

template <typename Traits>
class Unique {
public:
    using Handle = typename Traits::Handle;

    explicit Unique(WindowsApi& api, Handle handle = Traits::None()) : m_api(&api), m_handle(handle) {}
    Unique(Unique&& other) noexcept : m_api(other.m_api), m_handle(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            reset(other.release());
            m_api = other.m_api;
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Handle get() const { return m_handle; }
    // Address for an out-parameter; whatever was held is released first.
    Handle* put() {
        reset();
        return &m_handle;
    }
    void reset(Handle handle = Traits::None()) {
        if (m_handle != Traits::None()) Traits::Close(*m_api, m_handle);
        m_handle = handle;
    }
    Handle release() { return std::exchange(m_handle, Traits::None()); }
    explicit operator bool() const { return m_handle != Traits::None(); }

private:
    WindowsApi* m_api;
    Handle m_handle;
};

struct KeyTraits {
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static void Close(WindowsApi& api, Handle h) { api.RegCloseKey(h); }
};

struct FindTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(WindowsApi& api, Handle h) { api.FindClose(h); }
};

// A process or a mutex: null means none.
struct KernelObjectTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static void Close(WindowsApi& api, Handle h) { api.CloseHandle(h); }
};

// A mutex this program owns, having waited on it: released, then closed.
struct OwnedMutexTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static void Close(WindowsApi& api, Handle h) {
        api.ReleaseMutex(h);
        api.CloseHandle(h);
    }
};

// A file or folder opened with CreateFileW: INVALID_HANDLE_VALUE means none.
struct FileTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(WindowsApi& api, Handle h) { api.CloseHandle(h); }
};

// A listing of this PC's volumes (FindFirstVolumeW): INVALID_HANDLE_VALUE means none.
struct VolumeFindTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(WindowsApi& api, Handle h) { api.FindVolumeClose(h); }
};

// The process list WTSEnumerateProcessesW hands out, given back with WTSFreeMemory.
struct ProcessListTraits {
    using Handle = PWTS_PROCESS_INFOW;
    static Handle None() { return nullptr; }
    static void Close(WindowsApi& api, Handle h) { api.WTSFreeMemory(h); }
};

// Text the system allocated for the caller (as ConvertSidToStringSidW does), given back
// with LocalFree.
struct LocalTextTraits {
    using Handle = LPWSTR;
    static Handle None() { return nullptr; }
    static void Close(WindowsApi& api, Handle h) { api.LocalFree(h); }
};

using UniqueKey = Unique<KeyTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueProcess = Unique<KernelObjectTraits>;
using UniqueMutex = Unique<KernelObjectTraits>;
using UniqueOwnedMutex = Unique<OwnedMutexTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueVolumeFind = Unique<VolumeFindTraits>;
using UniqueProcessList = Unique<ProcessListTraits>;
using UniqueLocalText = Unique<LocalTextTraits>;

}  // namespace velmora
