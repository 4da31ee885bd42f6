#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::BuildNumberPanel() { return hr::NotImpl; }

}  // namespace vexo
