// SPDX-License-Identifier: MIT
// The public widget as a Qt host uses it: properties and slots by name, their
// change signals, failures in lastError, and the saved properties.
#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QSignalSpy>
#include <QStringList>

#include "Support.h"

namespace vexo::testing {
namespace {

TEST(KeyBordWidget, PropertiesAndSlotsAnswerByName) {
  Shown shown;
  shown.Show();
  EXPECT_EQ(shown.widget.property("capsLock").toBool(), true);
  ASSERT_TRUE(shown.widget.setProperty("activePanel", QVariant::fromValue(KeyBordWidget::Numbers)));
  EXPECT_TRUE(WaitFor([&] { return shown.toolkit.Focused() == PanelId::picNumber; }, "the number panel's focus"));
  ASSERT_TRUE(shown.widget.setProperty("text", QStringLiteral("ab")));
  bool done = false;
  ASSERT_TRUE(QMetaObject::invokeMethod(&shown.widget, "moveCaretLeft", Q_RETURN_ARG(bool, done)));
  EXPECT_TRUE(done);
  ASSERT_TRUE(QMetaObject::invokeMethod(&shown.widget, "pressMarkedKey", Q_RETURN_ARG(bool, done)));
  EXPECT_EQ(shown.widget.property("text").toString(), QStringLiteral("a7b"));
  EXPECT_EQ(shown.widget.property("lastError").toString(), QString());
  // The block caret stays where the key left it across a turn of the loop.
  QApplication::processEvents();
  ASSERT_TRUE(QMetaObject::invokeMethod(&shown.widget, "pressMarkedKey", Q_RETURN_ARG(bool, done)));
  EXPECT_EQ(shown.widget.text(), QStringLiteral("a77b"));
  // Queued calls carry their arguments by value, temporaries included.
  shown.widget.setText(QString());
  ASSERT_TRUE(QMetaObject::invokeMethod(&shown.widget, "typeLetter", Qt::QueuedConnection,
                                        Q_ARG(QString, QStringLiteral("q"))));
  ASSERT_TRUE(QMetaObject::invokeMethod(&shown.widget, "setActivePanel", Qt::QueuedConnection,
                                        Q_ARG(vexo::KeyBordWidget::Panel, KeyBordWidget::Symbols)));
  EXPECT_TRUE(WaitFor([&] { return shown.widget.activePanel() == KeyBordWidget::Symbols; }, "the queued calls"));
  EXPECT_EQ(shown.widget.text(), QStringLiteral("Q"));
  EXPECT_EQ(shown.widget.typeSymbol(QStringLiteral(" ;")), QStringLiteral(";")) << "what was typed comes back";
}

struct Changes {
  const char* name;
  std::function<void(Shown&)> act;
  int text, capsLock, maxLength, activePanel;  // signals expected of each
};

class Notify : public ::testing::TestWithParam<Changes> {};

// Every property's NOTIFY signal, found through the meta-object as bindings
// find it, once per real change and with the value the property then reads.
TEST_P(Notify, OncePerRealChangeWhoeverMadeIt) {
  Shown shown;
  shown.Show();
  const QMetaObject& meta = KeyBordWidget::staticMetaObject;
  const char* names[] = {"text", "capsLock", "maxLength", "activePanel"};
  std::vector<std::unique_ptr<QSignalSpy>> spies;
  for (const char* name : names) {
    const QMetaProperty property = meta.property(meta.indexOfProperty(name));
    spies.push_back(std::make_unique<QSignalSpy>(&shown.widget, property.notifySignal()));
  }
  GetParam().act(shown);
  const int expected[] = {GetParam().text, GetParam().capsLock, GetParam().maxLength, GetParam().activePanel};
  for (std::size_t i = 0; i < spies.size(); ++i) {
    SCOPED_TRACE(names[i]);
    ASSERT_EQ(spies[i]->count(), expected[i]);
    if (expected[i] > 0) {
      EXPECT_EQ(spies[i]->last().at(0), shown.widget.property(names[i]));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, Notify,
    ::testing::Values(
        Changes{"HostSetsEach",
                [](Shown& s) {
                  s.widget.setText(QStringLiteral("ab"));
                  s.widget.setCapsLock(false);
                  s.widget.setMaxLength(5);
                  s.widget.setActivePanel(KeyBordWidget::Symbols);
                },
                1, 1, 1, 1},
        Changes{"HostWritesTheSameValues",
                [](Shown& s) {
                  s.widget.setText(QString());
                  s.widget.setCapsLock(true);
                  s.widget.setMaxLength(-3);  // taken as 0, as it is
                  s.widget.setActivePanel(KeyBordWidget::Letters);
                },
                0, 0, 0, 0},
        Changes{"ClickOnANumberKey", [](Shown& s) { s.Click(KeyArrayId::cmdNumber, 0); }, 1, 0, 0, 1},
        Changes{"DigitTypedOnLetters", [](Shown& s) { s.Press(Qt::Key_7); }, 1, 0, 0, 1},
        Changes{"F1", [](Shown& s) { s.Press(Qt::Key_F1); }, 0, 1, 0, 0},
        Changes{"F1Twice", [](Shown& s) { s.Press(Qt::Key_F1), s.Press(Qt::Key_F1); }, 0, 2, 0, 0},
        Changes{"F2OnLetters", [](Shown& s) { s.Press(Qt::Key_F2); }, 0, 0, 0, 0},
        Changes{"F3ThenF4", [](Shown& s) { s.Press(Qt::Key_F3), s.Press(Qt::Key_F4); }, 0, 0, 0, 2},
        Changes{"Slots",
                [](Shown& s) {
                  s.widget.pressFunctionKey(114);  // F3
                  s.widget.typeLetter(QStringLiteral("x"));
                },
                1, 0, 0, 1},
        Changes{"Load",
                [](Shown& s) {
                  s.widget.loadProperties({{"Text", "abc"}, {"MaxLength", 3}, {"ChangeBord", 1}});
                },
                1, 0, 1, 1},
        // A slot changes another property: it is told of once, in the end.
        Changes{"SlotChangesAnother",
                [](Shown& s) {
                  QObject::connect(&s.widget, &KeyBordWidget::textChanged, &s.widget,
                                   [&s] { s.widget.setCapsLock(!s.widget.capsLock()); });
                  s.widget.setText(QStringLiteral("z"));
                },
                1, 1, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadCall {
  const char* name;
  std::function<void(KeyBordWidget&)> call;
  QString error;  // what lastError() then says; empty when the call is taken
};

class BadInput : public ::testing::TestWithParam<BadCall> {};

TEST_P(BadInput, SaysWhatFailedAndLosesNothingTyped) {
  Shown shown;
  shown.Show();
  shown.widget.setText(QStringLiteral("kept"));
  shown.widget.setMaxLength(9);
  QSignalSpy failures(&shown.widget, &KeyBordWidget::errorOccurred);
  GetParam().call(shown.widget);
  EXPECT_EQ(shown.widget.lastError(), GetParam().error);
  EXPECT_EQ(failures.count(), GetParam().error.isEmpty() ? 0 : 1);
  EXPECT_EQ(shown.widget.text(), QStringLiteral("kept"));
  EXPECT_EQ(shown.widget.maxLength(), 9);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, BadInput,
    ::testing::Values(
        BadCall{"MaxLengthPast16Bits", [](KeyBordWidget& w) { w.setMaxLength(40000); }, "Out of present range"},
        BadCall{"KeyCodePast16Bits", [](KeyBordWidget& w) { w.typeSymbolOfKey(70000, 0); }, "Out of present range"},
        BadCall{"ShiftPast16Bits", [](KeyBordWidget& w) { w.typeSymbolOfKey(49, -40000); }, "Out of present range"},
        BadCall{"FunctionKeyPast16Bits", [](KeyBordWidget& w) { w.pressFunctionKey(1 << 16); },
                "Out of present range"},
        BadCall{"TextPast16Bits", [](KeyBordWidget& w) { w.setText(QString(32768, QLatin1Char('a'))); }, "Overflow"},
        BadCall{"UnknownPanel", [](KeyBordWidget& w) { w.setActivePanel(static_cast<KeyBordWidget::Panel>(7)); },
                ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyBordWidget, OddTextComesBackAsPut) {
  Shown shown;
  shown.Show();
  for (const QString& text : {QString(QChar(0)) + QStringLiteral("a"), QString(QChar(0xD800)),
                              QString(QChar(0xDC00)) + QStringLiteral("z"), QString(32767, QLatin1Char('q'))}) {
    shown.widget.setText(text);
    EXPECT_EQ(shown.widget.lastError(), QString());
    EXPECT_EQ(shown.widget.text(), text);
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

// keyTyped: once for every key typed, whatever typed it, after the
// textChanged it caused; a refused key is told too. A key a slot types while
// others wait is told after them, in the order typed.
TEST(KeyBordWidget, KeyTypedTellsEveryKeyOnceInOrder) {
  Shown shown;
  shown.Show();
  QStringList heard;
  QObject::connect(&shown.widget, &KeyBordWidget::textChanged, &shown.widget,
                   [&](const QString& text) { heard << QStringLiteral("text ") + text; });
  QObject::connect(&shown.widget, &KeyBordWidget::keyTyped, &shown.widget, [&](const QString& text, bool accepted) {
    heard << QStringLiteral("key ") + text + (accepted ? QString() : QStringLiteral(" refused"));
    if (text == QStringLiteral("W") && heard.count(QStringLiteral("key W")) == 1) {
      shown.widget.typeNumber(QStringLiteral("9"));
    }
  });
  shown.Click(KeyArrayId::cmdKey, 2);  // E
  shown.Press(Qt::Key_1);
  shown.Press(Qt::Key_Space);  // on the number panel
  shown.widget.typeLetter(QStringLiteral("w"));
  shown.widget.pressMarkedKey();
  shown.widget.setMaxLength(6);
  shown.toolkit.Field().Widget()->setFocus();
  QTest::keyClicks(shown.toolkit.Field().Widget(), QStringLiteral("z"));
  EXPECT_EQ(heard, (QStringList{"text E", "key E", "text E1", "key 1", "text E1 ", "key  ", "text E1 W", "key W",
                                "text E1 W9", "key 9", "text E1 W9W", "key W", "key z refused"}));
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
  EXPECT_TRUE(widget.loadProperties(row.map));
  EXPECT_EQ(static_cast<int>(widget.activePanel()), row.changeBord);
  EXPECT_EQ(widget.text(), row.text);
  EXPECT_EQ(widget.maxLength(), row.maxLength);
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
  shown.widget.setActivePanel(KeyBordWidget::Symbols);
  shown.widget.setText(QStringLiteral("h\u00e9llo"));
  shown.widget.setMaxLength(32767);
  const QVariantMap saved = shown.widget.saveProperties();
  EXPECT_EQ(shown.widget.lastError(), QString());
  EXPECT_EQ(saved.keys(), (QStringList{"ChangeBord", "MaxLength", "Text"}));
  EXPECT_EQ(saved.value("MaxLength").typeId(), QMetaType::Short);

  KeyBordWidget loaded;
  EXPECT_TRUE(loaded.loadProperties(saved));
  EXPECT_EQ(loaded.activePanel(), KeyBordWidget::Symbols);
  EXPECT_EQ(loaded.text(), QStringLiteral("h\u00e9llo"));
  EXPECT_EQ(loaded.maxLength(), 32767);
  EXPECT_EQ(loaded.saveProperties(), saved);
}

}  // namespace
}  // namespace vexo::testing
