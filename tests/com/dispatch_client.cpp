#include "dispatch_client.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "support/base64.h"

namespace tavrix::com::test {

HRESULT DispatchClient::Create(const wchar_t* progId, DispatchClient& client) {
    CLSID clsid;
    const HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) {
        return hr;
    }
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            client.dispatch_.PutVoid());
}

DISPID DispatchClient::Id(const std::wstring& name) const {
    std::wstring copy = name;
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        return DISPID_UNKNOWN;
    }
    return id;
}

CallResult DispatchClient::Invoke(const std::wstring& name, WORD flags,
                                  std::vector<VARIANT>& arguments, bool propertyPut) const {
    CallResult result;
    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = arguments.empty() ? nullptr : arguments.data();
    params.cArgs = static_cast<UINT>(arguments.size());
    if (propertyPut) {
        params.rgdispidNamedArgs = &namedPut;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT argumentError = 0;
    result.hr =
        dispatch_->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                          propertyPut ? nullptr : result.value.Ptr(), &exception, &argumentError);
    if (result.hr == DISP_E_EXCEPTION) {
        result.exceptionCode = exception.scode;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
    return result;
}

CallResult DispatchClient::Call(const std::wstring& name, std::vector<VARIANT> arguments) const {
    return Invoke(name, DISPATCH_METHOD, arguments, false);
}

CallResult DispatchClient::Get(const std::wstring& name) const {
    std::vector<VARIANT> none;
    return Invoke(name, DISPATCH_PROPERTYGET, none, false);
}

HRESULT DispatchClient::Put(const std::wstring& name, const VARIANT& value, WORD flags) const {
    std::vector<VARIANT> arguments{value};
    return Invoke(name, flags, arguments, true).hr;
}

Variant Text(const std::wstring& text) {
    Variant value;
    value.Ptr()->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    value.Ptr()->vt = VT_BSTR;
    return value;
}

std::wstring TextOf(const VARIANT& value) {
    if (value.vt != VT_BSTR || value.bstrVal == nullptr) {
        return {};
    }
    return std::wstring(value.bstrVal, SysStringLen(value.bstrVal));
}

std::wstring Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::wstring() : std::wstring(value, value + std::strlen(value));
}

std::wstring TestServerPassword64() {
    const char* passwordFile = std::getenv("TAVRIX_SSH_PASSWORD_FILE");
    if (passwordFile == nullptr) {
        return {};
    }
    std::ifstream file("Z:" + std::string(passwordFile));
    std::string password;
    std::getline(file, password);
    if (password.empty()) {
        return {};
    }
    const std::string encoded = Base64Encode(password);
    return std::wstring(encoded.begin(), encoded.end());
}

}  // namespace tavrix::com::test
