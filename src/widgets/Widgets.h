// SPDX-License-Identifier: MIT
// The host widget operations: the one interface through which the component
// reaches its toolkit.
//
// The component draws nothing itself. It is assembled from panels that take
// the keyboard focus, each holding one array of key labels (PanelFaces.h
// lists them), a rich-text edit field and its own surface with the host's
// property bag. Implementations, each on
// the shared core in ToolkitCore.h: memory/ (a real in-memory toolkit for
// tests and the headless host), win32/ (real windows inside the Windows
// library) and qt/ (Qt 6 widgets for the Qt widget). No platform type appears
// here; every failure is a status code.
//
// Coordinates and sizes are single-precision twips, measured from the inner
// top-left corner of the container, and read back exactly as they were put.
// Colours are 0x00BBGGRR, or a system colour with the high bit set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "widgets/Status.h"
#include "widgets/Variant.h"
#include "widgets/VirtualKeys.h"

namespace vexo {

using Colour = std::uint32_t;

enum class KeyArrayId : std::uint8_t { cmdKey, cmdNumber, cmdShift };
enum class PanelId : std::uint8_t { picABC, picNumber, picShift };

// One indexed array of key labels. Elements are indexed 0 to count - 1; an
// index with no element is an error. Element 0 exists from the start and is
// the template of the others. A label never takes the focus.
class KeyArray {
 public:
  virtual ~KeyArray() = default;

  virtual HResult Count(std::int16_t& count) = 0;
  // Creates element `index` as a hidden copy of element 0 (size, font, look,
  // caption and position). Loading an index that already exists is an error.
  virtual HResult Load(std::int16_t index) = 0;

  virtual HResult GetCaption(std::int16_t index, std::u16string& caption) = 0;
  virtual HResult PutCaption(std::int16_t index, std::u16string_view caption) = 0;
  virtual HResult PutForeColor(std::int16_t index, Colour colour) = 0;
  virtual HResult PutBackColor(std::int16_t index, Colour colour) = 0;

  virtual HResult GetLeft(std::int16_t index, float& left) = 0;
  virtual HResult PutLeft(std::int16_t index, float left) = 0;
  virtual HResult GetTop(std::int16_t index, float& top) = 0;
  virtual HResult PutTop(std::int16_t index, float top) = 0;
  virtual HResult GetWidth(std::int16_t index, float& width) = 0;
  virtual HResult PutWidth(std::int16_t index, float width) = 0;
  virtual HResult GetHeight(std::int16_t index, float& height) = 0;
  virtual HResult PutVisible(std::int16_t index, bool visible) = 0;
};

// A widget with a box of its own on the surface: a panel or the field.
class BoxedWidget {
 public:
  virtual ~BoxedWidget() = default;

  virtual HResult GetLeft(float& left) = 0;
  virtual HResult PutLeft(float left) = 0;
  virtual HResult GetTop(float& top) = 0;
  virtual HResult PutTop(float top) = 0;
  virtual HResult GetWidth(float& width) = 0;
  virtual HResult PutWidth(float width) = 0;
  virtual HResult GetHeight(float& height) = 0;
  virtual HResult PutHeight(float height) = 0;
};

// A key panel: it holds one key array and can take the keyboard focus.
class Panel : public BoxedWidget {
 public:
  // Gives the panel the keyboard focus. LostFocus of the panel that had it and
  // GotFocus of this one follow, during the call or after the notification
  // handler that made it returns, as the toolkit delivers them. May fail.
  virtual HResult SetFocus() = 0;
};

// The rich-text edit field `Text1`, in plain-text use.
class RichTextBox : public BoxedWidget {
 public:
  virtual HResult GetText(std::u16string& text) = 0;
  // The number of characters GetText would give. A keystroke needs only this,
  // so a toolkit that can tell it without copying the text out should: the
  // default copies it.
  virtual HResult GetTextLength(std::int32_t& length) {
    length = 0;
    std::u16string text;
    RETURN_IF_FAILED(GetText(text));
    if (!std::in_range<std::int32_t>(text.size())) {
      return hr::Overflow;
    }
    length = static_cast<std::int32_t>(text.size());
    return hr::Ok;
  }
  // Replaces the whole text; the caret goes to 0 with an empty selection.
  virtual HResult PutText(std::u16string_view text) = 0;
  virtual HResult GetSelStart(std::int32_t& start) = 0;
  // The number of characters selected from the caret on.
  virtual HResult GetSelLength(std::int32_t& length) = 0;
  // Places the caret; the selection becomes empty.
  virtual HResult PutSelStart(std::int32_t start) = 0;
  // Selects that many characters from the caret on.
  virtual HResult PutSelLength(std::int32_t length) = 0;
  // Replaces the selected characters.
  virtual HResult PutSelText(std::u16string_view text) = 0;
};

// The component's own surface on the host's form.
class Surface {
 public:
  virtual ~Surface() = default;

  virtual HResult GetWidth(float& width) = 0;
  virtual HResult PutWidth(float width) = 0;
  virtual HResult GetHeight(float& height) = 0;
  virtual HResult PutHeight(float height) = 0;
};

// The host's store of named values for a saved form.
class PropertyBag {
 public:
  virtual ~PropertyBag() = default;

  // Gives the stored value, or `defaultValue` when the key is absent.
  virtual HResult ReadProperty(std::u16string_view key, const Variant& defaultValue,
                               Variant& value) = 0;
  // Stores the value; the bag may leave out a value equal to its default.
  virtual HResult WriteProperty(std::u16string_view key, const Variant& value,
                                const Variant& defaultValue) = 0;
};

// The two halves of a character beyond the basic plane in UTF-16, which the
// field never splits.
constexpr bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// What the user did in the field `Text1` itself. The toolkit never lets the
// field change its own text for the user: it reports the wish instead, and the
// component makes the change.
enum class FieldEdit : std::uint8_t {
  Insert,           // put the text at the field's selection (typed, pasted, composed)
  Backspace,        // delete backward
  Delete,           // delete forward
  EraseSelection,   // take away what the user selected (cut, clear)
  ChangedByOthers,  // the field's text was changed behind the component (another program)
};

// What the toolkit tells the component: the notifications of its widgets and
// its surface. Each returns the handler's status to the toolkit.
class WidgetEvents {
 public:
  virtual ~WidgetEvents() = default;

  virtual HResult OnInitialize() = 0;
  virtual HResult OnReadProperties(PropertyBag& bag) = 0;
  virtual HResult OnWriteProperties(PropertyBag& bag) = 0;
  virtual HResult OnResize() = 0;
  virtual HResult OnShow() = 0;
  virtual HResult OnSurfaceGotFocus() = 0;

  virtual HResult OnClick(KeyArrayId array, std::int16_t index) = 0;
  virtual HResult OnGotFocus(PanelId panel) = 0;
  virtual HResult OnLostFocus(PanelId panel) = 0;
  virtual HResult OnKeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) = 0;
  // `text` is what goes in for FieldEdit::Insert, and empty otherwise.
  virtual HResult OnFieldEdit(FieldEdit edit, std::u16string_view text) = 0;
};

// The commands the component gives its host.
enum class HostCommand : std::uint16_t {
  F7 = vk::F7,  // the user pressed F7; the command's number is the key's code
};

// The toolkit: the widgets of one component instance and the two system
// services it uses.
class Widgets {
 public:
  virtual ~Widgets() = default;

  // The component that receives the notifications; set once, before any.
  virtual void Connect(WidgetEvents& events) = 0;

  virtual KeyArray& Keys(KeyArrayId array) = 0;
  virtual Panel& Pane(PanelId panel) = 0;
  virtual RichTextBox& Text1() = 0;
  virtual Surface& UserControl() = 0;

  // One short system sound.
  virtual void Beep() = 0;
  // Tells the host of a command, synchronously: the host's code may do
  // anything meanwhile, destroy the component too. A host that has no window
  // active on this thread is told nothing, and its answer means nothing.
  virtual void RaiseHostCommand(HostCommand command) = 0;
  // A key was typed, by any means (a click, a key on a panel, a method, the
  // field itself): `text` is what it typed, `accepted` false when the length
  // limit refused it. The host hears of it once the call or notification that
  // typed it is over, never inside it: the host's code may do anything.
  virtual void KeyTyped(std::u16string_view text, bool accepted) = 0;
};

}  // namespace vexo
