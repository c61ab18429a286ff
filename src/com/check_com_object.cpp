#include "com/check_com_object.h"

#include <memory>
#include <utility>

#include "com/bstr.h"
#include "com/com_boundary.h"
#include "com/module.h"
#include "com/variant_convert.h"
#include "dialog/show_gui.h"
#include "support/failure.h"
#include "support/scope_exit.h"
#include "support/trace.h"

namespace tavrix::com {

namespace {

// The query state is per thread. A message dispatched while a check waits
// can call into this thread again (an incoming call in the apartment); a
// second check then would overwrite the first one's state.
thread_local bool tCheckRunning = false;
// The settings form shown on this thread, if any. Its mount listing and a
// check share the thread's query state, so neither may start while the other
// runs; a second dialog would run inside the first one's modal loop.
thread_local const SettingsForm* tShownForm = nullptr;

HRESULT Store(Variant& property, const VARIANT& value) {
    return ComBoundary("put kx_ property", [&] { return property.CopyFrom(value); });
}

HRESULT Read(const Variant& property, VARIANT* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    return ComBoundary("get kx_ property", [&] { return property.CopyTo(value); });
}

}  // namespace

HRESULT CheckComObject::Create(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    return ComBoundary("CreateInstance", [&] {
        EnsureDefaultSshPlatform();
        auto created = std::make_unique<CheckComObject>();
        HRESULT hr = created->LoadTypeInfo();
        if (SUCCEEDED(hr)) {
            hr = created->QueryInterface(iid, object);
        }
        if (SUCCEEDED(hr)) {
            created.release();  // the reference handed out owns it now
        }
        return hr;
    });
}

CheckComObject::CheckComObject() {
    AddModuleReference();
}

CheckComObject::~CheckComObject() {
    ReleaseModuleReference();
}

HRESULT CheckComObject::LoadTypeInfo() {
    ComPtr<ITypeLib> typeLib;
    const HRESULT hr = LoadOwnTypeLib(typeLib.Put());
    if (FAILED(hr)) {
        return hr;
    }
    return typeLib->GetTypeInfoOfGuid(IID__TavrixCom, typeInfo_.Put());
}

HRESULT CheckComObject::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID__TavrixCom)) {
        *object = static_cast<_TavrixCom*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CheckComObject::AddRef() {
    return ++references_;
}

ULONG CheckComObject::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        std::unique_ptr<CheckComObject> last(this);
    }
    return left;
}

HRESULT CheckComObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT CheckComObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    *info = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    typeInfo_->AddRef();
    *info = typeInfo_.Get();
    return S_OK;
}

HRESULT CheckComObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    return DispGetIDsOfNames(typeInfo_.Get(), names, count, ids);
}

HRESULT CheckComObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    return DispInvoke(static_cast<_TavrixCom*>(this), typeInfo_.Get(), id, flags, params, result,
                      exception, argumentError);
}

std::pair<bool, std::string> CheckComObject::RunCheck() {
    if (tCheckRunning) {
        return {false, FailureText("another check is still running on this thread")};
    }
    if (tShownForm != nullptr && tShownForm->ListingRunning()) {
        return {false, FailureText("the settings dialog is listing mounts on this thread")};
    }
    tCheckRunning = true;
    const ScopeExit running([] { tCheckRunning = false; });
    try {
        check_.kx_hostname = ToPropertyValue(hostname_.Get());
        check_.kx_timeout = ToPropertyValue(timeout_.Get());
        check_.kx_parameter = ToPropertyValue(parameter_.Get());
    } catch (const Failure& failure) {
        return {false, FailureText(failure.Description())};
    } catch (const std::exception& failure) {
        return {false, FailureText(failure.what())};
    }
    const bool passed = check_.kx_docheck();
    return {passed, PropertyText(check_.kx_result)};
}

HRESULT CheckComObject::kx_docheck(VARIANT_BOOL* result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = VARIANT_FALSE;
    // The host gets S_OK whatever happens; a failure is a false and a text.
    std::pair<bool, std::string> outcome;
    try {
        outcome = RunCheck();
    } catch (...) {
        outcome = {false, FailureText("unexpected failure")};
    }
    const HRESULT stored = ComBoundary("kx_docheck", [&] {
        Variant text;
        text.Ptr()->bstrVal = Bstr::FromAnsi(outcome.second).Detach();
        text.Ptr()->vt = VT_BSTR;
        return put_kx_result(text.Get());
    });
    if (FAILED(stored)) {
        // The host still gets the Boolean; it will read an older kx_result.
        Trace("kx_docheck: kx_result could not be set (HRESULT ",
              static_cast<unsigned long>(stored), ")");
    }
    *result = outcome.first ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CheckComObject::ShowSettings() {
    if (tShownForm != nullptr) {
        return ReportFailure("The settings dialog is already open");
    }
    if (tCheckRunning) {
        return ReportFailure("A check is still running on this thread");
    }
    tShownForm = &form_;
    const ScopeExit shown([] { tShownForm = nullptr; });
    const PropertyValue hostname = ToPropertyValue(hostname_.Get());
    const PropertyValue timeout = ToPropertyValue(timeout_.Get());
    const PropertyValue original = ToPropertyValue(parameter_.Get());
    PropertyValue parameter = original;
    tavrix::kx_showGUI(hostname, timeout, parameter, form_);
    // Only OK changes it; the host's own VARIANT stays untouched otherwise,
    // also text that Windows-1252 cannot hold.
    if (parameter != original) {
        Variant text;
        text.Ptr()->bstrVal = Bstr::FromAnsi(PropertyText(parameter)).Detach();
        text.Ptr()->vt = VT_BSTR;
        parameter_ = std::move(text);
    }
    return S_OK;
}

HRESULT CheckComObject::kx_showGUI() {
    return ComBoundary("kx_showGUI", [&] { return ShowSettings(); });
}

HRESULT CheckComObject::SetResource(BSTR s) {
    return ComBoundary("SetResource", [&] {
        tavrix::SetResource(form_, BstrToAnsi(s));
        return S_OK;
    });
}

// Put copies the value and put by reference keeps the object the value
// holds; both follow a by-reference VARIANT to what it points at, so nothing
// refers into the caller's frame after the call. Get hands out a copy, which
// for an object is another reference to the same object.
HRESULT CheckComObject::put_kx_result(VARIANT value) {
    return Store(result_, value);
}
HRESULT CheckComObject::putref_kx_result(VARIANT value) {
    return Store(result_, value);
}
HRESULT CheckComObject::get_kx_result(VARIANT* value) {
    return Read(result_, value);
}
HRESULT CheckComObject::put_kx_parameter(VARIANT value) {
    return Store(parameter_, value);
}
HRESULT CheckComObject::putref_kx_parameter(VARIANT value) {
    return Store(parameter_, value);
}
HRESULT CheckComObject::get_kx_parameter(VARIANT* value) {
    return Read(parameter_, value);
}
HRESULT CheckComObject::put_kx_timeout(VARIANT value) {
    return Store(timeout_, value);
}
HRESULT CheckComObject::putref_kx_timeout(VARIANT value) {
    return Store(timeout_, value);
}
HRESULT CheckComObject::get_kx_timeout(VARIANT* value) {
    return Read(timeout_, value);
}
HRESULT CheckComObject::put_kx_hostname(VARIANT value) {
    return Store(hostname_, value);
}
HRESULT CheckComObject::putref_kx_hostname(VARIANT value) {
    return Store(hostname_, value);
}
HRESULT CheckComObject::get_kx_hostname(VARIANT* value) {
    return Read(hostname_, value);
}

}  // namespace tavrix::com
