// SPDX-License-Identifier: MIT
#include "widgets/win32/Win32RichTextBox.h"

#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <array>
#include <utility>

#include "widgets/Boundary.h"
#include "widgets/win32/FormKeys.h"
#include "widgets/win32/LastError.h"

namespace vexo::win32 {

namespace {

// The picture the control shows for a unit it cannot hold as it is, or the
// unit itself. NUL ends any string the control is sent; LF, VT, FF and CR are
// line and page breaks to it (and a one-line control drops what follows them);
// the two separators count as breaks as well. The C0 ones get their control
// pictures (U+2400 + code), the separators a return arrow and a pilcrow.
constexpr char16_t Picture(char16_t unit) {
  switch (unit) {
    case 0x0000:
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
      return static_cast<char16_t>(0x2400 + unit);
    case 0x2028:
      return 0x21B5;
    case 0x2029:
      return 0x00B6;
    default:
      return unit;
  }
}

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The fields of this thread that are being sent a change.
thread_local std::array<HWND, 4> changing{};

void MarkChanging(HWND window, bool mark) {
  const auto slot = std::find(changing.begin(), changing.end(), mark ? nullptr : window);
  if (slot != changing.end()) {
    *slot = mark ? window : nullptr;
  }
}

// Sends the control a change of its text, selection or scrolling. The
// control would repaint what the change touched before returning; it is
// left invalid instead, and painted once the burst is over and the message
// loop runs again.
LRESULT SendChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MarkChanging(window, true);
  const LRESULT result = SendMessageW(window, message, wParam, lParam);
  MarkChanging(window, false);
  return result;
}

bool Changing(HWND window) { return std::find(changing.begin(), changing.end(), window) != changing.end(); }

// Where the window finds its field.
constexpr wchar_t FieldProperty[] = L"VexoKeyBordField";

// The control's own procedure, in front of which the field's window sits.
LRESULT CALLBACK FieldProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT && std::find(changing.begin(), changing.end(), window) != changing.end()) {
    return 0;
  }
  // The field leaves a form its keys as the panels do. The control's own
  // answer keeps Tab, so that a user who clicked into the field could never
  // tab out of it; and the control is not asked at all: told of a dialog
  // manager (the message's lParam), it starts acting on Tab, Enter and Escape
  // on its own, towards its parent, which is the control's surface and no
  // dialog.
  if (message == WM_GETDLGCODE) {
    return DialogCode;
  }
  // The toolkit's own changes go straight to the control, without a look.
  if (auto* field = Win32RichTextBox::MayWrite(message) && !Changing(window)
                        ? static_cast<Win32RichTextBox*>(GetPropW(window, FieldProperty))
                        : nullptr) {
    // Taken first and gone last: nothing of the field is touched after it.
    const KeepAlive hold = field->Hold();
    std::optional<std::intptr_t> answer;
    Discard(Guard([&] {
              answer = field->Intercept(message, wParam, lParam);
              return hr::Ok;
            }),
            "the system's message dispatch takes no status: a failed look leaves the message to the control");
    if (answer) {
      return *answer;
    }
  }
  const auto control = reinterpret_cast<WNDPROC>(GetClassLongPtrW(window, GCLP_WNDPROC));
  return CallWindowProcW(control, window, message, wParam, lParam);
}

std::int32_t LengthOf(HWND window) {
  return static_cast<std::int32_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

}  // namespace

std::u16string DisplayText(std::u16string_view text) {
  std::u16string shown(text);
  for (char16_t& unit : shown) {
    unit = Picture(unit);
  }
  return shown;
}

Win32RichTextBox::~Win32RichTextBox() {
  if (Alive()) {
    RemovePropW(window_, FieldProperty);
    DestroyWindow(window_);
  }
  window_ = nullptr;
  if (library_ != nullptr) {
    FreeLibrary(library_);
  }
}

HResult Win32RichTextBox::Create(std::optional<PixelRect> place) {
  const wchar_t* className = MSFTEDIT_CLASS;
  library_ = LoadLibraryW(L"msftedit.dll");
  if (library_ == nullptr) {
    className = RICHEDIT_CLASSW;
    library_ = LoadLibraryW(L"riched20.dll");
  }
  if (library_ == nullptr) {
    return LastError();
  }
  const PixelRect r = place.value_or(context_.Pixels(Bounds()));
  // ES_NOHIDESEL: the block caret is a selection and must stay visible while
  // a panel has the focus. ES_NOOLEDRAGDROP: nothing is dropped into the
  // field, nor dragged out of it and taken away.
  window_ = CreateWindowExW(WS_EX_CLIENTEDGE, className, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | ES_NOHIDESEL |
                                ES_NOOLEDRAGDROP,
                            r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()), context_.surface,
                            nullptr, context_.module, nullptr);
  if (window_ == nullptr) {
    return LastError();
  }
  // The control takes plain-text mode only while it is empty. Its limit
  // lies far above the 32,767 characters the component addresses.
  SendMessageW(window_, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
  SendMessageW(window_, EM_EXLIMITTEXT, 0, TextCapacity);

  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_WEIGHT | CFM_CHARSET;
  format.dwEffects = CFE_BOLD;
  format.wWeight = FW_BOLD;
  format.yHeight = 195;  // 9.75 points in twips
  format.bCharSet = HEBREW_CHARSET;
  lstrcpynW(format.szFaceName, L"Tahoma", LF_FACESIZE);
  SendMessageW(window_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  SendMessageW(window_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  if (!SetPropW(window_, FieldProperty, this)) {
    return LastError();
  }
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FieldProcedure));
  return hr::Ok;
}

bool Win32RichTextBox::Alive() const { return window_ != nullptr && IsWindow(window_); }

HResult Win32RichTextBox::Placed() {
  if (Alive()) {
    // A selection waiting for the burst's end goes to the control first, at
    // the width it scrolls by now.
    SendSelection();
    inView_.Forget();
    placed_ = true;
    context_.pending.Move(window_, context_.Pixels(Bounds()));
  }
  return hr::Ok;
}

void Win32RichTextBox::PlaceNow() {
  if (window_ != nullptr) {
    context_.pending.MoveNow(window_);
  }
}

std::u16string Win32RichTextBox::Shown() const {
  std::u16string text;
  if (!Alive()) {
    return text;
  }
  text.resize(static_cast<std::size_t>(LengthOf(window_)) + 1);
  const auto copied = SendMessageW(window_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, static_cast<LRESULT>(text.size() - 1))));
  return text;
}

std::pair<std::int32_t, std::int32_t> Win32RichTextBox::Selection() const {
  if (wanted_) {
    return {wanted_->first, wanted_->second - wanted_->first};
  }
  CHARRANGE range{0, 0};
  if (Alive()) {
    SendMessageW(window_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  }
  return {range.cpMin, range.cpMax - range.cpMin};
}

void Win32RichTextBox::BeginChange() {
  if (unsettled_) {
    return;
  }
  inView_.Forget();
  unsettled_ = true;
  context_.pending.Settle(*this);
}

void Win32RichTextBox::Settle() {
  if (!unsettled_) {
    return;
  }
  unsettled_ = false;
  if (!Alive()) {
    wanted_.reset();
    return;
  }
  // The last selection scrolls its end into view. Only a control that was
  // moved or resized since needs scrolling to the caret again.
  SendSelection();
  if (std::exchange(placed_, false)) {
    SendChange(window_, EM_SCROLLCARET, 0, 0);
  }
}

void Win32RichTextBox::Select(std::int32_t start, std::int32_t end) {
  DropSelection();
  wanted_.emplace(start, end);
}

void Win32RichTextBox::DropSelection() {
  if (wanted_) {
    // All it would have left behind is the line scrolled to show its end.
    ScrollIntoView(std::exchange(wanted_, std::nullopt)->second);
  }
}

void Win32RichTextBox::SendSelection() {
  if (!wanted_) {
    return;
  }
  const auto [start, end] = *std::exchange(wanted_, std::nullopt);
  CHARRANGE now{0, 0};
  SendMessageW(window_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&now));
  if (now.cpMin == start && now.cpMax == end) {
    // Held already: sending it again would only scroll its end into view.
    ScrollIntoView(end);
    return;
  }
  CHARRANGE range{start, end};
  SendChange(window_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  inView_.After(end);
}

bool Win32RichTextBox::InsertBeforeHeldCharacter(std::int32_t start, std::int32_t length, std::u16string& text,
                                                  const std::u16string& shown) {
  if (!wanted_ || length != 0 || wanted_->first != start || wanted_->second != start ||
      static_cast<std::size_t>(start) >= shown.size()) {
    return false;
  }
  CHARRANGE held{0, 0};
  SendMessageW(window_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&held));
  const char16_t carried = shown[static_cast<std::size_t>(start)];
  if (held.cpMin != start || held.cpMax != start + 1 || IsHighSurrogate(carried) || IsLowSurrogate(carried) ||
      carried == u'\r' || carried == u'\n') {
    return false;
  }
  // What the caret placed in front of it would have scrolled into view.
  DropSelection();
  // Where the plain insertion leaves the caret, until a selection follows.
  const std::int32_t caret = start + static_cast<std::int32_t>(text.size());
  text += carried;
  SendChange(window_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(text)));
  inView_.After(caret + 1);
  wanted_.emplace(caret, caret);
  return true;
}

void Win32RichTextBox::ScrollIntoView(std::int32_t position) {
  if (inView_.Holds(position)) {
    return;
  }
  POINTL at{0, 0};
  SendMessageW(window_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), position);
  RECT view{};
  SendMessageW(window_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&view));
  // Past the right edge the position comes to lie one pixel inside it; on
  // or left of the left edge, on it.
  LONG by = 0;
  if (at.x > view.right) {
    by = at.x - (view.right - 1);
  } else if (at.x < view.left) {
    by = at.x - view.left;
  }
  if (by == 0) {
    inView_.Add(position);
    return;
  }
  inView_.After(position);
  POINT scroll{0, 0};
  SendMessageW(window_, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  scroll.x += by;
  SendChange(window_, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
}

const std::u16string* Win32RichTextBox::ValidExact(const std::u16string& shown) {
  if (exact_ && shown != shownAs_) {
    // The user or another program changed the field: what it shows is what
    // it holds.
    exact_.reset();
    shownAs_.clear();
  }
  return exact_ ? &*exact_ : nullptr;
}

Win32RichTextBox::Before Win32RichTextBox::Capture() {
  Before before{Shown(), Selection(), std::nullopt, {}};
  if (ValidExact(before.shown) != nullptr) {
    before.exact = exact_;
    before.shownAs = shownAs_;
  }
  return before;
}

HResult Win32RichTextBox::Commit(std::u16string text, Before before) {
  ++revision_;
  std::u16string shown = Shown();
  if (shown == text) {
    exact_.reset();
    shownAs_.clear();
    return hr::Ok;
  }
  if (shown.size() == text.size()) {
    exact_ = std::move(text);
    shownAs_ = std::move(shown);
    return hr::Ok;
  }
  // The control merged or dropped units: its positions would no longer be
  // the text's. The field goes back to what it held.
  wanted_.reset();
  SendChange(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  SendChange(window_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(before.shown)));
  CHARRANGE range{before.selection.first, before.selection.first + before.selection.second};
  SendChange(window_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  inView_.Forget();
  if (Shown() == before.shown) {
    exact_ = std::move(before.exact);
    shownAs_ = std::move(before.shownAs);
  } else {
    exact_.reset();
    shownAs_.clear();
  }
  return hr::InvalidPropertyValue;
}

HResult Win32RichTextBox::GetText(std::u16string& text) {
  return Guard([&] {
    text.clear();
    if (!Alive()) {
      return hr::Fail;
    }
    std::u16string shown = Shown();
    const std::u16string* exact = ValidExact(shown);
    text = exact != nullptr ? *exact : std::move(shown);
    return hr::Ok;
  });
}

HResult Win32RichTextBox::GetTextLength(std::int32_t& length) {
  length = 0;
  if (!Alive()) {
    return hr::Fail;
  }
  // Counted as WM_GETTEXT copies: in UTF-16 units, a paragraph mark as CRLF.
  GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, 1200};
  const LRESULT units = SendMessageW(window_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0);
  if (units < 0 || !std::in_range<std::int32_t>(units)) {
    return hr::Fail;
  }
  length = static_cast<std::int32_t>(units);
  return hr::Ok;
}

HResult Win32RichTextBox::PutText(std::u16string_view text) {
  return Guard([&] {
    const PendingWork::Burst burst = context_.pending.Open();
    if (!Alive()) {
      return hr::Fail;
    }
    PlaceNow();
    if (text.size() > static_cast<std::size_t>(TextCapacity)) {
      return hr::Overflow;
    }
    const std::u16string shown = DisplayText(text);
    // The control lays out its whole line again for every change it is
    // given, so only the part that differs from what it shows is replaced:
    // a text that differs by one typed character costs one character's
    // change, not a new text. The part goes in as the replacement of a
    // selection, so that a string that merely looks like rich text is never
    // read as such.
    BeginChange();
    Before previous = Capture();
    DropSelection();  // the new text brings its own selections
    const std::u16string& before = previous.shown;
    const auto firstDifference = static_cast<std::size_t>(
        std::mismatch(before.begin(), before.end(), shown.begin(), shown.end()).first - before.begin());
    const std::size_t common = std::min(before.size(), shown.size()) - firstDifference;
    const auto sameEnd = static_cast<std::size_t>(
        std::mismatch(before.rbegin(), before.rbegin() + static_cast<std::ptrdiff_t>(common), shown.rbegin()).first -
        before.rbegin());
    if (firstDifference != before.size() || before.size() != shown.size()) {
      CHARRANGE changed{static_cast<LONG>(firstDifference), static_cast<LONG>(before.size() - sameEnd)};
      SendChange(window_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&changed));
      const std::u16string part = shown.substr(firstDifference, shown.size() - sameEnd - firstDifference);
      SendChange(window_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(part)));
      inView_.After(static_cast<std::int32_t>(firstDifference + part.size()));
    }
    // As after a fresh text: nothing to undo into the text before.
    SendMessageW(window_, EM_EMPTYUNDOBUFFER, 0, 0);
    Select(0, 0);
    return Commit(std::u16string(text), std::move(previous));
  });
}

HResult Win32RichTextBox::GetSelStart(std::int32_t& start) {
  start = 0;
  if (!Alive()) {
    return hr::Fail;
  }
  start = Selection().first;
  return hr::Ok;
}

HResult Win32RichTextBox::GetSelLength(std::int32_t& length) {
  length = 0;
  if (!Alive()) {
    return hr::Fail;
  }
  length = Selection().second;
  return hr::Ok;
}

HResult Win32RichTextBox::PutSelStart(std::int32_t start) { return PutSelection(SelectionEdge::Start, start); }

HResult Win32RichTextBox::PutSelLength(std::int32_t length) { return PutSelection(SelectionEdge::Length, length); }

HResult Win32RichTextBox::PutSelection(SelectionEdge edge, std::int32_t value) {
  const PendingWork::Burst burst = context_.pending.Open();
  if (value < 0) {
    return hr::InvalidPropertyValue;
  }
  if (!Alive()) {
    return hr::Fail;
  }
  PlaceNow();
  BeginChange();
  const std::int32_t length = LengthOf(window_);
  if (edge == SelectionEdge::Start) {
    const std::int32_t caret = std::min(value, length);
    Select(caret, caret);
  } else {
    const std::int32_t start = Selection().first;
    const std::int32_t end = std::min<std::int64_t>(std::int64_t{start} + value, length);
    Select(start, std::max(start, end));
  }
  return hr::Ok;
}

HResult Win32RichTextBox::PutSelText(std::u16string_view text) {
  return Guard([&] {
    const PendingWork::Burst burst = context_.pending.Open();
    if (!Alive()) {
      return hr::Fail;
    }
    PlaceNow();
    Before previous = Capture();
    const auto [start, length] = previous.selection;
    if (static_cast<std::int64_t>(previous.shown.size()) - length + static_cast<std::int64_t>(text.size()) >
        TextCapacity) {
      return hr::Overflow;
    }
    std::u16string next = previous.exact ? *previous.exact : previous.shown;
    BeginChange();
    if (std::u16string_view(next).substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)) == text) {
      // The selection already holds the text: only the caret moves, behind
      // it, as after a replacement. The control would otherwise lay out its
      // whole line again for nothing (the trailing space is restored so after
      // every keystroke).
      Select(start + length, start + length);
      return hr::Ok;
    }
    next.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(length), text);
    std::u16string shown = DisplayText(text);
    if (!InsertBeforeHeldCharacter(start, length, shown, previous.shown)) {
      SendSelection();  // the replacement needs it
      SendChange(window_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(shown)));
      inView_.After(start + static_cast<std::int32_t>(text.size()));
    }
    return Commit(std::move(next), std::move(previous));
  });
}

}  // namespace vexo::win32
