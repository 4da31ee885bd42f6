// SPDX-License-Identifier: MIT
// What a host may do inside the control's calls to it: from a property sink's
// OnChanged, an event sink's KeyTyped, the F7 command, and a bag's or stream's Read and Write, it
// destroys the control's container window, lets go of the control, calls
// every member back, or deactivates and closes it. Every row ends without a
// crash, with no window or GDI object left behind, and with the user's text
// still in the control or saved by the host as the call reached it.
#include "Container.h"

#include "windows/Resources.h"

#include <oleacc.h>

#include <iterator>
#include <map>
#include <memory>

namespace vexo::container {
namespace {

using harness::WindowsOfThisThread;

enum class CallOut { OnChanged, OnChangedOfTwoSinks, OnChangedOfAnAccessiblePress, KeyTyped, F7Command, BagRead, BagWrite, StreamRead, StreamWrite };
enum class Act { Destroy, ReleaseLast, CallEveryMember, DeactivateAndClose };

// A sink on the test's stack, counting the references the control holds;
// `told` runs when the control calls it.
template <typename Interface>
class StackSink : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == __uuidof(Interface) ? static_cast<Interface*>(this) : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
  std::function<void()> told;
};

class Sink final : public StackSink<IPropertyNotifySink> {
 public:
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override {
    if (told) told();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
};

// An event sink, as a script host's: IDispatch alone, told of KeyTyped.
class EventSink final : public StackSink<IDispatch> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    constexpr DISPID KeyTyped = 2;
    if (event == KeyTyped && told) told();
    return S_OK;
  }
};

using Bag = harness::MemoryBag;

// A stream in memory whose Read and Write tell the host first.
class Stream final : public IStream {
 public:
  Stream() { CreateStreamOnHGlobal(nullptr, TRUE, &inner); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void* into, ULONG size, ULONG* read) override {
    if (told) told();
    return inner->Read(into, size, read);
  }
  HRESULT STDMETHODCALLTYPE Write(const void* from, ULONG size, ULONG* written) override {
    if (told) told();
    return inner->Write(from, size, written);
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* at) override {
    return inner->Seek(move, origin, at);
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return inner->SetSize(size); }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* to, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override {
    return inner->CopyTo(to, size, read, written);
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return inner->Commit(flags); }
  HRESULT STDMETHODCALLTYPE Revert() override { return inner->Revert(); }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override { return inner->Stat(stat, flags); }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
  ComPtr<IStream> inner;
  std::function<void()> told;
};

// Every member of _KeyBord, the F7 message included; the properties are
// written back as they were read, so that the user's text stays.
void CallEveryMember(_KeyBord* keybord) {
  BSTR text = nullptr;
  keybord->get_Text(&text);
  short limit = 0;
  keybord->get_MaxLength(&limit);
  ActivPanel panel = abcAct;
  keybord->get_ChangeBord(&panel);
  VARIANT_BOOL caps = VARIANT_FALSE;
  keybord->get_CapsLock(&caps);
  BSTR letter = SysAllocString(L"a");
  keybord->AfterFindImage(&letter);
  keybord->FindABC(&letter);
  SysFreeString(letter);
  BSTR digit = SysAllocString(L"5");
  keybord->FindNumber(&digit);
  SysFreeString(digit);
  keybord->EnterKey();
  keybord->FindImage('B', 0);
  keybord->FindImageNumber('4');
  short f7 = 118;
  keybord->GetMessage(&f7);
  short f2 = VK_F2;
  keybord->KeyF1ToF6(&f2);
  keybord->LeftPos();
  keybord->RightPos();
  keybord->put_CapsLock(caps);
  keybord->put_ChangeBord(panel);
  keybord->put_MaxLength(limit);
  keybord->put_Text(text);
  SysFreeString(text);
}

struct Row {
  CallOut callOut;
  Act act;
};

class Callbacks : public ::testing::TestWithParam<Row> {
 protected:
  static void SetUpTestSuite() {
    Hosted first;  // what the first control of a run loads stays loaded: it is not the rows' to count
  }
};

TEST_P(Callbacks, TheHostMayDoAnythingInside) {
  const Row row = GetParam();
  Frame();
  Pump();
  const int windows = WindowsOfThisThread();
  const int gdiObjects = harness::GdiObjects();

  // The host's objects outlive the control, which may hold them to its end.
  Sink sink;
  Sink other;
  EventSink events;
  Bag bag;
  Stream stream;
  auto hosted = std::make_unique<Hosted>();
  ASSERT_EQ(hosted->problem, "");
  ComPtr<IConnectionPoint> point;
  ComPtr<IConnectionPointContainer> points;
  ASSERT_EQ(hosted->control.As(&points), S_OK);
  const bool event = row.callOut == CallOut::KeyTyped;
  ASSERT_EQ(points->FindConnectionPoint(event ? DIID___KeyBord : IID_IPropertyNotifySink, &point), S_OK);
  points.Reset();
  ComPtr<IPersistPropertyBag> bagPersistence;
  ComPtr<IPersistStreamInit> streamPersistence;
  ASSERT_EQ(hosted->control.As(&bagPersistence), S_OK);
  ASSERT_EQ(hosted->control.As(&streamPersistence), S_OK);
  ComPtr<IAccessible> numberKeys;
  if (row.callOut == CallOut::OnChangedOfAnAccessiblePress &&
      FAILED(AccessibleObjectFromWindow(hosted->panels[Numbers], static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(numberKeys.GetAddressOf())))) {
    GTEST_SKIP() << "the platform's accessibility runtime answers no object here (64-bit Wine)";
  }

  // The host's act, once, at the first call that reaches it.
  bool acted = false;
  std::wstring saved;
  const std::function<void()> act = [&] {
    if (acted) return;
    acted = true;
    saved = hosted->Text();
    switch (row.act) {
      case Act::Destroy:
        DestroyWindow(hosted->host);
        break;
      case Act::ReleaseLast:
        // Everything the host holds goes, the container with the last of it.
        point.Reset();
        bagPersistence.Reset();
        streamPersistence.Reset();
        hosted->keybord.Reset();
        hosted->control.Reset();
        DestroyWindow(hosted->host);
        break;
      case Act::CallEveryMember:
        CallEveryMember(hosted->keybord.Get());
        break;
      case Act::DeactivateAndClose: {
        ComPtr<IOleInPlaceObject> inPlace;
        ComPtr<IOleObject> object;
        ASSERT_EQ(hosted->control.As(&inPlace), S_OK);
        ASSERT_EQ(hosted->control.As(&object), S_OK);
        EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        break;
      }
    }
  };

  DWORD cookies[2] = {};
  std::wstring typed = L"Q";
  // The persistence call is made through a plain pointer, so that the host
  // may let go of its own reference inside it, as a careless caller does.
  IPersistPropertyBag* bagCall = bagPersistence.Get();
  IPersistStreamInit* streamCall = streamPersistence.Get();
  if (row.callOut <= CallOut::KeyTyped) {
    // A number key pressed while the letter panel is active changes Text and
    // ChangeBord in one burst: two notifications in one round, and three
    // events.
    (event ? events.told : sink.told) = act;
    ASSERT_EQ(point->Advise(event ? static_cast<IUnknown*>(&events) : &sink, &cookies[0]), S_OK);
    if (row.callOut == CallOut::OnChangedOfTwoSinks) {
      ASSERT_EQ(point->Advise(&other, &cookies[1]), S_OK);
    }
    typed = L"7";
    if (numberKeys) {
      VARIANT seven;
      seven.vt = VT_I4;
      seven.lVal = 1;
      EXPECT_EQ(numberKeys->accDoDefaultAction(seven), S_OK);
    } else {
      ClickAt(hosted->KeyCentre(Numbers, 0));
    }
  } else {
    Press('Q');
    ASSERT_TRUE(WaitFor("the typed Q", [&] { return hosted->Text() == L"Q"; }));
    switch (row.callOut) {
      case CallOut::F7Command:
        FrameCommandHandler() = [&](WPARAM command) {
          if (LOWORD(command) == 118) act();
        };
        // Straight to the panel, as the system delivers it to a host whose
        // loop offers keys to no control (which would hold the control).
        SendMessageW(hosted->panels[Letters], WM_KEYDOWN, VK_F7, 0);
        break;
      case CallOut::BagRead:
        ASSERT_EQ(bagCall->Save(&bag, FALSE, TRUE), S_OK);
        bag.told = act;
        bagCall->Load(&bag, nullptr);
        break;
      case CallOut::BagWrite:
        bag.told = act;
        bagCall->Save(&bag, TRUE, TRUE);
        break;
      case CallOut::StreamRead:
        ASSERT_EQ(streamCall->Save(&stream, FALSE), S_OK);
        ASSERT_EQ(stream.Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
        stream.told = act;
        streamCall->Load(&stream);
        break;
      case CallOut::StreamWrite:
        stream.told = act;
        streamCall->Save(&stream, TRUE);
        break;
      default:
        break;
    }
  }
  WaitFor("the host's call", [&] { return acted; });
  FrameCommandHandler() = nullptr;
  EXPECT_EQ(saved, typed) << "the user's text, as the host saw it when called";
  if (row.act != Act::ReleaseLast) {
    // The container deactivates the control as it destroys its window.
    EXPECT_EQ(hosted->Text(), typed) << "still in the control";
  }

  // The host lets go of whatever it still holds.
  if (point) {
    point->Unadvise(cookies[0]);
    if (cookies[1]) point->Unadvise(cookies[1]);
  }
  point.Reset();
  bagPersistence.Reset();
  streamPersistence.Reset();
  numberKeys.Reset();
  hosted.reset();
  EXPECT_TRUE(WaitFor("the control's windows gone", [&] { return WindowsOfThisThread() == windows; }));
  EXPECT_EQ(harness::GdiObjects(), gdiObjects);
  EXPECT_EQ(sink.references, 1u) << "every reference to the sink given back";
  EXPECT_EQ(other.references, 1u);
  EXPECT_EQ(events.references, 1u);
}

constexpr const char* CallOutNames[] = {"OnChanged",  "OnChangedOfTwoSinks", "OnChangedOfAnAccessiblePress",
                                        "KeyTyped",   "F7Command",           "BagRead",
                                        "BagWrite",   "StreamRead",          "StreamWrite"};
constexpr const char* ActNames[] = {"Destroys", "ReleasesLast", "CallsEveryMember", "DeactivatesAndCloses"};

std::vector<Row> AllRows() {
  std::vector<Row> rows;
  for (int callOut = 0; callOut < static_cast<int>(std::size(CallOutNames)); ++callOut) {
    for (int act = 0; act < 4; ++act) rows.push_back({static_cast<CallOut>(callOut), static_cast<Act>(act)});
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Host, Callbacks, ::testing::ValuesIn(AllRows()), [](const auto& info) {
  return std::string(CallOutNames[static_cast<int>(info.param.callOut)]) + "_" +
         ActNames[static_cast<int>(info.param.act)];
});

}  // namespace
}  // namespace vexo::container
