// The platform headers for the component library, in the one order that keeps
// the name GetMessage free for the component's method of that name.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <string>

#ifdef GetMessage
#undef GetMessage
#endif

#include "VexoKeyBord_h.h"  // generated from VexoKeyBord.idl
#include "widgets/Boundary.h"

namespace vexo::hosting {

using Microsoft::WRL::ComPtr;

// The library's module handle, set on process attach.
HINSTANCE ModuleHandle();
// The full path of the library file.
HRESULT ModulePath(std::wstring& path);

// Unregisters the window classes that instances registered for the whole
// process; for the library's unloading, when no instance lives.
void UnregisterWindowClasses();

// Live instances and factory locks, for DllCanUnloadNow.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);

// How a container treats the control: its client site set first, activated
// when visible, inside-out, no links inside, recomposed on resize. The object
// answers it and registration records it.
inline constexpr DWORD MiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                                    OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;

// What registration and dispatch call the component.
inline constexpr wchar_t ProgId[] = L"VexoKeyBord.KeyBord";
inline constexpr wchar_t ClassName[] = L"KeyBord";

// Lets go of what instances share, the type library's descriptions, if
// `unused()` still holds once no instance can take them meanwhile; for when
// the library may be unloaded.
void ReleaseTypeDescriptions(bool (*unused)());

// Creates a KeyBord instance, started up, and asks it for `iid`.
HRESULT CreateKeyBord(REFIID iid, void** object);

}  // namespace vexo::hosting
