#pragma once
// The TavrixCom class: the host's four VARIANT properties, the check and the
// settings entry points, over the portable CheckObject.

#include <atomic>
#include <string>
#include <utility>

#include "com/com_ptr.h"
#include "com/comtavrix.h"
#include "com/variant.h"
#include "dialog/settings_form.h"
#include "host/check_run.h"
#include "win32dialog/win32_toolkit.h"

namespace tavrix::com {

class CheckComObject : public _TavrixCom {
  public:
    // Hands out the new object's first interface; the object lives as long as
    // references to it do.
    static HRESULT Create(REFIID iid, void** object);

    CheckComObject();
    ~CheckComObject();
    CheckComObject(const CheckComObject&) = delete;
    CheckComObject& operator=(const CheckComObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch, answered from the embedded type library
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    // _TavrixCom
    HRESULT STDMETHODCALLTYPE kx_docheck(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE kx_showGUI() override;
    HRESULT STDMETHODCALLTYPE put_kx_result(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE putref_kx_result(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_kx_result(VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_kx_parameter(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE putref_kx_parameter(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_kx_parameter(VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_kx_timeout(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE putref_kx_timeout(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_kx_timeout(VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_kx_hostname(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE putref_kx_hostname(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_kx_hostname(VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetResource(BSTR s) override;

  private:
    HRESULT LoadTypeInfo();
    // The check itself; returns the Boolean and the result text.
    std::pair<bool, std::string> RunCheck();
    HRESULT ShowSettings();

    std::atomic<ULONG> references_{0};
    ComPtr<ITypeInfo> typeInfo_;
    Variant hostname_;
    Variant timeout_;
    Variant parameter_;
    Variant result_;
    CheckObject check_;  // owns the SSH client of the last query
    // The object's own settings form, on the Win32 toolkit; its listing runs
    // on the check's query. Declared after both, so it goes first.
    win32::Win32Toolkit toolkit_;
    SettingsForm form_{toolkit_, check_.Query()};
};

}  // namespace tavrix::com
