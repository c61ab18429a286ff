#pragma once
// Owns one kernel handle (events here).

#include <windows.h>

#include "support/unique_resource.h"

namespace tavrix::com {

struct CloseHandleDeleter {
    void operator()(HANDLE handle) const {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};
using UniqueHandle = UniqueResource<HANDLE, CloseHandleDeleter>;

}  // namespace tavrix::com
