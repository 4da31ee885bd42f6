// SPDX-License-Identifier: MIT
// The property bags through which the control saves and loads the saved
// properties of the property table: the container's IPropertyBag, and a
// record in a stream.
//
// Both reach the component's own read and write handlers, so a property is
// saved and restored the same way whichever the container uses.
//
// The stream record, all numbers little-endian:
//
//   offset  size  contents
//   0       4     the signature "VKBP"
//   4       2     the record's version, 1
//   6       2     the number of entries, at most MaxEntries
//   8       ...   the entries, one after the other:
//                   2      the name's length in UTF-16 units, 1 to MaxNameUnits
//                   2n     the name, UTF-16
//                   2      the value's variant type: 0 empty, 1 null, 2 16-bit
//                          integer, 3 32-bit integer, 5 double, 8 string,
//                          11 boolean
//                   0..8   the value: nothing for empty and null; 2 bytes for
//                          a 16-bit integer or a boolean; 4 for a 32-bit
//                          integer; 8 for a double; for a string its length
//                          in UTF-16 units (4 bytes, at most
//                          MaxSavedTextUnits) and the units
//
// A record is read whole before any of it is applied: a stream that is cut
// short, has another signature or version, or breaks a bound above changes
// nothing and fails with a status of its own. The stream is left just behind
// the record, so a container may keep more after it.
#pragma once

#include "hosting/Com.h"

#include <string>
#include <utility>
#include <vector>

#include "widgets/Widgets.h"

namespace vexo::hosting {

inline constexpr char RecordSignature[4] = {'V', 'K', 'B', 'P'};
inline constexpr std::uint16_t RecordVersion = 1;
inline constexpr std::uint16_t MaxEntries = 64;
inline constexpr std::uint16_t MaxNameUnits = 256;

// A stream whose signature or version is not this record's.
inline constexpr HRESULT NotARecord = STG_E_INVALIDHEADER;
// A record that is cut short or breaks a bound.
inline constexpr HRESULT DamagedRecord = STG_E_DOCFILECORRUPT;

// The container's bag. A name the bag does not hold (it answers E_INVALIDARG)
// reads as the default; any other failure of the bag is the read's failure.
class ContainerBag final : public PropertyBag {
 public:
  ContainerBag(IPropertyBag* bag, IErrorLog* log) : bag_(bag), log_(log) {}

  HResult ReadProperty(std::u16string_view key, const Variant& defaultValue, Variant& value) override;
  HResult WriteProperty(std::u16string_view key, const Variant& value, const Variant& defaultValue) override;

 private:
  ComPtr<IPropertyBag> bag_;
  ComPtr<IErrorLog> log_;
};

// Named values in memory, in the order written; what a stream record holds.
class RecordBag final : public PropertyBag {
 public:
  HResult ReadProperty(std::u16string_view key, const Variant& defaultValue, Variant& value) override;
  HResult WriteProperty(std::u16string_view key, const Variant& value, const Variant& defaultValue) override;

  // The record's bytes.
  HResult Serialize(std::vector<BYTE>& bytes) const;
  // Replaces the entries with those of the record at the stream's position.
  HResult ReadFrom(IStream* stream);
  // Writes the entries into `bag` in their order; the first that the bag
  // refuses ends it with the bag's status. A container's bag keeps what it is
  // given, so no default goes with the values.
  HResult CopyTo(PropertyBag& bag) const;

  const std::vector<std::pair<std::u16string, Variant>>& Entries() const { return entries_; }

 private:
  std::vector<std::pair<std::u16string, Variant>> entries_;
};

// Automation variants and the core's values. Integer types that fit become a
// 32-bit integer, other numbers a double; types without a meaning for a
// property fail with the type-mismatch error.
HResult FromAutomation(const VARIANT& from, Variant& to);
HResult ToAutomation(const Variant& from, VARIANT& to);

}  // namespace vexo::hosting
