// SPDX-License-Identifier: MIT
// The toolkit of real windows: the widgets of one component instance on a
// window that the host gives it (the control's own window).
//
// An instance costs a window for the rich-text field `Text1` and one for each
// panel (widgets/PanelFaces.h). Keys are windowless labels that their panel draws and
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
// The toolkit owns its widgets (the surface, the panels with their keys and
// the field, each in its own file) and gives each the same narrow context:
// the screen's pixels per inch, the key font, the queue of pending work and
// the way to raise a notification. Every notification and every host call is
// a burst whose pending work is done once, when the outermost one returns.
//
// This header names no Windows type beyond opaque handle tags, so that it can
// be included before or after <windows.h>.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "widgets/PanelFaces.h"
#include "widgets/ToolkitCore.h"
#include "widgets/Widgets.h"
#include "widgets/win32/HostingLink.h"
#include "widgets/win32/Win32Panel.h"
#include "widgets/win32/PendingWork.h"
#include "widgets/win32/Win32RichTextBox.h"
#include "widgets/win32/Surface.h"
#include "widgets/win32/WidgetContext.h"

struct HWND__;
struct HFONT__;
struct HDC__;

namespace vexo::win32 {

class Win32Toolkit final : public ToolkitCore, public HostingLink, private WindowNotifications {
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
    // Told when a notification that a window raised (a click, a key, a
    // focus change) has returned outside any host call: the user's input
    // changes properties without any call of the host.
    std::function<void()> userInputHandled;
    // Whether the system is in high-contrast mode; empty asks the system.
    std::function<bool()> highContrast;
    // Told when an object that clients may hold past the toolkit is made
    // (true) and when it goes (false): a library stays loaded while one lives.
    void (*holdModule)(bool hold) = nullptr;
    // Keeps the object that owns the toolkit alive around everything its
    // windows and accessible objects do: the host's code may destroy the
    // windows or release that object from inside a notification, and the
    // code still running must not find it gone.
    KeepAliveHook keepAlive;
    // Told when the user or another program changed the field by the
    // field's own hand (see HostingLink::SurfaceCommand). A change made
    // inside a burst (the component's own writes, the user's typing) is told
    // once, when the outermost burst is over, with `afterBurst` true: the
    // host may be told at once. Otherwise the field is still handling the
    // message that changed it.
    std::function<void(bool afterBurst)> fieldChanged;
    // The owner raises Initialize right after Create: the windows are made
    // where the last start-up at this screen density left them, so that this
    // one moves none. Otherwise they are made where their bounds say.
    bool startedPlaces = false;
  };

  // Builds the widgets on `surface`, which must be a window of the calling
  // thread. Fails, leaving `toolkit` empty, when the rich-text control or a
  // window cannot be created.
  static HResult Create(Hwnd surface, Options options, std::unique_ptr<Win32Toolkit>& toolkit);
  ~Win32Toolkit() override;
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

  // --- Widgets.
  KeyArray& Keys(KeyArrayId array) override;
  Panel& Pane(PanelId panel) override { return *panels_[Slot(panel)]; }
  RichTextBox& Text1() override { return *text1_; }
  Surface& UserControl() override { return *surface_; }
  void Beep() override;
  // WM_COMMAND with the command's number, sent to the thread's active window.
  void RaiseHostCommand(HostCommand command) override;

  // No notification reaches the component after this, and no window holds
  // the owner any more; for a component that goes before its toolkit.
  void Disconnect() {
    ToolkitCore::Disconnect();
    context_.keepAlive = {};
  }

  // While not interactive (a control in a form designer) the panels take no
  // focus and no click, key or focus change of a window reaches the
  // component; host calls, drawing and the properties work as always.
  void SetInteractive(bool interactive) { context_.interactive = interactive; }
  bool Interactive() const { return context_.interactive; }

  // --- The host's drivers beyond the core's (Initialize, ReadProperties,
  // WriteProperties, Show, SurfaceGotFocus, HostCall).
  // The host gave the surface this size in pixels (see Win32Surface::Sized);
  // then Resize is raised, unless the toolkit itself is applying a size the
  // component set.
  HResult SurfaceSized(int widthPixels, int heightPixels);

  // Draws the component as it stands on screen into `dc`, its top-left corner
  // at (x, y) in device units: for containers that have a control draw itself
  // (printing, design views, snapshots) instead of looking at its windows.
  void PaintTo(HDC__* dc, int x, int y);

  // Raises the start-up, then keeps where it placed the panels and the field
  // for the next instance's windows.
  HResult Initialize();

  // --- What the user and the host see.
  Dpi ScreenDpi() const { return context_.dpi; }
  Hwnd SurfaceWindow() const { return context_.surface; }
  Win32Panel& PanelOf(PanelId panel) { return *panels_[Slot(panel)]; }
  Win32RichTextBox& Field() { return *text1_; }
  const Win32Surface& SurfaceOf() const { return *surface_; }
  HFONT__* KeyFont() const { return context_.keyFont; }

  // --- HostingLink, in HostingLink.cpp.
  void SetMode(Mode mode) override;
  std::uint64_t FieldRevision() const override;
  bool IsPanelWindow(Hwnd window) const override;
  Extent NaturalPixels() const override;
  Extent NaturalHimetric() const override;
  HResult ProposeHimetric(int width, int height) override;
  void SurfaceCommand(std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  Win32Toolkit(Hwnd surface, Options options);
  HResult Build();
  // The outermost burst is over: the pending work is done, then a change of
  // the field within it is told.
  void Settle() override;
  void ListenToField();
  // --- WindowNotifications.
  void RaiseFromWindow(const std::function<HResult(WidgetEvents&)>& notification) override;
  void PanelFocused(PanelId panel) override;

  Options options_;
  PendingWork pending_;
  bool fieldChangedInBurst_ = false;
  WidgetContext context_;
  // The widgets, in the order the Tab key visits their windows.
  std::array<std::unique_ptr<Win32Panel>, PanelCount> panels_;
  std::unique_ptr<Win32RichTextBox> text1_;
  std::unique_ptr<Win32Surface> surface_;
};

}  // namespace vexo::win32
