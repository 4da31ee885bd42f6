#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::cmdKey_Click(std::int16_t Index) { return hr::NotImpl; }

HResult KeyBord::cmdNumber_Click(std::int16_t Index) { return hr::NotImpl; }

HResult KeyBord::cmdShift_Click(std::int16_t Index) { return hr::NotImpl; }

HResult KeyBord::picABC_GotFocus() { return hr::NotImpl; }

HResult KeyBord::picNumber_GotFocus() { return hr::NotImpl; }

HResult KeyBord::picShift_GotFocus() { return hr::NotImpl; }

HResult KeyBord::picABC_LostFocus() { return hr::NotImpl; }

HResult KeyBord::picNumber_LostFocus() { return hr::NotImpl; }

HResult KeyBord::picShift_LostFocus() { return hr::NotImpl; }

}  // namespace vexo
