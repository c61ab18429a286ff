#pragma once
// Nothing may unwind through a COM call: every entry point runs its body
// through ComBoundary, which names the entry point in the trace and turns
// exceptions into HRESULTs with the thread's error information.

#include <windows.h>

#include <exception>
#include <new>
#include <string>

#include "support/trace.h"

namespace tavrix::com {

// Sets the thread's error information to `description` (IDispatch::Invoke
// hands it on in EXCEPINFO) and returns E_FAIL.
HRESULT ReportFailure(const std::string& description);

template <typename Body>
HRESULT ComBoundary(const char* entryPoint, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        Trace(entryPoint, ": out of memory");
        return E_OUTOFMEMORY;
    } catch (const std::exception& failure) {
        Trace(entryPoint, ": ", failure.what());
        return ReportFailure(failure.what());
    } catch (...) {
        Trace(entryPoint, ": unexpected failure");
        return E_UNEXPECTED;
    }
}

}  // namespace tavrix::com

// Returns a failing HRESULT from the calling function.
#define TAVRIX_RETURN_IF_FAILED(expression)    \
    do {                                       \
        const HRESULT tavrixHr = (expression); \
        if (FAILED(tavrixHr)) {                \
            return tavrixHr;                   \
        }                                      \
    } while (false)
