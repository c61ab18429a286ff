#pragma once
// One error type for every failure the check run or the dialog turns into text.
// The description is what the user sees, e.g. in "ERR: <description>( 0)".

#include <stdexcept>
#include <string>

namespace tavrix {

class Failure : public std::runtime_error {
  public:
    explicit Failure(const std::string& description) : std::runtime_error(description) {}
    std::string Description() const { return what(); }
};

}  // namespace tavrix
