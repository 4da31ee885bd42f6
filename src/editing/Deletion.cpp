#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::DeleteChar(DeleteKey key) { return hr::NotImpl; }

}  // namespace vexo
