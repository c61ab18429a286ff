#pragma once
// What the DLL knows about itself: its handle and path, the count of live
// objects and server locks that DllCanUnloadNow looks at, its own type
// library, and the SSH platform it installs for the core.

#include <windows.h>
// the COM headers build on windows.h
#include <oaidl.h>

#include <string>

namespace tavrix::com {

void SetModuleHandle(HMODULE module);
std::wstring ModulePath();

void AddModuleReference();
void ReleaseModuleReference();
bool ModuleInUse();

// The type library embedded in this DLL, loaded without registering it.
HRESULT LoadOwnTypeLib(ITypeLib** typeLib);

// Installs the message-pumping SSH platform as the core's default, once.
void EnsureDefaultSshPlatform();

}  // namespace tavrix::com
