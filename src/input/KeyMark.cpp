#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::MarkKey(KeyArray& keys, std::int16_t index) { return hr::NotImpl; }

HResult KeyBord::UnmarkKey(KeyArray& keys, std::int16_t index) { return hr::NotImpl; }

}  // namespace vexo
