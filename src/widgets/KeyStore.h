// SPDX-License-Identifier: MIT
// The key labels of one array and the design-time form, shared by every
// toolkit: the elements as data, loaded from element 0, and the design-time
// templates that start-up builds on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Widgets.h"

namespace vexo {

// The look every key copies from its template.
struct KeyLook {
  bool raised = true;  // raised three-dimensional border
  std::u16string_view faceName = u"Tahoma";
  float fontPoints = 9.75f;
  std::int16_t fontWeight = 700;
  std::int16_t charset = 177;
  std::int16_t textAlign = 3;  // right
  friend bool operator==(const KeyLook&, const KeyLook&) = default;
};

// The look of the design-time keys: the font is the one the keys and the
// field show on every toolkit.
inline constexpr KeyLook DesignKeyLook{};

struct KeyElement {
  std::u16string caption;
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  bool visible = true;
  std::optional<Colour> foreColor;  // empty while never set
  std::optional<Colour> backColor;
  bool marked = false;  // kept by the store: both colours are the mark's
  KeyLook look;
  friend bool operator==(const KeyElement&, const KeyElement&) = default;
};

// The name an assistive technology gives a key: its caption, or "Space" for
// a key that shows no character (the space bar), which a screen reader would
// otherwise pass over in silence.
std::u16string_view AccessibleName(std::u16string_view caption);
// The name an assistive technology gives a panel, as a user calls it; the
// view ends in a NUL, so it may be passed on as a C string.
std::u16string_view AccessiblePanelName(PanelId panel);

// A press on a key arms its click; the release clicks it only over the same
// key, so a press dragged off a key types nothing.
class ArmedKey {
 public:
  void Arm(std::int16_t index) { armed_ = index; }
  void Disarm() { armed_ = -1; }
  // The key a press is down on, or -1.
  std::int16_t Armed() const { return armed_; }
  // The key that a release over key `hit` (-1 for none) clicks, or -1; disarms.
  std::int16_t Release(std::int16_t hit) {
    const std::int16_t armed = armed_;
    armed_ = -1;
    return armed >= 0 && hit == armed ? armed : -1;
  }

 private:
  std::int16_t armed_ = -1;
};

struct Box {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
};

// What a toolkit learns of the changes to its keys.
class KeyObserver {
 public:
  virtual ~KeyObserver() = default;
  // Whether the toolkit can show `colour`; a colour it cannot is refused with
  // the invalid-property-value error.
  virtual bool CanShow(Colour colour) const = 0;
  // Element `index` differs from `before` now; called only when it does.
  virtual void KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after) = 0;
};

// One indexed array of key labels, held as data. Indexes run from 0 to
// 32767, so a store may hold 32768 elements: more than a 16-bit count can
// say, which `Count` then reports as the overflow error.
class KeyStore final : public KeyArray {
 public:
  explicit KeyStore(KeyElement element0, KeyObserver* observer = nullptr);

  HResult Count(std::int16_t& count) override;
  HResult Load(std::int16_t index) override;
  HResult GetCaption(std::int16_t index, std::u16string& caption) override;
  HResult PutCaption(std::int16_t index, std::u16string_view caption) override;
  HResult PutForeColor(std::int16_t index, Colour colour) override;
  HResult PutBackColor(std::int16_t index, Colour colour) override;
  HResult GetLeft(std::int16_t index, float& left) override;
  HResult PutLeft(std::int16_t index, float left) override;
  HResult GetTop(std::int16_t index, float& top) override;
  HResult PutTop(std::int16_t index, float top) override;
  HResult GetWidth(std::int16_t index, float& width) override;
  HResult PutWidth(std::int16_t index, float width) override;
  HResult GetHeight(std::int16_t index, float& height) override;
  HResult PutVisible(std::int16_t index, bool visible) override;

  // The element at `index`, or null when it is not loaded.
  const KeyElement* Element(std::int32_t index) const;
  // The highest loaded index + 1: at most 32768, so never narrowed.
  std::int32_t Extent() const { return static_cast<std::int32_t>(elements_.size()); }

  // The mark: the component marks a key by giving it both of the mark's
  // colours, and the store keeps that as the key's state.
  bool IsMarked(std::int32_t index) const;
  // The marked key, the lowest index if several are; -1 for none.
  std::int16_t MarkedIndex() const;

  // The visible key for which `contains(key)` holds, the highest index on top
  // as keys are drawn; -1 for none.
  template <typename Contains>
  std::int16_t KeyAt(Contains contains) const {
    for (std::int32_t index = Extent() - 1; index >= 0; --index) {
      const KeyElement* key = Element(index);
      if (key != nullptr && key->visible && contains(*key)) {
        return static_cast<std::int16_t>(index);  // indexes end at 32767
      }
    }
    return -1;
  }

 private:
  KeyElement* Find(std::int32_t index);
  template <typename Change>
  HResult Update(std::int16_t index, Change change);

  KeyObserver* observer_;
  std::vector<std::optional<KeyElement>> elements_;
};

// --- The design-time form that start-up builds on.

// The template key, element 0, of each array.
KeyElement DesignKey(KeyArrayId array);
// Where each panel and the field stand before start-up moves them.
Box DesignPanel(PanelId panel);
inline constexpr Box DesignField{360, 2760, 3495, 375};
inline constexpr float DesignSurfaceWidth = 4800;
inline constexpr float DesignSurfaceHeight = 3570;
// The key array each panel holds.
constexpr KeyArrayId KeysOf(PanelId panel) { return static_cast<KeyArrayId>(panel); }

}  // namespace vexo
