#pragma once
// Debug output. Trace(a, b, ...) joins its arguments into one text and sends it
// to the debug output; when tracing is off it returns before any formatting.
// Never pass a password.

#include <atomic>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "support/numbers.h"

namespace tavrix {

namespace trace_detail {
extern std::atomic<bool> gTraceToOutput;
extern thread_local std::vector<std::string>* tCapture;
void Emit(std::string_view text);
// The text as it goes to the debug output: control characters as \xNN.
std::string ForTraceOutput(std::string_view text);

inline void Append(std::string& out, std::string_view part) {
    out.append(part);
}
inline void Append(std::string& out, const char* part) {
    out.append(part);
}
inline void Append(std::string& out, const std::string& part) {
    out.append(part);
}
template <typename Number>
requires std::is_arithmetic_v<Number>
void Append(std::string& out, Number value) {
    out.append(FormatNumber(static_cast<double>(value)));
}
}  // namespace trace_detail

inline bool TraceEnabled() {
    return trace_detail::tCapture != nullptr ||
           trace_detail::gTraceToOutput.load(std::memory_order_relaxed);
}

template <typename... Parts>
void Trace(const Parts&... parts) {
    if (!TraceEnabled()) {
        return;
    }
    std::string text;
    (trace_detail::Append(text, parts), ...);
    trace_detail::Emit(text);
}

// Linux: traces go to stderr when enabled (also by TAVRIX_TRACE=1 in the
// environment). Windows: OutputDebugStringA, always on; enabling adds stderr.
void SetTraceEnabled(bool enabled);

// Collects this thread's traces for as long as it lives (tests, and the
// command line's --trace on a worker thread).
class TraceCapture {
  public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;
    const std::vector<std::string>& Texts() const { return texts_; }

  private:
    std::vector<std::string> texts_;
    std::vector<std::string>* previous_;
};

}  // namespace tavrix
