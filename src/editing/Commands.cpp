#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::KeyF1ToF6(std::int16_t& CodeKey) { return hr::NotImpl; }

HResult KeyBord::EnterKey() { return hr::NotImpl; }

HResult KeyBord::GetMessage(std::int16_t& KodKey) { return hr::NotImpl; }

}  // namespace vexo
