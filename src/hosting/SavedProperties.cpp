// SPDX-License-Identifier: MIT
// Saving and loading the control's properties: the container's property bag,
// the stream record, and the persistence interfaces of the object.
#include "hosting/SavedProperties.h"

#include <cstring>
#include <limits>
#include <optional>

#include "component/PropertyTable.h"
#include "hosting/Embedding.h"

namespace vexo::hosting {

namespace {

std::wstring Name(std::u16string_view key) { return std::wstring(key.begin(), key.end()); }

// Reads exactly `size` bytes; a stream that ends first holds a damaged record.
HResult ReadExactly(IStream* stream, void* into, ULONG size) {
  ULONG read = 0;
  const HRESULT status = stream->Read(into, size, &read);
  if (FAILED(status)) return status;
  return read == size ? S_OK : DamagedRecord;
}

template <typename Number>
HResult ReadNumber(IStream* stream, Number& number) {
  return ReadExactly(stream, &number, sizeof number);  // little-endian, as the processor keeps it
}

HResult ReadUnits(IStream* stream, std::u16string& text, std::size_t units) {
  text.resize(units);
  return units == 0 ? hr::Ok : ReadExactly(stream, text.data(), static_cast<ULONG>(units * sizeof(char16_t)));
}

template <typename Number>
void Append(std::vector<BYTE>& bytes, Number number) {
  const auto* first = reinterpret_cast<const BYTE*>(&number);
  bytes.insert(bytes.end(), first, first + sizeof number);
}

void AppendUnits(std::vector<BYTE>& bytes, std::u16string_view text) {
  const auto* first = reinterpret_cast<const BYTE*>(text.data());
  bytes.insert(bytes.end(), first, first + text.size() * sizeof(char16_t));
}

}  // namespace

// --- Values.

HResult FromAutomation(const VARIANT& from, Variant& to) {
  switch (V_VT(&from)) {
    case VT_EMPTY: to = Variant::Empty(); return S_OK;
    case VT_NULL: to = Variant::Null(); return S_OK;
    case VT_I2: to = Variant::FromI2(V_I2(&from)); return S_OK;
    case VT_I4: to = Variant::FromI4(V_I4(&from)); return S_OK;
    case VT_INT: to = Variant::FromI4(V_INT(&from)); return S_OK;
    case VT_I1: to = Variant::FromI4(V_I1(&from)); return S_OK;
    case VT_UI1: to = Variant::FromI4(V_UI1(&from)); return S_OK;
    case VT_UI2: to = Variant::FromI4(V_UI2(&from)); return S_OK;
    case VT_BOOL: to = Variant::FromBool(V_BOOL(&from) != VARIANT_FALSE); return S_OK;
    case VT_R8: to = Variant::FromR8(V_R8(&from)); return S_OK;
    case VT_BSTR: {
      const BSTR text = V_BSTR(&from);
      to = Variant::FromText(text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text))
                                  : std::u16string());
      return S_OK;
    }
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL: {
      // Every other number goes through a double, which keeps every value a
      // 16- or 32-bit property can take; the component refuses the rest.
      VARIANT real;
      VariantInit(&real);
      const HRESULT status = VariantChangeType(&real, const_cast<VARIANT*>(&from), 0, VT_R8);
      if (FAILED(status)) return status;
      const double value = V_R8(&real);
      if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max() &&
          value == static_cast<double>(static_cast<std::int32_t>(value))) {
        to = Variant::FromI4(static_cast<std::int32_t>(value));
      } else {
        to = Variant::FromR8(value);
      }
      return S_OK;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HResult ToAutomation(const Variant& from, VARIANT& to) {
  VariantInit(&to);
  switch (from.type) {
    case VarType::Empty: return S_OK;
    case VarType::Null: V_VT(&to) = VT_NULL; return S_OK;
    case VarType::I2: V_VT(&to) = VT_I2; V_I2(&to) = static_cast<SHORT>(from.integer); return S_OK;
    case VarType::I4: V_VT(&to) = VT_I4; V_I4(&to) = from.integer; return S_OK;
    case VarType::Bool: V_VT(&to) = VT_BOOL; V_BOOL(&to) = from.integer ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case VarType::R8: V_VT(&to) = VT_R8; V_R8(&to) = from.real; return S_OK;
    case VarType::BSTR: {
      BSTR text = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(from.text.data()),
                                    static_cast<UINT>(from.text.size()));
      if (!text) return E_OUTOFMEMORY;
      V_VT(&to) = VT_BSTR;
      V_BSTR(&to) = text;
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

// --- The container's bag.

HResult ContainerBag::ReadProperty(std::u16string_view key, const Variant& defaultValue, Variant& value) {
  VARIANT stored;
  VariantInit(&stored);  // empty: the bag gives the type it holds
  const HRESULT status = bag_->Read(Name(key).c_str(), &stored, log_.Get());
  if (status == E_INVALIDARG) {
    value = defaultValue;
    return S_OK;
  }
  if (FAILED(status)) return status;
  const HResult converted = FromAutomation(stored, value);
  Discard(VariantClear(&stored), "the value read is what counts; a copy that cannot be cleared holds nothing more");
  return converted;
}

HResult ContainerBag::WriteProperty(std::u16string_view key, const Variant& value, const Variant&) {
  VARIANT written;
  RETURN_IF_FAILED(ToAutomation(value, written));
  const HRESULT status = bag_->Write(Name(key).c_str(), &written);
  Discard(VariantClear(&written), "the bag's answer is what counts; a value made here clears cleanly");
  return status;
}

// --- The stream record.

HResult RecordBag::ReadProperty(std::u16string_view key, const Variant& defaultValue, Variant& value) {
  for (const auto& [name, stored] : entries_) {
    if (name == key) {
      value = stored;
      return S_OK;
    }
  }
  value = defaultValue;
  return S_OK;
}

HResult RecordBag::WriteProperty(std::u16string_view key, const Variant& value, const Variant&) {
  if (key.empty() || key.size() > MaxNameUnits) return E_INVALIDARG;
  if (value.type == VarType::BSTR && value.text.size() > static_cast<std::size_t>(MaxSavedTextUnits)) {
    return E_INVALIDARG;
  }
  for (auto& [name, stored] : entries_) {
    if (name == key) {
      stored = value;
      return S_OK;
    }
  }
  if (entries_.size() >= MaxEntries) return E_INVALIDARG;
  entries_.emplace_back(std::u16string(key), value);
  return S_OK;
}

HResult RecordBag::Serialize(std::vector<BYTE>& bytes) const {
  bytes.assign(std::begin(RecordSignature), std::end(RecordSignature));
  Append(bytes, RecordVersion);
  Append(bytes, static_cast<std::uint16_t>(entries_.size()));
  for (const auto& [name, value] : entries_) {
    Append(bytes, static_cast<std::uint16_t>(name.size()));
    AppendUnits(bytes, name);
    Append(bytes, static_cast<std::uint16_t>(value.type));
    switch (value.type) {
      case VarType::Empty:
      case VarType::Null:
        break;
      case VarType::I2:
      case VarType::Bool:
        Append(bytes, static_cast<std::int16_t>(value.integer));
        break;
      case VarType::I4:
        Append(bytes, value.integer);
        break;
      case VarType::R8:
        Append(bytes, value.real);
        break;
      case VarType::BSTR:
        Append(bytes, static_cast<std::uint32_t>(value.text.size()));
        AppendUnits(bytes, value.text);
        break;
    }
  }
  return S_OK;
}

HResult RecordBag::ReadFrom(IStream* stream) {
  char signature[4] = {};
  const HResult head = ReadExactly(stream, signature, sizeof signature);
  if (head == DamagedRecord) return NotARecord;
  RETURN_IF_FAILED(head);
  std::uint16_t version = 0;
  RETURN_IF_FAILED(ReadNumber(stream, version));
  if (std::memcmp(signature, RecordSignature, sizeof signature) != 0 || version != RecordVersion) return NotARecord;
  std::uint16_t count = 0;
  RETURN_IF_FAILED(ReadNumber(stream, count));
  if (count > MaxEntries) return DamagedRecord;

  std::vector<std::pair<std::u16string, Variant>> entries;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint16_t nameUnits = 0;
    RETURN_IF_FAILED(ReadNumber(stream, nameUnits));
    if (nameUnits == 0 || nameUnits > MaxNameUnits) return DamagedRecord;
    std::u16string name;
    RETURN_IF_FAILED(ReadUnits(stream, name, nameUnits));
    std::uint16_t type = 0;
    RETURN_IF_FAILED(ReadNumber(stream, type));
    Variant value;
    switch (static_cast<VarType>(type)) {
      case VarType::Empty:
        break;
      case VarType::Null:
        value = Variant::Null();
        break;
      case VarType::I2:
      case VarType::Bool: {
        std::int16_t number = 0;
        RETURN_IF_FAILED(ReadNumber(stream, number));
        value = static_cast<VarType>(type) == VarType::I2 ? Variant::FromI2(number) : Variant::FromBool(number != 0);
        break;
      }
      case VarType::I4: {
        std::int32_t number = 0;
        RETURN_IF_FAILED(ReadNumber(stream, number));
        value = Variant::FromI4(number);
        break;
      }
      case VarType::R8: {
        double number = 0;
        RETURN_IF_FAILED(ReadNumber(stream, number));
        value = Variant::FromR8(number);
        break;
      }
      case VarType::BSTR: {
        std::uint32_t units = 0;
        RETURN_IF_FAILED(ReadNumber(stream, units));
        if (units > static_cast<std::uint32_t>(MaxSavedTextUnits)) return DamagedRecord;
        std::u16string text;
        RETURN_IF_FAILED(ReadUnits(stream, text, units));
        value = Variant::FromText(std::move(text));
        break;
      }
      default:
        return DamagedRecord;
    }
    entries.emplace_back(std::move(name), std::move(value));
  }
  entries_ = std::move(entries);
  return S_OK;
}

HResult RecordBag::CopyTo(PropertyBag& bag) const {
  for (const auto& [name, value] : entries_) RETURN_IF_FAILED(bag.WriteProperty(name, value, Variant{}));
  return S_OK;
}

// --- The object's persistence interfaces.
//
// Each holds the object until it returns (see Hold): a bag or a stream is the
// host's code, which may let go of the control while it reads or writes, even
// of the reference of the caller itself.

HResult Embedding::ReadFrom(PropertyBag& bag) { return toolkit_->ReadProperties(bag); }

HResult Embedding::WriteTo(PropertyBag& bag) { return toolkit_->WriteProperties(bag); }

// A load that succeeded leaves the control as its container holds it; one
// that failed part-way leaves what it applied as changes.
HResult Embedding::Loaded(HResult status) {
  if (SUCCEEDED(status)) return TakeValuesAsClean();
  Discard(TakeValues(Tell::Sinks), "the load's failure is what the caller hears");
  return status;
}

// A save first makes its record, without calling out: the values of the
// moment, the user's latest change included, or, once a container destroyed
// the control's windows, the values they last held.
HResult Embedding::Record(RecordBag& record) {
  if (!kept_) return WriteTo(record);
  record = *kept_;
  return hr::Ok;
}

// What the control sees now; nothing when it cannot look. Taken right after
// the record is made, it is what the record holds.
HResult Embedding::SeenNow(std::optional<SavedValues>& values) {
  values.reset();
  RETURN_IF_FAILED(TakeValues(Tell::Sinks));
  values = seen_;
  return hr::Ok;
}

// Handing the record out may run anything: a stream or bag that calls the
// control back, a proxy that handles messages while it waits, the user
// typing meanwhile. A save that clears the dirty state makes the control
// clean only if it still holds what was written.
HResult Embedding::Saved(const std::optional<SavedValues>& written, BOOL clearDirty) {
  if (!clearDirty || !written) return hr::Ok;
  std::optional<SavedValues> now;
  Discard(SeenNow(now), "a control that cannot look stays dirty");
  if (now == written) dirty_ = false;
  return hr::Ok;
}

// Both saves: the record is made, then handed out to the container by
// `handOut`; the dirty state follows what the record held.
template <typename HandOut>
HResult Embedding::SaveRecord(BOOL clearDirty, HandOut&& handOut, std::optional<SavedValues>* kept) {
  RecordBag record;
  RETURN_IF_FAILED(Record(record));
  std::optional<SavedValues> written;
  Discard(SeenNow(written), "a control that cannot look stays dirty after the save");
  RETURN_IF_FAILED(handOut(static_cast<const RecordBag&>(record)));
  if (kept) *kept = written;
  return Saved(written, clearDirty);
}

HResult Embedding::SaveStream(IStream* stream, BOOL clearDirty, std::optional<SavedValues>* written) {
  return SaveRecord(
      clearDirty,
      [&](const RecordBag& record) -> HResult {
        std::vector<BYTE> bytes;
        RETURN_IF_FAILED(record.Serialize(bytes));
        ULONG wrote = 0;
        RETURN_IF_FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &wrote));
        return wrote == bytes.size() ? hr::Ok : HResult{STG_E_MEDIUMFULL};
      },
      written);
}

HRESULT STDMETHODCALLTYPE Embedding::GetClassID(CLSID* clsid) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!clsid) return E_POINTER;
  *clsid = CLSID_KeyBord;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::InitNew() {
  RETURN_IF_FAILED(OnOwnerThread());
  return TakeValuesAsClean();
}

HRESULT STDMETHODCALLTYPE Embedding::Load(IPropertyBag* bag, IErrorLog* log) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!bag) return E_POINTER;
  if (kept_) return E_UNEXPECTED;  // without its windows the control cannot take new values
  const Hold hold = KeepAlive();
  return Guard([&]() -> HResult {
    ContainerBag adapter(bag, log);
    return Loaded(ReadFrom(adapter));
  });
}

HRESULT STDMETHODCALLTYPE Embedding::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!bag) return E_POINTER;
  const Hold hold = KeepAlive();
  return Guard([&] {
    return SaveRecord(clearDirty, [&](const RecordBag& record) {
      ContainerBag adapter(bag, nullptr);
      return record.CopyTo(adapter);
    });
  });
}

// A change the user made a moment ago counts even before the control has
// looked for it; when the control cannot look, it asks to be saved.
HRESULT STDMETHODCALLTYPE Embedding::IsDirty() {
  RETURN_IF_FAILED(OnOwnerThread());
  const Hold hold = KeepAlive();
  if (FAILED(TakeValues(Tell::Sinks))) return S_OK;
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE Embedding::Load(IStream* stream) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!stream) return E_POINTER;
  if (kept_) return E_UNEXPECTED;  // without its windows the control cannot take new values
  const Hold hold = KeepAlive();
  return Guard([&]() -> HResult {
    RecordBag record;
    RETURN_IF_FAILED(record.ReadFrom(stream));
    return Loaded(ReadFrom(record));
  });
}

HRESULT STDMETHODCALLTYPE Embedding::Save(IStream* stream, BOOL clearDirty) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!stream) return E_POINTER;
  const Hold hold = KeepAlive();
  return Guard([&] { return SaveStream(stream, clearDirty, nullptr); });
}

HRESULT STDMETHODCALLTYPE Embedding::GetSizeMax(ULARGE_INTEGER* size) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!size) return E_POINTER;
  const Hold hold = KeepAlive();
  size->QuadPart = 0;
  return Guard([&]() -> HResult {
    RecordBag record;
    RETURN_IF_FAILED(Record(record));
    std::vector<BYTE> bytes;
    RETURN_IF_FAILED(record.Serialize(bytes));
    size->QuadPart = bytes.size();
    return S_OK;
  });
}

}  // namespace vexo::hosting
