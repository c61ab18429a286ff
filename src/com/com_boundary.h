#pragma once
// Nothing may unwind through a COM call: every entry point runs its body
// through ComBoundary, which turns exceptions into HRESULTs.

#include <windows.h>

#include <new>

namespace tavrix::com {

template <typename Body>
HRESULT ComBoundary(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace tavrix::com
