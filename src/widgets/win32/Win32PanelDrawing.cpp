// SPDX-License-Identifier: MIT
#include "widgets/win32/Win32PanelDrawing.h"

#include <algorithm>
#include <array>
#include <utility>

#include "widgets/PanelFaces.h"

namespace vexo::win32 {

namespace {

// The system colours of a raised border: the outer ring's top and left, its
// bottom and right, then the inner ring's.
constexpr int EdgeColours[] = {COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};

// Draws a caption right-aligned at the top of `inside`, clipped to it, as
// DrawTextW does with DT_RIGHT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX. A
// caption without spaces or breaks is one line whatever its width, which
// one ExtTextOutW draws at a fraction of the cost.
void DrawCaption(HDC dc, RECT inside, std::u16string_view caption) {
  if (caption.empty()) {
    return;
  }
  const auto* text = reinterpret_cast<const wchar_t*>(caption.data());
  const int length = static_cast<int>(caption.size());
  if (std::all_of(caption.begin(), caption.end(), [](char16_t unit) { return unit > u' '; })) {
    const UINT oldAlign = SetTextAlign(dc, TA_RIGHT | TA_TOP | TA_NOUPDATECP);
    ExtTextOutW(dc, inside.right, inside.top, ETO_CLIPPED, &inside, text, static_cast<UINT>(length), nullptr);
    SetTextAlign(dc, oldAlign);
    return;
  }
  DrawTextW(dc, text, length, &inside, DT_RIGHT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

// One label on its own: back, raised border, caption.
void PaintOne(HDC dc, const DrawnLabel& label) {
  RECT r = label.box;
  SetDCBrushColor(dc, label.colours.back);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  SetTextColor(dc, label.colours.fore);
  DrawCaption(dc, r, label.caption);
}

// Whether the labels can be drawn a layer at a time (all backs, all
// borders, all captions), which looks the same as one after the other only
// when no two overlap; and each is big enough to hold its whole border.
bool ApartAndRoomy(const std::vector<DrawnLabel>& labels) {
  constexpr std::size_t MostCompared = 128;  // beyond that, comparing costs more than it saves
  if (labels.size() > MostCompared) {
    return false;
  }
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const RECT& a = labels[i].box;
    if (a.right - a.left < 4 || a.bottom - a.top < 4) {
      return false;
    }
    for (std::size_t j = i + 1; j < labels.size(); ++j) {
      const RECT& b = labels[j].box;
      if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) {
        return false;
      }
    }
  }
  return true;
}

// Labels that do not overlap, a layer at a time. The raised border is the
// one DrawEdge draws with EDGE_RAISED: an outer ring light at the top and
// left and dark at the bottom and right, an inner ring highlight and shadow;
// the four colours cover disjoint pixels, so each is one call for all the
// labels. A line leaves out its last pixel.
void PaintApart(HDC dc, const std::vector<DrawnLabel>& labels) {
  for (const DrawnLabel& label : labels) {
    SetDCBrushColor(dc, label.colours.back);
    FillRect(dc, &label.box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  // The lines of up to a batch of labels go in one call per colour.
  constexpr std::size_t Batch = 32;
  std::array<POINT, Batch * 4> points{};
  std::array<DWORD, Batch * 2> twos{};
  twos.fill(2);
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
  for (std::size_t colour = 0; colour < 4; ++colour) {
    SetDCPenColor(dc, GetSysColor(EdgeColours[colour]));
    const LONG ring = colour < 2 ? 0 : 1;
    const bool light = colour % 2 == 0;
    for (std::size_t first = 0; first < labels.size(); first += Batch) {
      const std::size_t count = std::min(Batch, labels.size() - first);
      for (std::size_t i = 0; i < count; ++i) {
        const RECT& box = labels[first + i].box;
        const LONG l = box.left + ring;
        const LONG t = box.top + ring;
        const LONG r = box.right - ring;
        const LONG b = box.bottom - ring;
        POINT* p = &points[i * 4];
        if (light) {
          p[0] = {l, t}, p[1] = {r - 1, t}, p[2] = {l, t}, p[3] = {l, b - 1};
        } else {
          p[0] = {l, b - 1}, p[1] = {r, b - 1}, p[2] = {r - 1, t}, p[3] = {r - 1, b};
        }
      }
      PolyPolyline(dc, points.data(), twos.data(), static_cast<DWORD>(count * 2));
    }
  }
  SelectObject(dc, oldPen);
  for (const DrawnLabel& label : labels) {
    RECT inside = label.box;
    InflateRect(&inside, -2, -2);
    SetTextColor(dc, label.colours.fore);
    DrawCaption(dc, inside, label.caption);
  }
}

// The kept images of whole panels: plain memory rather than bitmaps of the
// system, so that they hold no handle of the system's once every panel is
// gone, and serve the next instance still.
struct Image {
  std::vector<std::uint32_t> look;    // its size first; empty for no image
  std::vector<std::uint32_t> pixels;  // 32-bit, top row first
  std::uint64_t used = 0;             // when it was last painted from, in paintings
};
SRWLOCK imagesLock = SRWLOCK_INIT;
std::array<Image, PanelCount + 1> images{};  // every panel at its first show, and one more
std::uint64_t paintings = 0;
// A panel larger than this many pixels is drawn each time rather than kept.
constexpr long long MostPixelsKept = 512 * 1024;

// Holds the images' lock for a scope, whatever leaves it.
class ImagesLocked {
 public:
  ImagesLocked() { AcquireSRWLockExclusive(&imagesLock); }
  ~ImagesLocked() { ReleaseSRWLockExclusive(&imagesLock); }
  ImagesLocked(const ImagesLocked&) = delete;
  ImagesLocked& operator=(const ImagesLocked&) = delete;
};

BITMAPINFO TopDown(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// Draws a whole panel into the pixels of `image`; false when the system has
// no room for it.
bool Draw(Image& image, HDC like, int width, int height, COLORREF back, const std::vector<DrawnLabel>& labels,
          HFONT font) {
  const BITMAPINFO info = TopDown(width, height);
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(like);
  HBITMAP bitmap = memory != nullptr ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  const bool drawn = bitmap != nullptr && bits != nullptr;
  if (drawn) {
    const HGDIOBJ old = SelectObject(memory, bitmap);
    DrawPanel(memory, RECT{0, 0, width, height}, back, labels, font);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    image.pixels.assign(first, first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    SelectObject(memory, old);
  }
  if (bitmap != nullptr) {
    DeleteObject(bitmap);
  }
  if (memory != nullptr) {
    DeleteDC(memory);
  }
  return drawn;
}

}  // namespace

void DrawPanel(HDC dc, const RECT& area, COLORREF back, const std::vector<DrawnLabel>& labels, HFONT font) {
  SetDCBrushColor(dc, back);
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  const HGDIOBJ oldFont = SelectObject(dc, font);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  if (ApartAndRoomy(labels)) {
    PaintApart(dc, labels);
  } else {
    for (const DrawnLabel& label : labels) {
      PaintOne(dc, label);
    }
  }
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

std::vector<std::uint32_t> PanelImages::LookOf(int width, int height, int dpiY, COLORREF back,
                                               const std::vector<DrawnLabel>& labels) {
  constexpr std::size_t Head = 8;
  constexpr std::size_t PerLabel = 7;
  std::size_t size = Head + labels.size() * PerLabel;
  for (const DrawnLabel& label : labels) {
    size += label.caption.size();
  }
  std::vector<std::uint32_t> look(size);
  std::uint32_t* at = look.data();
  *at++ = static_cast<std::uint32_t>(width);
  *at++ = static_cast<std::uint32_t>(height);
  *at++ = static_cast<std::uint32_t>(dpiY);
  *at++ = back;
  for (const int colour : EdgeColours) {
    *at++ = GetSysColor(colour);
  }
  for (const DrawnLabel& label : labels) {
    *at++ = static_cast<std::uint32_t>(label.box.left);
    *at++ = static_cast<std::uint32_t>(label.box.top);
    *at++ = static_cast<std::uint32_t>(label.box.right);
    *at++ = static_cast<std::uint32_t>(label.box.bottom);
    *at++ = label.colours.fore;
    *at++ = label.colours.back;
    *at++ = static_cast<std::uint32_t>(label.caption.size());
    at = std::copy(label.caption.begin(), label.caption.end(), at);
  }
  return look;
}

bool PanelImages::Paint(HDC dc, int width, int height, std::vector<std::uint32_t> look, COLORREF back,
                        const std::vector<DrawnLabel>& labels, HFONT font) {
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > MostPixelsKept) {
    return false;
  }
  const ImagesLocked locked;
  ++paintings;
  auto image = std::find_if(images.begin(), images.end(), [&](const Image& kept) { return kept.look == look; });
  if (image == images.end()) {
    image = std::min_element(images.begin(), images.end(),
                             [](const Image& a, const Image& b) { return a.used < b.used; });
    image->look.clear();  // half drawn, it is no image
    if (!Draw(*image, dc, width, height, back, labels, font)) {
      return false;
    }
    image->look.swap(look);
  }
  image->used = paintings;
  const BITMAPINFO info = TopDown(width, height);
  return SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                           static_cast<UINT>(height), image->pixels.data(), &info, DIB_RGB_COLORS) != 0;
}

}  // namespace vexo::win32
