// SPDX-License-Identifier: MIT
// A script host for the events test: it runs a VBScript file with a WScript
// object of Echo, Quit and ConnectObject, the last of which Wine's own script
// host lacks. ConnectObject binds an object's events as a script host does:
// it finds the default source interface through IProvideClassInfo, advises a
// sink on its connection point, and the sink calls the script's sub named
// <prefix><event name>, the name read from the object's type information,
// with the event's own arguments; an event without a sub is ignored.
//   script_host <file.vbs>
// Exit code: what the script gives WScript.Quit; 1 when it stops on an error.
#include <windows.h>
#include <activscp.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

ComPtr<IActiveScript> engine;

// What the script printed, then the process ends with `code`.
[[noreturn]] void Quit(int code) {
  std::fflush(stdout);
  ExitProcess(static_cast<UINT>(code));
}

std::wstring TextOf(const VARIANT& value) {
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR))) return L"?";
  std::wstring result(text.bstrVal, SysStringLen(text.bstrVal));
  VariantClear(&text);
  return result;
}

// An object of one IDispatch that lives as long as the process.
class Dispatch : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = (iid == IID_IUnknown || iid == IID_IDispatch) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
};

// The sink of one connected object: each event goes to the script's sub of
// its name.
class EventSink final : public Dispatch {
 public:
  EventSink(ComPtr<ITypeInfo> events, std::wstring prefix) : events_(std::move(events)), prefix_(std::move(prefix)) {}
  HRESULT STDMETHODCALLTYPE Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    BSTR name = nullptr;
    UINT count = 0;
    if (FAILED(events_->GetNames(event, &name, 1, &count)) || count == 0) return DISP_E_MEMBERNOTFOUND;
    std::wstring handler = prefix_ + std::wstring(name, SysStringLen(name));
    SysFreeString(name);
    ComPtr<IDispatch> script;
    if (FAILED(engine->GetScriptDispatch(nullptr, &script))) return E_UNEXPECTED;
    LPOLESTR names[] = {handler.data()};
    DISPID member = 0;
    if (FAILED(script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member))) return S_OK;
    return script->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, parameters, nullptr, nullptr,
                          nullptr);
  }

 private:
  ComPtr<ITypeInfo> events_;
  std::wstring prefix_;
};

// The default source interface of `object`'s class and its identifier.
HRESULT SourceOf(IUnknown* object, ComPtr<ITypeInfo>& events, IID& iid) {
  ComPtr<IProvideClassInfo> provider;
  ComPtr<ITypeInfo> coclass;
  HRESULT status = object->QueryInterface(IID_PPV_ARGS(&provider));
  if (SUCCEEDED(status)) status = provider->GetClassInfo(&coclass);
  if (FAILED(status)) return status;
  TYPEATTR* attr = nullptr;
  if (FAILED(status = coclass->GetTypeAttr(&attr))) return status;
  const WORD implemented = attr->cImplTypes;
  coclass->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < implemented; ++i) {
    INT flags = 0;
    HREFTYPE href = 0;
    if (FAILED(coclass->GetImplTypeFlags(i, &flags)) || (flags & (IMPLTYPEFLAG_FSOURCE | IMPLTYPEFLAG_FDEFAULT)) !=
                                                            (IMPLTYPEFLAG_FSOURCE | IMPLTYPEFLAG_FDEFAULT)) {
      continue;
    }
    if (FAILED(status = coclass->GetRefTypeOfImplType(i, &href))) return status;
    if (FAILED(status = coclass->GetRefTypeInfo(href, &events))) return status;
    if (FAILED(status = events->GetTypeAttr(&attr))) return status;
    iid = attr->guid;
    events->ReleaseTypeAttr(attr);
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

class WScript final : public Dispatch {
 public:
  enum : DISPID { Echo = 1, QuitId, ConnectObject };
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    constexpr struct {
      const wchar_t* name;
      DISPID id;
    } members[] = {{L"Echo", Echo}, {L"Quit", QuitId}, {L"ConnectObject", ConnectObject}};
    for (const auto& member : members) {
      if (count >= 1 && _wcsicmp(names[0], member.name) == 0) {
        ids[0] = member.id;
        return S_OK;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    const UINT count = parameters->cArgs;
    auto argument = [&](UINT i) -> const VARIANT& {  // the i-th, counted from the first
      const VARIANT& given = parameters->rgvarg[count - 1 - i];
      return given.vt == (VT_BYREF | VT_VARIANT) ? *given.pvarVal : given;
    };
    switch (member) {
      case Echo: {
        std::wstring line;
        for (UINT i = 0; i < count; ++i) line += (i ? L" " : L"") + TextOf(argument(i));
        std::printf("%ls\n", line.c_str());
        return S_OK;
      }
      case QuitId: {
        VARIANT code;
        VariantInit(&code);
        const bool given =
            count > 0 && SUCCEEDED(VariantChangeType(&code, const_cast<VARIANT*>(&argument(0)), 0, VT_I4));
        Quit(given ? code.lVal : 0);
      }
      case ConnectObject: {
        if (count != 2 || argument(0).vt != VT_DISPATCH || !argument(0).pdispVal) return DISP_E_TYPEMISMATCH;
        ComPtr<ITypeInfo> events;
        IID iid{};
        HRESULT status = SourceOf(argument(0).pdispVal, events, iid);
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        if (SUCCEEDED(status)) status = argument(0).pdispVal->QueryInterface(IID_PPV_ARGS(&container));
        if (SUCCEEDED(status)) status = container->FindConnectionPoint(iid, &point);
        if (FAILED(status)) return status;
        // The sink lives as long as the process, as the script's handlers do.
        auto* sink = new EventSink(events, TextOf(argument(1)));
        DWORD cookie = 0;
        return point->Advise(sink, &cookie);
      }
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }
};

WScript wscript;

class Site final : public IActiveScriptSite {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = (iid == IID_IUnknown || iid == IID_IActiveScriptSite) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetLCID(LCID* lcid) override {
    *lcid = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override {
    if (item) *item = nullptr;
    if (info) *info = nullptr;
    if (_wcsicmp(name, L"WScript") != 0) return TYPE_E_ELEMENTNOTFOUND;
    if ((mask & SCRIPTINFO_IUNKNOWN) && item) *item = &wscript;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override {
    *version = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
    EXCEPINFO info{};
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    error->GetExceptionInfo(&info);
    error->GetSourcePosition(&context, &line, &column);
    std::printf("FAILED: script error 0x%08lx on line %lu: %ls\n", static_cast<unsigned long>(info.scode),
                line + 1, info.bstrDescription ? info.bstrDescription : L"");
    Quit(1);
  }
  HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }
};

Site site;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: script_host <file.vbs>\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file && !file.eof()) {
    std::printf("FAILED: cannot read %ls\n", argv[1]);
    return 1;
  }
  const std::wstring code(bytes.begin(), bytes.end());  // the scripts are plain ASCII
  if (FAILED(CoInitialize(nullptr))) return 1;
  CLSID vbscript{};
  ComPtr<IActiveScriptParse> parse;
  HRESULT status = CLSIDFromProgID(L"VBScript", &vbscript);
  if (SUCCEEDED(status)) status = CoCreateInstance(vbscript, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&engine));
  if (SUCCEEDED(status)) status = engine.As(&parse);
  if (SUCCEEDED(status)) status = engine->SetScriptSite(&site);
  if (SUCCEEDED(status)) status = parse->InitNew();
  if (SUCCEEDED(status)) status = engine->AddNamedItem(L"WScript", SCRIPTITEM_ISVISIBLE);
  if (SUCCEEDED(status)) {
    status = parse->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISVISIBLE, nullptr,
                                    nullptr);
  }
  if (SUCCEEDED(status)) status = engine->SetScriptState(SCRIPTSTATE_STARTED);
  if (FAILED(status)) {
    std::printf("FAILED: the script engine answered 0x%08lx\n", static_cast<unsigned long>(status));
    Quit(1);
  }
  Quit(0);
}
