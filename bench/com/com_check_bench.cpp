// One kx_docheck through COM, as a host makes it: late-bound, by ProgID,
// against the test SSH server named by scripts/test-sshd's environment.
// Prints wall and CPU time per check and the share of the wall time that is
// this process's CPU (the rest is the server and the network).
//
//   com_check_bench.exe [checks]      (the plug-in must be registered)

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>
#include "support/base64.h"

namespace {

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

HRESULT PutText(IDispatch* object, const wchar_t* name, const std::string& text) {
    std::wstring wide(text.begin(), text.end());
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(wide.c_str());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &put, 1, 1};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                        nullptr, nullptr);
    VariantClear(&value);
    return hr;
}

bool RunCheck(IDispatch* object) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"kx_docheck")};
    DISPID id;
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr,
                   nullptr);
    return result.vt == VT_BOOL && result.boolVal == VARIANT_TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    const int checks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const char* user = std::getenv("TAVRIX_SSH_USER");
    const char* port = std::getenv("TAVRIX_SSH_PORT");
    const char* passwordFile = std::getenv("TAVRIX_SSH_PASSWORD_FILE");
    if (user == nullptr || port == nullptr || passwordFile == nullptr) {
        std::fprintf(stderr, "set the environment of scripts/test-sshd env first\n");
        return 2;
    }
    std::ifstream file(std::string("Z:") + passwordFile);
    std::string password;
    std::getline(file, password);
    const std::string parameter = "#ENC=T#USR=" + std::string(user) +
                                  "#PWD=" + tavrix::Base64Encode(password) +
                                  "#PROTO=A#PORT=" + port +
                                  "#KEYF=#KEYT=RSA#OS=LINUX#BLK=1024#RES=/#UNIT=GB#COM=0"
                                  "#EOL=LF#RAN=0#";

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CLSID clsid;
    IDispatch* object = nullptr;
    if (FAILED(CLSIDFromProgID(L"comTavrix.TavrixCom", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&object)))) {
        std::fprintf(stderr, "comTavrix.TavrixCom is not registered\n");
        return 2;
    }
    PutText(object, L"kx_hostname", "127.0.0.1");
    PutText(object, L"kx_timeout", "10");
    PutText(object, L"kx_parameter", parameter);

    RunCheck(object);  // warm-up: loads the libraries, fills the caches
    std::vector<double> wall, cpu;
    int passed = 0;
    for (int i = 0; i < checks; ++i) {
        const double cpuBefore = ProcessCpuMs();
        const auto start = std::chrono::steady_clock::now();
        passed += RunCheck(object) ? 1 : 0;
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        cpu.push_back(ProcessCpuMs() - cpuBefore);
    }
    object->Release();
    CoUninitialize();

    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    const double wallMedian = wall[wall.size() / 2];
    const double cpuMedian = cpu[cpu.size() / 2];
    std::printf("kx_docheck through COM, %d checks, %d true\n", checks, passed);
    std::printf("  wall  median %.1f ms  min %.1f ms  max %.1f ms\n", wallMedian, wall.front(),
                wall.back());
    std::printf("  CPU   median %.1f ms  (%.0f%% of the wall time)\n", cpuMedian,
                100.0 * cpuMedian / wallMedian);
    return passed == checks ? 0 : 1;
}
