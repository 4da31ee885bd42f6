// SPDX-License-Identifier: MIT
// What registration leaves in the registry and what a host reads back from
// the registered type library; and that unregistration leaves nothing.
// "Registered*" runs after Wine's regsvr32 registered the library,
// "Unregistered*" after it unregistered it again.
#include "Support.h"

#include "hosting/PropertyPage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace vexo::wine {
namespace {

// The value, or nothing when the key or value is missing.
bool ReadValue(const std::wstring& key, const wchar_t* name, std::wstring& value) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  const LONG status = RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS || type != REG_SZ) return false;
  value = buffer;
  return true;
}

bool KeyExists(const std::wstring& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

// The folder part of a file path.
std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

constexpr wchar_t ReadableName[] = L"VexoKeyBord Keyboard Control";

// Each library describes, and registers its type library for, the platform
// it was built for.
constexpr bool Win64 = sizeof(void*) == 8;
constexpr SYSKIND Platform = Win64 ? SYS_WIN64 : SYS_WIN32;
constexpr const wchar_t* PlatformKey = Win64 ? L"win64" : L"win32";

std::wstring Clsid() { return L"CLSID\\" + Braced(CLSID_KeyBord); }
std::wstring PageClsid() { return L"CLSID\\" + Braced(hosting::CLSID_KeyBordPage); }
std::wstring Interface(REFIID iid) { return L"Interface\\" + Braced(iid); }
std::wstring ModuleFile() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(Library(), path, MAX_PATH);
  return path;
}

struct Entry {
  const char* name;
  std::wstring key;
  const wchar_t* value;  // null: the default value
  std::wstring expected;
};

std::vector<Entry> Entries() {
  const std::wstring marshaler = L"{00020424-0000-0000-C000-000000000046}";
  const std::wstring libid = Braced(LIBID_VexoKeyBord);
  return {
      {"ClassName", Clsid(), nullptr, ReadableName},
      {"Server", Clsid() + L"\\InprocServer32", nullptr, ModuleFile()},
      {"Threading", Clsid() + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {"ClassProgId", Clsid() + L"\\ProgID", nullptr, L"VexoKeyBord.KeyBord.1"},
      {"ClassIndependentProgId", Clsid() + L"\\VersionIndependentProgID", nullptr, L"VexoKeyBord.KeyBord"},
      {"ClassVersion", Clsid() + L"\\VERSION", nullptr, L"1.0"},
      {"ClassTypeLib", Clsid() + L"\\TypeLib", nullptr, libid},
      {"MiscStatus", Clsid() + L"\\MiscStatus\\1", nullptr, L"131473"},
      {"ToolboxBitmap", Clsid() + L"\\ToolboxBitmap32", nullptr, ModuleFile() + L", 30000"},
      {"PageName", PageClsid(), nullptr, L"KeyBord Property Page"},
      {"PageServer", PageClsid() + L"\\InprocServer32", nullptr, ModuleFile()},
      {"PageThreading", PageClsid() + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {"ProgId", L"VexoKeyBord.KeyBord", nullptr, ReadableName},
      {"ProgIdClass", L"VexoKeyBord.KeyBord\\CLSID", nullptr, Braced(CLSID_KeyBord)},
      {"ProgIdCurrentVersion", L"VexoKeyBord.KeyBord\\CurVer", nullptr, L"VexoKeyBord.KeyBord.1"},
      {"VersionedProgId", L"VexoKeyBord.KeyBord.1", nullptr, ReadableName},
      {"VersionedProgIdClass", L"VexoKeyBord.KeyBord.1\\CLSID", nullptr, Braced(CLSID_KeyBord)},
      {"Interface", Interface(IID__KeyBord), nullptr, L"_KeyBord"},
      {"InterfaceStub", Interface(IID__KeyBord) + L"\\ProxyStubClsid32", nullptr, marshaler},
      {"InterfaceStub16", Interface(IID__KeyBord) + L"\\ProxyStubClsid", nullptr, marshaler},
      {"InterfaceTypeLib", Interface(IID__KeyBord) + L"\\TypeLib", nullptr, libid},
      {"InterfaceTypeLibVersion", Interface(IID__KeyBord) + L"\\TypeLib", L"Version", L"1.0"},
      {"Events", Interface(DIID___KeyBord), nullptr, L"__KeyBord"},
      {"EventsStub", Interface(DIID___KeyBord) + L"\\ProxyStubClsid32", nullptr, marshaler},
      {"EventsTypeLib", Interface(DIID___KeyBord) + L"\\TypeLib", nullptr, libid},
      {"TypeLibName", L"TypeLib\\" + libid + L"\\1.0", nullptr, L"VexoKeyBord"},
      {"TypeLibPath", L"TypeLib\\" + libid + L"\\1.0\\0\\" + PlatformKey, nullptr, ModuleFile()},
      {"TypeLibHelpDir", L"TypeLib\\" + libid + L"\\1.0\\HELPDIR", nullptr, Folder(ModuleFile())},
  };
}

TEST(Registered, EveryRegistryValue) {
  for (const Entry& entry : Entries()) {
    SCOPED_TRACE(entry.name);
    std::wstring value;
    ASSERT_TRUE(ReadValue(entry.key, entry.value, value));
    EXPECT_EQ(value, entry.expected);
  }
  EXPECT_TRUE(KeyExists(Clsid() + L"\\Control"));
  EXPECT_TRUE(KeyExists(Clsid() + L"\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}"));
}

// The verbs a container offers, as the registry holds them and as the
// control enumerates them.
TEST(Registered, StandardVerbs) {
  const OLEVERB expected[] = {
      {OLEIVERB_PRIMARY, const_cast<LPWSTR>(L"&Activate"), MF_STRING, OLEVERBATTRIB_NEVERDIRTIES | OLEVERBATTRIB_ONCONTAINERMENU},
      {OLEIVERB_SHOW, const_cast<LPWSTR>(L"&Show"), MF_STRING, OLEVERBATTRIB_NEVERDIRTIES},
      {OLEIVERB_HIDE, const_cast<LPWSTR>(L"&Hide"), MF_STRING, OLEVERBATTRIB_NEVERDIRTIES},
      {OLEIVERB_UIACTIVATE, const_cast<LPWSTR>(L"&UI Activate"), MF_STRING, OLEVERBATTRIB_NEVERDIRTIES},
      {OLEIVERB_INPLACEACTIVATE, const_cast<LPWSTR>(L"&In-place Activate"), MF_STRING, OLEVERBATTRIB_NEVERDIRTIES},
  };
  ComPtr<IOleObject> object;
  ASSERT_EQ(CreateDirect().As(&object), S_OK);
  ComPtr<IEnumOLEVERB> verbs;
  ASSERT_EQ(object->EnumVerbs(&verbs), S_OK);
  std::vector<OLEVERB> found;
  for (OLEVERB verb{}; verbs->Next(1, &verb, nullptr) == S_OK; verb = OLEVERB{}) {
    found.push_back(verb);
  }
  EXPECT_EQ(found.size(), std::size(expected));
  for (const OLEVERB& verb : expected) {
    SCOPED_TRACE(verb.lVerb);
    std::wstring value;
    EXPECT_TRUE(ReadValue(Clsid() + L"\\Verb\\" + std::to_wstring(verb.lVerb), nullptr, value));
    EXPECT_EQ(value, verb.lpszVerbName + (L"," + std::to_wstring(verb.fuFlags)) + L"," +
                         std::to_wstring(verb.grfAttribs));
    const auto enumerated = std::find_if(found.begin(), found.end(), [&](const OLEVERB& f) { return f.lVerb == verb.lVerb; });
    ASSERT_NE(enumerated, found.end());
    EXPECT_STREQ(enumerated->lpszVerbName, verb.lpszVerbName);
    EXPECT_EQ(enumerated->fuFlags, verb.fuFlags);
    EXPECT_EQ(enumerated->grfAttribs, verb.grfAttribs);
  }
  for (OLEVERB& verb : found) CoTaskMemFree(verb.lpszVerbName);

  OLEVERB two[2] = {};
  EXPECT_EQ(verbs->Next(2, two, nullptr), E_POINTER) << "more than one needs a count";
  EXPECT_EQ(verbs->Reset(), S_OK);
  EXPECT_EQ(verbs->Skip(static_cast<ULONG>(std::size(expected)) - 1), S_OK);
  ComPtr<IEnumOLEVERB> clone;
  ASSERT_EQ(verbs->Clone(&clone), S_OK);
  ULONG fetched = 99;
  EXPECT_EQ(clone->Next(2, two, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(two[0].lVerb, expected[std::size(expected) - 1].lVerb);
  CoTaskMemFree(two[0].lpszVerbName);
  EXPECT_EQ(verbs->Skip(2), S_FALSE);
}

// The type library's help folder is the library's own, also after the file
// is registered again from elsewhere; registering the first file again puts
// everything back.
TEST(Registered, HelpFolderFollowsTheFile) {
  wchar_t temporary[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, temporary), 0u);
  const std::wstring folder = std::wstring(temporary) + L"VexoKeyBordMoved";
  const std::wstring copy = folder + L"\\VexoKeyBord.ocx";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(ModuleFile().c_str(), copy.c_str(), FALSE));
  const std::wstring helpDir = L"TypeLib\\" + Braced(LIBID_VexoKeyBord) + L"\\1.0\\HELPDIR";
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const HMODULE moved = LoadLibraryW(copy.c_str());
  ASSERT_NE(moved, nullptr);
  auto registerMoved = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(moved, "DllRegisterServer")));
  auto registerOriginal = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(Library(), "DllRegisterServer")));
  ASSERT_NE(registerMoved, nullptr);
  EXPECT_EQ(registerMoved(), S_OK);
  std::wstring value;
  EXPECT_TRUE(ReadValue(helpDir, nullptr, value));
  EXPECT_EQ(value, folder);
  EXPECT_TRUE(ReadValue(Clsid() + L"\\InprocServer32", nullptr, value));
  EXPECT_EQ(Folder(value), Folder(copy));
  EXPECT_EQ(registerOriginal(), S_OK);
  FreeLibrary(moved);
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
  EXPECT_TRUE(ReadValue(helpDir, nullptr, value));
  EXPECT_EQ(value, Folder(ModuleFile()));
}

TEST(Registered, UserTypeIsTheReadableName) {
  ComPtr<IOleObject> object;
  ASSERT_EQ(CreateDirect().As(&object), S_OK);
  const std::pair<DWORD, std::wstring> names[] = {
      {USERCLASSTYPE_FULL, ReadableName}, {USERCLASSTYPE_SHORT, L"KeyBord"}, {USERCLASSTYPE_APPNAME, L"VexoKeyBord"}};
  for (const auto& [form, expected] : names) {
    LPOLESTR name = reinterpret_cast<LPOLESTR>(0xdeadbeef);
    ASSERT_EQ(object->GetUserType(form, &name), S_OK);
    EXPECT_EQ(std::wstring(name), expected);
    CoTaskMemFree(name);
  }
  LPOLESTR name = reinterpret_cast<LPOLESTR>(0xdeadbeef);
  EXPECT_EQ(object->GetUserType(7, &name), E_INVALIDARG);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(object->GetUserType(USERCLASSTYPE_FULL, nullptr), E_POINTER);
}

TEST(Registered, CreatedByProgrammaticIdentifier) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"VexoKeyBord.KeyBord.1", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, CLSID_KeyBord));
  ASSERT_EQ(CLSIDFromProgID(L"VexoKeyBord.KeyBord", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, CLSID_KeyBord));
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &dispatch), S_OK);
  ComPtr<_KeyBord> keybord;
  EXPECT_EQ(dispatch.As(&keybord), S_OK);
}

// Containers and clipboard formats that keep a control in a plain stream
// write its class, then its record, and make it again from them: the new
// object carries the three properties, the text whole above its limit, and
// both are clean.
TEST(Registered, SavedToAndLoadedFromAStreamByItsClass) {
  ComPtr<_KeyBord> original = CreateDirect();
  ASSERT_NE(original, nullptr);
  Bstr text(L"streamed whole");
  ASSERT_EQ(original->put_Text(text.get()), S_OK);
  ASSERT_EQ(original->put_MaxLength(4), S_OK);
  ASSERT_EQ(original->put_ChangeBord(ImageAct), S_OK);
  ComPtr<IPersistStream> persist = Facet<IPersistStream>(original);
  ASSERT_NE(persist, nullptr);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  CLSID clsid{};
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_KeyBord));
  ULARGE_INTEGER size{};
  ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ASSERT_EQ(OleSaveToStream(persist.Get(), stream.Get()), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  ULARGE_INTEGER end{};
  ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end), S_OK);
  EXPECT_EQ(end.QuadPart, sizeof(CLSID) + size.QuadPart) << "the class, then the record GetSizeMax measured";

  ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  ComPtr<_KeyBord> loaded;
  ASSERT_EQ(OleLoadFromStream(stream.Get(), IID__KeyBord, &loaded), S_OK);
  ASSERT_NE(loaded, nullptr);
  Bstr back;
  short limit = -1;
  ActivPanel panel = abcAct;
  EXPECT_EQ(loaded->get_Text(&back), S_OK);
  EXPECT_EQ(loaded->get_MaxLength(&limit), S_OK);
  EXPECT_EQ(loaded->get_ChangeBord(&panel), S_OK);
  EXPECT_EQ(back.str(), text.str());
  EXPECT_EQ(limit, 4);
  EXPECT_EQ(panel, ImageAct);
  EXPECT_EQ(Facet<IPersistStream>(loaded)->IsDirty(), S_FALSE);
}

// --- The registered type library, as a host reads it.

struct TypeLibrary : ::testing::Test {
  void SetUp() override {
    ASSERT_EQ(LoadRegTypeLib(LIBID_VexoKeyBord, 1, 0, 0, &library), S_OK);
  }
  ComPtr<ITypeInfo> Type(UINT index) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library->GetTypeInfo(index, &info), S_OK);
    return info;
  }
  static TYPEATTR Attributes(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
    TYPEATTR copy = attr ? *attr : TYPEATTR{};
    if (attr) info->ReleaseTypeAttr(attr);
    return copy;
  }
  static std::wstring Name(ITypeInfo* info, MEMBERID member = MEMBERID_NIL) {
    Bstr name;
    EXPECT_EQ(info->GetDocumentation(member, &name, nullptr, nullptr, nullptr), S_OK);
    return name.str();
  }
  // The help string an object browser shows.
  static std::wstring Help(ITypeInfo* info, MEMBERID member = MEMBERID_NIL) {
    Bstr doc;
    EXPECT_EQ(info->GetDocumentation(member, nullptr, &doc, nullptr, nullptr), S_OK);
    return doc.get() ? doc.str() : std::wstring();
  }
  ComPtr<ITypeLib> library;
};
using RegisteredTypeLibrary = TypeLibrary;

TEST_F(RegisteredTypeLibrary, LibraryAttributes) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_VexoKeyBord));
  EXPECT_EQ(attr->lcid, 0x0409u);
  EXPECT_EQ(attr->syskind, Platform);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_TRUE(attr->wLibFlags & LIBFLAG_FCONTROL);
  library->ReleaseTLibAttr(attr);
  Bstr name;
  Bstr doc;
  Bstr help;
  ASSERT_EQ(library->GetDocumentation(-1, &name, &doc, nullptr, &help), S_OK);
  EXPECT_EQ(name.str(), L"VexoKeyBord");
  EXPECT_EQ(doc.str(), L"VexoKeyBord") << "also the name the registry and reference lists show";
  EXPECT_EQ(help.get(), nullptr);

  // Found for any locale a host asks for.
  ComPtr<ITypeLib> english;
  EXPECT_EQ(LoadRegTypeLib(LIBID_VexoKeyBord, 1, 0, 0x0409, &english), S_OK);
}

TEST_F(RegisteredTypeLibrary, FourTypesInOrder) {
  ASSERT_EQ(library->GetTypeInfoCount(), 4u);
  struct Expected {
    const wchar_t* name;
    TYPEKIND kind;
    WORD flags;
    GUID guid;
  };
  const Expected expected[] = {
      {L"_KeyBord", TKIND_DISPATCH,
       TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE, IID__KeyBord},
      {L"KeyBord", TKIND_COCLASS, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, CLSID_KeyBord},
      {L"__KeyBord", TKIND_DISPATCH, TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE,
       DIID___KeyBord},
      {L"ActivPanel", TKIND_ENUM, 0, GUID{}},
  };
  for (UINT i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    ComPtr<ITypeInfo> info = Type(i);
    ASSERT_NE(info, nullptr);
    const TYPEATTR attr = Attributes(info.Get());
    EXPECT_EQ(Name(info.Get()), expected[i].name);
    EXPECT_NE(Help(info.Get()), L"");
    EXPECT_EQ(attr.typekind, expected[i].kind);
    EXPECT_EQ(attr.wTypeFlags, expected[i].flags);
    if (i != 3) {
      EXPECT_TRUE(IsEqualGUID(attr.guid, expected[i].guid));
    } else {
      EXPECT_FALSE(IsEqualGUID(attr.guid, GUID{})) << "the enumeration has its own identifier";
    }
  }
  // The function-table side of the dual interface carries the automation flag.
  HREFTYPE twin = 0;
  ComPtr<ITypeInfo> dispatchSide = Type(0);
  ASSERT_EQ(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &twin), S_OK);
  ComPtr<ITypeInfo> vtableSide;
  ASSERT_EQ(dispatchSide->GetRefTypeInfo(twin, &vtableSide), S_OK);
  const TYPEATTR attr = Attributes(vtableSide.Get());
  EXPECT_EQ(attr.typekind, TKIND_INTERFACE);
  EXPECT_EQ(attr.wTypeFlags, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                 TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(attr.cFuncs, 18);
  EXPECT_EQ(attr.cbSizeVft, (7 + 18) * sizeof(void*)) << "IDispatch, then the 18 members";

  // Its base is IDispatch of the standard automation library 2.0.
  HREFTYPE base = 0;
  ASSERT_EQ(vtableSide->GetRefTypeOfImplType(0, &base), S_OK);
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(vtableSide->GetRefTypeInfo(base, &dispatch), S_OK);
  EXPECT_TRUE(IsEqualGUID(Attributes(dispatch.Get()).guid, IID_IDispatch));
  ComPtr<ITypeLib> standard;
  UINT index = 0;
  ASSERT_EQ(dispatch->GetContainingTypeLib(&standard, &index), S_OK);
  TLIBATTR* libAttr = nullptr;
  ASSERT_EQ(standard->GetLibAttr(&libAttr), S_OK);
  EXPECT_EQ(Braced(libAttr->guid), L"{00020430-0000-0000-C000-000000000046}");
  EXPECT_EQ(libAttr->wMajorVerNum, 2);
  EXPECT_EQ(libAttr->wMinorVerNum, 0);
  standard->ReleaseTLibAttr(libAttr);
}

struct Member {
  const wchar_t* name;
  MEMBERID id;
  INVOKEKIND kind;
  std::vector<std::pair<VARTYPE, USHORT>> parameters;  // type (VT_PTR | pointee as VT_BYREF) and flags
};

TEST_F(RegisteredTypeLibrary, MembersOfKeyBordInTableOrder) {
  constexpr USHORT In = PARAMFLAG_FIN;
  constexpr USHORT InOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
  constexpr USHORT RetVal = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
  const Member members[] = {
      {L"AfterFindImage", 0x60030004, INVOKE_FUNC, {{VT_BSTR | VT_BYREF, InOut}}},
      {L"EnterKey", 0x60030005, INVOKE_FUNC, {}},
      {L"FindABC", 0x60030006, INVOKE_FUNC, {{VT_BSTR | VT_BYREF, InOut}}},
      {L"FindImage", 0x60030007, INVOKE_FUNC, {{VT_I2, In}, {VT_I2, In}}},
      {L"FindImageNumber", 0x60030008, INVOKE_FUNC, {{VT_I2, In}}},
      {L"GetMessage", 0x60030009, INVOKE_FUNC, {{VT_I2 | VT_BYREF, InOut}}},
      {L"KeyF1ToF6", 0x6003000B, INVOKE_FUNC, {{VT_I2 | VT_BYREF, InOut}}},
      {L"LeftPos", 0x6003000C, INVOKE_FUNC, {}},
      {L"FindNumber", 0x6003000D, INVOKE_FUNC, {{VT_BSTR | VT_BYREF, InOut}}},
      {L"RightPos", 0x60030011, INVOKE_FUNC, {}},
      {L"CapsLock", 0x68030003, INVOKE_PROPERTYGET, {{VT_BOOL | VT_BYREF, RetVal}}},
      {L"ChangeBord", 0x68030002, INVOKE_PROPERTYGET, {{VT_USERDEFINED | VT_BYREF, RetVal}}},
      {L"ChangeBord", 0x68030002, INVOKE_PROPERTYPUT, {{VT_USERDEFINED, In}}},
      {L"CapsLock", 0x68030003, INVOKE_PROPERTYPUT, {{VT_BOOL, In}}},
      {L"Text", 0x68030001, INVOKE_PROPERTYGET, {{VT_BSTR | VT_BYREF, RetVal}}},
      {L"Text", 0x68030001, INVOKE_PROPERTYPUT, {{VT_BSTR, In}}},
      {L"MaxLength", 0x68030000, INVOKE_PROPERTYGET, {{VT_I2 | VT_BYREF, RetVal}}},
      {L"MaxLength", 0x68030000, INVOKE_PROPERTYPUT, {{VT_I2, In}}},
  };
  ComPtr<ITypeInfo> dispatchSide = Type(0);
  HREFTYPE twin = 0;
  ASSERT_EQ(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &twin), S_OK);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(dispatchSide->GetRefTypeInfo(twin, &info), S_OK);
  for (UINT i = 0; i < 18; ++i) {
    const Member& member = members[i];
    SCOPED_TRACE(i);
    FUNCDESC* func = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &func), S_OK);
    EXPECT_EQ(Name(info.Get(), func->memid), member.name);
    EXPECT_NE(Help(info.Get(), func->memid), L"");
    EXPECT_EQ(func->memid, member.id);
    EXPECT_EQ(func->invkind, member.kind);
    EXPECT_EQ(func->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(func->callconv, CC_STDCALL);
    EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
    EXPECT_EQ(func->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
    ASSERT_EQ(static_cast<size_t>(func->cParams), member.parameters.size());
    for (SHORT p = 0; p < func->cParams; ++p) {
      const TYPEDESC& type = func->lprgelemdescParam[p].tdesc;
      const VARTYPE vt = type.vt == VT_PTR ? static_cast<VARTYPE>(type.lptdesc->vt | VT_BYREF) : type.vt;
      EXPECT_EQ(vt, member.parameters[p].first);
      EXPECT_EQ(func->lprgelemdescParam[p].paramdesc.wParamFlags, member.parameters[p].second);
      const TYPEDESC& named = type.vt == VT_PTR ? *type.lptdesc : type;
      if (named.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> user;
        ASSERT_EQ(info->GetRefTypeInfo(named.hreftype, &user), S_OK);
        EXPECT_EQ(Name(user.Get()), L"ActivPanel");
      }
    }
    info->ReleaseFuncDesc(func);
  }
  Bstr names[3];
  UINT count = 0;
  ASSERT_EQ(info->GetNames(0x60030007, &names[0], 3, &count), S_OK);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(names[1].str(), L"KeyCode");
  EXPECT_EQ(names[2].str(), L"Shift");
}

TEST_F(RegisteredTypeLibrary, ClassAndEventInterface) {
  ComPtr<ITypeInfo> coclass = Type(1);
  ASSERT_EQ(Attributes(coclass.Get()).cImplTypes, 2);
  const wchar_t* names[] = {L"_KeyBord", L"__KeyBord"};
  const INT flags[] = {IMPLTYPEFLAG_FDEFAULT, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE};
  for (UINT i = 0; i < 2; ++i) {
    HREFTYPE href = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &href), S_OK);
    ComPtr<ITypeInfo> implemented;
    ASSERT_EQ(coclass->GetRefTypeInfo(href, &implemented), S_OK);
    EXPECT_EQ(Name(implemented.Get()), names[i]);
    INT implFlags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(i, &implFlags), S_OK);
    EXPECT_EQ(implFlags, flags[i]);
  }

  ComPtr<ITypeInfo> events = Type(2);
  const TYPEATTR attr = Attributes(events.Get());
  // The events, by name and identifier, with their parameters' names and
  // types: what a script host binds its handlers by.
  struct Event {
    const wchar_t* name;
    MEMBERID id;
    std::vector<std::pair<const wchar_t*, VARTYPE>> parameters;
  };
  const Event expected[] = {
      {L"Change", 1, {}},
      {L"KeyTyped", 2, {{L"Text", VT_BSTR}, {L"Accepted", VT_BOOL}}},
      {L"PanelChanged", 3, {{L"Panel", VT_USERDEFINED}}},
  };
  ASSERT_EQ(attr.cFuncs, 3);
  for (UINT i = 0; i < 3; ++i) {
    const Event& event = expected[i];
    SCOPED_TRACE(event.name);
    FUNCDESC* func = nullptr;
    ASSERT_EQ(events->GetFuncDesc(i, &func), S_OK);
    EXPECT_EQ(func->memid, event.id);
    EXPECT_EQ(func->funckind, FUNC_DISPATCH);
    EXPECT_EQ(func->invkind, INVOKE_FUNC);
    EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_VOID);
    EXPECT_NE(Help(events.Get(), func->memid), L"");
    Bstr names[3];
    UINT count = 0;
    EXPECT_EQ(events->GetNames(func->memid, &names[0], 3, &count), S_OK);
    EXPECT_EQ(names[0].str(), event.name);
    ASSERT_EQ(static_cast<size_t>(func->cParams), event.parameters.size());
    ASSERT_EQ(count, event.parameters.size() + 1);
    for (SHORT p = 0; p < func->cParams; ++p) {
      EXPECT_EQ(names[p + 1].str(), event.parameters[p].first);
      EXPECT_EQ(func->lprgelemdescParam[p].tdesc.vt, event.parameters[p].second);
      EXPECT_EQ(func->lprgelemdescParam[p].paramdesc.wParamFlags, PARAMFLAG_FIN);
      if (func->lprgelemdescParam[p].tdesc.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> user;
        ASSERT_EQ(events->GetRefTypeInfo(func->lprgelemdescParam[p].tdesc.hreftype, &user), S_OK);
        EXPECT_EQ(Name(user.Get()), L"ActivPanel");
      }
    }
    events->ReleaseFuncDesc(func);
  }
  EXPECT_EQ(attr.cVars, 0);
  ASSERT_EQ(attr.cImplTypes, 1);
  HREFTYPE base = 0;
  ASSERT_EQ(events->GetRefTypeOfImplType(0, &base), S_OK);
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(events->GetRefTypeInfo(base, &dispatch), S_OK);
  EXPECT_TRUE(IsEqualGUID(Attributes(dispatch.Get()).guid, IID_IDispatch));
}

TEST_F(RegisteredTypeLibrary, ActivPanelValues) {
  ComPtr<ITypeInfo> info = Type(3);
  const TYPEATTR attr = Attributes(info.Get());
  ASSERT_EQ(attr.cVars, 3);
  EXPECT_EQ(attr.cbSizeInstance, 4u);
  const wchar_t* names[] = {L"abcAct", L"NumberAct", L"ImageAct"};
  const wchar_t* panels[] = {L"letter panel", L"number panel", L"symbol panel"};  // said by the help string
  for (UINT i = 0; i < 3; ++i) {
    VARDESC* var = nullptr;
    ASSERT_EQ(info->GetVarDesc(i, &var), S_OK);
    EXPECT_EQ(Name(info.Get(), var->memid), names[i]);
    EXPECT_NE(Help(info.Get(), var->memid).find(panels[i]), std::wstring::npos);
    EXPECT_EQ(var->varkind, VAR_CONST);
    Var value;
    ASSERT_EQ(VariantChangeType(&value, var->lpvarValue, 0, VT_I4), S_OK);
    EXPECT_EQ(V_I4(&value), static_cast<LONG>(i));
    info->ReleaseVarDesc(var);
  }
}

// --- After unregistration.

TEST(Unregistered, NothingOfTheComponentRemains) {
  const std::wstring keys[] = {Clsid(), PageClsid(), L"VexoKeyBord.KeyBord", L"VexoKeyBord.KeyBord.1", Interface(IID__KeyBord), Interface(DIID___KeyBord),
                               L"TypeLib\\" + Braced(LIBID_VexoKeyBord)};
  for (const std::wstring& key : keys) {
    EXPECT_FALSE(KeyExists(key)) << std::string(key.begin(), key.end());
  }
  ComPtr<ITypeLib> library;
  EXPECT_NE(LoadRegTypeLib(LIBID_VexoKeyBord, 1, 0, 0, &library), S_OK);
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(CLSID_KeyBord, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  CLSID clsid{};
  EXPECT_NE(CLSIDFromProgID(L"VexoKeyBord.KeyBord", &clsid), S_OK);
}

// --- Without registration: a client whose application manifest names the
// component, with the kit's library and manifest in the client's folder.

// the file docs/windows.md shows (VEXO_CLIENT_MANIFEST).
// the file the README shows (VEXO_CLIENT_MANIFEST).
std::wstring ClientManifest() {
  const wchar_t* manifest = _wgetenv(L"VEXO_CLIENT_MANIFEST");
  return manifest ? manifest : L"client.manifest";
}

std::wstring Kit() {
  const wchar_t* kit = _wgetenv(L"VEXO_KIT");
  return kit ? kit : L"kit";
}

// A client folder with the files of the kit named, and the activation
// context of its application manifest.
class ClientFolder {
 public:
  ClientFolder(const wchar_t* name, std::initializer_list<const wchar_t*> files) {
    wchar_t temporary[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temporary);
    folder_ = std::wstring(temporary) + name;
    CreateDirectoryW(folder_.c_str(), nullptr);
    for (const wchar_t* file : files) {
      EXPECT_TRUE(CopyFileW((Kit() + L"\\" + file).c_str(), (folder_ + L"\\" + file).c_str(), FALSE))
          << std::string(file, file + wcslen(file));
    }
    const std::wstring application = folder_ + L"\\client.manifest";
    EXPECT_TRUE(CopyFileW(ClientManifest().c_str(), application.c_str(), FALSE)) << "VEXO_CLIENT_MANIFEST";
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
    context.lpSource = application.c_str();
    context.lpAssemblyDirectory = folder_.c_str();
    context_ = CreateActCtxW(&context);
  }
  ~ClientFolder() {
    if (active_) DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
  }
  bool Activate() { return context_ != INVALID_HANDLE_VALUE && (active_ = ActivateActCtx(context_, &cookie_)); }
  std::wstring File(const wchar_t* name) const { return folder_ + L"\\" + name; }

 private:
  std::wstring folder_;
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

TEST(UnregisteredSideBySide, TheKitHoldsWhatAHostDeveloperNeeds) {
  for (const wchar_t* file : {L"VexoKeyBord.ocx", L"VexoKeyBord.tlb", L"VexoKeyBord_h.h", L"VexoKeyBord_i.c",
                              L"VexoKeyBord.manifest"}) {
    EXPECT_NE(GetFileAttributesW((Kit() + L"\\" + file).c_str()), INVALID_FILE_ATTRIBUTES)
        << std::string(file, file + wcslen(file));
  }
  // The header names its source without the folders of the machine that built it.
  char first[256] = {};
  if (FILE* header = _wfopen((Kit() + L"\\VexoKeyBord_h.h").c_str(), L"rb")) {
    std::fgets(first, sizeof first, header);
    std::fclose(header);
  }
  EXPECT_NE(std::strstr(first, " from VexoKeyBord.idl "), nullptr) << first;
}

TEST(UnregisteredSideBySide, CreatedByProgrammaticAndClassIdentifier) {
  CLSID clsid{};
  ASSERT_NE(CLSIDFromProgID(L"VexoKeyBord.KeyBord", &clsid), S_OK) << "nothing is registered";
  ClientFolder client(L"VexoKeyBordClient", {L"VexoKeyBord.ocx", L"VexoKeyBord.manifest"});
  ASSERT_TRUE(client.Activate());
  // A programmatic identifier gives the activation context's alias of the
  // class, which creates the class while the context is active.
  for (const wchar_t* progId : {L"VexoKeyBord.KeyBord", L"VexoKeyBord.KeyBord.1"}) {
    SCOPED_TRACE(std::string(progId, progId + wcslen(progId)));
    clsid = GUID_NULL;
    ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    ComPtr<_KeyBord> byName;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__KeyBord, &byName), S_OK);
    ComPtr<IPersist> persist;
    ASSERT_EQ(byName.As(&persist), S_OK);
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_KeyBord));
  }
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(CoCreateInstance(CLSID_KeyBord, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &dispatch), S_OK);
  EXPECT_NE(GetModuleHandleW(client.File(L"VexoKeyBord.ocx").c_str()), nullptr) << "served from the client's folder";
  ComPtr<IPropertyPage> page;
  EXPECT_EQ(CoCreateInstance(hosting::CLSID_KeyBordPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, &page), S_OK);

  // Called early and late bound.
  ComPtr<_KeyBord> keybord;
  ASSERT_EQ(dispatch.As(&keybord), S_OK);
  Bstr text(L"sxs");
  EXPECT_EQ(keybord->put_Text(text.get()), S_OK);
  LPOLESTR name = const_cast<LPOLESTR>(L"Text");
  DISPID id = 0;
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  DISPPARAMS none{};
  Var result;
  ASSERT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
  ASSERT_EQ(V_VT(&result), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&result), L"sxs");

  // The verbs a container offers, also without their registry keys.
  ComPtr<IOleObject> object;
  ASSERT_EQ(dispatch.As(&object), S_OK);
  ComPtr<IEnumOLEVERB> verbs;
  ASSERT_EQ(object->EnumVerbs(&verbs), S_OK);
  OLEVERB verb{};
  ASSERT_EQ(verbs->Next(1, &verb, nullptr), S_OK);
  EXPECT_EQ(verb.lVerb, OLEIVERB_PRIMARY);
  CoTaskMemFree(verb.lpszVerbName);
}

TEST(UnregisteredSideBySide, AManifestWhoseLibraryMovedAwayFailsCleanly) {
  ClientFolder client(L"VexoKeyBordClientMoved", {L"VexoKeyBord.manifest"});
  DeleteFileW(client.File(L"VexoKeyBord.ocx").c_str());
  ASSERT_TRUE(client.Activate());
  ComPtr<IUnknown> object;
  EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_KeyBord, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object)));
  EXPECT_EQ(object, nullptr);
}

}  // namespace
}  // namespace vexo::wine
