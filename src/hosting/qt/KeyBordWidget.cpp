#include "vexo/KeyBordWidget.h"

#include <limits>
#include <string>
#include <utility>

#include "component/KeyBord.h"
#include "widgets/qt/QtToolkit.h"

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

}  // namespace

KeyBordWidget::KeyBordWidget(QWidget* parent)
    : QWidget(parent),
      toolkit_(std::make_unique<qt::QtToolkit>(*this)),
      keybord_(std::make_unique<KeyBord>(*toolkit_)) {
  toolkit_->OnHostCommand([this](HostCommand command) {
    if (command == HostCommand::F7) {
      Q_EMIT f7Pressed();
    }
  });
  toolkit_->OnTextChanged([this] { EmitTextChanged(); });
  lastError_ = toolkit_->Initialize();
}

KeyBordWidget::~KeyBordWidget() {
  toolkit_->Disconnect();
  toolkit_->OnTextChanged(nullptr);
  toolkit_->OnHostCommand(nullptr);
}

QSize KeyBordWidget::sizeHint() const { return toolkit_->DesignSize(); }
QSize KeyBordWidget::minimumSizeHint() const { return toolkit_->DesignSize() / 2; }

int KeyBordWidget::Finish(std::int32_t status) {
  lastError_ = status;
  return status;
}

QString KeyBordWidget::lastErrorText() const {
  const std::string_view text = DescribeStatus(lastError_);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void KeyBordWidget::EmitTextChanged() {
  std::u16string text;
  if (Failed(keybord_->get_Text(text))) {
    return;
  }
  QString now = ToQString(text);
  if (now != lastText_) {
    lastText_ = now;
    Q_EMIT textChanged(lastText_);
  }
}

// --- Properties.

bool KeyBordWidget::CapsLock() {
  std::int16_t value = 0;
  Finish(toolkit_->HostCall([&] { return keybord_->get_CapsLock(value); }));
  return value != VariantFalse;
}

void KeyBordWidget::setCapsLock(bool value) {
  Finish(toolkit_->HostCall([&] { return keybord_->put_CapsLock(value ? VariantTrue : VariantFalse); }));
}

int KeyBordWidget::ChangeBord() {
  ActivPanel value = ActivPanel::abcAct;
  Finish(toolkit_->HostCall([&] { return keybord_->get_ChangeBord(value); }));
  return static_cast<int>(value);
}

void KeyBordWidget::setChangeBord(int value) {
  Finish(toolkit_->HostCall([&] { return keybord_->put_ChangeBord(static_cast<ActivPanel>(value)); }));
}

QString KeyBordWidget::Text() {
  std::u16string value;
  Finish(toolkit_->HostCall([&] { return keybord_->get_Text(value); }));
  return ToQString(value);
}

void KeyBordWidget::setText(const QString& value) {
  const std::u16string text = ToU16(value);
  Finish(toolkit_->HostCall([&] { return keybord_->put_Text(text); }));
}

int KeyBordWidget::MaxLength() {
  std::int16_t value = 0;
  Finish(toolkit_->HostCall([&] { return keybord_->get_MaxLength(value); }));
  return value;
}

void KeyBordWidget::setMaxLength(int value) {
  std::int16_t limit = 0;
  if (Finish(ToArgument(value, limit)) == hr::Ok) {
    Finish(toolkit_->HostCall([&] { return keybord_->put_MaxLength(limit); }));
  }
}

// --- Persistence.

QVariantMap KeyBordWidget::saveProperties() {
  QVariantMap map;
  VariantMapBag bag(map);
  Finish(toolkit_->WriteProperties(bag));
  return map;
}

int KeyBordWidget::loadProperties(const QVariantMap& properties) {
  QVariantMap copy = properties;
  VariantMapBag bag(copy);
  return Finish(toolkit_->ReadProperties(bag));
}

// --- Methods.

int KeyBordWidget::CallWithText(QString& ChrStr, HResult (KeyBord::*member)(std::u16string&)) {
  std::u16string text = ToU16(ChrStr);
  const HResult status = toolkit_->HostCall([&] { return (*keybord_.*member)(text); });
  ChrStr = ToQString(text);
  return Finish(status);
}

int KeyBordWidget::CallWithCode(int& code, HResult (KeyBord::*member)(std::int16_t&)) {
  std::int16_t value = 0;
  if (Finish(ToArgument(code, value)) != hr::Ok) {
    return lastError_;
  }
  const HResult status = toolkit_->HostCall([&] { return (*keybord_.*member)(value); });
  code = value;
  return Finish(status);
}

int KeyBordWidget::AfterFindImage(QString& ChrStr) { return CallWithText(ChrStr, &KeyBord::AfterFindImage); }

int KeyBordWidget::EnterKey() { return Finish(toolkit_->HostCall([&] { return keybord_->EnterKey(); })); }

int KeyBordWidget::FindABC(QString& ChrStr) { return CallWithText(ChrStr, &KeyBord::FindABC); }

int KeyBordWidget::FindImage(int KeyCode, int Shift) {
  std::int16_t code = 0;
  std::int16_t shift = 0;
  if (Finish(ToArgument(KeyCode, code)) != hr::Ok || Finish(ToArgument(Shift, shift)) != hr::Ok) {
    return lastError_;
  }
  return Finish(toolkit_->HostCall([&] { return keybord_->FindImage(code, shift); }));
}

int KeyBordWidget::FindImageNumber(int KeyCode) {
  std::int16_t code = 0;
  if (Finish(ToArgument(KeyCode, code)) != hr::Ok) {
    return lastError_;
  }
  return Finish(toolkit_->HostCall([&] { return keybord_->FindImageNumber(code); }));
}

int KeyBordWidget::GetMessage(int& KodKey) { return CallWithCode(KodKey, &KeyBord::GetMessage); }

int KeyBordWidget::KeyF1ToF6(int& CodeKey) { return CallWithCode(CodeKey, &KeyBord::KeyF1ToF6); }

int KeyBordWidget::LeftPos() { return Finish(toolkit_->HostCall([&] { return keybord_->LeftPos(); })); }

int KeyBordWidget::FindNumber(QString& ChrStr) { return CallWithText(ChrStr, &KeyBord::FindNumber); }

int KeyBordWidget::RightPos() { return Finish(toolkit_->HostCall([&] { return keybord_->RightPos(); })); }

}  // namespace vexo
