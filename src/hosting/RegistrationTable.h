// SPDX-License-Identifier: MIT
// What registering the library writes under HKEY_CLASSES_ROOT, as rows of
// plain data: the library's self-registration, the side-by-side manifest and
// the installer's description all read these rows, so they cannot drift
// apart. A class is rows. Portable: the installer's generator is a native
// program, so nothing here needs the platform's headers.
//
// Texts hold placeholders: {clsid}, {page}, {libid}, {iid}, {events}, {category} and
// {marshaler} become braced upper-case identifiers, {name} and {page-name} the readable names,
// {misc} the misc status, {verb} and {verb-entry} a verb's number and entry;
// {file}, {folder} and {platform} (win32 or win64) are the library's own and
// are filled in by whoever writes the row.
#pragma once

#include <iterator>
#include <string>
#include <string_view>

#include "hosting/Identifiers.h"

#define VEXO_WIDE_TEXT_(x) L## #x
#define VEXO_WIDE_TEXT(x) VEXO_WIDE_TEXT_(x)

namespace vexo::hosting::registration {

// On a 64-bit system the class and interface keys and the type library's path
// lie in each bitness's own view of the registry; the rest is one for both.
enum class View : unsigned char { Each, Shared };
// Who writes a row: the library's own code, or the platform's type library
// registration, which the library calls and an installer replaces by rows.
enum class Writer : unsigned char { Library, TypeLibrary };

// Narrow text (ASCII), which keeps the table small in the library.
struct Row {
  const char* key;    // under HKEY_CLASSES_ROOT
  const char* name;   // null: the key's default value
  const char* value;  // null: the key alone
  View view;
  Writer writer = Writer::Library;
};

// How containers treat the control: OLEMISC_SETCLIENTSITEFIRST,
// ACTIVATEWHENVISIBLE, INSIDEOUT, CANTLINKINSIDE and RECOMPOSEONRESIZE.
inline constexpr unsigned long MiscStatus = 0x20000 | 0x100 | 0x80 | 0x10 | 0x1;
inline constexpr wchar_t ReadableName[] = L"VexoKeyBord Keyboard Control";
inline constexpr wchar_t PageName[] = L"KeyBord Property Page";

// The verbs a container may offer (OLEIVERB_ numbers, MF_STRING, the
// OLEVERBATTRIB_ flags NEVERDIRTIES 1 and ONCONTAINERMENU 2); the rows with
// {verb} are written once for each. None of them changes the saved properties.
struct Verb {
  long verb;
  const wchar_t* name;
  unsigned long menuFlags;
  unsigned long attributes;
};
inline constexpr Verb Verbs[] = {
    {0, L"&Activate", 0, 1 | 2},  {-1, L"&Show", 0, 1}, {-3, L"&Hide", 0, 1}, {-4, L"&UI Activate", 0, 1},
    {-5, L"&In-place Activate", 0, 1},
};

inline constexpr Row Rows[] = {
    // The class: an apartment-threaded in-process control.
    {"CLSID\\{clsid}", nullptr, "{name}", View::Each},
    {"CLSID\\{clsid}\\InprocServer32", nullptr, "{file}", View::Each},
    {"CLSID\\{clsid}\\InprocServer32", "ThreadingModel", "Apartment", View::Each},
    {"CLSID\\{clsid}\\ProgID", nullptr, "VexoKeyBord.KeyBord.1", View::Each},
    {"CLSID\\{clsid}\\VersionIndependentProgID", nullptr, "VexoKeyBord.KeyBord", View::Each},
    {"CLSID\\{clsid}\\Implemented Categories\\{category}", nullptr, nullptr, View::Each},
    {"CLSID\\{clsid}\\Verb\\{verb}", nullptr, "{verb-entry}", View::Each},
    {"CLSID\\{clsid}\\VERSION", nullptr, "1.0", View::Each},
    {"CLSID\\{clsid}\\TypeLib", nullptr, "{libid}", View::Each},
    {"CLSID\\{clsid}\\Control", nullptr, nullptr, View::Each},
    {"CLSID\\{clsid}\\MiscStatus", nullptr, "0", View::Each},
    {"CLSID\\{clsid}\\MiscStatus\\1", nullptr, "{misc}", View::Each},
    {"CLSID\\{clsid}\\ToolboxBitmap32", nullptr, "{file}, 30000", View::Each},
    // The property page form designers show for the control: a class of its
    // own in the same library.
    {"CLSID\\{page}", nullptr, "{page-name}", View::Each},
    {"CLSID\\{page}\\InprocServer32", nullptr, "{file}", View::Each},
    {"CLSID\\{page}\\InprocServer32", "ThreadingModel", "Apartment", View::Each},
    // Hosts name the class by the version-independent identifier, which
    // points at the current versioned one.
    {"VexoKeyBord.KeyBord", nullptr, "{name}", View::Shared},
    {"VexoKeyBord.KeyBord\\CLSID", nullptr, "{clsid}", View::Shared},
    {"VexoKeyBord.KeyBord.1", nullptr, "{name}", View::Shared},
    {"VexoKeyBord.KeyBord.1\\CLSID", nullptr, "{clsid}", View::Shared},
    {"VexoKeyBord.KeyBord\\CurVer", nullptr, "VexoKeyBord.KeyBord.1", View::Shared},
    // The interfaces, marshalled through the type library. The type library's
    // flags are those of a control with a disk image, as its registration writes.
    {"Interface\\{iid}", nullptr, "_KeyBord", View::Each},
    {"Interface\\{iid}\\ProxyStubClsid", nullptr, "{marshaler}", View::Each},
    {"Interface\\{iid}\\ProxyStubClsid32", nullptr, "{marshaler}", View::Each},
    {"Interface\\{iid}\\TypeLib", nullptr, "{libid}", View::Each},
    {"Interface\\{iid}\\TypeLib", "Version", "1.0", View::Each},
    {"Interface\\{events}", nullptr, "__KeyBord", View::Each},
    {"Interface\\{events}\\ProxyStubClsid", nullptr, "{marshaler}", View::Each},
    {"Interface\\{events}\\ProxyStubClsid32", nullptr, "{marshaler}", View::Each},
    {"Interface\\{events}\\TypeLib", nullptr, "{libid}", View::Each},
    {"Interface\\{events}\\TypeLib", "Version", "1.0", View::Each},
    // The type library, under the neutral locale so that hosts of any locale
    // find it; its help folder is the folder the library was registered from.
    {"TypeLib\\{libid}\\1.0", nullptr, "VexoKeyBord", View::Shared, Writer::TypeLibrary},
    {"TypeLib\\{libid}\\1.0\\FLAGS", nullptr, "10", View::Shared, Writer::TypeLibrary},
    {"TypeLib\\{libid}\\1.0\\HELPDIR", nullptr, "{folder}", View::Shared, Writer::TypeLibrary},
    {"TypeLib\\{libid}\\1.0\\0\\{platform}", nullptr, "{file}", View::Each},
};

// What unregistering removes, each with everything under it. The shared keys
// go only with the last bitness registered.
inline constexpr Row Roots[] = {
    {"CLSID\\{clsid}", nullptr, nullptr, View::Each},
    {"CLSID\\{page}", nullptr, nullptr, View::Each},
    {"TypeLib\\{libid}\\1.0\\0\\{platform}", nullptr, nullptr, View::Each},
    {"VexoKeyBord.KeyBord", nullptr, nullptr, View::Shared},
    {"VexoKeyBord.KeyBord.1", nullptr, nullptr, View::Shared},
    {"Interface\\{iid}", nullptr, nullptr, View::Each},
    {"Interface\\{events}", nullptr, nullptr, View::Each},
    {"TypeLib\\{libid}", nullptr, nullptr, View::Shared},
};

// Replaces every `from` in `text` with `to`.
inline void Replace(std::wstring& text, std::wstring_view from, std::wstring_view to) {
  for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// An identifier as the registry spells it: braced and upper-case.
inline std::wstring Braced(std::wstring_view identifier) {
  std::wstring text = L"{";
  for (const wchar_t c : identifier) text += c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
  return text + L"}";
}

// A whole number in decimal digits. Not std::to_wstring, which formats
// through the C library's wide printf and would bring its 20 KB of floating
// point formatting into the library for a few integers.
inline std::wstring Decimal(long long value) {
  wchar_t digits[24];
  wchar_t* first = digits + 24;
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
  do {
    *--first = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--first = L'-';
  return std::wstring(first, digits + 24);
}

// `text` with the placeholders of identifiers, names and `verb` filled in.
inline std::wstring Fill(const char* text, const Verb& verb = Verbs[0]) {
  std::wstring filled(text, text + std::char_traits<char>::length(text));
  Replace(filled, L"{clsid}", Braced(VEXO_WIDE_TEXT(VEXO_CLSID_KEYBORD_TEXT)));
  Replace(filled, L"{page}", Braced(VEXO_WIDE_TEXT(VEXO_CLSID_KEYBORD_PAGE_TEXT)));
  Replace(filled, L"{libid}", Braced(VEXO_WIDE_TEXT(VEXO_LIBID_TEXT)));
  Replace(filled, L"{iid}", Braced(VEXO_WIDE_TEXT(VEXO_IID_KEYBORD_TEXT)));
  Replace(filled, L"{events}", Braced(VEXO_WIDE_TEXT(VEXO_IID_KEYBORD_EVENTS_TEXT)));
  Replace(filled, L"{category}", L"{40FC6ED4-2438-11CF-A3DB-080036F12502}");
  Replace(filled, L"{marshaler}", L"{00020424-0000-0000-C000-000000000046}");
  Replace(filled, L"{page-name}", PageName);
  Replace(filled, L"{name}", ReadableName);
  Replace(filled, L"{misc}", Decimal(MiscStatus));
  Replace(filled, L"{verb}", Decimal(verb.verb));
  Replace(filled, L"{verb-entry}", verb.name + (L"," + Decimal(verb.menuFlags)) + L"," + Decimal(verb.attributes));
  return filled;
}

// Calls `write(key, name, value, row)` for each row, once for each verb where
// the row has {verb}; name and value are empty where the row has none (`row`
// tells which). Stops when `write` returns false.
template <typename Write>
void ForEachRow(Write write) {
  for (const Row& row : Rows) {
    const bool perVerb = std::string_view(row.key).find("{verb}") != std::string_view::npos;
    for (std::size_t i = 0; i < (perVerb ? std::size(Verbs) : 1); ++i) {
      const Verb& verb = Verbs[i];
      if (!write(Fill(row.key, verb), row.name ? Fill(row.name, verb) : std::wstring(),
                 row.value ? Fill(row.value, verb) : std::wstring(), row)) {
        return;
      }
    }
  }
}

}  // namespace vexo::hosting::registration
