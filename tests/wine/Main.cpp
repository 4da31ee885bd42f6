// SPDX-License-Identifier: MIT
// Runs the library's tests on a single-threaded apartment, as a host's user
// interface thread is.
#include <windows.h>
#include <initguid.h>  // defines the identifiers the generated header declares

#include "Support.h"

#include <cstdio>
#include <cstdlib>

namespace vexo::wine {

const std::wstring& OcxPath() {
  static const std::wstring path = [] {
    const wchar_t* value = _wgetenv(L"VEXO_OCX");
    return std::wstring(value ? value : L"VexoKeyBord.ocx");
  }();
  return path;
}

HMODULE Library() {
  static const HMODULE module = LoadLibraryW(OcxPath().c_str());
  return module;
}

ComPtr<_KeyBord> CreateDirect() {
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(Library(), "DllGetClassObject")));
  ComPtr<_KeyBord> keybord;
  if (!get) return keybord;
  ComPtr<IClassFactory> factory;
  if (FAILED(get(CLSID_KeyBord, IID_IClassFactory, &factory))) return keybord;
  factory->CreateInstance(nullptr, IID__KeyBord, &keybord);
  return keybord;
}

}  // namespace vexo::wine

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (FAILED(CoInitialize(nullptr))) return 2;
  if (!vexo::wine::Library()) {
    std::fprintf(stderr, "cannot load the library (set VEXO_OCX)\n");
    return 2;
  }
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
