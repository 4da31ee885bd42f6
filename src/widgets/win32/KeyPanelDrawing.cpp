#include "widgets/win32/KeyPanelDrawing.h"

#include <algorithm>
#include <array>
#include <utility>

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
  std::array<std::vector<POINT>, 4> lines;
  for (auto& points : lines) {
    points.reserve(labels.size() * 4);
  }
  for (const DrawnLabel& label : labels) {
    for (LONG ring = 0; ring < 2; ++ring) {
      const LONG l = label.box.left + ring;
      const LONG t = label.box.top + ring;
      const LONG r = label.box.right - ring;
      const LONG b = label.box.bottom - ring;
      auto& light = lines[static_cast<std::size_t>(ring * 2)];
      auto& dark = lines[static_cast<std::size_t>(ring * 2 + 1)];
      light.insert(light.end(), {{l, t}, {r - 1, t}, {l, t}, {l, b - 1}});
      dark.insert(dark.end(), {{l, b - 1}, {r, b - 1}, {r - 1, t}, {r - 1, b}});
    }
  }
  const std::vector<DWORD> twos(labels.size() * 2, 2);
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
  for (std::size_t colour = 0; colour < lines.size(); ++colour) {
    SetDCPenColor(dc, GetSysColor(EdgeColours[colour]));
    PolyPolyline(dc, lines[colour].data(), twos.data(), static_cast<DWORD>(twos.size()));
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
  std::vector<std::uint32_t> look;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 32-bit, top row first
  std::uint64_t used = 0;             // when it was last painted from, in paintings
};
SRWLOCK imagesLock = SRWLOCK_INIT;
std::array<Image, 4> images{};  // three panels at their first show, and one more
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

// Draws a panel of `width` x `height` with `draw` into new memory; empty when
// the system has no room for it.
std::vector<std::uint32_t> Drawn(HDC like, int width, int height, const std::function<void(HDC)>& draw) {
  std::vector<std::uint32_t> pixels;
  const BITMAPINFO info = TopDown(width, height);
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(like);
  HBITMAP bitmap = memory != nullptr ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (bitmap != nullptr && bits != nullptr) {
    const HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    pixels.assign(first, first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    SelectObject(memory, old);
  }
  if (bitmap != nullptr) {
    DeleteObject(bitmap);
  }
  if (memory != nullptr) {
    DeleteDC(memory);
  }
  return pixels;
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
  std::vector<std::uint32_t> look{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                                  static_cast<std::uint32_t>(dpiY), back};
  for (const int colour : EdgeColours) {
    look.push_back(GetSysColor(colour));
  }
  for (const DrawnLabel& label : labels) {
    for (const LONG edge : {label.box.left, label.box.top, label.box.right, label.box.bottom}) {
      look.push_back(static_cast<std::uint32_t>(edge));
    }
    look.push_back(label.colours.fore);
    look.push_back(label.colours.back);
    look.push_back(static_cast<std::uint32_t>(label.caption.size()));
    look.insert(look.end(), label.caption.begin(), label.caption.end());
  }
  return look;
}

bool PanelImages::Paint(HDC dc, int width, int height, std::vector<std::uint32_t> look,
                        const std::function<void(HDC)>& draw) {
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > MostPixelsKept) {
    return false;
  }
  const ImagesLocked locked;
  ++paintings;
  auto image = std::find_if(images.begin(), images.end(), [&](const Image& kept) {
    return kept.width == width && kept.height == height && kept.look == look;
  });
  if (image == images.end()) {
    image = std::min_element(images.begin(), images.end(),
                             [](const Image& a, const Image& b) { return a.used < b.used; });
    *image = {};
    std::vector<std::uint32_t> pixels = Drawn(dc, width, height, draw);
    if (!pixels.empty()) {
      *image = {std::move(look), width, height, std::move(pixels), 0};
    }
  }
  if (image->pixels.empty()) {
    return false;
  }
  image->used = paintings;
  const BITMAPINFO info = TopDown(width, height);
  return SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                           static_cast<UINT>(height), image->pixels.data(), &info, DIB_RGB_COLORS) != 0;
}

}  // namespace vexo::win32
