// SPDX-License-Identifier: MIT
// The field `Text1` on a rich-text edit control: its text and selection here
// and in Win32RichTextBox.cpp, what the user does in it in
// Win32RichTextBoxInput.cpp.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "widgets/KeyStore.h"
#include "widgets/Placement.h"
#include "widgets/Widgets.h"
#include "widgets/win32/PendingWork.h"
#include "widgets/win32/WidgetContext.h"

struct HINSTANCE__;

namespace vexo::win32 {

// The text the control shows for `text`: one UTF-16 unit for each unit, each
// unit the control cannot hold as it is replaced by a visible picture of it.
std::u16string DisplayText(std::u16string_view text);

// The field `Text1`: a rich-text edit control in plain-text mode, one line.
//
// What is put reads back exactly. The control cannot hold every UTF-16 unit as
// it is: it turns LF and CRLF into its own paragraph mark, a single-line
// control drops everything from a line break on, and a string sent to it ends
// at NUL. Those units (NUL, LF, VT, FF, CR and the line and paragraph
// separators) are shown as visible pictures of themselves, one unit for one,
// so that every caret position in the control is the same position in the
// text. After every write the toolkit compares what the control shows with
// the text; where they differ (pictures, or any unit the control changed on
// its own) it keeps the exact text alongside, and a read gives it back as
// long as the control still shows what it showed then. Once the user or
// another program changes the field, what it shows is what it holds. A
// control that changed the number of units would misplace every later
// position: that write fails with the invalid-property-value error.
class Win32RichTextBox final : public PlacedField, private Settling {
 public:
  explicit Win32RichTextBox(const WidgetContext& context) : PlacedField(DesignField), context_(context) {}
  ~Win32RichTextBox();
  Win32RichTextBox(const Win32RichTextBox&) = delete;
  Win32RichTextBox& operator=(const Win32RichTextBox&) = delete;

  // Makes the control on the surface, where its box puts it.
  // Makes the window at `place` (parent client pixels), or where its bounds
  // say.
  HResult Create(std::optional<PixelRect> place = std::nullopt);

  HResult GetText(std::u16string& text) override;
  // From the control's own count: an exact copy kept beside the control
  // always has as many units as the control shows (see Commit), so the
  // count is GetText's size either way, without copying the text out.
  HResult GetTextLength(std::int32_t& length) override;
  HResult PutText(std::u16string_view text) override;
  HResult GetSelStart(std::int32_t& start) override;
  HResult GetSelLength(std::int32_t& length) override;
  HResult PutSelStart(std::int32_t start) override;
  HResult PutSelLength(std::int32_t length) override;
  HResult PutSelText(std::u16string_view text) override;

  Hwnd Window() const { return window_; }
  // Counts the changes of the text: every write of the toolkit's, and every
  // change by others it is told of. The text is as it was when the count
  // was last read as long as the count is the same, so a look at the text
  // costs nothing when nothing changed.
  std::uint64_t Revision() const { return revision_; }
  // The user or another program changed the control (its parent heard
  // EN_CHANGE).
  void ChangedByOthers() { ++revision_; }
  // What the control itself holds and shows.
  std::u16string Shown() const;
  // The selection as the field holds it (the control, once the burst is
  // over): start and length.
  std::pair<std::int32_t, std::int32_t> Selection() const;

  // The field's window procedure hands every message here first. The user
  // never changes the control's text by the control's own hand: what the
  // user types, composes, pastes, cuts, clears or deletes is reported to the
  // component as a FieldEdit, which makes the change through the model;
  // undo, redo, drops and the context menu are refused. A change another
  // program sends the control is made, then reported, so that the component
  // makes the field sound again. Gives the answer to a message taken, or
  // nothing for one the control handles itself.
  std::optional<std::intptr_t> Intercept(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
  // Whether Intercept may take `message`: the messages by which a user or
  // another program writes into the control. The rest reach the control
  // without a look at the field.
  static bool MayWrite(std::uint32_t message);
  // Keeps the field's owner alive while a message that may reach the host's
  // code is handled (a paste asks the clipboard's owner, whose code may do
  // anything); see KeepAlive.
  KeepAlive Hold() const { return KeepAlive(context_.keepAlive); }

 private:
  // A unit typed: a surrogate pair arrives as two, the high half first.
  void Typed(char16_t unit);
  void TypedCodePoint(std::uintptr_t codePoint);
  void Paste();
  void Report(FieldEdit edit, std::u16string_view text = {});
  // A high half that no low half followed goes in alone: nothing typed is lost.
  void FlushHalf();
  char16_t pendingHigh_ = 0;

  bool Alive() const;
  HResult Placed() override;
  // The exact text while the control still shows what it showed when the
  // text was put (`shown` is what it shows now); else drops it.
  const std::u16string* ValidExact(const std::u16string& shown);
  // What the field holds before a write, to go back to if the control
  // cannot take it.
  struct Before {
    std::u16string shown;
    std::pair<std::int32_t, std::int32_t> selection;
    std::optional<std::u16string> exact;
    std::u16string shownAs;
  };
  Before Capture();
  // Records `text` as what the control holds after a write: kept beside the
  // control when the control shows it differently, unit for unit. A control
  // that changed the number of units is put back as it was `before`, and the
  // write fails with the invalid-property-value error.
  HResult Commit(std::u16string text, Before before);
  // The control repaints what each change of text or selection touched
  // before the change returns. Its painting is held instead (see SendChange),
  // so that a burst of changes (one keystroke makes several) is painted
  // once, by the message loop, after the burst: what the changes touched
  // stays invalid until then. (Hiding the window for the burst would cost a
  // trip to the display's server each way.) The burst's end settles the
  // field: it sends the last selection and, after a move, scrolls to the
  // caret.
  void BeginChange();
  void Settle() override;
  // Applies a move the field waits for: before any change of text or
  // selection, which scrolls by the control's width.
  void PlaceNow();

  const WidgetContext& context_;
  HINSTANCE__* library_ = nullptr;  // the control's code
  Hwnd window_ = nullptr;
  std::optional<std::u16string> exact_;
  std::u16string shownAs_;  // what the control showed when exact_ was put
  bool unsettled_ = false;  // changed in a burst that has not settled it yet
  bool placed_ = false;     // moved since it was last settled
  std::uint64_t revision_ = 0;

  // PutSelStart places the caret, PutSelLength selects from it; both check
  // and apply in one burst.
  enum class SelectionEdge { Start, Length };
  HResult PutSelection(SelectionEdge edge, std::int32_t value);

  // Selections wait for the end of the burst, or for a replacement that
  // needs one: a keystroke asks for seven or eight and each costs the control
  // a layout of its line, so only two are sent. Every selection the control
  // is given also scrolls the line just far enough to show its end; for each
  // one never sent that scrolling is done by hand, so that the line ends
  // scrolled where every selection would have left it.
  void Select(std::int32_t start, std::int32_t end);
  void SendSelection();
  // The selection wanted so far is superseded and never sent.
  void DropSelection();
  // Scrolls as the control does when it selects up to `position`.
  void ScrollIntoView(std::int32_t position);
  // A key typed at the block caret: the control holds the one character
  // after the caret selected, and the caret wanted in front of it is not
  // sent (a layout of the line and trips to the display's server for
  // nothing); the selected character is replaced by `text` and itself (put
  // at the end of `text`). False, having done nothing, when the field is not
  // in that state.
  bool InsertBeforeHeldCharacter(std::int32_t start, std::int32_t length, std::u16string& text,
                                 const std::u16string& shown);
  std::optional<std::pair<std::int32_t, std::int32_t>> wanted_;  // [start, end), not yet sent
  // Positions known to lie in view: scrolling one of them into view changes
  // nothing. A change of text or scrolling may move every other one.
  class InView {
   public:
    bool Holds(std::int32_t position) const {
      return std::find(known_.begin(), known_.begin() + count_, position) != known_.begin() + count_;
    }
    void Add(std::int32_t position) {
      if (count_ < static_cast<int>(known_.size())) known_[static_cast<std::size_t>(count_++)] = position;
    }
    // The control has just scrolled `position` into view.
    void After(std::int32_t position) {
      count_ = 0;
      Add(position);
    }
    void Forget() { count_ = 0; }

   private:
    std::array<std::int32_t, 4> known_{};
    int count_ = 0;
  };
  InView inView_;
};

}  // namespace vexo::win32
