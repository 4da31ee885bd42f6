// SPDX-License-Identifier: MIT
// The control's property page, driven as a developer at a form designer
// would: in a frame of the test's own that calls the page as the platform's
// frame does, and in the platform's frame. Both the frame and a refusal's
// message box are modal, so the test's steps run from a thread timer inside
// their message loops, each waiting for what it needs on screen.
#include "Support.h"

#include <chrono>
#include <functional>
#include <string>
#include <utility>

#include "hosting/PropertyPage.h"
#include "windows/ContainerDoubles.h"

namespace vexo::wine {
namespace {

using hosting::CLSID_KeyBordPage;

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The first window of this thread, or descendant of one, that `match` accepts.
struct Search {
  const std::function<bool(HWND)>& match;
  HWND found = nullptr;
};
BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<Search*>(data);
  if (search.match(window)) search.found = window;
  return search.found == nullptr;
}
BOOL CALLBACK VisitTree(HWND top, LPARAM data) {
  if (Visit(top, data)) EnumChildWindows(top, Visit, data);
  return reinterpret_cast<Search*>(data)->found == nullptr;
}
HWND FindWindowOfThread(const std::function<bool(HWND)>& match) {
  Search search{match};
  EnumThreadWindows(GetCurrentThreadId(), VisitTree, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Runs `modal`, which returns when its dialog closes, while a thread timer
// asks `step` on each tick, inside the dialog's own message loop, until it is
// done; past the deadline the test fails, naming what it awaited, and
// `giveUp` closes the dialog.
struct Poll {
  std::function<bool()> step;
  std::function<void()> giveUp;
  std::chrono::steady_clock::time_point deadline;
  bool done = false;
};
Poll* polled = nullptr;
void CALLBACK PollTick(HWND, UINT, UINT_PTR, DWORD) {
  if (!polled || polled->done) return;
  polled->done = polled->step();
  if (!polled->done && std::chrono::steady_clock::now() > polled->deadline) {
    polled->deadline = std::chrono::steady_clock::time_point::max();
    polled->giveUp();
  }
}
void WhileModal(const char* awaited, std::function<bool()> step, const std::function<void()>& modal,
                std::function<void()> giveUp) {
  Poll poll{std::move(step), std::move(giveUp), std::chrono::steady_clock::now() + std::chrono::seconds(20)};
  polled = &poll;
  const UINT_PTR timer = SetTimer(nullptr, 0, 25, PollTick);
  modal();
  KillTimer(nullptr, timer);
  polled = nullptr;
  EXPECT_TRUE(poll.done) << "waited in vain for: " << awaited;
}

// The top-level window of a message box of this thread that says `text`.
HWND MessageBoxSaying(const std::wstring& text) {
  HWND label = FindWindowOfThread([&](HWND w) { return GetParent(w) && WindowText(w) == text; });
  return label ? GetAncestor(label, GA_ROOT) : nullptr;
}

// Gives up waiting: every dialog box of this thread is cancelled, an open
// message box and the frame under it alike.
BOOL CALLBACK Cancel(HWND window, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770") PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}
void CancelDialogs() { EnumThreadWindows(GetCurrentThreadId(), Cancel, 0); }

// A frame's site for the page: it counts the page's news of a change.
class PageSite final : public IPropertyPageSite {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IPropertyPageSite ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override {
    if (flags & PROPPAGESTATUS_DIRTY) ++changes;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override {
    *locale = 0x0409;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) override {
    *container = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }
  int changes = 0;
};

class PropertyPageTest : public DirectInstance {
 protected:
  void SetUp() override {
    DirectInstance::SetUp();
    Bstr start(L"abc");
    ASSERT_EQ(keybord_->put_Text(start.get()), S_OK);
    persist_ = Facet<IPersistStreamInit>(keybord_);
    ComPtr<IStream> saved;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &saved), S_OK);
    ASSERT_EQ(persist_->Save(saved.Get(), TRUE), S_OK);
    ASSERT_EQ(persist_->IsDirty(), S_FALSE);
  }
  HWND Item(int id) const { return GetDlgItem(page_, id); }
  std::wstring Text() {
    Bstr text;
    EXPECT_EQ(keybord_->get_Text(&text), S_OK);
    return text.str();
  }
  // Finds the page on screen; true once it shows the control's values.
  bool FindPage() {
    HWND text = FindWindowOfThread([](HWND w) { return GetDlgCtrlID(w) == VEXO_PAGE_TEXT; });
    if (!text) return false;
    page_ = GetParent(text);
    EXPECT_EQ(WindowText(text), L"abc");
    EXPECT_EQ(WindowText(Item(VEXO_PAGE_LIMIT)), L"0");
    EXPECT_EQ(IsDlgButtonChecked(page_, VEXO_PAGE_LETTERS), BST_CHECKED);
    return true;
  }
  // The user's edits: the symbol panel, a limit of 5 and the text "hi".
  void Edit() {
    SendMessageW(Item(VEXO_PAGE_SYMBOLS), BM_CLICK, 0, 0);
    SetWindowTextW(Item(VEXO_PAGE_LIMIT), L"5");
    SetWindowTextW(Item(VEXO_PAGE_TEXT), L"hi");
  }
  void ExpectProperties(ActivPanel panel, short limit, const std::wstring& text) {
    ActivPanel panelNow = abcAct;
    short limitNow = -1;
    EXPECT_EQ(keybord_->get_ChangeBord(&panelNow), S_OK);
    EXPECT_EQ(keybord_->get_MaxLength(&limitNow), S_OK);
    EXPECT_EQ(panelNow, panel);
    EXPECT_EQ(limitNow, limit);
    EXPECT_EQ(Text(), text);
  }

  ComPtr<IPersistStreamInit> persist_;
  HWND page_ = nullptr;
};

ComPtr<IPropertyPage> CreatePage() {
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(Library(), "DllGetClassObject")));
  ComPtr<IClassFactory> factory;
  ComPtr<IPropertyPage> page;
  EXPECT_EQ(get(CLSID_KeyBordPage, IID_IClassFactory, &factory), S_OK);
  if (factory) {
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, &page), S_OK);
  }
  return page;
}

// The page in a frame that calls it as the platform's does: each property
// set through it reaches the control as any change does, and a value the
// control refuses is shown with the control's description and not applied.
TEST_F(PropertyPageTest, AppliesEachPropertyAndRefusesABadOne) {
  ComPtr<ISpecifyPropertyPages> specify = Facet<ISpecifyPropertyPages>(keybord_);
  CAUUID pages{};
  ASSERT_EQ(specify->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_TRUE(IsEqualGUID(pages.pElems[0], CLSID_KeyBordPage));
  CoTaskMemFree(pages.pElems);
  EXPECT_EQ(specify->GetPages(nullptr), E_POINTER);

  ComPtr<IPropertyPage> page = CreatePage();
  ASSERT_NE(page, nullptr);
  PageSite site;
  ASSERT_EQ(page->SetPageSite(&site), S_OK);
  IUnknown* objects[] = {keybord_.Get()};
  EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
  IUnknown* notAControl[] = {persist_.Get(), page.Get()};
  EXPECT_EQ(page->SetObjects(2, notAControl), E_NOINTERFACE);
  harness::LeastSite emptyHanded(nullptr, {IID__KeyBord});  // says it is one, and hands back nothing
  IUnknown* saysItIsAControl[] = {static_cast<IOleClientSite*>(&emptyHanded)};
  EXPECT_EQ(page->SetObjects(1, saysItIsAControl), E_NOINTERFACE);
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  PROPPAGEINFO info{};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_STREQ(info.pszTitle, L"KeyBord");
  EXPECT_GT(info.size.cx, 0);
  EXPECT_GT(info.size.cy, 0);
  CoTaskMemFree(info.pszTitle);

  HWND frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr,
                               nullptr, nullptr);
  const RECT rect{0, 0, info.size.cx, info.size.cy};
  ASSERT_EQ(page->Activate(frame, &rect, TRUE), S_OK);
  EXPECT_EQ(page->Activate(frame, &rect, TRUE), E_UNEXPECTED);
  ASSERT_EQ(page->Show(SW_SHOW), S_OK);
  ASSERT_TRUE(FindPage());
  EXPECT_EQ(page->IsPageDirty(), S_FALSE) << "showing the values changes nothing";
  Edit();
  EXPECT_GE(site.changes, 3);
  EXPECT_EQ(page->IsPageDirty(), S_OK);
  EXPECT_EQ(page->Apply(), S_OK);
  ExpectProperties(ImageAct, 5, L"hi");
  EXPECT_EQ(persist_->IsDirty(), S_OK);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);

  // Values the control refuses, each with its description; the limit stays
  // pending while the text, which comes before it, is refused.
  const struct {
    int field;
    std::wstring value;
    const wchar_t* description;
    HRESULT status;
  } refused[] = {
      {VEXO_PAGE_LIMIT, L"x", L"Type mismatch", DISP_E_TYPEMISMATCH},
      {VEXO_PAGE_LIMIT, L"40000", L"Out of present range", DISP_E_OVERFLOW},
      {VEXO_PAGE_TEXT, std::wstring(32768, L'a'), L"Overflow", static_cast<HRESULT>(0x800A0006)},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(testing::PrintToString(row.description));
    SetWindowTextW(Item(row.field), row.value.c_str());
    WhileModal(
        "a message box with the control's description of the refusal",
        [&] {
          HWND box = MessageBoxSaying(row.description);
          if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
          return box != nullptr;
        },
        [&] { EXPECT_EQ(page->Apply(), row.status); }, CancelDialogs);
    ExpectProperties(ImageAct, 5, L"hi");
    EXPECT_EQ(page->IsPageDirty(), S_OK) << "the refused value waits to be applied";
  }

  // A text typed together with a lower limit is kept whole: the limit
  // governs what is typed next.
  SetWindowTextW(Item(VEXO_PAGE_LIMIT), L"12");
  SetWindowTextW(Item(VEXO_PAGE_TEXT), L"seventeen letters");
  EXPECT_EQ(page->Apply(), S_OK);
  ExpectProperties(ImageAct, 12, L"seventeen letters");
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);

  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
  EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
  DestroyWindow(frame);
}

// A property sink that, on the first change it hears of, deactivates the
// page and hands it no objects, as a host may.
class LettingGo final : public IPropertyNotifySink {
 public:
  explicit LettingGo(IPropertyPage* page) : page_(page) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IPropertyNotifySink ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override {
    if (page_) {
      EXPECT_EQ(page_->Deactivate(), S_OK);
      EXPECT_EQ(page_->SetObjects(0, nullptr), S_OK);
      page_.Reset();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }

 private:
  ComPtr<IPropertyPage> page_;
};

// Deactivated by a sink while it applies: the page stops there, and the
// fields after the first change are neither applied nor emptied.
TEST_F(PropertyPageTest, ASinkMayDeactivateThePageWhileItApplies) {
  ComPtr<IPropertyPage> page = CreatePage();
  ASSERT_NE(page, nullptr);
  IUnknown* objects[] = {keybord_.Get()};
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  HWND frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr,
                               nullptr, nullptr);
  const RECT rect{0, 0, 400, 200};
  ASSERT_EQ(page->Activate(frame, &rect, TRUE), S_OK);
  ASSERT_TRUE(FindPage());
  Edit();
  LettingGo sink(page.Get());
  ComPtr<IConnectionPointContainer> container = Facet<IConnectionPointContainer>(keybord_);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, &point), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_EQ(page->Apply(), S_OK);
  ExpectProperties(ImageAct, 0, L"abc");
  EXPECT_EQ(page->IsPageDirty(), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  DestroyWindow(frame);
}

// The platform's frame shows the page the control names, with the control's
// values; Cancel leaves the control as it was. (Wine's frame never calls a
// page's Apply, so applying is tested in the frame above.)
using RegisteredPropertyPage = PropertyPageTest;
TEST_F(RegisteredPropertyPage, ShownByThePlatformsFrame) {
  ComPtr<ISpecifyPropertyPages> specify = Facet<ISpecifyPropertyPages>(keybord_);
  CAUUID pages{};
  ASSERT_EQ(specify->GetPages(&pages), S_OK);
  // Wine's frame shows a frame without pages, which nothing closes, when the
  // page cannot be made.
  ComPtr<IPropertyPage> registered;
  ASSERT_EQ(CoCreateInstance(pages.pElems[0], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, &registered), S_OK);
  registered.Reset();
  HWND frame = nullptr;
  IUnknown* object = keybord_.Get();
  WhileModal(
      "the page, showing the control's values",
      [&] {
        if (!FindPage()) return false;
        frame = GetAncestor(page_, GA_ROOT);
        Edit();
        PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
        return true;
      },
      [&] {
        EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, L"KeyBord", 1, &object, pages.cElems, pages.pElems, 0, 0,
                                         nullptr),
                  S_OK);
      },
      CancelDialogs);
  CoTaskMemFree(pages.pElems);
  ExpectProperties(abcAct, 0, L"abc");
  EXPECT_EQ(persist_->IsDirty(), S_FALSE);
}

}  // namespace
}  // namespace vexo::wine
