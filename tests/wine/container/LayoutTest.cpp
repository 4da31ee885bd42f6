// SPDX-License-Identifier: MIT
// Where the control stands in the container, its size whatever the container
// asks, and what it draws when a host asks it to draw itself.
#include "Container.h"

#include <cstdlib>

namespace vexo::container {
namespace {

struct Child {
  const char* name;
  float left, top, width, height;
};

// The component's layout after start-up, in twips.
const Child layout[] = {{"Text1", 0, 10, 5295, 375},
                        {"picABC", 0, 485, 3980, 1600},
                        {"picNumber", 4080, 485, 1215, 1480},
                        {"picShift", 5395, 485, 3190, 1500}};
constexpr float SurfaceWidth = 8685;
constexpr float SurfaceHeight = 2185;

Box SurfaceBox() { return Pixels(0, 0, SurfaceWidth, SurfaceHeight, ScreenDpiX(), ScreenDpiY()); }

void ExpectLayout(Hosted& hosted) {
  EXPECT_EQ(PlacedIn(hosted.surface, hosted.host), SurfaceBox()) << "at the container's corner, at its own size";
  const HWND windows[] = {hosted.field, hosted.panels[Letters], hosted.panels[Numbers], hosted.panels[Symbols]};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(layout[i].name);
    ASSERT_NE(windows[i], nullptr);
    EXPECT_EQ(PlacedIn(windows[i], hosted.surface),
              Pixels(layout[i].left, layout[i].top, layout[i].width, layout[i].height, ScreenDpiX(), ScreenDpiY()));
  }
}

TEST(Screen, HasTheDensityTheRunAskedFor) {
  const char* asked = std::getenv("VEXO_SCREEN_DPI");
  if (!asked) GTEST_SKIP() << "no density asked for";
  EXPECT_EQ(ScreenDpiX(), std::atoi(asked));
  EXPECT_EQ(ScreenDpiY(), std::atoi(asked));
}

TEST(Layout, ChildrenStandAsStartUpPlacesThemAtTheScreensDensity) {
  Hosted hosted;
  ASSERT_NE(hosted.keybord, nullptr);
  ExpectLayout(hosted);
  // Keys are windowless: the surface holds four windows, whatever the keys.
  int children = 0;
  for (HWND child = GetWindow(hosted.surface, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, 4);
}

TEST(Layout, TheContainerCannotStretchOrShrinkTheControl) {
  Hosted hosted(10, 10, 300, 60);
  ASSERT_NE(hosted.keybord, nullptr);
  ExpectLayout(hosted);
  for (const SIZE size : {SIZE{900, 300}, SIZE{120, 40}, SIZE{700, 180}}) {
    SCOPED_TRACE(size.cx);
    SetWindowPos(hosted.host, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    WaitFor("the container resized and the control painted", [&] {
      RECT client{};
      GetClientRect(hosted.host, &client);
      return client.right == size.cx && client.bottom == size.cy && harness::Painted(hosted.host);
    });
    ExpectLayout(hosted);
  }
  ComPtr<IOleObject> object;
  ASSERT_EQ(hosted.control.As(&object), S_OK);
  SIZEL asked{1000, 1000};
  EXPECT_EQ(object->SetExtent(DVASPECT_CONTENT, &asked), S_OK);
  SIZEL extent{};
  ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  // 2540 HIMETRIC units and 1440 twips to the inch.
  EXPECT_EQ(extent.cx, 15319);
  EXPECT_EQ(extent.cy, 3854);
  ExpectLayout(hosted);
}

// A copy of what the control draws into a device context of its own size.
class Snapshot {
 public:
  Snapshot(int width, int height) : width_(width), height_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Snapshot() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  // The colour of a key as KeyColour reads it on screen.
  COLORREF KeyAt(Hosted& hosted, Panel panel, int index) const {
    const Box key = hosted.KeyBox(panel, index);
    const Box inPanel = PlacedIn(hosted.panels[panel], hosted.surface);
    return At(inPanel.left + key.left + 4, inPanel.top + (key.top + key.bottom) / 2);
  }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

TEST(Drawing, TheControlDrawsWhatTheScreenShows) {
  Hosted hosted;
  ASSERT_NE(hosted.keybord, nullptr);
  Press(VK_RIGHT);  // the mark on "W"
  ASSERT_EQ(hosted.KeyColour(Letters, 1), MarkedBack);
  const Box surface = SurfaceBox();

  ComPtr<IViewObject2> view;
  ASSERT_EQ(hosted.control.As(&view), S_OK);
  SIZEL extent{};
  EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), S_OK);
  EXPECT_EQ(extent.cx, 15319);

  Snapshot drawn(surface.right, surface.bottom);
  const RECTL bounds{0, 0, surface.right, surface.bottom};
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, drawn.dc(), &bounds, nullptr, nullptr, 0),
            S_OK);
  EXPECT_EQ(drawn.KeyAt(hosted, Letters, 1), MarkedBack);
  EXPECT_EQ(drawn.KeyAt(hosted, Letters, 0), UnmarkedBack());
  EXPECT_EQ(drawn.KeyAt(hosted, Symbols, 31), UnmarkedBack());
  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, drawn.dc(), &bounds, nullptr, nullptr, 0),
            DV_E_DVASPECT);

  // Printing the surface window draws the same, children included.
  Snapshot printed(surface.right, surface.bottom);
  SendMessageW(hosted.surface, WM_PRINT, reinterpret_cast<WPARAM>(printed.dc()), PRF_CLIENT | PRF_CHILDREN);
  EXPECT_EQ(printed.KeyAt(hosted, Letters, 1), MarkedBack);
  EXPECT_EQ(printed.KeyAt(hosted, Numbers, 5), UnmarkedBack());
}

}  // namespace
}  // namespace vexo::container
