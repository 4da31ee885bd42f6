#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::UserControl_ReadProperties(PropertyBag& PropBag) { return hr::NotImpl; }

HResult KeyBord::UserControl_WriteProperties(PropertyBag& PropBag) { return hr::NotImpl; }

}  // namespace vexo
