#pragma once
// Owns one C handle and frees it with `Deleter`; a null handle owns nothing.
// The typedefs for each kind of handle live with the layer that uses them.

#include <utility>

namespace tavrix {

template <typename Handle, typename Deleter>
class UniqueResource {
  public:
    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : handle_(handle) {}
    ~UniqueResource() { Reset(); }
    UniqueResource(UniqueResource&& other) noexcept
        : handle_(std::exchange(other.handle_, Handle{})) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, Handle{}));
        }
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    // For functions that hand out a new handle through a pointer.
    Handle* Put() {
        Reset();
        return &handle_;
    }
    // Forgets the handle without freeing it (the system freed it already).
    Handle Release() noexcept { return std::exchange(handle_, Handle{}); }
    void Reset(Handle handle = Handle{}) {
        if (handle_ != Handle{}) {
            Deleter{}(handle_);
        }
        handle_ = handle;
    }

  private:
    Handle handle_{};
};

}  // namespace tavrix
