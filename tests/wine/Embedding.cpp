// SPDX-License-Identifier: MIT
// The container-facing interfaces of a control that no container holds:
// persistence with bad and odd input, the event source, and the answers of
// the embedding interfaces to calls made without a site.
#include "Support.h"

#include <oleacc.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "windows/ContainerDoubles.h"
#include "windows/Harness.h"
#include "windows/HostedControl.h"

namespace vexo::wine {
namespace {

constexpr HRESULT NotARecord = STG_E_INVALIDHEADER;
constexpr HRESULT DamagedRecord = STG_E_DOCFILECORRUPT;

std::wstring TextOf(_KeyBord* keybord) {
  Bstr text;
  EXPECT_EQ(keybord->get_Text(&text), S_OK);
  return text.str();
}

short LimitOf(_KeyBord* keybord) {
  short limit = -99;
  EXPECT_EQ(keybord->get_MaxLength(&limit), S_OK);
  return limit;
}

ActivPanel PanelOf(_KeyBord* keybord) {
  ActivPanel panel = static_cast<ActivPanel>(-99);
  EXPECT_EQ(keybord->get_ChangeBord(&panel), S_OK);
  return panel;
}

using Bag = harness::MemoryBag;

// An instance whose three properties differ from a new one's.
ComPtr<_KeyBord> Prepared() {
  ComPtr<_KeyBord> keybord = CreateDirect();
  if (!keybord) return keybord;
  Bstr keep(L"keep");
  EXPECT_EQ(keybord->put_Text(keep.get()), S_OK);
  EXPECT_EQ(keybord->put_MaxLength(9), S_OK);
  EXPECT_EQ(keybord->put_ChangeBord(NumberAct), S_OK);
  return keybord;
}

// --- The property bag.

TEST(PropertyBag, SavesTheThreePropertiesWithTheirTypes) {
  ComPtr<_KeyBord> keybord = Prepared();
  ComPtr<IPersistPropertyBag> persist = Facet<IPersistPropertyBag>(keybord);
  ASSERT_NE(persist, nullptr);
  Bag bag;
  ASSERT_EQ(persist->Save(&bag, TRUE, FALSE), S_OK);
  EXPECT_EQ(bag.written, (std::vector<std::wstring>{L"ChangeBord", L"Text", L"MaxLength"}));
  EXPECT_EQ(V_VT(&bag.values[L"ChangeBord"]), VT_I4);
  EXPECT_EQ(V_I4(&bag.values[L"ChangeBord"]), 1);
  ASSERT_EQ(V_VT(&bag.values[L"Text"]), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&bag.values[L"Text"]), L"keep");
  EXPECT_EQ(V_VT(&bag.values[L"MaxLength"]), VT_I2);
  EXPECT_EQ(V_I2(&bag.values[L"MaxLength"]), 9);
  EXPECT_EQ(persist->Save(nullptr, TRUE, FALSE), E_POINTER);
}

TEST(PropertyBag, AWriteTheBagRefusesEndsTheSaveWithItsStatus) {
  ComPtr<_KeyBord> keybord = Prepared();
  ComPtr<IPersistPropertyBag> persist = Facet<IPersistPropertyBag>(keybord);
  ASSERT_NE(persist, nullptr);
  Bag bag;
  bag.refused = L"Text";
  EXPECT_EQ(persist->Save(&bag, TRUE, FALSE), E_ACCESSDENIED);
  EXPECT_EQ(bag.written, (std::vector<std::wstring>{L"ChangeBord", L"Text"})) << "MaxLength is not written";
}

struct BagRow {
  const char* name;
  void (*fill)(Bag&);
  const wchar_t* text;
  short limit;
  ActivPanel panel;
};

class BagLoads : public ::testing::TestWithParam<BagRow> {};

// Loading never fails; each property the bag cannot give keeps or takes the
// value of its rule, and the others still arrive.
TEST_P(BagLoads, AppliesWhatConverts) {
  ComPtr<_KeyBord> keybord = Prepared();
  ComPtr<IPersistPropertyBag> persist = Facet<IPersistPropertyBag>(keybord);
  ASSERT_NE(persist, nullptr);
  Bag bag;
  GetParam().fill(bag);
  EXPECT_EQ(persist->Load(&bag, nullptr), S_OK);
  EXPECT_EQ(TextOf(keybord.Get()), GetParam().text);
  EXPECT_EQ(LimitOf(keybord.Get()), GetParam().limit);
  EXPECT_EQ(PanelOf(keybord.Get()), GetParam().panel);
}

const BagRow bagRows[] = {
    {"EmptyBag", [](Bag&) {}, L"", 0, NumberAct},
    {"AllThree",
     [](Bag& b) {
       b.Put(L"ChangeBord", VT_I4, 2);
       b.PutText(L"Text", L"abc");
       b.Put(L"MaxLength", VT_I2, 2);
     },
     L"abc", 2, ImageAct},
    {"NumbersOfOtherTypes",
     [](Bag& b) {
       b.Put(L"ChangeBord", VT_UI1, 0);
       b.Put(L"MaxLength", VT_R4, 12);
     },
     L"", 12, abcAct},
    {"NumbersAsText",
     [](Bag& b) {
       b.PutText(L"ChangeBord", L"2");
       b.PutText(L"MaxLength", L" 30");
     },
     L"", 30, ImageAct},
    {"ChangeBordNotANumber", [](Bag& b) { b.PutText(L"ChangeBord", L"ImageAct"); }, L"", 0, NumberAct},
    {"MaxLengthBeyondSixteenBits", [](Bag& b) { b.Put(L"MaxLength", VT_UI4, 40000); }, L"", 9, NumberAct},
    {"NegativeMaxLength", [](Bag& b) { b.Put(L"MaxLength", VT_I4, -3); }, L"", 0, NumberAct},
    {"BagRefusesTheText",
     [](Bag& b) {
       b.refused = L"Text";
       b.Put(L"MaxLength", VT_I2, 4);
     },
     L"keep", 4, NumberAct},
    // The instance's own limit (9) cuts no stored text; the stored one follows.
    {"TextLongerThanTheLimitBefore",
     [](Bag& b) {
       b.PutText(L"Text", L"hello world");
       b.Put(L"MaxLength", VT_I2, 20);
     },
     L"hello world", 20, NumberAct},
    {"TextLongerThanBothLimits",
     [](Bag& b) {
       b.PutText(L"Text", L"hello world");
       b.Put(L"MaxLength", VT_I2, 4);
     },
     L"hello world", 4, NumberAct},
    {"TextWithAnUnreadableLimit",
     [](Bag& b) {
       b.PutText(L"Text", L"hello world");
       b.Put(L"MaxLength", VT_UI4, 40000);
     },
     L"hello world", 9, NumberAct},
    {"ValueOfNoUse",
     [](Bag& b) {
       VARIANT& v = b.values[L"Text"];
       V_VT(&v) = VT_ERROR;
       V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
     },
     L"keep", 0, NumberAct},
};
INSTANTIATE_TEST_SUITE_P(Embedding, BagLoads, ::testing::ValuesIn(bagRows),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The stream record.

std::vector<BYTE> Saved(_KeyBord* keybord) {
  ComPtr<IPersistStreamInit> persist;
  EXPECT_EQ(keybord->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::vector<BYTE> bytes(static_cast<std::size_t>(stat.cbSize.QuadPart));
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  return bytes;
}

HRESULT LoadBytes(_KeyBord* keybord, const std::vector<BYTE>& bytes, ULONGLONG* position = nullptr) {
  ComPtr<IPersistStreamInit> persist;
  EXPECT_EQ(keybord->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ULONG written = 0;
  if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  const HRESULT status = persist->Load(stream.Get());
  if (position) {
    ULARGE_INTEGER at{};
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &at);
    *position = at.QuadPart;
  }
  return status;
}

TEST(Stream, RoundTripsIntoAFreshInstanceAndStopsBehindItsRecord) {
  ComPtr<_KeyBord> original = CreateDirect();
  ASSERT_NE(original, nullptr);
  Bstr text(L"line\r\nbreak and a \xD83D\xDE00 pair");
  ASSERT_EQ(original->put_Text(text.get()), S_OK);
  // A limit below the text's length: the text comes back whole all the same.
  ASSERT_EQ(original->put_MaxLength(9), S_OK);
  ASSERT_EQ(original->put_ChangeBord(NumberAct), S_OK);
  std::vector<BYTE> bytes = Saved(original.Get());
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(std::memcmp(bytes.data(), "VKBP\x01\x00\x03\x00", 8), 0) << "signature, version 1, three entries";

  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(original.As(&persist), S_OK);
  ULARGE_INTEGER size{};
  ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, bytes.size());
  EXPECT_EQ(persist->IsDirty(), S_FALSE) << "saved with the dirty state cleared";

  const std::size_t recordSize = bytes.size();
  bytes.insert(bytes.end(), {0xAA, 0xBB});  // what the container keeps after it
  ComPtr<_KeyBord> fresh = CreateDirect();
  ASSERT_NE(fresh, nullptr);
  ULONGLONG position = 0;
  ASSERT_EQ(LoadBytes(fresh.Get(), bytes, &position), S_OK);
  EXPECT_EQ(position, recordSize);
  EXPECT_EQ(TextOf(fresh.Get()), text.str());
  EXPECT_EQ(LimitOf(fresh.Get()), 9);
  EXPECT_EQ(PanelOf(fresh.Get()), NumberAct);
}

// A container reverts a live control by loading it again: whatever limit the
// control had, the record it wrote comes back whole, and clean.
TEST(Stream, ALoadIntoAnInitialisedControlRestoresTheRecordWhole) {
  ComPtr<_KeyBord> source = CreateDirect();
  ASSERT_NE(source, nullptr);
  Bstr text(L"hello world");
  ASSERT_EQ(source->put_Text(text.get()), S_OK);
  ASSERT_EQ(source->put_MaxLength(20), S_OK);
  const std::vector<BYTE> record = Saved(source.Get());
  ASSERT_EQ(source->put_MaxLength(3), S_OK);
  const std::vector<BYTE> small = Saved(source.Get());

  const std::pair<const char*, std::function<void(_KeyBord*)>> before[] = {
      {"ChangedByTheHost", [](_KeyBord* k) { EXPECT_EQ(k->put_MaxLength(3), S_OK); }},
      {"GivenInitNew",
       [](_KeyBord* k) {
         EXPECT_EQ(k->put_MaxLength(3), S_OK);
         ComPtr<IPersistStreamInit> persist;
         ASSERT_EQ(k->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
         EXPECT_EQ(persist->InitNew(), S_OK);
       }},
      {"LoadedBefore", [&](_KeyBord* k) { EXPECT_EQ(LoadBytes(k, small), S_OK); }},
  };
  for (const auto& [name, prepare] : before) {
    SCOPED_TRACE(name);
    ComPtr<_KeyBord> keybord = CreateDirect();
    ASSERT_NE(keybord, nullptr);
    prepare(keybord.Get());
    ASSERT_EQ(LimitOf(keybord.Get()), 3);
    EXPECT_EQ(LoadBytes(keybord.Get(), record), S_OK);
    EXPECT_EQ(TextOf(keybord.Get()), L"hello world");
    EXPECT_EQ(LimitOf(keybord.Get()), 20);
    EXPECT_EQ(Facet<IPersistStreamInit>(keybord)->IsDirty(), S_FALSE);
  }
}

struct Damage {
  const char* name;
  void (*apply)(std::vector<BYTE>&);
  HRESULT status;
};

class DamagedStreams : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedStreams, ChangeNothingAndSayWhy) {
  ComPtr<_KeyBord> source = CreateDirect();
  ASSERT_NE(source, nullptr);
  Bstr text(L"new");
  ASSERT_EQ(source->put_Text(text.get()), S_OK);
  std::vector<BYTE> bytes = Saved(source.Get());
  GetParam().apply(bytes);

  ComPtr<_KeyBord> keybord = Prepared();
  ASSERT_NE(keybord, nullptr);
  EXPECT_EQ(LoadBytes(keybord.Get(), bytes), GetParam().status);
  EXPECT_EQ(TextOf(keybord.Get()), L"keep");
  EXPECT_EQ(LimitOf(keybord.Get()), 9);
  EXPECT_EQ(PanelOf(keybord.Get()), NumberAct);
}

// Offsets in a record of three entries: ChangeBord's name length at 8, its
// type at 30; Text's name length at 36.
const Damage damages[] = {
    {"Empty", [](std::vector<BYTE>& b) { b.clear(); }, NotARecord},
    {"OtherSignature", [](std::vector<BYTE>& b) { b[0] = 'X'; }, NotARecord},
    {"LaterVersion", [](std::vector<BYTE>& b) { b[4] = 2; }, NotARecord},
    {"CutInTheLastValue", [](std::vector<BYTE>& b) { b.pop_back(); }, DamagedRecord},
    {"CutAfterTheHeader", [](std::vector<BYTE>& b) { b.resize(8); }, DamagedRecord},
    {"TooManyEntries", [](std::vector<BYTE>& b) { b[6] = 65; }, DamagedRecord},
    {"EmptyName", [](std::vector<BYTE>& b) { b[8] = 0; }, DamagedRecord},
    {"UnknownType", [](std::vector<BYTE>& b) { b[30] = 9; }, DamagedRecord},
    {"TextLongerThanTheField",
     [](std::vector<BYTE>& b) {
       // Text's length field follows its name and type.
       const std::size_t length = 36 + 2 + 8 + 2;
       b[length + 2] = 0x20;  // 2 MiB units
     },
     DamagedRecord},
};
INSTANTIATE_TEST_SUITE_P(Embedding, DamagedStreams, ::testing::ValuesIn(damages),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The compound document.

ComPtr<IStorage> MemoryStorage() {
  ComPtr<ILockBytes> bytes;
  ComPtr<IStorage> storage;
  EXPECT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes), S_OK);
  EXPECT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                         &storage),
            S_OK);
  return storage;
}

// Saved into a compound file as a document's container saves it, the file
// closed, opened again and loaded into a fresh control: the three properties
// come back. A storage without the control's stream, or with a stream that
// holds no record, changes nothing and says why.
TEST(Storage, RoundTripsThroughACompoundFile) {
  wchar_t folder[MAX_PATH] = {};
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
  ASSERT_NE(GetTempFileNameW(folder, L"vkb", 0, path), 0u);
  {
    ComPtr<_KeyBord> keybord = CreateDirect();
    ComPtr<IPersistStorage> persist = Facet<IPersistStorage>(keybord);
    ASSERT_NE(persist, nullptr);
    ComPtr<IStorage> file;
    ASSERT_EQ(StgCreateDocfile(path, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &file), S_OK);
    ASSERT_EQ(persist->InitNew(file.Get()), S_OK);
    Bstr keep(L"keep");
    ASSERT_EQ(keybord->put_Text(keep.get()), S_OK);
    ASSERT_EQ(keybord->put_MaxLength(9), S_OK);
    ASSERT_EQ(keybord->put_ChangeBord(NumberAct), S_OK);
    ASSERT_EQ(persist->Save(file.Get(), TRUE), S_OK);
    ASSERT_EQ(persist->SaveCompleted(nullptr), S_OK);
    ASSERT_EQ(file->Commit(STGC_DEFAULT), S_OK);
  }
  ComPtr<IStorage> file;
  ASSERT_EQ(StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &file), S_OK);
  ComPtr<_KeyBord> fresh = CreateDirect();
  ComPtr<IPersistStorage> persist = Facet<IPersistStorage>(fresh);
  ASSERT_NE(persist, nullptr);
  EXPECT_EQ(persist->Load(nullptr), E_POINTER);
  ASSERT_EQ(persist->Load(file.Get()), S_OK);
  EXPECT_EQ(TextOf(fresh.Get()), L"keep");
  EXPECT_EQ(LimitOf(fresh.Get()), 9);
  EXPECT_EQ(PanelOf(fresh.Get()), NumberAct);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  EXPECT_EQ(persist->Load(file.Get()), CO_E_ALREADYINITIALIZED);
  file.Reset();
  EXPECT_TRUE(DeleteFileW(path));

  ComPtr<IStorage> empty = MemoryStorage();
  ComPtr<IStorage> damaged = MemoryStorage();
  ComPtr<IStream> contents;
  ASSERT_EQ(damaged->CreateStream(L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &contents),
            S_OK);
  ASSERT_EQ(contents->Write("XKBP\x01\x00\x00\x00", 8, nullptr), S_OK);
  contents.Reset();
  ComPtr<_KeyBord> keybord = Prepared();
  ComPtr<IPersistStorage> loading = Facet<IPersistStorage>(keybord);
  ASSERT_NE(loading, nullptr);
  EXPECT_EQ(loading->Load(empty.Get()), STG_E_FILENOTFOUND);
  EXPECT_EQ(loading->Load(damaged.Get()), NotARecord);
  EXPECT_EQ(TextOf(keybord.Get()), L"keep");
  EXPECT_EQ(LimitOf(keybord.Get()), 9);
}

// --- The event source.

// The IUnknown of a sink that lives on the test's stack: it counts the
// references the control holds, so that the test can see them all given
// back, and answers for IUnknown and whatever Speaks.
template <typename Interface>
class CountedSink : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = (iid == IID_IUnknown || Speaks(iid)) ? static_cast<Interface*>(this) : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  int references = 1;

 protected:
  virtual bool Speaks(REFIID iid) const = 0;
};

// A sink that speaks IDispatch, as scripting hosts' sinks do.
class Sink final : public CountedSink<IDispatch> {
 public:
  explicit Sink(bool dispatch) : dispatch_(dispatch) {}
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    ++calls;
    return S_OK;
  }
  int calls = 0;

 private:
  bool Speaks(REFIID iid) const override { return dispatch_ && iid == IID_IDispatch; }

  bool dispatch_;
};

TEST(Events, APointForTheEventInterfaceThatAcceptsAdvises) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IConnectionPointContainer> container = Facet<IConnectionPointContainer>(keybord);
  ASSERT_NE(container, nullptr);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point, nullptr);
  ComPtr<IConnectionPoint> notifications;
  ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, &notifications), S_OK);
  ASSERT_EQ(container->FindConnectionPoint(DIID___KeyBord, &point), S_OK);
  IID iid{};
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, DIID___KeyBord));
  ComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(point->GetConnectionPointContainer(&back), S_OK);
  EXPECT_EQ(back.Get(), container.Get());

  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
  IConnectionPoint* listed[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(3, listed, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(listed[0], point.Get());
  EXPECT_EQ(listed[1], notifications.Get());
  listed[0]->Release();
  listed[1]->Release();
  notifications.Reset();

  Sink sink(true);
  Sink deaf(false);
  DWORD cookie = 0xdeadbeef;
  EXPECT_EQ(point->Advise(&deaf, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_GT(sink.references, 1) << "held while advised";
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(&connections), S_OK);
  CONNECTDATA data{};
  ASSERT_EQ(connections->Next(1, &data, nullptr), S_OK);
  EXPECT_EQ(data.dwCookie, cookie);
  data.pUnk->Release();
  connections.Reset();

  Bstr typed(L"abc");
  EXPECT_EQ(keybord->put_Text(typed.get()), S_OK);
  EXPECT_EQ(keybord->EnterKey(), S_OK);
  EXPECT_EQ(sink.calls, 3) << "Change for the text; KeyTyped and Change for the key";

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(sink.references, 1) << "given back";
  EXPECT_EQ(deaf.references, 1);

  point.Reset();
  back.Reset();
  points.Reset();
  container.Reset();
  keybord->AddRef();
  EXPECT_EQ(keybord->Release(), 1u) << "the point's references are the control's";
}

TEST(Events, ClassInformationNamesTheEventInterface) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IProvideClassInfo2> info = Facet<IProvideClassInfo2>(keybord);
  ASSERT_NE(info, nullptr);
  GUID guid = IID_IUnknown;
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(guid, DIID___KeyBord));
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 1, &guid), E_INVALIDARG);
  EXPECT_TRUE(IsEqualGUID(guid, GUID_NULL));
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);
}

// --- The dirty state and the property sinks.

// A property sink that records the properties it hears of.
class PropertySink final : public CountedSink<IPropertyNotifySink> {
 public:
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID member) override {
    heard.push_back(member);
    if (told) told();
    return answer;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
  std::vector<DISPID> heard;
  HRESULT answer = S_OK;
  std::function<void()> told;  // the host's code inside the notification

 private:
  bool Speaks(REFIID iid) const override { return iid == IID_IPropertyNotifySink; }
};

// Handles the thread's messages until `done` holds, or fails naming `what`.
void PumpUntil(const std::function<bool()>& done, const char* what) {
  const DWORD deadline = GetTickCount() + 5000;
  while (!done()) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (done()) return;
    const LONG left = static_cast<LONG>(deadline - GetTickCount());
    if (left <= 0) {
      ADD_FAILURE() << "waited in vain for " << what;
      return;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
  }
}

// Handles every message that waits now: whatever a step posted has run.
void HandleWaitingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// The control's windows that the user types into: a key panel and the field.
struct TypingWindows {
  HWND panel = nullptr;
  HWND field = nullptr;
};

TypingWindows WindowsOf(_KeyBord* keybord) {
  TypingWindows windows;
  ComPtr<IOleInPlaceObject> inPlace;
  HWND surface = nullptr;
  if (FAILED(keybord->QueryInterface(IID_PPV_ARGS(&inPlace))) || FAILED(inPlace->GetWindow(&surface))) return windows;
  for (HWND child = GetWindow(surface, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    (std::wstring(name) == L"VexoKeyBordPanel" ? windows.panel : windows.field) = child;
  }
  return windows;
}

// Writes into the field at its start, as an input method or another program
// does: the field's caret is a selection of the character under it.
void WriteInto(HWND field) {
  SendMessageW(field, EM_SETSEL, 0, 0);
  SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"z"));
}
constexpr UINT WriteIntoField = WM_APP;  // a step of WriteInto, not a message

// A container's stream that calls `during` once the control has written into
// it, as a stream that calls the control back, or a proxy that handles
// messages while it waits, does. Saving only writes.
class CallingBackStream final : public IStream {
 public:
  explicit CallingBackStream(std::function<void()> during) : during_(std::move(during)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG size, ULONG* written) override {
    if (written) *written = size;
    if (during_) std::exchange(during_, nullptr)();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  std::function<void()> during_;
};

// What IsDirty answers after each step, in order: the steps carry the state.
struct DirtyStep {
  const char* name;
  std::function<HRESULT(_KeyBord*)> act;
  HRESULT status;  // of the step
  HRESULT dirty;   // IsDirty afterwards
};

HRESULT SaveStream(_KeyBord* keybord, BOOL clearDirty, std::vector<BYTE>* bytes = nullptr) {
  ComPtr<IPersistStreamInit> persist;
  ComPtr<IStream> stream;
  EXPECT_EQ(keybord->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  const HRESULT status = persist->Save(stream.Get(), clearDirty);
  if (bytes) {
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    bytes->resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes->data(), static_cast<ULONG>(bytes->size()), &read);
  }
  return status;
}

TEST(DirtyState, FollowsChangesLoadsAndSaves) {
  std::vector<BYTE> first;
  Bag bag;
  auto text = [](const wchar_t* value) {
    return [value](_KeyBord* k) {
      Bstr bstr(value);
      return k->put_Text(bstr.get());
    };
  };
  auto persistBag = [](_KeyBord* k) {
    ComPtr<IPersistPropertyBag> persist;
    EXPECT_EQ(k->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
    return persist;
  };
  auto storage = [](_KeyBord* k) {
    ComPtr<IPersistStorage> persist;
    EXPECT_EQ(k->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
    return persist;
  };
  const ComPtr<IStorage> document = MemoryStorage();
  const DirtyStep steps[] = {
      {"Fresh", [](_KeyBord*) { return S_OK; }, S_OK, S_FALSE},
      {"TextPut", text(L"ab"), S_OK, S_OK},
      {"SavedClearing", [&](_KeyBord* k) { return SaveStream(k, TRUE, &first); }, S_OK, S_FALSE},
      {"SameTextAgain", text(L"ab"), S_OK, S_FALSE},
      {"CapsLockIsNotSaved", [](_KeyBord* k) { return k->put_CapsLock(VARIANT_FALSE); }, S_OK, S_FALSE},
      {"MaxLengthPut", [](_KeyBord* k) { return k->put_MaxLength(4); }, S_OK, S_OK},
      {"SavedKeeping", [](_KeyBord* k) { return SaveStream(k, FALSE); }, S_OK, S_OK},
      // The record holds the text of before, the control the new one.
      {"SavedClearingWhileTheStreamChangesText", [&](_KeyBord* k) {
         CallingBackStream stream([&] { EXPECT_EQ(text(L"during the save")(k), S_OK); });
         ComPtr<IPersistStreamInit> persist;
         EXPECT_EQ(k->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
         return persist->Save(&stream, TRUE);
       }, S_OK, S_OK},
      {"Loaded", [&](_KeyBord* k) { return LoadBytes(k, first); }, S_OK, S_FALSE},
      {"KeyTyped", [](_KeyBord* k) {
         SendMessageW(WindowsOf(k).panel, WM_KEYDOWN, 'A', 0);
         return S_OK;
       }, S_OK, S_OK},
      {"BagSavedClearing", [&](_KeyBord* k) { return persistBag(k)->Save(&bag, TRUE, TRUE); }, S_OK, S_FALSE},
      {"MarkMovedOnly", [](_KeyBord* k) {
         SendMessageW(WindowsOf(k).panel, WM_KEYDOWN, VK_RIGHT, 0);
         return S_OK;
       }, S_OK, S_FALSE},
      {"ChangeBordPut", [](_KeyBord* k) { return k->put_ChangeBord(ImageAct); }, S_OK, S_OK},
      {"DamagedLoadKeepsIt", [](_KeyBord* k) { return LoadBytes(k, {'X'}); }, NotARecord, S_OK},
      {"BagSavedClearingWhileTheBagChangesText", [&](_KeyBord* k) {
         Bag callingBack;
         callingBack.afterWrite = [&](const std::wstring& name) {
           if (name == L"Text") {
             EXPECT_EQ(text(L"during the bag's save")(k), S_OK);
           }
         };
         return persistBag(k)->Save(&callingBack, TRUE, TRUE);
       }, S_OK, S_OK},
      {"BagLoaded", [&](_KeyBord* k) { return persistBag(k)->Load(&bag, nullptr); }, S_OK, S_FALSE},
      {"FieldWritten", [](_KeyBord* k) {
         WriteInto(WindowsOf(k).field);
         return S_OK;
       }, S_OK, S_OK},
      {"SavedClearingTwice", [](_KeyBord* k) {
         const HRESULT once = SaveStream(k, TRUE);
         return FAILED(once) ? once : SaveStream(k, TRUE);
       }, S_OK, S_FALSE},
      // A compound document's container: clean only once it completes a
      // save into the storage loaded from, or hands over a new storage.
      {"LimitPutForTheStorage", [](_KeyBord* k) { return k->put_MaxLength(6); }, S_OK, S_OK},
      {"StorageSavedAsLoaded", [&](_KeyBord* k) { return storage(k)->Save(document.Get(), TRUE); }, S_OK, S_OK},
      {"StorageHandedOff", [&](_KeyBord* k) { return storage(k)->HandsOffStorage(); }, S_OK, S_OK},
      {"StorageSavedWhileHandedOff", [&](_KeyBord* k) { return storage(k)->Save(document.Get(), TRUE); },
       E_UNEXPECTED, S_OK},
      {"StorageHandedOffTwice", [&](_KeyBord* k) { return storage(k)->HandsOffStorage(); }, E_UNEXPECTED, S_OK},
      {"StorageCompletedWithoutOne", [&](_KeyBord* k) { return storage(k)->SaveCompleted(nullptr); }, E_INVALIDARG,
       S_OK},
      {"StorageCompleted", [&](_KeyBord* k) { return storage(k)->SaveCompleted(document.Get()); }, S_OK, S_FALSE},
      {"StorageCompletedTwice", [&](_KeyBord* k) { return storage(k)->SaveCompleted(nullptr); }, E_UNEXPECTED,
       S_FALSE},
      {"LimitPutForACopy", [](_KeyBord* k) { return k->put_MaxLength(7); }, S_OK, S_OK},
      {"StorageCopySaved", [&](_KeyBord* k) {
         const HRESULT saved = storage(k)->Save(document.Get(), FALSE);
         return FAILED(saved) ? saved : storage(k)->SaveCompleted(nullptr);
       }, S_OK, S_OK},
  };
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IPersistStreamInit> persist = Facet<IPersistStreamInit>(keybord);
  ASSERT_NE(persist, nullptr);
  for (const DirtyStep& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(step.act(keybord.Get()), step.status);
    EXPECT_EQ(persist->IsDirty(), step.dirty);
    HandleWaitingMessages();
    EXPECT_EQ(persist->IsDirty(), step.dirty) << "the same once the control has looked";
  }
}

// The control's connection point for property sinks, found through its
// container.
ComPtr<IConnectionPoint> PropertyPoint(const ComPtr<_KeyBord>& keybord) {
  ComPtr<IConnectionPoint> point;
  if (ComPtr<IConnectionPointContainer> container = Facet<IConnectionPointContainer>(keybord)) {
    EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, &point), S_OK);
  }
  return point;
}

// Each change of a saved property, by the host or by the user, reaches the
// property sinks once, with the property's identifier.
TEST(PropertyNotifications, EachChangeOnce) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IConnectionPoint> point = PropertyPoint(keybord);
  ASSERT_NE(point, nullptr);
  IID iid{};
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, IID_IPropertyNotifySink));
  PropertySink sink;
  sink.answer = E_FAIL;  // what a sink answers changes nothing
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  const TypingWindows windows = WindowsOf(keybord.Get());
  ASSERT_NE(windows.panel, nullptr);
  ASSERT_NE(windows.field, nullptr);

  struct Step {
    const char* name;
    std::function<HRESULT()> act;
    std::vector<DISPID> heard;
  };
  Bstr ab(L"ab");
  Bstr q(L"q");
  Bstr five(L"5");
  short backspace = 8;
  short f2 = 113;
  const Step hostSteps[] = {
      {"TextPut", [&] { return keybord->put_Text(ab.get()); }, {members::Text}},
      {"SameTextAgain", [&] { return keybord->put_Text(ab.get()); }, {}},
      {"MaxLengthPut", [&] { return keybord->put_MaxLength(5); }, {members::MaxLength}},
      {"NegativeMaxLengthIsZero", [&] { return keybord->put_MaxLength(-5); }, {members::MaxLength}},
      {"ChangeBordPut", [&] { return keybord->put_ChangeBord(NumberAct); }, {members::ChangeBord}},
      {"CapsLockIsNotSaved", [&] { return keybord->put_CapsLock(VARIANT_TRUE); }, {}},
      {"FindABCTypes", [&] { return keybord->FindABC(&q); }, {members::Text}},
      {"FindABCFindsNothing", [&] { return keybord->FindABC(&five); }, {}},
      {"FunctionKeySwitchesPanel", [&] { return keybord->KeyF1ToF6(&f2); }, {members::ChangeBord}},
      {"BackspaceDeletes", [&] { return keybord->KeyF1ToF6(&backspace); }, {members::Text}},
      {"Read", [&] {
         Bstr text;
         return keybord->get_Text(&text);
       }, {}},
  };
  for (const Step& step : hostSteps) {
    SCOPED_TRACE(step.name);
    sink.heard.clear();
    EXPECT_EQ(step.act(), S_OK);
    EXPECT_EQ(sink.heard, step.heard) << "before the call returns";
    HandleWaitingMessages();
    EXPECT_EQ(sink.heard, step.heard) << "and no more after it";
  }

  // The user's keys: each is told once, as its message is handled; a change
  // another program makes in the field a moment after, outside the field's
  // own message.
  struct Key {
    const char* name;
    HWND window;
    UINT message;
    WPARAM key;
    LPARAM lParam;
    std::vector<DISPID> heard;
    bool atOnce = true;
  };
  const Key keys[] = {
      {"Letter", windows.panel, WM_KEYDOWN, 'A', 0, {members::Text}},
      {"SecondLetter", windows.panel, WM_KEYDOWN, 'B', 0, {members::Text}},
      {"ThirdLetter", windows.panel, WM_KEYDOWN, 'C', 0, {members::Text}},
      {"PanelSwitch", windows.panel, WM_KEYDOWN, VK_F3, 0, {members::ChangeBord}},
      {"IntoTheField", windows.field, WriteIntoField, 0, 0, {members::Text}, false},
      {"TypedIntoTheField", windows.field, WM_CHAR, 'k', 1, {members::Text}},
      {"SetIntoTheFieldByAnotherProgram", windows.field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"xyz"),
       {members::Text}, false},
  };
  for (const Key& key : keys) {
    SCOPED_TRACE(key.name);
    sink.heard.clear();
    if (key.message == WriteIntoField) {
      WriteInto(key.window);
    } else {
      SendMessageW(key.window, key.message, key.key, key.lParam);
    }
    if (key.atOnce) {
      EXPECT_EQ(sink.heard, key.heard) << "before the key's message returns";
    }
    PumpUntil([&] { return !sink.heard.empty(); }, "OnChanged after the key");
    HandleWaitingMessages();
    EXPECT_EQ(sink.heard, key.heard);
  }
  sink.heard.clear();
  SendMessageW(windows.panel, WM_KEYDOWN, VK_RIGHT, 0);
  HandleWaitingMessages();
  EXPECT_TRUE(sink.heard.empty()) << "moving the mark changes no saved property";

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.references, 1) << "given back";
  EXPECT_EQ(keybord->put_Text(q.get()), S_OK);
  EXPECT_TRUE(sink.heard.empty());
}

TEST(PropertyNotifications, BadAdvisesAndUnadvisesAnswerWithTheirCodes) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IConnectionPoint> point = PropertyPoint(keybord);
  ASSERT_NE(point, nullptr);
  DWORD cookie = 0xdeadbeef;
  EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
  EXPECT_EQ(cookie, 0u);
  PropertySink sink;
  EXPECT_EQ(point->Advise(&sink, nullptr), E_POINTER);
  Sink scriptSink(true);
  cookie = 0xdeadbeef;
  EXPECT_EQ(point->Advise(&scriptSink, &cookie), CONNECT_E_CANNOTCONNECT) << "an IDispatch sink is foreign here";
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(point->Unadvise(0), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);

  // Two sinks both hear; one that goes hears no more.
  PropertySink other;
  DWORD first = 0;
  DWORD second = 0;
  ASSERT_EQ(point->Advise(&sink, &first), S_OK);
  ASSERT_EQ(point->Advise(&other, &second), S_OK);
  EXPECT_NE(first, second);
  EXPECT_EQ(keybord->put_MaxLength(3), S_OK);
  EXPECT_EQ(sink.heard, std::vector<DISPID>{members::MaxLength});
  EXPECT_EQ(other.heard, std::vector<DISPID>{members::MaxLength});
  EXPECT_EQ(point->Unadvise(first), S_OK);
  EXPECT_EQ(point->Unadvise(first), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(keybord->put_MaxLength(4), S_OK);
  EXPECT_EQ(sink.heard.size(), 1u);
  EXPECT_EQ(other.heard.size(), 2u);
  EXPECT_EQ(point->Unadvise(second), S_OK);
  EXPECT_EQ(sink.references, 1);
  EXPECT_EQ(other.references, 1);
  EXPECT_EQ(scriptSink.references, 1);

  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(keybord.As(&persist), S_OK);
  EXPECT_EQ(persist->Load(nullptr), E_POINTER);
  EXPECT_EQ(persist->Save(nullptr, TRUE), E_POINTER);
  EXPECT_EQ(persist->IsDirty(), S_OK) << "a failed save leaves it dirty";
}

// A sink that another unadvised while a round of notifications ran hears
// nothing more of it. (What else a sink may do inside: tests/wine/container.)
TEST(PropertyNotifications, ASinkUnadvisedByAnotherDuringTheRoundIsNotTold) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IConnectionPoint> point = PropertyPoint(keybord);
  ASSERT_NE(point, nullptr);
  PropertySink first;
  PropertySink second;
  DWORD cookies[2] = {};
  ASSERT_EQ(point->Advise(&first, &cookies[0]), S_OK);
  ASSERT_EQ(point->Advise(&second, &cookies[1]), S_OK);
  first.told = [&] {
    if (first.heard.size() == 1) {
      EXPECT_EQ(point->Unadvise(cookies[1]), S_OK);
    }
  };
  EXPECT_EQ(keybord->put_MaxLength(3), S_OK);
  EXPECT_EQ(first.heard, std::vector<DISPID>{members::MaxLength});
  EXPECT_TRUE(second.heard.empty()) << "unadvised before its turn";
  EXPECT_EQ(second.references, 1);

  EXPECT_EQ(point->Unadvise(cookies[0]), S_OK);
  EXPECT_EQ(first.references, 1);
}

// --- The events of __KeyBord, as a script host hears them.

// An event sink as a script host makes one: it speaks IDispatch alone and
// names each event by the control's own type information, as the host binds
// its handlers by name. It records each as `Name(argument,...)`.
class EventSink final : public CountedSink<IDispatch> {
 public:
  explicit EventSink(const ComPtr<_KeyBord>& keybord) {
    ComPtr<ITypeInfo> coclass;
    if (ComPtr<IProvideClassInfo> info = Facet<IProvideClassInfo>(keybord)) {
      EXPECT_EQ(info->GetClassInfo(&coclass), S_OK);
    }
    for (UINT i = 0; coclass && i < 2; ++i) {
      INT flags = 0;
      HREFTYPE href = 0;
      if (SUCCEEDED(coclass->GetImplTypeFlags(i, &flags)) && (flags & IMPLTYPEFLAG_FSOURCE) &&
          SUCCEEDED(coclass->GetRefTypeOfImplType(i, &href))) {
        EXPECT_EQ(coclass->GetRefTypeInfo(href, &events_), S_OK);
      }
    }
    EXPECT_NE(events_, nullptr) << "the class names its source interface";
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID event, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    Bstr names[3];
    UINT count = 0;
    if (!events_ || FAILED(events_->GetNames(event, &names[0], 3, &count))) {
      heard.push_back(L"unknown " + std::to_wstring(event));
      return DISP_E_MEMBERNOTFOUND;
    }
    EXPECT_EQ(flags, DISPATCH_METHOD);
    EXPECT_EQ(parameters->cNamedArgs, 0u);
    EXPECT_EQ(parameters->cArgs + 1, count) << "an argument for each parameter";
    std::wstring line = names[0].str() + L"(";
    for (UINT i = parameters->cArgs; i-- > 0;) {  // the last argument comes first
      const VARIANT& argument = parameters->rgvarg[i];
      if (argument.vt == VT_BSTR) {
        line += L'"' + std::wstring(argument.bstrVal, SysStringLen(argument.bstrVal)) + L'"';
      } else if (argument.vt == VT_BOOL && (argument.boolVal == VARIANT_TRUE || argument.boolVal == VARIANT_FALSE)) {
        line += argument.boolVal ? L"True" : L"False";
      } else if (argument.vt == VT_I4) {
        line += std::to_wstring(argument.lVal);
      } else {
        line += L"type " + std::to_wstring(argument.vt);
      }
      if (i > 0) line += L",";
    }
    heard.push_back(line + L")");
    if (told) told(names[0].str());
    return answer;
  }
  std::vector<std::wstring> heard;
  HRESULT answer = S_OK;
  std::function<void(const std::wstring& event)> told;  // the host's code inside the event

 private:
  bool Speaks(REFIID iid) const override { return iid == IID_IDispatch; }

  ComPtr<ITypeInfo> events_;
};

// The control's connection point for its events.
ComPtr<IConnectionPoint> EventPoint(const ComPtr<_KeyBord>& keybord) {
  ComPtr<IConnectionPoint> point;
  if (ComPtr<IConnectionPointContainer> container = Facet<IConnectionPointContainer>(keybord)) {
    EXPECT_EQ(container->FindConnectionPoint(DIID___KeyBord, &point), S_OK);
  }
  return point;
}

// A click on a key of the letter panel, the leftmost of the three: a press
// and a release at its centre.
void ClickLetter(_KeyBord* keybord, int index) {
  ComPtr<IOleInPlaceObject> inPlace;
  HWND surface = nullptr;
  ASSERT_EQ(keybord->QueryInterface(IID_PPV_ARGS(&inPlace)), S_OK);
  ASSERT_EQ(inPlace->GetWindow(&surface), S_OK);
  HWND letters = nullptr;
  LONG left = LONG_MAX;
  for (HWND child = GetWindow(surface, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    RECT box{};
    GetWindowRect(child, &box);
    if (std::wstring(name) == L"VexoKeyBordPanel" && box.left < left) {
      letters = child;
      left = box.left;
    }
  }
  ASSERT_NE(letters, nullptr);
  const POINT centre = harness::HostedControl::KeyCentre(harness::Letters, index);
  SendMessageW(letters, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
  SendMessageW(letters, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
}

// Each change of the text and of the panel, and each key typed, by the host
// or by the user, is raised once, in order, before the call or the key's
// message returns; nothing while the container froze events, and nothing of
// that on thawing.
TEST(Events, EachRaisedOnceInOrder) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IConnectionPoint> point = EventPoint(keybord);
  ASSERT_NE(point, nullptr);
  EventSink sink(keybord);
  sink.answer = DISP_E_MEMBERNOTFOUND;  // what a sink answers changes nothing
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  const TypingWindows windows = WindowsOf(keybord.Get());
  ComPtr<IOleControl> control = Facet<IOleControl>(keybord);
  ASSERT_NE(control, nullptr);

  struct Step {
    const char* name;
    std::function<void()> act;
    std::vector<std::wstring> heard;
  };
  Bstr ab(L"ab");
  Bstr q(L"q");
  Bstr w(L"w");
  Bstr frozen(L"frozen");
  short f2 = 113;
  auto ok = [](HRESULT status) { EXPECT_EQ(status, S_OK); };
  const Step steps[] = {
      {"TextPut", [&] { ok(keybord->put_Text(ab.get())); }, {L"Change()"}},
      {"SameTextAgain", [&] { ok(keybord->put_Text(ab.get())); }, {}},
      {"LimitPut", [&] { ok(keybord->put_MaxLength(3)); }, {}},
      {"FindABCTypes", [&] { ok(keybord->FindABC(&q)); }, {L"KeyTyped(\"Q\",True)", L"Change()"}},
      {"FindABCRefusedByTheLimit", [&] { ok(keybord->FindABC(&w)); }, {L"KeyTyped(\"W\",False)"}},
      {"ClickRefusedByTheLimit", [&] { ClickLetter(keybord.Get(), 2); }, {L"KeyTyped(\"E\",False)"}},
      {"LimitLifted", [&] { ok(keybord->put_MaxLength(0)); }, {}},
      {"ChangeBordPut", [&] { ok(keybord->put_ChangeBord(NumberAct)); }, {L"PanelChanged(1)"}},
      {"FunctionKeySwitchesPanel", [&] { ok(keybord->KeyF1ToF6(&f2)); }, {L"PanelChanged(0)"}},
      {"Click", [&] { ClickLetter(keybord.Get(), 1); }, {L"KeyTyped(\"W\",True)", L"Change()"}},
      {"KeyOnAPanel", [&] { SendMessageW(windows.panel, WM_KEYDOWN, 'R', 0); }, {L"KeyTyped(\"R\",True)", L"Change()"}},
      {"PanelKey", [&] { SendMessageW(windows.panel, WM_KEYDOWN, VK_F4, 0); }, {L"PanelChanged(2)"}},
      {"MarkMovedOnly", [&] { SendMessageW(windows.panel, WM_KEYDOWN, VK_RIGHT, 0); }, {}},
      {"TypedIntoTheField", [&] { SendMessageW(windows.field, WM_CHAR, 'k', 1); },
       {L"KeyTyped(\"k\",True)", L"Change()"}},
      {"Frozen", [&] { ok(control->FreezeEvents(TRUE)); }, {}},
      {"TextPutWhileFrozen", [&] { ok(keybord->put_Text(frozen.get())); }, {}},
      {"KeyWhileFrozen", [&] { SendMessageW(windows.panel, WM_KEYDOWN, 'T', 0); }, {}},
      {"Thawed", [&] { ok(control->FreezeEvents(FALSE)); }, {}},
      {"TextPutAfterThawing", [&] { ok(keybord->put_Text(ab.get())); }, {L"Change()"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    sink.heard.clear();
    step.act();
    EXPECT_EQ(sink.heard, step.heard) << "before the call or the key's message returns";
    HandleWaitingMessages();
    EXPECT_EQ(sink.heard, step.heard) << "and no more after it";
  }

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.references, 1) << "given back";
  sink.heard.clear();
  EXPECT_EQ(keybord->put_Text(q.get()), S_OK);
  EXPECT_TRUE(sink.heard.empty());
}

// The host's code that the component runs from inside its own routine, the
// F7 command, may call the control: the events of that call are raised once
// the outer call is over, never inside the routine.
std::function<void()> frameCommand;

LRESULT CALLBACK CommandFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == 118 && frameCommand) frameCommand();
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Events, ThoseOfACallFromInsideTheF7CommandWaitForTheOuterCall) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IConnectionPoint> point = EventPoint(keybord);
  ASSERT_NE(point, nullptr);
  EventSink sink(keybord);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  harness::RegisterFrameClass(L"VexoEventsFrame", CommandFrame);
  const HWND frame = CreateWindowExW(0, L"VexoEventsFrame", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(frame, nullptr);
  ShowWindow(frame, SW_SHOW);
  SetActiveWindow(frame);
  ASSERT_EQ(GetActiveWindow(), frame) << "the F7 command goes to the active window";

  Bstr inside(L"inside");
  bool called = false;
  std::vector<std::wstring> heardInside;
  frameCommand = [&] {
    called = true;
    EXPECT_EQ(keybord->put_Text(inside.get()), S_OK);
    heardInside = sink.heard;
  };
  short f7 = 118;
  EXPECT_EQ(keybord->GetMessage(&f7), S_OK);
  frameCommand = nullptr;
  EXPECT_TRUE(called);
  EXPECT_TRUE(heardInside.empty()) << "nothing raised inside the component's routine";
  EXPECT_EQ(sink.heard, std::vector<std::wstring>{L"Change()"}) << "raised as the outer call ends";
  DestroyWindow(frame);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

// --- Embedding without a container.

// The control's own window, as its in-place object names it; null, with the
// test failed, where it names none.
HWND SurfaceOf(const ComPtr<_KeyBord>& keybord) {
  HWND surface = nullptr;
  if (ComPtr<IOleInPlaceObject> inPlace = Facet<IOleInPlaceObject>(keybord)) {
    EXPECT_EQ(inPlace->GetWindow(&surface), S_OK);
  }
  return surface;
}

TEST(WithoutContainer, TheControlWorksHidden) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  const HWND surface = SurfaceOf(keybord);
  ASSERT_TRUE(IsWindow(surface));
  EXPECT_FALSE(IsWindowVisible(surface));
  EXPECT_EQ(keybord->put_ChangeBord(ImageAct), S_OK) << "a hidden panel takes no focus, and that is no error";
  Bstr typed(L"x");
  short f4 = 115;
  EXPECT_EQ(keybord->KeyF1ToF6(&f4), S_OK);
  EXPECT_EQ(keybord->FindABC(&typed), S_OK);
  EXPECT_EQ(TextOf(keybord.Get()), L"X");
  EXPECT_NE(GetFocus(), surface);
}

// Outside a container an instance costs no window beyond its surface and
// widgets, message-only ones, and a released one leaves none behind.
TEST(WithoutContainer, AnInstanceWaitsAsAMessageOnlyWindowAndLeavesNoneBehind) {
  const int before = harness::WindowsOfThisThread();
  ComPtr<_KeyBord> keybord = CreateDirect();
  ASSERT_NE(keybord, nullptr);
  const HWND surface = SurfaceOf(keybord);
  EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, L"VexoKeyBordSurface", nullptr), surface);
  int widgets = 0;
  EnumChildWindows(surface, harness::CountChild, reinterpret_cast<LPARAM>(&widgets));
  EXPECT_EQ(widgets, 4);
  keybord.Reset();
  EXPECT_FALSE(IsWindow(surface));
  EXPECT_EQ(harness::WindowsOfThisThread(), before);
}

// Escape in the field of a dialog-based host makes the rich edit post
// WM_CLOSE to its parent, the control's surface: the keyboard must survive it.
TEST(WithoutContainer, CloseSentToTheSurfaceLeavesTheKeyboardWhole) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  const HWND surface = SurfaceOf(keybord);
  ASSERT_NE(surface, nullptr);
  SendMessageW(surface, WM_CLOSE, 0, 0);
  ASSERT_TRUE(IsWindow(surface));
  Bstr typed(L"q");
  EXPECT_EQ(keybord->FindABC(&typed), S_OK);
  EXPECT_EQ(TextOf(keybord.Get()), L"Q");
}

// A container that destroys its window before it deactivates the control
// takes the control's windows with it: the user's text is still saved, and
// the control asks to be saved until it was.
TEST(WithoutContainer, WindowsDestroyedUnderTheControlStillSaveTheUsersText) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IPersistStreamInit> persist = Facet<IPersistStreamInit>(keybord);
  ASSERT_NE(persist, nullptr);
  SendMessageW(WindowsOf(keybord.Get()).panel, WM_KEYDOWN, 'A', 0);  // typed; the control has not looked yet
  ASSERT_TRUE(DestroyWindow(SurfaceOf(keybord)));
  EXPECT_EQ(persist->IsDirty(), S_OK);
  std::vector<BYTE> bytes;
  EXPECT_EQ(SaveStream(keybord.Get(), TRUE, &bytes), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  EXPECT_EQ(LoadBytes(keybord.Get(), bytes), E_UNEXPECTED) << "no field left to take a text";

  ComPtr<_KeyBord> fresh = CreateDirect();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(LoadBytes(fresh.Get(), bytes), S_OK);
  EXPECT_EQ(TextOf(fresh.Get()), L"A");
}

TEST(WithoutContainer, TheControlDrawsItselfIntoADeviceContext) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IViewObjectEx> view = Facet<IViewObjectEx>(keybord);
  ASSERT_NE(view, nullptr);
  // 8685 x 2185 twips at the screen's density, and twice that for a host
  // that asks for another size.
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  const int width = MulDiv(8685, dpiX, 1440) + 1;
  const int height = MulDiv(2185, dpiY, 1440) + 1;
  // Inside the space bar (987, 1595 in the control, 1955 x 350), far from any caption.
  const int faceX = MulDiv(987 + 100, dpiX, 1440);
  const int faceY = MulDiv(1595 + 175, dpiY, 1440);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width * 2, height * 2);
  ReleaseDC(nullptr, screen);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  for (const int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    RECT all{0, 0, width * 2, height * 2};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const RECTL bounds{0, 0, (width - 1) * scale, (height - 1) * scale};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(GetPixel(dc, faceX * scale, faceY * scale), GetSysColor(COLOR_BTNFACE)) << "a plain key's face";
    EXPECT_EQ(GetPixel(dc, (width - 1) * scale + 1, 5), RGB(0, 0, 0)) << "nothing drawn beyond the bounds";
  }
  // What is drawn is opaque: a key hits the control, a point beyond its bounds misses it.
  DWORD status = 0;
  EXPECT_EQ(view->GetViewStatus(&status), S_OK);
  EXPECT_EQ(status, static_cast<DWORD>(VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND));
  const RECT bounds{0, 0, width - 1, height - 1};
  const std::pair<POINT, DWORD> hits[] = {{{faceX, faceY}, HITRESULT_HIT}, {{width + 4, 5}, HITRESULT_OUTSIDE}};
  for (const auto& [point, expected] : hits) {
    DWORD hit = 0xdeadbeef;
    EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, point, 0, &hit), S_OK);
    EXPECT_EQ(hit, expected);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST(WithoutContainer, EmbeddingCallsAnswerWithTheirCodes) {
  ComPtr<_KeyBord> keybord = CreateDirect();
  ComPtr<IOleObject> object = Facet<IOleObject>(keybord);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), E_UNEXPECTED)
      << "no site to activate in";
  DWORD status = 0;
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 0x20191u);
  SIZEL extent{-1, -1};
  EXPECT_EQ(object->GetExtent(DVASPECT_ICON, &extent), DV_E_DVASPECT);
  EXPECT_EQ(extent.cx, 0);
  EXPECT_EQ(object->GetExtent(DVASPECT_CONTENT, nullptr), E_POINTER);
  ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(extent.cx, 15319) << "8685 twips";
  EXPECT_EQ(extent.cy, 3854) << "2185 twips";
  CLSID clsid{};
  EXPECT_EQ(object->GetUserClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_KeyBord));
  IOleClientSite* site = reinterpret_cast<IOleClientSite*>(0xdeadbeef);
  EXPECT_EQ(object->GetClientSite(&site), S_OK);
  EXPECT_EQ(site, nullptr);

  ComPtr<IOleInPlaceActiveObject> active;
  ASSERT_EQ(keybord.As(&active), S_OK);
  MSG message{};
  message.message = WM_KEYDOWN;
  message.wParam = VK_F3;
  EXPECT_EQ(active->TranslateAccelerator(&message), S_FALSE) << "a key for no panel of the control";
  EXPECT_EQ(active->TranslateAccelerator(nullptr), E_POINTER);

  ComPtr<IViewObject2> view;
  ASSERT_EQ(keybord.As(&view), S_OK);
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0),
            E_INVALIDARG);
  EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
}

// --- The apartment: the control answers on the thread that made it.

DWORD WINAPI RunWork(void* work) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  (*static_cast<std::function<void()>*>(work))();
  CoUninitialize();
  return 0;
}

// Runs `work` on a thread of its own in the multithreaded apartment while
// this thread handles its messages, as a user interface thread does: calls
// marshalled to the control are carried out here.
void OnAnotherThread(std::function<void()> work) {
  const HANDLE thread = CreateThread(nullptr, 0, RunWork, &work, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  const DWORD deadline = GetTickCount() + 30000;
  for (;;) {
    HandleWaitingMessages();
    const LONG left = std::max<LONG>(0, static_cast<LONG>(deadline - GetTickCount()));
    const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_TIMEOUT) {
      ADD_FAILURE() << "waited in vain for the other thread's calls";
      WaitForSingleObject(thread, INFINITE);  // its work lives on this stack
      break;
    }
  }
  CloseHandle(thread);
}

// A member by its place in the function table and its arguments: 'p' a
// pointer or a number, 'v' a variant passed by value.
struct Slot {
  int index;
  std::string arguments;
};

// Members in function-table order from the one after IUnknown's.
std::vector<Slot> Slots(std::initializer_list<const char*> arguments) {
  std::vector<Slot> slots;
  for (const char* each : arguments) slots.push_back({3 + static_cast<int>(slots.size()), each});
  return slots;
}

// _KeyBord's own members as its type library describes them: a member added
// there is called too.
std::vector<Slot> KeyBordSlots() {
  std::vector<Slot> slots;
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> dispatch;
  ComPtr<ITypeInfo> table;
  HREFTYPE twin = 0;
  TYPEATTR* attr = nullptr;
  if (FAILED(LoadTypeLibEx(OcxPath().c_str(), REGKIND_NONE, &library)) ||
      FAILED(library->GetTypeInfoOfGuid(IID__KeyBord, &dispatch)) ||
      FAILED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &twin)) ||
      FAILED(dispatch->GetRefTypeInfo(twin, &table)) || FAILED(table->GetTypeAttr(&attr))) {
    ADD_FAILURE() << "the type library describes no _KeyBord";
    return slots;
  }
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(table->GetFuncDesc(i, &function))) continue;
    slots.push_back({static_cast<int>(function->oVft / sizeof(void*)), std::string(function->cParams, 'p')});
    table->ReleaseFuncDesc(function);
  }
  table->ReleaseTypeAttr(attr);
  return slots;
}

// Calls a member of `object` with zeros for every argument.
HRESULT CallWithZeros(IUnknown* object, const Slot& slot) {
  const std::size_t count = slot.arguments.size();
  std::vector<VARIANT> zeros(count, VARIANT{});
  std::vector<VARTYPE> types(count);
  std::vector<VARIANT*> arguments(count);
  for (std::size_t i = 0; i < count; ++i) {
    types[i] = slot.arguments[i] == 'v' ? VT_VARIANT : VT_I4;
    arguments[i] = &zeros[i];
  }
  VARIANT result{};
  const HRESULT called = DispCallFunc(object, slot.index * sizeof(void*), CC_STDCALL, VT_ERROR,
                                      static_cast<UINT>(count), types.data(), arguments.data(), &result);
  return FAILED(called) ? called : V_ERROR(&result);
}

// One object of the control that a client may hold, and its members.
struct Face {
  std::string name;
  ComPtr<IUnknown> object;
  std::vector<Slot> members;
};

std::vector<Face> FacesOf(const ComPtr<_KeyBord>& keybord) {
  const auto dispatch = {"p", "ppp", "ppppp", "pppppppp"};
  const auto enumerator = {"ppp", "p", "", "p"};
  const auto point = {"p", "p", "pp", "p", "p"};
  std::vector<Face> faces;
  auto add = [&](const char* name, const ComPtr<IUnknown>& object, std::vector<Slot> members) {
    if (object) faces.push_back({name, object, std::move(members)});
  };
  auto as = [&](REFIID iid) {
    ComPtr<IUnknown> facet;
    EXPECT_EQ(keybord->QueryInterface(iid, reinterpret_cast<void**>(facet.GetAddressOf())), S_OK);
    return facet;
  };
  add("_KeyBord", keybord, KeyBordSlots());
  add("IDispatch", keybord, Slots(dispatch));
  add("ISupportErrorInfo", as(IID_ISupportErrorInfo), Slots({"p"}));
  add("IProvideClassInfo2", as(IID_IProvideClassInfo2), Slots({"p", "pp"}));
  add("IOleObject", as(IID_IOleObject), Slots({"p", "p", "pp", "p", "pp", "ppp", "ppp", "pp", "pppppp", "p", "", "",
                                               "p", "pp", "pp", "pp", "pp", "p", "p", "pp", "p"}));
  add("IOleInPlaceObject", as(IID_IOleInPlaceObject), Slots({"p", "p", "", "", "pp", ""}));
  add("IOleInPlaceActiveObject", as(IID_IOleInPlaceActiveObject), Slots({"p", "p", "p", "p", "p", "ppp", "p"}));
  add("IOleControl", as(IID_IOleControl), Slots({"p", "p", "p", "p"}));
  // QueryHitPoint's POINT goes by value: two stack slots on x86, one on x64.
  const char* hitPoint = sizeof(void*) == 4 ? "pppppp" : "ppppp";
  add("IViewObjectEx", as(IID_IViewObjectEx), Slots({"pppppppppp", "pppppp", "pppp", "p", "ppp", "ppp", "pppp", "pp",
                                                     "p", hitPoint, "ppppp", "pppppp"}));
  add("IPersistPropertyBag", as(IID_IPersistPropertyBag), Slots({"p", "", "pp", "ppp"}));
  add("IPersistStreamInit", as(IID_IPersistStreamInit), Slots({"p", "", "p", "pp", "p", ""}));
  add("IPersistStream", as(IID_IPersistStream), Slots({"p", "", "p", "pp", "p"}));
  add("IPersistStorage", as(IID_IPersistStorage), Slots({"p", "", "p", "p", "pp", "p", ""}));
  add("IQuickActivate", as(IID_IQuickActivate), Slots({"pp", "p", "p"}));
  add("IConnectionPointContainer", as(IID_IConnectionPointContainer), Slots({"p", "pp"}));

  ComPtr<IConnectionPointContainer> container = Facet<IConnectionPointContainer>(keybord);
  ComPtr<IEnumConnectionPoints> points;
  EXPECT_EQ(container->EnumConnectionPoints(&points), S_OK);
  add("IEnumConnectionPoints", points, Slots(enumerator));
  for (const IID* iid : {&DIID___KeyBord, &IID_IPropertyNotifySink}) {
    ComPtr<IConnectionPoint> found;
    EXPECT_EQ(container->FindConnectionPoint(*iid, &found), S_OK);
    add("IConnectionPoint", found, Slots(point));
    ComPtr<IEnumConnections> connections;
    if (found) {
      EXPECT_EQ(found->EnumConnections(&connections), S_OK);
    }
    add("IEnumConnections", connections, Slots(enumerator));
  }
  ComPtr<IEnumOLEVERB> verbs;
  EXPECT_EQ(Facet<IOleObject>(keybord)->EnumVerbs(&verbs), S_OK);
  add("IEnumOLEVERB", verbs, Slots(enumerator));

  // A panel's accessible object, where the system hands one out (the 64-bit
  // Wine that runs the tests gives none for any window).
  using FromResult = HRESULT(WINAPI*)(LRESULT, REFIID, WPARAM, void**);
  const auto fromResult = reinterpret_cast<FromResult>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"oleacc.dll"), "ObjectFromLresult")));
  const LRESULT answer = SendMessageW(WindowsOf(keybord.Get()).panel, WM_GETOBJECT, 0, OBJID_CLIENT);
  ComPtr<IUnknown> accessible;
  if (fromResult && answer > 0) {
    EXPECT_EQ(fromResult(answer, __uuidof(IAccessible), 0, reinterpret_cast<void**>(accessible.GetAddressOf())), S_OK);
  }
  std::vector<Slot> keys = Slots(dispatch);
  for (const char* each : {"p", "p", "vp", "vp", "vp", "vp", "vp", "vp", "vp", "pvp", "vp", "p", "p", "vp", "pv",
                           "ppppv", "pvp", "ppp", "v", "vp", "vp"}) {
    keys.push_back({3 + static_cast<int>(keys.size()), each});
  }
  add("IAccessible", accessible, std::move(keys));
  return faces;
}

// A caller on another thread that skipped marshalling is refused by every
// member but IUnknown's, before anything is read or written; the control is
// left as it was.
TEST(Apartment, EveryMemberRefusesAnUnmarshalledCallerAndChangesNothing) {
  ComPtr<_KeyBord> keybord = Prepared();
  ASSERT_NE(keybord, nullptr);
  ASSERT_EQ(SaveStream(keybord.Get(), TRUE), S_OK);
  ComPtr<IConnectionPoint> point = PropertyPoint(keybord);
  ASSERT_NE(point, nullptr);
  PropertySink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  const std::vector<Face> faces = FacesOf(keybord);
  ASSERT_GE(faces.size(), 18u);

  std::vector<std::string> answered;  // by members that did not refuse
  OnAnotherThread([&] {
    for (const Face& face : faces) {
      for (const Slot& member : face.members) {
        const HRESULT status = CallWithZeros(face.object.Get(), member);
        if (status != RPC_E_WRONG_THREAD) {
          char line[96];
          std::snprintf(line, sizeof line, "%s, slot %d: 0x%08lX", face.name.c_str(), member.index,
                        static_cast<unsigned long>(status));
          answered.push_back(line);
        }
      }
      ComPtr<IUnknown> identity;
      if (FAILED(face.object.As(&identity))) answered.push_back(face.name + ": QueryInterface refused");
    }
  });
  EXPECT_EQ(answered, std::vector<std::string>{});

  HandleWaitingMessages();
  EXPECT_EQ(TextOf(keybord.Get()), L"keep");
  EXPECT_EQ(LimitOf(keybord.Get()), 9);
  EXPECT_EQ(PanelOf(keybord.Get()), NumberAct);
  EXPECT_EQ(Facet<IPersistStreamInit>(keybord)->IsDirty(), S_FALSE);
  EXPECT_TRUE(sink.heard.empty());
  EXPECT_EQ(point->Unadvise(cookie), S_OK) << "the sink is still connected";
  EXPECT_FALSE(IsWindowVisible(SurfaceOf(keybord)));
}

// Every member of _KeyBord, late bound with arguments of its parameters'
// types, in the type library's order; what each answered and gave back.
std::vector<std::string> Session(IDispatch* dispatch) {
  std::vector<std::string> answers;
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> info;
  TYPEATTR* attr = nullptr;
  if (FAILED(LoadTypeLibEx(OcxPath().c_str(), REGKIND_NONE, &library)) ||
      FAILED(library->GetTypeInfoOfGuid(IID__KeyBord, &info)) || FAILED(info->GetTypeAttr(&attr))) {
    return answers;
  }
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function))) continue;
    if (!(function->wFuncFlags & FUNCFLAG_FRESTRICTED)) {  // IUnknown's and IDispatch's own
      std::vector<Var> values(function->cParams);
      std::vector<BSTR> strings(function->cParams, nullptr);
      std::vector<short> numbers(function->cParams, 113);
      std::vector<VARIANT> arguments;
      for (int p = 0; p < function->cParams; ++p) {
        const TYPEDESC& type = function->lprgelemdescParam[p].tdesc;
        const VARTYPE pointee = type.vt == VT_PTR ? type.lptdesc->vt : VARTYPE{VT_EMPTY};
        VARIANT& value = values[p];
        if (pointee == VT_BSTR) {
          strings[p] = SysAllocString(L"h");
          V_VT(&value) = VT_BYREF | VT_BSTR;
          V_BSTRREF(&value) = &strings[p];
        } else if (pointee == VT_I2) {
          V_VT(&value) = VT_BYREF | VT_I2;
          V_I2REF(&value) = &numbers[p];
        } else if (type.vt == VT_BSTR) {
          V_VT(&value) = VT_BSTR;
          V_BSTR(&value) = SysAllocString(L"ab");
        } else {
          V_VT(&value) = VT_I4;  // a key code, a panel, a limit, a truth value: each takes 65
          V_I4(&value) = type.vt == VT_BOOL ? 0 : 65;
        }
        arguments.insert(arguments.begin(), value);  // they travel last first
      }
      DISPID put = DISPID_PROPERTYPUT;
      const bool putting = function->invkind == INVOKE_PROPERTYPUT;
      DISPPARAMS params{arguments.data(), putting ? &put : nullptr, static_cast<UINT>(arguments.size()),
                        putting ? 1u : 0u};
      Var result;
      const HRESULT status = dispatch->Invoke(function->memid, IID_NULL, LOCALE_USER_DEFAULT,
                                              static_cast<WORD>(function->invkind), &params, &result, nullptr, nullptr);
      Var shown;
      VariantChangeType(&shown, &result, 0, VT_BSTR);
      std::wstring line = std::to_wstring(function->memid) + L": " + std::to_wstring(status) + L" " +
                          (V_VT(&shown) == VT_BSTR ? V_BSTR(&shown) : L"");
      for (int p = 0; p < function->cParams; ++p) {
        line += L" " + (strings[p] ? std::wstring(strings[p]) : std::to_wstring(numbers[p]));
        SysFreeString(strings[p]);
      }
      answers.emplace_back(line.begin(), line.end());
    }
    info->ReleaseFuncDesc(function);
  }
  info->ReleaseTypeAttr(attr);
  return answers;
}

// Through a marshalled pointer a caller in another apartment reaches the
// control on its own thread: every member answers as it does a caller there,
// and the embedding interfaces work.
TEST(Apartment, MarshalledCallsFromAnotherApartmentWork) {
  ComPtr<_KeyBord> here = CreateDirect();
  ComPtr<_KeyBord> there = CreateDirect();
  ASSERT_NE(here, nullptr);
  ASSERT_NE(there, nullptr);
  IStream* dispatchStream = nullptr;
  IStream* persistStream = nullptr;
  ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IDispatch, there.Get(), &dispatchStream), S_OK);
  ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IPersistStreamInit, Facet<IPersistStreamInit>(there).Get(),
                                                  &persistStream),
            S_OK);
  std::vector<std::string> answers;
  HRESULT unmarshalled[2] = {E_FAIL, E_FAIL};
  HRESULT saved = E_FAIL;
  HRESULT dirty = E_FAIL;
  OnAnotherThread([&] {
    ComPtr<IDispatch> dispatch;
    ComPtr<IPersistStreamInit> persist;
    unmarshalled[0] = CoGetInterfaceAndReleaseStream(dispatchStream, IID_PPV_ARGS(&dispatch));
    unmarshalled[1] = CoGetInterfaceAndReleaseStream(persistStream, IID_PPV_ARGS(&persist));
    if (dispatch) answers = Session(dispatch.Get());
    if (!persist) return;
    dirty = persist->IsDirty();
    ComPtr<IStream> stream;
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) saved = persist->Save(stream.Get(), TRUE);
  });
  ASSERT_EQ(unmarshalled[0], S_OK);
  ASSERT_EQ(unmarshalled[1], S_OK);
  EXPECT_EQ(answers.size(), 18u) << "every member of _KeyBord";
  EXPECT_EQ(answers, Session(Facet<IDispatch>(here).Get()));
  EXPECT_EQ(TextOf(there.Get()), TextOf(here.Get()));
  EXPECT_EQ(LimitOf(there.Get()), LimitOf(here.Get()));
  EXPECT_EQ(PanelOf(there.Get()), PanelOf(here.Get()));
  EXPECT_EQ(dirty, S_OK);
  EXPECT_EQ(saved, S_OK);
  EXPECT_EQ(Facet<IPersistStreamInit>(there)->IsDirty(), S_FALSE) << "saved with the dirty state cleared";
}

// A host may give up its last reference on another thread (a finalizer, a
// pool's thread). The control's windows can go only on the thread that made
// them: the control ends there, at the owner's next message or when the host
// destroys the surface first, and no window of it is left behind. Its input
// meanwhile reaches a control that still lives.
enum class LastRelease { BeforeTheOwnersMessages, BeforeTheSurfaceGoes, AfterTheSurfaceWent };

class ReleasedElsewhere : public ::testing::TestWithParam<LastRelease> {};

DWORD WINAPI ReleaseHere(void* object) { return static_cast<IUnknown*>(object)->Release(); }

TEST_P(ReleasedElsewhere, EndsOnTheOwnersThreadLeavingNoWindow) {
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  const auto canUnload =
      reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(Library(), "DllCanUnloadNow")));
  ASSERT_EQ(canUnload(), S_OK);
  ComPtr<_KeyBord> keybord = CreateDirect();
  const HWND surface = SurfaceOf(keybord);
  std::vector<HWND> windows{surface};
  for (HWND child = GetWindow(surface, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) windows.push_back(child);
  ASSERT_EQ(windows.size(), 5u) << "the surface, three panels and the field";
  const HWND panel = WindowsOf(keybord.Get()).panel;
  if (GetParam() == LastRelease::AfterTheSurfaceWent) {
    ASSERT_TRUE(DestroyWindow(surface));
  }

  const HANDLE thread = CreateThread(nullptr, 0, ReleaseHere, keybord.Detach(), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0) << "the release waits for nothing on this thread";
  DWORD left = 99;
  GetExitCodeThread(thread, &left);
  CloseHandle(thread);
  EXPECT_EQ(left, 0u);

  if (GetParam() != LastRelease::AfterTheSurfaceWent) {
    EXPECT_EQ(canUnload(), S_FALSE) << "the library holds while the control waits for its thread";
    SendMessageW(panel, WM_KEYDOWN, 'A', 0);
    SendMessageW(panel, WM_KEYUP, 'A', 0);
  }
  if (GetParam() == LastRelease::BeforeTheSurfaceGoes) {
    ASSERT_TRUE(DestroyWindow(surface));
  }
  PumpUntil([&] { return std::none_of(windows.begin(), windows.end(), IsWindow); }, "the control's windows gone");
  SendMessageW(panel, WM_KEYDOWN, 'A', 0);  // a window no more: nothing answers
  EXPECT_EQ(canUnload(), S_OK);
}

constexpr const char* LastReleaseNames[] = {"BeforeTheOwnersMessages", "BeforeTheSurfaceGoes",
                                            "AfterTheSurfaceWent"};

INSTANTIATE_TEST_SUITE_P(Apartment, ReleasedElsewhere,
                         ::testing::Values(LastRelease::BeforeTheOwnersMessages, LastRelease::BeforeTheSurfaceGoes,
                                           LastRelease::AfterTheSurfaceWent),
                         [](const auto& info) { return LastReleaseNames[static_cast<int>(info.param)]; });

using Site = harness::LeastSite;

// A form designer activates the control in one call: the site, design mode
// from the structure, both sinks advised under the cookies handed back.
TEST(WithSite, QuickActivatedWithTheContainersAmbientsAndSinks) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 160, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  Site site(window);
  PropertySink notify;
  Sink events(true);
  {
    ComPtr<_KeyBord> keybord = CreateDirect();
    ComPtr<IQuickActivate> quick = Facet<IQuickActivate>(keybord);
    ASSERT_NE(quick, nullptr);
    QACONTAINER container{};
    container.cbSize = sizeof container;
    container.pClientSite = &site;
    container.pPropertyNotifySink = &notify;
    container.pUnkEventSink = &events;
    QACONTROL control{};
    control.cbSize = sizeof control;
    EXPECT_EQ(quick->QuickActivate(nullptr, &control), E_POINTER);
    ASSERT_EQ(quick->QuickActivate(&container, &control), S_OK);
    EXPECT_EQ(control.dwMiscStatus, 0x20191u);
    EXPECT_EQ(control.dwViewStatus, static_cast<DWORD>(VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND));
    EXPECT_EQ(Facet<IOleObject>(keybord)->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr),
              S_OK)
        << "activated in the site it was given";
    const HWND field = WindowsOf(keybord.Get()).field;
    EXPECT_TRUE(SendMessageW(field, EM_GETOPTIONS, 0, 0) & ECO_READONLY) << "designed: UserMode is not set";

    EXPECT_EQ(keybord->put_MaxLength(5), S_OK);
    EXPECT_EQ(notify.heard, std::vector<DISPID>{members::MaxLength});
    Bstr text(L"x");
    EXPECT_EQ(keybord->put_Text(text.get()), S_OK);
    EXPECT_EQ(events.calls, 1) << "the event sink hears Change";
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(Facet<IConnectionPointContainer>(keybord)->FindConnectionPoint(DIID___KeyBord, &point), S_OK);
    EXPECT_EQ(point->Unadvise(control.dwEventCookie), S_OK);
    EXPECT_EQ(PropertyPoint(keybord)->Unadvise(control.dwPropNotifyCookie), S_OK);

    // The form runs; a sink of neither interface is refused and nothing is advised.
    Sink deaf(false);
    container.dwAmbientFlags = QACONTAINER_USERMODE;
    container.pUnkEventSink = &deaf;
    EXPECT_EQ(quick->QuickActivate(&container, &control), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(control.dwPropNotifyCookie, 0u);
    EXPECT_EQ(notify.references, 1);
    container.pUnkEventSink = nullptr;
    ASSERT_EQ(quick->QuickActivate(&container, &control), S_OK);
    EXPECT_FALSE(SendMessageW(field, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
    EXPECT_EQ(PropertyPoint(keybord)->Unadvise(control.dwPropNotifyCookie), S_OK);

    // Its size is its own, whatever the container proposes.
    SIZEL size{1000, 1000};
    EXPECT_EQ(quick->SetContentExtent(&size), S_OK);
    EXPECT_EQ(quick->GetContentExtent(&size), S_OK);
    EXPECT_EQ(size.cx, 15319);
    EXPECT_EQ(size.cy, 3854);
    EXPECT_EQ(Facet<IOleObject>(keybord)->SetClientSite(nullptr), S_OK);
  }
  EXPECT_EQ(notify.references, 1);
  EXPECT_EQ(events.references, 1);
  DestroyWindow(window);
}

// A container that deactivates the control again while it hears of the
// user interface going: the outer deactivation finds nothing left to do.
TEST(WithSite, DeactivatedAgainWhileItsUserInterfaceGoes) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 160, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  Site site(window);
  {
    ComPtr<_KeyBord> keybord = CreateDirect();
    ComPtr<IOleObject> object = Facet<IOleObject>(keybord);
    ComPtr<IOleInPlaceObject> inPlace = Facet<IOleInPlaceObject>(keybord);
    ASSERT_NE(inPlace, nullptr);
    ASSERT_EQ(object->SetClientSite(&site), S_OK);
    const RECT place{0, 0, 600, 160};
    ASSERT_EQ(object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, window, &place), S_OK);
    site.uiDeactivated = [&] { EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK); };
    EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(site.deactivations, 1);
    HWND surface = nullptr;
    EXPECT_EQ(inPlace->GetWindow(&surface), S_OK);
    EXPECT_NE(GetParent(surface), window) << "out of the container's window";
    EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
  }
  DestroyWindow(window);
}

}  // namespace
}  // namespace vexo::wine
