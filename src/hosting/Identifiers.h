// SPDX-License-Identifier: MIT
// The identifiers of the component. Generated once; they never change, since
// hosts and registries hold on to them. This file is read by the C++ code, by
// the interface description and by the resource generator alike, so it holds
// nothing but these definitions.
#pragma once

#define VEXO_LIBID_TEXT 572e5209-c278-4b8e-97c8-a84c5ee1111a
#define VEXO_CLSID_KEYBORD_TEXT 010fa4bd-1494-4e96-b370-41b8eb7a0b91
#define VEXO_IID_KEYBORD_TEXT 9b2aa563-00cd-4252-8ff9-cc995038da6b
#define VEXO_IID_KEYBORD_EVENTS_TEXT 5c66f7e2-d653-4a6a-9388-3e7184276e22
#define VEXO_ACTIVPANEL_TEXT 96ea8fed-ad72-4f24-8257-5544d1ea251b
#define VEXO_CLSID_KEYBORD_PAGE_TEXT c0343d3f-8a42-4fae-831d-8bad0b75b417

// The dispatch identifiers of the events of __KeyBord: sinks compiled against
// them keep them, so a new event takes the next free number.
#define VEXO_DISPID_CHANGE 1
#define VEXO_DISPID_KEYTYPED 2
#define VEXO_DISPID_PANELCHANGED 3
