#pragma once
// One error type for every failure the check run or the dialog turns into text,
// and the frame in which an unexpected failure reaches the user.

#include <stdexcept>
#include <string>
#include <string_view>

namespace tavrix {

class Failure : public std::runtime_error {
  public:
    explicit Failure(const std::string& description) : std::runtime_error(description) {}
    std::string Description() const { return what(); }
};

// An unexpected failure as the dialog's message box shows it: "<description>( 0)".
inline std::string UnexpectedFailureText(std::string_view description) {
    return std::string(description) + "( 0)";
}

// An unexpected failure as a check's result text: "ERR: <description>( 0)".
inline std::string FailureText(std::string_view description) {
    return "ERR: " + UnexpectedFailureText(description);
}

}  // namespace tavrix
