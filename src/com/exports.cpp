// The four entry points of an in-process server, and the DLL's entry point.

#include <objbase.h>
#include <windows.h>

#include "com/class_factory.h"
#include "com/comtavrix.h"
#include "com/module.h"
#include "com/registration.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        tavrix::com::SetModuleHandle(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_TavrixCom)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return tavrix::com::TheClassFactory().QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    return tavrix::com::ModuleInUse() ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer() {
    return tavrix::com::RegisterServer();
}

STDAPI DllUnregisterServer() {
    return tavrix::com::UnregisterServer();
}
