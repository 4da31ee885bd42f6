// SPDX-License-Identifier: MIT
// The keys that produce no character: editing and function keys, Enter on the
// marked key, and F7 forwarded to the host.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "component/KeyBord.h"
#include "editing/Field.h"
#include "panels/PanelRecords.h"
#include "widgets/VirtualKeys.h"

namespace vexo {

namespace {

enum class KeyCommand {
  Backspace,
  Delete,
  Home,
  End,
  ToggleCapsLock,
  CaretLeft,
  CaretRight,
};

struct KeyBinding {
  std::int16_t keyCode;  // virtual-key code
  KeyCommand command;
};

// The keys that bring a panel forward are the panels' own (panels/PanelRecords.h).
constexpr std::array<KeyBinding, 12> KeyBindings{{
    {vk::Backspace, KeyCommand::Backspace},
    {vk::Delete, KeyCommand::Delete},
    {vk::Home, KeyCommand::Home},
    {vk::End, KeyCommand::End},
    {vk::CapsLock, KeyCommand::ToggleCapsLock},
    {vk::F1, KeyCommand::ToggleCapsLock},
    {vk::F5, KeyCommand::CaretLeft},
    {vk::Up, KeyCommand::CaretLeft},
    {vk::PageUp, KeyCommand::CaretLeft},
    {vk::F6, KeyCommand::CaretRight},
    {vk::Down, KeyCommand::CaretRight},
    {vk::PageDown, KeyCommand::CaretRight},
}};

constexpr std::int16_t F7KeyCode = vk::F7;

}  // namespace

HResult KeyBord::KeyF1ToF6(std::int16_t& CodeKey) {
  for (const panels::PanelRecord& record : panels::PanelRecords) {
    if (record.functionKey == CodeKey) {
      return put_ChangeBord(record.active);
    }
  }
  const auto binding = std::ranges::find(KeyBindings, CodeKey, &KeyBinding::keyCode);
  if (binding == KeyBindings.end()) {
    return hr::Ok;  // not a key of ours
  }
  switch (binding->command) {
    case KeyCommand::Backspace:
    case KeyCommand::Delete: {
      std::int32_t length = 0;
      RETURN_IF_FAILED(Text1().GetTextLength(length));
      if (length == 0) {
        return hr::Ok;
      }
      return DeleteChar(binding->command == KeyCommand::Delete ? DeleteKey::Delete
                                                               : DeleteKey::Backspace);
    }
    case KeyCommand::Home:
      return HomeEndPos(FieldEnd::Start);
    case KeyCommand::End:
      return HomeEndPos(FieldEnd::End);
    case KeyCommand::ToggleCapsLock: {
      std::int16_t caps = VariantFalse;
      RETURN_IF_FAILED(get_CapsLock(caps));
      return put_CapsLock(static_cast<std::int16_t>(~caps));
    }
    case KeyCommand::CaretLeft:
      return LeftPos();
    case KeyCommand::CaretRight:
      return RightPos();
  }
  return hr::Ok;
}

HResult KeyBord::EnterKey() {
  ActivPanel active = ActivPanel::abcAct;
  RETURN_IF_FAILED(get_ChangeBord(active));

  // The caption of the active panel's marked key; with no panel active the
  // string stays empty and inserts a space.
  std::u16string caption;
  if (const panels::PanelRecord* record = panels::RecordOf(active)) {
    RETURN_IF_FAILED(Toolkit().Keys(record->Keys()).GetCaption(KeyIndex(record->Keys()), caption));
  }
  RETURN_IF_FAILED(FocusActivePanel());

  std::int16_t limit = 0;
  RETURN_IF_FAILED(get_MaxLength(limit));
  if (limit != 0) {
    // Text plus trailing space no longer than the limit: there is room for
    // one more character. A full field stays silent here, but the host still
    // hears of the key it refused.
    std::int32_t length = 0;
    RETURN_IF_FAILED(Text1().GetTextLength(length));
    if (std::int64_t{length} > std::int64_t{limit}) {
      Toolkit().KeyTyped(editing::TypedKeyText(caption), false);
      return hr::Ok;
    }
  }
  return InsertChar(caption);
}

HResult KeyBord::GetMessage(std::int16_t& KodKey) {
  if (KodKey != F7KeyCode) {
    return hr::Ok;
  }
  Toolkit().RaiseHostCommand(HostCommand::F7);
  return hr::Ok;
}

}  // namespace vexo
