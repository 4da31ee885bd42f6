// SPDX-License-Identifier: MIT
// The property page. It reads and writes the control only through the
// control's dispatch interface, as a form designer's own grid would: a value
// the page applies goes through the control's conversions and checks, marks
// it dirty and reaches its property sinks like any other change, and a value
// the control refuses is shown with the control's own description.
#include "hosting/PropertyPage.h"

#include "hosting/Com.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cwchar>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "component/PropertyTable.h"
#include "widgets/Status.h"

namespace vexo::hosting {

namespace {

// The page's field of each saved property, found by the property's type,
// which no other saved property shares. A choice is a run of radio buttons,
// one per value from 0 on; an entry is an edit box that holds the value as
// text, which the control converts as it converts a script's.
enum class FieldKind { Choice, Entry };
struct Field {
  VarType type;  // of the property it shows
  int control;   // the edit box, or the first radio button of a choice
  int choices;
  FieldKind kind;
};
constexpr Field Fields[] = {
    {VarType::I4, VEXO_PAGE_LETTERS, 3, FieldKind::Choice},  // the ActivPanel values
    {VarType::I2, VEXO_PAGE_LIMIT, 1, FieldKind::Entry},
    {VarType::BSTR, VEXO_PAGE_TEXT, 1, FieldKind::Entry},
};

constexpr const Field& FieldOf(const Property& property) {
  return *std::ranges::find(Fields, property.type, &Field::type);
}

consteval bool OneFieldEach() {
  const auto saved = std::span(property_access::Rows).first<SavedPropertyCount>();
  return std::ranges::all_of(saved, [](const Property& property) {
           return std::ranges::count(Fields, property.type, &Field::type) == 1;
         }) &&
         std::ranges::all_of(Fields, [&](const Field& field) {
           return std::ranges::count(saved, field.type, &Property::type) == 1;
         });
}
static_assert(OneFieldEach(), "each saved property has its field, told apart by its type");

// Puts `value` into the property `id` of `control`; a failure the member
// reports comes back as its own status.
HResult PutProperty(IDispatch& control, DISPID id, VARIANT& value) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &put, 1, 1};
  EXCEPINFO exception{};
  HRESULT status = control.Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, &exception, nullptr);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  if (status == DISP_E_EXCEPTION) status = exception.scode;
  return status;
}

// The limit, which a text is put without.
constexpr const Property& Limit = *std::ranges::find(property_access::Rows, Loading::LimitOrBefore, &Property::loading);

// Puts a text as a load puts it, so that all of it is kept: the control's
// limit is lifted for the put and put back after it, since a limit governs
// only what is typed next. A limit typed in the page goes in after the text.
HResult PutWithoutLimit(IDispatch& control, DISPID id, VARIANT& text) {
  VARIANT limit;
  VariantInit(&limit);
  DISPPARAMS none{};
  RETURN_IF_FAILED(
      control.Invoke(Limit.dispatchId, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &limit, nullptr, nullptr));
  VARIANT lifted;
  VariantInit(&lifted);
  const HResult converted = VariantChangeType(&lifted, &limit, 0, VT_I2);
  VariantClear(&limit);
  RETURN_IF_FAILED(converted);
  const SHORT before = V_I2(&lifted);
  if (before == 0) return PutProperty(control, id, text);
  V_I2(&lifted) = 0;
  RETURN_IF_FAILED(PutProperty(control, Limit.dispatchId, lifted));
  const HResult status = PutProperty(control, id, text);
  V_I2(&lifted) = before;
  const HResult restored = PutProperty(control, Limit.dispatchId, lifted);
  return Failed(status) ? status : restored;
}

LPOLESTR TaskCopy(const wchar_t* text) {
  const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy) std::memcpy(copy, text, bytes);
  return copy;
}

class PropertyPage final : public SingleInterface<PropertyPage, IPropertyPage, IID_IPropertyPage> {
 public:
  PropertyPage() { ObjectCreated(); }
  ~PropertyPage() {
    if (window_) DestroyWindow(window_);
    ObjectDestroyed();
  }
  PropertyPage(const PropertyPage&) = delete;
  PropertyPage& operator=(const PropertyPage&) = delete;

  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (site && site_) return E_UNEXPECTED;
    site_ = site;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!rect) return E_POINTER;
    if (window_) return E_UNEXPECTED;
    HWND window = CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(VEXO_PAGE_DIALOG), parent, Procedure,
                                     reinterpret_cast<LPARAM>(this));
    if (!window) return HRESULT_FROM_WIN32(GetLastError());
    window_ = window;
    SendDlgItemMessageW(window_, VEXO_PAGE_TEXT, EM_SETLIMITTEXT, 0, 0);  // as long as the control takes
    MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    ShowValues();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Deactivate() override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!window_) return E_UNEXPECTED;
    DestroyWindow(std::exchange(window_, nullptr));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!info) return E_POINTER;
    *info = PROPPAGEINFO{};
    info->cb = sizeof *info;
    // The dialog's size in pixels is what its template comes to with the
    // dialog font at this screen's density: made once, hidden, to be measured.
    HWND measured = CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(VEXO_PAGE_DIALOG), GetDesktopWindow(),
                                       Procedure, 0);
    if (!measured) return HRESULT_FROM_WIN32(GetLastError());
    RECT rect{};
    GetWindowRect(measured, &rect);
    DestroyWindow(measured);
    info->size = {rect.right - rect.left, rect.bottom - rect.top};
    info->pszTitle = TaskCopy(ShortName);
    return info->pszTitle ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (count > 0 && !objects) return E_POINTER;
    std::vector<ComPtr<IDispatch>> controls;
    for (ULONG i = 0; i < count; ++i) {
      ComPtr<_KeyBord> control;
      if (!objects[i] || FAILED(QueryFor(objects[i], IID__KeyBord, control))) return E_NOINTERFACE;
      controls.emplace_back(control.Get());
    }
    controls_ = std::move(controls);
    if (window_) ShowValues();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Show(UINT command) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!window_) return E_UNEXPECTED;
    ShowWindow(window_, static_cast<int>(command));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!rect) return E_POINTER;
    if (!window_) return E_UNEXPECTED;
    MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsPageDirty() override {
    RETURN_IF_FAILED(OnOwnerThread());
    return Dirty() ? S_OK : S_FALSE;
  }
  // Writes each field the user changed into every control, in the page's
  // order. The first value a control refuses stops it: that field and those
  // after it stay changed, the page stays dirty, and the user is told why
  // with the control's own description.
  HRESULT STDMETHODCALLTYPE Apply() override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!window_) return Dirty() ? E_UNEXPECTED : S_OK;
    AddRef();  // the controls' sinks may let go of the page
    HRESULT status = S_OK;
    // In the property table's order, which is a load's: the text goes in
    // before the limit and without one (PutWithoutLimit), so that a text is
    // kept whole whatever limit was typed with it. A sink that hears of a
    // change may deactivate the page: the fields after that change are not
    // applied, and the page stays dirty.
    const auto saved = SavedProperties();
    for (std::size_t i = 0; i < saved.size() && SUCCEEDED(status) && window_; ++i) {
      if (!changed_[i]) continue;
      status = Guard([&] { return ApplyField(saved[i]); });
      if (SUCCEEDED(status)) changed_[i] = false;
    }
    if (FAILED(status)) Refuse(status);
    Release();
    return status;
  }
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override {
    RETURN_IF_FAILED(OnOwnerThread());
    return E_NOTIMPL;
  }
  // Tab and the arrows move within the page; Enter, Esc and everything else
  // belong to the frame.
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!message) return E_POINTER;
    if (!window_ || !IsChild(window_, message->hwnd) || message->message != WM_KEYDOWN) return S_FALSE;
    const bool ours = message->wParam == VK_TAB || (message->wParam >= VK_LEFT && message->wParam <= VK_DOWN);
    return ours && IsDialogMessageW(window_, message) ? S_OK : S_FALSE;
  }

 private:
  bool Dirty() const { return std::find(changed_.begin(), changed_.end(), true) != changed_.end(); }

  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      return TRUE;
    }
    auto* page = reinterpret_cast<PropertyPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_NCDESTROY && page && page->window_ == window) page->window_ = nullptr;  // its frame went first
    if (message != WM_COMMAND || !page || page->showing_) return FALSE;
    const int code = HIWORD(wParam);
    if (code != EN_CHANGE && code != BN_CLICKED) return FALSE;
    page->Changed(LOWORD(wParam));
    return TRUE;
  }

  // The user changed the field of `control`: the frame hears that the page
  // has something to apply.
  void Changed(int control) {
    const auto saved = SavedProperties();
    for (std::size_t i = 0; i < saved.size(); ++i) {
      const Field& field = FieldOf(saved[i]);
      if (control >= field.control && control < field.control + field.choices) changed_[i] = true;
    }
    if (!site_) return;
    ComPtr<IPropertyPageSite> site = site_;  // the site may let go of the page
    AddRef();
    Discard(site->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE), "the frame's own affair");
    Release();
  }

  // Fills the fields from the first control; a value none of the choices
  // stands for checks none. Nothing is left to apply afterwards.
  void ShowValues() {
    showing_ = true;
    changed_.fill(false);
    for (const Property& property : SavedProperties()) {
      const Field& field = FieldOf(property);
      VARIANT value;
      VariantInit(&value);
      DISPPARAMS none{};
      if (controls_.empty() || FAILED(controls_.front()->Invoke(property.dispatchId, IID_NULL, 0,
                                                                 DISPATCH_PROPERTYGET, &none, &value, nullptr,
                                                                 nullptr))) {
        continue;
      }
      if (field.kind == FieldKind::Choice) {
        for (int i = 0; i < field.choices; ++i) {
          const bool chosen = V_VT(&value) == VT_I4 && V_I4(&value) == i;
          CheckDlgButton(window_, field.control + i, chosen ? BST_CHECKED : BST_UNCHECKED);
        }
      } else if (SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BSTR))) {
        SetDlgItemTextW(window_, field.control, V_BSTR(&value));
      }
      VariantClear(&value);
    }
    showing_ = false;
  }

  HResult ApplyField(const Property& property) {
    const Field& field = FieldOf(property);
    VARIANT value;
    VariantInit(&value);
    if (field.kind == FieldKind::Choice) {
      V_VT(&value) = VT_I4;
      V_I4(&value) = -1;
      for (int i = 0; i < field.choices; ++i) {
        if (IsDlgButtonChecked(window_, field.control + i) == BST_CHECKED) V_I4(&value) = i;
      }
      if (V_I4(&value) < 0) return S_OK;  // nothing chosen: the value stays
    } else {
      HWND entry = GetDlgItem(window_, field.control);
      std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(entry)) + 1, L'\0');
      text.resize(static_cast<std::size_t>(GetWindowTextW(entry, text.data(), static_cast<int>(text.size()))));
      V_VT(&value) = VT_BSTR;
      V_BSTR(&value) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      if (!V_BSTR(&value)) return E_OUTOFMEMORY;
    }
    HResult status = S_OK;
    const std::vector<ComPtr<IDispatch>> controls = controls_;  // a sink may hand the page other objects
    for (const ComPtr<IDispatch>& control : controls) {
      status = property.loading == Loading::WithoutLimit ? PutWithoutLimit(*control.Get(), property.dispatchId, value)
                                                         : PutProperty(*control.Get(), property.dispatchId, value);
      if (Failed(status)) break;
    }
    VariantClear(&value);
    if (Failed(status)) refused_ = field.control;
    return status;
  }

  // Tells the user why the control refused a value, then puts them back in
  // the field that holds it.
  void Refuse(HResult status) {
    const std::string_view description = DescribeStatus(status);
    const std::wstring text(description.begin(), description.end());
    MessageBoxW(window_, text.c_str(), ShortName, MB_OK | MB_ICONEXCLAMATION);
    if (window_) SetFocus(GetDlgItem(window_, refused_));
  }

  ComPtr<IPropertyPageSite> site_;
  std::vector<ComPtr<IDispatch>> controls_;
  HWND window_ = nullptr;
  // By saved property: the user changed its field since it was shown or applied.
  std::array<bool, SavedPropertyCount> changed_{};
  bool showing_ = false;  // the page itself is filling the fields
  int refused_ = 0;       // the control of the field whose value was refused last
};

}  // namespace

HResult CreatePropertyPage(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  PropertyPage* page = nullptr;
  HResult status = Guard([&] {
    page = new PropertyPage();
    return hr::Ok;
  });
  if (!page) return status;
  status = page->QueryInterface(iid, object);
  page->Release();
  return status;
}

}  // namespace vexo::hosting
