// SPDX-License-Identifier: MIT
// Writes the side-by-side manifest of the component library: what a client
// needs to create KeyBord and its property page with nothing registered (the
// file, each class with its programmatic identifiers, threading model and misc
// status, the type library and the interfaces), read from the rows that
// registration writes.
//
//   manifest-writer <out.manifest> <assembly version, e.g. 1.0.0.0>
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "hosting/RegistrationTable.h"
#include "hosting/tools/WriteOutput.h"

namespace {

using namespace vexo::hosting::registration;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The misc status flags by the names manifests give them.
constexpr std::pair<DWORD, const char*> MiscStatusNames[] = {
    {OLEMISC_RECOMPOSEONRESIZE, "recomposeonresize"},
    {OLEMISC_ONLYICONIC, "onlyiconic"},
    {OLEMISC_INSERTNOTREPLACE, "insertnotreplace"},
    {OLEMISC_STATIC, "static"},
    {OLEMISC_CANTLINKINSIDE, "cantlinkinside"},
    {OLEMISC_CANLINKBYOLE1, "canlinkbyole1"},
    {OLEMISC_ISLINKOBJECT, "islinkobject"},
    {OLEMISC_INSIDEOUT, "insideout"},
    {OLEMISC_ACTIVATEWHENVISIBLE, "activatewhenvisible"},
    {OLEMISC_RENDERINGISDEVICEINDEPENDENT, "renderingisdeviceindependent"},
    {OLEMISC_INVISIBLEATRUNTIME, "invisibleatruntime"},
    {OLEMISC_ALWAYSRUN, "alwaysrun"},
    {OLEMISC_ACTSLIKEBUTTON, "actslikebutton"},
    {OLEMISC_ACTSLIKELABEL, "actslikelabel"},
    {OLEMISC_NOUIACTIVATE, "nouiactivate"},
    {OLEMISC_ALIGNABLE, "alignable"},
    {OLEMISC_SIMPLEFRAME, "simpleframe"},
    {OLEMISC_SETCLIENTSITEFIRST, "setclientsitefirst"},
    {OLEMISC_IMEMODE, "imemode"},
    {OLEMISC_IGNOREACTIVATEWHENVISIBLE, "ignoreactivatewhenvisible"},
    {OLEMISC_WANTSTOMENUMERGE, "wantstomenumerge"},
    {OLEMISC_SUPPORTSMULTILEVELUNDO, "supportsmultilevelundo"},
};

// The names of `status`'s flags, comma-separated; false when a flag has none.
bool MiscStatusText(DWORD status, std::string& text) {
  for (const auto& [flag, name] : MiscStatusNames) {
    if (!(status & flag)) continue;
    if (!text.empty()) text += ',';
    text += name;
    status &= ~flag;
  }
  return status == 0;
}

// What the manifest says of a class or an interface, gathered from its rows.
struct Entry {
  std::wstring id;
  std::wstring name, threading, progId, independentProgId, typeLib, misc, proxyStub;
};

// The entry for `id` in `entries`, added at the end when new.
Entry& EntryFor(std::vector<Entry>& entries, const std::wstring& id) {
  for (Entry& entry : entries) {
    if (entry.id == id) return entry;
  }
  Entry& entry = entries.emplace_back();
  entry.id = id;
  return entry;
}

// The writer is built for the library's own architecture.
constexpr const char* Architecture = sizeof(void*) == 8 ? "amd64" : "x86";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: manifest-writer <out.manifest> <version>\n");
    return 2;
  }
  std::vector<Entry> classes, interfaces;
  std::wstring libid, libraryVersion;
  ForEachRow([&](const std::wstring& key, const std::wstring& name, const std::wstring& value, const Row&) {
    // Keys are "<kind>\{id}[\<what>]".
    const std::size_t first = key.find(L'\\');
    const std::size_t second = first == std::wstring::npos ? first : key.find(L'\\', first + 1);
    const std::wstring kind = key.substr(0, first);
    if (first == std::wstring::npos || (kind != L"CLSID" && kind != L"Interface" && kind != L"TypeLib")) return true;
    const std::wstring id = key.substr(first + 1, second == std::wstring::npos ? second : second - first - 1);
    const std::wstring what = second == std::wstring::npos ? std::wstring() : key.substr(second + 1);
    if (kind == L"TypeLib") {
      if (libid.empty()) libid = id, libraryVersion = what.substr(0, what.find(L'\\'));
      return true;
    }
    Entry& entry = EntryFor(kind == L"CLSID" ? classes : interfaces, id);
    std::wstring* field = what.empty() ? &entry.name
                          : what == L"InprocServer32" && name == L"ThreadingModel" ? &entry.threading
                          : what == L"ProgID"                                       ? &entry.progId
                          : what == L"VersionIndependentProgID"                     ? &entry.independentProgId
                          : what == L"TypeLib" && name.empty()                      ? &entry.typeLib
                          : what == L"MiscStatus\\1"                                ? &entry.misc
                          : what == L"ProxyStubClsid32"                             ? &entry.proxyStub
                                                                                    : nullptr;
    if (field) *field = value;
    return true;
  });

  std::string xml;
  xml += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  xml += "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n";
  xml += "  <assemblyIdentity type=\"win32\" name=\"VexoKeyBord\" version=\"" + std::string(argv[2]) +
         "\" processorArchitecture=\"" +
         std::string(Architecture) + "\"/>\n";
  xml += "  <file name=\"VexoKeyBord.ocx\">\n";
  for (const Entry& entry : classes) {
    std::string misc;
    if (!MiscStatusText(wcstoul(entry.misc.c_str(), nullptr, 10), misc)) {
      std::fprintf(stderr, "manifest-writer: a misc status flag without a name\n");
      return 1;
    }
    xml += "    <comClass clsid=\"" + Narrow(entry.id) + "\" threadingModel=\"" + Narrow(entry.threading) + "\"";
    if (!entry.progId.empty()) xml += " progid=\"" + Narrow(entry.progId) + "\"";
    if (!entry.typeLib.empty()) xml += " tlbid=\"" + Narrow(entry.typeLib) + "\"";
    xml += " description=\"" + Narrow(entry.name) + "\"";
    if (!misc.empty()) xml += " miscStatus=\"" + misc + "\" miscStatusContent=\"" + misc + "\"";
    if (entry.independentProgId.empty()) {
      xml += "/>\n";
      continue;
    }
    xml += ">\n      <progid>" + Narrow(entry.independentProgId) + "</progid>\n    </comClass>\n";
  }
  xml += "    <typelib tlbid=\"" + Narrow(libid) + "\" version=\"" + Narrow(libraryVersion) +
         "\" helpdir=\"\" flags=\"control\"/>\n";
  xml += "  </file>\n";
  for (const Entry& entry : interfaces) {
    xml += "  <comInterfaceExternalProxyStub name=\"" + Narrow(entry.name) + "\" iid=\"" + Narrow(entry.id) +
           "\" proxyStubClsid32=\"" + Narrow(entry.proxyStub) + "\" tlbid=\"" + Narrow(entry.typeLib) + "\"/>\n";
  }
  xml += "</assembly>\n";

  return vexo::tools::WriteOutput("manifest-writer", argv[1], xml);
}
