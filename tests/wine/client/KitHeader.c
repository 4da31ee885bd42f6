// SPDX-License-Identifier: MIT
/* The kit's header as a C client reads it, compiled only: the enumeration by
   its own name, the interface through its function table. */
#include <windows.h>
#undef GetMessage /* the interface has a method of that name */
#include "VexoKeyBord_h.h"

ActivPanel NextPanel(ActivPanel panel) { return panel == ImageAct ? abcAct : (ActivPanel)(panel + 1); }

HRESULT ShowNumbers(_KeyBord* keybord) { return keybord->lpVtbl->put_ChangeBord(keybord, NumberAct); }
