// Start-up's layout in pixels: the twips of the worked example through the
// screen's logical DPI, each edge rounded on its own, at two DPIs.
#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>
#include <QWidget>

#include "component/KeyBord.h"
#include "widgets/qt/QtToolkit.h"

namespace vexo::testing {
namespace {

struct PixelLayout {
  const char* name;
  int dpi;
  QRect text1, picABC, picNumber, picShift;
  QSize surface;
  QRect keyP, spaceBar;
};

class StartUpLayout : public ::testing::TestWithParam<PixelLayout> {};

TEST_P(StartUpLayout, PlacesEveryWidgetInPixels) {
  const PixelLayout& row = GetParam();
  QWidget surface;
  qt::QtToolkit toolkit(surface, {Dpi{row.dpi, row.dpi}});
  KeyBord keybord(toolkit);
  toolkit.Connect(keybord);
  ASSERT_EQ(toolkit.Initialize(), hr::Ok);

  EXPECT_EQ(toolkit.Field().Widget()->geometry(), row.text1);
  EXPECT_EQ(toolkit.PanelOf(PanelId::picABC).Widget()->geometry(), row.picABC);
  EXPECT_EQ(toolkit.PanelOf(PanelId::picNumber).Widget()->geometry(), row.picNumber);
  EXPECT_EQ(toolkit.PanelOf(PanelId::picShift).Widget()->geometry(), row.picShift);
  EXPECT_EQ(surface.size(), row.surface);
  EXPECT_EQ(toolkit.PanelOf(PanelId::picABC).Widget()->KeyRect(9), row.keyP);
  EXPECT_EQ(toolkit.PanelOf(PanelId::picABC).Widget()->KeyRect(26), row.spaceBar);
  // The twips themselves stay exactly as start-up put them.
  EXPECT_EQ(toolkit.SurfaceOf().Width(), 8685);
  EXPECT_EQ(toolkit.SurfaceOf().Height(), 2185);
  EXPECT_EQ(toolkit.PanelOf(PanelId::picShift).Bounds().left, 5395);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExample, StartUpLayout,
    ::testing::Values(
        PixelLayout{"Dpi96", 96, QRect(0, 1, 353, 25), QRect(0, 32, 265, 107), QRect(272, 32, 81, 99),
                    QRect(360, 32, 212, 100), QSize(579, 146), QRect(237, 0, 25, 23), QRect(66, 74, 130, 23)},
        PixelLayout{"Dpi144", 144, QRect(0, 1, 530, 38), QRect(0, 49, 398, 160), QRect(408, 49, 122, 148),
                    QRect(540, 49, 319, 150), QSize(869, 219), QRect(356, 0, 37, 35), QRect(99, 111, 195, 35)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StartUpLayout, UsesTheScreensLogicalDpiByDefault) {
  QWidget surface;
  qt::QtToolkit toolkit(surface);
  EXPECT_EQ(toolkit.CurrentDpi().x, surface.logicalDpiX());
  EXPECT_EQ(toolkit.CurrentDpi().y, surface.logicalDpiY());
}

TEST(StartUpLayout, HostCannotResizeTheSurface) {
  QWidget surface;
  qt::QtToolkit toolkit(surface, {Dpi{96, 96}});
  KeyBord keybord(toolkit);
  toolkit.Connect(keybord);
  ASSERT_EQ(toolkit.Initialize(), hr::Ok);
  surface.resize(1000, 40);
  EXPECT_EQ(surface.size(), QSize(579, 146));
  EXPECT_EQ(toolkit.SurfaceOf().Width(), 8685);
}

// A dark palette gives the keys its own colours: a plain key's caption its
// button text rather than the component's black, the mark its highlight.
TEST(KeyLooks, ADarkPaletteGivesTheKeysItsColours) {
  QWidget surface;
  QPalette dark(QColor(40, 40, 40), QColor(30, 30, 30));
  dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
  dark.setColor(QPalette::Highlight, QColor(0, 120, 215));
  dark.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  surface.setPalette(dark);
  qt::QtToolkit toolkit(surface, {Dpi{96, 96}});
  KeyBord keybord(toolkit);
  toolkit.Connect(keybord);
  ASSERT_EQ(toolkit.Initialize(), hr::Ok);
  KeyArray& keys = toolkit.Keys(KeyArrayId::cmdKey);
  ASSERT_EQ(keys.PutForeColor(0, MarkedForeColor), hr::Ok);
  ASSERT_EQ(keys.PutBackColor(0, MarkedBackColor), hr::Ok);
  ASSERT_EQ(keys.PutForeColor(1, UnmarkedForeColor), hr::Ok);
  ASSERT_EQ(keys.PutBackColor(1, UnmarkedBackColor), hr::Ok);

  const qt::KeyPanelWidget& panel = *toolkit.PanelOf(PanelId::picABC).Widget();
  const QImage image = const_cast<qt::KeyPanelWidget&>(panel).grab().toImage();
  const QRect marked = panel.KeyRect(0);
  EXPECT_EQ(image.pixelColor(marked.left() + 3, marked.bottom() - 3), dark.color(QPalette::Highlight));
  const QRect plain = panel.KeyRect(1).adjusted(2, 2, -2, -2);
  int caption = 0;
  int black = 0;
  for (int y = plain.top(); y <= plain.bottom(); ++y) {
    for (int x = plain.left(); x <= plain.right(); ++x) {
      caption += image.pixelColor(x, y) == dark.color(QPalette::ButtonText) ? 1 : 0;
      black += image.pixelColor(x, y) == QColor(Qt::black) ? 1 : 0;
    }
  }
  EXPECT_GT(caption, 0) << "no pixel of the caption in the palette's button text";
  EXPECT_EQ(black, 0);
}

}  // namespace
}  // namespace vexo::testing
