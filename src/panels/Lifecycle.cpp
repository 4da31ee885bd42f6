#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::UserControl_Initialize() { return hr::NotImpl; }

HResult KeyBord::UserControl_Resize() { return hr::NotImpl; }

HResult KeyBord::UserControl_Show() { return hr::NotImpl; }

HResult KeyBord::UserControl_GotFocus() { return hr::NotImpl; }

}  // namespace vexo
