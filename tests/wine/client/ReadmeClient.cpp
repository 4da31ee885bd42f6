// SPDX-License-Identifier: MIT
// The C++ example of the README and docs/windows.md: a 32-bit client of the
// registered control, compiled with the kit's header alone. It prints the
// text it typed.
#include <windows.h>
#undef GetMessage             // the interface has a method of that name
#include <initguid.h>         // the header's identifiers are defined here
#include <cstdio>
#include "VexoKeyBord_h.h"    // from the kit

int main() {
  if (FAILED(CoInitialize(nullptr))) return 1;
  _KeyBord* kb = nullptr;
  HRESULT status = CoCreateInstance(CLSID_KeyBord, nullptr, CLSCTX_INPROC_SERVER, IID__KeyBord,
                                    reinterpret_cast<void**>(&kb));
  if (SUCCEEDED(status)) {
    status = kb->put_MaxLength(20);
    BSTR letter = SysAllocString(L"h");
    if (SUCCEEDED(status)) status = kb->FindABC(&letter);  // in/out: becomes "H" while CapsLock is on
    SysFreeString(letter);
    BSTR text = nullptr;
    if (SUCCEEDED(status)) status = kb->get_Text(&text);
    if (SUCCEEDED(status)) std::printf("Text: %ls\n", text);
    SysFreeString(text);
    kb->Release();
  }
  if (FAILED(status)) std::printf("failed: 0x%08lX\n", static_cast<unsigned long>(status));
  CoUninitialize();
  return FAILED(status) ? 1 : 0;
}
