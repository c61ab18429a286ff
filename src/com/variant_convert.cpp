#include "com/variant_convert.h"

#include <oleauto.h>

#include <cstdio>
#include <vector>

#include "com/bstr.h"
#include "com/variant.h"
#include "support/failure.h"

namespace tavrix::com {

namespace {

bool IsNumber(VARTYPE type) {
    switch (type) {
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL:
            return true;
        default:
            return false;
    }
}

void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) {
        throw Failure(HresultDescription(hr));
    }
}

}  // namespace

PropertyValue ToPropertyValue(const VARIANT& value) {
    Variant direct;
    ThrowIfFailed(direct.CopyFrom(value));
    VARIANT& v = *direct.Ptr();
    if (v.vt == VT_EMPTY) {
        return std::monostate{};
    }
    if (v.vt == VT_BSTR) {
        return BstrToAnsi(v.bstrVal);
    }
    Variant converted;
    if (IsNumber(v.vt)) {
        ThrowIfFailed(VariantChangeType(converted.Ptr(), &v, 0, VT_R8));
        return converted.Get().dblVal;
    }
    // Booleans read as True/False, as a script would write them.
    ThrowIfFailed(VariantChangeType(converted.Ptr(), &v, VARIANT_ALPHABOOL, VT_BSTR));
    return BstrToAnsi(converted.Get().bstrVal);
}

std::string HresultDescription(HRESULT hr) {
    std::vector<wchar_t> buffer(1024);
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(hr), 0, buffer.data(),
                                  static_cast<DWORD>(buffer.size()), nullptr);
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                          buffer[length - 1] == L' ')) {
        --length;
    }
    if (length == 0) {
        char code[32];
        std::snprintf(code, sizeof code, "Error 0x%08lX", static_cast<unsigned long>(hr));
        return code;
    }
    std::u16string text(reinterpret_cast<const char16_t*>(buffer.data()), length);
    return Utf16ToAnsi(text);
}

}  // namespace tavrix::com
