// SPDX-License-Identifier: MIT
// A client of _KeyBord: early bound through the function table and late bound
// through IDispatch::Invoke, with the answers a host gets for bad calls.
#include "Support.h"

#include <string>
#include <vector>

namespace vexo::wine {
namespace {

using namespace members;
constexpr HRESULT Overflow = static_cast<HRESULT>(0x800A0006);

// Arguments as a script passes them.
VARIANT Typed(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = type;
  return v;
}
VARIANT I2(short value) {
  VARIANT v = Typed(VT_I2);
  V_I2(&v) = value;
  return v;
}
VARIANT I4(LONG value) {
  VARIANT v = Typed(VT_I4);
  V_I4(&v) = value;
  return v;
}
VARIANT Ref(VARIANT* target) {
  VARIANT v = Typed(VT_BYREF | VT_VARIANT);
  V_VARIANTREF(&v) = target;
  return v;
}

class Client : public DirectInstance {
 protected:
  std::wstring TextOf() {
    Bstr text;
    EXPECT_EQ(keybord_->get_Text(&text), S_OK);
    return text.str();
  }

  // Invoke with the arguments in the caller's order (they travel last first).
  HRESULT Call(DISPID member, WORD flags, std::vector<VARIANT> arguments, VARIANT* result = nullptr,
               EXCEPINFO* exception = nullptr, UINT* argumentError = nullptr) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if ((flags & DISPATCH_PROPERTYPUT) && !reversed.empty()) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    EXCEPINFO ignored{};
    const HRESULT status = dispatch_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                             exception ? exception : &ignored, argumentError);
    if (!exception) {
      SysFreeString(ignored.bstrSource);
      SysFreeString(ignored.bstrDescription);
      SysFreeString(ignored.bstrHelpFile);
    }
    return status;
  }
};

// --- Early bound.

TEST_F(Client, StartsAsANewInstance) {
  ActivPanel panel = static_cast<ActivPanel>(0xdead);
  EXPECT_EQ(keybord_->get_ChangeBord(&panel), S_OK);
  EXPECT_EQ(panel, abcAct);
  short limit = 0x5eed;
  EXPECT_EQ(keybord_->get_MaxLength(&limit), S_OK);
  EXPECT_EQ(limit, 0);
  VARIANT_BOOL caps = 0x5eed;
  EXPECT_EQ(keybord_->get_CapsLock(&caps), S_OK);
  EXPECT_EQ(caps, VARIANT_TRUE) << "start-up ends with CapsLock on";
  EXPECT_EQ(TextOf(), L"");
}

struct LimitRow {
  const char* name;
  short put;
  short read;
};

class MaxLengthLimits : public Client, public ::testing::WithParamInterface<LimitRow> {};

TEST_P(MaxLengthLimits, ReadsBack) {
  EXPECT_EQ(keybord_->put_MaxLength(GetParam().put), S_OK);
  short limit = 0x5eed;
  EXPECT_EQ(keybord_->get_MaxLength(&limit), S_OK);
  EXPECT_EQ(limit, GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Client, MaxLengthLimits,
                         ::testing::Values(LimitRow{"Negative", -5, 0}, LimitRow{"MinusOne", -1, 0},
                                           LimitRow{"Zero", 0, 0}, LimitRow{"One", 1, 1},
                                           LimitRow{"Largest", 32767, 32767}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Client, ChangeBordKeepsAnyValue) {
  ActivPanel panel = abcAct;
  EXPECT_EQ(keybord_->put_ChangeBord(NumberAct), S_OK);
  EXPECT_EQ(keybord_->get_ChangeBord(&panel), S_OK);
  EXPECT_EQ(panel, NumberAct);
  EXPECT_EQ(keybord_->put_ChangeBord(static_cast<ActivPanel>(5)), S_OK);
  EXPECT_EQ(keybord_->get_ChangeBord(&panel), S_OK);
  EXPECT_EQ(panel, 5);
}

TEST_F(Client, TextRoundTripsAndCapsLockToggles) {
  Bstr hello(L"hello");
  EXPECT_EQ(keybord_->put_Text(hello.get()), S_OK);
  EXPECT_EQ(TextOf(), L"hello");
  EXPECT_EQ(keybord_->put_Text(nullptr), S_OK) << "a null string is the empty text";
  EXPECT_EQ(TextOf(), L"");
  EXPECT_EQ(keybord_->put_CapsLock(VARIANT_FALSE), S_OK);
  VARIANT_BOOL caps = VARIANT_TRUE;
  EXPECT_EQ(keybord_->get_CapsLock(&caps), S_OK);
  EXPECT_EQ(caps, VARIANT_FALSE);
}

TEST_F(Client, NullOutParametersAreRefused) {
  EXPECT_EQ(keybord_->get_CapsLock(nullptr), E_POINTER);
  EXPECT_EQ(keybord_->get_ChangeBord(nullptr), E_POINTER);
  EXPECT_EQ(keybord_->get_Text(nullptr), E_POINTER);
  EXPECT_EQ(keybord_->get_MaxLength(nullptr), E_POINTER);
  EXPECT_EQ(keybord_->AfterFindImage(nullptr), E_POINTER);
  EXPECT_EQ(keybord_->FindABC(nullptr), E_POINTER);
  EXPECT_EQ(keybord_->FindNumber(nullptr), E_POINTER);
  EXPECT_EQ(keybord_->GetMessage(nullptr), E_POINTER);
  EXPECT_EQ(keybord_->KeyF1ToF6(nullptr), E_POINTER);
}

TEST_F(Client, FailureSetsErrorInformation) {
  std::wstring tooLong(32768, L'a');
  Bstr text(tooLong.c_str());
  EXPECT_EQ(keybord_->put_Text(text.get()), Overflow);
  ComPtr<IErrorInfo> error;
  ASSERT_EQ(GetErrorInfo(0, &error), S_OK);
  Bstr description;
  EXPECT_EQ(error->GetDescription(&description), S_OK);
  EXPECT_EQ(description.str(), L"Overflow");
  GUID guid{};
  EXPECT_EQ(error->GetGUID(&guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(guid, IID__KeyBord));
  EXPECT_EQ(TextOf(), L"") << "the refused text leaves the field as it was";
}

// Every member through the function table, with the status each gives; the
// by-reference members get a valid argument and give it back.
TEST_F(Client, EveryMemberAnswersThroughTheFunctionTable) {
  Bstr letter(L"q");
  EXPECT_EQ(keybord_->FindABC(&letter), S_OK);
  EXPECT_NE(letter.get(), nullptr);
  Bstr digit(L"7");
  EXPECT_EQ(keybord_->FindNumber(&digit), S_OK);
  Bstr symbol(L"!");
  EXPECT_EQ(keybord_->AfterFindImage(&symbol), S_OK);
  EXPECT_EQ(keybord_->FindImage(0x31, 1), S_OK);
  EXPECT_EQ(keybord_->FindImageNumber(0x61), S_OK);
  short f7 = VK_F7;
  EXPECT_EQ(keybord_->GetMessage(&f7), S_OK);
  short f1 = VK_F1;
  EXPECT_EQ(keybord_->KeyF1ToF6(&f1), S_OK);
  EXPECT_EQ(keybord_->LeftPos(), S_OK);
  EXPECT_EQ(keybord_->RightPos(), S_OK);
  EXPECT_EQ(keybord_->EnterKey(), S_OK);
}

// --- Late bound.

TEST_F(Client, NamesResolveToTheirIdentifiers) {
  struct Name {
    const wchar_t* name;
    DISPID id;
  };
  const Name names[] = {{L"AfterFindImage", 0x60030004}, {L"EnterKey", 0x60030005}, {L"FindABC", 0x60030006},
                        {L"FindImage", 0x60030007},      {L"FindImageNumber", 0x60030008},
                        {L"GetMessage", 0x60030009},     {L"KeyF1ToF6", 0x6003000B}, {L"LeftPos", 0x6003000C},
                        {L"FindNumber", 0x6003000D},     {L"RightPos", 0x60030011},  {L"CapsLock", 0x68030003},
                        {L"ChangeBord", 0x68030002},     {L"text", 0x68030001},      {L"MAXLENGTH", 0x68030000}};
  for (const Name& name : names) {
    LPOLESTR text = const_cast<LPOLESTR>(name.name);
    DISPID id = 0x5eed;
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, name.id);
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchMember");
  DISPID id = 0;
  EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  EXPECT_EQ(dispatch_->GetIDsOfNames(IID_IUnknown, &unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNINTERFACE);

  UINT count = 0;
  EXPECT_EQ(dispatch_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(dispatch_->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  ASSERT_EQ(dispatch_->GetTypeInfo(0, 0, &info), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, IID__KeyBord));
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  info->ReleaseTypeAttr(attr);
}

TEST_F(Client, PropertiesThroughInvoke) {
  EXPECT_EQ(Call(MaxLength, DISPATCH_PROPERTYPUT, {I2(12)}), S_OK);
  Var limit;
  EXPECT_EQ(Call(MaxLength, DISPATCH_PROPERTYGET, {}, &limit), S_OK);
  EXPECT_EQ(V_VT(&limit), VT_I2);
  EXPECT_EQ(V_I2(&limit), 12);

  // Another integer type converts when it fits.
  EXPECT_EQ(Call(MaxLength, DISPATCH_PROPERTYPUT, {I4(300)}), S_OK);
  Var changed;
  EXPECT_EQ(Call(ChangeBord, DISPATCH_PROPERTYPUT, {I4(2)}), S_OK);
  EXPECT_EQ(Call(ChangeBord, DISPATCH_PROPERTYGET, {}, &changed), S_OK);
  EXPECT_EQ(V_VT(&changed), VT_I4);
  EXPECT_EQ(V_I4(&changed), 2);

  Var caps;
  EXPECT_EQ(Call(CapsLock, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &caps), S_OK);
  EXPECT_EQ(V_VT(&caps), VT_BOOL);
  EXPECT_EQ(V_BOOL(&caps), VARIANT_TRUE);
}

struct BadCall {
  const char* name;
  DISPID member;
  WORD flags;
  std::vector<VARIANT> (*arguments)();
  HRESULT status;
  UINT argumentError;  // ~0u: not checked
};

std::vector<VARIANT> None() { return {}; }
std::vector<VARIANT> OneShort() { return {I2(1)}; }
std::vector<VARIANT> ThreeShorts() {
  std::vector<VARIANT> v = OneShort();
  v.push_back(v[0]);
  v.push_back(v[0]);
  return v;
}
std::vector<VARIANT> NotANumber() {
  VARIANT v = Typed(VT_BSTR);
  static const BSTR text = SysAllocString(L"abc");  // lives for the whole run
  V_BSTR(&v) = text;
  return {v};
}
std::vector<VARIANT> TooBigForShort() { return {I4(40000)}; }
std::vector<VARIANT> UnknownObject() {
  VARIANT v = Typed(VT_UNKNOWN);
  V_UNKNOWN(&v) = nullptr;
  return {v};
}

class BadCalls : public Client, public ::testing::WithParamInterface<BadCall> {};

TEST_P(BadCalls, AnsweredWithTheirCode) {
  const BadCall& call = GetParam();
  UINT argumentError = 0xdeadbeef;
  EXPECT_EQ(Call(call.member, call.flags, call.arguments(), nullptr, nullptr, &argumentError), call.status);
  if (call.argumentError != ~0u) {
    EXPECT_EQ(argumentError, call.argumentError);
  }
  short limit = -1;
  EXPECT_EQ(keybord_->get_MaxLength(&limit), S_OK);
  EXPECT_EQ(limit, 0) << "a refused call changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Client, BadCalls,
    ::testing::Values(
        BadCall{"UnknownIdentifier", 0x12345, DISPATCH_METHOD, None, DISP_E_MEMBERNOTFOUND, ~0u},
        BadCall{"MissingArguments", FindImage, DISPATCH_METHOD, OneShort, DISP_E_BADPARAMCOUNT, ~0u},
        BadCall{"ExtraArguments", FindImage, DISPATCH_METHOD, ThreeShorts, DISP_E_BADPARAMCOUNT, ~0u},
        BadCall{"ArgumentForNoParameter", EnterKey, DISPATCH_METHOD, OneShort, DISP_E_BADPARAMCOUNT, ~0u},
        BadCall{"TextForAnInteger", MaxLength, DISPATCH_PROPERTYPUT, NotANumber, DISP_E_TYPEMISMATCH, 0u},
        BadCall{"IntegerTooBig", MaxLength, DISPATCH_PROPERTYPUT, TooBigForShort, DISP_E_OVERFLOW, 0u},
        BadCall{"ObjectForAnInteger", MaxLength, DISPATCH_PROPERTYPUT, UnknownObject, DISP_E_TYPEMISMATCH, 0u},
        BadCall{"PutWithoutValue", MaxLength, DISPATCH_PROPERTYPUT, None, DISP_E_BADPARAMCOUNT, ~0u},
        BadCall{"GetOfAMethod", EnterKey, DISPATCH_PROPERTYGET, None, DISP_E_MEMBERNOTFOUND, ~0u}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Client, InvokeRefusesBadParameters) {
  DISPPARAMS none{};
  EXPECT_EQ(dispatch_->Invoke(EnterKey, IID_IUnknown, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(dispatch_->Invoke(EnterKey, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_POINTER);
  DISPPARAMS missing{nullptr, nullptr, 1, 0};
  EXPECT_EQ(dispatch_->Invoke(EnterKey, IID_NULL, 0, DISPATCH_METHOD, &missing, nullptr, nullptr, nullptr),
            E_INVALIDARG);
}

TEST_F(Client, MemberFailureBecomesAnException) {
  std::wstring tooLong(32768, L'a');
  Var text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(tooLong.c_str());
  EXCEPINFO exception{};
  EXPECT_EQ(Call(Text, DISPATCH_PROPERTYPUT, {text}, nullptr, &exception), DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, Overflow);
  EXPECT_EQ(std::wstring(exception.bstrDescription ? exception.bstrDescription : L""), L"Overflow");
  EXPECT_EQ(std::wstring(exception.bstrSource ? exception.bstrSource : L""), L"VexoKeyBord.KeyBord");
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);

  // The next call that succeeds reports no stale failure.
  EXCEPINFO clean{};
  EXPECT_EQ(Call(MaxLength, DISPATCH_PROPERTYPUT, {I2(3)}, nullptr, &clean), S_OK);
  EXPECT_EQ(clean.scode, 0);
}

// What a script does: its variables travel as references to variants, and
// a by-reference parameter writes back into them.
TEST_F(Client, ScriptVariablesPassByReference) {
  Var letter;
  V_VT(&letter) = VT_BSTR;
  V_BSTR(&letter) = SysAllocString(L"q");
  EXPECT_EQ(Call(FindABC, DISPATCH_METHOD, {Ref(&letter)}), S_OK);
  EXPECT_EQ(V_VT(&letter), VT_BSTR) << "the variable keeps a string";

  // The same member through the function table gives the same field.
  ComPtr<_KeyBord> early = CreateDirect();
  ASSERT_NE(early, nullptr);
  Bstr same(L"q");
  EXPECT_EQ(early->FindABC(&same), S_OK);
  Bstr lateText;
  Bstr earlyText;
  EXPECT_EQ(keybord_->get_Text(&lateText), S_OK);
  EXPECT_EQ(early->get_Text(&earlyText), S_OK);
  EXPECT_EQ(lateText.str(), earlyText.str());
  EXPECT_EQ(std::wstring(V_BSTR(&letter), SysStringLen(V_BSTR(&letter))), same.str());

  // A variable holding a number converts to the parameter's type; the member
  // leaves the value alone, so the variable keeps its own type.
  Var code;
  V_VT(&code) = VT_I4;
  V_I4(&code) = VK_F7;
  EXPECT_EQ(Call(KeyF1ToF6, DISPATCH_METHOD, {Ref(&code)}), S_OK);
  EXPECT_EQ(V_VT(&code), VT_I4);
  EXPECT_EQ(V_I4(&code), VK_F7);

  // A variable that cannot become the parameter's type is refused untouched.
  Var word;
  V_VT(&word) = VT_BSTR;
  V_BSTR(&word) = SysAllocString(L"seven");
  UINT argumentError = 0xdeadbeef;
  EXPECT_EQ(Call(KeyF1ToF6, DISPATCH_METHOD, {Ref(&word)}, nullptr, nullptr, &argumentError), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argumentError, 0u);
  EXPECT_EQ(V_VT(&word), VT_BSTR);

  // By-value parameters take a variable's value too.
  Var limit;
  V_VT(&limit) = VT_I2;
  V_I2(&limit) = 9;
  EXPECT_EQ(Call(MaxLength, DISPATCH_PROPERTYPUT, {Ref(&limit)}), S_OK);
  short read = 0;
  EXPECT_EQ(keybord_->get_MaxLength(&read), S_OK);
  EXPECT_EQ(read, 9);
}

TEST_F(Client, LiteralsForByReferenceParameters) {
  Var letter;
  V_VT(&letter) = VT_BSTR;
  V_BSTR(&letter) = SysAllocString(L"q");
  EXPECT_EQ(Call(FindABC, DISPATCH_METHOD, {letter}), S_OK) << "a script's literal string";
  EXPECT_EQ(Call(KeyF1ToF6, DISPATCH_METHOD, {I4(VK_F7)}), S_OK) << "a script's literal number";

  // A typed reference of the exact type passes as it is and gets the result.
  short code = VK_F7;
  VARIANT exact = Typed(VT_BYREF | VT_I2);
  V_I2REF(&exact) = &code;
  EXPECT_EQ(Call(KeyF1ToF6, DISPATCH_METHOD, {exact}), S_OK);

  // One of another type could not take the result back.
  LONG wide = VK_F7;
  VARIANT other = Typed(VT_BYREF | VT_I4);
  V_I4REF(&other) = &wide;
  UINT argumentError = 0xdeadbeef;
  EXPECT_EQ(Call(KeyF1ToF6, DISPATCH_METHOD, {other}, nullptr, nullptr, &argumentError), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argumentError, 0u);
}

}  // namespace
}  // namespace vexo::wine
