#pragma once
// Drives the plug-in the way a host does: by ProgID and late-bound calls.

#include <oaidl.h>
#include <objbase.h>
#include <windows.h>

#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/variant.h"

namespace tavrix::com::test {

// One single-threaded apartment for the life of a test.
class Apartment {
  public:
    Apartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~Apartment() {
        if (SUCCEEDED(hr_)) {
            CoUninitialize();
        }
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    HRESULT Result() const { return hr_; }

  private:
    HRESULT hr_;
};

struct CallResult {
    HRESULT hr = E_FAIL;
    Variant value;
    HRESULT exceptionCode = S_OK;  // EXCEPINFO's scode for DISP_E_EXCEPTION
};

class DispatchClient {
  public:
    // CLSIDFromProgID and CoCreateInstance, as a host does.
    static HRESULT Create(const wchar_t* progId, DispatchClient& client);

    DISPID Id(const std::wstring& name) const;  // DISPID_UNKNOWN when unknown
    CallResult Call(const std::wstring& name, std::vector<VARIANT> arguments = {}) const;
    CallResult Get(const std::wstring& name) const;
    // flags: DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF
    HRESULT Put(const std::wstring& name, const VARIANT& value,
                WORD flags = DISPATCH_PROPERTYPUT) const;

    IDispatch* Get() const { return dispatch_.Get(); }

  private:
    CallResult Invoke(const std::wstring& name, WORD flags, std::vector<VARIANT>& arguments,
                      bool propertyPut) const;
    ComPtr<IDispatch> dispatch_;
};

// A VARIANT holding text (VT_BSTR).
Variant Text(const std::wstring& text);
std::wstring TextOf(const VARIANT& value);

// The test SSH server's settings, as scripts/test-sshd env names them.
std::wstring Environment(const char* name);
// Its password (TAVRIX_SSH_PASSWORD_FILE) in Base64, as a parameter string
// holds it; empty when no server is named.
std::wstring TestServerPassword64();

}  // namespace tavrix::com::test
