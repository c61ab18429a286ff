#pragma once
// Owns one BSTR and converts between it and the core's Windows-1252 text.

#include <windows.h>
// the COM headers build on windows.h
#include <oleauto.h>

#include <new>
#include <string>
#include <string_view>

#include "support/codepage.h"

namespace tavrix::com {

class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::u16string_view text)
        : value_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                   static_cast<UINT>(text.size()))) {
        if (value_ == nullptr) {
            throw std::bad_alloc();
        }
    }
    static Bstr FromAnsi(std::string_view ansi) { return Bstr(AnsiToUtf16(ansi)); }
    ~Bstr() { SysFreeString(value_); }
    Bstr(Bstr&& other) noexcept : value_(other.Detach()) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            SysFreeString(value_);
            value_ = other.Detach();
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const { return value_; }
    // Hands ownership to the caller, e.g. into a VARIANT or an out parameter.
    BSTR Detach() noexcept {
        BSTR value = value_;
        value_ = nullptr;
        return value;
    }

  private:
    BSTR value_ = nullptr;
};

// A null BSTR is the empty text; embedded NULs are kept.
inline std::u16string_view View(BSTR text) {
    if (text == nullptr) {
        return {};
    }
    return {reinterpret_cast<const char16_t*>(text), SysStringLen(text)};
}

inline std::string BstrToAnsi(BSTR text) {
    return Utf16ToAnsi(View(text));
}

}  // namespace tavrix::com
