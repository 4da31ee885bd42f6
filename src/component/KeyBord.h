// SPDX-License-Identifier: MIT
// KeyBord: the on-screen keyboard component.
//
// One class holds all state and all routines; each subsystem folder defines its
// own routines (component/, panels/, editing/, input/). The component reaches
// its widgets only through the toolkit interface and keeps no copy of widget
// state: every step reads the current value back from the widget.
//
// Every public member and notification handler returns a status code. A failing
// inner operation ends the routine at once and its status goes unchanged to the
// caller; nothing done before is undone. No C++ exception leaves the class.
//
// Public are what hosts see through `_KeyBord` and the toolkit's notifications;
// the rest is private. The tests and the headless host read and drive it
// through KeyBordProbe (component/KeyBordProbe.h) alone.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "widgets/PanelFaces.h"
#include "widgets/Widgets.h"

// The platform headers name a macro GetMessage; the component's method of that
// name must keep its name in every translation unit.
#ifdef GetMessage
#undef GetMessage
#endif

namespace vexo {

// The active panel. Holds whatever 32-bit value was last set, also one outside
// the members; the panels' records (panels/PanelRecords.h) say which panel
// each member brings forward.
enum class ActivPanel : std::int32_t { abcAct = 0, NumberAct = 1, ImageAct = 2 };

// 16-bit booleans of the automation platform.
inline constexpr std::int16_t VariantTrue = -1;
inline constexpr std::int16_t VariantFalse = 0;

// Which character DeleteChar removes.
enum class DeleteKey { Backspace, Delete };
// Where HomeEndPos puts the caret.
enum class FieldEnd { Start, End };

class KeyBord final : public WidgetEvents {
 public:
  explicit KeyBord(Widgets& widgets);
  KeyBord(const KeyBord&) = delete;
  KeyBord& operator=(const KeyBord&) = delete;

  // --- Public interface (_KeyBord), in the order of its function table.
  HResult AfterFindImage(std::u16string& ChrStr);
  HResult EnterKey();
  HResult FindABC(std::u16string& ChrStr);
  HResult FindImage(std::int16_t KeyCode, std::int16_t Shift);
  HResult FindImageNumber(std::int16_t KeyCode);
  HResult GetMessage(std::int16_t& KodKey);
  HResult KeyF1ToF6(std::int16_t& CodeKey);
  HResult LeftPos();
  HResult FindNumber(std::u16string& ChrStr);
  HResult RightPos();
  HResult get_CapsLock(std::int16_t& value);
  HResult get_ChangeBord(ActivPanel& value);
  HResult put_ChangeBord(ActivPanel vNewValue);
  HResult put_CapsLock(std::int16_t vNewValue);
  HResult get_Text(std::u16string& value);
  HResult put_Text(std::u16string_view vNewValue);
  HResult get_MaxLength(std::int16_t& value);
  HResult put_MaxLength(std::int16_t vNewValue);

  // --- Notifications from the toolkit, routed to the handlers below.
  HResult OnInitialize() override;
  HResult OnReadProperties(PropertyBag& bag) override;
  HResult OnWriteProperties(PropertyBag& bag) override;
  HResult OnResize() override;
  HResult OnShow() override;
  HResult OnSurfaceGotFocus() override;
  HResult OnClick(KeyArrayId array, std::int16_t index) override;
  HResult OnGotFocus(PanelId panel) override;
  HResult OnLostFocus(PanelId panel) override;
  HResult OnKeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) override;
  HResult OnFieldEdit(FieldEdit edit, std::u16string_view text) override;

 private:
  friend class KeyBordProbe;

  // --- State. All zero on creation; an index always names an existing key of its panel.
  // The marked key of each panel's key array, in KeyArrayId order, each named
  // in its panel's record (AbcKeyIndex of cmdKey, ...).
  std::array<std::int16_t, PanelCount> KeyIndexes{};
  ActivPanel ActiveBord = ActivPanel::abcAct;  // stored ChangeBord
  std::int16_t CapsOn = VariantFalse;          // stored CapsLock
  std::int16_t MaxChars = 0;  // stored MaxLength: 0 is no limit; never negative
  // The marked key's index of the panel that `array` belongs to.
  // An id outside the panels gives the first panel's.
  std::int16_t& KeyIndex(KeyArrayId array) { return KeyIndexes[Slot(array) < PanelCount ? Slot(array) : 0]; }

  // --- Widgets, by their names.
  KeyArray& cmdKey() { return widgets_.Keys(KeyArrayId::cmdKey); }
  KeyArray& cmdNumber() { return widgets_.Keys(KeyArrayId::cmdNumber); }
  KeyArray& cmdShift() { return widgets_.Keys(KeyArrayId::cmdShift); }
  Panel& picABC() { return widgets_.Pane(PanelId::picABC); }
  Panel& picNumber() { return widgets_.Pane(PanelId::picNumber); }
  Panel& picShift() { return widgets_.Pane(PanelId::picShift); }
  RichTextBox& Text1() { return widgets_.Text1(); }
  Surface& UserControl() { return widgets_.UserControl(); }
  Widgets& Toolkit() { return widgets_; }

  // --- Component (component/): the focus of the active panel.
  // Gives the focus to the panel that `ChangeBord` names; any other value gives
  // it to no panel and is no error.
  HResult FocusActivePanel();

  // --- Persistence (component/Persistence.cpp).
  HResult UserControl_ReadProperties(PropertyBag& PropBag);
  HResult UserControl_WriteProperties(PropertyBag& PropBag);

  // --- Panels (panels/): construction and the layout life cycle.
  // Places the panel and lays its keys out as its record says.
  HResult BuildPanel(PanelId panel);
  // Loads and places one row of keys, `FirstIndex` onwards, one per caption,
  // each `KeyStep` after the key before as read back.
  HResult PlaceRow(KeyArrayId array, std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                   std::int32_t KeyStep, std::span<const std::u16string_view> Captions);
  HResult BuildAbcPanel();
  HResult PlaceAbcRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                      std::int32_t KeyStep, std::span<const std::u16string_view> Captions);
  HResult BuildNumberPanel();
  HResult BuildShiftPanel();
  HResult PlaceShiftRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                        std::int32_t KeyStep, std::span<const std::u16string_view> Captions);
  HResult UserControl_Initialize();
  HResult UserControl_Resize();
  HResult UserControl_Show();
  HResult UserControl_GotFocus();

  // --- Editing (editing/): the edit field model and the editing commands.
  HResult InsertChar(std::u16string& S);
  HResult FinishEdit();
  HResult DeleteChar(DeleteKey key);
  HResult HomeEndPos(FieldEnd end);
  // What the user did in the field itself: each edit goes through the model
  // above, under the limit, and ends in FinishEdit.
  HResult Text1_Edit(FieldEdit edit, std::u16string_view text);

  // --- Input (input/): the key mark, lookup, navigation, clicks, focus, key dispatch.
  HResult MarkKey(KeyArray& keys, std::int16_t index);
  HResult UnmarkKey(KeyArray& keys, std::int16_t index);
  // The one way the mark goes to another key of `keys`: unmark the old key,
  // store the new index, mark the new key. A failure stops the move there, and
  // what is done stays done. Inline: every click and lookup takes it.
  HResult MoveMark(KeyArray& keys, std::int16_t& markIndex, std::int16_t index) {
    RETURN_IF_FAILED(UnmarkKey(keys, markIndex));
    markIndex = index;
    return MarkKey(keys, markIndex);
  }
  // Moves the mark of the panel that carries `character` to its key, the
  // active panel first; the focus does not move. No key: nothing changes.
  HResult MarkCarrier(std::u16string_view character);
  // What every panel does, as its record (panels/PanelRecords.h) says; the
  // routines named per panel below are entries into these. Ids outside the
  // panels are refused by the notifications before they get here.
  HResult FindOnPanel(PanelId panel, std::u16string& ChrStr);
  HResult MoveDown(PanelId panel);
  HResult MoveUp(PanelId panel);
  HResult MoveAcross(PanelId panel, std::int16_t& step);
  HResult KeyClick(KeyArrayId array, std::int16_t Index);
  HResult PanelGotFocus(PanelId panel);
  HResult PanelLostFocus(PanelId panel);
  HResult PanelKeyDown(PanelId panel, std::int16_t& KeyCode, std::int16_t& Shift);
  HResult MoveDownABC();
  HResult MoveUpABC();
  HResult MoveAcrossABC(std::int16_t& step);
  HResult MoveDownNumber();
  HResult MoveUpNumber();
  HResult MoveAcrossNumber(std::int16_t& step);
  HResult MoveDownImage();
  HResult MoveUpImage();
  HResult MoveAcrossImage(std::int16_t& step);
  HResult cmdKey_Click(std::int16_t Index);
  HResult cmdNumber_Click(std::int16_t Index);
  HResult cmdShift_Click(std::int16_t Index);
  HResult picABC_GotFocus();
  HResult picNumber_GotFocus();
  HResult picShift_GotFocus();
  HResult picABC_LostFocus();
  HResult picNumber_LostFocus();
  HResult picShift_LostFocus();
  HResult picABC_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift);
  HResult picNumber_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift);
  HResult picShift_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift);

  // The stateless steps of some subsystems, each defined in its own .cpp:
  // nested, so they reach the routines above while these stay private.
  struct ClickSteps;
  struct InsertionSteps;
  struct LookupSteps;
  struct NavigationSteps;
  struct DispatchSteps;
  struct FieldInputSteps;

  Widgets& widgets_;
};

}  // namespace vexo
