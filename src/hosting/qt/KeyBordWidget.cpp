// SPDX-License-Identifier: MIT
#include "vexo/KeyBordWidget.h"

#include <deque>
#include <limits>
#include <string>
#include <utility>

#include <QPointer>

#include "hosting/qt/KeyBordWidgetInternals.h"

namespace vexo {

namespace {

std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

QString ToQString(const std::u16string& text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// A 16-bit argument as the automation layer takes it: out of range is the
// conversion's overflow, before the component sees anything.
HResult ToArgument(int value, std::int16_t& argument) {
  if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max()) {
    return hr::ConversionOverflow;
  }
  argument = static_cast<std::int16_t>(value);
  return hr::Ok;
}

// A saved form's values as a QVariantMap holds them.
HResult FromQVariant(const QVariant& value, Variant& out) {
  if (!value.isValid()) {
    out = Variant::Empty();
    return hr::Ok;
  }
  switch (value.typeId()) {
    case QMetaType::Nullptr: out = Variant::Null(); return hr::Ok;
    case QMetaType::Bool: out = Variant::FromBool(value.toBool()); return hr::Ok;
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::UChar: out = Variant::FromI2(static_cast<std::int16_t>(value.toInt())); return hr::Ok;
    case QMetaType::UShort:
    case QMetaType::Int: out = Variant::FromI4(value.toInt()); return hr::Ok;
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
      bool exact = false;
      const qlonglong whole = value.toLongLong(&exact);
      if (exact && whole >= std::numeric_limits<std::int32_t>::min() &&
          whole <= std::numeric_limits<std::int32_t>::max()) {
        out = Variant::FromI4(static_cast<std::int32_t>(whole));
      } else {
        out = Variant::FromR8(value.toDouble());  // converts to no property: it overflows
      }
      return hr::Ok;
    }
    case QMetaType::Float:
    case QMetaType::Double: out = Variant::FromR8(value.toDouble()); return hr::Ok;
    case QMetaType::QString: out = Variant::FromText(ToU16(value.toString())); return hr::Ok;
    case QMetaType::QChar: out = Variant::FromText(ToU16(QString(value.toChar()))); return hr::Ok;
    default: return hr::TypeMismatch;
  }
}

QVariant ToQVariant(const Variant& value) {
  switch (value.type) {
    case VarType::Empty: return {};
    case VarType::Null: return QVariant::fromValue(nullptr);
    case VarType::I2: return QVariant::fromValue(static_cast<qint16>(value.integer));
    case VarType::I4: return QVariant(static_cast<int>(value.integer));
    case VarType::R8: return QVariant(value.real);
    case VarType::BSTR: return QVariant(ToQString(value.text));
    case VarType::Bool: return QVariant(value.integer != 0);
  }
  return {};
}

class VariantMapBag final : public PropertyBag {
 public:
  explicit VariantMapBag(QVariantMap& map) : map_(map) {}

  HResult ReadProperty(std::u16string_view key, const Variant& defaultValue, Variant& value) override {
    const auto found = map_.constFind(ToQString(std::u16string(key)));
    if (found == map_.constEnd()) {
      value = defaultValue;
      return hr::Ok;
    }
    return FromQVariant(*found, value);
  }
  HResult WriteProperty(std::u16string_view key, const Variant& value, const Variant&) override {
    map_.insert(ToQString(std::u16string(key)), ToQVariant(value));
    return hr::Ok;
  }

 private:
  QVariantMap& map_;
};

// Whether a call may change what the host sees: then the host hears of every
// change once the outermost call or key press is over.
enum class Access { Read, Change };

// The properties as the host sees them, read from the component.
HResult ReadText(KeyBord& keybord, QString& value) {
  std::u16string text;
  const HResult status = keybord.get_Text(text);
  value = ToQString(text);
  return status;
}

HResult ReadCapsLock(KeyBord& keybord, bool& value) {
  std::int16_t on = VariantFalse;
  const HResult status = keybord.get_CapsLock(on);
  value = on != VariantFalse;
  return status;
}

HResult ReadMaxLength(KeyBord& keybord, int& value) {
  std::int16_t length = 0;
  const HResult status = keybord.get_MaxLength(length);
  value = length;
  return status;
}

HResult ReadPanel(KeyBord& keybord, KeyBordWidget::Panel& value) {
  ActivPanel panel = ActivPanel::abcAct;
  const HResult status = keybord.get_ChangeBord(panel);
  value = static_cast<KeyBordWidget::Panel>(panel);
  return status;
}

}  // namespace

// The component's own description, and the Qt toolkit's status for a part of
// the widget destroyed under it.
QString DescribeFailure(HResult status) {
  if (status == qt::WidgetGone) {
    return QStringLiteral("A part of the keyboard widget was destroyed");
  }
  const std::string_view text = DescribeStatus(status);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class KeyBordWidgetPrivate {
 public:
  explicit KeyBordWidgetPrivate(KeyBordWidget& q) : widget(q), toolkit(q), keybord(toolkit) {}
  static KeyBordWidgetPrivate& Of(const KeyBordWidget& widget) { return *widget.d_; }

  // Runs a call of the host in one burst; its status becomes lastError, a
  // failure is also signalled. False when it failed or a slot deleted the
  // widget meanwhile.
  template <typename Call>
  bool Run(Access access, const Call& call);

  // The host's view as it stands now, before anyone is told of changes.
  void TakeSeen();
  // Tells the host of each property that differs from what it last heard,
  // then of the keys typed.
  void Settled(bool textChanged);

  KeyBordWidget& widget;
  qt::QtToolkit toolkit;
  KeyBord keybord;
  HResult lastStatus = hr::Ok;

 private:
  // False once a slot deleted the widget: nothing of it may be touched then.
  template <typename Value, typename Signal>
  bool Tell(Value& seen, HResult (*read)(KeyBord&, Value&), Signal signal);
  void TellTypedKeys();

  // Keys taken from the toolkit and not yet told, oldest first. A slot may
  // type more keys while older ones wait: those join the queue, and the
  // outermost telling tells them all in the order typed.
  std::deque<qt::QtToolkit::TypedKey> untold_;
  bool tellingKeys_ = false;

  struct Seen {
    QString text;
    bool capsLock = false;
    int maxLength = 0;
    KeyBordWidget::Panel panel = KeyBordWidget::Letters;
  } seen_;
};

template <typename Call>
bool KeyBordWidgetPrivate::Run(Access access, const Call& call) {
  const QPointer<KeyBordWidget> alive(&widget);
  const HResult status = toolkit.HostCall([&] {
    if (access == Access::Change) {
      toolkit.SettleWhenOver();
    }
    // Set before the host hears of the changes, so that its slots read it.
    lastStatus = call();
    return lastStatus;
  });
  if (alive.isNull()) {
    return false;
  }
  lastStatus = status;
  if (Failed(status)) {
    Q_EMIT widget.errorOccurred(DescribeFailure(status));
    return false;
  }
  return true;
}

void KeyBordWidgetPrivate::TakeSeen() {
  Discard(ReadText(keybord, seen_.text), "an unread value reads as its default");
  Discard(ReadCapsLock(keybord, seen_.capsLock), "as above");
  Discard(ReadMaxLength(keybord, seen_.maxLength), "as above");
  Discard(ReadPanel(keybord, seen_.panel), "as above");
}

template <typename Value, typename Signal>
bool KeyBordWidgetPrivate::Tell(Value& seen, HResult (*read)(KeyBord&, Value&), Signal signal) {
  Value now{};
  if (Failed(read(keybord, now)) || now == seen) {
    return true;
  }
  // Seen before the slots run: one that changes the property again is told
  // of its own change, and nobody hears of one change twice.
  seen = now;
  const QPointer<KeyBordWidget> alive(&widget);
  Q_EMIT(widget.*signal)(now);
  return !alive.isNull();
}

void KeyBordWidgetPrivate::Settled(bool textChanged) {
  // Taken before any slot runs: the toolkit keeps the keys only until a key
  // of a later burst, such as a slot's, comes.
  for (qt::QtToolkit::TypedKey& key : toolkit.TakeTypedKeys()) {
    untold_.push_back(std::move(key));
  }
  // The text is read only when the field changed: a key that left it alone
  // costs no copy of it.
  if (textChanged && !Tell(seen_.text, &ReadText, &KeyBordWidget::textChanged)) {
    return;
  }
  if (!Tell(seen_.capsLock, &ReadCapsLock, &KeyBordWidget::capsLockChanged) ||
      !Tell(seen_.maxLength, &ReadMaxLength, &KeyBordWidget::maxLengthChanged) ||
      !Tell(seen_.panel, &ReadPanel, &KeyBordWidget::activePanelChanged)) {
    return;
  }
  TellTypedKeys();
}

void KeyBordWidgetPrivate::TellTypedKeys() {
  if (tellingKeys_) {
    return;  // a slot of keyTyped typed: the telling under way goes on with its keys
  }
  tellingKeys_ = true;
  const QPointer<KeyBordWidget> alive(&widget);
  while (!untold_.empty()) {
    const qt::QtToolkit::TypedKey key = std::move(untold_.front());
    untold_.pop_front();
    Q_EMIT widget.keyTyped(ToQString(key.text), key.accepted);
    if (alive.isNull()) {
      return;
    }
  }
  tellingKeys_ = false;
}

KeyBordWidget::KeyBordWidget(QWidget* parent) : QWidget(parent), d_(std::make_unique<KeyBordWidgetPrivate>(*this)) {
  d_->toolkit.OnHostCommand([this](HostCommand command) {
    if (command == HostCommand::F7) {
      Q_EMIT f7Pressed();
    }
  });
  d_->toolkit.OnSettled([this](bool textChanged) { d_->Settled(textChanged); });
  d_->toolkit.ListenForTypedKeys();  // for keyTyped
  d_->lastStatus = d_->toolkit.Initialize();
  d_->TakeSeen();
}

KeyBordWidget::~KeyBordWidget() {
  d_->toolkit.Disconnect();
  d_->toolkit.OnSettled(nullptr);
  d_->toolkit.OnHostCommand(nullptr);
}

QSize KeyBordWidget::sizeHint() const { return d_->toolkit.DesignSize(); }
QSize KeyBordWidget::minimumSizeHint() const { return d_->toolkit.DesignSize() / 2; }

QString KeyBordWidget::lastError() const {
  return Succeeded(d_->lastStatus) ? QString() : DescribeFailure(d_->lastStatus);
}

// --- Properties.

QString KeyBordWidget::text() const {
  QString value;
  d_->Run(Access::Read, [&] { return ReadText(d_->keybord, value); });
  return value;
}

bool KeyBordWidget::capsLock() const {
  bool value = false;
  d_->Run(Access::Read, [&] { return ReadCapsLock(d_->keybord, value); });
  return value;
}

int KeyBordWidget::maxLength() const {
  int value = 0;
  d_->Run(Access::Read, [&] { return ReadMaxLength(d_->keybord, value); });
  return value;
}

KeyBordWidget::Panel KeyBordWidget::activePanel() const {
  Panel value = Letters;
  d_->Run(Access::Read, [&] { return ReadPanel(d_->keybord, value); });
  return value;
}

void KeyBordWidget::setText(const QString& text) {
  const std::u16string value = ToU16(text);
  d_->Run(Access::Change, [&] { return d_->keybord.put_Text(value); });
}

void KeyBordWidget::setCapsLock(bool on) {
  d_->Run(Access::Change, [&] { return d_->keybord.put_CapsLock(on ? VariantTrue : VariantFalse); });
}

void KeyBordWidget::setMaxLength(int length) {
  d_->Run(Access::Change, [&]() -> HResult {
    std::int16_t limit = 0;
    RETURN_IF_FAILED(ToArgument(length, limit));
    return d_->keybord.put_MaxLength(limit);
  });
}

void KeyBordWidget::setActivePanel(Panel panel) {
  d_->Run(Access::Change, [&] { return d_->keybord.put_ChangeBord(static_cast<ActivPanel>(panel)); });
}

// --- Persistence.

QVariantMap KeyBordWidget::saveProperties() const {
  QVariantMap map;
  VariantMapBag bag(map);
  d_->Run(Access::Read, [&] { return d_->toolkit.WriteProperties(bag); });
  return map;
}

bool KeyBordWidget::loadProperties(const QVariantMap& properties) {
  QVariantMap copy = properties;
  VariantMapBag bag(copy);
  return d_->Run(Access::Change, [&] { return d_->toolkit.ReadProperties(bag); });
}

// --- Methods: each runs the component's member of the same job, with its
// string or code passed in and what the member left in it given back.

namespace {

using TextMember = HResult (KeyBord::*)(std::u16string&);

QString TypeThrough(KeyBordWidgetPrivate& d, const QString& character, TextMember member) {
  std::u16string text = ToU16(character);
  d.Run(Access::Change, [&] { return (d.keybord.*member)(text); });
  return ToQString(text);
}

using CodeMember = HResult (KeyBord::*)(std::int16_t&);

bool PressThrough(KeyBordWidgetPrivate& d, int keyCode, CodeMember member) {
  return d.Run(Access::Change, [&]() -> HResult {
    std::int16_t code = 0;
    RETURN_IF_FAILED(ToArgument(keyCode, code));
    return (d.keybord.*member)(code);
  });
}

}  // namespace

QString KeyBordWidget::typeLetter(const QString& character) {
  return TypeThrough(*d_, character, &KeyBord::FindABC);
}

QString KeyBordWidget::typeNumber(const QString& character) {
  return TypeThrough(*d_, character, &KeyBord::FindNumber);
}

QString KeyBordWidget::typeSymbol(const QString& character) {
  return TypeThrough(*d_, character, &KeyBord::AfterFindImage);
}

bool KeyBordWidget::typeSymbolOfKey(int keyCode, int modifiers) {
  return d_->Run(Access::Change, [&]() -> HResult {
    std::int16_t code = 0;
    std::int16_t shift = 0;
    RETURN_IF_FAILED(ToArgument(keyCode, code));
    RETURN_IF_FAILED(ToArgument(modifiers, shift));
    return d_->keybord.FindImage(code, shift);
  });
}

bool KeyBordWidget::typeShiftedDigit(int keyCode) {
  return d_->Run(Access::Change, [&]() -> HResult {
    std::int16_t code = 0;
    RETURN_IF_FAILED(ToArgument(keyCode, code));
    return d_->keybord.FindImageNumber(code);
  });
}

bool KeyBordWidget::pressMarkedKey() {
  return d_->Run(Access::Change, [&] { return d_->keybord.EnterKey(); });
}

bool KeyBordWidget::pressFunctionKey(int keyCode) { return PressThrough(*d_, keyCode, &KeyBord::KeyF1ToF6); }

bool KeyBordWidget::forwardCommandKey(int keyCode) { return PressThrough(*d_, keyCode, &KeyBord::GetMessage); }

bool KeyBordWidget::moveCaretLeft() {
  return d_->Run(Access::Change, [&] { return d_->keybord.LeftPos(); });
}

bool KeyBordWidget::moveCaretRight() {
  return d_->Run(Access::Change, [&] { return d_->keybord.RightPos(); });
}

// --- The insides, for the tests and the demo.

qt::QtToolkit& ToolkitOf(KeyBordWidget& widget) { return KeyBordWidgetPrivate::Of(widget).toolkit; }

KeyBord& ComponentOf(KeyBordWidget& widget) { return KeyBordWidgetPrivate::Of(widget).keybord; }

}  // namespace vexo
