// SPDX-License-Identifier: MIT
// What the process holds, for the checks that a control comes and goes
// leaving nothing behind: one copy for every such check.
//
// Windows counts a process's GDI and USER objects (GetGuiResources); Wine
// answers 0 for both, and a check built on that alone passes whatever leaks.
// Under Wine the counts come from what can be seen instead: the live entries
// of the process's GDI handle table, the windows of the thread, and the bytes
// in use on the process's heaps.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <vector>

#include "windows/Harness.h"

namespace vexo::harness {

// The GDI objects of this process. Under Wine a handle's low word is its
// index in the process's table, and a handle whose high word is 0 names
// whatever lives at that index, of any generation: a look at each of the
// 65,536 indices counts the live ones, in the process's own memory, in a few
// milliseconds. (Filling the table until creation fails would count them
// too, at a thousand times the cost.)
inline int GdiObjects() {
  if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(counted);
  int live = 0;
  for (ULONG_PTR index = 1; index <= 0xFFFF; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
  }
  return live;
}

// The USER objects of this process; under Wine the windows of this thread,
// where a control keeps every window it makes (it makes no other USER
// object that is its own).
inline int UserObjects() {
  if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<int>(counted);
  return WindowsOfThisThread();
}

struct GuiObjects {
  int gdi = 0;
  int user = 0;
  friend bool operator==(const GuiObjects&, const GuiObjects&) = default;
  friend std::ostream& operator<<(std::ostream& out, const GuiObjects& objects) {
    return out << objects.gdi << " GDI and " << objects.user << " USER objects";
  }
};

inline GuiObjects CountGuiObjects() { return {GdiObjects(), UserObjects()}; }

// The bytes in use on every heap of the process: the C runtime's heap, where
// the control's objects live, the process heap and the system's own.
inline std::size_t HeapBytesInUse() {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count);
    count = GetProcessHeaps(count, heaps.data());
  }
  heaps.resize(std::min<std::size_t>(count, heaps.size()));
  std::size_t bytes = 0;
  for (HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
    }
    HeapUnlock(heap);
  }
  return bytes;
}

}  // namespace vexo::harness
