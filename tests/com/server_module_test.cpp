// The DLL as a file: its version record and its unload rule.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dispatch_client.h"

namespace tavrix::com::test {
namespace {

// The registered server path, as the system would load it.
std::wstring RegisteredDllPath() {
    wchar_t path[MAX_PATH] = {};
    LONG size = sizeof(path);
    RegQueryValueW(HKEY_CLASSES_ROOT,
                   L"CLSID\\{F565B520-6772-4F5C-8824-EC91EC7CC86C}\\InprocServer32", path, &size);
    return path;
}

TEST(ServerModuleTest, VersionRecordCarriesBuildNumberAndSelfRegisters) {
    const std::wstring path = RegisteredDllPath();
    ASSERT_FALSE(path.empty());
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 0);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), 0);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), TAVRIX_BUILD_NUMBER);

    void* value = nullptr;
    EXPECT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\OLESelfRegister", &value,
                               &length));
}

template <typename Function>
Function Export(HMODULE dll, const char* name) {
    // Through void*: FARPROC's own type does not match any real signature.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

TEST(ServerModuleTest, CannotUnloadWhileObjectsOrLocksLive) {
    Apartment apartment;
    const HMODULE dll = LoadLibraryW(RegisteredDllPath().c_str());
    ASSERT_NE(dll, nullptr);
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT(WINAPI*)();
    const auto getClassObject = Export<GetClassObject>(dll, "DllGetClassObject");
    const auto canUnloadNow = Export<CanUnloadNow>(dll, "DllCanUnloadNow");
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
    const CLSID clsid = {
        0xf565b520, 0x6772, 0x4f5c, {0x88, 0x24, 0xec, 0x91, 0xec, 0x7c, 0xc8, 0x6c}};

    EXPECT_EQ(canUnloadNow(), S_OK);
    {
        ComPtr<IClassFactory> factory;
        ASSERT_HRESULT_SUCCEEDED(getClassObject(clsid, IID_IClassFactory, factory.PutVoid()));
        EXPECT_EQ(canUnloadNow(), S_FALSE);
        ComPtr<IDispatch> object;
        ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_IDispatch, object.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(factory->LockServer(TRUE));
        factory.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE);
        object.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE);  // the lock
        ASSERT_HRESULT_SUCCEEDED(getClassObject(clsid, IID_IClassFactory, factory.PutVoid()));
        factory->LockServer(FALSE);
    }
    EXPECT_EQ(canUnloadNow(), S_OK);

    IID unknownClass = clsid;
    unknownClass.Data1 ^= 1;
    void* none = nullptr;
    EXPECT_EQ(getClassObject(unknownClass, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    FreeLibrary(dll);
}

}  // namespace
}  // namespace tavrix::com::test
