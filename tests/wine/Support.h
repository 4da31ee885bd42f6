// SPDX-License-Identifier: MIT
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

// The dispatch identifiers of _KeyBord's members, as late-bound callers use them.
namespace members {
constexpr DISPID AfterFindImage = 0x60030004;
constexpr DISPID EnterKey = 0x60030005;
constexpr DISPID FindABC = 0x60030006;
constexpr DISPID FindImage = 0x60030007;
constexpr DISPID FindImageNumber = 0x60030008;
constexpr DISPID GetMessageId = 0x60030009;
constexpr DISPID KeyF1ToF6 = 0x6003000B;
constexpr DISPID LeftPos = 0x6003000C;
constexpr DISPID FindNumber = 0x6003000D;
constexpr DISPID RightPos = 0x60030011;
constexpr DISPID CapsLock = 0x68030003;
constexpr DISPID ChangeBord = 0x68030002;
constexpr DISPID Text = 0x68030001;
constexpr DISPID MaxLength = 0x68030000;
}  // namespace members

// A KeyBord instance made through the library's own class factory, without
// registration.
ComPtr<_KeyBord> CreateDirect();

// A test on an instance made by CreateDirect, held early and late bound.
class DirectInstance : public ::testing::Test {
 protected:
  void SetUp() override {
    keybord_ = CreateDirect();
    ASSERT_NE(keybord_, nullptr);
    ASSERT_EQ(keybord_.As(&dispatch_), S_OK);
  }

  ComPtr<_KeyBord> keybord_;
  ComPtr<IDispatch> dispatch_;
};

// `keybord` seen through `Interface`; null, with the test failed, where the
// instance is missing or does not answer for the interface.
template <typename Interface>
ComPtr<Interface> Facet(const ComPtr<_KeyBord>& keybord) {
  ComPtr<Interface> facet;
  if (!keybord) {
    ADD_FAILURE() << "no instance to ask";
    return facet;
  }
  EXPECT_EQ(keybord.As(&facet), S_OK);
  return facet;
}

inline std::wstring Braced(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

}  // namespace vexo::wine
