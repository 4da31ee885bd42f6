// SPDX-License-Identifier: MIT
// What assistive technology sees of the control in its container: each
// panel's accessible object and its keys, read as a screen reader reads them,
// the events a magnifier follows, and an object held past the control's end.
#include "Container.h"

#include <oleacc.h>

#include <algorithm>
#include <cwctype>
#include <tuple>

namespace vexo::container {
namespace {

// The captions as the keys show them with CapsLock on, key by key; the space
// bar shows none.
const std::vector<std::wstring>& Captions(Panel panel) {
  static const std::vector<std::wstring> captions[] = {
      {L"Q", L"W", L"E", L"R", L"T", L"Y", L"U", L"I", L"O", L"P", L"A", L"S", L"D", L"F",
       L"G", L"H", L"J", L"K", L"L", L"Z", L"X", L"C", L"V", L"B", L"N", L"M", L""},
      {L"7", L"8", L"9", L"4", L"5", L"6", L"1", L"2", L"3", L"0", L".", L"-"},
      {L"~", L"!", L"@", L"#", L"$", L"%", L"^", L"&", L"*",  L"(", L")", L"-", L"_", L"=", L"+", L"\\",
       L"|", L"[", L"]", L"{", L"}", L";", L":", L"'", L"\"", L",", L"<", L".", L">", L"/", L"?", L"`"},
  };
  return captions[panel];
}

// What a screen reader hears for a key: its caption, or "Space" for the bar.
std::wstring Spoken(const std::wstring& caption) { return caption.empty() ? L"Space" : caption; }

VARIANT Child(LONG id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

// Whether the system's accessibility runtime hands out objects at all: the
// 64-bit Wine these tests run under answers none, not even a plain window's
// standard object, so there the tests below cannot look and are skipped.
bool RuntimeAnswers() {
  static const bool answers = [] {
    const HWND plain = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ComPtr<IAccessible> object;
    const HRESULT status = AccessibleObjectFromWindow(plain, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                      reinterpret_cast<void**>(object.GetAddressOf()));
    object.Reset();
    DestroyWindow(plain);
    return SUCCEEDED(status);
  }();
  return answers;
}

#define SKIP_WITHOUT_ACCESSIBILITY_RUNTIME() \
  if (!RuntimeAnswers()) GTEST_SKIP() << "the platform's accessibility runtime answers no object here"

ComPtr<IAccessible> ObjectOf(HWND window) {
  ComPtr<IAccessible> object;
  EXPECT_EQ(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                       reinterpret_cast<void**>(object.GetAddressOf())),
            S_OK);
  return object;
}

std::wstring NameOf(IAccessible* object, LONG child) {
  BSTR name = nullptr;
  const HRESULT status = object->get_accName(Child(child), &name);
  std::wstring result = status == S_OK && name ? std::wstring(name, SysStringLen(name)) : L"<failed>";
  SysFreeString(name);
  return result;
}

LONG Numeric(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*member)(VARIANT, VARIANT*), LONG child) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ((object->*member)(Child(child), &value), S_OK);
  return value.vt == VT_I4 ? value.lVal : -1;
}

Box LocationOf(IAccessible* object, LONG child) {
  LONG left = 0, top = 0, width = 0, height = 0;
  EXPECT_EQ(object->accLocation(&left, &top, &width, &height, Child(child)), S_OK);
  return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
          static_cast<int>(top + height)};
}

// The events of one kind that the control raised, as a hook in this thread
// receives them out of context.
struct Event {
  DWORD event;
  HWND window;
  LONG object, child;
  friend bool operator==(const Event&, const Event&) = default;
};
std::vector<Event>& Heard() {
  static std::vector<Event> events;
  return events;
}
void CALLBACK Listen(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  Heard().push_back({event, window, object, child});
}

class Accessible : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(hosted.panels[Symbols], nullptr);
    hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, Listen, GetCurrentProcessId(), 0,
                           WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    Heard().clear();
  }
  void TearDown() override { UnhookWinEvent(hook); }

  // Waits for an event of the control on a panel's key.
  bool HeardOf(DWORD event, Panel panel, int key) {
    const Event expected{event, hosted.panels[panel], OBJID_CLIENT, key + 1};
    return WaitFor("event " + std::to_string(event) + " for key " + std::to_string(key) + " of panel " +
                       std::to_string(panel),
                   [&] { return std::find(Heard().begin(), Heard().end(), expected) != Heard().end(); });
  }

  Hosted hosted;
  HWINEVENTHOOK hook = nullptr;
};

class Tree : public Accessible, public ::testing::WithParamInterface<std::tuple<Panel, const wchar_t*, int>> {};

TEST_P(Tree, EveryKeyIsAPushButtonNamedByItsCaptionWhereItIsDrawn) {
  SKIP_WITHOUT_ACCESSIBILITY_RUNTIME();
  const auto [panel, name, pressed] = GetParam();
  ComPtr<IAccessible> object = ObjectOf(hosted.panels[panel]);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(NameOf(object.Get(), CHILDID_SELF), name);
  EXPECT_EQ(Numeric(object.Get(), &IAccessible::get_accRole, CHILDID_SELF), ROLE_SYSTEM_GROUPING);
  LONG count = -1;
  ASSERT_EQ(object->get_accChildCount(&count), S_OK);
  ASSERT_EQ(count, static_cast<LONG>(Captions(panel).size()));
  for (LONG key = 0; key < count; ++key) {
    SCOPED_TRACE(key);
    const LONG id = key + 1;
    EXPECT_EQ(NameOf(object.Get(), id), Spoken(Captions(panel)[key]));
    EXPECT_EQ(Numeric(object.Get(), &IAccessible::get_accRole, id), ROLE_SYSTEM_PUSHBUTTON);
    const Box box = hosted.KeyBox(panel, key);
    RECT drawn{box.left, box.top, box.right, box.bottom};
    MapWindowPoints(hosted.panels[panel], nullptr, reinterpret_cast<POINT*>(&drawn), 2);
    EXPECT_EQ(LocationOf(object.Get(), id), (Box{static_cast<int>(drawn.left), static_cast<int>(drawn.top),
                                            static_cast<int>(drawn.right), static_cast<int>(drawn.bottom)}));
    VARIANT hit;
    VariantInit(&hit);
    const POINT centre = hosted.KeyCentre(panel, key);
    ASSERT_EQ(object->accHitTest(centre.x, centre.y, &hit), S_OK);
    EXPECT_EQ(NameOf(object.Get(), hit.lVal), Spoken(Captions(panel)[key])) << "the key under its centre";
  }
  // Pressed as a switch user presses it: typed, marked and focused as a click does.
  ASSERT_EQ(object->accDoDefaultAction(Child(pressed + 1)), S_OK);
  EXPECT_EQ(hosted.Text(), Captions(panel)[pressed]);
  EXPECT_EQ(hosted.FocusedPanel(), panel);
  EXPECT_TRUE(HeardOf(EVENT_OBJECT_FOCUS, panel, pressed));
  VARIANT focus;
  VariantInit(&focus);
  ASSERT_EQ(object->get_accFocus(&focus), S_OK);
  EXPECT_EQ(focus.lVal, pressed + 1);
  EXPECT_EQ(Numeric(object.Get(), &IAccessible::get_accState, pressed + 1), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
  EXPECT_EQ(Numeric(object.Get(), &IAccessible::get_accState, pressed == 0 ? 2 : 1), STATE_SYSTEM_FOCUSABLE);
  EXPECT_EQ(object->accDoDefaultAction(Child(count + 1)), E_INVALIDARG);
}

INSTANTIATE_TEST_SUITE_P(AccessibleKeys, Tree,
                         ::testing::Values(std::make_tuple(Letters, L"Letters", 2),
                                           std::make_tuple(Numbers, L"Numbers", 4),
                                           std::make_tuple(Symbols, L"Symbols", 2)),
                         [](const auto& info) { return std::string(1, "LNS"[std::get<0>(info.param)]); });

TEST_F(Accessible, TheMarkAndTheCaptionsAreAnnouncedAsTheyChange) {
  SKIP_WITHOUT_ACCESSIBILITY_RUNTIME();
  Press(VK_RIGHT);
  EXPECT_TRUE(HeardOf(EVENT_OBJECT_FOCUS, Letters, 1));
  Press(VK_DOWN);
  EXPECT_TRUE(HeardOf(EVENT_OBJECT_FOCUS, Letters, 11));
  EXPECT_TRUE(HeardOf(EVENT_OBJECT_STATECHANGE, Letters, 1)) << "the key the mark left";
  Press(VK_F3);
  EXPECT_TRUE(HeardOf(EVENT_OBJECT_FOCUS, Numbers, 0));
  EXPECT_TRUE(HeardOf(EVENT_OBJECT_STATECHANGE, Letters, 11));

  ComPtr<IAccessible> letters = ObjectOf(hosted.panels[Letters]);
  ASSERT_NE(letters, nullptr);
  ASSERT_EQ(hosted.keybord->put_CapsLock(VARIANT_FALSE), S_OK);
  for (int key = 0; key < 26; ++key) {
    SCOPED_TRACE(key);
    EXPECT_TRUE(HeardOf(EVENT_OBJECT_NAMECHANGE, Letters, key));
    std::wstring lower = Captions(Letters)[key];
    lower[0] = static_cast<wchar_t>(towlower(lower[0]));
    EXPECT_EQ(NameOf(letters.Get(), key + 1), lower);
  }
  ASSERT_EQ(hosted.keybord->put_CapsLock(VARIANT_TRUE), S_OK);
  EXPECT_TRUE(HeardOf(EVENT_OBJECT_NAMECHANGE, Letters, 25));
  EXPECT_EQ(NameOf(letters.Get(), 26), L"M");
}

// A form designer that activates the control in one call: while it designs
// the form, the panels and their keys take no input and say so.
TEST_F(Accessible, PanelsAndKeysAreUnavailableInADesigner) {
  SKIP_WITHOUT_ACCESSIBILITY_RUNTIME();
  ComPtr<IQuickActivate> quick;
  ComPtr<IOleObject> object;
  ASSERT_EQ(hosted.control.As(&quick), S_OK);
  ASSERT_EQ(hosted.control.As(&object), S_OK);
  ComPtr<IOleClientSite> site;
  ASSERT_EQ(object->GetClientSite(&site), S_OK);
  QACONTAINER container{};
  container.cbSize = sizeof container;
  container.pClientSite = site.Get();
  QACONTROL control{};
  control.cbSize = sizeof control;
  ComPtr<IAccessible> letters = ObjectOf(hosted.panels[Letters]);
  ASSERT_NE(letters, nullptr);
  for (const bool design : {true, false}) {
    SCOPED_TRACE(design ? "designed" : "running");
    Heard().clear();
    container.dwAmbientFlags = design ? 0 : QACONTAINER_USERMODE;
    ASSERT_EQ(quick->QuickActivate(&container, &control), S_OK);
    EXPECT_TRUE(HeardOf(EVENT_OBJECT_STATECHANGE, Letters, -1)) << "the panel's state changed";
    const LONG unavailable = design ? STATE_SYSTEM_UNAVAILABLE : 0;
    EXPECT_EQ(Numeric(letters.Get(), &IAccessible::get_accState, CHILDID_SELF) & STATE_SYSTEM_UNAVAILABLE,
              unavailable);
    EXPECT_EQ(Numeric(letters.Get(), &IAccessible::get_accState, 3) & STATE_SYSTEM_UNAVAILABLE, unavailable);
    EXPECT_EQ(letters->accDoDefaultAction(Child(3)), design ? E_FAIL : S_OK);
  }
  EXPECT_EQ(hosted.Text(), L"E") << "pressed once the form runs";
}

TEST_F(Accessible, NavigationGoesAlongTheKeysAndAcrossTheRows) {
  SKIP_WITHOUT_ACCESSIBILITY_RUNTIME();
  ComPtr<IAccessible> letters = ObjectOf(hosted.panels[Letters]);
  ASSERT_NE(letters, nullptr);
  const struct {
    LONG direction, from, to;  // child identifiers; 0 is the panel, -1 nothing
  } steps[] = {
      {NAVDIR_FIRSTCHILD, CHILDID_SELF, 1}, {NAVDIR_LASTCHILD, CHILDID_SELF, 27}, {NAVDIR_NEXT, 1, 2},
      {NAVDIR_PREVIOUS, 1, -1},            {NAVDIR_RIGHT, 1, 2},                 {NAVDIR_DOWN, 1, 11},
      {NAVDIR_UP, 11, 1},                  {NAVDIR_LEFT, 11, -1},                {NAVDIR_DOWN, 24, 27},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::to_string(step.direction) + " from " + std::to_string(step.from));
    VARIANT end;
    VariantInit(&end);
    const HRESULT status = letters->accNavigate(step.direction, Child(step.from), &end);
    EXPECT_EQ(status, step.to < 0 ? S_FALSE : S_OK);
    EXPECT_EQ(end.vt == VT_I4 ? end.lVal : -1, step.to);
  }
}

TEST(AccessibleLifetime, AnObjectHeldPastTheControlFailsCleanly) {
  SKIP_WITHOUT_ACCESSIBILITY_RUNTIME();
  ComPtr<IAccessible> stale;
  {
    Hosted hosted;
    stale = ObjectOf(hosted.panels[Numbers]);
    ASSERT_NE(stale, nullptr);
  }
  LONG count = 0xdead;
  EXPECT_EQ(stale->get_accChildCount(&count), RPC_E_DISCONNECTED);
  EXPECT_EQ(count, 0);
  BSTR name = nullptr;
  EXPECT_EQ(stale->get_accName(Child(1), &name), RPC_E_DISCONNECTED);
  EXPECT_EQ(name, nullptr);
  LONG left, top, width, height;
  EXPECT_EQ(stale->accLocation(&left, &top, &width, &height, Child(1)), RPC_E_DISCONNECTED);
  VARIANT hit;
  VariantInit(&hit);
  EXPECT_EQ(stale->accHitTest(100, 100, &hit), RPC_E_DISCONNECTED);
  EXPECT_EQ(hit.vt, VT_EMPTY);
  EXPECT_EQ(stale->accDoDefaultAction(Child(1)), RPC_E_DISCONNECTED);
  ComPtr<IDispatch> parent;
  EXPECT_EQ(stale->get_accParent(&parent), RPC_E_DISCONNECTED);
  EXPECT_EQ(stale->get_accParent(nullptr), E_POINTER);

  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto canUnloadNow = reinterpret_cast<Entry>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"VexoKeyBord.ocx"), "DllCanUnloadNow")));
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the library stays while a client holds its object";
  stale.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST(AccessibleSurface, TheControlsClientListsTheFieldAndThePanels) {
  SKIP_WITHOUT_ACCESSIBILITY_RUNTIME();
  Hosted hosted;
  ComPtr<IAccessible> surface = ObjectOf(hosted.surface);
  ASSERT_NE(surface, nullptr);
  LONG count = -1;
  ASSERT_EQ(surface->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 4);
}

}  // namespace
}  // namespace vexo::container
