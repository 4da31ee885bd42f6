// SPDX-License-Identifier: MIT
// The control in a form designer: a container whose ambient UserMode is False.
// The site here is the container's own, with an answer to the ambient
// properties put in front of it.
#include "Container.h"

#include <richedit.h>

#include <functional>
#include <memory>
#include <utility>

namespace vexo::container {
namespace {

// The container's client site, which answers the ambient UserMode as told;
// every other interface is the container's own.
class AmbientSite final : public harness::ForwardingSite<IDispatch> {
 public:
  explicit AmbientSite(ComPtr<IOleClientSite> inner) : ForwardingSite(std::move(inner)) { VariantInit(&userMode); }
  ~AmbientSite() { VariantClear(&userMode); }

  // --- IDispatch: the ambient properties.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    ++asked;
    if (member != DISPID_AMBIENT_USERMODE || FAILED(status)) return FAILED(status) ? status : DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    if (!giveAnswer) return S_OK;  // succeeds and leaves the result as it was
    // A type no copy accepts goes over as it is, as a careless site does.
    if (VariantCopy(result, &userMode) != S_OK) *result = userMode;
    return S_OK;
  }

  VARIANT userMode;
  bool giveAnswer = true;
  HRESULT status = S_OK;
  int asked = 0;
};

class InDesigner : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(hosted.keybord, nullptr);
    ASSERT_EQ(hosted.control.As(&object), S_OK);
    ASSERT_EQ(hosted.control.As(&control), S_OK);
    ASSERT_EQ(object->GetClientSite(&containerSite), S_OK);
    site = std::make_unique<AmbientSite>(containerSite);
  }
  void TearDown() override {
    if (object && containerSite) {
      EXPECT_EQ(object->SetClientSite(containerSite.Get()), S_OK);
    }
    if (!site) return;
    VariantClear(&site->userMode);  // which may hold the site itself
    EXPECT_EQ(site->references, 1) << "the control gave the site back";
  }

  void Answer(VARTYPE type, const std::function<void(VARIANT&)>& fill) {
    VariantClear(&site->userMode);
    site->userMode.vt = type;
    fill(site->userMode);
  }
  void AnswerUserMode(bool userMode) {
    Answer(VT_BOOL, [&](VARIANT& v) { v.boolVal = userMode ? VARIANT_TRUE : VARIANT_FALSE; });
  }

  // Whether a key the letter panel receives types: the letter's window
  // procedure, reached directly, as a panel in a running form always types.
  bool KeyTypes() {
    EXPECT_EQ(hosted.keybord->put_Text(nullptr), S_OK);
    SendMessageW(hosted.panels[Letters], WM_KEYDOWN, 'W', 0x00110001);
    const bool typed = hosted.Text() == L"W";
    EXPECT_EQ(hosted.keybord->put_Text(nullptr), S_OK);
    return typed;
  }

  POINT PointInField() const {
    RECT field{};
    GetWindowRect(hosted.field, &field);
    return {(field.left + field.right) / 2, (field.top + field.bottom) / 2};
  }

  Hosted hosted;
  ComPtr<IOleObject> object;
  ComPtr<IOleControl> control;
  ComPtr<IOleClientSite> containerSite;
  std::unique_ptr<AmbientSite> site;
};

// A designer, then the running form, then a designer again: the user's clicks
// and keys type only while the form runs, and the keyboard stays with the
// designer; the host's calls work throughout.
TEST_F(InDesigner, ClicksAndKeysTypeOnlyWhileTheFormRuns) {
  ASSERT_EQ(hosted.FocusedPanel(), Letters);
  AnswerUserMode(false);
  ASSERT_EQ(object->SetClientSite(site.get()), S_OK);
  EXPECT_GE(site->asked, 1) << "the ambients are read when the site is set";
  WaitFor("the focus gone from the panels", [&] { return hosted.FocusedPanel() == -1; });
  EXPECT_EQ(hosted.FocusedPanel(), -1);

  ClickAt(hosted.KeyCentre(Letters, 2));
  Press('A');
  ClickAt(hosted.KeyCentre(Numbers, 4));
  ClickAt(PointInField());
  Press('B');
  EXPECT_EQ(hosted.Text(), L"") << "nothing typed in the designer";
  EXPECT_EQ(hosted.FocusedPanel(), -1) << "no panel took the focus";
  EXPECT_NE(GetFocus(), hosted.field);
  EXPECT_TRUE(SendMessageW(hosted.field, EM_GETOPTIONS, 0, 0) & ECO_READONLY) << "the field takes no typing";
  EXPECT_EQ(hosted.keybord->put_ChangeBord(NumberAct), S_OK) << "the designer's property grid sets the panel";
  EXPECT_EQ(hosted.FocusedPanel(), -1);
  BSTR written = SysAllocString(L"set");
  EXPECT_EQ(hosted.keybord->put_Text(written), S_OK);
  SysFreeString(written);
  EXPECT_EQ(hosted.Text(), L"set") << "the host's writes still reach the field";
  EXPECT_TRUE(IsWindowVisible(hosted.surface)) << "the control still shows itself";
  EXPECT_EQ(hosted.keybord->put_Text(nullptr), S_OK);

  // The form runs: as it always did.
  AnswerUserMode(true);
  EXPECT_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE), S_OK);
  EXPECT_FALSE(SendMessageW(hosted.field, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
  ClickAt(hosted.KeyCentre(Numbers, 4));
  EXPECT_EQ(hosted.Text(), L"5");
  WaitFor("the number panel focused by the click", [&] { return hosted.FocusedPanel() == Numbers; });
  Press(VK_F2);
  Press('A');
  EXPECT_EQ(hosted.Text(), L"5A");

  // Another ambient changed: UserMode is not read again.
  AnswerUserMode(false);
  EXPECT_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR), S_OK);
  Press('B');
  EXPECT_EQ(hosted.Text(), L"5AB");
  // Any ambient may have changed: UserMode is read again.
  EXPECT_EQ(control->OnAmbientPropertyChange(DISPID_UNKNOWN), S_OK);
  WaitFor("the focus gone from the panels", [&] { return hosted.FocusedPanel() == -1; });
  ClickAt(hosted.KeyCentre(Letters, 0));
  Press('C');
  EXPECT_EQ(hosted.Text(), L"5AB");
}

// What the site answers for UserMode, of every type and none: a designer
// only where the answer converts to False.
struct Ambient {
  const char* name;
  std::function<void(AmbientSite&, VARIANT&)> answer;
  bool userMode;
};

VARIANT_BOOL falseByReference = VARIANT_FALSE;

const Ambient ambients[] = {
    {"BoolFalse", [](AmbientSite&, VARIANT& v) { v.vt = VT_BOOL, v.boolVal = VARIANT_FALSE; }, false},
    {"BoolTrue", [](AmbientSite&, VARIANT& v) { v.vt = VT_BOOL, v.boolVal = VARIANT_TRUE; }, true},
    {"BoolByReferenceFalse", [](AmbientSite&, VARIANT& v) { v.vt = VT_BOOL | VT_BYREF, v.pboolVal = &falseByReference; },
     false},
    {"ShortZero", [](AmbientSite&, VARIANT& v) { v.vt = VT_I2, v.iVal = 0; }, false},
    {"LongFive", [](AmbientSite&, VARIANT& v) { v.vt = VT_I4, v.lVal = 5; }, true},
    {"ByteZero", [](AmbientSite&, VARIANT& v) { v.vt = VT_UI1, v.bVal = 0; }, false},
    {"Int64Zero", [](AmbientSite&, VARIANT& v) { v.vt = VT_I8, v.llVal = 0; }, false},
    {"UnsignedOne", [](AmbientSite&, VARIANT& v) { v.vt = VT_UINT, v.uintVal = 1; }, true},
    {"DoubleZero", [](AmbientSite&, VARIANT& v) { v.vt = VT_R8, v.dblVal = 0.0; }, false},
    {"FloatHalf", [](AmbientSite&, VARIANT& v) { v.vt = VT_R4, v.fltVal = 0.5f; }, true},
    {"CurrencyZero", [](AmbientSite&, VARIANT& v) { v.vt = VT_CY, v.cyVal.int64 = 0; }, false},
    {"DateZero", [](AmbientSite&, VARIANT& v) { v.vt = VT_DATE, v.date = 0; }, false},
    {"DecimalZero", [](AmbientSite&, VARIANT& v) { VarDecFromI4(0, &v.decVal), v.vt = VT_DECIMAL; }, false},
    {"StringFalse", [](AmbientSite&, VARIANT& v) { v.vt = VT_BSTR, v.bstrVal = SysAllocString(L"False"); }, false},
    {"StringZero", [](AmbientSite&, VARIANT& v) { v.vt = VT_BSTR, v.bstrVal = SysAllocString(L"0"); }, false},
    {"StringTrue", [](AmbientSite&, VARIANT& v) { v.vt = VT_BSTR, v.bstrVal = SysAllocString(L"True"); }, true},
    {"StringOfNoTruth", [](AmbientSite&, VARIANT& v) { v.vt = VT_BSTR, v.bstrVal = SysAllocString(L"design"); },
     true},
    {"NullString", [](AmbientSite&, VARIANT& v) { v.vt = VT_BSTR, v.bstrVal = nullptr; }, true},
    {"Empty", [](AmbientSite&, VARIANT& v) { v.vt = VT_EMPTY; }, true},
    {"Null", [](AmbientSite&, VARIANT& v) { v.vt = VT_NULL; }, true},
    {"Error", [](AmbientSite&, VARIANT& v) { v.vt = VT_ERROR, v.scode = 0; }, true},
    {"NullObject", [](AmbientSite&, VARIANT& v) { v.vt = VT_DISPATCH, v.pdispVal = nullptr; }, true},
    {"Object", [](AmbientSite& s, VARIANT& v) {
       s.AddRef();
       v.vt = VT_UNKNOWN, v.punkVal = static_cast<IOleClientSite*>(&s);
     }, true},
    {"ArrayOfFalse", [](AmbientSite&, VARIANT& v) {
       v.parray = SafeArrayCreateVector(VT_BOOL, 0, 1);
       v.vt = VT_ARRAY | VT_BOOL;
     }, true},
    {"NoSuchType", [](AmbientSite&, VARIANT& v) { v.vt = 0x7F, v.lVal = 0; }, true},
    {"NoAnswerGiven", [](AmbientSite& s, VARIANT& v) { v.vt = VT_BOOL, v.boolVal = VARIANT_FALSE, s.giveAnswer = false; },
     true},
    {"InvokeFails", [](AmbientSite& s, VARIANT& v) {
       v.vt = VT_BOOL, v.boolVal = VARIANT_FALSE, s.status = DISP_E_MEMBERNOTFOUND;
     }, true},
    {"NoAmbientsAtAll", [](AmbientSite& s, VARIANT& v) {
       v.vt = VT_BOOL, v.boolVal = VARIANT_FALSE, s.answersOwn = false;
     }, true},
};

TEST_F(InDesigner, ADesignerOnlyWhereUserModeConvertsToFalse) {
  for (const Ambient& row : ambients) {
    SCOPED_TRACE(row.name);
    // From the other mode, so that what the row shows is what its answer did.
    site->answersOwn = true;
    site->giveAnswer = true;
    site->status = S_OK;
    AnswerUserMode(!row.userMode);
    ASSERT_EQ(object->SetClientSite(site.get()), S_OK);
    ASSERT_EQ(KeyTypes(), !row.userMode) << "the mode before the row";
    VariantClear(&site->userMode);
    row.answer(*site, site->userMode);
    EXPECT_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE), S_OK);
    EXPECT_EQ(KeyTypes(), row.userMode) << "after the change of the ambient";
    EXPECT_EQ(object->SetClientSite(site.get()), S_OK);
    EXPECT_EQ(KeyTypes(), row.userMode) << "when the site is set again";
  }
}

}  // namespace
}  // namespace vexo::container
