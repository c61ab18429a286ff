#pragma once
// Owners of the GDI and USER handles of the dialog layer.

#include <windows.h>

#include <utility>

namespace tavrix::win32 {

template <typename Handle, typename Deleter>
class UniqueGdi {
  public:
    UniqueGdi() = default;
    explicit UniqueGdi(Handle handle) : handle_(handle) {}
    ~UniqueGdi() { Reset(); }
    UniqueGdi(UniqueGdi&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueGdi& operator=(UniqueGdi&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    UniqueGdi(const UniqueGdi&) = delete;
    UniqueGdi& operator=(const UniqueGdi&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Forgets the handle without freeing it: the system freed it already.
    Handle Release() noexcept { return std::exchange(handle_, nullptr); }
    void Reset(Handle handle = nullptr) {
        if (handle_ != nullptr) {
            Deleter{}(handle_);
        }
        handle_ = handle;
    }

  private:
    Handle handle_ = nullptr;
};

struct DestroyWindowDeleter {
    void operator()(HWND window) const { DestroyWindow(window); }
};
struct DestroyIconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DeleteFontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};

// Destroying a window destroys its child controls with it.
using UniqueWindow = UniqueGdi<HWND, DestroyWindowDeleter>;
using UniqueIcon = UniqueGdi<HICON, DestroyIconDeleter>;
using UniqueFont = UniqueGdi<HFONT, DeleteFontDeleter>;

}  // namespace tavrix::win32
