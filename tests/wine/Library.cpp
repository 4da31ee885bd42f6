// SPDX-License-Identifier: MIT
// The library without registration: exports, class factory, unloading,
// interfaces of an instance and the resources a host reads.
#include "Support.h"

#include "hosting/PropertyPage.h"

#include <objsafe.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "component/PropertyTable.h"

namespace vexo::wine {
namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

template <typename Function>
Function Export(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(Library(), name)));
}

TEST(Exports, EachEntryPointHasItsOrdinal) {
  const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"};
  for (WORD ordinal = 1; ordinal <= 4; ++ordinal) {
    SCOPED_TRACE(names[ordinal - 1]);
    const FARPROC byName = GetProcAddress(Library(), names[ordinal - 1]);
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(GetProcAddress(Library(), MAKEINTRESOURCEA(ordinal)), byName);
  }
  EXPECT_EQ(GetProcAddress(Library(), MAKEINTRESOURCEA(5)), nullptr);
}

TEST(ClassFactory, ServesOnlyItsOwnClasses) {
  auto get = Export<GetClassObject>("DllGetClassObject");
  void* object = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_EQ(get(IID_IClassFactory, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(get(CLSID_KeyBord, IID_IClassFactory, nullptr), E_POINTER);
  object = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_EQ(get(CLSID_KeyBord, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(get(CLSID_KeyBord, IID_IClassFactory, &factory), S_OK);
  ComPtr<IUnknown> outer;
  ASSERT_EQ(factory.As(&outer), S_OK);
  object = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID__KeyBord, nullptr), E_POINTER);
  object = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  ComPtr<_KeyBord> keybord;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID__KeyBord, &keybord), S_OK);
  EXPECT_NE(keybord, nullptr);
}

TEST(ClassFactory, UnloadWaitsForInstancesAndLocks) {
  auto canUnload = Export<CanUnloadNow>("DllCanUnloadNow");
  auto get = Export<GetClassObject>("DllGetClassObject");
  ASSERT_EQ(canUnload(), S_OK);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(get(CLSID_KeyBord, IID_IClassFactory, &factory), S_OK);
  EXPECT_EQ(canUnload(), S_OK) << "a factory reference alone does not hold the library";

  ComPtr<_KeyBord> first;
  ComPtr<_KeyBord> second;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID__KeyBord, &first), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID__KeyBord, &second), S_OK);
  EXPECT_EQ(canUnload(), S_FALSE);
  first.Reset();
  EXPECT_EQ(canUnload(), S_FALSE);
  second.Reset();
  EXPECT_EQ(canUnload(), S_OK);

  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(canUnload(), S_FALSE);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnload(), S_OK);

  // The property page holds the library as an instance does, until its last Release.
  ComPtr<IClassFactory> pages;
  ASSERT_EQ(get(hosting::CLSID_KeyBordPage, IID_IClassFactory, &pages), S_OK);
  ComPtr<IPropertyPage> page;
  ASSERT_EQ(pages->CreateInstance(nullptr, IID_IPropertyPage, &page), S_OK);
  EXPECT_EQ(canUnload(), S_FALSE);
  EXPECT_EQ(page.Reset(), 0u);
  EXPECT_EQ(canUnload(), S_OK);

  // What the instances shared went with the answer: a new instance reads it
  // again and dispatches through it.
  ComPtr<_KeyBord> third;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID__KeyBord, &third), S_OK);
  LPOLESTR name = const_cast<LPOLESTR>(L"Text");
  DISPID text = DISPID_UNKNOWN;
  EXPECT_EQ(third->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &text), S_OK);
  VARIANT value;
  VariantInit(&value);
  DISPPARAMS none{};
  EXPECT_EQ(third->Invoke(text, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_VT(&value), VT_BSTR);
  VariantClear(&value);
  third.Reset();
  EXPECT_EQ(canUnload(), S_OK);
}

TEST(Instance, OneIdentityOneReferenceCount) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IUnknown> identity = Facet<IUnknown>(keybord);
  ASSERT_NE(identity, nullptr);
  const IID supported[] = {IID_IUnknown,
                           IID_IDispatch,
                           IID__KeyBord,
                           IID_ISupportErrorInfo,
                           IID_IProvideClassInfo,
                           IID_IProvideClassInfo2,
                           IID_IOleObject,
                           IID_IOleWindow,
                           IID_IOleInPlaceObject,
                           IID_IOleInPlaceActiveObject,
                           IID_IOleControl,
                           IID_IViewObject,
                           IID_IViewObject2,
                           IID_IViewObjectEx,
                           IID_IPersist,
                           IID_IPersistPropertyBag,
                           IID_IPersistStreamInit,
                           IID_IPersistStream,
                           IID_IPersistStorage,
                           IID_IQuickActivate,
                           IID_IConnectionPointContainer};
  for (const IID& iid : supported) {
    const std::wstring name = Braced(iid);
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    ComPtr<IUnknown> asked;
    ASSERT_EQ(keybord->QueryInterface(iid, &asked), S_OK);
    ComPtr<IUnknown> back;
    ASSERT_EQ(asked.As(&back), S_OK);
    EXPECT_EQ(back.Get(), identity.Get());
  }
  void* object = reinterpret_cast<void*>(0xdeadbeef);
  // It sends commands to the host's active window: never declared safe for
  // untrusted scripts.
  EXPECT_EQ(keybord->QueryInterface(IID_IObjectSafety, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(keybord->QueryInterface(IID_IDispatch, nullptr), E_POINTER);

  identity.Reset();
  keybord->AddRef();
  EXPECT_EQ(keybord->Release(), 1u) << "every reference taken above was given back";

  ComPtr<ISupportErrorInfo> errors;
  ASSERT_EQ(keybord.As(&errors), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID__KeyBord), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);

  ComPtr<IProvideClassInfo> classInfo;
  ASSERT_EQ(keybord.As(&classInfo), S_OK);
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(&coclass), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_KeyBord));
  coclass->ReleaseTypeAttr(attr);
}

std::vector<BYTE> ResourceBytes(const wchar_t* type, const wchar_t* name) {
  HRSRC found = FindResourceW(Library(), name, type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(Library(), found);
  const auto* data = static_cast<const BYTE*>(LockResource(loaded));
  return std::vector<BYTE>(data, data + SizeofResource(Library(), found));
}

void ExpectIdentifierRecord(const wchar_t* type, REFIID iid) {
  const std::vector<BYTE> bytes = ResourceBytes(type, MAKEINTRESOURCEW(1));
  ASSERT_EQ(bytes.size(), 20u);
  DWORD length = 0;
  std::memcpy(&length, bytes.data(), 4);
  EXPECT_EQ(length, 16u);
  EXPECT_EQ(std::memcmp(bytes.data() + 4, &iid, 16), 0);
}

TEST(Resources, IdentifierRecords) {
  ExpectIdentifierRecord(L"_IID_KEYBORD", IID__KeyBord);
  ExpectIdentifierRecord(L"_SRCIID_KEYBORD", DIID___KeyBord);
}

TEST(Resources, ToolboxBitmapIsSixteenColours) {
  const std::vector<BYTE> bytes = ResourceBytes(MAKEINTRESOURCEW(2) /* RT_BITMAP */, MAKEINTRESOURCEW(30000));
  ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header{};
  std::memcpy(&header, bytes.data(), sizeof header);
  EXPECT_EQ(header.biWidth, 16);
  EXPECT_EQ(header.biHeight, 15);
  EXPECT_EQ(header.biBitCount, 4);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_TRUE(header.biClrUsed == 16 || header.biClrUsed == 0);
  EXPECT_EQ(bytes.size(), sizeof header + 16 * 4 + 15 * 8u) << "palette and 15 rows of 8 bytes";
  HANDLE image = LoadImageW(Library(), MAKEINTRESOURCEW(30000), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  EXPECT_NE(image, nullptr);
  if (image) DeleteObject(image);
}

TEST(Resources, TypeLibraryIsEmbedded) {
  EXPECT_GT(ResourceBytes(L"TYPELIB", MAKEINTRESOURCEW(1)).size(), 0u);
  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadTypeLibEx(OcxPath().c_str(), REGKIND_NONE, &library), S_OK);
  EXPECT_EQ(library->GetTypeInfoCount(), 4u);
}

// Every property of _KeyBord is a row of the component's property table,
// under the same name, dispatch identifier and type, and every row is one.
TEST(Resources, PropertyTableAgreesWithTheTypeLibrary) {
  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadTypeLibEx(OcxPath().c_str(), REGKIND_NONE, &library), S_OK);
  ComPtr<ITypeInfo> dispatchSide;
  ASSERT_EQ(library->GetTypeInfoOfGuid(IID__KeyBord, &dispatchSide), S_OK);
  HREFTYPE twin = 0;
  ASSERT_EQ(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &twin), S_OK);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(dispatchSide->GetRefTypeInfo(twin, &info), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  const WORD count = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  std::size_t accessors = 0;
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* func = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &func), S_OK);
    if (func->invkind == INVOKE_PROPERTYGET || func->invkind == INVOKE_PROPERTYPUT) {
      ++accessors;
      BSTR name = nullptr;
      ASSERT_EQ(info->GetDocumentation(func->memid, &name, nullptr, nullptr, nullptr), S_OK);
      const std::u16string_view named(reinterpret_cast<const char16_t*>(name), SysStringLen(name));
      const auto row = std::ranges::find(Properties(), named, &Property::name);
      SysFreeString(name);
      ASSERT_NE(row, Properties().end()) << "member " << i;
      EXPECT_EQ(func->memid, row->dispatchId) << "member " << i;
      const TYPEDESC& param = func->lprgelemdescParam[0].tdesc;
      const TYPEDESC& value = func->invkind == INVOKE_PROPERTYGET ? *param.lptdesc : param;
      // The table's 32-bit integer is the enumeration.
      EXPECT_EQ(value.vt, row->type == VarType::I4 ? VT_USERDEFINED : static_cast<VARTYPE>(row->type)) << "member " << i;
    }
    info->ReleaseFuncDesc(func);
  }
  EXPECT_EQ(accessors, 2 * Properties().size()) << "a get and a put for each row";
}

struct VersionString {
  const wchar_t* name;
  const wchar_t* value;
};

class VersionStrings : public ::testing::TestWithParam<VersionString> {};

TEST_P(VersionStrings, Present) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(OcxPath().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(OcxPath().c_str(), 0, size, block.data()));
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + GetParam().name;
  wchar_t* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length));
  EXPECT_EQ(std::wstring(value ? value : L""), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Library, VersionStrings,
    ::testing::Values(VersionString{L"FileVersion", L"1.00"}, VersionString{L"ProductVersion", L"1.00"},
                      VersionString{L"FileDescription", L"VexoKeyBord Keyboard Control"},
                      VersionString{L"ProductName", L"VexoKeyBord"}, VersionString{L"InternalName", L"VexoKeyBord"},
                      VersionString{L"OriginalFilename", L"VexoKeyBord.ocx"},
                      VersionString{L"CompanyName", L"VexoKeyBord developers"},
                      VersionString{L"OLESelfRegister", L""}),
    [](const auto& info) {
      std::string name;
      for (const wchar_t* c = info.param.name; *c; ++c) name.push_back(static_cast<char>(*c));
      return name;
    });

TEST(Resources, FixedVersionAndTranslation) {
  DWORD ignored = 0;
  std::vector<BYTE> block(GetFileVersionInfoSizeW(OcxPath().c_str(), &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(OcxPath().c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04B0);
}

}  // namespace
}  // namespace vexo::wine
