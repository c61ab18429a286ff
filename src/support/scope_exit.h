#pragma once
// Runs a function when the scope ends, however it ends.

#include <utility>

namespace tavrix {

template <typename Function>
class [[nodiscard]] ScopeExit {
  public:
    explicit ScopeExit(Function function) : function_(std::move(function)) {}
    ~ScopeExit() { function_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

  private:
    Function function_;
};

}  // namespace tavrix
