// SPDX-License-Identifier: MIT
// Writes the installer's description (a WiX source for wixl) from the rows
// that the library's self-registration writes, so that the installer
// registers exactly what the library would: each library's class keys in its
// own bitness's view, the shared keys once, by the installer's registry
// tables. A native program: it runs on the build machine.
//
//   installer-writer <x86|x64> <version> <out.wxs>
//
// The x64 package installs both libraries (32-bit hosts run on 64-bit
// systems too); the x86 package, for 32-bit systems, the 32-bit one alone.
// Files come from the wixl variables Kit32, Kit64 (kit folders) and Docs.
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "hosting/RegistrationTable.h"
#include "hosting/tools/WriteOutput.h"

namespace {

using namespace vexo::hosting::registration;

// Fixed for good: a later version replaces any earlier one of either package.
constexpr char UpgradeCode[] = "{3CE217D3-F79A-45C9-9A40-BCE52B09F20D}";

struct Bitness {
  const char* suffix;     // of identifiers: "32" or "64"
  const char* folder;     // the standard directory it installs into
  const char* platform;   // of the type library's path
  const char* component;  // fixed component identifiers: files and rows, kit, docs
  const char* kitComponent;
  const char* docsComponent;
  const char* win64;
};
constexpr Bitness Bits32{"32", "ProgramFilesFolder", "win32", "{3D7D6024-3B7E-4203-9897-3C6408F049E3}",
                         "{8E7E049C-6508-44B3-BF84-028EB2A00D09}", "{2C27ECE8-14E8-4291-A9C0-3020708597C4}", "no"};
constexpr Bitness Bits64{"64", "ProgramFiles64Folder", "win64", "{3A5D259C-A216-4076-8ABB-4081C7AD19FC}",
                         "{6E10845A-F5D8-4214-8970-C5CD0DFDAD28}", "{0B3E6F3A-52D7-4C38-9E0D-7A1F6C2B9D41}", "yes"};

std::string Xml(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) {
    if (c == L'&') out += "&amp;";
    else if (c == L'<') out += "&lt;";
    else if (c == L'"') out += "&quot;";
    else out += static_cast<char>(c);  // the rows are ASCII
  }
  return out;
}

// A row's text with the installed library's file, folder and platform. The
// installer spells a folder with a trailing backslash.
std::wstring Installed(std::wstring text, const Bitness& bits) {
  const std::string suffix = bits.suffix, platform = bits.platform;
  Replace(text, L"{file}", L"[#Library" + std::wstring(suffix.begin(), suffix.end()) + L"]");
  Replace(text, L"{folder}", L"[INSTALLDIR" + std::wstring(suffix.begin(), suffix.end()) + L"]");
  Replace(text, L"{platform}", std::wstring(platform.begin(), platform.end()));
  return text;
}

// The folder of one bitness: the library with its registration, the kit's
// other files, and the docs when `docs`.
std::string Folder(const Bitness& bits, bool shared, bool docs) {
  const std::string s = bits.suffix;
  std::string xml = "      <Directory Id=\"" + std::string(bits.folder) + "\">\n";
  xml += "        <Directory Id=\"INSTALLDIR" + s + "\" Name=\"VexoKeyBord\">\n";
  xml += "          <Component Id=\"Library" + s + "\" Guid=\"" + bits.component + "\" Win64=\"" + bits.win64 + "\">\n";
  xml += "            <File Id=\"Library" + s + "\" Source=\"$(var.Kit" + s + ")/VexoKeyBord.ocx\" KeyPath=\"yes\"/>\n";
  xml += "            <File Id=\"TypeLib" + s + "\" Source=\"$(var.Kit" + s + ")/VexoKeyBord.tlb\"/>\n";
  ForEachRow([&](const std::wstring& key, const std::wstring& name, const std::wstring& value, const Row& row) {
    if (row.view == View::Shared && !shared) return true;
    const std::string where = "Root=\"HKCR\" Key=\"" + Xml(Installed(key, bits)) + "\"";
    if (!row.value) {
      // A key alone: made on install, removed with what is under it.
      xml += "            <RegistryValue " + where + " Name=\"*\" Type=\"string\"/>\n";
    } else {
      xml += "            <RegistryValue " + where + (row.name ? " Name=\"" + Xml(name) + "\"" : std::string()) +
             " Type=\"string\" Value=\"" + Xml(Installed(value, bits)) + "\"/>\n";
    }
    return true;
  });
  xml += "          </Component>\n";
  xml += "          <Component Id=\"Kit" + s + "\" Guid=\"" + bits.kitComponent + "\" Win64=\"" + bits.win64 + "\">\n";
  constexpr std::pair<const char*, const char*> kit[] = {
      {"Manifest", "VexoKeyBord.manifest"}, {"Header", "VexoKeyBord_h.h"}, {"Definitions", "VexoKeyBord_i.c"}};
  for (const auto& [id, file] : kit) {
    xml += "            <File Id=\"" + std::string(id) + s + "\" Source=\"$(var.Kit" + s + ")/" + file + "\"/>\n";
  }
  xml += "          </Component>\n";
  if (docs) {
    xml += "          <Directory Id=\"Docs" + s + "\" Name=\"docs\">\n";
    xml += "            <Component Id=\"Docs" + s + "\" Guid=\"" + bits.docsComponent + "\" Win64=\"" + bits.win64 + "\">\n";
    xml += "              <File Id=\"Reference" + s + "\" Source=\"$(var.Docs)/reference.md\" Name=\"reference.md\"/>\n";
    xml += "              <File Id=\"Screenshot" + s + "\" Source=\"$(var.Docs)/screenshot.png\" Name=\"screenshot.png\"/>\n";
    // The licence the files are shipped under, from the source tree's root.
    xml += "              <File Id=\"License" + s + "\" Source=\"$(var.Docs)/../LICENSE\" Name=\"LICENSE.txt\"/>\n";
    xml += "            </Component>\n";
    xml += "          </Directory>\n";
  }
  xml += "        </Directory>\n";
  xml += "      </Directory>\n";
  return xml;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view arch = argc == 4 ? argv[1] : "";
  if (arch != "x86" && arch != "x64") {
    std::fprintf(stderr, "usage: installer-writer <x86|x64> <version> <out.wxs>\n");
    return 2;
  }
  const bool both = arch == "x64";
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
  xml += "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n";
  xml += "  <Product Id=\"*\" Name=\"VexoKeyBord Keyboard Control\" Language=\"1033\" Version=\"" + std::string(argv[2]) +
         "\" Manufacturer=\"VexoKeyBord developers\" UpgradeCode=\"" + UpgradeCode + "\">\n";
  xml += "    <Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"perMachine\""
         " Description=\"VexoKeyBord Keyboard Control (" + std::string(arch) + ")\"/>\n";
  xml += "    <MajorUpgrade DowngradeErrorMessage=\"A later version of VexoKeyBord is installed.\"/>\n";
  xml += "    <Media Id=\"1\" Cabinet=\"VexoKeyBord.cab\" EmbedCab=\"yes\"/>\n";
  xml += "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n";
  // The shared keys come with the 64-bit library where there is one: its
  // folder is the type library's help folder, as when it is registered last.
  xml += Folder(Bits32, !both, !both);
  if (both) xml += Folder(Bits64, true, true);
  xml += "    </Directory>\n";
  xml += "    <Feature Id=\"Control\" Title=\"VexoKeyBord\" Level=\"1\">\n";
  for (const Bitness* bits : {&Bits32, &Bits64}) {
    if (bits == &Bits64 && !both) continue;
    for (const char* component : {"Library", "Kit", "Docs"}) {
      if (std::string_view(component) == "Docs" && both != (bits == &Bits64)) continue;
      xml += "      <ComponentRef Id=\"" + std::string(component) + bits->suffix + "\"/>\n";
    }
  }
  xml += "    </Feature>\n";
  xml += "  </Product>\n";
  xml += "</Wix>\n";

  return vexo::tools::WriteOutput("installer-writer", argv[3], xml);
}
