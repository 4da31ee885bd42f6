#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::get_CapsLock(std::int16_t& value) { return hr::NotImpl; }

HResult KeyBord::put_CapsLock(std::int16_t vNewValue) { return hr::NotImpl; }

HResult KeyBord::get_ChangeBord(ActivPanel& value) { return hr::NotImpl; }

HResult KeyBord::put_ChangeBord(ActivPanel vNewValue) { return hr::NotImpl; }

HResult KeyBord::get_MaxLength(std::int16_t& value) { return hr::NotImpl; }

HResult KeyBord::put_MaxLength(std::int16_t vNewValue) { return hr::NotImpl; }

HResult KeyBord::FocusActivePanel() { return hr::NotImpl; }

}  // namespace vexo
