// SPDX-License-Identifier: MIT
#include "widgets/Status.h"

namespace vexo {

std::string_view DescribeStatus(HResult status) {
  switch (status) {
    case hr::Ok: return "Success";
    case hr::False: return "Success (false)";
    case hr::NotImpl: return "Not implemented";
    case hr::Pointer: return "Invalid pointer";
    case hr::Fail: return "Unspecified error";
    case hr::OutOfMemory: return "Out of memory";
    case hr::InvalidArg: return "The parameter is incorrect";
    case hr::Unexpected: return "Catastrophic failure";
    case hr::TypeMismatch: return "Type mismatch";
    case hr::ConversionOverflow: return "Out of present range";
    case hr::InvalidProcedureCall: return "Invalid procedure call or argument";
    case hr::Overflow: return "Overflow";
    case hr::ElementMissing: return "Control array element doesn't exist";
    case hr::AlreadyLoaded: return "Object already loaded";
    case hr::InvalidPropertyValue: return "Invalid property value";
    default: return Failed(status) ? "Unknown error" : "Success";
  }
}

}  // namespace vexo
