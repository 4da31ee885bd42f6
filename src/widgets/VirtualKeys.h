// SPDX-License-Identifier: MIT
// Virtual-key codes: the numbers in which every toolkit reports a key press
// and the component's key tables are written. They are the platform's codes
// of a US layout; toolkits of other platforms map their keys onto them.
#pragma once

#include <cstdint>

namespace vexo::vk {

using Code = std::int16_t;

inline constexpr Code Backspace = 8;
inline constexpr Code Tab = 9;
inline constexpr Code Enter = 13;
inline constexpr Code CapsLock = 20;
inline constexpr Code Escape = 27;
inline constexpr Code Space = 32;
inline constexpr Code PageUp = 33;
inline constexpr Code PageDown = 34;
inline constexpr Code End = 35;
inline constexpr Code Home = 36;
inline constexpr Code Left = 37;
inline constexpr Code Up = 38;
inline constexpr Code Right = 39;
inline constexpr Code Down = 40;
inline constexpr Code Delete = 46;
inline constexpr Code Digit0 = 48;  // to Digit9 = 57
inline constexpr Code Digit9 = 57;
inline constexpr Code LetterA = 65;  // to LetterZ = 90
inline constexpr Code LetterZ = 90;
inline constexpr Code Numpad0 = 96;  // to Numpad9 = 105
inline constexpr Code Numpad9 = 105;
inline constexpr Code Multiply = 106;
inline constexpr Code Add = 107;
inline constexpr Code Separator = 108;
inline constexpr Code Subtract = 109;
inline constexpr Code Decimal = 110;
inline constexpr Code Divide = 111;
inline constexpr Code F1 = 112;
inline constexpr Code F2 = 113;
inline constexpr Code F3 = 114;
inline constexpr Code F4 = 115;
inline constexpr Code F5 = 116;
inline constexpr Code F6 = 117;
inline constexpr Code F7 = 118;
inline constexpr Code F12 = 123;
// The punctuation keys of a US layout, by their unshifted character.
inline constexpr Code Semicolon = 186;  // ; :
inline constexpr Code Equals = 187;     // = +
inline constexpr Code Comma = 188;      // , <
inline constexpr Code Minus = 189;      // - _
inline constexpr Code Period = 190;     // . >
inline constexpr Code Slash = 191;      // / ?
inline constexpr Code Backquote = 192;  // ` ~
inline constexpr Code OpenBracket = 219;   // [ {
inline constexpr Code Backslash = 220;     // \ |
inline constexpr Code CloseBracket = 221;  // ] }
inline constexpr Code Quote = 222;         // ' "

}  // namespace vexo::vk
