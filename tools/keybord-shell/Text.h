// SPDX-License-Identifier: MIT
// Text between the protocol (UTF-8) and the component (UTF-16).
#pragma once

#include <string>
#include <string_view>

namespace vexo::shell {

// A surrogate without its partner has no UTF-8 form; it is written as U+FFFD
// so that the answer stays valid JSON. Everything else converts exactly.
std::string ToUtf8(std::u16string_view text);

// The JSON parser has already refused ill-formed UTF-8; a malformed sequence
// that reaches this point all the same becomes U+FFFD rather than garbage.
std::u16string FromUtf8(std::string_view text);

}  // namespace vexo::shell
