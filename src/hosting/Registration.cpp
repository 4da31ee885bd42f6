// SPDX-License-Identifier: MIT
// Self-registration: the rows of RegistrationTable.h, written into this
// bitness's view of the registry, and the type library.
#include "hosting/Com.h"

#include <string>

#include "hosting/RegistrationTable.h"
#include "widgets/Status.h"

namespace vexo::hosting {

namespace {

using registration::Row;
using registration::View;

std::wstring Braced(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

// Lower-case hexadecimal without leading zeros, as the registry keys of type
// library locales are spelled.
std::wstring Hex(unsigned long value) {
  std::wstring text;
  do {
    text.insert(text.begin(), L"0123456789abcdef"[value % 16]);
    value /= 16;
  } while (value != 0);
  return text;
}

// The subkey of a type library's path for the platform it describes.
const wchar_t* PlatformKey(SYSKIND platform) { return platform == SYS_WIN64 ? L"win64" : L"win32"; }

// A row's text with this library's file, folder and platform filled in.
std::wstring ForThisFile(std::wstring text, const std::wstring& path, SYSKIND platform) {
  const std::size_t slash = path.find_last_of(L"\\/");
  registration::Replace(text, L"{file}", path);
  registration::Replace(text, L"{folder}", slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
  registration::Replace(text, L"{platform}", PlatformKey(platform));
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

// Removes HKEY_CLASSES_ROOT\<path> and everything under it; a key that is not
// there is no error.
HResult DeleteTree(const std::wstring& path) {
  const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  const LONG removed = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
  return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(removed);
}

// Whether the library of the other bitness is registered too: the class and
// interface keys live in each bitness's own view of the registry, while the
// programmatic identifier and the type library's key are one for both. On a
// system of one bitness the other view is this one.
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
  std::wstring folder = ForThisFile(L"{folder}", path, SYS_WIN32);
  RETURN_IF_FAILED(RegisterTypeLib(library.Get(), const_cast<OLECHAR*>(path.c_str()), folder.data()));
  // The platform registered it under its own locale; hosts look a library up
  // for theirs and fall back to the neutral one, where the rows put it.
  TLIBATTR* attr = nullptr;
  RETURN_IF_FAILED(library->GetLibAttr(&attr));
  const LCID lcid = attr->lcid;
  const SYSKIND platform = attr->syskind;
  library->ReleaseTLibAttr(attr);
  if (lcid != 0) RETURN_IF_FAILED(DeleteTree(L"TypeLib\\" + Braced(LIBID_VexoKeyBord) + L"\\1.0\\" + Hex(lcid)));

  HResult status = S_OK;
  registration::ForEachRow([&](const std::wstring& key, const std::wstring& name, const std::wstring& value,
                               const Row& row) {
    if (row.writer != registration::Writer::Library) return true;
    const std::wstring data = ForThisFile(value, path, platform);
    status = SetKey(ForThisFile(key, path, platform), row.name ? name.c_str() : nullptr, row.value ? &data : nullptr);
    return SUCCEEDED(status);
  });
  return status;
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
  // This bitness's own keys first: on a system of one bitness the other view
  // is this one, and must be empty before it is asked.
  HResult result = S_OK;
  for (const View view : {View::Each, View::Shared}) {
    if (view == View::Shared && RegisteredInOtherView()) break;
    for (const Row& root : registration::Roots) {
      if (root.view != view) continue;
      const HResult removed = DeleteTree(ForThisFile(registration::Fill(root.key), path, attributes.syskind));
      if (FAILED(removed) && SUCCEEDED(result)) result = removed;
    }
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
