#include "support/trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavrix {

namespace trace_detail {

namespace {
bool TraceWantedAtStart() {
#ifdef _WIN32
    return true;  // the debug output costs nothing without a listener
#else
    const char* env = std::getenv("TAVRIX_TRACE");
    return env != nullptr && *env != '\0' && std::strcmp(env, "0") != 0;
#endif
}
}  // namespace

std::string ForTraceOutput(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string line;
    line.reserve(text.size() + 1);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            line += "\\x";
            line += kDigits[byte >> 4];
            line += kDigits[byte & 15];
        } else {
            line += c;
        }
    }
    return line;
}

std::atomic<bool> gTraceToOutput{TraceWantedAtStart()};
#ifdef _WIN32
// The command line's --trace: standard error as well as the debugger.
std::atomic<bool> gTraceToStandardError{false};
#endif
thread_local std::vector<std::string>* tCapture = nullptr;

void Emit(std::string_view text) {
    if (tCapture != nullptr) {
        tCapture->emplace_back(text);
    }
    if (!gTraceToOutput.load(std::memory_order_relaxed)) {
        return;
    }
    // Traces carry text the server sent: a terminal must not act on it.
    std::string line = ForTraceOutput(text);
#ifdef _WIN32
    OutputDebugStringA(line.c_str());
    if (gTraceToStandardError.load(std::memory_order_relaxed)) {
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
#else
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
#endif
}

}  // namespace trace_detail

void SetTraceEnabled(bool enabled) {
    trace_detail::gTraceToOutput.store(enabled, std::memory_order_relaxed);
#ifdef _WIN32
    trace_detail::gTraceToStandardError.store(enabled, std::memory_order_relaxed);
#endif
}

TraceCapture::TraceCapture() : previous_(trace_detail::tCapture) {
    trace_detail::tCapture = &texts_;
}

TraceCapture::~TraceCapture() {
    trace_detail::tCapture = previous_;
}

}  // namespace tavrix
