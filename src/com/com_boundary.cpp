#include "com/com_boundary.h"

#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/comtavrix.h"

namespace tavrix::com {

HRESULT ReportFailure(const std::string& description) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Put()))) {
        const Bstr text = Bstr::FromAnsi(description);
        create->SetDescription(text.Get());
        create->SetGUID(IID__TavrixCom);
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(
                create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.Put())))) {
            SetErrorInfo(0, info.Get());
        }
    }
    return E_FAIL;
}

}  // namespace tavrix::com
