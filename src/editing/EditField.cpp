#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::InsertChar(std::u16string& S) { return hr::NotImpl; }

HResult KeyBord::FinishEdit() { return hr::NotImpl; }

HResult KeyBord::get_Text(std::u16string& value) { return hr::NotImpl; }

HResult KeyBord::put_Text(std::u16string_view vNewValue) { return hr::NotImpl; }

}  // namespace vexo
