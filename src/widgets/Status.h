// SPDX-License-Identifier: MIT
// Status codes that cross every boundary of the component.
//
// The values are the HRESULTs of the Windows platform. The portable core keeps
// its own copies so that it never includes a platform header; the Windows
// library passes them through unchanged.
#pragma once

#include <cstdint>
#include <string_view>

namespace vexo {

// A status code that the compiler will not let a caller drop: a routine whose
// status goes unread compiles with an error. The few places that drop one on
// purpose say so through `Discard`.
class [[nodiscard]] HResult {
 public:
  constexpr HResult() = default;
  constexpr HResult(std::int32_t value) : value_(value) {}  // NOLINT: a status is its code
  constexpr operator std::int32_t() const { return value_; }  // NOLINT

 private:
  std::int32_t value_ = 0;
};

// Drops a status on purpose; `why` names the reason at the call.
constexpr void Discard(HResult, std::string_view /*why*/) {}

namespace hr {
inline constexpr HResult Ok = 0;
inline constexpr HResult False = 1;
inline constexpr HResult NotImpl = static_cast<HResult>(0x80004001);
inline constexpr HResult Pointer = static_cast<HResult>(0x80004003);
inline constexpr HResult Fail = static_cast<HResult>(0x80004005);
inline constexpr HResult OutOfMemory = static_cast<HResult>(0x8007000E);
inline constexpr HResult InvalidArg = static_cast<HResult>(0x80070057);
inline constexpr HResult Unexpected = static_cast<HResult>(0x8000FFFF);

// Automation conversion failures, as the platform's variant conversion reports them.
inline constexpr HResult TypeMismatch = static_cast<HResult>(0x80020005);
inline constexpr HResult ConversionOverflow = static_cast<HResult>(0x8002000A);

// Runtime errors of the component's own string and number operations and of
// its widgets: facility 0x0A with the runtime error number as the code.
inline constexpr HResult InvalidProcedureCall = static_cast<HResult>(0x800A0005);  // error 5
inline constexpr HResult Overflow = static_cast<HResult>(0x800A0006);              // error 6
inline constexpr HResult ElementMissing = static_cast<HResult>(0x800A0154);        // error 340
inline constexpr HResult AlreadyLoaded = static_cast<HResult>(0x800A0168);         // error 360
inline constexpr HResult InvalidPropertyValue = static_cast<HResult>(0x800A017C);  // error 380
}  // namespace hr

constexpr bool Failed(HResult status) { return status < 0; }
constexpr bool Succeeded(HResult status) { return status >= 0; }

// A readable description of a status code, as a host shows it to a user.
std::string_view DescribeStatus(HResult status);

}  // namespace vexo

// Ends the calling routine with the failure of `expression`, unchanged.
#define RETURN_IF_FAILED(expression)                                \
  do {                                                              \
    const ::vexo::HResult returnIfFailedStatus_ = (expression);     \
    if (::vexo::Failed(returnIfFailedStatus_)) {                    \
      return returnIfFailedStatus_;                                 \
    }                                                               \
  } while (false)
