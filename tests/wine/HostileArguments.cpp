// SPDX-License-Identifier: MIT
// Every member through IDispatch::Invoke with the arguments a careless or
// hostile script may pass (no string, empty, long and very long strings, an
// embedded NUL, lone surrogates, line breaks; -1, 0 and the extremes of 16 and
// 32 bits; the wrong type), in random orders: no crash, only the statuses a
// host is told to expect, and afterwards a field that still ends in its
// trailing space under a one-character block caret, with Text reading back.
#include "Support.h"

#include <richedit.h>

#include <algorithm>
#include <climits>
#include <cwctype>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "windows/ContainerDoubles.h"

namespace vexo::wine {
namespace {

using namespace members;

// What a member may report as its own error (inside DISP_E_EXCEPTION):
// runtime errors 5, 6 and 380, and running out of memory.
const std::set<HRESULT> MemberErrors = {static_cast<HRESULT>(0x800A0005), static_cast<HRESULT>(0x800A0006),
                                        static_cast<HRESULT>(0x800A017C), E_OUTOFMEMORY};
// What the type library's argument coercion may answer before a member runs.
const std::set<HRESULT> CoercionErrors = {DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW, DISP_E_BADPARAMCOUNT};

// A value to pass: made afresh for every call, as the member may change it.
using Maker = std::function<void(VARIANT&)>;

Maker String(std::wstring text) {
  return [text](VARIANT& v) {
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  };
}
Maker NullString() {
  return [](VARIANT& v) {
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = nullptr;
  };
}
Maker Short(SHORT value) {
  return [value](VARIANT& v) {
    V_VT(&v) = VT_I2;
    V_I2(&v) = value;
  };
}
Maker Long(LONG value) {
  return [value](VARIANT& v) {
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
  };
}
Maker Empty() {
  return [](VARIANT& v) { V_VT(&v) = VT_EMPTY; };
}

std::vector<Maker> HostileValues() {
  return {NullString(),
          String(L""),
          String(std::wstring(10240, L'W')),
          String(std::wstring(1 << 20, L'x')),
          String(std::wstring(L"a\0b", 3)),
          String(L"\xD800"),
          String(L"x\xDC00y"),
          String(L"\xDBFF\xDBFF"),
          String(L"\r\n"),
          String(L"A"),
          Short(-1),
          Short(0),
          Short(SHRT_MAX),
          Short(SHRT_MIN),
          Long(-1),
          Long(0),
          Long(INT_MAX),
          Long(INT_MIN),
          Long(0x70),  // F1
          Long(0x76),  // F7
          Empty()};
}

struct Call {
  DISPID member;
  WORD flags;
  int arguments;  // 0, 1 or 2
  bool byReference;
  std::size_t value;
  std::size_t secondValue;
};

std::vector<Call> EveryCall(std::size_t values) {
  std::vector<Call> calls;
  for (std::size_t v = 0; v < values; ++v) {
    for (const DISPID byRef : {AfterFindImage, FindABC, FindNumber, GetMessageId, KeyF1ToF6}) {
      calls.push_back({byRef, DISPATCH_METHOD, 1, true, v, 0});
    }
    calls.push_back({FindImage, DISPATCH_METHOD, 2, false, v, (v * 7 + 3) % values});
    calls.push_back({FindImageNumber, DISPATCH_METHOD, 1, false, v, 0});
    for (const DISPID property : {CapsLock, ChangeBord, Text, MaxLength}) {
      calls.push_back({property, DISPATCH_PROPERTYPUT, 1, false, v, 0});
    }
    // A method that takes nothing, given something.
    calls.push_back({v % 2 ? LeftPos : RightPos, DISPATCH_METHOD, 1, false, v, 0});
  }
  for (const DISPID property : {CapsLock, ChangeBord, Text, MaxLength}) {
    calls.push_back({property, DISPATCH_PROPERTYGET, 0, false, 0, 0});
  }
  for (const DISPID plain : {EnterKey, LeftPos, RightPos}) {
    calls.push_back({plain, DISPATCH_METHOD, 0, false, 0, 0});
  }
  return calls;
}

std::wstring LowerClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  std::wstring lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
  return lower;
}

BOOL CALLBACK NoteRichEdit(HWND window, LPARAM found) {
  if (LowerClassName(window).find(L"richedit") == std::wstring::npos) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The rich-text field among the windows of an instance's surface.
HWND FieldOf(HWND surface) {
  HWND found = nullptr;
  EnumChildWindows(surface, NoteRichEdit, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Reserves the process's address space in pieces of `size` bytes until the
// system has no such piece left, so that no allocation that large can succeed
// while it lives; smaller ones still find room.
class AddressSpaceFilled {
 public:
  explicit AddressSpaceFilled(SIZE_T size) {
    reserved_.reserve(8192);  // more than 4 GB in pieces of 1 MB; nothing allocated once filling starts
    while (reserved_.size() < reserved_.capacity()) {
      void* taken = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
      if (!taken) break;
      reserved_.push_back(taken);
    }
  }
  ~AddressSpaceFilled() {
    for (void* taken : reserved_) VirtualFree(taken, 0, MEM_RELEASE);
  }
  AddressSpaceFilled(const AddressSpaceFilled&) = delete;
  AddressSpaceFilled& operator=(const AddressSpaceFilled&) = delete;

 private:
  std::vector<void*> reserved_;
};

// A 64-bit address space is far too large to fill. There the library's own
// requests of `size` bytes or more fail instead: its imports of the C
// runtime's allocator are pointed, while this lives, at ones that refuse them.
class LibraryAllocationsFail {
 public:
  explicit LibraryAllocationsFail(SIZE_T size) {
    limit = size;
    auto* base = reinterpret_cast<BYTE*>(Library());
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name;
         ++dll) {
      if (lstrcmpiA(reinterpret_cast<const char*>(base + dll->Name), "msvcrt.dll") != 0) continue;
      auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
      auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
      for (; name->u1.AddressOfData != 0; ++name, ++slot) {
        if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
        const std::string function = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name;
        if (function == "malloc") Redirect(slot, reinterpret_cast<ULONG_PTR>(&Malloc), malloc_);
        if (function == "realloc") Redirect(slot, reinterpret_cast<ULONG_PTR>(&Realloc), realloc_);
        if (function == "calloc") Redirect(slot, reinterpret_cast<ULONG_PTR>(&Calloc), calloc_);
      }
    }
    EXPECT_EQ(patched_.size(), 3u) << "the library's imports of malloc, realloc and calloc";
  }
  ~LibraryAllocationsFail() {
    for (const auto& [slot, original] : patched_) Write(slot, original);
  }
  LibraryAllocationsFail(const LibraryAllocationsFail&) = delete;
  LibraryAllocationsFail& operator=(const LibraryAllocationsFail&) = delete;

 private:
  template <typename Function>
  void Redirect(IMAGE_THUNK_DATA* slot, ULONG_PTR refusing, Function*& original) {
    original = reinterpret_cast<Function*>(slot->u1.Function);
    patched_.emplace_back(slot, slot->u1.Function);
    Write(slot, refusing);
  }
  static void Write(IMAGE_THUNK_DATA* slot, ULONG_PTR value) {
    DWORD old = 0;
    VirtualProtect(&slot->u1.Function, sizeof value, PAGE_READWRITE, &old);
    slot->u1.Function = value;
    VirtualProtect(&slot->u1.Function, sizeof value, old, &old);
  }
  static void* Malloc(size_t size) { return size >= limit ? nullptr : malloc_(size); }
  static void* Realloc(void* block, size_t size) { return size >= limit ? nullptr : realloc_(block, size); }
  static void* Calloc(size_t count, size_t size) {
    return count != 0 && size >= limit / count ? nullptr : calloc_(count, size);
  }

  static inline SIZE_T limit = 0;
  static inline void* (*malloc_)(size_t) = nullptr;
  static inline void* (*realloc_)(void*, size_t) = nullptr;
  static inline void* (*calloc_)(size_t, size_t) = nullptr;
  std::vector<std::pair<IMAGE_THUNK_DATA*, ULONG_PTR>> patched_;
};

#if defined(_WIN64)
using LargeAllocationsFail = LibraryAllocationsFail;
#else
using LargeAllocationsFail = AddressSpaceFilled;
#endif

class HostileArguments : public DirectInstance {
 protected:
  void SetUp() override {
    DirectInstance::SetUp();
    if (HasFatalFailure()) return;
    ComPtr<IOleWindow> window;
    HWND surface = nullptr;
    ASSERT_EQ(keybord_.As(&window), S_OK);
    ASSERT_EQ(window->GetWindow(&surface), S_OK);
    field_ = FieldOf(surface);
    ASSERT_NE(field_, nullptr) << "the instance's field window";
  }

  // Runs `call`; a status no host is told to expect fails the test.
  void Run(const Call& call, const std::vector<Maker>& values) {
    Var first, second, target;
    std::vector<VARIANT> arguments;  // last first, as they travel
    if (call.arguments == 2) {
      values[call.secondValue](second);
      arguments.push_back(second);
    }
    if (call.arguments >= 1) {
      if (call.byReference) {
        values[call.value](target);
        V_VT(&first) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&first) = &target;
      } else {
        values[call.value](first);
      }
      arguments.push_back(first);
    }
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments.empty() ? nullptr : arguments.data(), nullptr, static_cast<UINT>(arguments.size()),
                      0};
    if (call.flags == DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    Var result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT status = dispatch_->Invoke(call.member, IID_NULL, LOCALE_USER_DEFAULT, call.flags, &params,
                                             call.flags == DISPATCH_PROPERTYPUT ? nullptr : &result, &exception,
                                             &argumentError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (status == DISP_E_EXCEPTION) {
      EXPECT_TRUE(MemberErrors.count(exception.scode))
          << std::hex << "member " << call.member << " reported " << exception.scode << " for value " << std::dec
          << call.value;
    } else if (status != S_OK) {
      EXPECT_TRUE(CoercionErrors.count(status))
          << std::hex << "member " << call.member << " answered " << status << " for value " << std::dec
          << call.value;
    }
    if (V_VT(&first) == (VT_BYREF | VT_VARIANT)) {
      V_VT(&first) = VT_EMPTY;  // the reference is not the caller's to free
    }
  }

  // The field as the user sees it: empty before anything was typed, or the
  // text, then one trailing space, under a one-character block caret; and
  // Text reads back what the field holds, one unit for each unit shown.
  void ExpectSoundField() {
    Bstr text;
    ASSERT_EQ(keybord_->get_Text(&text), S_OK);
    const LRESULT length = SendMessageW(field_, WM_GETTEXTLENGTH, 0, 0);
    CHARRANGE selection{-1, -1};
    SendMessageW(field_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (length == 0) {
      EXPECT_EQ(text.str(), L"");
      return;
    }
    std::wstring shown(static_cast<std::size_t>(length) + 1, L'\0');
    shown.resize(static_cast<std::size_t>(GetWindowTextW(field_, shown.data(), static_cast<int>(length) + 1)));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), L' ');
    EXPECT_EQ(selection.cpMax - selection.cpMin, 1);
    EXPECT_GE(selection.cpMin, 0);
    EXPECT_LT(selection.cpMin, static_cast<LONG>(shown.size()));
    EXPECT_EQ(SysStringLen(text.get()) + 1, shown.size());
  }

  HWND field_ = nullptr;
};

TEST_F(HostileArguments, EveryMemberInRandomOrdersAnswersAsDocumentedAndKeepsTheFieldSound) {
  const std::vector<Maker> values = HostileValues();
  std::vector<Call> calls = EveryCall(values.size());
  std::mt19937 random(8);
  for (int order = 0; order < 100 && !HasFailure(); ++order) {
    std::shuffle(calls.begin(), calls.end(), random);
    for (const Call& call : calls) {
      Run(call, values);
    }
    SCOPED_TRACE(::testing::Message() << "after order " << order);
    ExpectSoundField();
    // The instance still works: a text goes in and reads back.
    Bstr sound(L"sound");
    ASSERT_EQ(keybord_->put_MaxLength(0), S_OK);
    ASSERT_EQ(keybord_->put_Text(sound.get()), S_OK);
    Bstr back;
    ASSERT_EQ(keybord_->get_Text(&back), S_OK);
    EXPECT_EQ(back.str(), L"sound");
    ExpectSoundField();
  }
}

// A member whose allocation fails ends with E_OUTOFMEMORY, early and late
// bound, and the control goes on as it was. Copying a text of 2^20 units
// needs one block of 2 MB, which no stretch of the filled address space
// offers (on 64-bit Windows: which the library's allocator refuses); with
// room, the same call is refused as too long.
TEST_F(HostileArguments, AFailedAllocationAnswersOutOfMemoryAndLeavesTheControlSound) {
  Bstr kept(L"kept");
  ASSERT_EQ(keybord_->put_Text(kept.get()), S_OK);
  const std::wstring units(1 << 20, L'x');
  Var huge;
  V_VT(&huge) = VT_BSTR;
  V_BSTR(&huge) = SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
  ASSERT_NE(V_BSTR(&huge), nullptr);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&huge, &put, 1, 1};
  EXCEPINFO exception{};
  HRESULT early = S_OK;
  HRESULT late = S_OK;
  {
    LargeAllocationsFail filled(1 << 20);
    early = keybord_->put_Text(V_BSTR(&huge));
    late = dispatch_->Invoke(Text, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, &exception,
                             nullptr);
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  EXPECT_EQ(early, E_OUTOFMEMORY);
  EXPECT_EQ(late, DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, E_OUTOFMEMORY);
  ExpectSoundField();
  Bstr back;
  ASSERT_EQ(keybord_->get_Text(&back), S_OK);
  EXPECT_EQ(back.str(), L"kept");
  EXPECT_EQ(keybord_->put_Text(V_BSTR(&huge)), static_cast<HRESULT>(0x800A0006)) << "with room: too long";
  Bstr sound(L"sound");
  EXPECT_EQ(keybord_->put_Text(sound.get()), S_OK);
  ExpectSoundField();
}

// Calls out of the control that answer success and hand back nothing, as a
// broken or hostile container's site, sink or storage may: each is that
// call's failure, with its status; nothing crashes, the control goes on, and
// the site gets every reference back.
struct EmptyAnswer {
  const char* name;
  std::vector<IID> empty;  // what the site answers that way
  HRESULT (*act)(_KeyBord* keybord, harness::LeastSite& site, HWND window);
  HRESULT status;
};

template <typename Interface>
ComPtr<Interface> Ask(_KeyBord* keybord) {
  ComPtr<Interface> asked;
  EXPECT_EQ(keybord->QueryInterface(IID_PPV_ARGS(&asked)), S_OK);
  return asked;
}

HRESULT Activate(_KeyBord* keybord, harness::LeastSite& site, HWND window, LONG verb) {
  const RECT place{0, 0, 600, 160};
  return Ask<IOleObject>(keybord)->DoVerb(verb, nullptr, &site, 0, window, &place);
}

HRESULT AdviseAt(_KeyBord* keybord, REFIID iid, harness::LeastSite& sink) {
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(Ask<IConnectionPointContainer>(keybord)->FindConnectionPoint(iid, &point), S_OK);
  DWORD cookie = 0xdeadbeef;
  const HRESULT status = point->Advise(static_cast<IOleClientSite*>(&sink), &cookie);
  EXPECT_EQ(cookie, 0u);
  return status;
}

class EmptyAnswers : public ::testing::TestWithParam<EmptyAnswer> {};

TEST_P(EmptyAnswers, FailTheCallThatGotThem) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 160, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  harness::LeastSite site(window, GetParam().empty);
  {
    ComPtr<_KeyBord> keybord = CreateDirect();
    ASSERT_NE(keybord, nullptr);
    EXPECT_EQ(GetParam().act(keybord.Get(), site, window), GetParam().status);
    Bstr sound(L"sound");
    EXPECT_EQ(keybord->put_Text(sound.get()), S_OK);
    Bstr back;
    EXPECT_EQ(keybord->get_Text(&back), S_OK);
    EXPECT_EQ(back.str(), L"sound");
    EXPECT_EQ(Ask<IOleObject>(keybord.Get())->SetClientSite(nullptr), S_OK);
  }
  EXPECT_EQ(site.references, 1);
  DestroyWindow(window);
}

const EmptyAnswer emptyAnswers[] = {
    {"InPlaceSite", {IID_IOleInPlaceSite},
     [](_KeyBord* k, harness::LeastSite& site, HWND window) {
       return Activate(k, site, window, OLEIVERB_INPLACEACTIVATE);
     },
     E_NOINTERFACE},
    // A site without a control site or ambients is a site all the same.
    {"ControlSite", {IID_IOleControlSite},
     [](_KeyBord* k, harness::LeastSite& site, HWND window) { return Activate(k, site, window, OLEIVERB_UIACTIVATE); },
     S_OK},
    {"Ambients", {IID_IDispatch},
     [](_KeyBord* k, harness::LeastSite& site, HWND) { return Ask<IOleObject>(k)->SetClientSite(&site); }, S_OK},
    {"PropertySink", {IID_IPropertyNotifySink},
     [](_KeyBord* k, harness::LeastSite& site, HWND) { return AdviseAt(k, IID_IPropertyNotifySink, site); },
     CONNECT_E_CANNOTCONNECT},
    {"EventSink", {DIID___KeyBord, IID_IDispatch},
     [](_KeyBord* k, harness::LeastSite& site, HWND) { return AdviseAt(k, DIID___KeyBord, site); },
     CONNECT_E_CANNOTCONNECT},
    {"StorageStreamToLoad", {},
     [](_KeyBord* k, harness::LeastSite&, HWND) {
       harness::EmptyHandedStorage storage;
       return Ask<IPersistStorage>(k)->Load(&storage);
     },
     E_POINTER},
    {"StorageStreamToSave", {},
     [](_KeyBord* k, harness::LeastSite&, HWND) {
       harness::EmptyHandedStorage storage;
       return Ask<IPersistStorage>(k)->Save(&storage, TRUE);
     },
     E_POINTER},
};
INSTANTIATE_TEST_SUITE_P(HostileArguments, EmptyAnswers, ::testing::ValuesIn(emptyAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vexo::wine
