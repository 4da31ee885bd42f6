// SPDX-License-Identifier: MIT
#include "widgets/KeyStore.h"

#include "widgets/PanelFaces.h"

#include <algorithm>
#include <new>
#include <utility>

#include "widgets/KeyLooks.h"  // the mark is a key with both of its colours

namespace vexo {

namespace {

template <typename Value>
HResult Read(const KeyElement* key, Value KeyElement::*field, Value& out) {
  if (key == nullptr) {
    return hr::ElementMissing;
  }
  out = key->*field;
  return hr::Ok;
}

}  // namespace

KeyStore::KeyStore(KeyElement element0, KeyObserver* observer) : observer_(observer) {
  elements_.emplace_back(std::move(element0));
}

KeyElement* KeyStore::Find(std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= elements_.size() || !elements_[index]) {
    return nullptr;
  }
  return &*elements_[index];
}

const KeyElement* KeyStore::Element(std::int32_t index) const {
  return const_cast<KeyStore*>(this)->Find(index);
}

template <typename Change>
HResult KeyStore::Update(std::int16_t index, Change change) {
  KeyElement* key = Find(index);
  if (key == nullptr) {
    return hr::ElementMissing;
  }
  const auto settle = [](KeyElement& changed) {
    changed.marked = changed.foreColor == MarkedForeColor && changed.backColor == MarkedBackColor;
  };
  try {
    if (observer_ == nullptr) {  // nobody compares: no copy of the key
      change(*key);
      settle(*key);
      return hr::Ok;
    }
    const KeyElement before = *key;
    change(*key);
    settle(*key);
    if (!(before == *key)) {
      observer_->KeyChanged(index, before, *key);
    }
  } catch (const std::bad_alloc&) {
    return hr::OutOfMemory;
  }
  return hr::Ok;
}

HResult KeyStore::Count(std::int16_t& count) {
  const auto loaded = std::count_if(elements_.begin(), elements_.end(), [](const auto& e) { return e.has_value(); });
  if (!std::in_range<std::int16_t>(loaded)) {
    return hr::Overflow;
  }
  count = static_cast<std::int16_t>(loaded);
  return hr::Ok;
}

HResult KeyStore::Load(std::int16_t index) {
  if (index < 0) {
    return hr::ElementMissing;
  }
  if (Find(index) != nullptr) {
    return hr::AlreadyLoaded;
  }
  const KeyElement* element0 = Find(0);
  if (element0 == nullptr) {
    return hr::ElementMissing;
  }
  try {
    KeyElement copy = *element0;
    copy.visible = false;  // a hidden label shows nothing, so nobody is told
    if (static_cast<std::size_t>(index) >= elements_.size()) {
      elements_.resize(static_cast<std::size_t>(index) + 1);
    }
    elements_[index] = std::move(copy);
  } catch (const std::bad_alloc&) {
    return hr::OutOfMemory;
  }
  return hr::Ok;
}

HResult KeyStore::GetCaption(std::int16_t index, std::u16string& caption) {
  const KeyElement* key = Find(index);
  if (key == nullptr) {
    return hr::ElementMissing;
  }
  try {
    caption = key->caption;
  } catch (const std::bad_alloc&) {
    return hr::OutOfMemory;
  }
  return hr::Ok;
}

HResult KeyStore::PutCaption(std::int16_t index, std::u16string_view caption) {
  return Update(index, [&](KeyElement& key) { key.caption.assign(caption); });
}

HResult KeyStore::PutForeColor(std::int16_t index, Colour colour) {
  if (Find(index) != nullptr && observer_ != nullptr && !observer_->CanShow(colour)) {
    return hr::InvalidPropertyValue;
  }
  return Update(index, [&](KeyElement& key) { key.foreColor = colour; });
}

HResult KeyStore::PutBackColor(std::int16_t index, Colour colour) {
  if (Find(index) != nullptr && observer_ != nullptr && !observer_->CanShow(colour)) {
    return hr::InvalidPropertyValue;
  }
  return Update(index, [&](KeyElement& key) { key.backColor = colour; });
}

HResult KeyStore::GetLeft(std::int16_t index, float& left) { return Read(Find(index), &KeyElement::left, left); }
HResult KeyStore::GetTop(std::int16_t index, float& top) { return Read(Find(index), &KeyElement::top, top); }
HResult KeyStore::GetWidth(std::int16_t index, float& width) { return Read(Find(index), &KeyElement::width, width); }
HResult KeyStore::GetHeight(std::int16_t index, float& height) {
  return Read(Find(index), &KeyElement::height, height);
}

HResult KeyStore::PutLeft(std::int16_t index, float left) {
  return Update(index, [&](KeyElement& key) { key.left = left; });
}
HResult KeyStore::PutTop(std::int16_t index, float top) {
  return Update(index, [&](KeyElement& key) { key.top = top; });
}
HResult KeyStore::PutWidth(std::int16_t index, float width) {
  return Update(index, [&](KeyElement& key) { key.width = width; });
}
HResult KeyStore::PutVisible(std::int16_t index, bool visible) {
  return Update(index, [&](KeyElement& key) { key.visible = visible; });
}

bool KeyStore::IsMarked(std::int32_t index) const {
  const KeyElement* key = Element(index);
  return key != nullptr && key->marked;
}

std::int16_t KeyStore::MarkedIndex() const {
  for (std::int32_t index = 0; index < Extent(); ++index) {
    if (IsMarked(index)) {
      return static_cast<std::int16_t>(index);
    }
  }
  return -1;
}

std::u16string_view AccessibleName(std::u16string_view caption) {
  return caption.find_first_not_of(u' ') == std::u16string_view::npos ? u"Space" : caption;
}

std::u16string_view AccessiblePanelName(PanelId panel) {
  return Slot(panel) < PanelCount ? FaceOf(panel).name : u"";
}

// --- The design-time form.

KeyElement DesignKey(KeyArrayId array) {
  KeyElement key;
  key.width = 375;
  if (Slot(array) < PanelCount) {
    const PanelFace& face = PanelFaces[Slot(array)];
    key.caption = face.templateCaption;
    key.height = face.templateHeight;
  }
  return key;
}

Box DesignPanel(PanelId panel) { return Slot(panel) < PanelCount ? FaceOf(panel).box : Box{}; }

}  // namespace vexo
