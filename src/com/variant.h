#pragma once
// Owns one VARIANT: cleared on destruction, copied only deliberately.

#include <windows.h>
// the COM headers build on windows.h
#include <oleauto.h>

namespace tavrix::com {

class Variant {
  public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : Variant() { Swap(other); }
    Variant& operator=(Variant&& other) noexcept {
        Swap(other);
        return *this;
    }

    const VARIANT& Get() const { return value_; }
    VARIANT* Ptr() { return &value_; }
    // Clears the old value and hands out the slot, for out parameters.
    VARIANT* Reset() {
        VariantClear(&value_);
        return &value_;
    }
    // A reference is followed, so no pointer into the caller's frame is kept.
    // (The copy functions only read their source; their headers lack const.)
    HRESULT CopyFrom(const VARIANT& source) {
        VARIANT copy;
        VariantInit(&copy);
        const HRESULT hr = VariantCopyInd(&copy, const_cast<VARIANT*>(&source));
        if (FAILED(hr)) {
            return hr;
        }
        VariantClear(&value_);
        value_ = copy;
        return S_OK;
    }
    HRESULT CopyTo(VARIANT* target) const {
        VariantInit(target);
        return VariantCopy(target, const_cast<VARIANT*>(&value_));
    }
    void Swap(Variant& other) noexcept {
        const VARIANT mine = value_;
        value_ = other.value_;
        other.value_ = mine;
    }

  private:
    VARIANT value_;
};

}  // namespace tavrix::com
