// SPDX-License-Identifier: MIT
// Start-up's layout in pixels: the twips of the worked example through the
// screen's logical DPI, each edge rounded on its own, at two DPIs.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QImage>
#include <QPalette>
#include <QWidget>

#include "Support.h"
#include "widgets/KeyLooks.h"

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

// The host or a layout sizes the widget: the design scales to fit, the aspect
// kept and centred in the room left, while the component keeps its twips.
struct ScaledLayout {
  const char* name;
  QSize surface;
  QRect text1, picABC, keyP;
};

class ScaledLayouts : public ::testing::TestWithParam<ScaledLayout> {};

TEST_P(ScaledLayouts, ScalesTheDesignAndClicksLandOnTheScaledKeys) {
  const ScaledLayout& row = GetParam();
  QWidget surface;
  qt::QtToolkit toolkit(surface, {Dpi{96, 96}});
  KeyBord keybord(toolkit);
  toolkit.Connect(keybord);
  ASSERT_EQ(toolkit.Initialize(), hr::Ok);
  surface.resize(row.surface);
  surface.show();
  ASSERT_TRUE(WaitFor([&] { return surface.size() == row.surface; }, "the host's size"));

  qt::KeyPanelWidget& letters = *toolkit.PanelOf(PanelId::picABC).Widget();
  EXPECT_EQ(toolkit.Field().Widget()->geometry(), row.text1);
  EXPECT_EQ(letters.geometry(), row.picABC);
  EXPECT_EQ(letters.KeyRect(9), row.keyP);
  EXPECT_EQ(toolkit.SurfaceOf().Width(), 8685);
  EXPECT_EQ(toolkit.SurfaceOf().Height(), 2185);
  QTest::mouseClick(&letters, Qt::LeftButton, Qt::NoModifier, row.keyP.center());
  EXPECT_EQ(U16(toolkit.Field().Widget()->text()), u"P ");
}

INSTANTIATE_TEST_SUITE_P(
    Dpi96, ScaledLayouts,
    ::testing::Values(ScaledLayout{"ThreeQuarters", QSize(434, 110), QRect(0, 0, 265, 19), QRect(0, 24, 199, 80),
                                   QRect(178, 0, 18, 17)},
                      ScaledLayout{"Design", QSize(579, 146), QRect(0, 1, 353, 25), QRect(0, 32, 265, 107),
                                   QRect(237, 0, 25, 23)},
                      ScaledLayout{"TwiceCentred", QSize(1258, 292), QRect(50, 1, 706, 50), QRect(50, 65, 531, 213),
                                   QRect(474, 0, 50, 47)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScaledLayouts, AsksForTheDesignSizeAtTheScreensDpi) {
  KeyBordWidget widget;
  const QSize design(TwipsToPixels(8685, widget.logicalDpiX()), TwipsToPixels(2185, widget.logicalDpiY()));
  EXPECT_EQ(widget.sizeHint(), design);
  EXPECT_EQ(widget.minimumSizeHint(), design / 2);
}

Rgb ToRgb(const QColor& colour) {
  return static_cast<Rgb>(colour.red() | colour.green() << 8 | colour.blue() << 16);
}

// The background of a key as drawn (a corner inside its border), and its
// caption's pixel that stands out most from it.
struct DrawnKey {
  QColor back;
  QColor caption;
};

DrawnKey Drawn(const QImage& image, const QRect& key) {
  DrawnKey drawn{image.pixelColor(key.left() + 3, key.bottom() - 3), {}};
  double farthest = 0;
  const QRect inside = key.adjusted(2, 2, -2, -2);
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      const double contrast = ContrastRatio(ToRgb(image.pixelColor(x, y)), ToRgb(drawn.back));
      if (contrast > farthest) {
        farthest = contrast;
        drawn.caption = image.pixelColor(x, y);
      }
    }
  }
  return drawn;
}

// Key 0 marked and key 1 plain, as the component colours them.
void MarkFirstKey(qt::QtToolkit& toolkit) {
  KeyArray& keys = toolkit.Keys(KeyArrayId::cmdKey);
  EXPECT_EQ(keys.PutForeColor(0, MarkedForeColor), hr::Ok);
  EXPECT_EQ(keys.PutBackColor(0, MarkedBackColor), hr::Ok);
  EXPECT_EQ(keys.PutForeColor(1, UnmarkedForeColor), hr::Ok);
  EXPECT_EQ(keys.PutBackColor(1, UnmarkedBackColor), hr::Ok);
}

QPalette Dark() {
  QPalette dark(QColor(53, 53, 53), QColor(53, 53, 53));
  dark.setColor(QPalette::ButtonText, Qt::white);
  dark.setColor(QPalette::Highlight, QColor(42, 130, 218));  // white on it reads at under 4.5:1
  dark.setColor(QPalette::HighlightedText, Qt::white);
  return dark;
}

QPalette HighContrast() {
  QPalette contrast(Qt::black, Qt::black);
  contrast.setColor(QPalette::ButtonText, Qt::white);
  contrast.setColor(QPalette::Highlight, Qt::cyan);
  contrast.setColor(QPalette::HighlightedText, Qt::black);
  return contrast;
}

struct Theme {
  const char* name;
  QPalette (*palette)();
  // The default palette keeps the component's colours: the mark white on blue.
  bool componentColours;
};

class Themes : public ::testing::TestWithParam<Theme> {};

TEST_P(Themes, KeysTakeThePalettesColoursAndCaptionsStayReadable) {
  const Theme& row = GetParam();
  const QPalette palette = row.palette();
  Shown shown;
  shown.widget.setPalette(palette);
  MarkFirstKey(shown.toolkit);
  qt::KeyPanelWidget& letters = shown.PanelWidget(PanelId::picABC);
  const QImage image = letters.grab().toImage();
  const DrawnKey marked = Drawn(image, letters.KeyRect(0));
  const DrawnKey plain = Drawn(image, letters.KeyRect(1));
  EXPECT_EQ(marked.back, row.componentColours ? QColor(Qt::blue) : palette.color(QPalette::Highlight));
  EXPECT_EQ(plain.back, palette.color(QPalette::Button));
  if (row.componentColours) {
    EXPECT_EQ(marked.caption, QColor(Qt::white));
    EXPECT_EQ(plain.caption, QColor(Qt::black));
  }
  EXPECT_GE(ContrastRatio(ToRgb(marked.caption), ToRgb(marked.back)), ReadableContrast);
  EXPECT_GE(ContrastRatio(ToRgb(plain.caption), ToRgb(plain.back)), ReadableContrast);
}

INSTANTIATE_TEST_SUITE_P(Palettes, Themes,
                         ::testing::Values(Theme{"Light", [] { return QPalette(); }, true}, Theme{"Dark", Dark, false},
                                           Theme{"HighContrast", HighContrast, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Themes, ADisabledKeyboardLooksDisabledAndTypesNothing) {
  Shown shown;
  shown.Show();
  shown.widget.setEnabled(false);
  qt::KeyPanelWidget& letters = shown.PanelWidget(PanelId::picABC);
  const DrawnKey plain = Drawn(letters.grab().toImage(), letters.KeyRect(1));
  EXPECT_EQ(plain.caption, letters.palette().color(QPalette::Disabled, QPalette::ButtonText));

  QTest::mouseClick(&letters, Qt::LeftButton, Qt::NoModifier, letters.KeyRect(1).center());
  QTest::keyClick(&letters, Qt::Key_A);
  QAccessible::queryAccessibleInterface(&letters)->child(1)->actionInterface()->doAction(
      QAccessibleActionInterface::pressAction());
  EXPECT_EQ(shown.Field(), u"");
}

// A key looks pressed while a mouse button or a touch point is down on it; a
// tap types like a click, once, also when the system makes a mouse click of
// the same tap.
TEST(Pressing, KeysLookPressedWhileDownAndATapTypesOnce) {
  Shown shown;
  shown.Show();
  qt::KeyPanelWidget& letters = shown.PanelWidget(PanelId::picABC);
  const QRect clicked = letters.KeyRect(1);
  const QImage up = letters.grab(clicked).toImage();
  QTest::mousePress(&letters, Qt::LeftButton, Qt::NoModifier, clicked.center());
  EXPECT_NE(letters.grab(clicked).toImage(), up) << "a key under the mouse button looks as before";
  QTest::mouseRelease(&letters, Qt::LeftButton, Qt::NoModifier, clicked.center());
  EXPECT_EQ(shown.Field(), u"W ");

  static QPointingDevice* const screen = QTest::createTouchDevice();
  const QRect tapped = letters.KeyRect(2);
  const QImage before = letters.grab(tapped).toImage();
  QTest::touchEvent(&letters, screen).press(0, tapped.center());
  EXPECT_NE(letters.grab(tapped).toImage(), before) << "a key under a finger looks as before";
  QTest::touchEvent(&letters, screen).release(0, tapped.center());
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent fromTouch(type, tapped.center(), tapped.center(), letters.mapToGlobal(tapped.center()), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier,
                          Qt::MouseEventSynthesizedBySystem);
    QApplication::sendEvent(&letters, &fromTouch);
  }
  EXPECT_EQ(shown.Field(), u"WE ");
}

}  // namespace
}  // namespace vexo::testing
