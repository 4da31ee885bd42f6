// Writes the side-by-side manifest of the component library: what a client
// needs to create KeyBord and its property page with nothing registered (the
// file, the classes with the control's programmatic identifiers, threading
// model and misc status, the type library and the two interfaces), from the
// same identifiers and names that registration writes.
//
//   manifest-writer <out.manifest>
#include <initguid.h>  // defines the identifiers the generated header declares

#include "hosting/Com.h"
#include "hosting/PropertyPage.h"

#include <cstdio>
#include <string>

namespace {

using namespace vexo::hosting;

constexpr char AutomationMarshaler[] = "{00020424-0000-0000-C000-000000000046}";

std::string Braced(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return std::string(text, text + wcslen(text));
}

std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

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

// The writer is built for the library's own architecture.
constexpr const char* Architecture = sizeof(void*) == 8 ? "amd64" : "x86";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: manifest-writer <out.manifest>\n");
    return 2;
  }
  std::string misc;
  if (!MiscStatusText(MiscStatus, misc)) {
    std::fprintf(stderr, "manifest-writer: a misc status flag without a name\n");
    return 1;
  }
  const std::string libid = Braced(LIBID_VexoKeyBord);
  std::string xml;
  xml += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  xml += "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n";
  xml += "  <assemblyIdentity type=\"win32\" name=\"VexoKeyBord\" version=\"1.0.0.0\" processorArchitecture=\"" +
         std::string(Architecture) + "\"/>\n";
  xml += "  <file name=\"VexoKeyBord.ocx\">\n";
  xml += "    <comClass clsid=\"" + Braced(CLSID_KeyBord) + "\" threadingModel=\"Apartment\" progid=\"" +
         Narrow(VersionedProgId) + "\" tlbid=\"" + libid + "\" description=\"" + Narrow(ReadableName) +
         "\" miscStatus=\"" + misc + "\" miscStatusContent=\"" + misc + "\">\n";
  xml += "      <progid>" + Narrow(ProgId) + "</progid>\n";
  xml += "    </comClass>\n";
  xml += "    <comClass clsid=\"" + Braced(CLSID_KeyBordPage) + "\" threadingModel=\"Apartment\" description=\"" +
         Narrow(PageName) + "\"/>\n";
  xml += "    <typelib tlbid=\"" + libid + "\" version=\"1.0\" helpdir=\"\" flags=\"control\"/>\n";
  xml += "  </file>\n";
  const std::pair<const GUID*, const char*> interfaces[] = {{&IID__KeyBord, "_KeyBord"},
                                                            {&DIID___KeyBord, "__KeyBord"}};
  for (const auto& [iid, name] : interfaces) {
    xml += "  <comInterfaceExternalProxyStub name=\"" + std::string(name) + "\" iid=\"" + Braced(*iid) +
           "\" proxyStubClsid32=\"" + AutomationMarshaler + "\" tlbid=\"" + libid + "\"/>\n";
  }
  xml += "</assembly>\n";

  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "manifest-writer: cannot write %s\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(xml.data(), 1, xml.size(), out) == xml.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
