#pragma once
// The one class factory of the DLL. It is a static object: its references
// count as server locks, so DllCanUnloadNow says no while a host holds it.

#include <windows.h>
// the COM headers build on windows.h
#include <unknwn.h>

namespace tavrix::com {

class ClassFactory : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

ClassFactory& TheClassFactory();

}  // namespace tavrix::com
