// The public widget as a Qt host uses it: properties and slots by name, the
// status of each in lastError, the text signal, and the saved properties.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStringList>

#include "Support.h"

namespace vexo::testing {
namespace {

TEST(KeyBordWidget, PropertiesAndSlotsAnswerByName) {
  Shown shown;
  shown.Show();
  EXPECT_EQ(shown.widget.property("CapsLock").toBool(), true);
  ASSERT_TRUE(shown.widget.setProperty("ChangeBord", 1));
  EXPECT_TRUE(WaitFor([&] { return shown.toolkit.Focused() == PanelId::picNumber; }, "the number panel's focus"));
  ASSERT_TRUE(shown.widget.setProperty("Text", QStringLiteral("ab")));
  int status = -1;
  ASSERT_TRUE(QMetaObject::invokeMethod(&shown.widget, "LeftPos", Q_RETURN_ARG(int, status)));
  EXPECT_EQ(status, hr::Ok);
  ASSERT_TRUE(QMetaObject::invokeMethod(&shown.widget, "EnterKey", Q_RETURN_ARG(int, status)));
  EXPECT_EQ(shown.widget.property("Text").toString(), QStringLiteral("a7b"));
  EXPECT_EQ(shown.widget.property("lastError").toInt(), hr::Ok);
}

struct BadCall {
  const char* name;
  std::function<void(KeyBordWidget&)> call;
  HResult status;
};

class BadInput : public ::testing::TestWithParam<BadCall> {};

TEST_P(BadInput, GivesItsStatusAndLosesNothingTyped) {
  Shown shown;
  shown.Show();
  shown.widget.setText(QStringLiteral("kept"));
  shown.widget.setMaxLength(9);
  GetParam().call(shown.widget);
  EXPECT_EQ(static_cast<std::uint32_t>(shown.widget.lastError()), static_cast<std::uint32_t>(GetParam().status));
  EXPECT_EQ(shown.widget.Text(), QStringLiteral("kept"));
  EXPECT_EQ(shown.widget.MaxLength(), 9);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, BadInput,
    ::testing::Values(
        BadCall{"MaxLengthPast16Bits", [](KeyBordWidget& w) { w.setMaxLength(40000); }, hr::ConversionOverflow},
        BadCall{"KeyCodePast16Bits", [](KeyBordWidget& w) { static_cast<void>(w.FindImage(70000, 0)); },
                hr::ConversionOverflow},
        BadCall{"ShiftPast16Bits", [](KeyBordWidget& w) { static_cast<void>(w.FindImage(49, -40000)); },
                hr::ConversionOverflow},
        BadCall{"TextPast16Bits", [](KeyBordWidget& w) { w.setText(QString(32768, QLatin1Char('a'))); },
                hr::Overflow},
        BadCall{"UnknownPanel", [](KeyBordWidget& w) { w.setChangeBord(7); }, hr::Ok}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyBordWidget, OddTextComesBackAsPut) {
  Shown shown;
  shown.Show();
  for (const QString& text : {QString(QChar(0)) + QStringLiteral("a"), QString(QChar(0xD800)),
                              QString(QChar(0xDC00)) + QStringLiteral("z"), QString(32767, QLatin1Char('q'))}) {
    shown.widget.setText(text);
    EXPECT_EQ(shown.widget.lastError(), hr::Ok);
    EXPECT_EQ(shown.widget.Text(), text);
  }
}

TEST(KeyBordWidget, TextChangedFollowsEveryChangeOnce) {
  Shown shown;
  shown.Show();
  QSignalSpy changed(&shown.widget, &KeyBordWidget::textChanged);
  shown.widget.setText(QStringLiteral("ab"));
  shown.Press(Qt::Key_Home);
  shown.Click(KeyArrayId::cmdNumber, 0);
  shown.widget.setText(QStringLiteral("7ab"));  // the same text again
  // The user types into the field: in front of the block caret, which rests
  // on the trailing space; each key is a change.
  shown.toolkit.Field().Widget()->setFocus();
  QTest::keyClicks(shown.toolkit.Field().Widget(), QStringLiteral("zy"));
  ASSERT_EQ(changed.count(), 4);
  EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("ab"));
  EXPECT_EQ(changed.at(1).at(0).toString(), QStringLiteral("7ab"));
  EXPECT_EQ(changed.at(2).at(0).toString(), QStringLiteral("7abz"));
  EXPECT_EQ(changed.at(3).at(0).toString(), QStringLiteral("7abzy"));
}

struct Saved {
  const char* name;
  QVariantMap map;
  int changeBord;
  QString text;
  int maxLength;
};

class LoadProperties : public ::testing::TestWithParam<Saved> {};

TEST_P(LoadProperties, ConvertsEachValueAsASavedFormDoes) {
  const Saved& row = GetParam();
  KeyBordWidget widget;
  EXPECT_EQ(widget.loadProperties(row.map), hr::Ok);
  EXPECT_EQ(widget.ChangeBord(), row.changeBord);
  EXPECT_EQ(widget.Text(), row.text);
  EXPECT_EQ(widget.MaxLength(), row.maxLength);
}

QVariantMap Map(std::initializer_list<std::pair<QString, QVariant>> entries) {
  QVariantMap map;
  for (const auto& [key, value] : entries) map.insert(key, value);
  return map;
}

INSTANTIATE_TEST_SUITE_P(
    Maps, LoadProperties,
    ::testing::Values(
        Saved{"Empty", {}, 0, "", 0},
        Saved{"Saved", Map({{"ChangeBord", 2}, {"Text", "abc"}, {"MaxLength", QVariant::fromValue<qint16>(5)}}), 2,
              "abc", 5},
        Saved{"NumbersAsText", Map({{"ChangeBord", "1"}, {"MaxLength", " 12 "}}), 1, "", 12},
        Saved{"RealsRoundTiesToEven", Map({{"MaxLength", 2.5}, {"Text", 1.5}}), 0, "1.5", 2},
        Saved{"HexText", Map({{"MaxLength", "&H10"}}), 0, "", 16},
        Saved{"BooleanText", Map({{"Text", true}}), 0, "-1", 0},
        Saved{"TextLongerThanTheLimitComesBackWhole", Map({{"Text", "abcdef"}, {"MaxLength", 2}}), 0, "abcdef", 2},
        Saved{"OutOfRangeSkipped", Map({{"MaxLength", 40000}, {"ChangeBord", 1e20}, {"Text", "x"}}), 0, "x", 0},
        Saved{"NoNumberSkipped", Map({{"MaxLength", "seven"}, {"ChangeBord", ""}}), 0, "", 0},
        Saved{"TypesNoFormHoldsSkipped",
              Map({{"Text", QStringList{"a"}}, {"ChangeBord", QVariant::fromValue(nullptr)}, {"MaxLength", 3}}), 0,
              "", 3},
        Saved{"OddUnits", Map({{"Text", QString(QChar(0)) + QString(QChar(0xD800))}}), 0,
              QString(QChar(0)) + QString(QChar(0xD800)), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveProperties, RoundTripsThroughANewWidget) {
  Shown shown;
  shown.Show();
  shown.widget.setChangeBord(2);
  shown.widget.setText(QStringLiteral("h\u00e9llo"));
  shown.widget.setMaxLength(32767);
  const QVariantMap saved = shown.widget.saveProperties();
  EXPECT_EQ(shown.widget.lastError(), hr::Ok);
  EXPECT_EQ(saved.keys(), (QStringList{"ChangeBord", "MaxLength", "Text"}));
  EXPECT_EQ(saved.value("MaxLength").typeId(), QMetaType::Short);

  KeyBordWidget loaded;
  EXPECT_EQ(loaded.loadProperties(saved), hr::Ok);
  EXPECT_EQ(loaded.ChangeBord(), 2);
  EXPECT_EQ(loaded.Text(), QStringLiteral("h\u00e9llo"));
  EXPECT_EQ(loaded.MaxLength(), 32767);
  EXPECT_EQ(loaded.saveProperties(), saved);
}

}  // namespace
}  // namespace vexo::testing
