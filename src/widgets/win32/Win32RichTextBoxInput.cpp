// SPDX-License-Identifier: MIT
// What the user, or another program, does in the field `Text1`: taken from
// the control's messages and reported to the component, which makes the
// change through its model.
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <utility>

#include "widgets/win32/Win32RichTextBox.h"

namespace vexo::win32 {

namespace {

// The rich-text control's paste of a clipboard format the caller names.
constexpr UINT PasteFormat = WM_USER + 64;

bool Held(int key) { return GetKeyState(key) < 0; }

// The most of a pasted text the component can take in: its positions are
// 16-bit. What lies beyond is refused as what does not fit under the limit.
constexpr std::size_t PasteMost = 32768;

}  // namespace

bool Win32RichTextBox::MayWrite(std::uint32_t message) {
  switch (message) {
    case WM_CHAR: case WM_UNICHAR: case WM_IME_CHAR: case WM_IME_STARTCOMPOSITION: case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION: case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_PASTE: case WM_CUT: case WM_CLEAR:
    case WM_UNDO: case EM_UNDO: case EM_REDO: case EM_CANUNDO: case EM_CANREDO: case PasteFormat:
    case WM_CONTEXTMENU: case WM_DROPFILES: case WM_SETTEXT: case EM_REPLACESEL: case EM_SETTEXTEX:
    case EM_STREAMIN:
      return true;
    default:
      return false;
  }
}

std::optional<std::intptr_t> Win32RichTextBox::Intercept(std::uint32_t message, std::uintptr_t wParam,
                                                         std::intptr_t lParam) {
  const bool command = Held(VK_CONTROL) && !Held(VK_MENU);  // Ctrl, and not AltGr typing a character
  switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR:
      Typed(static_cast<char16_t>(wParam));
      return 0;
    case WM_UNICHAR:
      if (wParam == UNICODE_NOCHAR) {
        return TRUE;  // the field takes characters beyond the basic plane
      }
      TypedCodePoint(wParam);
      return FALSE;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
      // The system's composition window shows what is being composed and
      // hands the result over as WM_IME_CHAR: the control never composes into
      // its own text.
      return DefWindowProcW(window_, message, wParam, lParam);
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_BACK:
          Report(FieldEdit::Backspace);
          return 0;
        case VK_DELETE:
          if (Held(VK_SHIFT) && !Held(VK_CONTROL)) {
            return Intercept(WM_CUT, 0, 0);
          }
          Report(FieldEdit::Delete);
          return 0;
        case VK_INSERT:
          if (Held(VK_SHIFT) && !Held(VK_CONTROL)) {
            Paste();
            return 0;
          }
          return std::nullopt;
        case 'V':
          if (command) Paste();
          return command ? std::optional<std::intptr_t>(0) : std::nullopt;
        case 'X':
          return command ? Intercept(WM_CUT, 0, 0) : std::nullopt;
        case 'Z':
        case 'Y':
          return command ? std::optional<std::intptr_t>(0) : std::nullopt;  // undo and redo: refused
        default:
          return std::nullopt;
      }
    case WM_SYSKEYDOWN:
      // Alt+Backspace is the control's undo.
      return wParam == VK_BACK ? std::optional<std::intptr_t>(0) : std::nullopt;
    case WM_PASTE:
    case PasteFormat:
      Paste();
      return 0;
    case WM_CUT:
      SendMessageW(window_, WM_COPY, 0, 0);
      Report(FieldEdit::EraseSelection);
      return 0;
    case WM_CLEAR:
      Report(FieldEdit::EraseSelection);
      return 0;
    case WM_UNDO:
    case EM_UNDO:
    case EM_REDO:
    case EM_CANUNDO:
    case EM_CANREDO:
    case WM_CONTEXTMENU:
    case WM_DROPFILES:
      return 0;
    case WM_SETTEXT:
    case EM_REPLACESEL:
    case EM_SETTEXTEX:
    case EM_STREAMIN: {
      const auto control = reinterpret_cast<WNDPROC>(GetClassLongPtrW(window_, GCLP_WNDPROC));
      const LRESULT answer = CallWindowProcW(control, window_, message, wParam, lParam);
      Report(FieldEdit::ChangedByOthers);
      return answer;
    }
    default:
      return std::nullopt;
  }
}

void Win32RichTextBox::Typed(char16_t unit) {
  if (pendingHigh_ != 0 && IsLowSurrogate(unit)) {
    const char16_t pair[2]{std::exchange(pendingHigh_, 0), unit};
    Report(FieldEdit::Insert, {pair, 2});
  } else if (IsHighSurrogate(unit)) {
    FlushHalf();
    pendingHigh_ = unit;
  } else if (unit >= 0x20 && unit != 0x7F) {
    Report(FieldEdit::Insert, {&unit, 1});
  } else {
    // Control characters insert nothing: Backspace is its key press, the
    // rest are Ctrl with a letter, Enter, Tab and Escape.
    FlushHalf();
  }
}

void Win32RichTextBox::TypedCodePoint(std::uintptr_t codePoint) {
  if (codePoint >= 0x10000 && codePoint <= 0x10FFFF) {
    const std::uintptr_t above = codePoint - 0x10000;
    const char16_t pair[2]{static_cast<char16_t>(0xD800 + (above >> 10)), static_cast<char16_t>(0xDC00 + (above & 0x3FF))};
    Report(FieldEdit::Insert, {pair, 2});
  } else if (codePoint < 0x10000) {
    Typed(static_cast<char16_t>(codePoint));
  }
}

void Win32RichTextBox::Paste() {
  std::u16string text;
  if (OpenClipboard(window_)) {
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* units = static_cast<const char16_t*>(GlobalLock(data))) {
        const std::size_t held = std::min<std::size_t>(GlobalSize(data) / sizeof(char16_t), PasteMost);
        text.assign(units, std::find(units, units + held, u'\0'));
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
  }
  if (!text.empty()) {
    Report(FieldEdit::Insert, text);
  }
}

void Win32RichTextBox::FlushHalf() {
  if (pendingHigh_ != 0) {
    const char16_t half = std::exchange(pendingHigh_, 0);
    context_.notifications.RaiseFromWindow(
        [&](WidgetEvents& events) { return events.OnFieldEdit(FieldEdit::Insert, {&half, 1}); });
  }
}

void Win32RichTextBox::Report(FieldEdit edit, std::u16string_view text) {
  FlushHalf();
  context_.notifications.RaiseFromWindow([&](WidgetEvents& events) { return events.OnFieldEdit(edit, text); });
}

}  // namespace vexo::win32
