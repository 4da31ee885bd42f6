// Self-registration: the class as an apartment-threaded in-process control,
// its programmatic identifier, its two interfaces, the type library and the
// class of its property page.
#include "hosting/Com.h"
#include "hosting/PropertyPage.h"

#include <cwchar>
#include <initializer_list>
#include <string>

#include "widgets/Status.h"

namespace vexo::hosting {

namespace {

constexpr wchar_t AutomationMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t ToolboxBitmapId[] = L"30000";

// Lower-case hexadecimal without leading zeros, as the registry keys of type
// library versions and locales are spelled.
std::wstring Hex(unsigned long value) {
  std::wstring text;
  do {
    text.insert(text.begin(), L"0123456789abcdef"[value % 16]);
    value /= 16;
  } while (value != 0);
  return text;
}

std::wstring Braced(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

// Writes `value` (null: none) as the named value (null: the default) of
// HKEY_CLASSES_ROOT\<path>, creating the key.
HResult SetKey(const std::wstring& path, const wchar_t* name, const std::wstring* value) {
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  if (value) {
    status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                            static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
  return HRESULT_FROM_WIN32(status);
}

HResult SetDefault(const std::wstring& path, const std::wstring& value) { return SetKey(path, nullptr, &value); }

// Removes HKEY_CLASSES_ROOT\<path> and everything under it; a key that is not
// there is no error.
HResult DeleteTree(const std::wstring& path) {
  const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  const LONG removed = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
  return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(removed);
}

HResult RegisterInterface(REFIID iid, const std::wstring& name, const std::wstring& libid) {
  const std::wstring key = L"Interface\\" + Braced(iid);
  RETURN_IF_FAILED(SetDefault(key, name));
  RETURN_IF_FAILED(SetDefault(key + L"\\ProxyStubClsid", AutomationMarshaler));
  RETURN_IF_FAILED(SetDefault(key + L"\\ProxyStubClsid32", AutomationMarshaler));
  RETURN_IF_FAILED(SetDefault(key + L"\\TypeLib", libid));
  const std::wstring version = L"1.0";
  return SetKey(key + L"\\TypeLib", L"Version", &version);
}

// The subkey of a type library's path for the platform it describes.
const wchar_t* PlatformKey(SYSKIND platform) { return platform == SYS_WIN64 ? L"win64" : L"win32"; }

// Whether the library of the other bitness is registered too: the class key
// lives in each bitness's own view of the registry, while the programmatic
// identifier, the interfaces and the type library's key are one for both. On
// a system of one bitness the other view is this one.
bool RegisteredInOtherView() {
  const REGSAM other = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  const std::wstring server = L"CLSID\\" + Braced(CLSID_KeyBord) + L"\\InprocServer32";
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, server.c_str(), 0, KEY_READ | other, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

HResult Register() {
  std::wstring path;
  RETURN_IF_FAILED(ModulePath(path));
  ComPtr<ITypeLib> library;
  RETURN_IF_FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library));
  // The help folder is the library's own, named each time: left out, an
  // earlier registration's folder would stay once the file has moved.
  const std::size_t slash = path.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  RETURN_IF_FAILED(RegisterTypeLib(library.Get(), const_cast<OLECHAR*>(path.c_str()), folder.data()));

  const std::wstring libid = Braced(LIBID_VexoKeyBord);
  // Hosts look a library up for their own locale and fall back to the
  // neutral one: registered under locale 0, it is found whatever the host's.
  TLIBATTR* attr = nullptr;
  RETURN_IF_FAILED(library->GetLibAttr(&attr));
  const LCID lcid = attr->lcid;
  const std::wstring version = Hex(attr->wMajorVerNum) + L"." + Hex(attr->wMinorVerNum);
  const std::wstring platform = PlatformKey(attr->syskind);
  library->ReleaseTLibAttr(attr);
  if (lcid != 0) {
    const std::wstring versionKey = L"TypeLib\\" + libid + L"\\" + version;
    const std::wstring locale = Hex(lcid);
    RETURN_IF_FAILED(SetDefault(versionKey + L"\\0\\" + platform, path));
    RETURN_IF_FAILED(DeleteTree(versionKey + L"\\" + locale));
  }
  const std::wstring clsid = L"CLSID\\" + Braced(CLSID_KeyBord);
  const std::wstring threading = L"Apartment";
  RETURN_IF_FAILED(SetDefault(clsid, ReadableName));
  RETURN_IF_FAILED(SetDefault(clsid + L"\\InprocServer32", path));
  RETURN_IF_FAILED(SetKey(clsid + L"\\InprocServer32", L"ThreadingModel", &threading));
  RETURN_IF_FAILED(SetDefault(clsid + L"\\ProgID", VersionedProgId));
  RETURN_IF_FAILED(SetDefault(clsid + L"\\VersionIndependentProgID", ProgId));
  RETURN_IF_FAILED(SetKey(clsid + L"\\Implemented Categories\\" + ControlCategory, nullptr, nullptr));
  for (const Verb& verb : StandardVerbs) {
    RETURN_IF_FAILED(SetDefault(clsid + L"\\Verb\\" + std::to_wstring(verb.verb),
                                std::wstring(verb.name) + L"," + std::to_wstring(verb.menuFlags) + L"," +
                                    std::to_wstring(verb.attributes)));
  }
  RETURN_IF_FAILED(SetDefault(clsid + L"\\VERSION", L"1.0"));
  RETURN_IF_FAILED(SetDefault(clsid + L"\\TypeLib", libid));
  RETURN_IF_FAILED(SetKey(clsid + L"\\Control", nullptr, nullptr));
  RETURN_IF_FAILED(SetDefault(clsid + L"\\MiscStatus", L"0"));
  RETURN_IF_FAILED(SetDefault(clsid + L"\\MiscStatus\\1", std::to_wstring(MiscStatus)));
  RETURN_IF_FAILED(SetDefault(clsid + L"\\ToolboxBitmap32", path + L", " + ToolboxBitmapId));

  const std::wstring page = L"CLSID\\" + Braced(CLSID_KeyBordPage);
  RETURN_IF_FAILED(SetDefault(page, PageName));
  RETURN_IF_FAILED(SetDefault(page + L"\\InprocServer32", path));
  RETURN_IF_FAILED(SetKey(page + L"\\InprocServer32", L"ThreadingModel", &threading));

  for (const std::wstring progId : {ProgId, VersionedProgId}) {
    RETURN_IF_FAILED(SetDefault(progId, ReadableName));
    RETURN_IF_FAILED(SetDefault(progId + L"\\CLSID", Braced(CLSID_KeyBord)));
  }
  RETURN_IF_FAILED(SetDefault(std::wstring(ProgId) + L"\\CurVer", VersionedProgId));

  RETURN_IF_FAILED(RegisterInterface(IID__KeyBord, L"_KeyBord", libid));
  return RegisterInterface(DIID___KeyBord, L"__KeyBord", libid);
}

// Removes everything Register writes, also after a registration that stopped
// half-way; what is already gone is no error. What the library of the other
// bitness shares stays while that one is registered.
HResult Unregister() {
  TLIBATTR attributes{};
  attributes.syskind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  ComPtr<ITypeLib> library;
  std::wstring path;
  HResult status = ModulePath(path);
  if (SUCCEEDED(status)) status = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (SUCCEEDED(status)) {
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attr))) {
      attributes = *attr;
      library->ReleaseTLibAttr(attr);
      Discard(UnRegisterTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum, attributes.lcid,
                                attributes.syskind),
              "not registered yet is fine; the keys below go in any case");
    }
  }
  const std::wstring libid = L"TypeLib\\" + Braced(LIBID_VexoKeyBord);
  HResult result = DeleteTree(L"CLSID\\" + Braced(CLSID_KeyBord));
  const HResult pageRemoved = DeleteTree(L"CLSID\\" + Braced(CLSID_KeyBordPage));
  if (FAILED(pageRemoved) && SUCCEEDED(result)) result = pageRemoved;
  if (RegisteredInOtherView()) {
    const HResult removed = DeleteTree(libid + L"\\1.0\\0\\" + PlatformKey(attributes.syskind));
    return FAILED(result) ? result : removed;
  }
  for (const std::wstring& key : {std::wstring(ProgId), std::wstring(VersionedProgId), L"Interface\\" + Braced(IID__KeyBord),
                                  L"Interface\\" + Braced(DIID___KeyBord), libid}) {
    const HResult removed = DeleteTree(key);
    if (FAILED(removed) && SUCCEEDED(result)) result = removed;
  }
  return result;
}

}  // namespace

}  // namespace vexo::hosting

extern "C" {

STDAPI DllRegisterServer() {
  const HRESULT status = vexo::Guard(vexo::hosting::Register);
  if (FAILED(status)) {
    vexo::Discard(vexo::Guard(vexo::hosting::Unregister), "the registration's failure is what the caller hears");
  }
  return status;
}

STDAPI DllUnregisterServer() { return vexo::Guard(vexo::hosting::Unregister); }

}  // extern "C"
