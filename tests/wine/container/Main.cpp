// SPDX-License-Identifier: MIT
// Registers the library under test (VEXO_OCX) for the run, initialises OLE
// and Wine's control host on a single-threaded apartment, runs the tests, and
// removes the registration again.
#include <windows.h>
#include <initguid.h>  // defines the identifiers the generated header declares

#include "Container.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const wchar_t* path = _wgetenv(L"VEXO_OCX");
  HMODULE library = LoadLibraryW(path ? path : L"VexoKeyBord.ocx");
  if (!library) {
    std::fprintf(stderr, "cannot load the library (set VEXO_OCX)\n");
    return 2;
  }
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto registerServer = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
  auto unregisterServer =
      reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
  if (FAILED(OleInitialize(nullptr))) return 2;
  if (!registerServer || FAILED(registerServer())) {
    std::fprintf(stderr, "cannot register the library\n");
    return 2;
  }
  const auto& atl = vexo::container::AtlFunctions();
  if (!atl.WinInit || !atl.GetControl || !atl.CreateControl || !atl.WinInit()) {
    std::fprintf(stderr, "atl.dll offers no control host\n");
    return 2;
  }
  const int result = RUN_ALL_TESTS();
  unregisterServer();
  OleUninitialize();
  return result;
}
