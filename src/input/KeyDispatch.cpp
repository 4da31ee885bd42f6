#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::picABC_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) { return hr::NotImpl; }

HResult KeyBord::picNumber_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) { return hr::NotImpl; }

HResult KeyBord::picShift_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) { return hr::NotImpl; }

}  // namespace vexo
