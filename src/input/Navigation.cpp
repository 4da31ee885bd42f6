#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::MoveDownABC() { return hr::NotImpl; }

HResult KeyBord::MoveUpABC() { return hr::NotImpl; }

HResult KeyBord::MoveAcrossABC(std::int16_t& step) { return hr::NotImpl; }

HResult KeyBord::MoveDownNumber() { return hr::NotImpl; }

HResult KeyBord::MoveUpNumber() { return hr::NotImpl; }

HResult KeyBord::MoveAcrossNumber(std::int16_t& step) { return hr::NotImpl; }

HResult KeyBord::MoveDownImage() { return hr::NotImpl; }

HResult KeyBord::MoveUpImage() { return hr::NotImpl; }

HResult KeyBord::MoveAcrossImage(std::int16_t& step) { return hr::NotImpl; }

}  // namespace vexo
