#pragma once
// Passwords and pass phrases: overwritten before their memory is given back.

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrix {

// Overwrites the text (the compiler may not skip it) and empties it.
void Wipe(std::string& secret);
// Overwrites bytes that held or were made from a secret.
void WipeBytes(void* bytes, std::size_t size);

// A string that wipes itself when it is destroyed or replaced.
class SecretString {
  public:
    SecretString() = default;
    SecretString(std::string text) : text_(std::move(text)) {}  // NOLINT: implicit on purpose
    SecretString(const SecretString& other) : text_(other.text_) {}
    SecretString& operator=(const SecretString& other) {
        if (this != &other) {
            Wipe(text_);
            text_ = other.text_;
        }
        return *this;
    }
    SecretString(SecretString&& other) noexcept : text_(std::move(other.text_)) {
        Wipe(other.text_);
    }
    SecretString& operator=(SecretString&& other) noexcept {
        if (this != &other) {
            Wipe(text_);
            text_ = std::move(other.text_);
            Wipe(other.text_);
        }
        return *this;
    }
    ~SecretString() { Wipe(text_); }

    const std::string& Text() const { return text_; }
    bool empty() const { return text_.empty(); }
    operator std::string_view() const { return text_; }

  private:
    std::string text_;
};

}  // namespace tavrix
