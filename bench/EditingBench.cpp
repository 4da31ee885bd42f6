// SPDX-License-Identifier: MIT
// The cost of filling and typing into the edit field on the in-memory toolkit.
// Each benchmark also reports the characters written into the field, the cost
// a real rich-text box pays in rendering; typing reports the characters read
// back out of it too, which a key should not need.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "component/KeyBord.h"
#include "component/KeyBordProbe.h"
#include "widgets/memory/MemoryToolkit.h"

namespace vexo {
namespace {

std::u16string Letters(std::size_t length) {
  std::u16string text(length, u'a');
  for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(u'a' + i % 26);
  return text;
}

void ReportWritten(benchmark::State& state, MemoryToolkit& toolkit, std::uint64_t before) {
  state.counters["written/op"] = benchmark::Counter(
      static_cast<double>(toolkit.Field().CharactersWritten() - before) / static_cast<double>(state.iterations()));
}

// Fills the field with n letters at each iteration, the way `fill` does,
// and reports what that wrote.
template <typename Fill>
void FillField(benchmark::State& state, Fill fill) {
  MemoryToolkit toolkit;
  KeyBord keybord(toolkit);
  const std::u16string value = Letters(static_cast<std::size_t>(state.range(0)));
  const std::uint64_t before = toolkit.Field().CharactersWritten();
  for (auto _ : state) fill(keybord, toolkit.Field(), value);
  ReportWritten(state, toolkit, before);
}

// Text let of a long saved text, as a host restores it with its form.
void TextLet(benchmark::State& state) {
  FillField(state, [&](KeyBord& keybord, MemoryRichTextBox&, const std::u16string& value) {
    if (keybord.put_Text(value) != hr::Ok) state.SkipWithError("Text let failed");
  });
}
BENCHMARK(TextLet)->Arg(32766)->Unit(benchmark::kMicrosecond);

// For comparison: the same text inserted one character at a time.
void TextLetOneCharacterAtATime(benchmark::State& state) {
  FillField(state, [&](KeyBord& keybord, MemoryRichTextBox& field, const std::u16string& value) {
    if (field.PutText(u" ") != hr::Ok) state.SkipWithError("clearing failed");
    for (char16_t c : value) {
      std::u16string one(1, c);
      if (KeyBordProbe(keybord).InsertChar(one) != hr::Ok) state.SkipWithError("insertion failed");
    }
  });
}
BENCHMARK(TextLetOneCharacterAtATime)->Arg(32766)->Unit(benchmark::kMillisecond);

// One key typed at the end of a field of n characters. The field's own
// removal of the key (three constant-time operations of the toolkit, not of
// the component) brings it back to n characters for the next key, so that no
// timer has to be paused around a reset.
void InsertAtEnd(benchmark::State& state) {
  MemoryToolkit toolkit;
  KeyBord keybord(toolkit);
  MemoryRichTextBox& field = toolkit.Field();
  const auto length = static_cast<std::int32_t>(state.range(0));
  if (field.PutText(Letters(static_cast<std::size_t>(length)) + u" ") != hr::Ok || field.Select(length, 1) != hr::Ok) {
    state.SkipWithError("setting up the field failed");
  }
  const std::uint64_t written = field.CharactersWritten();
  const std::uint64_t read = field.CharactersRead();
  for (auto _ : state) {
    std::u16string key = u"k";
    if (KeyBordProbe(keybord).InsertChar(key) != hr::Ok) state.SkipWithError("insertion failed");
    if (field.Select(length, 1) != hr::Ok || field.PutSelText(u"") != hr::Ok || field.Select(length, 1) != hr::Ok) {
      state.SkipWithError("removing the key failed");
    }
  }
  const auto perKey = [&](std::uint64_t count) {
    return benchmark::Counter(static_cast<double>(count) / static_cast<double>(state.iterations()));
  };
  state.counters["written/op"] = perKey(field.CharactersWritten() - written);
  state.counters["read/op"] = perKey(field.CharactersRead() - read);
}
BENCHMARK(InsertAtEnd)->Arg(10)->Arg(1000)->Arg(32000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexo
