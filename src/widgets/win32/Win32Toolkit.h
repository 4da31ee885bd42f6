// The toolkit of real windows: the widgets of one component instance on a
// window that the host gives it (the control's own window).
//
// An instance costs four windows of its own: the rich-text field `Text1` and
// the three panels. Keys are windowless labels that their panel draws and
// hit-tests, so a form may hold many instances. Every window lives on the
// thread that created the toolkit, and every operation and notification runs
// there.
//
// The surface notifications (Initialize, ReadProperties, WriteProperties,
// Resize, Show, GotFocus of the surface) are raised by the host through the
// driver members below, because only the host knows when its control is
// created, loaded, shown or resized. Panel focus, panel keys and key clicks
// are raised by the toolkit's own windows.
//
// This header names no Windows type beyond opaque handle tags, so that it can
// be included before or after <windows.h>.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "widgets/KeyStore.h"
#include "widgets/Widgets.h"
#include "widgets/win32/PendingWork.h"
#include "widgets/win32/Twips.h"

struct HWND__;
struct HFONT__;
struct HDC__;
struct HINSTANCE__;

namespace vexo::win32 {

using Hwnd = HWND__*;

// The looks of a label that nobody has coloured yet: button text on button face.
inline constexpr Colour DefaultKeyForeColor = 0x80000012;
inline constexpr Colour DefaultKeyBackColor = 0x8000000F;
inline constexpr Colour PanelBackColor = 0x8000000F;

// The longest text the field holds, in UTF-16 units. Far above what the
// component can address (its positions are 16-bit), low enough that a hostile
// text cannot exhaust the process; a longer text is refused, never cut.
inline constexpr std::int32_t TextCapacity = 1 << 20;

// A colour as the screen draws it: plain 0x00BBGGRR, or a system colour
// (high bit set, index in the low byte). Anything else has no colour.
std::optional<std::uint32_t> ResolveColour(Colour colour);

// The text the control shows for `text`: one UTF-16 unit for each unit, each
// unit the control cannot hold as it is replaced by a visible picture of it.
std::u16string DisplayText(std::u16string_view text);

class Win32Toolkit;

// A key panel: a child window of the surface that takes the keyboard focus,
// draws its labels and turns clicks on them into Click notifications.
class Win32Panel final : public Panel, private KeyObserver, private LabelPainter {
 public:
  Win32Panel(Win32Toolkit& toolkit, PanelId id);
  ~Win32Panel() override;
  Win32Panel(const Win32Panel&) = delete;
  Win32Panel& operator=(const Win32Panel&) = delete;

  HResult GetLeft(float& left) override;
  HResult PutLeft(float left) override;
  HResult GetTop(float& top) override;
  HResult PutTop(float top) override;
  HResult GetWidth(float& width) override;
  HResult PutWidth(float width) override;
  HResult GetHeight(float& height) override;
  HResult PutHeight(float height) override;
  // While the panel is hidden (also through its surface, as in a parking
  // window before activation) nothing moves and the call succeeds: a hidden
  // control that took the focus would swallow the user's keys unseen, and
  // the focus comes to the active panel when the component is shown. A
  // disabled or destroyed panel fails with the invalid-procedure-call error.
  HResult SetFocus() override;

  KeyStore& Keys() { return keys_; }
  Hwnd Window() const { return window_; }
  const Box& Bounds() const { return box_; }
  // The label's rectangle in the panel's client pixels.
  PixelRect KeyPixels(const KeyElement& key) const;
  // The visible label under a client point, the highest index on top; -1 for none.
  std::int16_t HitTest(int x, int y) const;
  // Draws the panel's background and the labels that meet `clip` into `dc`.
  void Paint(HDC__* dc, const PixelRect& clip) const;
  // The body of the panel's window procedure.
  std::intptr_t Handle(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

 private:
  friend class Win32Toolkit;
  HResult CreateWindowIn(Hwnd surface, HINSTANCE__* module);
  void Place();

  Win32Toolkit& toolkit_;
  PanelId id_;
  KeyArrayId keyArray_;
  Box box_;
  KeyStore keys_;
  Hwnd window_ = nullptr;
  std::int16_t pressed_ = -1;  // the label the left button went down on
  // --- KeyObserver: a label whose look changed is repainted when the burst
  // ends (a click takes the mark off a label and puts one on).
  bool CanShow(Colour colour) const override;
  void KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after) override;
  // --- LabelPainter.
  void RepaintLabel(std::int32_t index, const LabelLook& before) override;
  void RepaintAll() override;
  void Repaint(const LabelLook& look);
};

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
class Win32RichTextBox final : public RichTextBox, private Settling {
 public:
  explicit Win32RichTextBox(Win32Toolkit& toolkit) : toolkit_(toolkit) {}

  HResult GetText(std::u16string& text) override;
  HResult PutText(std::u16string_view text) override;
  HResult GetSelStart(std::int32_t& start) override;
  HResult PutSelStart(std::int32_t start) override;
  HResult PutSelLength(std::int32_t length) override;
  HResult PutSelText(std::u16string_view text) override;
  HResult PutLeft(float left) override;
  HResult GetTop(float& top) override;
  HResult PutTop(float top) override;
  HResult PutWidth(float width) override;
  HResult GetHeight(float& height) override;

  Hwnd Window() const { return window_; }
  const Box& Bounds() const { return box_; }
  // What the control itself holds and shows.
  std::u16string Shown() const;
  // The selection as the control holds it: start and length.
  std::pair<std::int32_t, std::int32_t> Selection() const;

 private:
  friend class Win32Toolkit;
  HResult CreateWindowIn(Hwnd surface);
  bool Alive() const;
  void Place();
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
  // The control lays out and scrolls its whole line again on every change of
  // text or selection while it redraws. A burst of changes (one keystroke
  // makes several) therefore runs with redrawing off, and the control is
  // settled once, scrolled to the caret and repainted, when the burst ends.
  void BeginChange();
  void Settle() override;
  // Applies a move the field waits for: before any change of text or
  // selection, which scrolls by the control's width.
  void PlaceNow();

  Win32Toolkit& toolkit_;
  Hwnd window_ = nullptr;
  Box box_ = DesignField;
  std::optional<std::u16string> exact_;
  std::u16string shownAs_;  // what the control showed when exact_ was put
  bool unsettled_ = false;  // redrawing is off until the burst settles it
  // Selects [start, end), unless the burst sent that selection already and
  // the control still holds it: a keystroke places the caret on the same
  // spot more than once.
  void Select(std::int32_t start, std::int32_t end);
};

class Win32Surface final : public Surface, private Sizing {
 public:
  explicit Win32Surface(Win32Toolkit& toolkit) : toolkit_(toolkit) {}

  HResult GetWidth(float& width) override;
  HResult PutWidth(float width) override;
  HResult GetHeight(float& height) override;
  HResult PutHeight(float height) override;

  float Width() const { return width_; }
  float Height() const { return height_; }

 private:
  friend class Win32Toolkit;
  // The component sets width and height one after the other; the window
  // changes once, when the burst ends.
  HResult Apply();
  void ApplySize() override;

  Win32Toolkit& toolkit_;
  float width_ = DesignSurfaceWidth;
  float height_ = DesignSurfaceHeight;
};

class Win32Toolkit final : public Widgets {
 public:
  struct Options {
    // The screen's pixels per inch; 0 asks the screen.
    int dpiX = 0;
    int dpiY = 0;
    // Carries out a size the component gave itself, in pixels. Empty: the
    // surface window is resized directly. An embedded control asks its
    // container instead.
    std::function<void(int width, int height)> resizeSurface;
    // Told when a panel window receives the focus, before the component
    // hears of it: an embedded control activates itself then.
    std::function<void(PanelId panel)> panelFocused;
  };

  // Builds the widgets on `surface`, which must be a window of the calling
  // thread. Fails, leaving `toolkit` empty, when the rich-text control or a
  // window cannot be created.
  static HResult Create(Hwnd surface, Options options, std::unique_ptr<Win32Toolkit>& toolkit);
  ~Win32Toolkit() override;
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

  // --- Widgets.
  void Connect(WidgetEvents& events) override { events_ = &events; }
  KeyArray& Keys(KeyArrayId array) override;
  Panel& Pane(PanelId panel) override { return *panels_[static_cast<std::size_t>(panel)]; }
  RichTextBox& Text1() override { return text1_; }
  Surface& UserControl() override { return surface_; }
  void Beep() override;
  WindowHandle ActiveWindow() override;
  std::intptr_t SendMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;

  // A call of the public interface by the host: the work it leaves pending
  // is done once when the outermost call or notification returns.
  HResult HostCall(const std::function<HResult()>& call) { return Raise(call); }

  // No notification reaches the component after this; for a component that
  // goes before its toolkit.
  void Disconnect() { events_ = nullptr; }

  // --- The host's drivers. Each raises one notification and gives the
  // handler's status; with no component connected they fail.
  HResult Initialize();
  HResult ReadProperties(PropertyBag& bag);
  HResult WriteProperties(PropertyBag& bag);
  HResult Show();
  HResult SurfaceGotFocus();
  // The host gave the surface this size in pixels. A size that the twips
  // already held give is kept in twips as it was, so the component's own size
  // reads back exactly; then Resize is raised, unless the toolkit itself is
  // applying a size the component set.
  HResult SurfaceSized(int widthPixels, int heightPixels);

  // Draws the component as it stands on screen into `dc`, its top-left corner
  // at (x, y) in device units: for containers that have a control draw itself
  // (printing, design views, snapshots) instead of looking at its windows.
  void PaintTo(HDC__* dc, int x, int y);

  // --- What the user and the host see.
  Dpi ScreenDpi() const { return dpi_; }
  Hwnd SurfaceWindow() const { return surfaceWindow_; }
  Win32Panel& PanelOf(PanelId panel) { return *panels_[static_cast<std::size_t>(panel)]; }
  Win32RichTextBox& Field() { return text1_; }
  const Win32Surface& SurfaceOf() const { return surface_; }
  HFONT__* KeyFont() const { return keyFont_; }
  // The status the component gave the last notification that a window raised
  // (a click, a key or a focus change), for which no caller exists.
  HResult LastWindowNotificationStatus() const { return lastWindowStatus_; }

 private:
  friend class Win32Panel;
  friend class Win32RichTextBox;
  friend class Win32Surface;
  Win32Toolkit(Hwnd surface, Options options);
  HResult Build();
  HResult Raise(const std::function<HResult()>& notification);
  void RaiseFromWindow(const std::function<HResult()>& notification);

  Hwnd surfaceWindow_;
  PendingWork pending_;
  Options options_;
  Dpi dpi_;
  WidgetEvents* events_ = nullptr;
  std::array<std::unique_ptr<Win32Panel>, 3> panels_;
  Win32RichTextBox text1_;
  Win32Surface surface_;
  HFONT__* keyFont_ = nullptr;
  HINSTANCE__* module_ = nullptr;
  HINSTANCE__* richEditLibrary_ = nullptr;
  bool classRegistered_ = false;
  bool applyingSize_ = false;
  HResult lastWindowStatus_ = hr::Ok;
};

}  // namespace vexo::win32
