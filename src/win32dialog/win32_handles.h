#pragma once
// Owners of the GDI and USER handles of the dialog layer.

#include <windows.h>

#include "support/unique_resource.h"

namespace tavrix::win32 {

template <typename Handle, typename Deleter>
using UniqueGdi = UniqueResource<Handle, Deleter>;

struct DestroyWindowDeleter {
    void operator()(HWND window) const { DestroyWindow(window); }
};
struct DestroyIconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DeleteFontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};

// Destroying a window destroys its child controls with it.
using UniqueWindow = UniqueGdi<HWND, DestroyWindowDeleter>;
using UniqueIcon = UniqueGdi<HICON, DestroyIconDeleter>;
using UniqueFont = UniqueGdi<HFONT, DeleteFontDeleter>;

}  // namespace tavrix::win32
