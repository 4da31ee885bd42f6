// SPDX-License-Identifier: MIT
// Late-bound calls of _KeyBord: its members as the type library describes
// them, read once, and a caller's arguments converted to their parameters'
// types before the type library's dispatch makes the call.
#pragma once

#include "hosting/Com.h"

#include <vector>

namespace vexo::hosting {

// What an argument for one parameter must become.
struct ParameterType {
  VARTYPE type = VT_EMPTY;  // VT_EMPTY (not known) and VT_VARIANT take any argument as it is
  bool byReference = false;
};

// One member for one kind of call: its parameters in declaration order,
// without the return value.
struct MemberDescription {
  DISPID id = DISPID_UNKNOWN;
  INVOKEKIND kind = INVOKE_FUNC;
  std::vector<ParameterType> parameters;
};

// The members of an interface, read from its type information once.
class MemberTable {
 public:
  HResult Load(ITypeInfo* info);
  // The member with the dispatch identifier `member` that a call with
  // `flags` reaches (a method before a property get), or null.
  const MemberDescription* Find(DISPID member, WORD flags) const;

 private:
  std::vector<MemberDescription> members_;
};

// The arguments of one call, converted for `member`'s parameters so that
// every caller gets the same answers: the argument count checked, and a bad
// argument named by its position. Scripting hosts pass their variables as
// references to variants, which the type library's dispatch would refuse for
// a typed parameter: a by-value parameter gets the referenced value,
// converted; a by-reference parameter gets a reference to a temporary of its
// own type, converted from the referenced value. After the call, a value the
// member changed goes back into the variable, in the variable's own type
// where the value survives that conversion and in the parameter's type
// otherwise; an unchanged value leaves the variable as it was. A plain value
// for a by-reference parameter goes in the same way and the result is
// dropped, as a literal argument's is. A member the table does not know gets
// the arguments as they came.
class AdaptedArguments {
 public:
  AdaptedArguments() = default;
  ~AdaptedArguments();
  AdaptedArguments(const AdaptedArguments&) = delete;
  AdaptedArguments& operator=(const AdaptedArguments&) = delete;

  // Converts the caller's `params`; a refused argument sets `argumentError`
  // (when given) to its position.
  HResult Adapt(const DISPPARAMS& params, const MemberDescription* member, UINT* argumentError);
  // The caller's parameters with the converted arguments in their place.
  DISPPARAMS Params(const DISPPARAMS& params);
  // Hands the by-reference temporaries back to the caller's variants.
  void WriteBack();

 private:
  std::vector<VARIANTARG> arguments_;
  std::vector<VARIANT> temporaries_;  // sized once: the adapted arguments point into it
  std::vector<VARIANT> before_;       // what each written-back temporary held before the call
  std::vector<VARIANT*> writeBack_;
};

}  // namespace vexo::hosting
