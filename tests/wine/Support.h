// Shared helpers of the library's tests under Wine.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#ifdef GetMessage
#undef GetMessage
#endif

#include <gtest/gtest.h>

#include <string>

#include "VexoKeyBord_h.h"

namespace vexo::wine {

using Microsoft::WRL::ComPtr;

// The library under test, as the test runner names it (VEXO_OCX).
const std::wstring& OcxPath();
// The library, loaded once for the whole run.
HMODULE Library();

// An automation string that frees itself.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* operator&() { return &value_; }
  BSTR get() const { return value_; }
  std::wstring str() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : std::wstring(); }

 private:
  BSTR value_ = nullptr;
};

// A variant that clears itself.
struct Var : VARIANT {
  Var() { VariantInit(this); }
  ~Var() { VariantClear(this); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
};

// A KeyBord instance made through the library's own class factory, without
// registration.
ComPtr<_KeyBord> CreateDirect();

inline std::wstring Braced(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

}  // namespace vexo::wine
