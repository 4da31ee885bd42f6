// SPDX-License-Identifier: MIT
// Qt's keys as the virtual-key codes and modifier mask the component expects.
#pragma once

#include <cstdint>

#include <Qt>

namespace vexo::qt {

// The virtual-key code of a key press, as a US layout gives it: a shifted
// symbol is the code of the key that carries it ("!" is the "1" key, 49), and
// a key of the numeric keypad has the keypad's own code. 0 for a key that has
// no code.
std::int16_t VirtualKeyOf(int key, Qt::KeyboardModifiers modifiers);

// The modifier mask: 1 Shift, 2 Ctrl, 4 Alt, added.
std::int16_t ModifierMaskOf(Qt::KeyboardModifiers modifiers);

}  // namespace vexo::qt
