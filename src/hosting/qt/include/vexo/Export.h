// SPDX-License-Identifier: MIT
// What the keyboard's Qt library exports: only the classes marked with
// VEXO_KEYBORD_EXPORT are visible to programs that link it.
#pragma once

#if defined(VEXO_KEYBORD_STATIC)
#define VEXO_KEYBORD_EXPORT
#elif defined(VEXO_KEYBORD_BUILDING)
#define VEXO_KEYBORD_EXPORT __attribute__((visibility("default")))
#else
#define VEXO_KEYBORD_EXPORT
#endif
