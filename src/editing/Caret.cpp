#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::HomeEndPos(FieldEnd end) { return hr::NotImpl; }

HResult KeyBord::LeftPos() { return hr::NotImpl; }

HResult KeyBord::RightPos() { return hr::NotImpl; }

}  // namespace vexo
