// SPDX-License-Identifier: MIT
// Accessibility of the keys: each key of a panel is a push button named by
// its caption, with a press action, and the marked key of the focused panel
// is the focused one, so that screen readers (AT-SPI on Linux) see and press
// every key although no key is a widget of its own.
#pragma once

#include <cstdint>

#include <QAccessibleInterface>

#include "widgets/KeyStore.h"

namespace vexo::qt {

class KeyPanelWidget;

// Installs the factory that gives panels their accessible keys and the
// field its accessible text; once per process, any number of calls.
void InstallKeyAccessibility();

// The field's accessible interface when `object` is a keyboard's field (see
// QtField.cpp), or null.
QAccessibleInterface* FieldAccessible(QObject* object);

// Tells assistive technologies that key `index` of `panel` became the
// focused one (marked on the focused panel), or that its caption changed.
void KeyChangedForAccessibility(KeyPanelWidget& panel, std::int16_t index, const KeyElement& before,
                                const KeyElement& after);

}  // namespace vexo::qt
