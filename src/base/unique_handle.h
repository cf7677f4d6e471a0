#pragma once

#include <windows.h>

namespace quillguard {

// Owns one handle of the kind Traits describes and closes it exactly once. Closing keeps the
// caller's GetLastError, so a failure can be cleaned up after before its code is read.
template <typename Traits>
class UniqueHandle {
  public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer value) noexcept : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    [[nodiscard]] pointer get() const noexcept { return value_; }
    [[nodiscard]] bool valid() const noexcept { return value_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives up ownership without closing.
    [[nodiscard]] pointer release() noexcept {
        const pointer value = value_;
        value_ = Traits::Invalid();
        return value;
    }

    void reset(pointer value = Traits::Invalid()) noexcept {
        if (valid()) {
            const DWORD savedError = ::GetLastError();
            Traits::Close(value_);
            ::SetLastError(savedError);
        }
        value_ = value;
    }

    // Closes any held handle and returns the slot for an API that hands one back through a pointer.
    [[nodiscard]] pointer* put() noexcept {
        reset();
        return &value_;
    }

  private:
    pointer value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::CloseHandle(value); }
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(pointer value) noexcept { ::CloseHandle(value); }
};

// A folder listing from FindFirstFileW, ended with FindClose.
struct FindHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(pointer value) noexcept { ::FindClose(value); }
};

struct LocalMemoryTraits {
    using pointer = HLOCAL;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::LocalFree(value); }
};

struct RegistryKeyTraits {
    using pointer = HKEY;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::RegCloseKey(value); }
};

// A window, destroyed on the thread that owns it.
struct WindowHandleTraits {
    using pointer = HWND;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::DestroyWindow(value); }
};

// A GDI object of one kind (bitmap, brush, font), deleted once no device context holds it.
template <typename Object>
struct GdiObjectTraits {
    using pointer = Object;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::DeleteObject(value); }
};

// A device context from CreateCompatibleDC.
struct MemoryDcTraits {
    using pointer = HDC;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::DeleteDC(value); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniqueWindow = UniqueHandle<WindowHandleTraits>;
template <typename Object>
using UniqueGdiObject = UniqueHandle<GdiObjectTraits<Object>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

// Both handles of a started process.
struct UniqueProcessInformation {
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
};

}  // namespace quillguard
