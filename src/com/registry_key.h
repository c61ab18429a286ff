#pragma once
// Owns one open registry key.

#include <windows.h>

#include "support/unique_resource.h"

namespace tavrix::com {

struct RegCloseKeyDeleter {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using RegistryKey = UniqueResource<HKEY, RegCloseKeyDeleter>;

}  // namespace tavrix::com
