// SPDX-License-Identifier: MIT
// The member table of _KeyBord and the conversion of a late-bound caller's
// arguments.
#include "hosting/Dispatch.h"

#include <cwchar>
#include <utility>

namespace vexo::hosting {

namespace {

// The variant type a parameter of type `type` takes (an enumeration is a
// 32-bit integer); VT_EMPTY when it is none the conversion knows.
VARTYPE VariantTypeOf(ITypeInfo* info, const TYPEDESC& type) {
  if (type.vt != VT_USERDEFINED) return type.vt;
  ComPtr<ITypeInfo> user;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetRefTypeInfo(type.hreftype, &user)) || FAILED(user->GetTypeAttr(&attr))) return VT_EMPTY;
  const VARTYPE vt = attr->typekind == TKIND_ENUM ? VT_I4 : VT_EMPTY;
  user->ReleaseTypeAttr(attr);
  return vt;
}

HResult ConversionFailure(HRESULT status) {
  return status == DISP_E_OVERFLOW || status == E_OUTOFMEMORY ? status : DISP_E_TYPEMISMATCH;
}

// Whether two values of a parameter's type are the same, strings to the
// character.
bool Same(const VARIANT& left, const VARIANT& right) {
  if (V_VT(&left) != V_VT(&right)) return false;
  if (V_VT(&left) != VT_BSTR) return VarCmp(const_cast<VARIANT*>(&left), const_cast<VARIANT*>(&right), 0, 0) == VARCMP_EQ;
  const UINT length = SysStringLen(V_BSTR(&left));
  return length == SysStringLen(V_BSTR(&right)) &&
         (length == 0 || std::wmemcmp(V_BSTR(&left), V_BSTR(&right), length) == 0);
}

// `value` converted to `type` when it comes back from there unchanged; a
// variable with no value yet has no type to keep.
bool ConvertLosslessly(VARIANT& converted, VARIANT& value, VARTYPE type) {
  if (type == VT_EMPTY || type == VT_NULL || (type & (VT_BYREF | VT_ARRAY))) return false;
  if (FAILED(VariantChangeType(&converted, &value, 0, type))) return false;
  VARIANT back;
  VariantInit(&back);
  const bool same = SUCCEEDED(VariantChangeType(&back, &converted, 0, V_VT(&value))) && Same(back, value);
  Discard(VariantClear(&back), "a copy of a plain value holds nothing that could fail to go");
  if (!same) Discard(VariantClear(&converted), "a converted plain value holds nothing that could fail to go");
  return same;
}

}  // namespace

// --- MemberTable

HResult MemberTable::Load(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  RETURN_IF_FAILED(info->GetTypeAttr(&attr));
  const UINT count = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  std::vector<MemberDescription> members;
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* desc = nullptr;
    if (FAILED(info->GetFuncDesc(i, &desc))) continue;  // a member the table does not know takes any argument
    MemberDescription member{desc->memid, desc->invkind, {}};
    for (SHORT p = 0; p < desc->cParams; ++p) {
      const ELEMDESC& parameter = desc->lprgelemdescParam[p];
      if (parameter.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) continue;
      const bool byReference = parameter.tdesc.vt == VT_PTR;
      member.parameters.push_back(
          {VariantTypeOf(info, byReference ? *parameter.tdesc.lptdesc : parameter.tdesc), byReference});
    }
    info->ReleaseFuncDesc(desc);
    members.push_back(std::move(member));
  }
  members_ = std::move(members);
  return S_OK;
}

const MemberDescription* MemberTable::Find(DISPID member, WORD flags) const {
  constexpr std::pair<WORD, INVOKEKIND> kinds[] = {{DISPATCH_METHOD, INVOKE_FUNC},
                                                   {DISPATCH_PROPERTYGET, INVOKE_PROPERTYGET},
                                                   {DISPATCH_PROPERTYPUT, INVOKE_PROPERTYPUT},
                                                   {DISPATCH_PROPERTYPUTREF, INVOKE_PROPERTYPUTREF}};
  for (const auto& [flag, kind] : kinds) {
    if (!(flags & flag)) continue;
    for (const MemberDescription& description : members_) {
      if (description.id == member && description.kind == kind) return &description;
    }
  }
  return nullptr;
}

// --- AdaptedArguments

AdaptedArguments::~AdaptedArguments() {
  for (VARIANT& temporary : temporaries_) Discard(VariantClear(&temporary), "a destructor has no caller to tell");
  for (VARIANT& value : before_) Discard(VariantClear(&value), "a destructor has no caller to tell");
}

HResult AdaptedArguments::Adapt(const DISPPARAMS& params, const MemberDescription* member, UINT* argumentError) {
  const UINT count = params.cArgs;
  arguments_.assign(params.rgvarg, params.rgvarg + count);
  temporaries_.resize(count);
  for (VARIANT& temporary : temporaries_) VariantInit(&temporary);
  before_.resize(count);
  for (VARIANT& value : before_) VariantInit(&value);
  writeBack_.assign(count, nullptr);
  auto refuse = [&](UINT position, HRESULT status) {
    if (argumentError) *argumentError = position;
    return status;
  };
  if (member && count != member->parameters.size()) return DISP_E_BADPARAMCOUNT;

  for (UINT position = 0; position < count; ++position) {
    VARIANTARG& argument = arguments_[position];
    VARIANT* source = &argument;
    if (V_VT(&argument) == (VT_VARIANT | VT_BYREF)) {
      source = V_VARIANTREF(&argument);
      if (!source || (V_VT(source) & VT_BYREF)) return refuse(position, DISP_E_TYPEMISMATCH);
    }
    // Named arguments come first; the positional ones follow, last first.
    ParameterType parameter;
    if (member && position < params.cNamedArgs) {
      if (params.rgdispidNamedArgs[position] == DISPID_PROPERTYPUT) parameter = member->parameters.back();
    } else if (member) {
      parameter = member->parameters[count - 1 - position];
    }
    const VARTYPE wanted = parameter.type;
    if (wanted == VT_EMPTY || wanted == VT_VARIANT) {
      if (source != &argument) argument = *source;  // a shallow view: the caller keeps ownership
      continue;
    }
    VARIANT& temporary = temporaries_[position];
    if (parameter.byReference) {
      if (V_VT(&argument) == (wanted | VT_BYREF)) continue;  // the exact reference passes as it is
      // A typed reference to something else cannot take the result back.
      if (source == &argument && (V_VT(&argument) & VT_BYREF)) return refuse(position, DISP_E_TYPEMISMATCH);
      const HRESULT converted = VariantChangeType(&temporary, source, 0, wanted);
      if (FAILED(converted)) return refuse(position, ConversionFailure(converted));
      V_VT(&argument) = static_cast<VARTYPE>(wanted | VT_BYREF);
      V_BYREF(&argument) = &V_NONE(&temporary);  // the value of every variant type starts here
      // A value (a script's literal) has nowhere to take the result back to.
      if (source != &argument) {
        const HRESULT copied = VariantCopy(&before_[position], &temporary);
        if (FAILED(copied)) return refuse(position, copied);
        writeBack_[position] = source;
      }
    } else {
      if (V_VT(source) == wanted) {
        argument = *source;
        continue;
      }
      const HRESULT converted = VariantChangeType(&temporary, source, 0, wanted);
      if (FAILED(converted)) return refuse(position, ConversionFailure(converted));
      argument = temporary;  // the temporary keeps ownership
    }
  }
  return S_OK;
}

DISPPARAMS AdaptedArguments::Params(const DISPPARAMS& params) {
  DISPPARAMS adapted = params;
  adapted.rgvarg = arguments_.empty() ? nullptr : arguments_.data();
  return adapted;
}

void AdaptedArguments::WriteBack() {
  for (std::size_t position = 0; position < writeBack_.size(); ++position) {
    VARIANT* variable = writeBack_[position];
    VARIANT& result = temporaries_[position];
    // A value the member left alone leaves the variable alone, type and all.
    if (!variable || Same(result, before_[position])) continue;
    VARIANT own;
    VariantInit(&own);
    // The member's result replaces the caller's old value, which goes
    // whether or not it lets go cleanly.
    if (ConvertLosslessly(own, result, V_VT(variable))) {
      Discard(VariantClear(variable), "the result replaces the old value in any case");
      *variable = own;
    } else {
      // Ownership of the member's value moves to the caller's variant.
      Discard(VariantClear(variable), "the result replaces the old value in any case");
      *variable = result;
      VariantInit(&result);
    }
  }
}

}  // namespace vexo::hosting
