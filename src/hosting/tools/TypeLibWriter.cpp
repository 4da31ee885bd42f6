// SPDX-License-Identifier: MIT
// Writes the component's type library from the one the IDL compiler makes:
// the type descriptions in the order hosts expect, with type flags that the
// IDL compiler refuses (it rejects a non-extensible dispatch interface).
//
//   typelib-writer <in.tlb> <out.tlb> <idl> <Name>[+<flags>] ...
//
// Every type of the input must be named once; <flags> (hexadecimal) are added
// to the type's flags. The IDL compiler drops help strings of enumeration
// values, so they are read from <idl>, where each value's line ends in
// `// helpstring("...")`. The copy goes through the platform's own type library
// writer, so the output is a well-formed library whatever the input's layout.
// That writer drops the automation flag of a dual interface and stores a pure
// dispatch interface with the inherited function table of IDispatch, which
// readers then list as members of its own (a reader counts a dispatch
// interface's members by the size of its table); both are put back to the
// form the IDL compiler gives (see RestoreTypeEntries), and the result is read
// back and checked before the tool reports success.
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

struct Failure {
  const char* what;
  HRESULT status;
};

void Check(HRESULT status, const char* what) {
  if (FAILED(status)) throw Failure{what, status};
}

// The function-table side of a dual interface.
ComPtr<ITypeInfo> DualTwin(ITypeInfo* dispatchSide) {
  HREFTYPE twin = 0;
  Check(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &twin), "dual twin");
  ComPtr<ITypeInfo> vtableSide;
  Check(dispatchSide->GetRefTypeInfo(twin, &vtableSide), "dual twin info");
  return vtableSide;
}

WORD TypeFlags(ITypeInfo* info) {
  TYPEATTR* typeAttr = nullptr;
  Check(info->GetTypeAttr(&typeAttr), "GetTypeAttr");
  const WORD flags = typeAttr->wTypeFlags;
  info->ReleaseTypeAttr(typeAttr);
  return flags;
}

struct Wanted {
  std::wstring name;
  WORD extraFlags = 0;
};

class Copier {
 public:
  Copier(ITypeLib* source, ICreateTypeLib2* target, std::map<std::wstring, std::wstring> valueHelp)
      : source_(source), target_(target), valueHelp_(std::move(valueHelp)) {}

  void CopyLibrary(const std::vector<Wanted>& order) {
    TLIBATTR* attr = nullptr;
    Check(source_->GetLibAttr(&attr), "GetLibAttr");
    const TLIBATTR lib = *attr;
    source_->ReleaseTLibAttr(attr);
    BSTR name = nullptr;
    BSTR doc = nullptr;
    DWORD helpContext = 0;
    Check(source_->GetDocumentation(-1, &name, &doc, &helpContext, nullptr), "library documentation");
    Check(target_->SetName(name), "SetName");
    if (doc) Check(target_->SetDocString(doc), "SetDocString");
    SysFreeString(name);
    SysFreeString(doc);
    Check(target_->SetGuid(lib.guid), "SetGuid");
    Check(target_->SetLcid(lib.lcid), "SetLcid");
    Check(target_->SetVersion(lib.wMajorVerNum, lib.wMinorVerNum), "SetVersion");
    Check(target_->SetLibFlags(lib.wLibFlags), "SetLibFlags");

    if (order.size() != source_->GetTypeInfoCount()) throw Failure{"every type must be named once", E_INVALIDARG};
    // Create every type first so that references between them resolve.
    for (const Wanted& wanted : order) {
      ComPtr<ITypeInfo> info;
      Check(FindByName(wanted.name, info), "type not found");
      TYPEATTR* typeAttr = nullptr;
      Check(info->GetTypeAttr(&typeAttr), "GetTypeAttr");
      const TYPEATTR type = *typeAttr;
      info->ReleaseTypeAttr(typeAttr);
      const bool dual = type.typekind == TKIND_DISPATCH && (type.wTypeFlags & TYPEFLAG_FDUAL);
      ComPtr<ICreateTypeInfo> created;
      Check(target_->CreateTypeInfo(const_cast<LPOLESTR>(wanted.name.c_str()),
                                    dual ? TKIND_INTERFACE : type.typekind, &created),
            "CreateTypeInfo");
      Check(created->SetGuid(type.guid), "type SetGuid");
      Check(created->SetVersion(type.wMajorVerNum, type.wMinorVerNum), "type SetVersion");
      BSTR typeDoc = nullptr;
      Check(info->GetDocumentation(MEMBERID_NIL, nullptr, &typeDoc, nullptr, nullptr), "type documentation");
      if (typeDoc) Check(created->SetDocString(typeDoc), "type SetDocString");
      SysFreeString(typeDoc);
      // The flags of a dual interface are those of its function-table side;
      // readers take the automation flag off its dispatch side.
      WORD flags = type.wTypeFlags;
      if (dual) flags = TypeFlags(DualTwin(info.Get()).Get());
      types_.push_back({info, created, dual, static_cast<WORD>(flags | wanted.extraFlags)});
    }
    for (Entry& entry : types_) CopyContents(entry);
    for (Entry& entry : types_) Check(entry.target->LayOut(), "LayOut");
    Check(target_->SaveAllChanges(), "SaveAllChanges");
  }

  struct Expected {
    WORD flags;
    bool pureDispatch;  // a dispatch interface that is not dual
    // Its members (events, for a source interface): a reader of a pure
    // dispatch interface counts them by its table's size, one pointer each.
    std::int16_t functions;
    std::int16_t pointerSize;
    // As the IDL compiler sized it: the platform's writer sizes an
    // enumeration like a pointer, 8 bytes on 64-bit Windows, where the
    // enumeration is a 32-bit integer.
    std::int32_t instanceSize;
  };
  std::vector<Expected> ExpectedEntries() const {
    TLIBATTR* attr = nullptr;
    Check(source_->GetLibAttr(&attr), "GetLibAttr");
    const std::int16_t pointerSize = attr->syskind == SYS_WIN64 ? 8 : 4;
    source_->ReleaseTLibAttr(attr);
    std::vector<Expected> expected;
    for (const Entry& entry : types_) {
      TYPEATTR* typeAttr = nullptr;
      Check(entry.source->GetTypeAttr(&typeAttr), "GetTypeAttr");
      expected.push_back({entry.flags, typeAttr->typekind == TKIND_DISPATCH && !entry.dual,
                          static_cast<std::int16_t>(typeAttr->cFuncs), pointerSize,
                          static_cast<std::int32_t>(typeAttr->cbSizeInstance)});
      entry.source->ReleaseTypeAttr(typeAttr);
    }
    return expected;
  }

 private:
  struct Entry {
    ComPtr<ITypeInfo> source;
    ComPtr<ICreateTypeInfo> target;
    bool dual;
    WORD flags;
  };

  HRESULT FindByName(const std::wstring& name, ComPtr<ITypeInfo>& found) {
    for (UINT i = 0; i < source_->GetTypeInfoCount(); ++i) {
      BSTR typeName = nullptr;
      if (FAILED(source_->GetDocumentation(static_cast<INT>(i), &typeName, nullptr, nullptr, nullptr))) continue;
      const bool same = name == typeName;
      SysFreeString(typeName);
      if (same) return source_->GetTypeInfo(i, &found);
    }
    return TYPE_E_ELEMENTNOTFOUND;
  }

  // The reference, in the target, to what `href` of `from` names: a type of
  // the copied library maps to its copy; anything else stays an import.
  HREFTYPE MapReference(ITypeInfo* from, HREFTYPE href, ICreateTypeInfo* into) {
    ComPtr<ITypeInfo> referenced;
    Check(from->GetRefTypeInfo(href, &referenced), "GetRefTypeInfo");
    ComPtr<ITypeLib> library;
    UINT index = 0;
    Check(referenced->GetContainingTypeLib(&library, &index), "GetContainingTypeLib");
    ComPtr<ITypeInfo> target = referenced;
    if (library.Get() == source_) {
      BSTR name = nullptr;
      Check(referenced->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), "name");
      for (Entry& entry : types_) {
        BSTR candidate = nullptr;
        Check(entry.source->GetDocumentation(MEMBERID_NIL, &candidate, nullptr, nullptr, nullptr), "name");
        const bool same = wcscmp(name, candidate) == 0;
        SysFreeString(candidate);
        if (same) Check(entry.target.As(&target), "ITypeInfo of a created type");
      }
      SysFreeString(name);
    }
    HREFTYPE mapped = 0;
    Check(into->AddRefTypeInfo(target.Get(), &mapped), "AddRefTypeInfo");
    return mapped;
  }

  // A copy of `desc` whose user-defined types refer to the target library.
  TYPEDESC MapType(ITypeInfo* from, const TYPEDESC& desc, ICreateTypeInfo* into) {
    TYPEDESC mapped = desc;
    if (desc.vt == VT_PTR || desc.vt == VT_SAFEARRAY) {
      descriptions_.push_back(MapType(from, *desc.lptdesc, into));
      mapped.lptdesc = &descriptions_.back();
    } else if (desc.vt == VT_USERDEFINED) {
      mapped.hreftype = MapReference(from, desc.hreftype, into);
    } else if (desc.vt == VT_CARRAY) {
      throw Failure{"fixed-size arrays are not copied", E_NOTIMPL};
    }
    return mapped;
  }

  // A member's help string, when it has one. A property's get and put share
  // their identifier and so their help string.
  template <typename Set>
  static void CopyDocString(ITypeInfo* from, MEMBERID member, Set set) {
    BSTR doc = nullptr;
    Check(from->GetDocumentation(member, nullptr, &doc, nullptr, nullptr), "member documentation");
    const HRESULT status = doc ? set(doc) : S_OK;
    SysFreeString(doc);
    Check(status, "SetDocString of a member");
  }

  void CopyContents(Entry& entry) {
    ComPtr<ITypeInfo> members = entry.dual ? DualTwin(entry.source.Get()) : entry.source;
    TYPEATTR* typeAttr = nullptr;
    Check(members->GetTypeAttr(&typeAttr), "GetTypeAttr");
    const TYPEATTR type = *typeAttr;
    members->ReleaseTypeAttr(typeAttr);

    for (UINT i = 0; i < type.cImplTypes; ++i) {
      HREFTYPE href = 0;
      Check(members->GetRefTypeOfImplType(i, &href), "GetRefTypeOfImplType");
      Check(entry.target->AddImplType(i, MapReference(members.Get(), href, entry.target.Get())), "AddImplType");
      INT implFlags = 0;
      Check(members->GetImplTypeFlags(i, &implFlags), "GetImplTypeFlags");
      if (implFlags) Check(entry.target->SetImplTypeFlags(i, implFlags), "SetImplTypeFlags");
    }
    Check(entry.target->SetTypeFlags(entry.flags), "SetTypeFlags");
    if (type.typekind == TKIND_ENUM || type.typekind == TKIND_RECORD) {
      Check(entry.target->SetAlignment(type.cbAlignment), "SetAlignment");
    }

    for (UINT i = 0; i < type.cFuncs; ++i) {
      FUNCDESC* funcDesc = nullptr;
      Check(members->GetFuncDesc(i, &funcDesc), "GetFuncDesc");
      FUNCDESC func = *funcDesc;
      std::vector<ELEMDESC> params(funcDesc->lprgelemdescParam, funcDesc->lprgelemdescParam + func.cParams);
      for (ELEMDESC& param : params) param.tdesc = MapType(members.Get(), param.tdesc, entry.target.Get());
      func.lprgelemdescParam = params.empty() ? nullptr : params.data();
      func.elemdescFunc.tdesc = MapType(members.Get(), func.elemdescFunc.tdesc, entry.target.Get());
      Check(entry.target->AddFuncDesc(i, &func), "AddFuncDesc");
      CopyDocString(members.Get(), func.memid, [&](LPOLESTR doc) { return entry.target->SetFuncDocString(i, doc); });

      // A property's value parameter carries no name of its own.
      std::vector<BSTR> names(func.cParams + 1u);
      UINT count = 0;
      Check(members->GetNames(func.memid, names.data(), static_cast<UINT>(names.size()), &count), "GetNames");
      const bool property = func.invkind != INVOKE_FUNC;
      std::vector<LPOLESTR> kept(names.begin(), names.begin() + (property ? 1 : count));
      Check(entry.target->SetFuncAndParamNames(i, kept.data(), static_cast<UINT>(kept.size())),
            "SetFuncAndParamNames");
      for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
      members->ReleaseFuncDesc(funcDesc);
    }

    for (UINT i = 0; i < type.cVars; ++i) {
      VARDESC* varDesc = nullptr;
      Check(members->GetVarDesc(i, &varDesc), "GetVarDesc");
      VARDESC var = *varDesc;
      var.elemdescVar.tdesc = MapType(members.Get(), var.elemdescVar.tdesc, entry.target.Get());
      Check(entry.target->AddVarDesc(i, &var), "AddVarDesc");
      BSTR name = nullptr;
      UINT count = 0;
      Check(members->GetNames(varDesc->memid, &name, 1, &count), "GetNames of a variable");
      Check(entry.target->SetVarName(i, name), "SetVarName");
      CopyDocString(members.Get(), varDesc->memid, [&](LPOLESTR doc) { return entry.target->SetVarDocString(i, doc); });
      if (const auto help = valueHelp_.find(name); help != valueHelp_.end()) {
        Check(entry.target->SetVarDocString(i, const_cast<LPOLESTR>(help->second.c_str())), "SetVarDocString");
      }
      SysFreeString(name);
      members->ReleaseVarDesc(varDesc);
    }
  }

  ITypeLib* source_;
  ICreateTypeLib2* target_;
  std::vector<Entry> types_;
  std::deque<TYPEDESC> descriptions_;  // stable storage for nested pointer types
  std::map<std::wstring, std::wstring> valueHelp_;  // by the value's name
};

// The help strings of enumeration values in `idl`: the first word of each
// line that ends in a `// helpstring("...")` comment, with the comment's text.
std::map<std::wstring, std::wstring> ValueHelpStrings(const wchar_t* idl) {
  std::ifstream in(idl);
  if (!in) throw Failure{"cannot read the IDL file", E_FAIL};
  std::map<std::wstring, std::wstring> help;
  const std::string marker = "// helpstring(\"";
  for (std::string line; std::getline(in, line);) {
    const auto at = line.find(marker);
    const auto first = line.find_first_not_of(" \t");
    const auto end = line.rfind("\")");
    if (at == std::string::npos || end == std::string::npos || end < at + marker.size()) continue;
    const auto nameEnd = line.find_first_of(" =,", first);
    const std::string name = line.substr(first, nameEnd - first);
    const std::string text = line.substr(at + marker.size(), end - at - marker.size());
    help[std::wstring(name.begin(), name.end())] = std::wstring(text.begin(), text.end());
  }
  return help;
}

// Rewrites, in the saved library file, the fields of each type entry that the
// platform's writer sets differently from the IDL compiler. The file starts
// with a fixed header (0x54 bytes, 4 more when a help DLL is named), then one
// offset per type, then a directory of 15 segments (offset, length and two
// reserved values each); the first segment holds the type entries, 0x64
// bytes each, in library order.
void RestoreTypeEntries(const wchar_t* path, const std::vector<Copier::Expected>& expected) {
  std::vector<char> file;
  {
    std::ifstream in(path, std::ios::binary);
    file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  auto read32 = [&](std::size_t at) {
    if (at + 4 > file.size()) throw Failure{"type library file is truncated", E_FAIL};
    std::int32_t value;
    std::memcpy(&value, file.data() + at, 4);
    return value;
  };
  auto write = [&](std::size_t at, const void* value, std::size_t size) {
    if (at + size > file.size()) throw Failure{"type library file is truncated", E_FAIL};
    std::memcpy(file.data() + at, value, size);
  };
  constexpr std::int32_t Magic = 0x5446534D;  // "MSFT"
  constexpr std::int32_t HelpDllFlag = 0x100;
  constexpr std::size_t EntrySize = 0x64;
  constexpr std::size_t KindAt = 0x00, FlagsAt = 0x30, VtableSizeAt = 0x4E, InstanceSizeAt = 0x50;
  constexpr std::size_t DataType1At = 0x54;
  if (read32(0) != Magic) throw Failure{"not a type library file", E_FAIL};
  const auto count = static_cast<std::size_t>(read32(0x20));
  if (count != expected.size()) throw Failure{"type count changed on save", E_FAIL};
  const std::size_t offsets = 0x54 + ((read32(0x14) & HelpDllFlag) ? 4 : 0);
  const std::size_t directory = offsets + 4 * count;
  const auto entries = static_cast<std::size_t>(read32(directory));
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = entries + i * EntrySize;
    const std::int32_t flags = expected[i].flags;
    write(entry + FlagsAt, &flags, 4);
    write(entry + InstanceSizeAt, &expected[i].instanceSize, 4);
    if (expected[i].pureDispatch) {
      if ((read32(entry + KindAt) & 0xF) != TKIND_DISPATCH) throw Failure{"type entry out of order", E_FAIL};
      // A pure dispatch interface has no function table of its own, only a
      // pointer's room for each of its members, by which readers count them;
      // its base is named by its implemented-interface list alone.
      const auto members = static_cast<std::int16_t>(expected[i].functions * expected[i].pointerSize);
      const std::int32_t noDataType = -1;
      write(entry + VtableSizeAt, &members, 2);
      write(entry + DataType1At, &noDataType, 4);
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  if (!out) throw Failure{"cannot write the type library file", E_FAIL};
}

// Reads the written library back through the platform and checks that every
// type has the flags asked for and that pure dispatch interfaces list their
// own members, and none of IDispatch.
void Verify(const wchar_t* path, const std::vector<Wanted>& order, const std::vector<Copier::Expected>& expected) {
  ComPtr<ITypeLib> library;
  Check(LoadTypeLibEx(path, REGKIND_NONE, &library), "reading the written library");
  if (library->GetTypeInfoCount() != order.size()) throw Failure{"type count differs", E_FAIL};
  for (UINT i = 0; i < order.size(); ++i) {
    BSTR name = nullptr;
    Check(library->GetDocumentation(static_cast<INT>(i), &name, nullptr, nullptr, nullptr), "name");
    const bool sameName = order[i].name == name;
    SysFreeString(name);
    if (!sameName) throw Failure{"type order differs", E_FAIL};
    ComPtr<ITypeInfo> info;
    Check(library->GetTypeInfo(i, &info), "GetTypeInfo");
    TYPEATTR* typeAttr = nullptr;
    Check(info->GetTypeAttr(&typeAttr), "GetTypeAttr");
    const bool dual = typeAttr->typekind == TKIND_DISPATCH && (typeAttr->wTypeFlags & TYPEFLAG_FDUAL);
    const bool noInheritedMembers = !expected[i].pureDispatch || typeAttr->cFuncs == expected[i].functions;
    const bool sameSize = static_cast<std::int32_t>(typeAttr->cbSizeInstance) == expected[i].instanceSize;
    info->ReleaseTypeAttr(typeAttr);
    const bool flagsMatch = TypeFlags(dual ? DualTwin(info.Get()).Get() : info.Get()) == expected[i].flags;
    if (!flagsMatch) throw Failure{"type flags differ", E_FAIL};
    if (!noInheritedMembers) throw Failure{"dispatch interface lists other members than its own", E_FAIL};
    if (!sameSize) throw Failure{"type instance size differs", E_FAIL};
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: typelib-writer <in.tlb> <out.tlb> <idl> <Name>[+<hex flags>] ...\n");
    return 2;
  }
  std::vector<Wanted> order;
  for (int i = 4; i < argc; ++i) {
    std::wstring argument = argv[i];
    Wanted wanted;
    const auto plus = argument.find(L'+');
    wanted.name = argument.substr(0, plus);
    if (plus != std::wstring::npos) wanted.extraFlags = static_cast<WORD>(std::wcstoul(argument.c_str() + plus + 1, nullptr, 16));
    order.push_back(wanted);
  }
  if (FAILED(CoInitialize(nullptr))) return 1;
  int result = 0;
  try {
    ComPtr<ITypeLib> source;
    Check(LoadTypeLibEx(argv[1], REGKIND_NONE, &source), "LoadTypeLibEx");
    DeleteFileW(argv[2]);
    // The written library describes the platform the IDL compiler wrote for
    // (32- or 64-bit Windows), whatever the bitness of this program.
    TLIBATTR* attr = nullptr;
    Check(source->GetLibAttr(&attr), "GetLibAttr");
    const SYSKIND platform = attr->syskind;
    source->ReleaseTLibAttr(attr);
    ComPtr<ICreateTypeLib2> target;
    Check(CreateTypeLib2(platform, argv[2], &target), "CreateTypeLib2");
    Copier copier(source.Get(), target.Get(), ValueHelpStrings(argv[3]));
    copier.CopyLibrary(order);
    const auto expected = copier.ExpectedEntries();
    target.Reset();
    RestoreTypeEntries(argv[2], expected);
    Verify(argv[2], order, expected);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "typelib-writer: %s failed with 0x%08lx\n", failure.what,
                 static_cast<unsigned long>(failure.status));
    result = 1;
  }
  CoUninitialize();
  return result;
}
