#include "com/registration.h"

#include <objbase.h>
#include <olectl.h>

#include <string>

#include "com/com_boundary.h"
#include "com/com_ptr.h"
#include "com/comtavrix.h"
#include "com/module.h"
#include "com/registry_key.h"

namespace tavrix::com {

namespace {

constexpr wchar_t kClassName[] = L"TavrixCom";
constexpr wchar_t kProgId[] = L"comTavrix.TavrixCom";
constexpr wchar_t kVersionedProgId[] = L"comTavrix.TavrixCom.1";
constexpr WORD kTypeLibMajor = 1;
constexpr WORD kTypeLibMinor = 0;

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ClassKey() {
    return L"CLSID\\" + GuidText(CLSID_TavrixCom);
}

HRESULT CreateKey(const std::wstring& path, RegistryKey& key) {
    const LSTATUS status =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, key.Put(), nullptr);
    return HRESULT_FROM_WIN32(status);
}

// name == nullptr sets the key's default value.
HRESULT SetText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    RegistryKey key;
    TAVRIX_RETURN_IF_FAILED(CreateKey(path, key));
    const LSTATUS status =
        RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(const std::wstring& path) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    if (status == ERROR_FILE_NOT_FOUND) {
        return S_OK;
    }
    return HRESULT_FROM_WIN32(status);
}

HRESULT RegisterClassKeys(const std::wstring& modulePath) {
    const std::wstring classKey = ClassKey();
    const std::wstring clsid = GuidText(CLSID_TavrixCom);
    const struct {
        std::wstring path;
        const wchar_t* name;
        std::wstring value;
    } entries[] = {
        {classKey, nullptr, kClassName},
        {classKey + L"\\InprocServer32", nullptr, modulePath},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {classKey + L"\\ProgID", nullptr, kVersionedProgId},
        {classKey + L"\\VersionIndependentProgID", nullptr, kProgId},
        {classKey + L"\\TypeLib", nullptr, GuidText(LIBID_comTavrix)},
        {classKey + L"\\Version", nullptr, L"1.0"},
        {classKey + L"\\Programmable", nullptr, L""},
        {kProgId, nullptr, kClassName},
        {std::wstring(kProgId) + L"\\CLSID", nullptr, clsid},
        {std::wstring(kProgId) + L"\\CurVer", nullptr, kVersionedProgId},
        {kVersionedProgId, nullptr, kClassName},
        {std::wstring(kVersionedProgId) + L"\\CLSID", nullptr, clsid},
    };
    for (const auto& entry : entries) {
        TAVRIX_RETURN_IF_FAILED(SetText(entry.path, entry.name, entry.value));
    }
    return S_OK;
}

HRESULT RegisterTypeLibrary(const std::wstring& modulePath) {
    ComPtr<ITypeLib> typeLib;
    TAVRIX_RETURN_IF_FAILED(LoadOwnTypeLib(typeLib.Put()));
    std::wstring path = modulePath;
    return RegisterTypeLib(typeLib.Get(), path.data(), nullptr);
}

bool KeyExists(const std::wstring& path) {
    RegistryKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

HRESULT UnregisterTypeLibrary() {
    // What the system answers for a library that is not registered differs
    // between implementations; look first.
    if (!KeyExists(L"TypeLib\\" + GuidText(LIBID_comTavrix) + L"\\1.0")) {
        return S_OK;
    }
#ifdef _WIN64
    constexpr SYSKIND kSysKind = SYS_WIN64;
#else
    constexpr SYSKIND kSysKind = SYS_WIN32;
#endif
    return UnRegisterTypeLib(LIBID_comTavrix, kTypeLibMajor, kTypeLibMinor, LOCALE_NEUTRAL,
                             kSysKind);
}

}  // namespace

HRESULT RegisterServer() {
    return ComBoundary("DllRegisterServer", [] {
        const std::wstring modulePath = ModulePath();
        if (modulePath.empty()) {
            return SELFREG_E_CLASS;
        }
        HRESULT hr = RegisterClassKeys(modulePath);
        if (FAILED(hr)) {
            UnregisterServer();
            return SELFREG_E_CLASS;
        }
        hr = RegisterTypeLibrary(modulePath);
        if (FAILED(hr)) {
            UnregisterServer();
            return SELFREG_E_TYPELIB;
        }
        return S_OK;
    });
}

HRESULT UnregisterServer() {
    return ComBoundary("DllUnregisterServer", [] {
        // Every removal is tried, even after one fails, so that as little
        // as possible is left behind.
        const HRESULT results[] = {
            DeleteTree(ClassKey()),
            DeleteTree(kProgId),
            DeleteTree(kVersionedProgId),
            UnregisterTypeLibrary(),
        };
        for (const HRESULT hr : results) {
            TAVRIX_RETURN_IF_FAILED(hr);
        }
        return S_OK;
    });
}

}  // namespace tavrix::com
