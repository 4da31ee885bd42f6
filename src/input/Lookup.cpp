#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::FindABC(std::u16string& ChrStr) { return hr::NotImpl; }

HResult KeyBord::FindNumber(std::u16string& ChrStr) { return hr::NotImpl; }

HResult KeyBord::AfterFindImage(std::u16string& ChrStr) { return hr::NotImpl; }

HResult KeyBord::FindImage(std::int16_t KeyCode, std::int16_t Shift) { return hr::NotImpl; }

HResult KeyBord::FindImageNumber(std::int16_t KeyCode) { return hr::NotImpl; }

}  // namespace vexo
